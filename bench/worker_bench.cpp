// Worker thread round trip (queue a task, wait for it) and throughput of tiny
// tasks, beside the same figures for a bare std::thread + condition-variable queue.
#include "core/worker_thread.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {
using Clock = std::chrono::steady_clock;

// The smallest honest queue: one mutex, one condition variable, FIFO of functions.
class BareQueue {
public:
    BareQueue() : thread_([this] { run(); }) {}
    ~BareQueue()
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    void request(std::function<void()> task)
    {
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(task));
        }
        wake_.notify_one();
    }
    // Queues a marker and waits until it ran.
    void wait()
    {
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        request([&] {
            std::lock_guard lock(m);
            done = true;
            cv.notify_one();
        });
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return done; });
    }

private:
    void run()
    {
        for (;;) {
            std::function<void()> task;
            {
                std::unique_lock lock(mutex_);
                wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
                if (stop_)
                    return;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    bool stop_ = false;
    std::thread thread_;
};

template <class Q>
double roundTripMicroseconds(Q& queue, int rounds)
{
    volatile int sink = 0;
    std::vector<double> samples;
    samples.reserve(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        queue.request([&sink] { sink = sink + 1; });
        queue.wait();
        samples.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2]; // median
}

template <class Q>
double tasksPerSecond(Q& queue, int tasks)
{
    volatile int sink = 0;
    auto start = Clock::now();
    for (int i = 0; i < tasks; ++i)
        queue.request([&sink] { sink = sink + 1; });
    queue.wait();
    return tasks / std::chrono::duration<double>(Clock::now() - start).count();
}

struct WorkerAdapter {
    Worker::WorkerThread worker{"BenchWorker"};
    void request(std::function<void()> task) { worker.request(0, std::move(task)); }
    void wait() { worker.wait(); }
};
} // namespace

int main()
{
    const int rounds = 20000;
    const int tasks = 2000000;
    WorkerAdapter worker;
    BareQueue bare;
    // Warm up both, then measure each five times, interleaved, and keep the best.
    roundTripMicroseconds(worker, 2000);
    roundTripMicroseconds(bare, 2000);
    double workerTrip = 1e9, bareTrip = 1e9, workerRate = 0, bareRate = 0;
    for (int i = 0; i < 5; ++i) {
        workerTrip = std::min(workerTrip, roundTripMicroseconds(worker, rounds));
        bareTrip = std::min(bareTrip, roundTripMicroseconds(bare, rounds));
        workerRate = std::max(workerRate, tasksPerSecond(worker, tasks));
        bareRate = std::max(bareRate, tasksPerSecond(bare, tasks));
    }
    std::printf("round trip (request + wait), median of %d:\n", rounds);
    std::printf("  Worker::WorkerThread   %8.2f us\n", workerTrip);
    std::printf("  bare condition queue   %8.2f us   (worker / bare = %.2f)\n", bareTrip, workerTrip / bareTrip);
    std::printf("throughput of %d tiny tasks:\n", tasks);
    std::printf("  Worker::WorkerThread   %8.2f M tasks/s\n", workerRate / 1e6);
    std::printf("  bare condition queue   %8.2f M tasks/s   (bare / worker = %.2f)\n", bareRate / 1e6,
                bareRate / workerRate);
    return 0;
}
