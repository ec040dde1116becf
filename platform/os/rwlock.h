#pragma once
// The project lock: a reader/writer lock that is not recursive and prefers
// readers. A reader gets in whenever only readers hold the lock, even while a
// writer waits: a render thread that waits for another one holding the lock
// shared must not be shut out by a pending writer, or the three deadlock.
// Writers cannot starve in practice: the one writer (the main thread) stops
// playback, and with it the stream of readers, before it locks.

namespace Platform::Os {

class ReaderWriterLock {
public:
    ReaderWriterLock();
    ~ReaderWriterLock();
    ReaderWriterLock(const ReaderWriterLock&) = delete;
    ReaderWriterLock& operator=(const ReaderWriterLock&) = delete;

    void lockExclusive();
    void unlockExclusive();
    void lockShared();
    void unlockShared();
    // Whether the lock could be taken at once (then it is held).
    bool tryLockExclusive();
    bool tryLockShared();

private:
    alignas(8) unsigned char storage_[64];
};

} // namespace Platform::Os
