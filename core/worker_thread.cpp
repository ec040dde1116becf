#include "core/worker_thread.h"

#include "core/event_service.h"
#include "core/failure.h"
#include "core/log.h"
#include "core/process.h"
#include "platform/os/process.h"

#include <cerrno>
#include <chrono>
#include <memory>

namespace Worker {

namespace {
constexpr const char* ProcessPlace = "Worker::WorkerThread::processTask";

// Signals the waiter when the marker task is destroyed: after it ran, or when it
// was dropped by stop, so that wait() never outlives the queue it waits on.
struct MarkerSignal {
    explicit MarkerSignal(std::shared_ptr<Sync::Event> e) : event(std::move(e)) {}
    ~MarkerSignal() { event->set(); }
    MarkerSignal(const MarkerSignal&) = delete;
    MarkerSignal& operator=(const MarkerSignal&) = delete;
    std::shared_ptr<Sync::Event> event;
};

void reportTaskException(const char* name, const char* text)
{
    System::Log::error(ProcessPlace, "[%s] exception.\n%s", name, text);
    Event::postException(Event::EventCommandType::RethrowException, text);
}
} // namespace

WorkerThread::WorkerThread(const char* name) : name(name)
{
    thread = std::thread([this] { threadMain(); });
}

WorkerThread::~WorkerThread()
{
    stop();
    semaphore.close();
}

void WorkerThread::request(int key, std::function<void()> function)
{
    if (!isRunning())
        return;
    semaphore.acquire();
    Task task{key, std::move(function)}; // built before the lock: the critical section stays short
    std::unique_lock lock(mutex);
    if (!isRunning()) {
        // Stopped while this producer waited for room; the task is destroyed outside the lock.
        lock.unlock();
        semaphore.release(1);
        return;
    }
    queue.push_back(std::move(task));
    queued.store(queue.size(), std::memory_order_relaxed);
    if (sleeping) {
        sleeping = false;
        wakeEvent.set();
    }
}

void WorkerThread::cancel(int key)
{
    if (key == MarkerKey)
        return;
    std::deque<Task> removed;
    {
        std::lock_guard lock(mutex);
        for (auto it = queue.begin(); it != queue.end();) {
            if (it->key == key) {
                removed.push_back(std::move(*it));
                it = queue.erase(it);
            } else {
                ++it;
            }
        }
        queued.store(queue.size(), std::memory_order_relaxed);
    }
    // The removed tasks are destroyed outside the lock: their captures may be heavy.
    if (!removed.empty())
        semaphore.release(static_cast<int>(removed.size()));
}

void WorkerThread::wait()
{
    if (!isRunning())
        return;
    if (thread.get_id() == std::this_thread::get_id())
        throw System::makeErrorCodeException("Worker::WorkerThread::wait", EDEADLK);
    // One event per waiting thread, reused: creating a descriptor per wait
    // costs more than the wait. A thread waits on one marker at a time; an
    // event a marker still holds (a wait left by an exception) is replaced.
    thread_local std::shared_ptr<Sync::Event> reused;
    if (!reused || reused.use_count() > 1)
        reused = std::make_shared<Sync::Event>();
    else
        reused->reset();
    std::shared_ptr<Sync::Event> event = reused;
    auto signal = std::make_shared<MarkerSignal>(event);
    request(MarkerKey, [signal] {});
    signal.reset();
    event->wait();
}

void WorkerThread::stop()
{
    if (!running.exchange(false, std::memory_order_acq_rel))
        return;
    wakeEvent.set();
    thread.join();
    std::deque<Task> dropped;
    {
        std::lock_guard lock(mutex);
        dropped.swap(queue);
        queued.store(0, std::memory_order_relaxed);
    }
    // Producers blocked on a full queue get their room back and see the worker stopped.
    if (!dropped.empty())
        semaphore.release(static_cast<int>(dropped.size()));
    dropQueue(dropped);
}

void WorkerThread::dropQueue(std::deque<Task>& tasks)
{
    while (!tasks.empty()) {
        try {
            tasks.pop_front();
        } catch (const std::exception& e) {
            System::Log::error("Worker::WorkerThread::stop", "[%s] exception.\n%s", name, e.what());
        }
    }
}

size_t WorkerThread::queuedCount()
{
    std::lock_guard lock(mutex);
    return queue.size();
}

void WorkerThread::threadMain()
{
    Platform::Os::setCurrentThreadName(name);
    System::Process::SetThreadPriority("WorkerThreadPriority");
    while (isRunning()) {
        spinForWork();
        bool wait = false;
        {
            std::lock_guard lock(mutex);
            if (queue.empty()) {
                sleeping = true;
                wait = true;
            }
        }
        if (wait) {
            // A producer signals only while sleeping is set, and clears it: one
            // signal per sleep (plus stop's), taken back right after waking.
            try {
                wakeEvent.wait();
            } catch (const std::exception&) {
                // Not expected with a valid handle; the report's ERROR line is the trace.
                System::Log::error("Worker::WorkerThread::threadMain", "[%s] wait failed; thread ends.", name);
                return;
            }
            wakeEvent.reset();
        }
        while (isRunning() && processTask()) {
        }
    }
}

void WorkerThread::spinForWork()
{
    // Work that arrives within a few microseconds of the queue running dry is
    // taken without the cost of sleeping and being woken.
    constexpr auto SpinTime = std::chrono::microseconds(20);
    const auto until = std::chrono::steady_clock::now() + SpinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (queued.load(std::memory_order_relaxed) != 0 || !isRunning())
                return;
#if defined(__x86_64__) || defined(__i386__)
            __builtin_ia32_pause();
#endif
        }
        if (std::chrono::steady_clock::now() >= until)
            return;
    }
}

bool WorkerThread::processTask()
{
    Task task;
    {
        std::lock_guard lock(mutex);
        if (queue.empty())
            return false;
        task = std::move(queue.front());
        queue.pop_front();
        queued.store(queue.size(), std::memory_order_relaxed);
    }
    semaphore.release(1);
    try {
        if (task.function)
            task.function();
    } catch (const std::exception& e) {
        reportTaskException(name, e.what());
    } catch (...) {
        reportTaskException(name, "unknown exception.");
    }
    // Destroying the function is what signals a wait() marker.
    task.function = nullptr;
    return true;
}

} // namespace Worker
