#include <windows.h>

#include <memory>

#include "double_host.h"

namespace vellum::webview2_double {

namespace {

constexpr UINT kRunWork = WM_APP + 7;

struct TTimedWork {
    TDoubleHost::TWork Work;
};

// Work for a thread goes through a message-only window that thread owns, as the runtime
// delivers its events during that thread's message processing. A delay is set as a timer by the
// window's own thread (a timer belongs to the thread that sets it).
LRESULT CALLBACK DispatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunWork) {
        if (wParam > 0) {
            // The timer id is the work itself.
            if (SetTimer(window, static_cast<UINT_PTR>(lParam), static_cast<UINT>(wParam), nullptr) == 0)
                delete reinterpret_cast<TTimedWork*>(lParam);
            return 0;
        }
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

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&DispatchProc), &module);
    return module;
}

}  // namespace

// One window per thread that asks (the thread that calls CreateCoreWebView2Environment): when
// that thread ends, the system destroys the window, and nothing more reaches it.
TDoubleHost::TThreadQueue CreateDefaultDispatcher() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DispatchProc;
    windowClass.hInstance = ThisModule();
    windowClass.lpszClassName = L"VellumWebView2DoubleDispatch";
    // A class left registered by an earlier load of this library points at code that is gone.
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(windowClass.hInstance, windowClass.lpszClassName, &existing) &&
        existing.lpfnWndProc != DispatchProc)
        UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    if (window == nullptr) return {};
    TDoubleHost::TThreadQueue queue;
    queue.Post = [window](TDoubleHost::TWork work, int delayMilliseconds) {
        auto* boxed = new TTimedWork{std::move(work)};
        const WPARAM delay = delayMilliseconds > 0 ? static_cast<WPARAM>(delayMilliseconds) : 0;
        if (PostMessageW(window, kRunWork, delay, reinterpret_cast<LPARAM>(boxed))) return true;
        delete boxed;
        return false;
    };
    queue.Gone = [window] { return IsWindow(window) == FALSE; };
    return queue;
}

}  // namespace vellum::webview2_double
