// The panel's exchange worker: one job at a time, and a flush that waits for the
// exchange in flight instead of emptying the FIFO under it.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "core/panels/step_worker.h"

TEST(StepWorker, OneJobAtATimeAndFlushAfterIt) {
    std::mutex mutex;
    std::vector<std::string> order;
    auto note = [&](const char* what) {
        std::lock_guard lock(mutex);
        order.push_back(what);
    };
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    StepWorker worker([&] { note("flush"); });

    worker.Flush(); // idle: at once, on this thread
    ASSERT_TRUE(worker.Submit([&] {
        released.wait();
        note("exchange");
    }));
    EXPECT_TRUE(worker.busy());
    EXPECT_FALSE(worker.Submit([&] { note("second"); })); // refused, not queued
    worker.Flush();                                        // waits for the exchange
    {
        std::lock_guard lock(mutex);
        EXPECT_EQ(order, std::vector<std::string>{"flush"});
    }
    release.set_value();
    while (worker.busy()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(order, (std::vector<std::string>{"flush", "exchange", "flush"}));
    EXPECT_TRUE(worker.Submit([&] { note("next"); }));
}
