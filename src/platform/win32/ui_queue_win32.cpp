#include <windows.h>

#include <memory>
#include <string>

#include "platform/ui_queue.h"
#include "platform/win32/unhandled_error.h"
#include "platform/win32/window_class.h"

namespace vellum {

namespace {

constexpr UINT kRunWork = WM_APP + 1;

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
            // Work that reaches the message loop inside the box of an error report is dropped:
            // the process ends once the box closes.
            if (UnhandledErrorReportShowing()) return 0;
            // Nothing handled what the work raises (the page's requests report their own
            // errors): it goes to the program's report, never through the system's dispatch.
            return GuardedWindowMessage([&] {
                (*work)();
                return LRESULT{0};
            });
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
