// The bridge's dispatcher and request queue on recording fakes: what the page gets back, in
// which order, and when.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "bridge/bridge_arguments.h"
#include "bridge/function_ids.h"
#include "bridge_fixture.h"
#include "core/errors.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;

class BridgeDispatcher : public TBridgeFixture {};

// Reads "    name: function (args) { return window.vlm.call(30001, args); }" lines, each inside
// its namespace's "    files: {" block, as "files.name 30001 object".
std::vector<std::string> LibraryFunctions(const std::string& library) {
    std::vector<std::string> found;
    std::string space;
    std::istringstream lines(library);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t name = line.find_first_not_of(' ');
        if (name == std::string::npos) continue;
        if (name == 4 && line.size() > 2 && line.compare(line.size() - 3, 3, ": {") == 0)
            space = line.substr(4, line.size() - 7) + ".";
        if (name == 4 && line[4] == '}') space.clear();
        const std::size_t colon = line.find(": function (");
        const std::size_t call = line.find(".call(");
        if (colon == std::string::npos || call == std::string::npos) continue;
        const std::size_t comma = line.find(", ", call);
        const std::string id = line.substr(call + 6, comma - call - 6);
        const bool passesArgs = line.compare(comma + 2, 4, "args") == 0;
        found.push_back(space + line.substr(name, colon - name) + " " + id + (passesArgs ? " object" : " none"));
    }
    return found;
}

TEST(BridgeFunctionTable, MatchesThePageLibrary) {
    std::ifstream file(VELLUM_SOURCE_DIR "/resources/vlm.js", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    ASSERT_FALSE(text.str().empty());
    std::vector<std::string> expected;
    for (const TFunctionInfo& info : kFunctionTable)
        expected.push_back(std::string(info.Member) + " " + std::to_string(static_cast<int>(info.Id)) +
                           (info.TakesData ? " object" : " none"));
    EXPECT_EQ(LibraryFunctions(text.str()), expected);
}

TEST_F(BridgeDispatcher, AnswersByIdentifierAndDropsWhatNoFunctionHas) {
    struct TCase {
        const char* Json;
        std::vector<std::string> Answers;
    };
    const TCase cases[] = {
        {R"({"id":10002,"uuid":"u","data":{}})", {Success("true")}},
        {R"({"id":"10001","uuid":"u","data":{}})", {Success("\"2025.10\"")}},
        {R"({"id":10002.5,"uuid":"u","data":{}})", {}},
        {R"({"id":"1000x","uuid":"u","data":{}})", {}},
        {R"({"id":99999,"uuid":"u","data":{}})", {}},
        {R"({"id":4294977297,"uuid":"u","data":{}})", {}},
        {R"({"id":80004,"uuid":"u","data":{}})", {}},  // in the themes' range, but no function
        {R"({"id":10002,"uuid":7,"data":{}})", {R"({"uuid": "7", "success": true, "result": true})"}},
    };
    for (const TCase& item : cases) EXPECT_EQ(Send(item.Json), item.Answers) << item.Json;
}

TEST_F(BridgeDispatcher, MalformedRequestsRaiseAndTheNextOneIsAnswered) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"uuid":"u","data":{}})", "Value 'id' not found"},
        {R"({"id":10002,"data":{}})", "Value 'uuid' not found"},
        {R"({"id":10002,"uuid":"u"})", "Value 'data' not found"},
        {"not json", "Value 'id' not found"},
        {R"("vlm-webbrowser-clicked")", "Value 'id' not found"},
        {R"({"id":10002,"uuid":"u","data":[1]})", "Value 'data' is not an object"},
        {R"({"id":{},"uuid":"u","data":{}})", "Value 'id' is not a text, number or Boolean"},
        {R"({"id":60006,"uuid":"u","data":{"title":{}}})", "Value 'title' is not a text, number or Boolean"},
    };
    for (const auto& [json, error] : cases) {
        SCOPED_TRACE(json);
        try {
            Send(json, json[0] == '"' ? "vlm-webbrowser-clicked" : "");
            ADD_FAILURE() << "expected the request to raise";
        } catch (const EVellumError& raised) {
            EXPECT_STREQ(raised.what(), error);
        }
        EXPECT_TRUE(page.Answers.empty());
        EXPECT_EQ(Send(Request(10002)), std::vector<std::string>{Success("true")}) << "the bridge goes on";
        page.Answers.clear();
    }
    EXPECT_TRUE(focused.empty()) << "runtime mode: the click string is not a click";
}

TEST_F(BridgeDispatcher, RequestsWaitUntilTheEngineEventHasReturnedAndKeepTheirOrder) {
    module->EdgeBrowserWebMessageReceived({"", R"({"id":10001,"uuid":"a","data":{}})"});
    module->EdgeBrowserWebMessageReceived({"", R"({"id":10002,"uuid":"b","data":{}})"});
    EXPECT_TRUE(page.Answers.empty()) << "nothing runs inside the engine's event";
    EXPECT_EQ(module->Requests().Pending(), 2u);
    queue.Pump();
    EXPECT_EQ(page.Answers, (std::vector<std::string>{R"({"uuid": "a", "success": true, "result": "2025.10"})",
                                                      R"({"uuid": "b", "success": true, "result": true})"}));
}

TEST_F(BridgeDispatcher, ARequestArrivingWhileABoxIsUpWaitsForTheBoxToClose) {
    module->ExeZip = nullptr;  // preview mode: a runtime-only function shows its box
    dialogs.WhileShown = [this] {
        module->EdgeBrowserWebMessageReceived({"", R"({"id":10002,"uuid":"later","data":{}})"});
        queue.Pump();  // the box's own message loop
        EXPECT_TRUE(page.Answers.empty()) << "not dispatched while the box is up";
    };
    Send(Request(60003));
    EXPECT_EQ(dialogs.Closed, std::vector<std::string>{"Calls to vlm.window.getState() works only at runtime."});
    EXPECT_EQ(page.Answers, std::vector<std::string>{R"({"uuid": "later", "success": true, "result": false})"});
}

TEST_F(BridgeDispatcher, AppCloseAsksToCloseOnceAndNothingQueuedAfterItRuns) {
    int closeRequests = 0;
    module->OnAppCloseRequest = [&](TBrowserExternalModule* sender) {
        EXPECT_EQ(sender, module.get());
        ++closeRequests;
    };
    module->EdgeBrowserWebMessageReceived({"", R"({"id":10002,"uuid":"before","data":{}})"});
    module->EdgeBrowserWebMessageReceived({"", R"({"id":50001,"uuid":"close","data":{}})"});
    module->EdgeBrowserWebMessageReceived({"", R"({"id":60001,"uuid":"after","data":{}})"});
    queue.Pump();
    EXPECT_EQ(closeRequests, 1);
    EXPECT_EQ(page.Answers, std::vector<std::string>{R"({"uuid": "before", "success": true, "result": true})"});
    module->EdgeBrowserWebMessageReceived({"", Request(10002)});
    queue.Pump();
    EXPECT_EQ(page.Answers.size(), 1u) << "the window is closing";
}

TEST_F(BridgeDispatcher, ALateQueuedDispatchAfterTheModuleIsGoneDoesNothing) {
    module->EdgeBrowserWebMessageReceived({"", Request(10002)});
    module.reset();
    EXPECT_EQ(queue.Pump(), 1);
    EXPECT_TRUE(page.Answers.empty());
}

TEST_F(BridgeDispatcher, PreviewModeShowsTheBoxOfRuntimeOnlyFunctionsAndTurnsClicksIntoFocus) {
    module->ExeZip = nullptr;
    Send("\"vlm-webbrowser-clicked\"", "vlm-webbrowser-clicked");
    EXPECT_EQ(focused, std::vector<int>{2});
    EXPECT_EQ(page.FocusRequests, 1);
    EXPECT_EQ(Send(Request(10002)), std::vector<std::string>{Success("false")});
    EXPECT_EQ(Send(Request(60001)), std::vector<std::string>{Success("\"normal\"")}) << "not runtime-only";
    const char* const runtimeOnly[][2] = {
        {"50003", "app.enterFullscreen"}, {"50004", "app.exitFullscreen"}, {"50005", "app.getArgs"},
        {"60002", "window.setStyle"},     {"60003", "window.getState"},    {"60004", "window.setState"},
        {"60006", "window.setTitle"},     {"60009", "window.getSize"},     {"60010", "window.setSize"},
        {"60011", "window.getBorder"},    {"60012", "window.setBorder"},
    };
    for (const auto& [id, member] : runtimeOnly) {
        dialogs.Messages.clear();
        EXPECT_TRUE(Send(Request(std::stoi(id), R"({"style":"ontop"})")).empty()) << member;
        EXPECT_EQ(dialogs.Messages, std::vector<std::string>{std::string("Calls to vlm.") + member +
                                                             "() works only at runtime."});
    }
    EXPECT_TRUE(window.Calls.empty()) << "nothing reached the window";
}

}  // namespace
}  // namespace vellum

namespace vellum {
namespace {

// JSON.stringify of a string with half a surrogate pair writes a lone escape, which the JSON
// reader refuses; the request must still be answered, with U+FFFD for the broken half.
TEST_F(BridgeDispatcher, UnpairedSurrogateEscapesBecomeTheReplacementCharacter) {
    struct TCase {
        const char* Title;  // as it stands in the request's JSON
        const char* Caption;
    };
    const TCase cases[] = {
        {R"(a\ud800b)", "a\xEF\xBF\xBD" "b"},
        {R"(a\udc00b)", "a\xEF\xBF\xBD" "b"},
        {R"(\uD83D\u0041)", "\xEF\xBF\xBD" "A"},
        {R"(\ud800\ud83d\ude00)", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {R"(\ude00\ud83d)", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {R"(end\ud800)", "end\xEF\xBF\xBD"},
        {R"(\ud83d\ude00)", "\xF0\x9F\x98\x80"},
        {R"(\\ud800)", R"(\ud800)"},
        {R"(\\\ud800)", "\\\xEF\xBF\xBD"},
        {R"(\"\ud800\")", "\"\xEF\xBF\xBD\""},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(item.Title);
        EXPECT_EQ(Send(Request(60006, std::string(R"({"title":")") + item.Title + "\"}")),
                  std::vector<std::string>{Success("true")});
        EXPECT_EQ(window.WindowCaption, item.Caption);
    }
    EXPECT_EQ(Send(R"({"id":10002,"uuid":"\ud800","data":{}})"),
              std::vector<std::string>{"{\"uuid\": \"\xEF\xBF\xBD\", \"success\": true, \"result\": true}"})
        << "the answer names the repaired uuid";
}

}  // namespace
}  // namespace vellum
