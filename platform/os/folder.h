#pragma once
// Folders and their listings. Paths are UTF-8; errors are errno values.
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Os {

struct FolderEntry {
    std::string name;
    bool isFolder = false;
    uint64_t size = 0;
    int64_t lastWriteNs = 0; // nanoseconds since the Unix epoch
};

// Entries of a folder other than "." and "..", sorted by name (byte order).
int listFolder(const std::string& folder, std::vector<FolderEntry>& out);
bool isFolder(const std::string& path);
bool pathExists(const std::string& path);
// Creates the folder and its missing parents; an existing folder is success.
int createFolders(const std::string& path);
int removeFile(const std::string& path);
// Shell-style wildcard ("*", "?") matched without regard to ASCII case.
bool matchWildcard(const std::string& pattern, const std::string& name);

} // namespace Platform::Os
