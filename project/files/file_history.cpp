#include "project/files/file_history.h"

#include <algorithm>
#include <iterator>

namespace Edit {

FileHistory::~FileHistory() = default;

void FileHistory::loadFileList() {}

void FileHistory::saveFileList() {}

void FileHistory::removeFile(const std::wstring&) {}

void FileHistory::addFile(const std::wstring& path)
{
    if (path.empty() || path.back() == L'\\' || path.back() == L'/')
        return;
    files.remove(path);
    files.push_front(path);
    trimFileList();
}

void FileHistory::trimFileList()
{
    while (static_cast<int>(files.size()) > std::max(maxCount, 0)) {
        removeFile(files.back());
        files.pop_back();
    }
}

std::vector<const std::wstring*> FileHistory::getFileList() const
{
    std::vector<const std::wstring*> list;
    list.reserve(files.size());
    for (const std::wstring& file : files)
        list.push_back(&file);
    return list;
}

std::wstring FileHistory::getFileName(int index) const
{
    if (index < 0 || index >= static_cast<int>(files.size()))
        return {};
    auto it = files.begin();
    std::advance(it, index);
    return *it;
}

void BackupHistory::updateAutoBackupTimer() {}

} // namespace Edit
