#include <windows.h>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/ui_queue.h"

namespace vellum {
namespace {

TEST(WindowUiQueue, HandsWorkFromAWorkerToTheMessageLoop) {
    IUiQueue& queue = MainThreadUiQueue();  // made on this thread, which serves it
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<int> order;
    std::vector<DWORD> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            queue.Run([&, i] {  // not on the UI thread: posted
                order.push_back(i);
                threads.push_back(GetCurrentThreadId());
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty());
    const ULONGLONG until = GetTickCount64() + 5000;
    MSG message;
    while (order.size() < 3 && GetTickCount64() < until) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(5);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (const DWORD id : threads) EXPECT_EQ(id, uiThread);
    bool ranAtOnce = false;
    queue.Run([&] { ranAtOnce = true; });
    EXPECT_TRUE(ranAtOnce) << "on the UI thread, Run does not wait for the loop";
}

}  // namespace
}  // namespace vellum
