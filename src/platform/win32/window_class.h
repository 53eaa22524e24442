#pragma once

// Window classes whose windows hand every message to an object of ours.
//
// Every class registered here shares one window procedure. A window created with
// CreateBoundWindow is bound to its handler from WM_NCCREATE (its first message but
// WM_GETMINMAXINFO) through WM_NCDESTROY, its last; after that, or after UnbindWindow, and for
// a window of these classes created without a handler, the messages go to DefWindowProcW.
// The classes keep GWLP_USERDATA for the binding: handlers must not use it.
//
// Usage:
//
//     class TMyForm final : private IWindowHandler {
//     public:
//         void Show() {
//             RegisterWindowClass({.Name = L"TMyForm", .Background = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)});
//             window_ = CreateBoundWindow(*this, 0, L"TMyForm", L"Title", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
//                                         CW_USEDEFAULT, 640, 480, nullptr);
//         }
//         ~TMyForm() override {
//             UnbindWindow(window_);  // the destruction's messages must not reach a half-destroyed form
//             DestroyWindow(window_);
//         }
//
//     private:
//         LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
//             if (message == WM_DESTROY) window_ = nullptr;  // `window` is valid from WM_NCCREATE on
//             return DefWindowProcW(window, message, wParam, lParam);
//         }
//         HWND window_ = nullptr;
//     };

#include <windows.h>

namespace vellum {

// Receives the messages of the windows bound to it. What it does not handle it passes to
// DefWindowProcW itself, as a window procedure does.
class IWindowHandler {
public:
    virtual ~IWindowHandler() = default;
    virtual LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// A window class's attributes; the procedure is always the shared one and the module the
// executable's.
struct TWindowClass {
    const wchar_t* Name = nullptr;
    UINT Style = 0;                     // CS_* flags
    const wchar_t* Cursor = IDC_ARROW;  // a system cursor (IDC_*), or nullptr for none
    HBRUSH Background = nullptr;        // nullptr: the window paints its own background
    HICON Icon = nullptr;
};

// Registers the class once per process: a later call, from any thread, finds it registered
// and changes nothing. False when the class could not be registered, or when the name belongs
// to a class with another window procedure.
bool RegisterWindowClass(const TWindowClass& windowClass);

// CreateWindowExW for a class registered above, with the window bound to `handler`, which
// must outlive the binding. Returns the window, or nullptr when it could not be created.
HWND CreateBoundWindow(IWindowHandler& handler, DWORD exStyle, const wchar_t* className, const wchar_t* title,
                       DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu = nullptr);

// Ends the window's binding early: from now on its messages go to DefWindowProcW. For a
// handler that goes away before its window; harmless on nullptr or an unbound window.
void UnbindWindow(HWND window);

}  // namespace vellum
