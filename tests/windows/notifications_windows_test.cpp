// Desktop notifications against Wine: which way they go, the balloon's icon as the shell gets
// it, a balloon click coming back with its name, and the toast registration in the prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/balloon_notifier_win32.h"
#include "platform/win32/notifications_win32.h"
#include "platform/win32/toast_notifier_win32.h"
#include "platform/win32/toast_registration_win32.h"
#include "pump_messages_win32.h"

namespace vellum {
namespace {

using testing::PumpUntil;

// A single-threaded apartment for the length of a test, as the program's OleInitialize gives.
class TApartment {
public:
    TApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~TApartment() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }

private:
    HRESULT result_;
};

struct TShellCall {
    DWORD Message;
    UINT Flags;
    UINT Id;
    std::wstring Title, Text, Tip;
    BOOL Result;
};

// Passes every call on to the shell and keeps what it was given and answered.
TBalloonNotifier::TShellNotify Recording(std::vector<TShellCall>& calls) {
    return [&calls](DWORD message, NOTIFYICONDATAW& data) {
        const BOOL result = Shell_NotifyIconW(message, &data);
        calls.push_back({message, data.uFlags, data.uID, data.szInfoTitle, data.szInfo, data.szTip, result});
        return result;
    };
}

void PostBalloonClick(HWND window) {
    ASSERT_TRUE(PostMessageW(window, TBalloonNotifier::kCallbackMessage, TBalloonNotifier::kIconId,
                             NIN_BALLOONUSERCLICK));
}

TEST(DesktopNotificationsWine, WineHasNoToastPlatformSoBalloonsAreShown) {
    TApartment apartment;
    EXPECT_EQ(TToastNotifier::Load(nullptr), nullptr) << "Wine offers no toast notification manager";
    TDesktopNotifications notifications({.Executable = "C:\\apps\\NotifyProbe.exe", .DisplayName = "Probe"});
    EXPECT_EQ(notifications.Path(), TDesktopNotifications::TPath::Undecided);
    EXPECT_EQ(notifications.BalloonWindow(), nullptr) << "nothing is made before the first notification";
    EXPECT_TRUE(notifications.Show({"n", "Title", "Body"}));
    EXPECT_EQ(notifications.Path(), TDesktopNotifications::TPath::Balloon);
    EXPECT_NE(notifications.BalloonWindow(), nullptr);
    EXPECT_FALSE(std::filesystem::exists(ToastRegistrationFor("C:\\apps\\NotifyProbe.exe").Shortcut))
        << "no toast: nothing is registered";
}

TEST(BalloonNotifierWine, TheIconIsAddedOnceWithEachBalloonsTextsAndRemovedAtTheEnd) {
    std::vector<TShellCall> calls;
    {
        TBalloonNotifier balloons("My App", nullptr, Recording(calls));
        EXPECT_TRUE(balloons.Show({"first", "Build", "Finished <ok> & \"done\""}));
        EXPECT_TRUE(balloons.Show({"second", "", ""}));
        // 62 characters and a surrogate pair: the pair does not fit the 63 the title holds.
        EXPECT_TRUE(balloons.Show({"third", std::string(62, 'x') + "\xF0\x9F\x98\x80", std::string(300, 'b')}));
    }
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].Message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls[0].Flags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO));
    EXPECT_EQ(calls[0].Id, TBalloonNotifier::kIconId);
    EXPECT_EQ(calls[0].Tip, L"My App");
    EXPECT_EQ(calls[0].Title, L"Build");
    EXPECT_EQ(calls[0].Text, L"Finished <ok> & \"done\"") << "balloon text is shown as plain text";
    EXPECT_EQ(calls[1].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[1].Text, L" ") << "an empty text would take the balloon away";
    EXPECT_EQ(calls[2].Title, std::wstring(62, L'x')) << "cut before a character that does not fit whole";
    EXPECT_EQ(calls[2].Message, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls[2].Text, std::wstring(255, L'b'));
    EXPECT_EQ(calls[3].Message, static_cast<DWORD>(NIM_DELETE));
    for (const TShellCall& call : calls) EXPECT_TRUE(call.Result) << "the shell took call " << call.Message;
}

TEST(BalloonNotifierWine, AClickIsReportedWithTheLatestBalloonsNameOnce) {
    std::vector<std::string> clicks;
    TBalloonNotifier balloons("App", [&](const std::string& name) { clicks.push_back(name); });
    PostBalloonClick(balloons.Window());
    PumpUntil([] { return false; }, 200);
    EXPECT_TRUE(clicks.empty()) << "no balloon is up";
    ASSERT_TRUE(balloons.Show({"first \"quoted\"", "t", "b"}));
    ASSERT_TRUE(balloons.Show({"second", "t", "b"}));
    PostBalloonClick(balloons.Window());
    EXPECT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
    PostBalloonClick(balloons.Window());
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(clicks, std::vector<std::string>{"second"}) << "the shell shows only the latest; a clicked one is gone";
    ASSERT_TRUE(balloons.Show({"first \"quoted\"", "t", "b"}));
    PostBalloonClick(balloons.Window());
    EXPECT_TRUE(PumpUntil([&] { return clicks.size() == 2; }));
    EXPECT_EQ(clicks.back(), "first \"quoted\"");
}

TEST(DesktopNotificationsWine, ABalloonClickRaisesOnClickAndNothingOnceTheServiceIsGone) {
    std::vector<std::string> clicks;
    HWND window = nullptr;
    {
        TDesktopNotifications notifications(
            {.Executable = "C:\\apps\\NotifyProbe.exe", .DisplayName = "Probe", .AllowToasts = false});
        notifications.OnClick = [&](const std::string& name) { clicks.push_back(name); };
        ASSERT_TRUE(notifications.Show({"a\\b\n</script>", "t", "b"}));
        window = static_cast<HWND>(notifications.BalloonWindow());
        PostBalloonClick(window);
        EXPECT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
        ASSERT_TRUE(notifications.Show({"late", "t", "b"}));
        PostBalloonClick(window);  // still in the queue when the service goes
    }
    EXPECT_FALSE(IsWindow(window)) << "the service's window went with it";
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(clicks, std::vector<std::string>{"a\\b\n</script>"});
}

TEST(DesktopNotificationsWine, AToastClickOnAPlatformThreadIsRaisedOnTheUiThreadWhileTheSinkLives) {
    IUiQueue& queue = MainThreadUiQueue();  // this thread's, which serves it
    std::vector<std::pair<std::string, DWORD>> raised;
    auto sink = std::make_shared<TClickSink>(
        [&](const std::string& name) { raised.emplace_back(name, GetCurrentThreadId()); });
    const auto click = ClickThroughQueue(sink, queue);
    std::thread([&] { click("from \"elsewhere\""); }).join();
    EXPECT_TRUE(raised.empty()) << "nothing runs on the platform's thread";
    EXPECT_TRUE(PumpUntil([&] { return !raised.empty(); }));
    ASSERT_EQ(raised.size(), 1u);
    EXPECT_EQ(raised[0].first, "from \"elsewhere\"");
    EXPECT_EQ(raised[0].second, GetCurrentThreadId());

    std::thread([&] { click("queued before the end"); }).join();
    sink.reset();  // the service goes while the click waits in the queue
    std::thread([&] { click("after the end"); }).join();
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(raised.size(), 1u);
}

TEST(ToastRegistrationWine, WritesTheShortcutToTheExecutableAndTheActionCenterSetting) {
    TApartment apartment;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path executable = std::filesystem::path(self).parent_path() / L"VellumNotifyProbe.exe";
    const TToastRegistration registration = ToastRegistrationFor(executable);
    ASSERT_FALSE(registration.Shortcut.empty());
    EXPECT_EQ(registration.Shortcut.filename(), L"VellumNotifyProbe.lnk");
    EXPECT_NE(registration.Shortcut.wstring().find(L"Start Menu\\Programs"), std::wstring::npos)
        << registration.Shortcut;
    EXPECT_EQ(registration.AppUserModelId.rfind(L"Vellum.VellumNotifyProbe.", 0), 0u);
    std::filesystem::remove(registration.Shortcut);
    RegDeleteTreeW(HKEY_CURRENT_USER, NotificationSettingsKey(registration.AppUserModelId).c_str());

    ASSERT_TRUE(RegisterToastApplication(registration));
    EXPECT_TRUE(std::filesystem::exists(registration.Shortcut));
    EXPECT_EQ(ShortcutTarget(registration.Shortcut), executable);
    // Wine 8 takes the link's System.AppUserModel.ID but does not keep it in the file, so the
    // identity cannot be read back here (Windows keeps it); the registration is then written
    // again each time, which is harmless.
    EXPECT_EQ(ShortcutAppUserModelId(registration.Shortcut), L"");
    DWORD value = 0, type = 0, size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, NotificationSettingsKey(registration.AppUserModelId).c_str(),
                           L"ShowInActionCenter", RRF_RT_ANY, &type, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1u);

    // A shortcut of that name pointing elsewhere is made to point to this executable again.
    TToastRegistration elsewhere = registration;
    elsewhere.Executable = std::filesystem::path(self).parent_path() / L"Elsewhere.exe";
    ASSERT_TRUE(RegisterToastApplication(elsewhere));
    EXPECT_EQ(ShortcutTarget(registration.Shortcut), elsewhere.Executable);
    EXPECT_TRUE(RegisterToastApplication(registration));
    EXPECT_EQ(ShortcutTarget(registration.Shortcut), executable);

    // Without a place for the shortcut nothing is registered.
    TToastRegistration nowhere = registration;
    nowhere.Shortcut.clear();
    EXPECT_FALSE(RegisterToastApplication(nowhere));

    std::filesystem::remove(registration.Shortcut);
    RegDeleteTreeW(HKEY_CURRENT_USER, NotificationSettingsKey(registration.AppUserModelId).c_str());
}

}  // namespace
}  // namespace vellum
