#include "platform/os/file.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::Os {

namespace {
std::atomic<unsigned> temporaryCounter{0};

std::string temporaryNameFor(const std::string& path)
{
    return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(temporaryCounter++);
}

// The file a replacement goes to: a symbolic link is written through, so the
// link stays and the file it names gets the new content.
std::string replacementTarget(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return path; // a dangling link is replaced like a missing file
    std::string target = resolved;
    std::free(resolved);
    return target;
}

// Removes the replacement files that processes which are gone left beside
// target (killed while writing it): "<target>.tmp-<pid>-<n>" whose process no
// longer exists. Files of running processes, of this one and of other names stay.
void removeStaleReplacements(const std::string& target)
{
    const size_t slash = target.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp-";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0)
            continue;
        // "<pid>-<n>", both decimal.
        const std::string rest = name.substr(prefix.size());
        const size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == rest.size() ||
            rest.find_first_not_of("0123456789-") != std::string::npos || rest.find('-', dash + 1) != std::string::npos)
            continue;
        const pid_t pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
        if (pid <= 0 || pid == self || ::kill(pid, 0) == 0 || errno != ESRCH)
            continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(path.c_str());
    }
    ::closedir(dir);
}

// Makes a rename in the folder of path survive a crash of the machine.
void syncFolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

File::~File()
{
    close();
}

File::File(File&& other) noexcept
    : fd_(other.fd_), target_(std::move(other.target_)), temporary_(std::move(other.temporary_))
{
    other.fd_ = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = other.fd_;
        target_ = std::move(other.target_);
        temporary_ = std::move(other.temporary_);
        other.fd_ = -1;
    }
    return *this;
}

int File::open(const std::string& path, OpenMode mode)
{
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case OpenMode::Read: flags |= O_RDONLY; break;
    case OpenMode::Replace: return openReplacement(path);
    case OpenMode::ReplaceShared: flags |= O_WRONLY | O_CREAT | O_TRUNC; break;
    case OpenMode::OpenOrCreate: flags |= O_WRONLY | O_CREAT; break;
    }
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return errno;
    fd_ = fd;
    return 0;
}

int File::openReplacement(const std::string& path)
{
    std::string target = replacementTarget(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    // Fail now, as an in-place open would, when the target cannot be replaced.
    if (exists && S_ISDIR(st.st_mode))
        return EISDIR;
    removeStaleReplacements(target);
    int fd;
    std::string name;
    do {
        // A name left behind by an earlier process of the same number is skipped.
        name = temporaryNameFor(target);
        fd = ::open(name.c_str(), O_CLOEXEC | O_WRONLY | O_CREAT | O_EXCL, 0644);
    } while (fd < 0 && errno == EEXIST);
    if (fd < 0)
        return errno;
    // The replacement keeps the permissions of the file it replaces.
    if (exists)
        ::fchmod(fd, st.st_mode & 07777);
    fd_ = fd;
    target_ = target;
    temporary_ = name;
    return 0;
}

namespace {
// Repeats a read or write until size bytes moved, the end was reached or it failed.
template <class Call, class Pointer>
int transfer(Call call, int fd, Pointer data, size_t size, size_t& done)
{
    done = 0;
    while (done < size) {
        ssize_t n = call(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return 0;
}
} // namespace

int File::read(void* buffer, size_t size, size_t& done)
{
    return transfer(::read, fd_, static_cast<char*>(buffer), size, done);
}

int File::write(const void* data, size_t size, size_t& done)
{
    return transfer(::write, fd_, static_cast<const char*>(data), size, done);
}

int File::seek(int64_t offset)
{
    if (::lseek(fd_, offset, SEEK_SET) < 0)
        return errno;
    return 0;
}

int File::size(uint64_t& out) const
{
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return errno;
    out = static_cast<uint64_t>(st.st_size);
    return 0;
}

int File::close()
{
    if (fd_ < 0)
        return 0;
    int result = 0;
    if (!temporary_.empty()) {
        if (::fsync(fd_) != 0)
            result = errno;
    }
    if (::close(fd_) != 0 && result == 0)
        result = errno;
    fd_ = -1;
    if (!temporary_.empty()) {
        if (result == 0) {
            if (::rename(temporary_.c_str(), target_.c_str()) != 0)
                result = errno;
            else
                syncFolderOf(target_);
        }
        if (result != 0)
            ::unlink(temporary_.c_str());
        temporary_.clear();
        target_.clear();
    }
    return result;
}

void File::discard()
{
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    target_.clear();
}

int readWholeFile(const std::string& path, std::string& out)
{
    out.clear();
    File file;
    if (int e = file.open(path, OpenMode::Read))
        return e;
    uint64_t size = 0;
    if (int e = file.size(size))
        return e;
    out.resize(static_cast<size_t>(size));
    size_t done = 0;
    if (int e = file.read(out.data(), out.size(), done))
        return e;
    out.resize(done);
    return 0;
}

} // namespace Platform::Os
