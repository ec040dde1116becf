#pragma once
// A named thread that runs queued tasks one after another. Tasks carry an
// integer key by which the owner cancels all queued tasks of one kind; an
// optional bound makes producers wait while the queue is full; wait() returns
// once everything queued before it has run. A task that throws is logged and
// handed to the main thread, and the worker goes on with the next task.
#include "core/sync.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace Worker {

class WorkerThread {
public:
    struct Task {
        int key;
        std::function<void()> function;
    };

    // name must outlive the worker (a literal): it is kept, not copied.
    explicit WorkerThread(const char* name);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Queues a task; blocks while a bounded queue is full. On a stopped worker the
    // task is destroyed without running.
    void request(int key, std::function<void()> function);
    // Removes every queued task with this key (the running one is not affected).
    // Markers of wait() are never removed.
    void cancel(int key);
    // Returns once every task queued before the call has run or was dropped. Returns
    // at once on a stopped worker. Must not be called from the worker's own thread.
    void wait();
    // Lets the running task finish, ends the thread and destroys the tasks still queued.
    void stop();

    bool isRunning() const { return running.load(std::memory_order_acquire); }
    // True on the worker's own thread.
    bool onThread() const { return thread.get_id() == std::this_thread::get_id(); }
    const char* getName() const { return name; }
    size_t queuedCount();

    static constexpr int MarkerKey = -1;

private:
    void threadMain();
    bool processTask();
    void spinForWork();
    void dropQueue(std::deque<Task>& tasks);

    std::mutex mutex;
    Sync::Event wakeEvent;
    std::thread thread;
    std::deque<Task> queue;

public:
    // Bounds the queue; the owner calls semaphore.setMax(n) right after construction.
    Sync::Semaphore semaphore;

private:
    std::atomic<bool> running{true};
    const char* name;
    bool sleeping = false; // guarded by mutex: the thread waits on wakeEvent
    std::atomic<size_t> queued{0}; // the queue's length, read without the mutex
};

} // namespace Worker
