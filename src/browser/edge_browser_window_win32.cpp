#include "browser/edge_browser_window_win32.h"

#include "browser/shortcut_query_win32.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TEdgeBrowser";

void RegisterWindowClass(WNDPROC procedure) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass);  // fails harmlessly when already registered
}

}  // namespace

TEdgeBrowserWindow::TEdgeBrowserWindow(IUiQueue& uiQueue) : browser_(std::make_unique<TEdgeBrowser>(*this, uiQueue)) {}

TEdgeBrowserWindow::~TEdgeBrowserWindow() {
    browser_.reset();  // closes the browser while its window still exists
    if (window_ != nullptr) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

void TEdgeBrowserWindow::CreateWindowIn(HWND parent, const RECT& bounds) {
    RegisterWindowClass(WindowProc);
    window_ = CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN, bounds.left,
                              bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr,
                              GetModuleHandleW(nullptr), this);
}

void TEdgeBrowserWindow::SetParent(HWND parent, const RECT& bounds) {
    parent_ = parent;
    if (window_ == nullptr) {
        CreateWindowIn(parent, bounds);
    } else {
        ::SetParent(window_, parent);
        MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, TRUE);
    }
    browser_->ParentChanged();
}

void TEdgeBrowserWindow::RecreateWindow() {
    RECT bounds{};
    if (window_ != nullptr) {
        GetWindowRect(window_, &bounds);
        MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&bounds), 2);
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
        window_ = nullptr;
    }
    CreateWindowIn(parent_, bounds);
    browser_->WindowHandleRecreated();
}

HWND TEdgeBrowserWindow::WindowHandle() {
    if (window_ == nullptr) CreateWindowIn(parent_ != nullptr ? parent_ : HWND_MESSAGE, RECT{0, 0, 0, 0});
    return window_;
}

RECT TEdgeBrowserWindow::ClientRect() {
    RECT client{};
    if (window_ != nullptr) GetClientRect(window_, &client);
    return client;
}

void TEdgeBrowserWindow::FocusWindow() {
    if (window_ != nullptr) ::SetFocus(window_);
}

void TEdgeBrowserWindow::SelectNextControl(bool forward) {
    if (window_ == nullptr) return;
    const HWND root = GetAncestor(window_, GA_ROOT);
    if (root == nullptr) return;
    const HWND next = GetNextDlgTabItem(root, window_, forward ? FALSE : TRUE);
    if (next != nullptr && next != window_) ::SetFocus(next);
}

bool TEdgeBrowserWindow::IsShortCut(const TKeyMessage& key) {
    if (window_ == nullptr) return false;
    const HWND form = GetAncestor(window_, GA_ROOT);
    if (form == nullptr || form == window_) return false;
    MSG message{};
    message.hwnd = window_;
    message.message = key.Message;
    message.wParam = static_cast<WPARAM>(key.WParam);
    message.lParam = static_cast<LPARAM>(key.LParam);
    message.time = GetMessageTime();
    return SendMessageW(form, ShortCutQueryMessage(), 0, reinterpret_cast<LPARAM>(&message)) != 0;
}

LRESULT CALLBACK TEdgeBrowserWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<TEdgeBrowserWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
    }
    auto* self = reinterpret_cast<TEdgeBrowserWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr || !self->browser_) return DefWindowProcW(window, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT TEdgeBrowserWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE: browser_->Resize(); return 0;
        case WM_SETFOCUS: browser_->DoEnter(); return 0;
        case WM_KILLFOCUS: browser_->DoExit(); return 0;
        case WM_SHOWWINDOW: browser_->VisibleChanged(wParam != FALSE); return 0;
        case WM_SYSCOMMAND:
            // The control's own: it goes to no further handling.
            browser_->SysCommand(static_cast<std::uint32_t>(wParam));
            return 0;
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTTAB;
        default: return DefWindowProcW(window_, message, wParam, lParam);
    }
}

}  // namespace vellum
