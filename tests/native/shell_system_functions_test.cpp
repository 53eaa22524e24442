// The shell and system functions as tables of request -> answer and what reached the shell.
#include <gtest/gtest.h>

#include <optional>

#include "bridge/shell_answers.h"
#include "bridge_fixture.h"
#include "core/errors.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;
using TTexts = std::vector<std::string>;

class ShellSystemFunctions : public TBridgeFixture {};

struct TCase {
    int Id;
    const char* Data;
    TTexts Answers;  // whole answer texts; empty: no answer
    TTexts Calls;    // what reached the shell, in order
};

TTexts Ok(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}"};
}
TTexts Failed(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": false, \"result\": " + result + "}"};
}

TEST_F(ShellSystemFunctions, AnswersAndWhatTheShellIsAsked) {
    const TCase cases[] = {
        {70001, "{}", Failed("\"Missing filePath\""), {}},
        {70001, R"({"filePath":"","arguments":"x"})", Failed("\"Missing filePath\""), {}},
        {70001, R"({"filePath":null})", Failed("\"Missing filePath\""), {}},
        {70001, R"({"filePath":"https://example.org/?a=1&b=2"})", Ok("true"), {"Execute(https://example.org/?a=1&b=2, )"}},
        {70001, R"({"filePath":"C:\\a b\\n.exe","arguments":"-x \"y z\" %PATH% | more"})", Ok("true"),
         {"Execute(C:\\a b\\n.exe, -x \"y z\" %PATH% | more)"}},
        {70001, R"({"filePath":12,"arguments":true})", Ok("true"), {"Execute(12, true)"}},
        {70001, R"({"filePath":"n.exe","arguments":null})", Ok("true"), {"Execute(n.exe, )"}},
        {70002, "{}", Failed("\"Missing filePath\""), {}},
        {70002, R"({"filePath":""})", Failed("\"Missing filePath\""), {}},
        {70002, R"({"filePath":"C:\\Users\\Zoë\\a.txt","arguments":"ignored"})", Ok("true"),
         {"Explore(C:\\Users\\Zoë\\a.txt)"}},
        {70002, R"({"filePath":false})", Ok("true"), {"Explore(false)"}},
        {70003, "{}", Failed("\"Missing command\""), {}},
        {70003, R"({"command":null,"workingDir":{}})", Failed("\"Missing command\""), {}},
        {70003, R"({"command":""})", Failed("\"Missing command\""), {}},
        {70003, R"({"command":"echo a\"b & ver | find \"%x%\""})", Ok("\"out\""),
         {"RunCommand(echo a\"b & ver | find \"%x%\", , hidden)"}},
        {70003, R"({"command":"dir","workingDir":"C:\\Temp"})", Ok("\"out\""), {"RunCommand(dir, C:\\Temp, hidden)"}},
        {70003, R"({"command":"dir","showWindow":true})", Ok("\"out\""), {"RunCommand(dir, , shown)"}},
        {70003, R"({"command":"dir","showWindow":"true"})", Ok("\"out\""), {"RunCommand(dir, , shown)"}},
        {70003, R"({"command":"dir","showWindow":"True"})", Ok("\"out\""), {"RunCommand(dir, , hidden)"}},
        {70003, R"({"command":"dir","showWindow":" true"})", Ok("\"out\""), {"RunCommand(dir, , hidden)"}},
        {70003, R"({"command":"dir","showWindow":1})", Ok("\"out\""), {"RunCommand(dir, , hidden)"}},
        {70003, R"({"command":"dir","showWindow":null})", Ok("\"out\""), {"RunCommand(dir, , hidden)"}},
        {70003, R"({"command":7})", Ok("\"out\""), {"RunCommand(7, , hidden)"}},
        {70004, "{}", Ok(R"(["Untitled - Notepad","say \"hi\"","Untitled - Notepad"])"), {"WindowCaptions"}},
        {11001, "{}", Ok("true"), {"EndSession(logoff)"}},
        {11002, "{}", Ok("true"), {"EndSession(reboot)"}},
        {11003, "{}", Ok("true"), {"EndSession(shutdown)"}},
        {11004, "{}", Ok(R"(["E,00:1A:2B:3C:4D:5E","W,0A:0B:0C:0D:0E:0F"])"), {"AdapterAddresses"}},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(std::to_string(item.Id) + " " + item.Data);
        shell = testing::TRecordingShell();
        shell.CommandOutput = "out";
        shell.Captions = {"Untitled - Notepad", "say \"hi\"", "Untitled - Notepad"};
        shell.Adapters = {"E,00:1A:2B:3C:4D:5E", "W,0A:0B:0C:0D:0E:0F"};
        EXPECT_EQ(Send(Request(item.Id, item.Data)), item.Answers);
        EXPECT_EQ(shell.Calls, item.Calls);
    }
}

TEST_F(ShellSystemFunctions, RefusalsAnswerTheSystemTextWithoutItsTrailingFullStop) {
    const std::string text = "The system cannot find the file specified. \r\n";
    shell.ExecuteOutcome = {false, text};
    shell.ExploreOutcome = {false, text};
    shell.EndSessionOutcome = {false, "Access is denied.\r\n"};
    const TTexts missing = Failed("\"The system cannot find the file specified\"");
    EXPECT_EQ(Send(Request(70001, R"({"filePath":"C:\\missing.txt"})")), missing);
    EXPECT_EQ(Send(Request(70002, R"({"filePath":"C:\\missing.txt"})")), missing);
    for (const int id : {11001, 11002, 11003}) EXPECT_EQ(Send(Request(id)), Failed("\"Access is denied\"")) << id;
}

TEST_F(ShellSystemFunctions, OutputAndTitlesAreEscapedAsJsonStringsAndEmptyListsAreBrackets) {
    shell.CommandOutput = "a\"b\\c\r\n\t\x01 Zoë";
    EXPECT_EQ(Send(Request(70003, R"({"command":"echo"})")), Ok(R"("a\"b\\c\r\n\t\u0001 Zoë")"));
    shell.CommandOutput.clear();  // nothing written, or the command could not start
    EXPECT_EQ(Send(Request(70003, R"({"command":"nosuchcommand"})")), Ok("\"\""));
    shell.CommandOutput = std::string(1 << 20, 'x') + "\n";
    EXPECT_EQ(Send(Request(70003, R"({"command":"big"})")), Ok("\"" + std::string(1 << 20, 'x') + "\\n\""));
    EXPECT_EQ(Send(Request(70004)), Ok("[]"));
    EXPECT_EQ(Send(Request(11004)), Ok("[]"));
}

TEST_F(ShellSystemFunctions, ObjectAndArrayArgumentsRaiseAndTheNextRequestIsAnswered) {
    const std::pair<int, const char*> cases[] = {
        {70001, R"({"filePath":{}})"},
        {70001, R"({"filePath":[]})"},
        {70001, R"({"filePath":"","arguments":[1]})"},  // both are read before filePath is checked
        {70001, R"({"filePath":"x","arguments":{"a":1}})"},
        {70002, R"({"filePath":{"a":"b"}})"},
        {70002, R"({"filePath":["C:\a.txt"]})"},
        {70003, R"({"command":[]})"},
        {70003, R"({"command":"x","workingDir":{}})"},
        {70003, R"({"command":"x","showWindow":[true]})"},
    };
    for (const auto& [id, data] : cases) EXPECT_NE(RaisedBy(Request(id, data)), std::nullopt) << id << data;
    EXPECT_TRUE(page.Answers.empty());
    EXPECT_TRUE(shell.Calls.empty());
    // explore has no arguments to read: an object there is not looked at.
    EXPECT_EQ(Send(Request(70002, R"({"filePath":"a.txt","arguments":{}})")), Ok("true"));
    EXPECT_EQ(Send(Request(70003, R"({"command":"ver"})")), Ok("\"\""));
}

TEST_F(ShellSystemFunctions, PreviewModeShowsTheBoxOfThePowerFunctionsAndRunsTheRest) {
    module->ExeZip = nullptr;
    const char* const power[][2] = {{"11001", "logoff"}, {"11002", "reboot"}, {"11003", "shutdown"}};
    for (const auto& [id, word] : power) {
        dialogs.Messages.clear();
        EXPECT_TRUE(Send(Request(std::stoi(id))).empty()) << word;
        EXPECT_EQ(dialogs.Messages, TTexts{std::string("Calls to vlm.system.") + word + "() works only at runtime."});
    }
    EXPECT_TRUE(shell.Calls.empty()) << "the session was never asked to end";
    EXPECT_EQ(Send(Request(70001, R"({"filePath":"a.txt"})")), Ok("true"));
    EXPECT_EQ(Send(Request(70004)), Ok("[]"));
    EXPECT_EQ(Send(Request(11004)), Ok("[]"));
    EXPECT_EQ(shell.Calls, (TTexts{"Execute(a.txt, )", "WindowCaptions", "AdapterAddresses"}));
}

TEST_F(ShellSystemFunctions, AHostWithoutAShellRaisesInsteadOfAnswering) {
    TBridgeServices services;
    TBrowserExternalModule bare(std::move(services), queue);
    bare.ExeZip = &archive;
    bare.BrowserForm = &page;
    bare.EdgeBrowserWebMessageReceived(TPageMessage{"", Request(70004)});
    EXPECT_THROW(queue.Pump(), EVellumError);
    EXPECT_TRUE(page.Answers.empty());
}

TEST(SystemErrorText, LosesOnlyTheTrailingBlanksLineBreaksAndFullStops) {
    const std::pair<const char*, const char*> cases[] = {
        {"File not found.\r\n", "File not found"},
        {"Access is denied. .\t \r\n", "Access is denied"},
        {"Version 1.2 is required", "Version 1.2 is required"},
        {" leading blanks stay.", " leading blanks stay"},
        {"Ends with a word.\r\nx", "Ends with a word.\r\nx"},
        {"...\r\n", ""},
        {"", ""},
    };
    for (const auto& [text, trimmed] : cases) EXPECT_EQ(TrimSystemErrorText(text), trimmed) << text;
}

}  // namespace
}  // namespace vellum
