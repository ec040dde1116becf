#include "platform/os/rwlock.h"

#include <pthread.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Platform::Os {

namespace {
static_assert(sizeof(pthread_rwlock_t) <= 64 && alignof(pthread_rwlock_t) <= 8);

pthread_rwlock_t* native(unsigned char* storage)
{
    return std::launder(reinterpret_cast<pthread_rwlock_t*>(storage));
}

// A failing lock call means a broken invariant (unlocking a lock not held,
// locking twice on one thread): going on would corrupt the project.
void check(int result, const char* call)
{
    if (result != 0) {
        std::fprintf(stderr, "%s failed: %s\n", call, std::strerror(result));
        std::abort();
    }
}
} // namespace

ReaderWriterLock::ReaderWriterLock()
{
    pthread_rwlockattr_t attributes;
    pthread_rwlockattr_init(&attributes);
    // Explicit, not the library's default: readers go first.
    check(pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_READER_NP), "pthread_rwlockattr_setkind_np");
    check(pthread_rwlock_init(new (storage_) pthread_rwlock_t, &attributes), "pthread_rwlock_init");
    pthread_rwlockattr_destroy(&attributes);
}

ReaderWriterLock::~ReaderWriterLock()
{
    pthread_rwlock_destroy(native(storage_));
}

void ReaderWriterLock::lockExclusive()
{
    check(pthread_rwlock_wrlock(native(storage_)), "pthread_rwlock_wrlock");
}

void ReaderWriterLock::unlockExclusive()
{
    check(pthread_rwlock_unlock(native(storage_)), "pthread_rwlock_unlock");
}

void ReaderWriterLock::lockShared()
{
    int result;
    // A reader lock fails with EAGAIN only when the reader count overflows.
    while ((result = pthread_rwlock_rdlock(native(storage_))) == EAGAIN) {
    }
    check(result, "pthread_rwlock_rdlock");
}

void ReaderWriterLock::unlockShared()
{
    check(pthread_rwlock_unlock(native(storage_)), "pthread_rwlock_unlock");
}

bool ReaderWriterLock::tryLockExclusive()
{
    return pthread_rwlock_trywrlock(native(storage_)) == 0;
}

bool ReaderWriterLock::tryLockShared()
{
    return pthread_rwlock_tryrdlock(native(storage_)) == 0;
}

} // namespace Platform::Os
