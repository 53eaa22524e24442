// Errors nothing handles, raised while the system dispatches a message (queued work, a window
// procedure), reach the program's report and never the system's frames.
#include "platform/win32/unhandled_error.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "core/errors.h"
#include "platform/ui_queue.h"
#include "pump_messages_win32.h"

namespace vellum {
namespace {

std::vector<std::string> g_reported;
std::function<void()> g_whileShown;

// Stands in for the program's report, which shows a box and ends the process: it writes the
// error down, runs what the test wants done "while the box is up", and returns.
void RecordReport(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& raised) {
        g_reported.push_back(raised.what());
    } catch (...) {
        g_reported.push_back("(not a std::exception)");
    }
    if (g_whileShown) g_whileShown();
}

// Presses OK on any "Error" box this process shows: the queue's old box would otherwise wait
// for a user forever. Counts the times it saw one, which must be none.
class TErrorBoxWatch {
public:
    TErrorBoxWatch()
        : thread_([this] {
              while (!stop_) {
                  if (HWND box = FindWindowW(L"#32770", L"Error")) {
                      ++boxes_;
                      PostMessageW(box, WM_COMMAND, IDOK, 0);
                  }
                  Sleep(20);
              }
          }) {}
    ~TErrorBoxWatch() {
        stop_ = true;
        thread_.join();
    }
    int Boxes() const { return boxes_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> boxes_{0};
    std::thread thread_;
};

class UnhandledErrors : public ::testing::Test {
protected:
    void SetUp() override {
        g_reported.clear();
        g_whileShown = nullptr;
        SetUnhandledErrorReport(RecordReport);
    }
    void TearDown() override {
        SetUnhandledErrorReport(nullptr);
        g_whileShown = nullptr;
        EXPECT_EQ(watch.Boxes(), 0) << "an \"Error\" box instead of the report";
    }
    TErrorBoxWatch watch;
};

TEST_F(UnhandledErrors, QueuedWorkThatRaisesReachesTheReport) {
    IUiQueue& queue = MainThreadUiQueue();
    const struct {
        std::function<void()> Raise;
        const char* Reported;
    } cases[] = {
        {[] { throw EVellumError("queued failure"); }, "queued failure"},
        {[] { throw std::runtime_error("a standard error"); }, "a standard error"},
        {[] { throw 42; }, "(not a std::exception)"},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.Reported);
        g_reported.clear();
        bool after = false;
        queue.Post(item.Raise);
        queue.Post([&] { after = true; });
        EXPECT_TRUE(testing::PumpUntil([&] { return after; })) << "the loop went on once the report returned";
        EXPECT_EQ(g_reported, std::vector<std::string>{item.Reported});
    }
}

TEST_F(UnhandledErrors, WorkArrivingWhileTheReportIsUpIsDropped) {
    IUiQueue& queue = MainThreadUiQueue();
    bool ranInsideReport = false, ranAfterwards = false;
    g_whileShown = [&] {
        EXPECT_TRUE(UnhandledErrorReportShowing());
        queue.Post([&] { ranInsideReport = true; });
        testing::PumpUntil([] { return false; }, 200);  // the box's own message loop
    };
    queue.Post([] { throw EVellumError("first"); });
    EXPECT_TRUE(testing::PumpUntil([] { return !g_reported.empty(); }));
    g_whileShown = nullptr;
    EXPECT_FALSE(UnhandledErrorReportShowing());
    queue.Post([&] { ranAfterwards = true; });
    EXPECT_TRUE(testing::PumpUntil([&] { return ranAfterwards; }));
    EXPECT_FALSE(ranInsideReport) << "the process ends with the box: nothing runs under it";
    EXPECT_EQ(g_reported, std::vector<std::string>{"first"});
}

// The guard of a window procedure: what the handling raises stops there.
LRESULT CALLBACK RaisingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP + 3) return DefWindowProcW(window, message, wParam, lParam);
    return GuardedWindowMessage([]() -> LRESULT { throw EVellumError("raised in a window procedure"); });
}

TEST_F(UnhandledErrors, AGuardedWindowProcedureHandsItsErrorToTheReport) {
    WNDCLASSW attributes{};
    attributes.lpfnWndProc = RaisingProcedure;
    attributes.hInstance = GetModuleHandleW(nullptr);
    attributes.lpszClassName = L"VellumRaisingWindow";
    RegisterClassW(&attributes);
    HWND window = CreateWindowExW(0, L"VellumRaisingWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageW(window, WM_APP + 3, 0, 0), 0);
    PostMessageW(window, WM_APP + 3, 0, 0);
    MSG message;
    while (PeekMessageW(&message, window, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    EXPECT_EQ(g_reported, (std::vector<std::string>{"raised in a window procedure", "raised in a window procedure"}))
        << "sent and dispatched";
    DestroyWindow(window);
}

}  // namespace
}  // namespace vellum
