#pragma once
// Path variables ("%AppData%\system.conf"), file-name parts, time-stamped names,
// file-dialog filter strings and folder enumeration.
#include <cstdint>
#include <string>
#include <vector>

namespace System {

class FileName {
public:
    struct FileInfo {
        std::wstring path;
        uint64_t size = 0;
        int64_t lastWriteTime = 0; // nanoseconds since the Unix epoch
    };

    // Fills the variable table and creates the data folders. Called by the first
    // expansion.
    static void initializeVariableList();
    // The data folder for an install folder: install + "/data" when that is a
    // folder, else the per-user data home + "/velmora2".
    static std::wstring chooseDataFolder(const std::wstring& installFolder);
    // Expands a leading path variable in place.
    static void expandVariable(std::wstring& path);
    static std::wstring expand(const wchar_t* path);

    static std::wstring getDirectory(const std::wstring& path);
    static std::wstring getBaseName(const std::wstring& path);
    static std::wstring getExtension(const wchar_t* path);
    static std::wstring makeTimeStampFileName(const wchar_t* folder, const wchar_t* name, const wchar_t* extension);

    // Filter strings: pairs of a title and a ";" list of patterns, each element
    // ended by NUL, the whole ended by one more NUL.
    static std::vector<std::wstring> getFilterExtensionList(const std::wstring& filter);
    // One-based number of the first pair that lists the path's extension; 0 for none.
    static int getFilterIndex(const std::wstring& filter, const wchar_t* path);
    static std::wstring getFilterExtension(const std::wstring& filter, int index);

    // Files matching a wildcard pattern, sorted by name. Patterns whose extension
    // is empty or a wildcard match nothing.
    static std::vector<FileInfo> findFiles(const std::wstring& pattern, const wchar_t* folder);
    // Folders matching a pattern whose names do not begin with "."; path is the name alone.
    static std::vector<FileInfo> findFolders(const std::wstring& pattern);
};

} // namespace System
