#pragma once
// Byte-exact file access on POSIX descriptors. Errors are errno values (0 = success).
#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform::Os {

enum class OpenMode {
    Read,          // read, the file must exist
    Replace,       // write a new file; it replaces the target only on commit (through a
                   // symbolic link, keeping the target's permissions). The copies that
                   // killed processes left beside the target are removed first.
    ReplaceShared, // write, created anew or truncated in place (others may read)
    OpenOrCreate,  // write, open an existing file or create a new one
};

class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // Closes (committing) a file that is still open, then opens path.
    int open(const std::string& path, OpenMode mode);
    bool isOpen() const { return fd_ >= 0; }

    // Transfers up to size bytes; done receives the count actually moved.
    int read(void* buffer, size_t size, size_t& done);
    int write(const void* data, size_t size, size_t& done);
    int seek(int64_t offset);
    int size(uint64_t& out) const;

    // Closes the file. A Replace file is flushed to disk and renamed over its
    // target here, so readers never see a half-written file.
    int close();
    // Closes without committing: a Replace file's temporary copy is removed and
    // the target is left as it was.
    void discard();

private:
    int openReplacement(const std::string& path);

    int fd_ = -1;
    std::string target_;    // final name of a Replace file
    std::string temporary_; // name written while a Replace file is open
};

// Reads a whole file into bytes. Returns errno (0 = success).
int readWholeFile(const std::string& path, std::string& out);

} // namespace Platform::Os
