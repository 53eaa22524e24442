#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "bridge/browser_external_form.h"
#include "core/text/utf.h"
#include "platform/win32/host_menu_win32.h"
#include "platform/win32/wide_string.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TBrowserExternalForm";
constexpr UINT kTrayIconId = 1;
constexpr UINT_PTR kSubclassId = 0x564C4D4D;  // "VLMM"

// Copies as much of `text` as fits, ending on a whole character.
template <std::size_t N>
void CopyTruncated(wchar_t (&target)[N], const std::wstring& text) {
    std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
    if (length > 0 && length < text.size() && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
    text.copy(target, length);
    target[length] = L'\0';
}

// The hidden form's window, menus and tray icon. The window receives the tray icon's messages
// and owns the tray menu while it is open; the main window, whose menu bar the main menu
// becomes, is subclassed to hand the menu bar's commands here.
class TBrowserExternalFormWindow final : public TBrowserExternalForm, private IMenuService, private IWindowHandler {
public:
    explicit TBrowserExternalFormWindow(HWND mainWindow) : mainWindow_(mainWindow) {
        RegisterWindowClass({.Name = kWindowClass, .Cursor = nullptr});
        const std::u16string caption = Utf8ToUtf16(kCaption);
        // Created without WS_VISIBLE and never shown.
        window_ = CreateBoundWindow(*this, WS_EX_TOOLWINDOW, kWindowClass,
                                    reinterpret_cast<const wchar_t*>(caption.c_str()), WS_OVERLAPPED, 0, 0, 100, 100,
                                    nullptr);
        taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
        icon_ = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
        if (icon_ == nullptr) icon_ = LoadIconW(nullptr, IDI_APPLICATION);
        if (mainWindow_ != nullptr)
            SetWindowSubclass(mainWindow_, MainWindowProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TBrowserExternalFormWindow() override {
        if (iconShown_) ShellNotify(NIM_DELETE);
        if (mainWindow_ != nullptr && IsWindow(mainWindow_)) {
            RemoveWindowSubclass(mainWindow_, MainWindowProc, kSubclassId);
            if (menuBarShown_) {
                SetMenu(mainWindow_, nullptr);
                DrawMenuBar(mainWindow_);
            }
        } else if (menuBarShown_) {
            mainMenu_.Forget();  // destroyed with its window
        }
        if (window_ != nullptr) {
            UnbindWindow(window_);
            DestroyWindow(window_);
        }
    }

    IMenuService* Menus() const override { return const_cast<TBrowserExternalFormWindow*>(this); }
    bool IconVisible() const override { return iconShown_; }

private:
    // IMenuService
    IHostMenu& MainMenu() override { return mainMenu_; }
    IHostMenu& TrayMenu() override { return trayMenu_; }
    void ShowMainMenuBar() override {
        if (menuBarShown_ || mainWindow_ == nullptr) return;
        menuBarShown_ = true;
        PutMenuBar();
    }
    bool SetIconVisible(bool visible) override {
        if (visible == iconShown_) return true;
        if (!ShellNotify(visible ? NIM_ADD : NIM_DELETE)) return false;
        iconShown_ = visible;
        return true;
    }
    void SetIconTooltip(const std::string& tooltip) override {
        tooltip_ = Wide(tooltip);
        if (iconShown_) ShellNotify(NIM_MODIFY);
    }

    bool ShellNotify(DWORD message) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window_;
        data.uID = kTrayIconId;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = kTrayCallbackMessage;
        data.hIcon = icon_;
        CopyTruncated(data.szTip, tooltip_);
        return window_ != nullptr && Shell_NotifyIconW(message, &data) != FALSE;
    }

    void PutMenuBar() {
        if (!menuBarShown_) return;
        SetMenu(mainWindow_, mainMenu_.Handle());
        DrawMenuBar(mainWindow_);
    }

    int ImageSide(HWND window) const {
        const UINT dpi = window != nullptr ? GetDpiForWindow(window) : 0;
        return MulDiv(16, dpi == 0 ? 96 : static_cast<int>(dpi), 96);
    }

    void ShowTrayMenu() {
        // The menu closes when the user clicks elsewhere only if its window is in front.
        SetForegroundWindow(window_);
        POINT at{};
        GetCursorPos(&at);
        trayMenu_.BeginTracking();
        const UINT command = static_cast<UINT>(TrackPopupMenu(
            trayMenu_.Handle(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
        PostMessageW(window_, WM_NULL, 0, 0);
        trayMenu_.EndTracking();
        trayMenu_.Choose(command);
    }

    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kTrayCallbackMessage) {
            switch (LOWORD(lParam)) {
                case WM_LBUTTONDOWN: leftPressed_ = true; break;
                case WM_LBUTTONUP:
                    // The release after a double click's second press raises nothing more.
                    if (leftPressed_ && OnTrayIconClick) OnTrayIconClick();
                    leftPressed_ = false;
                    break;
                case WM_LBUTTONDBLCLK: leftPressed_ = false; break;
                case WM_RBUTTONUP: ShowTrayMenu(); break;
                default: break;
            }
            return 0;
        }
        if (message == taskbarCreated_ && taskbarCreated_ != 0 && iconShown_) {
            ShellNotify(NIM_ADD);  // the shell restarted and lost the icon
            return 0;
        }
        if (message == WM_DESTROY) window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }

    static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
        auto* self = reinterpret_cast<TBrowserExternalFormWindow*>(data);
        switch (message) {
            case WM_COMMAND:
                if (HIWORD(wParam) == 0 && lParam == 0 && self->menuBarShown_ && self->mainMenu_.Choose(LOWORD(wParam)))
                    return 0;
                break;
            case WM_ENTERMENULOOP: self->mainMenu_.BeginTracking(); break;
            case WM_EXITMENULOOP: self->mainMenu_.EndTracking(); break;
            case WM_DPICHANGED: {
                const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
                self->mainMenu_.Refresh();
                self->trayMenu_.Refresh();
                return result;
            }
            default: break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    static constexpr UINT kTrayCallbackMessage = WM_APP + 1;

    HWND mainWindow_;
    HWND window_ = nullptr;
    HICON icon_ = nullptr;
    UINT taskbarCreated_ = 0;
    std::wstring tooltip_;
    bool iconShown_ = false;
    bool leftPressed_ = false;
    bool menuBarShown_ = false;
    TWin32HostMenu mainMenu_{true, [this] { return ImageSide(mainWindow_ != nullptr ? mainWindow_ : window_); },
                             [this] { PutMenuBar(); }};
    TWin32HostMenu trayMenu_{false, [this] { return ImageSide(window_); }, nullptr};
};

}  // namespace

std::unique_ptr<TBrowserExternalForm> CreateBrowserExternalForm(void* mainWindow) {
    return std::make_unique<TBrowserExternalFormWindow>(static_cast<HWND>(mainWindow));
}

}  // namespace vellum
