#pragma once
// Exact file transfers, whole-file text reads, folders and aligned memory.
#include <cstdint>
#include <memory>
#include <string>

namespace Platform::Os { class File; }

namespace System {

class File {
public:
    enum Mode {
        ModeRead = 0,        // read; the file must exist
        ModeWrite = 1,       // write a replacement: the target changes only when the file is closed
        ModeWriteShared = 2, // write, created anew or truncated, readable by others (log file)
        ModeOpenWrite = 3,   // write, open an existing file or create a new one
    };

    File();
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    void open(const wchar_t* path, int mode);
    // Gathers the writes that follow into blocks of that many bytes (0: every
    // write goes out at once). A failed write then shows at the write that
    // fills a block, or at close.
    void setWriteBuffer(size_t bytes);
    void readBlock(void* buffer, int size);
    void write(const void* data, int size);
    void seek(int64_t offset);
    uint64_t getSize() const;
    bool isOpen() const;
    // Closes the file; a ModeWrite file replaces its target here. A file left open
    // while an exception unwinds is discarded instead, keeping the old target.
    void close();

    // Reads a whole text file as UTF-8, or as the ANSI code page when it is not
    // valid UTF-8. Returns false on any failure (logged).
    static bool read(const wchar_t* path, std::wstring& text);
    // Creates the folder and its missing parents; an existing folder is success.
    static void createDirectory(const wchar_t* path);
    // Whether a file or folder exists at the path.
    static bool exists(const wchar_t* path);
    // Removes a file; false when there was none or it could not be removed.
    static bool remove(const wchar_t* path);

private:
    void writeThrough(const void* data, size_t size) const;
    void flushBuffer() const;

    std::unique_ptr<Platform::Os::File> file_;
    std::wstring path_;
    int unwinding_ = 0;
    mutable std::string buffer_; // writes not yet handed to the system
    size_t bufferLimit_ = 0;
};

// A memory block aligned to 32 bytes that never shrinks. Blocks of a
// megabyte or more are kept a while after they are freed and handed to the
// next buffer of about their size.
struct AlignedBuffer {
    void* data = nullptr;
    uint32_t capacity = 0;
    uint32_t size = 0;

    AlignedBuffer() = default;
    ~AlignedBuffer() { freeMemory(); }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;

    void allocMemory(uint32_t size);
    void freeMemory();
};

// A growable block of plain heap memory (chunk bytes, codec formats and
// buffers). Growing does not keep the old contents.
struct DataBuffer {
    uint32_t size = 0;
    uint32_t capacity = 0;
    void* data = nullptr;

    DataBuffer() = default;
    ~DataBuffer() { freeMemory(); }
    DataBuffer(const DataBuffer&) = delete;
    DataBuffer& operator=(const DataBuffer&) = delete;

    void allocMemory(uint32_t size);
    void freeMemory();
    uint8_t* bytes() { return static_cast<uint8_t*>(data); }
    const uint8_t* bytes() const { return static_cast<const uint8_t*>(data); }
};

} // namespace System
