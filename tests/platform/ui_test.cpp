#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace Platform::Ui;

TEST(MainThread, PostingWithoutAnApplicationDestroysTheTask)
{
    auto token = std::make_shared<int>(0);
    std::weak_ptr<int> watch = token;
    EXPECT_FALSE(postToMainThread([token] { ++*token; }));
    token.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(isMainThread());
}

TEST(MainThread, TheLoopRunsPostedTasksUntilQuitOrAnException)
{
    initializeApplication();
    EXPECT_TRUE(isMainThread());
    std::vector<int> order;
    std::thread poster([&] {
        EXPECT_FALSE(isMainThread());
        for (int i = 0; i < 3; ++i)
            postToMainThread([&order, i] { order.push_back(i); });
        postToMainThread([] { quitMainLoop(); });
    });
    poster.join();
    runMainLoop();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));

    // A task that throws ends the loop; the exception comes out of runMainLoop,
    // and tasks behind it do not run while it is on its way out.
    postToMainThread([] { throw std::runtime_error("from a task"); });
    postToMainThread([&order] { order.push_back(99); });
    try {
        runMainLoop();
        ADD_FAILURE() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "from a task");
    }
    processMessages();
    EXPECT_EQ(order.size(), 3u);
    shutdownApplication();
    EXPECT_FALSE(postToMainThread([] {}));
}

TEST(MainThread, WaitingWithoutATimeLimitSleepsBetweenEvents)
{
    initializeApplication();
    std::atomic<bool> done{false};
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        postToMainThread([&done] { done = true; });
    });
    const std::clock_t start = std::clock();
    EXPECT_TRUE(processMessagesUntil([&] { return done.load(); }, -1));
    const double cpuSeconds = double(std::clock() - start) / CLOCKS_PER_SEC;
    poster.join();
    EXPECT_LT(cpuSeconds, 0.1) << "the main thread spun while it waited";
    shutdownApplication();
}
