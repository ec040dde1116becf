#include "core/sync.h"
#include "core/timer.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {
struct TimerFixture : ::testing::Test {
    void SetUp() override { Platform::Ui::initializeApplication(); }
    void TearDown() override { Platform::Ui::shutdownApplication(); }
};
} // namespace

TEST_F(TimerFixture, FiresOnTheMainThreadAndReArmsTheSameId)
{
    System::Timer timer;
    int first = 0, second = 0;
    bool offMainThread = false;
    timer.set(10, [&] { ++first; });
    uintptr_t id = timer.id;
    ASSERT_NE(id, 0u);
    // Setting again re-arms the same id and keeps only the later callback.
    timer.set(5, [&] {
        offMainThread |= !Platform::Ui::isMainThread();
        ++second;
    });
    EXPECT_EQ(timer.id, id);
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return second >= 3; }, 5000));
    EXPECT_EQ(first, 0);
    EXPECT_FALSE(offMainThread);
    timer.clear();
    EXPECT_EQ(timer.id, 0u);
    int stopped = second;
    Platform::Ui::processMessages(50);
    EXPECT_EQ(second, stopped);
    timer.clear(); // clearing a timer that is not set does nothing
    System::Timer::timerProc(id); // an id no longer in the table is ignored
}

TEST_F(TimerFixture, ACallbackMayClearItsOwnTimer)
{
    System::Timer timer;
    int calls = 0;
    std::string capturedAfterClear;
    std::string text = "still alive";
    timer.set(5, [&, text] {
        ++calls;
        timer.clear();
        capturedAfterClear = text; // the callback object outlives its own clearing
    });
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return calls == 1; }, 5000));
    Platform::Ui::processMessages(30);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(capturedAfterClear, "still alive");
}

TEST_F(TimerFixture, AThrowingCallbackEndsTheMainLoopWithItsException)
{
    System::Timer timer;
    timer.set(5, [] { throw std::runtime_error("timer failed"); });
    try {
        Platform::Ui::runMainLoop();
        ADD_FAILURE() << "the loop ended without the exception";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "timer failed");
    }
    timer.clear();
}

TEST(Timer, SetWithoutAMainLoopFails)
{
    TestKit::LogCapture log;
    System::Timer timer;
    EXPECT_THROW(timer.set(10, [] {}), std::exception);
    EXPECT_EQ(timer.id, 0u);
    EXPECT_TRUE(log.contains("SetTimer() failed in System::Timer::set()"));
}

TEST_F(TimerFixture, AWaitableTimerRunsItsCallbackFromTheMainLoop)
{
    Sync::Timer timer;
    int ticks = 0;
    bool offMainThread = false;
    ASSERT_TRUE(Platform::Ui::watchHandle(timer.handle(), true, [&] {
        offMainThread |= !Platform::Ui::isMainThread();
        ++ticks;
    }));
    timer.setInterval(15);
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return ticks >= 3; }, 5000));
    EXPECT_FALSE(offMainThread);
    timer.clear();
    Platform::Ui::unwatchHandle(timer.handle());
    int stopped = ticks;
    Platform::Ui::processMessages(60);
    EXPECT_EQ(ticks, stopped);
}
