// The app and window functions as tables of request -> answer and what reached the window.
#include <gtest/gtest.h>

#include "bridge/number_text.h"
#include "bridge_fixture.h"
#include "core/settings/app_settings.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;

class AppWindowFunctions : public TBridgeFixture {};

using TCalls = std::vector<std::string>;

struct TCase {
    int Id;
    const char* Data;
    std::vector<std::string> Answers;  // whole answer texts; empty: no answer
    TCalls Calls;                      // what reached the window, in order
};

std::vector<std::string> Ok(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}"};
}

TEST_F(AppWindowFunctions, AnswerAndWindowEffects) {
    const TCase cases[] = {
        {10001, "{}", Ok("\"2025.10\""), {}},
        {60001, "{}", Ok("\"normal\""), {}},
        {60002, R"({"style":"ontop"})", Ok("true"), {"SetStaysOnTop(true)"}},
        {60002, R"({"style":"OnTop"})", Ok("true"), {"SetStaysOnTop(false)"}},
        {60002, "{}", Ok("true"), {"SetStaysOnTop(false)"}},
        {60003, "{}", Ok("\"normal\""), {}},
        {60004, R"({"state":"maximized"})", Ok("true"), {"SetState(maximized)"}},
        {60004, R"({"state":"minimized"})", Ok("true"), {"SetState(minimized)"}},
        {60004, R"({"state":"hidden"})", Ok("true"), {}},
        {60004, R"({"state":"Normal"})", Ok("true"), {}},
        {60004, "{}", Ok("true"), {"SetState(normal)"}},
        {60005, "{}", Ok("\"Hello\""), {}},
        {60006, R"({"title":"Say \"hi\" \\ bye"})", Ok("true"), {"SetCaption(Say \"hi\" \\ bye)"}},
        {60006, "{}", Ok("true"), {"SetCaption()"}},
        {60006, R"({"title":12})", Ok("true"), {"SetCaption(12)"}},
        {60009, "{}", Ok(R"({"top": 50, "left": 100, "width": 800, "height": 600})"), {}},
        {60010, R"({"width":640})", Ok("true"), {"SetBounds(100,50,640,600)"}},
        {60010, R"({"top":"120.7","left":"abc","width":"$1E0","height":"0x1E0"})", Ok("true"),
         {"SetBounds(0,120,480,480)"}},
        {60010, R"({"top":"  -5px","left":"","width":99999999999,"height":-99999999999})", Ok("true"),
         {"SetBounds(0,-5,2147483647,-2147483648)"}},
        {60011, "{}", Ok("\"sizeable\""), {}},
        {60012, R"({"border":"dialog"})", {}, {"SetBorderStyle(3)"}},
        {60012, R"({"border":"Dialog"})", {}, {}},
        {60012, "{}", {}, {"SetBorderStyle(2)"}},
        {50006, R"({"url":"file:///page2.html"})", Ok("true"), {}},
        {50006, "{}", {"{\"uuid\": \"u\", \"success\": false, \"result\": \"Missing url\"}"}, {}},
        {50006, R"({"url":""})", {"{\"uuid\": \"u\", \"success\": false, \"result\": \"Missing url\"}"}, {}},
    };
    for (const TCase& item : cases) {
        SCOPED_TRACE(std::to_string(item.Id) + " " + item.Data);
        CreateModule();
        window = testing::TRecordingMainWindow();
        EXPECT_EQ(Send(Request(item.Id, item.Data)), item.Answers);
        EXPECT_EQ(window.Calls, item.Calls);
    }
    EXPECT_EQ(page.Navigations, std::vector<std::string>{"file:///page2.html"});
}

TEST_F(AppWindowFunctions, TheAnswersReadTheWindowAfterItChanged) {
    Send(Request(60012, R"({"border":"toolwindow"})"));
    Send(Request(60002, R"({"style":"ontop"})"));
    Send(Request(60004, R"({"state":"minimized"})"));
    EXPECT_EQ(Send(Request(60011)), Ok("\"toolwindow\""));
    EXPECT_EQ(Send(Request(60001)), Ok("\"ontop\""));
    EXPECT_EQ(Send(Request(60003)), Ok("\"minimized\""));
}

TEST_F(AppWindowFunctions, StateChangesShowOrHideTheWindowOnlyWithATrayIcon) {
    trayIconVisible = true;
    CreateModule();
    Send(Request(60004, R"({"state":"minimized"})"));
    Send(Request(60004, R"({"state":"normal"})"));
    Send(Request(60004, R"({"state":"maximized"})"));
    EXPECT_EQ(window.Calls, (TCalls{"SetState(minimized)", "Hide", "SetState(normal)", "ShowAndBringToFront",
                                    "SetState(maximized)", "ShowAndBringToFront"}));
}

TEST_F(AppWindowFunctions, FullscreenIsEnteredOnceAndLeftToTheConfiguredBorder) {
    TAppSettings settings;
    settings.SetStrings({"[App]", "WindowBorder=4"});
    module->ProjectINI = &settings;
    EXPECT_TRUE(Send(Request(50004)).empty());
    EXPECT_TRUE(window.Calls.empty()) << "not in fullscreen: nothing changes";
    EXPECT_TRUE(Send(Request(50003)).empty());
    EXPECT_TRUE(Send(Request(50003)).empty());
    EXPECT_EQ(Send(Request(50002)), Ok("true"));
    EXPECT_EQ(window.Calls, (TCalls{"SetBorderStyle(0)", "SetState(maximized)"})) << "the second call does nothing";
    Send(Request(60012, R"({"border":"dialog"})"));
    EXPECT_TRUE(Send(Request(50004)).empty());
    EXPECT_EQ(Send(Request(50002)), Ok("false"));
    EXPECT_EQ(window.Calls, (TCalls{"SetBorderStyle(0)", "SetState(maximized)", "SetBorderStyle(3)",
                                    "SetState(normal)", "SetBorderStyle(4)"}));
    module->ProjectINI = nullptr;
}

TEST_F(AppWindowFunctions, ExitFullscreenWithoutSettingsOrWithABadBorderIsSizeable) {
    TAppSettings settings;
    settings.SetStrings({"[App]", "WindowBorder=9"});
    const TAppSettings* const configurations[] = {nullptr, &settings};
    for (const TAppSettings* configured : configurations) {
        CreateModule();
        window = testing::TRecordingMainWindow();
        module->ProjectINI = configured;
        module->InFullscreen = true;
        Send(Request(50004));
        EXPECT_EQ(window.Calls, (TCalls{"SetState(normal)", "SetBorderStyle(2)"}));
    }
}

TEST_F(AppWindowFunctions, GetArgsListsTheExecutableThenEachArgument) {
    EXPECT_EQ(Send(Request(50005)), Ok(R"(["C:\\apps\\hello\\Hello.exe"])"));
    arguments = {"HelloApp", "file:///a b.html", "say \"x\""};
    CreateModule();
    EXPECT_EQ(Send(Request(50005)),
              Ok(R"(["C:\\apps\\hello\\Hello.exe","HelloApp","file:\/\/\/a b.html","say \"x\""])"));
}

TEST_F(AppWindowFunctions, ZoomIsReadInTheUsersLocaleAndSetInvariantly) {
    const std::tuple<double, const char*, const char*> reads[] = {
        {1.25, ".", "\"1.25\""}, {1.25, ",", "\"1,25\""}, {1.0, ",", "\"1\""}, {0.1, ".", "\"0.1\""}, {3, ".", "\"3\""}};
    for (const auto& [factor, separator, answer] : reads) {
        page.Zoom = factor;
        decimalSeparator = separator;
        EXPECT_EQ(Send(Request(60007)), Ok(answer)) << factor << separator;
    }
    decimalSeparator = ",";
    const std::tuple<const char*, double, const char*> writes[] = {
        {R"({"factor":1.5})", 1.5, "true"},   {R"({"factor":"1.5"})", 1.5, "true"}, {R"({"factor":" 2 "})", 2, "true"},
        {R"({"factor":"1,5"})", 1, "false"},  {R"({"factor":"abc"})", 1, "false"},  {"{}", 1, "false"},
        {R"({"factor":""})", 1, "false"},     {R"({"factor":"inf"})", 1, "false"},  {R"({"factor":true})", 1, "false"},
        {R"({"factor":"1e0"})", 1, "true"},
    };
    for (const auto& [data, factor, answer] : writes) {
        page.Zoom = 3;
        EXPECT_EQ(Send(Request(60008, data)), Ok(answer)) << data;
        EXPECT_EQ(page.Zoom, factor) << data;
    }
}

TEST_F(AppWindowFunctions, ArgumentsThatAreObjectsOrArraysGetNoAnswerAndChangeNothing) {
    const std::pair<int, const char*> cases[] = {
        {60002, "style"}, {60004, "state"}, {60006, "title"}, {60008, "factor"},
        {60010, "width"}, {60012, "border"}, {50006, "url"},
    };
    for (const auto& [id, key] : cases) {
        for (const char* value : {"{}", "[]", "[1]", R"({"a":1})"}) {
            const std::string data = std::string("{\"") + key + "\":" + value + "}";
            SCOPED_TRACE(std::to_string(id) + " " + data);
            EXPECT_ANY_THROW(Send(Request(id, data)));
            EXPECT_TRUE(page.Answers.empty());
        }
    }
    EXPECT_TRUE(window.Calls.empty());
    EXPECT_TRUE(page.Navigations.empty());
    EXPECT_TRUE(page.ZoomSettings.empty());
    EXPECT_EQ(Send(Request(10002)), Ok("true")) << "the next request is answered";
}

TEST(NumberText, LenientIntegersAndInvariantNumbers) {
    const std::pair<const char*, std::int32_t> integers[] = {
        {"120.7", 120}, {"abc", 0}, {"", 0},       {"  42", 42},     {"-17x", -17},        {"+8", 8},
        {"$1E0", 480},  {"0x1E0", 480}, {"0X1e0", 480}, {"$", 0}, {"99999999999", 2147483647}, {"-2147483648", -2147483648},
    };
    for (const auto& [text, value] : integers) EXPECT_EQ(LenientToInt32(text), value) << text;
    EXPECT_EQ(ParseInvariantNumber("1.25"), 1.25);
    EXPECT_EQ(ParseInvariantNumber("-0.5"), -0.5);
    for (const char* bad : {"1,5", "1.5x", "nan", "+-1", "1 2", ""}) EXPECT_FALSE(ParseInvariantNumber(bad)) << bad;
    EXPECT_EQ(FormatGeneralNumber(1.0 / 3, ","), "0,333333333333333");
}

}  // namespace
}  // namespace vellum
