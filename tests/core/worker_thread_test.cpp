#include "core/event_service.h"
#include "core/sync.h"
#include "core/worker_thread.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <latch>
#include <mutex>
#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {
// Holds the worker inside a task until opened.
struct Gate {
    Sync::Event entered;
    Sync::Event open;
    std::function<void()> task()
    {
        return [this] {
            entered.set();
            open.wait();
        };
    }
};

// Counts how its copies end: run, or destroyed without running.
struct Probe {
    std::shared_ptr<std::atomic<int>> ran = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> alive = std::make_shared<std::atomic<int>>(0);
    std::function<void()> task()
    {
        struct Token {
            std::shared_ptr<std::atomic<int>> alive;
            explicit Token(std::shared_ptr<std::atomic<int>> a) : alive(std::move(a)) { ++*alive; }
            ~Token() { --*alive; }
        };
        auto token = std::make_shared<Token>(alive);
        return [token, ran = ran] { ++*ran; };
    }
};

class Recorder {
public:
    std::function<void()> task(int value)
    {
        return [this, value] {
            std::lock_guard lock(mutex_);
            values_.push_back(value);
        };
    }
    std::vector<int> values()
    {
        std::lock_guard lock(mutex_);
        return values_;
    }

private:
    std::mutex mutex_;
    std::vector<int> values_;
};

// Returns once the kernel reports the thread asleep (blocked in a wait).
void waitUntilAsleep(pid_t thread)
{
    const std::string path = "/proc/self/task/" + std::to_string(thread) + "/stat";
    for (;;) {
        std::ifstream stat(path);
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        // "tid (name) S ...": the state follows the name's closing parenthesis.
        const size_t close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'S')
            return;
        std::this_thread::yield();
    }
}

std::string threadName()
{
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    return name;
}
} // namespace

TEST(WorkerThread, RunsTasksInOrderOnItsNamedThread)
{
    Worker::WorkerThread worker("RenderObjectWorkerVideo");
    Recorder recorder;
    std::string name;
    std::thread::id id;
    worker.request(0, [&] {
        name = threadName();
        id = std::this_thread::get_id();
    });
    for (int i = 1; i <= 500; ++i)
        worker.request(i % 3, recorder.task(i));
    TestKit::finishWithin(5000, [&] { worker.wait(); }, "wait");
    // The kernel keeps the first 15 bytes of a thread name.
    EXPECT_EQ(name, "RenderObjectWor");
    EXPECT_NE(id, std::this_thread::get_id());
    auto values = recorder.values();
    ASSERT_EQ(values.size(), 500u);
    for (int i = 0; i < 500; ++i)
        ASSERT_EQ(values[static_cast<size_t>(i)], i + 1);
}

TEST(WorkerThread, BoundedQueueBlocksTheProducerUntilATaskLeavesIt)
{
    Worker::WorkerThread worker("Bounded");
    worker.semaphore.setMax(2);
    Gate gate;
    worker.request(0, gate.task());
    gate.entered.wait(); // the running task does not count against the bound
    Recorder recorder;
    worker.request(1, recorder.task(1));
    worker.request(1, recorder.task(2));

    std::atomic<bool> third{false};
    std::thread producer([&] {
        worker.request(2, recorder.task(3));
        third = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(third) << "a third task went into a queue bounded at 2";

    // Cancelling both queued tasks gives their room back at once.
    worker.cancel(1);
    TestKit::finishWithin(5000, [&] { producer.join(); }, "the blocked producer");
    EXPECT_TRUE(third);
    TestKit::finishWithin(5000, [&] { worker.request(3, recorder.task(4)); }, "a request into the freed room");
    gate.open.set();
    TestKit::finishWithin(5000, [&] { worker.wait(); }, "wait");
    EXPECT_EQ(recorder.values(), (std::vector<int>{3, 4}));
}

TEST(WorkerThread, CancelRemovesOnlyQueuedTasksOfTheKey)
{
    Worker::WorkerThread worker("Cancel");
    worker.semaphore.setMax(8);
    Gate gate;
    Recorder recorder;
    worker.request(1, gate.task());
    gate.entered.wait();
    worker.request(1, recorder.task(10));
    worker.request(2, recorder.task(20));
    worker.request(1, recorder.task(11));
    worker.request(3, recorder.task(30));
    worker.cancel(7); // no such key: nothing changes
    EXPECT_EQ(worker.queuedCount(), 4u);
    worker.cancel(1); // the running task (key 1) is not affected
    EXPECT_EQ(worker.queuedCount(), 2u);
    gate.open.set();
    worker.wait();
    EXPECT_EQ(recorder.values(), (std::vector<int>{20, 30}));
    // Every unit came back: eight more requests go through without blocking.
    TestKit::finishWithin(5000, [&] {
        worker.request(0, gate.task());
        for (int i = 0; i < 7; ++i)
            worker.request(0, recorder.task(i));
    }, "requests up to the bound");
    gate.open.set();
    worker.wait();
}

TEST(WorkerThread, StopFinishesTheRunningTaskAndDropsTheQueue)
{
    Probe probe;
    std::atomic<bool> finished{false};
    {
        Worker::WorkerThread worker("Stop");
        Gate gate;
        worker.request(0, [&] {
            gate.entered.set();
            gate.open.wait();
            std::this_thread::sleep_for(20ms);
            finished = true;
        });
        gate.entered.wait();
        for (int i = 0; i < 3; ++i)
            worker.request(0, probe.task());
        EXPECT_EQ(*probe.alive, 3);
        gate.open.set();
        TestKit::finishWithin(5000, [&] { worker.stop(); }, "stop");
        EXPECT_TRUE(finished);
        EXPECT_EQ(*probe.ran, 0);
        EXPECT_EQ(*probe.alive, 0); // destroyed, never run

        // Requests after stop are destroyed without running; wait returns at once.
        worker.request(0, probe.task());
        EXPECT_EQ(*probe.alive, 0);
        TestKit::finishWithin(2000, [&] { worker.wait(); }, "wait on a stopped worker");
        worker.stop(); // a second stop does nothing
    }
    EXPECT_EQ(*probe.ran, 0);
}

TEST(WorkerThread, StopReleasesWaitersAndBlockedProducers)
{
    Worker::WorkerThread worker("StopWaiters");
    worker.semaphore.setMax(1);
    Gate gate;
    worker.request(0, gate.task());
    gate.entered.wait();
    Probe probe;
    worker.request(0, probe.task()); // fills the queue
    std::atomic<pid_t> waiterId{0}, producerId{0};
    std::latch arrived(2);
    std::thread waiter([&] { // its marker cannot even be queued yet
        waiterId = static_cast<pid_t>(::syscall(SYS_gettid));
        arrived.count_down();
        worker.wait();
    });
    std::thread producer([&] {
        std::function<void()> task = probe.task();
        producerId = static_cast<pid_t>(::syscall(SYS_gettid));
        arrived.count_down();
        worker.request(0, std::move(task));
    });
    std::thread stopper;
    TestKit::finishWithin(5000, [&] {
        // Both block for room in the queue before the worker is stopped, and
        // the stop has begun before the running task ends: otherwise the
        // queued probe would run.
        arrived.wait();
        waitUntilAsleep(waiterId);
        waitUntilAsleep(producerId);
        stopper = std::thread([&] { worker.stop(); });
        while (worker.isRunning())
            std::this_thread::yield();
    }, "the waiter and the producer block, the stop begins");
    gate.open.set();
    TestKit::finishWithin(5000, [&] {
        stopper.join();
        waiter.join();
        producer.join();
    }, "stop with a waiter and a blocked producer");
    EXPECT_EQ(*probe.ran, 0);
    EXPECT_EQ(*probe.alive, 0);
}

TEST(WorkerThread, WaitCoversEverythingQueuedBeforeIt)
{
    Worker::WorkerThread worker("Wait");
    std::atomic<int> done{0};
    for (int i = 0; i < 50; ++i) {
        worker.request(0, [&] {
            std::this_thread::sleep_for(100us);
            ++done;
        });
    }
    worker.cancel(Worker::WorkerThread::MarkerKey); // markers are never cancelled
    TestKit::finishWithin(5000, [&] { worker.wait(); }, "wait");
    EXPECT_EQ(done, 50);
    // Waiting from inside a task would wait for itself: refused with a report.
    std::string error;
    worker.request(0, [&] {
        try {
            worker.wait();
        } catch (const std::exception& e) {
            error = e.what();
        }
    });
    TestKit::finishWithin(5000, [&] { worker.wait(); }, "wait");
    EXPECT_NE(error.find("Worker::WorkerThread::wait"), std::string::npos) << error;
}

TEST(WorkerThread, EmptyTaskIsDroppedAndReturnsItsUnit)
{
    Worker::WorkerThread worker("Empty");
    worker.semaphore.setMax(1);
    worker.semaphore.setMax(5); // a second bound changes nothing
    EXPECT_EQ(worker.semaphore.max(), 1);
    Recorder recorder;
    TestKit::finishWithin(5000, [&] {
        for (int i = 0; i < 20; ++i) {
            worker.request(0, std::function<void()>());
            worker.request(0, recorder.task(i));
        }
        worker.wait();
    }, "requests with empty tasks");
    EXPECT_EQ(recorder.values().size(), 20u);
}

TEST(WorkerThread, SetMaxZeroLeavesTheQueueUnbounded)
{
    Worker::WorkerThread worker("Unbounded");
    worker.semaphore.setMax(0);
    EXPECT_FALSE(worker.semaphore.exists());
    Gate gate;
    worker.request(0, gate.task());
    gate.entered.wait();
    Probe probe;
    TestKit::finishWithin(5000, [&] {
        for (int i = 0; i < 1000; ++i)
            worker.request(0, probe.task());
    }, "a thousand requests");
    gate.open.set();
    worker.wait();
    EXPECT_EQ(*probe.ran, 1000);
}

TEST(WorkerThread, TaskExceptionIsLoggedAndRethrownOnTheMainThread)
{
    Platform::Ui::initializeApplication();
    System::ServiceReference<Event::EventService> events;
    TestKit::LogCapture log;
    Worker::WorkerThread worker("Thrower");
    Recorder recorder;
    worker.request(0, [] { throw std::runtime_error("broken task"); });
    worker.request(0, recorder.task(1)); // the worker goes on
    worker.wait();
    EXPECT_EQ(recorder.values(), std::vector<int>{1});
    EXPECT_TRUE(log.contains("ERROR|Worker::WorkerThread::processTask|[Thrower] exception.\nbroken task"));

    std::string rethrown;
    try {
        Platform::Ui::processMessagesUntil([] { return false; }, 500);
    } catch (const std::exception& e) {
        rethrown = e.what();
    }
    EXPECT_EQ(rethrown, "broken task");
    worker.stop();
    Platform::Ui::shutdownApplication();
}

TEST(SyncTimer, SignalsAfterTheIntervalAndThenEveryInterval)
{
    Sync::Timer timer;
    auto start = std::chrono::steady_clock::now();
    timer.setInterval(200);
    std::vector<double> at;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(timer.wait(2000));
        at.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    EXPECT_GE(at[0], 199.0);
    EXPECT_LT(at[0], 400.0);
    EXPECT_GE(at[2], 599.0);
    EXPECT_LT(at[2], 900.0);
    timer.clear();
    EXPECT_FALSE(timer.wait(300));
}

TEST(SyncEvent, ManualResetStaysSignalledUntilReset)
{
    Sync::Event event;
    EXPECT_FALSE(event.wait(0));
    event.set();
    event.set();
    EXPECT_TRUE(event.wait(0));
    EXPECT_TRUE(event.wait(0)); // waiting does not reset it
    event.reset();
    EXPECT_FALSE(event.wait(10));
    std::thread setter([&] {
        std::this_thread::sleep_for(30ms);
        event.set();
    });
    EXPECT_TRUE(event.wait(5000));
    setter.join();
}
