#include "platform/os/sync.h"

#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

namespace Platform::Os {

namespace {

// The thread checker sees a write and a read of one descriptor as a hand-off,
// but not a wake from poll(): a thread released by an event it only polls
// (events stay set; waits do not read them) would seem to race with the thread
// that set it. Each handle gets a key here: a signal releases on it, a wait
// that woke acquires it.
#if defined(__SANITIZE_THREAD__)
char handOffKeys[4096];
void* handOffKey(int handle) { return &handOffKeys[static_cast<unsigned>(handle) % sizeof handOffKeys]; }
void releaseHandOff(int handle) { __tsan_release(handOffKey(handle)); }
void acquireHandOff(int handle) { __tsan_acquire(handOffKey(handle)); }
#else
void releaseHandOff(int) {}
void acquireHandOff(int) {}
#endif

int pollFor(pollfd* fds, int count, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs < 0 ? 0 : timeoutMs);
    for (;;) {
        int wait = timeoutMs;
        if (timeoutMs > 0) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        int n = ::poll(fds, static_cast<nfds_t>(count), wait);
        if (n > 0) {
            for (int i = 0; i < count; ++i) {
                if (fds[i].revents & POLLNVAL)
                    return EBADF;
            }
            return 0;
        }
        if (n == 0)
            return ETIMEDOUT;
        if (errno != EINTR)
            return errno;
    }
}
} // namespace

int createEvent()
{
    return ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

int setEvent(int handle)
{
    releaseHandOff(handle);
    uint64_t one = 1;
    if (::write(handle, &one, sizeof one) == sizeof one)
        return 0;
    // A full counter (EAGAIN) means the event is signalled already.
    return errno == EAGAIN ? 0 : errno;
}

int resetEvent(int handle)
{
    uint64_t value;
    if (::read(handle, &value, sizeof value) == sizeof value)
        return 0;
    return errno == EAGAIN ? 0 : errno;
}

int createSemaphore(unsigned initial)
{
    return ::eventfd(initial, EFD_CLOEXEC | EFD_NONBLOCK | EFD_SEMAPHORE);
}

int releaseSemaphore(int handle, unsigned count)
{
    if (count == 0)
        return 0;
    releaseHandOff(handle);
    uint64_t n = count;
    return ::write(handle, &n, sizeof n) == sizeof n ? 0 : errno;
}

int acquireSemaphore(int handle)
{
    for (;;) {
        uint64_t value;
        if (::read(handle, &value, sizeof value) == sizeof value) {
            acquireHandOff(handle);
            return 0;
        }
        if (errno != EAGAIN && errno != EINTR)
            return errno;
        // Another waiter may take the unit first: poll again then.
        pollfd p{handle, POLLIN, 0};
        if (int e = pollFor(&p, 1, -1))
            return e;
    }
}

int createTimer()
{
    return ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
}

int setTimer(int handle, unsigned dueMs, unsigned periodMs)
{
    itimerspec spec{};
    // A zero due time would disarm the timer: the earliest expiry is one nanosecond.
    uint64_t dueNs = dueMs ? static_cast<uint64_t>(dueMs) * 1000000u : 1u;
    spec.it_value.tv_sec = static_cast<time_t>(dueNs / 1000000000u);
    spec.it_value.tv_nsec = static_cast<long>(dueNs % 1000000000u);
    spec.it_interval.tv_sec = periodMs / 1000;
    spec.it_interval.tv_nsec = static_cast<long>(periodMs % 1000) * 1000000L;
    readTimer(handle); // expirations of an earlier setting do not count
    releaseHandOff(handle);
    return ::timerfd_settime(handle, 0, &spec, nullptr) == 0 ? 0 : errno;
}

int cancelTimer(int handle)
{
    itimerspec spec{};
    if (::timerfd_settime(handle, 0, &spec, nullptr) != 0)
        return errno;
    readTimer(handle);
    return 0;
}

uint64_t readTimer(int handle)
{
    uint64_t count;
    if (::read(handle, &count, sizeof count) == sizeof count)
        return count;
    return 0;
}

void closeHandle(int handle)
{
    if (handle >= 0)
        ::close(handle);
}

int waitHandle(int handle, int timeoutMs)
{
    pollfd p{handle, POLLIN, 0};
    const int e = pollFor(&p, 1, timeoutMs);
    if (e == 0)
        acquireHandOff(handle);
    return e;
}

int waitAnyHandle(const int* handles, int count, int timeoutMs, int& index)
{
    std::vector<pollfd> fds(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        fds[static_cast<size_t>(i)] = pollfd{handles[i], POLLIN, 0};
    if (int e = pollFor(fds.data(), count, timeoutMs))
        return e;
    for (int i = 0; i < count; ++i) {
        if (fds[static_cast<size_t>(i)].revents) {
            index = i;
            acquireHandOff(handles[i]);
            return 0;
        }
    }
    return ETIMEDOUT;
}

} // namespace Platform::Os
