#include "platform/os/folder.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::Os {

int listFolder(const std::string& folder, std::vector<FolderEntry>& out)
{
    out.clear();
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return errno;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        FolderEntry entry;
        entry.name = name;
        struct stat st {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, 0) == 0) {
            entry.isFolder = S_ISDIR(st.st_mode);
            entry.size = static_cast<uint64_t>(st.st_size);
            entry.lastWriteNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        }
        out.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    return 0;
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

int createFolders(const std::string& path)
{
    if (path.empty())
        return ENOENT;
    if (isFolder(path))
        return 0;
    size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
        if (int e = createFolders(path.substr(0, slash)))
            return e;
    }
    if (::mkdir(path.c_str(), 0755) != 0 && !(errno == EEXIST && isFolder(path)))
        return errno;
    return 0;
}

int removeFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

bool matchWildcard(const std::string& pattern, const std::string& name)
{
    return ::fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD | FNM_NOESCAPE) == 0;
}

} // namespace Platform::Os
