// The registry functions against the in-memory registry: answers, what the store was asked and
// what it holds afterwards.
#include <gtest/gtest.h>

#include <optional>

#include "bridge_fixture.h"
#include "core/errors.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;
using TTexts = std::vector<std::string>;

class RegistryFunctions : public TBridgeFixture {};

TTexts Ok(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}"};
}
TTexts Failed(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": false, \"result\": " + result + "}"};
}

const TTexts kMissingKey = Failed("\"Missing registry key.\"");
const TTexts kMissingName = Failed("\"Missing value name.\"");

TEST_F(RegistryFunctions, KeyAndNameAreRequiredInThatOrderAndNothingIsAskedWithoutThem) {
    struct TCase {
        const char* Data;
        TTexts Answers;
    };
    const TCase cases[] = {
        {"{}", kMissingKey},
        {R"({"key":"","name":"n"})", kMissingKey},
        {R"({"key":null,"name":{}})", kMissingKey},  // the name is not read without a key
        {R"({"key":"Software\\V"})", kMissingName},
        {R"({"key":"Software\\V","name":""})", kMissingName},
        {R"({"key":"Software\\V","name":null,"value":[]})", kMissingName},
    };
    for (const int id : {13001, 13002, 13003, 13004})
        for (const TCase& item : cases) EXPECT_EQ(Send(Request(id, item.Data)), item.Answers) << id << item.Data;
    for (const int id : {13005, 13006}) {
        EXPECT_EQ(Send(Request(id)), kMissingKey) << id;
        EXPECT_EQ(Send(Request(id, R"({"key":null})")), kMissingKey) << id;
        EXPECT_EQ(Send(Request(id, R"({"key":""})")), kMissingKey) << id;
    }
    EXPECT_TRUE(registry.Calls.empty());
}

TEST_F(RegistryFunctions, ArgumentsOfEveryJsonTypeReadAsTextAndContainersRaise) {
    EXPECT_EQ(Send(Request(13001, R"({"key":7,"name":true,"value":42})")), Ok("true"));
    EXPECT_EQ(Send(Request(13001, R"({"key":"V","name":"b","value":false})")), Ok("true"));
    EXPECT_EQ(Send(Request(13001, R"({"key":"V","name":"n","value":null})")), Ok("true"));
    EXPECT_EQ(Send(Request(13001, R"({"key":"V","name":"a"})")), Ok("true"));
    EXPECT_EQ(registry.Stored("7", "true"), "42");
    EXPECT_EQ(registry.Stored("V", "b"), "false");
    EXPECT_EQ(registry.Stored("V", "n"), "");
    EXPECT_EQ(registry.Stored("V", "a"), "");
    EXPECT_EQ(Send(Request(13002, R"({"key":7,"name":"true"})")), Ok("\"42\""));
    const std::pair<int, const char*> raising[] = {
        {13001, R"({"key":{},"name":"n"})"},
        {13001, R"({"key":"V","name":["n"]})"},
        {13001, R"({"key":"V","name":"n","value":{"a":1}})"},
        {13002, R"({"key":["V"],"name":"n"})"},
        {13003, R"({"key":"V","name":{}})"},
        {13004, R"({"key":"V","name":[]})"},
        {13005, R"({"key":{}})"},
        {13006, R"({"key":[]})"},
    };
    const std::size_t calls = registry.Calls.size();
    for (const auto& [id, data] : raising) EXPECT_NE(RaisedBy(Request(id, data)), std::nullopt) << id << data;
    EXPECT_EQ(registry.Calls.size(), calls) << "nothing was asked of the store";
    EXPECT_EQ(registry.Stored("V", "n"), "") << "the value given as an object was not stored";
    EXPECT_EQ(Send(Request(13005, R"({"key":"V"})")), Ok("true")) << "the next request is answered";
}

TEST_F(RegistryFunctions, WritesCreateTheWholePathAndReadsGiveTheTextBack) {
    const std::string text = R"(say "hi" \ C:\Temp\ 100% & | Zoë 😀)";
    const std::string value = nlohmann::json(text).dump();
    EXPECT_EQ(Send(Request(13001, R"({"key":"Software\\Vellum\\A\\B","name":"Greeting","value":)" + value + "}")),
              Ok("true"));
    EXPECT_TRUE(registry.HasKey("Software\\Vellum\\A"));
    EXPECT_EQ(registry.Stored("Software\\Vellum\\A\\B", "Greeting"), text);
    const TTexts answer = Send(Request(13002, R"({"key":"\\Software\\Vellum\\A\\B","name":"greeting"})"));
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(answer[0])["result"], text) << "the page parses the text unchanged";
    EXPECT_EQ(registry.Calls[1], "ReadString(Software\\Vellum\\A\\B, greeting)") << "one leading backslash goes";
}

TEST_F(RegistryFunctions, AnswersOfEachFunctionOnKeysAndValuesThatAreThereOrNot) {
    registry.PutString("Software\\V", "s", "text");
    registry.PutString("Software\\V", "z", std::string("ab\0cd", 5));
    registry.PutString("Software\\V", "e", "");
    registry.PutNumber("Software\\V", "dword");
    registry.PutString("Software\\Other", "only", "x");
    registry.PutString("Software\\Policy", "p", "locked");
    registry.MakeReadOnly("Software\\Policy");
    struct TCase {
        int Id;
        const char* Data;
        TTexts Answers;
    };
    const TCase cases[] = {
        {13002, R"({"key":"Software\\V","name":"s"})", Ok("\"text\"")},
        {13002, R"({"key":"Software\\V","name":"z"})", Ok("\"ab\"")},
        {13002, R"({"key":"Software\\V","name":"e"})", Ok("\"\"")},
        {13002, R"({"key":"Software\\V","name":"missing"})", Ok("\"\"")},
        {13002, R"({"key":"Software\\Missing","name":"s"})", Ok("\"\"")},
        {13002, R"({"key":"Software\\Policy","name":"p"})", Ok("\"\"")},
        {13003, R"({"key":"Software\\V","name":"dword"})", Ok("true")},
        {13003, R"({"key":"Software\\V","name":"only"})", Ok("false")},
        {13003, R"({"key":"Software\\Policy","name":"p"})", Ok("false")},
        {13003, R"({"key":"\\Software\\Other","name":"ONLY"})", Ok("true")},
        {13005, R"({"key":"Software\\Policy"})", Ok("true")},
        {13005, R"({"key":"\\software\\v"})", Ok("true")},
        {13005, R"({"key":"Software\\V\\s"})", Ok("false")},
        {13005, R"({"key":"\\"})", Ok("true")},
        {13004, R"({"key":"Software\\Policy","name":"p"})", Ok("false")},
        {13004, R"({"key":"Software\\V","name":"s"})", Ok("true")},
        {13004, R"({"key":"Software\\V","name":"s"})", Ok("false")},
        {13004, R"({"key":"Software\\Missing","name":"s"})", Ok("false")},
        {13001, R"({"key":"Software\\Policy","name":"p","value":"new"})", Ok("false")},
        {13001, R"({"key":"Software\\Policy\\Below","name":"p","value":"new"})", Ok("false")},
        {13001, R"({"key":"Software\\V","name":"dword","value":"now text"})", Ok("true")},
        {13002, R"({"key":"Software\\V","name":"dword"})", Ok("\"now text\"")},
    };
    for (const TCase& item : cases) EXPECT_EQ(Send(Request(item.Id, item.Data)), item.Answers) << item.Id << item.Data;
    EXPECT_EQ(registry.Stored("Software\\Policy", "p"), "locked");
    EXPECT_FALSE(registry.HasKey("Software\\Policy\\Below"));
}

TEST_F(RegistryFunctions, StoreErrorsLeaveTheRequestUnansweredWithTheValueName) {
    registry.PutNumber("Software\\V", "dword");
    registry.PutString("Software\\V", "s", "text");
    EXPECT_EQ(RaisedBy(Request(13002, R"({"key":"Software\\V","name":"dword"})")), "Invalid data type for 'dword'");
    registry.FailReads = true;
    EXPECT_EQ(RaisedBy(Request(13002, R"({"key":"Software\\V","name":"s"})")), "Failed to get data for 's'");
    registry.FailStores = true;
    EXPECT_EQ(RaisedBy(Request(13001, R"({"key":"Software\\V","name":"s","value":"x"})")), "Failed to set data for 's'");
    EXPECT_TRUE(page.Answers.empty());
    EXPECT_EQ(Send(Request(13003, R"({"key":"Software\\V","name":"s"})")), Ok("true")) << "the next request is answered";
}

TEST_F(RegistryFunctions, DeleteKeyRemovesTheTreeOnceAndNeverTheRoot) {
    registry.PutString("Software\\Tree\\A\\B", "v", "1");
    registry.PutString("Software\\Tree\\C", "v", "2");
    registry.PutString("Software\\Keep", "v", "3");
    EXPECT_EQ(Send(Request(13006, R"({"key":"\\"})")), Ok("false"));
    EXPECT_TRUE(registry.Calls.empty()) << "the root is not handed to the store";
    EXPECT_EQ(Send(Request(13006, R"({"key":"\\Software\\Tree"})")), Ok("true"));
    EXPECT_EQ(Send(Request(13006, R"({"key":"Software\\Tree"})")), Ok("false"));
    EXPECT_FALSE(registry.HasKey("Software\\Tree\\A\\B"));
    EXPECT_EQ(registry.Stored("Software\\Keep", "v"), "3");
    EXPECT_EQ(registry.Calls, (TTexts{"DeleteKeyTree(Software\\Tree)", "DeleteKeyTree(Software\\Tree)"}));
}

TEST_F(RegistryFunctions, DeleteKeyOfATreeWithAKeyThatResistsAnswersFalseAndKeepsThatBranch) {
    registry.PutString("Software\\Tree\\A", "v", "1");
    registry.MakeReadOnly("Software\\Tree\\B");
    registry.PutString("Software\\Tree\\C", "v", "2");
    EXPECT_EQ(Send(Request(13006, R"({"key":"Software\\Tree"})")), Ok("false"));
    EXPECT_TRUE(registry.HasKey("Software\\Tree\\B"));
    EXPECT_FALSE(registry.HasKey("Software\\Tree\\C")) << "deleted before the resisting key stays deleted";
}

TEST_F(RegistryFunctions, AllSixWorkInPreviewMode) {
    module->ExeZip = nullptr;
    EXPECT_EQ(Send(Request(13001, R"({"key":"P","name":"n","value":"v"})")), Ok("true"));
    EXPECT_EQ(Send(Request(13002, R"({"key":"P","name":"n"})")), Ok("\"v\""));
    EXPECT_EQ(Send(Request(13003, R"({"key":"P","name":"n"})")), Ok("true"));
    EXPECT_EQ(Send(Request(13004, R"({"key":"P","name":"n"})")), Ok("true"));
    EXPECT_EQ(Send(Request(13005, R"({"key":"P"})")), Ok("true"));
    EXPECT_EQ(Send(Request(13006, R"({"key":"P"})")), Ok("true"));
    EXPECT_TRUE(dialogs.Messages.empty());
}

}  // namespace
}  // namespace vellum
