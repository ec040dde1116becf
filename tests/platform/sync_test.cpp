#include "platform/os/sync.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <thread>

using namespace Platform::Os;

TEST(OsSync, HandlesAreDescriptorsAPollCanWaitOnTogether)
{
    int event = createEvent();
    int semaphore = createSemaphore(2);
    int timer = createTimer();
    ASSERT_GE(event, 0);
    ASSERT_GE(semaphore, 0);
    ASSERT_GE(timer, 0);

    int index = -1;
    // The semaphore has free units: it is the signalled one.
    int handles[] = {event, timer, semaphore};
    ASSERT_EQ(waitAnyHandle(handles, 3, 0, index), 0);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(acquireSemaphore(semaphore), 0);
    EXPECT_EQ(acquireSemaphore(semaphore), 0);
    EXPECT_EQ(waitHandle(semaphore, 0), ETIMEDOUT);
    std::thread releaser([&] { releaseSemaphore(semaphore, 1); });
    EXPECT_EQ(acquireSemaphore(semaphore), 0); // waits for the release
    releaser.join();

    ASSERT_EQ(setTimer(timer, 20, 0), 0);
    int two[] = {event, timer};
    ASSERT_EQ(waitAnyHandle(two, 2, 2000, index), 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(readTimer(timer), 1u);
    EXPECT_EQ(readTimer(timer), 0u); // reading reset it

    EXPECT_EQ(setEvent(event), 0);
    EXPECT_EQ(waitHandle(event, 0), 0);
    EXPECT_EQ(waitHandle(event, 0), 0);
    EXPECT_EQ(resetEvent(event), 0);
    EXPECT_EQ(waitHandle(event, 10), ETIMEDOUT);

    closeHandle(event);
    closeHandle(semaphore);
    closeHandle(timer);
    EXPECT_EQ(waitHandle(event, 0), EBADF);
}
