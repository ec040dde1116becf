#include "platform/os/process.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Platform::Os {

std::string executablePath()
{
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

int commandLineArguments(std::vector<std::string>& out)
{
    out.clear();
    // A /proc file tells no size: read until its end.
    std::FILE* file = std::fopen("/proc/self/cmdline", "rb");
    if (!file)
        return errno;
    std::string bytes;
    char block[4096];
    size_t n;
    while ((n = std::fread(block, 1, sizeof block, file)) > 0)
        bytes.append(block, n);
    const int e = std::ferror(file) ? EIO : 0;
    std::fclose(file);
    if (e)
        return e;
    // Each argument ends with a NUL.
    size_t begin = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\0') {
            out.emplace_back(bytes, begin, i - begin);
            begin = i + 1;
        }
    }
    if (begin < bytes.size())
        out.emplace_back(bytes, begin);
    return 0;
}

std::string userDataHome()
{
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x == '/')
        return x;
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        if (passwd* pw = ::getpwuid(::getuid()))
            home = pw->pw_dir;
    }
    return std::string(home ? home : "") + "/.local/share";
}

uint64_t currentThreadId()
{
    thread_local uint64_t id = static_cast<uint64_t>(::syscall(SYS_gettid));
    return id;
}

void setCurrentThreadName(const std::string& name)
{
    // The kernel keeps 15 bytes of a thread name.
    ::pthread_setname_np(::pthread_self(), name.substr(0, 15).c_str());
}

int setCurrentThreadPriority(int priority)
{
    if (priority == 0)
        return 0;
    int tid = static_cast<int>(currentThreadId());
    errno = 0;
    int nice = ::getpriority(PRIO_PROCESS, tid);
    if (nice == -1 && errno != 0)
        return errno;
    // Lowering the nice value needs privileges; a refusal is reported to the caller.
    if (::setpriority(PRIO_PROCESS, tid, nice - priority) != 0)
        return errno;
    return 0;
}

std::string userInterfaceLanguage()
{
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (!value || !*value)
            continue;
        std::string text = value;
        // "ja_JP.UTF-8", "en_US:en", "pt-BR": the letters before the first separator.
        size_t end = text.find_first_of(":_.@-");
        std::string primary = text.substr(0, end);
        if (primary.empty())
            continue;
        if (primary == "C" || primary == "POSIX")
            return {};
        for (char& c : primary) {
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        }
        return primary;
    }
    return {};
}

uint64_t installedMemoryKiB()
{
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize) / 1024;
}

LocalTime localTime()
{
    auto now = std::chrono::system_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm {};
    ::localtime_r(&seconds, &tm);
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                     tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000)};
}

std::string errorText(int error)
{
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in buffer.
    const char* text = ::strerror_r(error, buffer, sizeof buffer);
    return text ? text : "unknown error";
}

void debugOutput(const char* text)
{
    std::fputs(text, stderr);
}

} // namespace Platform::Os
