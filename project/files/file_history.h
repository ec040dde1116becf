#pragma once
// Lists of file paths, newest first: the recently used projects and the
// backups, with the backups' automatic-backup timer. Loading, saving and
// removing files are the subclasses' (the base does nothing).
#include "core/file_name.h"
#include "core/timer.h"

#include <cstdint>
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

// The files matching a path pattern ("<folder>/*.<ext>"), sorted by name.
std::vector<System::FileName::FileInfo> getFolderFileList(const std::wstring& pattern);

// Recent projects, kept in "%AppData%/history.ini" (section "project", keys "1" to "50").
class ProjectHistory : public FileHistory {
public:
    // Empties the list and reads the file; a missing or broken file keeps what was read.
    void loadFileList() override;
    // Writes the list as keys "1", "2", ...; a failed write is ignored.
    void saveFileList() override;
};

// Backups in "%Backup%", and the timer that writes them.
class BackupHistory : public FileHistory {
public:
    ~BackupHistory() override;

    // Empties the list and lists "%Backup%/*.vmp2", newest first by the time
    // stamp of each name (the file's time when the name has none), across the
    // automatic and exception backups.
    void loadFileList() override;
    // Deletes the file; a failure is ignored.
    void removeFile(const std::wstring& path) override;

    // Starts the timer when the running edit service's AutoBackup is on and its
    // AutoBackupInterval and AutoBackupFileMax are above 0; stops it otherwise.
    void updateAutoBackupTimer();
    void clearAutoBackupTimer() { timer.clear(); }
    // The timer's tick: saves the project as a new time-stamped backup and,
    // once it is written, lists it and trims the oldest backups beyond the maximum.
    void autoBackupProject();

    // The time a backup name carries ("..._YYYY-MM-DD_hh-mm-ss-mmm.vmp2") as
    // YYYYMMDDhhmmssmmm; false when the name has none.
    static bool timeStampOf(const std::wstring& path, int64_t& key);

    System::Timer timer;
};

} // namespace Edit
