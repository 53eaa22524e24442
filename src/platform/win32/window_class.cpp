#include "platform/win32/window_class.h"

#include "platform/win32/unhandled_error.h"

namespace vellum {

namespace {

IWindowHandler* BoundHandler(HWND window) {
    return reinterpret_cast<IWindowHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK BoundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        // CreateBoundWindow's creation parameter is the handler; other creators pass none.
        auto* handler = static_cast<IWindowHandler*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
    }
    IWindowHandler* handler = BoundHandler(window);
    if (handler == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    // What a handler raises must not unwind through the system's frames: it ends in the
    // program's report of errors nothing handled.
    const LRESULT result =
        GuardedWindowMessage([&] { return handler->HandleMessage(window, message, wParam, lParam); });
    // The window's last message: the handler may go away from here on.
    if (message == WM_NCDESTROY) UnbindWindow(window);
    return result;
}

// Whether the executable has a class of that name, and with our procedure.
enum class TRegistration { Absent, Ours, Foreign };

TRegistration FindClass(HINSTANCE instance, const wchar_t* name) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(instance, name, &existing)) return TRegistration::Absent;
    return existing.lpfnWndProc == BoundWindowProc ? TRegistration::Ours : TRegistration::Foreign;
}

}  // namespace

bool RegisterWindowClass(const TWindowClass& windowClass) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const TRegistration found = FindClass(instance, windowClass.Name);
    if (found != TRegistration::Absent) return found == TRegistration::Ours;
    WNDCLASSEXW attributes{};
    attributes.cbSize = sizeof attributes;
    attributes.style = windowClass.Style;
    attributes.lpfnWndProc = BoundWindowProc;
    attributes.hInstance = instance;
    attributes.hIcon = windowClass.Icon;
    attributes.hCursor = windowClass.Cursor != nullptr ? LoadCursorW(nullptr, windowClass.Cursor) : nullptr;
    attributes.hbrBackground = windowClass.Background;
    attributes.lpszClassName = windowClass.Name;
    if (RegisterClassExW(&attributes) != 0) return true;
    // Another thread may have registered it between the look-up and here.
    return FindClass(instance, windowClass.Name) == TRegistration::Ours;
}

HWND CreateBoundWindow(IWindowHandler& handler, DWORD exStyle, const wchar_t* className, const wchar_t* title,
                       DWORD style, int x, int y, int width, int height, HWND parent, HMENU menu) {
    return CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                           GetModuleHandleW(nullptr), &handler);
}

void UnbindWindow(HWND window) {
    if (window != nullptr) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

}  // namespace vellum
