#include "browser/edge_browser_window_win32.h"

#include "browser/shortcut_query_win32.h"

namespace vellum {

namespace {

const wchar_t* const kWindowClass = L"TEdgeBrowser";

}  // namespace

TEdgeBrowserWindow::TEdgeBrowserWindow(IUiQueue& uiQueue) : browser_(std::make_unique<TEdgeBrowser>(*this, uiQueue)) {}

TEdgeBrowserWindow::~TEdgeBrowserWindow() {
    browser_.reset();  // closes the browser while its window still exists
    if (window_ != nullptr) {
        UnbindWindow(window_);
        DestroyWindow(window_);
    }
}

void TEdgeBrowserWindow::CreateWindowIn(HWND parent, const RECT& bounds) {
    RegisterWindowClass({.Name = kWindowClass, .Style = CS_DBLCLKS});
    window_ =
        CreateBoundWindow(*this, 0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN,
                          bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, parent);
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
        UnbindWindow(window_);
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

LRESULT TEdgeBrowserWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // The handle is known from the first message on, before the creation call returns.
    if (message == WM_NCCREATE) window_ = window;
    if (!browser_) return DefWindowProcW(window, message, wParam, lParam);
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
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace vellum
