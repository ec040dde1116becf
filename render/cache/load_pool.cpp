#include "render/cache/load_pool.h"

#include "core/log.h"
#include "platform/os/process.h"

#include <algorithm>

namespace System {

LoadPool::LoadPool(const char* name, int threads, int bound) : name_(name), bound_(size_t(std::max(bound, 1)))
{
    for (int i = 0; i < std::max(threads, 1); ++i)
        threads_.emplace_back([this] { threadMain(); });
}

LoadPool::~LoadPool() { stop(); }

int LoadPool::defaultThreads()
{
    return std::clamp(int(std::thread::hardware_concurrency() / 2), 2, 4);
}

void LoadPool::submit(uint64_t strand, std::function<void()> load)
{
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return stopped_ || queued_ < bound_; });
    if (stopped_) {
        lock.unlock();
        return; // destroyed outside the lock
    }
    Strand& s = strands_[strand];
    s.loads.push_back(std::move(load));
    ++queued_;
    if (!s.running && s.loads.size() == 1) {
        ready_.push_back(strand);
        work_.notify_one();
    }
}

void LoadPool::wait()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return stopped_ || (queued_ == 0 && running_ == 0); });
}

void LoadPool::stop()
{
    std::unordered_map<uint64_t, Strand> dropped;
    {
        std::lock_guard lock(mutex_);
        if (stopped_)
            return;
        stopped_ = true;
        dropped.swap(strands_);
        ready_.clear();
        queued_ = 0;
    }
    work_.notify_all();
    room_.notify_all();
    idle_.notify_all();
    for (std::thread& t : threads_)
        t.join();
    threads_.clear();
    // The queued loads go here, outside the lock: their captures release waiters.
    dropped.clear();
}

void LoadPool::threadMain()
{
    Platform::Os::setCurrentThreadName(name_);
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return stopped_ || !ready_.empty(); });
        if (stopped_)
            return;
        const uint64_t strand = ready_.front();
        ready_.pop_front();
        Strand& s = strands_[strand];
        std::function<void()> load = std::move(s.loads.front());
        s.loads.pop_front();
        s.running = true;
        --queued_;
        ++running_;
        room_.notify_one();
        lock.unlock();
        try {
            load();
        } catch (const std::exception& e) {
            System::Log::error("System::LoadPool::threadMain", "[%s] exception.\n%s", name_, e.what());
        }
        load = nullptr;
        lock.lock();
        --running_;
        if (!stopped_) {
            Strand& after = strands_[strand];
            after.running = false;
            if (after.loads.empty())
                strands_.erase(strand);
            else
                ready_.push_back(strand);
            if (!ready_.empty())
                work_.notify_one();
        }
        idle_.notify_all();
    }
}

} // namespace System
