#include "core/sync.h"

#include "core/failure.h"
#include "platform/os/sync.h"

#include <cerrno>

namespace Sync {

namespace {
[[noreturn]] void fail(const char* call, const char* place, int error)
{
    errno = error;
    throw System::makeLastErrorException(call, place);
}
} // namespace

Event::Event() : handle_(Platform::Os::createEvent())
{
    if (handle_ < 0)
        throw System::makeLastErrorException("CreateEvent", "Sync::Event::Event");
}

Event::~Event()
{
    Platform::Os::closeHandle(handle_);
}

void Event::set()
{
    Platform::Os::setEvent(handle_);
}

void Event::reset()
{
    Platform::Os::resetEvent(handle_);
}

void Event::wait()
{
    if (int e = Platform::Os::waitHandle(handle_, -1))
        fail("WaitForSingleObject", "Sync::Event::wait", e);
}

bool Event::wait(int timeoutMs)
{
    int e = Platform::Os::waitHandle(handle_, timeoutMs);
    if (e == ETIMEDOUT)
        return false;
    if (e)
        fail("WaitForSingleObject", "Sync::Event::wait", e);
    return true;
}

Semaphore::~Semaphore()
{
    close();
}

void Semaphore::setMax(int max)
{
    if (exists() || max <= 0)
        return;
    int h = Platform::Os::createSemaphore(static_cast<unsigned>(max));
    if (h < 0)
        throw System::makeLastErrorException("CreateSemaphore", "Sync::Semaphore::setMax");
    max_ = max;
    count_.store(max, std::memory_order_relaxed);
    handle_.store(h, std::memory_order_release);
}

void Semaphore::acquire()
{
    int h = handle_.load(std::memory_order_acquire);
    if (h < 0)
        return;
    if (int e = Platform::Os::acquireSemaphore(h))
        fail("WaitForSingleObject", "Sync::Semaphore::acquire", e);
    count_.fetch_sub(1, std::memory_order_acq_rel);
}

void Semaphore::release(int n)
{
    int h = handle_.load(std::memory_order_acquire);
    if (h < 0 || n <= 0)
        return;
    // A release beyond the maximum fails as a whole and changes nothing.
    int current = count_.load(std::memory_order_relaxed);
    do {
        if (current + n > max_)
            return;
    } while (!count_.compare_exchange_weak(current, current + n, std::memory_order_acq_rel));
    Platform::Os::releaseSemaphore(h, static_cast<unsigned>(n));
}

void Semaphore::close()
{
    int h = handle_.exchange(-1, std::memory_order_acq_rel);
    Platform::Os::closeHandle(h);
}

Timer::Timer() : handle_(Platform::Os::createTimer())
{
    if (handle_ < 0)
        throw System::makeLastErrorException("CreateWaitableTimer", "Sync::Timer::Timer");
}

Timer::~Timer()
{
    Platform::Os::closeHandle(handle_);
}

void Timer::setInterval(unsigned milliseconds)
{
    if (int e = Platform::Os::setTimer(handle_, milliseconds, milliseconds))
        fail("SetWaitableTimer", "Sync::Timer::setInterval", e);
}

void Timer::clear()
{
    if (int e = Platform::Os::cancelTimer(handle_))
        fail("CancelWaitableTimer", "Sync::Timer::clear", e);
}

bool Timer::wait(int timeoutMs)
{
    int e = Platform::Os::waitHandle(handle_, timeoutMs);
    if (e == ETIMEDOUT)
        return false;
    if (e)
        fail("WaitForSingleObject", "Sync::Timer::wait", e);
    // Another reader may have taken the expiry between the wake-up and here.
    return Platform::Os::readTimer(handle_) > 0;
}

unsigned Timer::consume()
{
    return static_cast<unsigned>(Platform::Os::readTimer(handle_));
}

} // namespace Sync
