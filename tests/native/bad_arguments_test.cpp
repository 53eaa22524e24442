// Every served function's arguments, one at a time, as each kind of JSON value a page can send,
// with the others given sensible values. An object or an array where a function reads text or a
// Boolean is a conversion error: that request gets no answer. Any other kind is read (as text
// or as the default) and answered. Whatever came, the bridge answers the next request.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "bridge_fixture.h"
#include "test_files.h"

namespace vellum::testing {
namespace {

struct TArgument {
    const char* Name;
    const char* Valid;     // a JSON value the function accepts
    bool Boolean = false;  // read as a Boolean: only whole numbers and the two words convert
};

// The arguments of each function that takes any, with values that keep every call inside the
// test's temporary folder and the recording fakes.
const std::map<int, std::vector<TArgument>>& FunctionArguments() {
    static const std::map<int, std::vector<TArgument>> table = {
        {20001, {{"fileName", R"("a.txt")"}, {"title", R"("Pick")"}, {"fileTypes", R"("Text|*.txt")"}}},
        {20002,
         {{"fileName", R"("a.txt")"}, {"title", R"("Save")"}, {"fileTypes", R"("Text|*.txt")"},
          {"overwritePrompt", "true", true}}},
        {20003, {{"title", R"("Folder")"}}},
        {30001, {{"filePath", R"("data/a.txt")"}}},
        {30002, {{"filePath", R"("data/gone.txt")"}}},
        {30003, {{"filePath", R"("out/a.txt")"}, {"contents", R"("x")"}}},
        {30004, {{"sourceFile", R"("/missing.txt")"}, {"targetFile", "TARGET"}}},
        {40001, {{"dirPath", R"("data")"}}},
        {40002, {{"dirPath", R"("made")"}}},
        {40003, {{"dirPath", R"("made")"}}},
        {40004, {{"dirPath", R"("data")"}, {"fileMask", R"("*")"}, {"allDirs", R"("false")"}}},
        {50006, {{"url", R"("file:///app/index.html")"}}},
        {60002, {{"style", R"("normal")"}}},
        {60004, {{"state", R"("normal")"}}},
        {60006, {{"title", R"("Title")"}}},
        {60008, {{"factor", R"("1")"}}},
        {60010, {{"top", R"("10")"}, {"left", R"("10")"}, {"width", R"("300")"}, {"height", R"("200")"}}},
        {60012, {{"border", R"("sizeable")"}}},
        {70001, {{"filePath", R"("a.txt")"}, {"arguments", R"("")"}}},
        {70002, {{"filePath", R"("a.txt")"}}},
        {70003, {{"command", R"("echo hi")"}, {"workingDir", R"("")"}, {"showWindow", R"("false")"}}},
        {11005, {{"name", R"("n")"}, {"title", R"("t")"}, {"body", R"("b")"}}},
        {12001, {{"items", R"("[]")"}}},
        // `enabled` is read as text, then converted when not empty: any number is a Boolean.
        {12002, {{"id", R"("1")"}, {"caption", R"("c")"}, {"enabled", "true"}, {"image", R"("")"}}},
        {14003, {{"items", R"("[]")"}}},
        {14004, {{"id", R"("1")"}, {"caption", R"("c")"}, {"enabled", "true"}, {"image", R"("")"}}},
        {13001, {{"key", R"("Software\\Vellum")"}, {"name", R"("n")"}, {"value", R"("v")"}}},
        {13002, {{"key", R"("Software\\Vellum")"}, {"name", R"("n")"}}},
        {13003, {{"key", R"("Software\\Vellum")"}, {"name", R"("n")"}}},
        {13004, {{"key", R"("Software\\Vellum")"}, {"name", R"("n")"}}},
        {13005, {{"key", R"("Software\\Vellum")"}}},
        {13006, {{"key", R"("Software\\Vellum")"}}},
        {80003, {{"name", R"("Windows")"}}},
        {90001, {{"filePath", R"("out/b.bin")"}, {"contents", R"("QUJD")"}}},
    };
    return table;
}

// Functions whose success is to give no answer at all.
const std::set<int> kNeverAnswers = {50001, 50003, 50004, 60012};

// nullptr stands for the argument left out.
const std::vector<const char*> kReadableAsText = {nullptr, "null", "7", "-2.5", "true", "false", R"("")"};
const std::vector<const char*> kReadableAsBoolean = {nullptr, "null", "7", "0", "true", "false", R"("TRUE")"};
const std::vector<const char*> kConversionErrors = {R"({"a":1})", "[1]", "[]", "{}"};
const std::vector<const char*> kBooleanConversionErrors = {R"({"a":1})", "[1]", "-2.5", R"("")", R"("yes")"};

class BadArguments : public TBridgeFixture {
protected:
    void SetUp() override {
        executablePath = (folder / "Hello.exe").string();
        CreateModule();
        ASSERT_TRUE(std::filesystem::create_directories(folder / "data"));
        // files.extractFile takes a relative target from the process's current folder.
        previousFolder = std::filesystem::current_path();
        std::filesystem::current_path(folder.Path());
    }
    void TearDown() override { std::filesystem::current_path(previousFolder); }

    std::string Data(int id, const std::string& name, const char* value) const {
        std::string data = "{";
        for (const TArgument& argument : FunctionArguments().at(id)) {
            std::string given = argument.Name == name ? (value == nullptr ? "" : value) : argument.Valid;
            if (given == "TARGET") given = "\"" + (folder / "extracted.txt").string() + "\"";
            if (given.empty()) continue;
            if (data.size() > 1) data += ",";
            data += "\"" + std::string(argument.Name) + "\":" + given;
        }
        return data + "}";
    }

    // The answers one request got; a raised conversion error is kept in `raised`.
    std::vector<std::string> Answers(const std::string& request) {
        // Both menus hold the item the updates name, whatever the request before did to them.
        for (TRecordingMenu* menu : {&menus.Main, &menus.Tray})
            if (menu->Items().empty()) {
                TMenuItem item;
                item.Id = 1;
                item.Caption = "Item";
                menu->SetItems({item});
            }
        const std::size_t before = page.Answers.size();
        raised.clear();
        try {
            Send(request);
        } catch (const std::exception& error) {
            raised = error.what();
        }
        return {page.Answers.begin() + static_cast<std::ptrdiff_t>(before), page.Answers.end()};
    }

    // After anything, the bridge still answers hello.
    void ExpectNextAnswered(const std::string& what) {
        const std::vector<std::string> answers = Answers(R"({"id":10001,"uuid":"next","data":{}})");
        ASSERT_EQ(answers.size(), 1u) << "after " << what;
        EXPECT_NE(answers[0].find("\"next\""), std::string::npos) << answers[0];
    }

    TTempDir folder;
    std::filesystem::path previousFolder;
    std::string raised;
};

TEST_F(BadArguments, EveryServedFunctionThatTakesArgumentsIsInTheTable) {
    for (const TFunctionInfo& function : kFunctionTable) {
        const int id = static_cast<int>(function.Id);
        if (module->Serves(function.Id) && function.TakesData) {
            EXPECT_TRUE(FunctionArguments().count(id)) << function.Member << " (" << id << ") has no row";
        }
    }
}

TEST_F(BadArguments, ObjectsAndArraysAreConversionErrorsOtherKindsAreReadAndAnswered) {
    int served = 0;
    for (const auto& [id, functionArguments] : FunctionArguments()) {
        if (!module->Serves(static_cast<TFunctionId>(id))) continue;
        ++served;
        for (const TArgument& argument : functionArguments) {
            const std::string where = std::to_string(id) + "." + argument.Name;
            for (const char* value : argument.Boolean ? kBooleanConversionErrors : kConversionErrors) {
                const std::string request = Request(id, Data(id, argument.Name, value));
                EXPECT_TRUE(Answers(request).empty()) << where << " = " << value;
                EXPECT_FALSE(raised.empty()) << where << " = " << value << ": a conversion error is raised";
                ExpectNextAnswered(request);
            }
            for (const char* value : argument.Boolean ? kReadableAsBoolean : kReadableAsText) {
                const std::string request = Request(id, Data(id, argument.Name, value));
                const std::vector<std::string> answers = Answers(request);
                EXPECT_EQ(raised, "") << request;
                EXPECT_EQ(answers.size(), kNeverAnswers.count(id) ? 0u : 1u) << request;
                ExpectNextAnswered(request);
            }
        }
    }
    EXPECT_GE(served, 25) << "the families of files, window, shell, registry and notifications are served";
}

TEST_F(BadArguments, ADataMemberThatIsNoObjectNeverStopsTheBridge) {
    const char* const kinds[] = {"null", "7", "true", R"("text")", "[1,2]"};
    for (const TFunctionInfo& function : kFunctionTable) {
        const int id = static_cast<int>(function.Id);
        if (!module->Serves(function.Id) || id == 50001) continue;  // app.close ends the bridge on purpose
        for (const char* kind : kinds) {
            const std::string request = R"({"id":)" + std::to_string(id) + R"(,"uuid":"u","data":)" + kind + "}";
            Answers(request);
            ExpectNextAnswered(request);
        }
        const std::string withoutData = R"({"id":)" + std::to_string(id) + R"(,"uuid":"u"})";
        Answers(withoutData);
        ExpectNextAnswered(withoutData);
    }
}

}  // namespace
}  // namespace vellum::testing
