#pragma once
// Waitable kernel objects as file descriptors (eventfd, timerfd), so that a loop
// can wait on several of them at once with poll. Errors are errno values.
#include <cstdint>

namespace Platform::Os {

// An event that stays signalled until reset. Returns the descriptor, or -1 with errno set.
int createEvent();
int setEvent(int handle);
int resetEvent(int handle);

// A counting semaphore starting at initial. Acquiring takes one unit, waiting while none is free.
int createSemaphore(unsigned initial);
int releaseSemaphore(int handle, unsigned count);
int acquireSemaphore(int handle);

// A periodic timer that signals dueMs after it is set and then every periodMs (0: once).
// Reading its expirations (readTimer) resets it.
int createTimer();
int setTimer(int handle, unsigned dueMs, unsigned periodMs);
int cancelTimer(int handle);
// Takes the expirations counted since the last read; 0 when none (never blocks).
uint64_t readTimer(int handle);

void closeHandle(int handle);

// Waits until the handle is signalled, at most timeoutMs (negative: without time-out).
// Returns 0 when signalled, ETIMEDOUT on time-out, else errno. Does not reset the handle.
int waitHandle(int handle, int timeoutMs);
// Waits until one of count handles is signalled; index receives the first signalled one.
int waitAnyHandle(const int* handles, int count, int timeoutMs, int& index);

} // namespace Platform::Os
