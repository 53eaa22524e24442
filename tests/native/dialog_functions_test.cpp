// The dialog functions against recording file dialogs: what each call sets on its dialog and
// what the page is answered.
#include <gtest/gtest.h>

#include "bridge_fixture.h"
#include "core/system/path_delimiter.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;

class DialogFunctions : public TBridgeFixture {};

TEST_F(DialogFunctions, EachCallSetsTitleNameAndTypesAndAnswersTheChoice) {
    struct TCase {
        int Id;
        const char* Data;
        const char* Choice;  // nullptr: the user cancels
        const char* Call;
        const char* Result;
    };
    const TCase cases[] = {
        {20001, "{}", nullptr, "OpenFile(title=Open file, name=, types=[])", "\"\""},
        {20001, R"({"fileName":"a.txt","title":"Pick","fileTypes":"Text files|*.txt;All files|*.*"})",
         "C:\\docs\\a.txt", "OpenFile(title=Pick, name=a.txt, types=[Text files:*.txt, All files:*.*])",
         R"("C:\\docs\\a.txt")"},
        // An entry that does not split into exactly two parts is skipped; ";" always starts one.
        {20001, R"({"fileTypes":"Images|*.png;*.jpg;Bad;A|b|c;|;Empty|"})", nullptr,
         "OpenFile(title=Open file, name=, types=[Images:*.png, :, Empty:])", "\"\""},
        {20001, R"({"fileName":12,"title":true,"fileTypes":null})", nullptr,
         "OpenFile(title=true, name=12, types=[])", "\"\""},
        {20001, R"({"title":""})", nullptr, "OpenFile(title=, name=, types=[])", "\"\""},
        {20002, "{}", nullptr, "SaveFile(title=Save file, name=, types=[])", "\"\""},
        {20002, R"({"fileName":"out.csv","fileTypes":"CSV|*.csv","overwritePrompt":true})", "/home/u/out.csv",
         "SaveFile(title=Save file, name=out.csv, types=[CSV:*.csv], overwritePrompt)", R"("\/home\/u\/out.csv")"},
        {20002, R"({"overwritePrompt":"TRUE"})", nullptr, "SaveFile(title=Save file, name=, types=[], overwritePrompt)",
         "\"\""},
        {20002, R"({"overwritePrompt":0})", nullptr, "SaveFile(title=Save file, name=, types=[])", "\"\""},
        {20003, "{}", nullptr, "SelectFolder(title=Select a folder)", "\"\""},
        {20003, R"({"title":"Where to?"})", "C:\\Users\\u\\", "SelectFolder(title=Where to?)", R"("C:\\Users\\u\\")"},
        {20003, R"({"title":null})", "D:\\", "SelectFolder(title=Select a folder)", R"("D:\\")"},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(std::to_string(item.Id) + " " + item.Data);
        fileDialogs.Calls.clear();
        fileDialogs.Choices.clear();
        if (item.Choice != nullptr) fileDialogs.Choices.push_back(item.Choice);
        EXPECT_EQ(Send(Request(item.Id, item.Data)), std::vector<std::string>{Success(item.Result)});
        EXPECT_EQ(fileDialogs.Calls, std::vector<std::string>{item.Call});
    }
}

TEST_F(DialogFunctions, AChosenFolderGetsOneTrailingDelimiter) {
    fileDialogs.Choices = {"C:\\data", "/home/u/", "C:\\x\\"};
    const std::string delimiter = kPathDelimiter == '\\' ? "\\\\" : "\\/";
    EXPECT_EQ(Send(Request(20003)), std::vector<std::string>{Success("\"C:\\\\data" + delimiter + "\"")});
    EXPECT_EQ(Send(Request(20003)), std::vector<std::string>{Success(R"("\/home\/u\/")")});
    EXPECT_EQ(Send(Request(20003)), std::vector<std::string>{Success(R"("C:\\x\\")")});
}

TEST_F(DialogFunctions, RequestsArrivingWhileADialogIsUpWaitForIt) {
    fileDialogs.Choices = {"C:\\a.txt"};
    fileDialogs.WhileShown = [this] {
        fileDialogs.WhileShown = nullptr;
        module->EdgeBrowserWebMessageReceived(TPageMessage{"", Request(10002)});
        queue.Pump();
        EXPECT_TRUE(page.Answers.empty()) << "nothing runs while the dialog is up";
    };
    const auto answers = Send(Request(20001));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0], Success(R"("C:\\a.txt")"));
    EXPECT_EQ(answers[1], Success("true"));
}

TEST_F(DialogFunctions, ArgumentsThatAreObjectsOrArraysShowNoDialogAndGetNoAnswer) {
    const std::pair<int, const char*> cases[] = {
        {20001, "fileName"}, {20001, "title"}, {20001, "fileTypes"}, {20002, "fileName"},
        {20002, "title"},    {20002, "fileTypes"}, {20002, "overwritePrompt"}, {20003, "title"},
    };
    for (const auto& [id, key] : cases) {
        for (const char* value : {"{}", "[]", "[\"a\"]"}) {
            const std::string data = std::string("{\"") + key + "\":" + value + "}";
            SCOPED_TRACE(std::to_string(id) + " " + data);
            EXPECT_ANY_THROW(Send(Request(id, data)));
        }
    }
    EXPECT_ANY_THROW(Send(Request(20002, R"({"overwritePrompt":"yes"})")));
    EXPECT_TRUE(page.Answers.empty());
    EXPECT_TRUE(fileDialogs.Calls.empty());
    EXPECT_EQ(Send(Request(10002)), std::vector<std::string>{Success("true")}) << "the next request is answered";
}

TEST_F(DialogFunctions, DialogsAnswerInPreviewModeToo) {
    module->ExeZip = nullptr;
    fileDialogs.Choices = {"C:\\p.txt"};
    EXPECT_EQ(Send(Request(20001)), std::vector<std::string>{Success(R"("C:\\p.txt")")});
    EXPECT_TRUE(dialogs.Messages.empty());
}

}  // namespace
}  // namespace vellum
