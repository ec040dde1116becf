#include "core/file.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"

#include <cerrno>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <vector>

namespace System {

File::File() : file_(std::make_unique<Platform::Os::File>()) {}

File::~File()
{
    if (!file_->isOpen())
        return;
    if (std::uncaught_exceptions() > unwinding_) {
        buffer_.clear();
        file_->discard();
        return;
    }
    try {
        close();
    } catch (const std::exception&) {
        // already reported by the failure factory
    }
}

void File::open(const wchar_t* path, int mode)
{
    close();
    Platform::Os::OpenMode m;
    switch (mode) {
    case ModeRead: m = Platform::Os::OpenMode::Read; break;
    case ModeWrite: m = Platform::Os::OpenMode::Replace; break;
    case ModeWriteShared: m = Platform::Os::OpenMode::ReplaceShared; break;
    default: m = Platform::Os::OpenMode::OpenOrCreate; break;
    }
    if (int e = file_->open(toLocalPath(path), m)) {
        errno = e;
        makeLastErrorException("CreateFileW", "System::File::open");
        throw makeFormatException("System::File::open", "failed to open file.", L"%s", path);
    }
    path_ = path;
    unwinding_ = std::uncaught_exceptions();
    buffer_.clear();
    bufferLimit_ = 0;
}

void File::setWriteBuffer(size_t bytes)
{
    flushBuffer();
    bufferLimit_ = bytes;
    buffer_.reserve(bytes);
}

void File::readBlock(void* buffer, int size)
{
    size_t done = 0;
    if (int e = file_->read(buffer, size > 0 ? static_cast<size_t>(size) : 0, done)) {
        errno = e;
        throw makeLastErrorException("ReadFile", "System::File::readBlock");
    }
    if (done != static_cast<size_t>(size > 0 ? size : 0))
        throw makeErrorCodeException("System::File::readBlock", ErrorReadFault);
}

void File::write(const void* data, int size)
{
    const size_t length = size > 0 ? static_cast<size_t>(size) : 0;
    if (bufferLimit_ == 0) {
        writeThrough(data, length);
        return;
    }
    buffer_.append(static_cast<const char*>(data), length);
    if (buffer_.size() >= bufferLimit_)
        flushBuffer();
}

void File::writeThrough(const void* data, size_t size) const
{
    size_t done = 0;
    if (int e = file_->write(data, size, done)) {
        errno = e;
        throw makeLastErrorException("WriteFile", "System::File::write");
    }
    if (done != size)
        throw makeErrorCodeException("System::File::write", ErrorWriteFault);
}

void File::flushBuffer() const
{
    if (buffer_.empty())
        return;
    std::string pending;
    pending.swap(buffer_);
    writeThrough(pending.data(), pending.size());
    pending.clear();
    buffer_.swap(pending); // keeps the capacity
}

void File::seek(int64_t offset)
{
    flushBuffer();
    if (int e = file_->seek(offset)) {
        errno = e;
        throw makeLastErrorException("SetFilePointerEx", "System::File::seek");
    }
}

uint64_t File::getSize() const
{
    flushBuffer();
    uint64_t size = 0;
    if (int e = file_->size(size)) {
        errno = e;
        throw makeLastErrorException("GetFileSizeEx", "System::File::getSize");
    }
    return size;
}

bool File::isOpen() const
{
    return file_->isOpen();
}

void File::close()
{
    if (!file_->isOpen())
        return;
    try {
        flushBuffer();
    } catch (...) {
        // A file that could not be written whole never replaces its target.
        buffer_.clear();
        file_->discard();
        throw;
    }
    if (int e = file_->close()) {
        errno = e;
        makeLastErrorException("CloseHandle", "System::File::close");
        throw makeFormatException("System::File::close", "failed to write file.", L"%s", path_.c_str());
    }
}

bool File::read(const wchar_t* path, std::wstring& text)
{
    text.clear();
    std::string bytes;
    try {
        File file;
        file.open(path, ModeRead);
        uint64_t size = file.getSize();
        // Text files of 4 GiB and more are refused rather than read in part.
        if (size >= (uint64_t(1) << 32)) {
            makeFormatException("System::File::read", "file is too large.", L"%s", path);
            return false;
        }
        bytes.resize(static_cast<size_t>(size));
        size_t done = 0;
        if (int e = file.file_->read(bytes.data(), bytes.size(), done)) {
            errno = e;
            makeLastErrorException("ReadFile", "System::File::read");
            return false;
        }
        bytes.resize(done);
    } catch (const std::exception&) {
        return false;
    }
    if (size_t nul = bytes.find('\0'); nul != std::string::npos)
        bytes.resize(nul);
    text = isValidUtf8(bytes) ? utf8ToWide(bytes) : ansiToWide(bytes);
    return true;
}

void File::createDirectory(const wchar_t* path)
{
    if (int e = Platform::Os::createFolders(toLocalPath(path)))
        throw makeHresultException("SHCreateDirectory", "System::File::createDirectory", hresultFromError(e));
}

bool File::exists(const wchar_t* path)
{
    return Platform::Os::pathExists(toLocalPath(path));
}

bool File::remove(const wchar_t* path)
{
    return Platform::Os::removeFile(toLocalPath(path)) == 0;
}

namespace {
// Large blocks kept a while after their buffers free them. Pictures and sound
// blocks come and go at the same few sizes, and a fresh block costs the
// system a page fault per 4 KB on first touch: a frame's worth each time.
class SpareBlocks {
public:
    static constexpr uint32_t MinBytes = 1u << 20;
    static constexpr size_t MaxBlocks = 8;
    static constexpr uint64_t MaxBytes = uint64_t(256) << 20;

    // Keeps a large block (the buffer is left empty); frees the oldest kept
    // ones beyond the bounds.
    void give(AlignedBuffer& buffer)
    {
        if (!buffer.data || buffer.capacity < MinBytes)
            return;
        std::vector<void*> dropped;
        {
            std::lock_guard lock(mutex_);
            blocks_.push_back({buffer.data, buffer.capacity});
            bytes_ += buffer.capacity;
            while (blocks_.size() > MaxBlocks || bytes_ > MaxBytes) {
                dropped.push_back(blocks_.front().data);
                bytes_ -= blocks_.front().capacity;
                blocks_.erase(blocks_.begin());
            }
        }
        buffer.data = nullptr;
        buffer.capacity = buffer.size = 0;
        for (void* d : dropped)
            std::free(d);
    }

    // Hands an empty buffer the most recently kept block that holds size bytes
    // without wasting more than a quarter; otherwise leaves it empty.
    void take(AlignedBuffer& buffer, uint32_t size)
    {
        if (size < MinBytes)
            return;
        std::lock_guard lock(mutex_);
        for (size_t i = blocks_.size(); i-- > 0;) {
            const Block b = blocks_[i];
            if (b.capacity < size || b.capacity - size > size / 4)
                continue;
            blocks_.erase(blocks_.begin() + std::ptrdiff_t(i));
            bytes_ -= b.capacity;
            buffer.data = b.data;
            buffer.capacity = b.capacity;
            buffer.size = 0;
            return;
        }
    }

private:
    struct Block {
        void* data;
        uint32_t capacity;
    };
    std::mutex mutex_;
    std::vector<Block> blocks_; // oldest first
    uint64_t bytes_ = 0;
};

SpareBlocks& spareBlocks()
{
    static SpareBlocks* blocks = new SpareBlocks; // outlives every buffer, static ones included
    return *blocks;
}
} // namespace

void AlignedBuffer::allocMemory(uint32_t newSize)
{
    if (newSize > capacity) {
        freeMemory();
        spareBlocks().take(*this, newSize);
    }
    if (newSize > capacity) {
        size_t bytes = (static_cast<size_t>(newSize) + 31) & ~size_t(31);
        data = std::aligned_alloc(32, bytes);
        if (!data)
            throw makeErrorCodeException("System::AlignedBuffer::allocMemory", ErrorOutOfMemory);
        capacity = newSize;
    }
    size = newSize;
}

void AlignedBuffer::freeMemory()
{
    spareBlocks().give(*this);
    std::free(data);
    data = nullptr;
    capacity = 0;
    size = 0;
}

void DataBuffer::allocMemory(uint32_t newSize)
{
    if (newSize > capacity) {
        freeMemory();
        data = std::malloc(newSize);
        if (!data)
            throw makeErrorCodeException("System::DataBuffer::allocMemory", ErrorOutOfMemory);
        capacity = newSize;
    }
    size = newSize;
}

void DataBuffer::freeMemory()
{
    std::free(data);
    data = nullptr;
    capacity = 0;
    size = 0;
}

} // namespace System
