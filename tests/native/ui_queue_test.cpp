#include "platform/ui_queue.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace vellum {
namespace {

TEST(ManualUiQueue, RunsWorkFromOtherThreadsOnThePumpingThreadInOrder) {
    TManualUiQueue queue;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            queue.Post([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    });
    worker.join();
    EXPECT_EQ(queue.Pending(), 3u);
    EXPECT_TRUE(order.empty()) << "nothing runs before the queue is served";
    EXPECT_EQ(queue.Pump(), 3);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (const auto& id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST(ManualUiQueue, RunActsAtOnceOnlyWhileServing) {
    TManualUiQueue queue;
    std::vector<std::string> log;
    queue.Run([&] { log.push_back("outside: posted"); });
    EXPECT_TRUE(log.empty());
    queue.Post([&] {
        queue.Run([&] { log.push_back("inside: at once"); });
        queue.Post([&] { log.push_back("posted while serving"); });
        log.push_back("after Run");
    });
    EXPECT_EQ(queue.Pump(), 3);
    EXPECT_EQ(log,
              (std::vector<std::string>{"outside: posted", "inside: at once", "after Run", "posted while serving"}));
}

}  // namespace
}  // namespace vellum
