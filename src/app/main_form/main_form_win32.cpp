#include "app/main_form/main_form_win32.h"

#include "app/startup/load_application.h"
#include "browser/shortcut_query_win32.h"
#include "core/archive/zip_archive.h"
#include "core/stream/stream.h"
#include "core/text/utf.h"
#include "platform/win32/wide_string.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TMainForm";
const char* const kCloseQueryScript = "vlm.events.onCloseQuery();";

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

TMainForm::TMainForm(const TStartupState& state, std::vector<std::string> arguments)
    : state_(state), arguments_(std::move(arguments)), settings_(ReadMainFormSettings(*state.AppSettings)) {}

TMainForm::~TMainForm() {
    FormClose();
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TMainForm::Show() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, L"MAINICON");
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);
    DWORD style = 0, exStyle = 0;
    FrameStyles(settings_.WindowStyle == 1 ? 0 : settings_.WindowBorder, style, exStyle);
    if (settings_.WindowOrder == 1) exStyle |= WS_EX_TOPMOST;
    window_ = CreateWindowExW(exStyle, kWindowClass, Wide(state_.AppName).c_str(), style, settings_.Left, settings_.Top,
                              settings_.Width, settings_.Height, nullptr, nullptr, windowClass.hInstance, this);
    if (window_ == nullptr) return;
    WindowCreated(window_);
    FormCreate();
    ShowWindow(window_, showCommand_);
    UpdateWindow(window_);
}

void TMainForm::FormCreate() {
    FCanClose = false;
    FBrowserExternalModule = std::make_unique<TBrowserExternalModule>(*this);
    FBrowserExternalModule->ExeZip = state_.AppArchive.get();

    FBrowserForm = std::make_unique<TBrowserFormWindow>();
    TBrowserForm& form = FBrowserForm->Form();
    FBrowserForm->EmbedIn(window_);
    form.ExeZip = state_.AppArchive.get();
    form.IsRuntime = true;
    form.AppDirName = state_.AppDirName;
    form.HandleRequests = true;
    form.RuntimeAppID = state_.AppID;
    form.WithExternal = true;
    form.AllowDebug = settings_.AllowDebug;
    form.AllowZoom = settings_.AllowZoom;
    form.AllowContextMenu = settings_.AllowContextMenu;

    TEdgeBrowser& browser = form.EdgeBrowser();
    TBrowserExternalModule* module = FBrowserExternalModule.get();
    browser.OnWebMessageReceived = [module](TCustomEdgeBrowser* sender, TWebMessageReceivedEventArgs& args) {
        module->EdgeBrowserWebMessageReceived(sender, args);
    };
    browser.OnDocumentTitleChanged = [this](TCustomEdgeBrowser*, const std::string& title) {
        DocumentTitleChanged(title);
    };

    module->MainForm = this;
    module->BrowserForm = &form;
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
    if (FBrowserForm) FBrowserForm->Form().EdgeBrowser().ExecuteScript(kCloseQueryScript);
    return canClose;
}

void TMainForm::FormClose() {
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

void TMainForm::FocusWindowAbove(TCustomEdgeBrowser& browser, int levels) {
    HWND target = static_cast<HWND>(browser.WindowHandle());
    for (int i = 0; i < levels && target != nullptr; ++i) target = GetParent(target);
    if (target != nullptr) SetFocus(target);
}

void TMainForm::ShowMessage(const std::string& text) {
    MessageBoxW(window_, Wide(text).c_str(), Wide(state_.AppName).c_str(), MB_OK);
}

LRESULT CALLBACK TMainForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE)
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    auto* self = reinterpret_cast<TMainForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TMainForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE:
            if (FormCloseQuery()) {
                FormClose();
                DestroyWindow(window_);
            }
            return 0;
        case WM_QUERYENDSESSION: return FormCloseQuery() ? TRUE : FALSE;
        case WM_DESTROY:
            window_ = nullptr;
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
