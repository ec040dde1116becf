#pragma once
// A few threads that run a cache's loads: the loads of one strand (one file)
// one after another in the order they came, those of different strands at
// once. A file's reader is used by one thread at a time, and three movies
// decode side by side instead of in turn.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace System {

class LoadPool {
public:
    // name must outlive the pool (a literal). At most `bound` loads wait at once.
    LoadPool(const char* name, int threads, int bound);
    ~LoadPool();
    LoadPool(const LoadPool&) = delete;
    LoadPool& operator=(const LoadPool&) = delete;

    // Queues a load on its strand; waits while `bound` loads are queued. A
    // stopped pool destroys the load without running it.
    void submit(uint64_t strand, std::function<void()> load);
    // Returns once no load is queued or running.
    void wait();
    // The running loads finish; the queued ones are destroyed unrun.
    void stop();

    // Threads for a pool beside the render threads: half the processors, 2 to 4.
    static int defaultThreads();

private:
    struct Strand {
        std::deque<std::function<void()>> loads;
        bool running = false; // a thread runs one of its loads
    };

    void threadMain();

    const char* name_;
    const size_t bound_;
    std::mutex mutex_;
    std::condition_variable work_;  // a strand became ready, or the pool stopped
    std::condition_variable room_;  // a queued load was taken
    std::condition_variable idle_;  // a load finished
    std::unordered_map<uint64_t, Strand> strands_;
    std::deque<uint64_t> ready_; // strands with loads and no running one, oldest first
    size_t queued_ = 0;
    size_t running_ = 0;
    bool stopped_ = false;
    std::vector<std::thread> threads_;
};

} // namespace System
