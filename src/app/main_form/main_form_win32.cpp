#include "app/main_form/main_form_win32.h"

#include "app/startup/load_application.h"
#include "app/startup/startup_messages.h"
#include "bridge/page_event_scripts.h"
#include "browser/shortcut_query_win32.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "core/styles/style_manager.h"
#include "core/system/own_executable.h"
#include "core/text/utf.h"
#include "platform/user_locale.h"
#include "platform/win32/file_dialogs_win32.h"
#include "platform/win32/notifications_win32.h"
#include "platform/win32/themed_window_win32.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TMainForm";
std::string NarrowCaption(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

int Clamped(int value, int minimum, int maximum) {
    if (maximum > 0 && value > maximum) value = maximum;
    if (minimum > 0 && value < minimum) value = minimum;
    return value;
}

}  // namespace

void FrameStyles(int frameKind, DWORD& style, DWORD& exStyle) {
    exStyle = WS_EX_APPWINDOW;
    switch (frameKind) {
        case 0: style = WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
        case 1: style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX; break;
        case 3:
            style = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
            exStyle |= WS_EX_DLGMODALFRAME;
            break;
        case 4:
            style = WS_CAPTION | WS_SYSMENU;
            exStyle |= WS_EX_TOOLWINDOW;
            break;
        case 5:
            style = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
            exStyle |= WS_EX_TOOLWINDOW;
            break;
        default: style = WS_OVERLAPPEDWINDOW; break;
    }
    style |= WS_CLIPCHILDREN;
}

// The preview's folder poll: often enough that a saved file shows at once, rarely enough to
// cost nothing noticeable.
constexpr UINT_PTR kPreviewTimer = 1;
constexpr UINT kPreviewPollMilliseconds = 300;

TMainForm::TMainForm(const TStartupState& state, std::vector<std::string> arguments)
    : state_(state), arguments_(std::move(arguments)), settings_(ReadMainFormSettings(*state.AppSettings)) {}

TMainForm::~TMainForm() {
    if (styleListener_ != 0) StyleManager().RemoveChangeListener(styleListener_);
    FormClose();
    if (window_ != nullptr) {
        UnbindWindow(window_);
        DestroyWindow(window_);
    }
}

void TMainForm::Show() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass({.Name = kWindowClass,
                         .Background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                         .Icon = LoadIconW(instance, L"MAINICON")});
    DWORD style = 0, exStyle = 0;
    const int frameKind = settings_.WindowStyle == 1 ? 0 : settings_.WindowBorder;
    borderStyle_ = BorderStyleFromSetting(frameKind);
    FrameStyles(frameKind, style, exStyle);
    if (settings_.WindowOrder == 1) exStyle |= WS_EX_TOPMOST;
    window_ = CreateBoundWindow(*this, exStyle, kWindowClass, Wide(state_.AppName).c_str(), style, settings_.Left,
                                settings_.Top, settings_.Width, settings_.Height, nullptr);
    if (window_ == nullptr) return;
    WindowCreated(window_);
    ApplyThemeToFrame(window_);
    styleListener_ = StyleManager().AddChangeListener([this] {
        if (window_ != nullptr) ApplyThemeToFrame(window_);
    });
    FormCreate();
    ShowWindow(window_, showCommand_);
    UpdateWindow(window_);
}

void TMainForm::FormCreate() {
    FCanClose = false;
    TBridgeServices services;
    services.Dialogs = this;
    if (!FNotifications) FNotifications = CreateDesktopNotifications(state_.AppName);
    services.Notifications = FNotifications.get();
    FShellService = std::make_unique<TWin32ShellService>();
    services.Shell = FShellService.get();
    FRegistryService = std::make_unique<TWin32RegistryService>();
    services.Registry = FRegistryService.get();
    FStyleService = std::make_unique<TWin32StyleService>();
    services.Styles = FStyleService.get();
    FFileDialogs = std::make_unique<TCommonItemDialogs>();  // as long as the bridge
    services.FileDialogs = FFileDialogs.get();
    services.Host.ExecutablePath = PathToUtf8(RunningExecutable().Path());
    services.Host.Arguments = arguments_;
    services.Host.DecimalSeparator = GetUserDecimalSeparator;
    services.FocusWindowAbovePage = [this](int levels) { FocusWindowAbovePage(levels); };
    // The hidden form puts the main menu on this window.
    services.CreateExternalForm = [window = window_] { return CreateBrowserExternalForm(window); };
    // Shown before the next request runs: what the page asks meanwhile waits behind the box.
    // Under a theme the box is ours, drawn in it; the native look keeps the system's box.
    services.ReportError = [](const std::exception& error) {
        if (StyleManager().ActivePalette() != nullptr)
            ShowStartupDialog(error.what(), TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, {}, "Error");
        else
            MessageBoxW(nullptr, Wide(error.what()).c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    };
    FBrowserExternalModule = std::make_unique<TBrowserExternalModule>(std::move(services));
    FBrowserExternalModule->ExeZip = state_.AppArchive.get();

    FBrowserForm = std::make_unique<TBrowserFormWindow>();
    TBrowserForm& form = FBrowserForm->Form();
    FBrowserForm->EmbedIn(window_);
    form.ExeZip = state_.AppArchive.get();
    form.IsRuntime = !preview_;
    form.AppDirName = state_.AppDirName;
    if (preview_) form.PreviewFolder = preview_->PagesDir;
    form.HandleRequests = true;
    form.RuntimeAppID = state_.AppID;
    form.WithExternal = true;
    form.AllowDebug = settings_.AllowDebug;
    form.AllowZoom = settings_.AllowZoom;
    form.AllowContextMenu = settings_.AllowContextMenu;

    // The form is the page's one receiver of events; the bridge takes its messages from it.
    TBrowserExternalModule* module = FBrowserExternalModule.get();
    form.OnPageMessage = [module](const TPageMessage& message) { module->EdgeBrowserWebMessageReceived(message); };
    form.OnPageTitleChanged = [this](const std::string& title) { DocumentTitleChanged(title); };

    module->MainForm = this;
    module->BrowserForm = &form.Page();
    module->ProjectINI = state_.AppSettings.get();
    module->OnAppCloseRequest = [this](TBrowserExternalModule*) { AppCloseRequest(); };

    if (state_.AppArchive) {
        TMemoryStream script;
        state_.AppArchive->ExtractToStream("vlm-webviewjs", script);
        form.WebviewJavascript = script.ToString();
    }
    SetWindowTextW(window_, Wide(state_.AppName).c_str());
    ApplyFrameAndPlacement();
    form.StartPageURL = ChooseStartPage(arguments_, state_.AppID, state_.AppIndexHtml);
    if (preview_) {
        previewWatch_ = std::make_unique<TFolderWatch>(PathFromUtf8(preview_->ProjectDir));
        SetTimer(window_, kPreviewTimer, kPreviewPollMilliseconds, nullptr);
    }
}

void TMainForm::ApplyFrameAndPlacement() {
    MoveWindow(window_, settings_.Left, settings_.Top, settings_.Width, settings_.Height, FALSE);
    if (settings_.WindowPosition == 0) {
        // Centred on the desktop: the area spanning every monitor.
        const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN), desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
        const int desktopWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        const int desktopHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        MoveWindow(window_, desktopLeft + (desktopWidth - settings_.Width) / 2,
                   desktopTop + (desktopHeight - settings_.Height) / 2, settings_.Width, settings_.Height, FALSE);
    } else {
        // Windows chooses the place, as for a window created at the default position.
        HWND probe =
            CreateWindowExW(0, kWindowClass, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, settings_.Width,
                            settings_.Height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        RECT chosen{};
        if (probe != nullptr && GetWindowRect(probe, &chosen))
            MoveWindow(window_, chosen.left, chosen.top, settings_.Width, settings_.Height, FALSE);
        if (probe != nullptr) DestroyWindow(probe);
    }
    if (settings_.WindowStyle == 1) {
        FBrowserExternalModule->InFullscreen = true;
        showCommand_ = SW_SHOWMAXIMIZED;
    } else {
        showCommand_ = settings_.WindowState == 1 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
    }
}

bool TMainForm::FormCloseQuery() {
    const bool canClose = FCanClose;
    if (FBrowserForm) FBrowserForm->Form().Page().ExecuteScript(kCloseQueryScript);
    return canClose;
}

void TMainForm::FormClose() {
    if (previewWatch_ && window_ != nullptr) KillTimer(window_, kPreviewTimer);
    previewWatch_.reset();
    FBrowserExternalModule.reset();
    FBrowserForm.reset();
}

void TMainForm::AppCloseRequest() {
    FCanClose = true;
    // Closing frees the module and the browser form; the request arrives inside the module's
    // dispatcher, inside the browser control's event, so the close runs once they have returned.
    PostMessageW(window_, WM_CLOSE, 0, 0);
}

void TMainForm::DocumentTitleChanged(const std::string& title) {
    if (state_.AppSettings->ReadBool("App", "DynamicAppTitle", false)) SetWindowTextW(window_, Wide(title).c_str());
}

void TMainForm::FocusWindowAbovePage(int levels) {
    if (!FBrowserForm) return;
    HWND target = reinterpret_cast<HWND>(FBrowserForm->Form().Page().PageWindowHandle());
    for (int i = 0; i < levels && target != nullptr; ++i) target = GetParent(target);
    if (target != nullptr) SetFocus(target);
}

bool TMainForm::StaysOnTop() const {
    return (GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
}

void TMainForm::SetStaysOnTop(bool onTop) {
    SetWindowPos(window_, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TMainForm::State() const {
    if (IsIconic(window_)) return TWindowState::Minimized;
    if (IsZoomed(window_)) return TWindowState::Maximized;
    return TWindowState::Normal;
}

void TMainForm::SetState(TWindowState state) {
    if (state == State()) return;
    switch (state) {
        case TWindowState::Minimized: ShowWindow(window_, SW_MINIMIZE); break;
        case TWindowState::Maximized: ShowWindow(window_, SW_MAXIMIZE); break;
        default:
            // Restoring a minimised window brings back the state it had before, which may be
            // maximised; normal means normal.
            if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
            if (IsZoomed(window_)) ShowWindow(window_, SW_RESTORE);
            break;
    }
}

void TMainForm::ShowAndBringToFront() {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
}

void TMainForm::Hide() {
    ShowWindow(window_, SW_HIDE);
}

std::string TMainForm::Caption() const {
    return NarrowCaption(window_);
}

void TMainForm::SetCaption(const std::string& caption) {
    SetWindowTextW(window_, Wide(caption).c_str());
}

TWindowBounds TMainForm::Bounds() const {
    RECT outer{};
    GetWindowRect(window_, &outer);
    return {outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top};
}

void TMainForm::SetBounds(const TWindowBounds& bounds) {
    // The size limits hold whatever the frame (the system applies them to sizing frames only).
    const int width = Clamped(bounds.Width, settings_.MinWidth, settings_.MaxWidth);
    const int height = Clamped(bounds.Height, settings_.MinHeight, settings_.MaxHeight);
    SetWindowPos(window_, nullptr, bounds.Left, bounds.Top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TMainForm::SetBorderStyle(TBorderStyle style) {
    DWORD frame = 0, exFrame = 0;
    FrameStyles(static_cast<int>(style), frame, exFrame);
    // The frame changes in place: re-creating the window would re-create the browser with it.
    const auto current = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
    const auto currentEx = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
    const DWORD kept = current & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED);
    const DWORD keptEx = currentEx & WS_EX_TOPMOST;
    SetWindowLongPtrW(window_, GWL_STYLE, static_cast<LONG_PTR>(frame | kept));
    SetWindowLongPtrW(window_, GWL_EXSTYLE, static_cast<LONG_PTR>(exFrame | keptEx));
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    borderStyle_ = style;
}

void TMainForm::ShowMessage(const std::string& text) {
    if (StyleManager().ActivePalette() != nullptr) {
        ShowStartupDialog(text, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK}, {}, state_.AppName);
        return;
    }
    MessageBoxW(window_, Wide(text).c_str(), Wide(state_.AppName).c_str(), MB_OK);
}

LRESULT TMainForm::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Until creation returns, the window's messages get the default handling.
    if (window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_CLOSE:
            if (FormCloseQuery()) {
                FormClose();
                DestroyWindow(window_);
            }
            return 0;
        case WM_QUERYENDSESSION: return FormCloseQuery() ? TRUE : FALSE;
        case WM_TIMER:
            if (wParam == kPreviewTimer && previewWatch_ && previewWatch_->Changed() && FBrowserForm)
                FBrowserForm->Form().Page().ExecuteScript(kPreviewReloadScript);
            return 0;
        case WM_DESTROY:
            window_ = nullptr;
            WindowDestroyed();
            PostQuitMessage(0);
            return 0;
        case WM_SIZE:
            if (FBrowserForm != nullptr) MoveWindow(FBrowserForm->Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            if (settings_.MaxWidth > 0) limits->ptMaxTrackSize.x = settings_.MaxWidth;
            if (settings_.MaxHeight > 0) limits->ptMaxTrackSize.y = settings_.MaxHeight;
            if (settings_.MinWidth > 0) limits->ptMinTrackSize.x = settings_.MinWidth;
            if (settings_.MinHeight > 0) limits->ptMinTrackSize.y = settings_.MinHeight;
            return 0;
        }
        default:
            if (message == ShortCutQueryMessage()) return 0;  // the main menu's shortcuts arrive with the menus
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace vellum
