#pragma once
// Lists of file paths, newest first: the recently used projects and the
// backups, with the backups' automatic-backup timer. Loading, saving and
// removing files are the subclasses' (the base does nothing).
#include "core/timer.h"

#include <list>
#include <string>
#include <vector>

namespace Edit {

class FileHistory {
public:
    FileHistory() = default;
    virtual ~FileHistory();
    FileHistory(const FileHistory&) = delete;
    FileHistory& operator=(const FileHistory&) = delete;

    virtual void loadFileList();
    virtual void saveFileList();
    // Called for each entry the list drops when it is trimmed.
    virtual void removeFile(const std::wstring& path);

    // Puts the path first, removing other entries equal to it, and trims; a
    // path that is empty or ends with a folder separator is ignored.
    void addFile(const std::wstring& path);
    // Drops the oldest entries beyond maxCount, removeFile for each.
    void trimFileList();
    // The paths, newest first; valid until the list changes.
    std::vector<const std::wstring*> getFileList() const;
    // The path at the index, "" outside the list.
    std::wstring getFileName(int index) const;

    int maxCount = 50;
    std::list<std::wstring> files;
};

// Recent projects.
class ProjectHistory : public FileHistory {};

// Backups, and the timer that writes them.
class BackupHistory : public FileHistory {
public:
    // Starts or stops the automatic backup after its settings changed.
    void updateAutoBackupTimer();
    void clearAutoBackupTimer() { timer.clear(); }

    System::Timer timer;
};

} // namespace Edit
