// system.notification as a table of request -> answer and what the desktop was asked to show,
// and the click coming back to the page as a script.
#include <gtest/gtest.h>

#include "bridge_fixture.h"

namespace vellum {
namespace {

using testing::TBridgeFixture;

class NotificationFunctions : public TBridgeFixture {};

std::vector<std::string> Ok(const std::string& result) {
    return {"{\"uuid\": \"u\", \"success\": true, \"result\": " + result + "}"};
}

TEST_F(NotificationFunctions, PresentsWhatThePageGaveAndAnswersTrue) {
    const std::pair<const char*, TNotification> cases[] = {
        {"{}", {"", "", ""}},  // no arguments: an empty notification is still presented
        {R"({"name":"n1","title":"Build","body":"Finished"})", {"n1", "Build", "Finished"}},
        {R"({"name":"","title":"","body":""})", {"", "", ""}},
        {R"({"name":null,"title":null,"body":null})", {"", "", ""}},
        {R"({"name":12,"title":true,"body":1.5})", {"12", "true", "1.5"}},
        {R"({"name":false,"title":7,"body":"a\"b<c>&\n"})", {"false", "7", "a\"b<c>&\n"}},
        {R"({"title":"Grüße ✓","other":[1]})", {"", "Grüße ✓", ""}},
    };
    for (const auto& [data, expected] : cases) {
        SCOPED_TRACE(data);
        notifications.Shown.clear();
        EXPECT_EQ(Send(Request(11005, data)), Ok("true"));
        EXPECT_EQ(notifications.Shown, std::vector<TNotification>{expected});
    }
}

TEST_F(NotificationFunctions, AnswersFalseWhenTheDesktopHasNoNotifications) {
    notifications.Available = false;
    EXPECT_EQ(Send(Request(11005, R"({"name":"n","title":"t","body":"b"})")), Ok("false"));
    EXPECT_TRUE(notifications.Shown.empty());
}

TEST_F(NotificationFunctions, AnswersFalseWithoutANotificationService) {
    TBridgeServices services;
    TBrowserExternalModule bare(std::move(services), queue);
    bare.ExeZip = &archive;
    bare.BrowserForm = &page;
    bare.EdgeBrowserWebMessageReceived(TPageMessage{"", Request(11005)});
    queue.Pump();
    EXPECT_EQ(page.Answers, Ok("false"));
}

TEST_F(NotificationFunctions, ArgumentsThatAreObjectsOrArraysGetNoAnswerAndShowNothing) {
    for (const char* key : {"name", "title", "body"}) {
        for (const char* value : {"{}", "[]", "[1]", R"({"a":1})"}) {
            const std::string data = std::string("{\"") + key + "\":" + value + "}";
            SCOPED_TRACE(data);
            EXPECT_ANY_THROW(Send(Request(11005, data)));
            EXPECT_TRUE(page.Answers.empty());
        }
    }
    EXPECT_TRUE(notifications.Shown.empty());
    EXPECT_EQ(Send(Request(11005)), Ok("true")) << "the next request is answered";
}

TEST_F(NotificationFunctions, AClickRunsTheClickScriptWithTheNameAsAStringLiteral) {
    // Each name as the page sent it (JSON), and the script the page then runs.
    const std::pair<const char*, const char*> cases[] = {
        {R"("done")", R"(vlm.events.onNotificationClick("done");)"},
        {R"("")", R"(vlm.events.onNotificationClick("");)"},
        {R"("say \"hi\"")", R"(vlm.events.onNotificationClick("say \"hi\"");)"},
        {R"("C:\\dir\\")", R"(vlm.events.onNotificationClick("C:\\dir\\");)"},
        {R"("a\nb\r\nc")", R"(vlm.events.onNotificationClick("a\nb\r\nc");)"},
        {R"("\u2028\u2029")", R"(vlm.events.onNotificationClick("\u2028\u2029");)"},
        {R"("</script><script>alert(1)</script>")",
         R"(vlm.events.onNotificationClick("</script><script>alert(1)</script>");)"},
        {R"("\"); alert(1); (\"")", R"(vlm.events.onNotificationClick("\"); alert(1); (\"");)"},
    };
    for (const auto& [name, script] : cases) {
        SCOPED_TRACE(name);
        notifications.Shown.clear();
        page.Scripts.clear();
        ASSERT_EQ(Send(Request(11005, std::string("{\"name\":") + name + "}")), Ok("true"));
        EXPECT_TRUE(page.Scripts.empty()) << "nothing runs before the click";
        notifications.Click(0);
        EXPECT_EQ(page.Scripts, std::vector<std::string>{script});
    }
}

TEST_F(NotificationFunctions, EachClickNamesItsOwnNotification) {
    Send(Request(11005, R"({"name":"first"})"));
    Send(Request(11005, R"({"name":"second"})"));
    notifications.Click(1);
    notifications.Click(0);
    notifications.Click(1);
    EXPECT_EQ(page.Scripts, (std::vector<std::string>{R"(vlm.events.onNotificationClick("second");)",
                                                      R"(vlm.events.onNotificationClick("first");)",
                                                      R"(vlm.events.onNotificationClick("second");)"}));
}

TEST_F(NotificationFunctions, AClickAfterTheModuleIsGoneRaisesNothing) {
    Send(Request(11005, R"({"name":"late"})"));
    ASSERT_TRUE(notifications.OnClick);
    module.reset();
    EXPECT_FALSE(notifications.OnClick) << "the module let go of the service";
    notifications.Click(0);  // under ASan: no use of the freed module
    EXPECT_TRUE(page.Scripts.empty());
}

TEST_F(NotificationFunctions, AClickWhileThePageIsGoneRaisesNothing) {
    Send(Request(11005, R"({"name":"n"})"));
    module->BrowserForm = nullptr;
    notifications.Click(0);
    EXPECT_TRUE(page.Scripts.empty());
}

}  // namespace
}  // namespace vellum
