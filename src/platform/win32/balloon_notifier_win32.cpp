#include "platform/win32/balloon_notifier_win32.h"

#include <cwchar>

#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

// Copies as much of `text` as fits, ending on a whole character (never half a surrogate pair).
template <std::size_t N>
void CopyTruncated(wchar_t (&target)[N], const std::wstring& text) {
    std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    text.copy(target, length);
    target[length] = L'\0';
}

}  // namespace

TBalloonNotifier::TBalloonNotifier(const std::string& tip, std::function<void(const std::string& name)> onClick,
                                   TShellNotify shellNotify)
    : tip_(Wide(tip)), onClick_(std::move(onClick)), shellNotify_(std::move(shellNotify)) {
    if (!shellNotify_)
        shellNotify_ = [](DWORD message, NOTIFYICONDATAW& data) { return Shell_NotifyIconW(message, &data); };
    RegisterWindowClass({.Name = kWindowClass, .Cursor = nullptr});
    window_ = CreateBoundWindow(*this, 0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE);
    icon_ = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    if (icon_ == nullptr) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
}

TBalloonNotifier::~TBalloonNotifier() {
    if (iconAdded_) {
        NOTIFYICONDATAW data = IconData();
        shellNotify_(NIM_DELETE, data);
    }
    if (window_ != nullptr) {
        UnbindWindow(window_);
        DestroyWindow(window_);
    }
}

NOTIFYICONDATAW TBalloonNotifier::IconData() const {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window_;
    data.uID = kIconId;
    return data;
}

bool TBalloonNotifier::Show(const TNotification& notification) {
    if (window_ == nullptr) return false;
    NOTIFYICONDATAW data = IconData();
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    data.uCallbackMessage = kCallbackMessage;
    data.hIcon = icon_;
    CopyTruncated(data.szTip, tip_);
    CopyTruncated(data.szInfoTitle, Wide(notification.Title));
    // An empty text would remove the balloon instead of showing one.
    const std::wstring body = Wide(notification.Body);
    CopyTruncated(data.szInfo, body.empty() ? std::wstring(L" ") : body);
    data.dwInfoFlags = NIIF_INFO;
    bool shown = false;
    if (iconAdded_) shown = shellNotify_(NIM_MODIFY, data) != FALSE;
    if (!shown) {
        // First balloon, or the shell lost the icon (it restarted): add it again.
        shown = shellNotify_(NIM_ADD, data) != FALSE;
        iconAdded_ = iconAdded_ || shown;
    }
    if (shown) {
        latestName_ = notification.Name;
        balloonUp_ = true;
    }
    return shown;
}

LRESULT TBalloonNotifier::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Before NOTIFYICON_VERSION_4 the event is lParam itself; its low word either way.
    if (message == kCallbackMessage && LOWORD(lParam) == NIN_BALLOONUSERCLICK && balloonUp_) {
        balloonUp_ = false;  // the balloon is gone once clicked
        if (onClick_) onClick_(latestName_);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace vellum
