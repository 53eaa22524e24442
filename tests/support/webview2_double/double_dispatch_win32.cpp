#include <windows.h>

#include <memory>

#include "double_host.h"

namespace vellum::webview2_double {

namespace {

constexpr UINT kRunWork = WM_APP + 7;

struct TTimedWork {
    TDoubleHost::TWork Work;
};

// Work for the user-interface thread goes through a message-only window that thread owns, as
// the runtime delivers its events during that thread's message processing.
LRESULT CALLBACK DispatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunWork) {
        std::unique_ptr<TTimedWork> work(reinterpret_cast<TTimedWork*>(lParam));
        work->Work();
        return 0;
    }
    if (message == WM_TIMER) {
        KillTimer(window, wParam);
        std::unique_ptr<TTimedWork> work(reinterpret_cast<TTimedWork*>(wParam));
        work->Work();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

TDoubleHost::TDispatcher CreateDefaultDispatcher() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DispatchProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VellumWebView2DoubleDispatch";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    return [window](TDoubleHost::TWork work, int delayMilliseconds) {
        auto* boxed = new TTimedWork{std::move(work)};
        if (delayMilliseconds > 0) {
            // The timer id is the work itself; the window's own thread runs it.
            if (SetTimer(window, reinterpret_cast<UINT_PTR>(boxed), static_cast<UINT>(delayMilliseconds), nullptr) == 0)
                delete boxed;
        } else if (!PostMessageW(window, kRunWork, 0, reinterpret_cast<LPARAM>(boxed))) {
            delete boxed;
        }
    };
}

}  // namespace vellum::webview2_double
