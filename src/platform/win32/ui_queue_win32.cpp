#include <windows.h>

#include <exception>
#include <memory>
#include <string>

#include "platform/ui_queue.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

constexpr UINT kRunWork = WM_APP + 1;

void ShowUnhandledWorkError(const char* message) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, message, -1, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, message, -1, text.data(), length);
    MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
}

// A message-only window owned by the user-interface thread: posting to it from any thread
// hands the work to that thread's message loop.
class TWindowUiQueue final : public IUiQueue, private IWindowHandler {
public:
    TWindowUiQueue() : thread_(GetCurrentThreadId()) {
        RegisterWindowClass({.Name = L"VellumUiQueue", .Cursor = nullptr});
        window_ = CreateBoundWindow(*this, 0, L"VellumUiQueue", L"", 0, 0, 0, 0, 0, HWND_MESSAGE);
    }
    // Static: a message dispatched during the process's exit must not reach the destroyed queue.
    ~TWindowUiQueue() override { UnbindWindow(window_); }

    void Post(TWork work) override {
        auto* boxed = new TWork(std::move(work));
        if (!PostMessageW(window_, kRunWork, 0, reinterpret_cast<LPARAM>(boxed))) delete boxed;
    }

    void Run(TWork work) override {
        if (GetCurrentThreadId() == thread_)
            work();
        else
            Post(std::move(work));
    }

private:
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kRunWork) {
            std::unique_ptr<TWork> work(reinterpret_cast<TWork*>(lParam));
            // An error must not unwind through the system's message dispatch: it is shown, and
            // the loop goes on, as for any error raised while handling a message.
            try {
                (*work)();
            } catch (const std::exception& error) {
                ShowUnhandledWorkError(error.what());
            } catch (...) {
                ShowUnhandledWorkError("Unknown error");
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    DWORD thread_;
    HWND window_ = nullptr;
};

}  // namespace

IUiQueue& MainThreadUiQueue() {
    static TWindowUiQueue queue;
    return queue;
}

}  // namespace vellum
