#pragma once
// Synchronisation objects used by the workers, caches and the player. Each wraps
// a waitable handle (a file descriptor) that a loop can also wait on with others.
#include <atomic>

namespace Sync {

// Manual reset: stays signalled until reset. Created not signalled.
class Event {
public:
    Event();
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // Waits without time-out until the event is signalled.
    void wait();
    // Waits at most timeoutMs; true when signalled.
    bool wait(int timeoutMs);
    int handle() const { return handle_; }

private:
    int handle_;
};

// Bounds a worker's queue: absent until setMax, then each queued task holds one unit.
class Semaphore {
public:
    Semaphore() = default;
    ~Semaphore();
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    // Creates the semaphore with max free units; nothing happens when one exists or max is 0.
    void setMax(int max);
    // Takes one unit, waiting while none is free. Does nothing without a semaphore.
    void acquire();
    // Gives back n units, never more than max in total. Does nothing without a semaphore.
    void release(int n);
    void close();
    bool exists() const { return handle_.load(std::memory_order_acquire) >= 0; }
    int max() const { return max_; }

private:
    std::atomic<int> handle_{-1};
    int max_ = 0;
    // Units free or on their way back; never above max.
    std::atomic<int> count_{0};
};

// Auto reset: taking its expirations (consume) resets it. Its handle is what the
// owner hands to the main loop together with a callback.
class Timer {
public:
    Timer();
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // First signalled milliseconds after the call, then every milliseconds.
    void setInterval(unsigned milliseconds);
    void clear();
    // Waits at most timeoutMs for an expiry and takes it; true when one came.
    bool wait(int timeoutMs);
    // Takes the expirations so far without waiting; returns their number.
    unsigned consume();
    int handle() const { return handle_; }

private:
    int handle_;
};

} // namespace Sync
