#pragma once

#include <windows.h>

#include <shellapi.h>

#include <functional>
#include <string>

#include "bridge/services/notification_service.h"
#include "platform/win32/window_class.h"

namespace vellum {

// Notifications as balloons of a notification-area icon, where the toast platform is missing
// (Windows 7, Wine). The icon belongs to this notifier alone (its own message-only window and
// icon identifier, apart from the page's tray icon); it is added with the first balloon and
// removed when the notifier goes.
//
// The shell shows one balloon per icon at a time and a click on it (NIN_BALLOONUSERCLICK) does
// not say which balloon it was: a click is reported with the name of the latest balloon shown.
class TBalloonNotifier final : private IWindowHandler {
public:
    static constexpr const wchar_t* kWindowClass = L"TVellumNotificationBalloon";
    static constexpr UINT kIconId = 0x564E;
    static constexpr UINT kCallbackMessage = WM_APP + 0x4E;

    // The shell's Shell_NotifyIconW; a test may watch the calls.
    using TShellNotify = std::function<BOOL(DWORD message, NOTIFYICONDATAW& data)>;

    // `tip` is the icon's tool tip (the application's name). Clicks reach `onClick` on the
    // thread that created the notifier (its window's thread).
    TBalloonNotifier(const std::string& tip, std::function<void(const std::string& name)> onClick,
                     TShellNotify shellNotify = nullptr);
    ~TBalloonNotifier() override;
    TBalloonNotifier(const TBalloonNotifier&) = delete;
    TBalloonNotifier& operator=(const TBalloonNotifier&) = delete;

    // Shows the balloon; false when the shell refused it (no notification area).
    bool Show(const TNotification& notification);
    HWND Window() const { return window_; }

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    NOTIFYICONDATAW IconData() const;

    std::wstring tip_;
    std::function<void(const std::string& name)> onClick_;
    TShellNotify shellNotify_;
    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    bool iconAdded_ = false;
    std::string latestName_;
    bool balloonUp_ = false;  // a balloon was shown and not yet clicked
};

}  // namespace vellum
