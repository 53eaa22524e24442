#include <windows.h>

#include <memory>
#include <string>

#include "../menu_json_win32.h"
#include "double_host.h"

namespace vellum::webview2_double {

namespace {

constexpr UINT kRunWork = WM_APP + 7;

struct TTimedWork {
    TDoubleHost::TWork Work;
};

// The menus of this thread's windows as a user sees them: the menu bar of its visible top-level
// window that has one, and the pop-up menu open at the moment (a pop-up runs its own message loop,
// which still delivers the UI driver's request here). The UI driver cannot read them itself
// where the system keeps a menu readable only by its own process.
void RecordHostMenus() {
    struct TFound {
        nlohmann::json MenuBar = nullptr;
        nlohmann::json Popup = nullptr;
    } found;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* f = reinterpret_cast<TFound*>(parameter);
            if (!IsWindowVisible(window)) return TRUE;
            wchar_t name[64] = {};
            GetClassNameW(window, name, 63);
            if (std::wstring(name) == L"#32768")
                f->Popup = testing::MenuJson(reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)));
            else if (f->MenuBar.is_null() && GetMenu(window) != nullptr)
                f->MenuBar = testing::MenuJson(GetMenu(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    TDoubleHost::Instance().Record("host_menus", {{"menu_bar", found.MenuBar}, {"popup", found.Popup}});
}

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
    if (message == testing::ReadMenusMessage()) {
        RecordHostMenus();
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
    windowClass.lpszClassName = testing::kDoubleDispatchClass;
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
