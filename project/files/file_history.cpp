#include "project/files/file_history.h"

#include "core/file.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "project/edit/edit_service.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <exception>
#include <iterator>
#include <string>

namespace Edit {

namespace {

constexpr const wchar_t* HistoryFile = L"%AppData%/history.ini";
constexpr int HistoryKeyMax = 50;

bool isSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// The decimal number of count digits at text[at].
bool readDigits(const std::wstring& text, size_t at, size_t count, int64_t& value)
{
    if (at + count > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < L'0' || text[i] > L'9')
            return false;
        value = value * 10 + (text[i] - L'0');
    }
    return true;
}

// A file's modification time in the form of a name's time stamp (local time).
int64_t fileTimeKey(int64_t nanoseconds)
{
    const std::time_t seconds = static_cast<std::time_t>(nanoseconds / 1000000000);
    std::tm t{};
    if (!localtime_r(&seconds, &t))
        return 0;
    const int64_t millisecond = (nanoseconds / 1000000) % 1000;
    int64_t key = t.tm_year + 1900;
    for (int64_t part : {int64_t(t.tm_mon + 1), int64_t(t.tm_mday), int64_t(t.tm_hour), int64_t(t.tm_min),
                         int64_t(t.tm_sec)})
        key = key * 100 + part;
    return key * 1000 + millisecond;
}

} // namespace

// ---- the list ----

FileHistory::~FileHistory() = default;

void FileHistory::loadFileList() {}

void FileHistory::saveFileList() {}

void FileHistory::removeFile(const std::wstring&) {}

void FileHistory::addFile(const std::wstring& path)
{
    if (path.empty() || isSeparator(path.back()))
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

std::vector<System::FileName::FileInfo> getFolderFileList(const std::wstring& pattern)
{
    const std::wstring folder = System::FileName::getDirectory(pattern);
    return System::FileName::findFiles(pattern, folder.c_str());
}

// ---- recent projects ----

void ProjectHistory::loadFileList()
{
    files.clear();
    try {
        const std::wstring path = System::FileName::expand(HistoryFile);
        System::IniFile ini;
        ini.loadFile(path.c_str(), false);
        const System::IniFile::SectionRef section = ini.getSection("project");
        for (int key = 1; key <= HistoryKeyMax; ++key) {
            if (const System::IniFile::VALUE* value = section.section().find(std::to_string(key))) {
                std::wstring file = value->toString();
                if (!file.empty())
                    files.push_back(std::move(file));
            }
        }
    } catch (const std::exception& e) {
        System::Log::warn("Edit::ProjectHistory::loadFileList", "%s", e.what());
    }
}

void ProjectHistory::saveFileList()
{
    try {
        const std::wstring path = System::FileName::expand(HistoryFile);
        System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", path.c_str());
        System::File file;
        // A replacement file: a failed write leaves the old list whole.
        file.open(path.c_str(), System::File::ModeWrite);
        static constexpr char Section[] = "[project]\r\n";
        file.write(Section, static_cast<int>(sizeof Section - 1));
        int key = 1;
        for (const std::wstring& entry : files)
            System::IniFile::writeKeyValue(file, std::to_string(key++).c_str(), entry.c_str());
        file.close();
    } catch (const std::exception& e) {
        System::Log::warn("Edit::ProjectHistory::saveFileList", "%s", e.what());
    }
}

// ---- backups ----

BackupHistory::~BackupHistory() = default;

bool BackupHistory::timeStampOf(const std::wstring& path, int64_t& key)
{
    // "_" year "-" MM "-" DD "_" hh "-" mm "-" ss "-" mmm before the extension.
    const std::wstring name = System::FileName::getBaseName(path);
    static constexpr wchar_t Pattern[] = L"-00-00_00-00-00-000"; // after the year; 0 stands for a digit
    constexpr size_t PatternLength = sizeof Pattern / sizeof Pattern[0] - 1;
    if (name.size() < PatternLength + 2) // "_" and one year digit before it
        return false;
    const size_t tail = name.size() - PatternLength;
    for (size_t i = 0; i < PatternLength; ++i) {
        const wchar_t c = name[tail + i];
        const bool digit = c >= L'0' && c <= L'9';
        if (Pattern[i] == L'0' ? !digit : c != Pattern[i])
            return false;
    }
    size_t yearStart = tail;
    while (yearStart > 0 && name[yearStart - 1] >= L'0' && name[yearStart - 1] <= L'9')
        --yearStart;
    const size_t yearDigits = tail - yearStart;
    if (yearDigits == 0 || yearDigits > 6 || yearStart == 0 || name[yearStart - 1] != L'_')
        return false;
    int64_t value = 0;
    if (!readDigits(name, yearStart, yearDigits, value))
        return false;
    key = value;
    for (size_t at : {1u, 4u, 7u, 10u, 13u}) {
        if (!readDigits(name, tail + at, 2, value))
            return false;
        key = key * 100 + value;
    }
    if (!readDigits(name, tail + 16, 3, value))
        return false;
    key = key * 1000 + value;
    return true;
}

void BackupHistory::loadFileList()
{
    files.clear();
    std::vector<System::FileName::FileInfo> found;
    try {
        found = getFolderFileList(System::FileName::expand(L"%Backup%/*.vmp2"));
    } catch (const std::exception& e) {
        System::Log::warn("Edit::BackupHistory::loadFileList", "%s", e.what());
        return;
    }
    // Oldest first by the time each backup was made, whatever its name's prefix,
    // so that trimming drops the oldest backups of either kind.
    struct Entry {
        int64_t key;
        std::wstring path;
    };
    std::vector<Entry> entries;
    entries.reserve(found.size());
    for (System::FileName::FileInfo& file : found) {
        int64_t key = 0;
        if (!timeStampOf(file.path, key))
            key = fileTimeKey(file.lastWriteTime);
        entries.push_back({key, std::move(file.path)});
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.key < b.key; });
    for (Entry& entry : entries)
        files.push_front(std::move(entry.path));
}

void BackupHistory::removeFile(const std::wstring& path)
{
    System::File::remove(path.c_str());
}

void BackupHistory::updateAutoBackupTimer()
{
    const EditService* edit = EditService::Get();
    try {
        if (!edit || !edit->autoBackup || edit->autoBackupInterval <= 0 || edit->autoBackupFileMax <= 0) {
            timer.clear();
            return;
        }
        // Minutes to milliseconds, held to what the timer takes.
        const unsigned long long elapse = static_cast<unsigned long long>(edit->autoBackupInterval) * 60000ull;
        timer.set(static_cast<unsigned>(std::min<unsigned long long>(elapse, INT_MAX)),
                  [this] { autoBackupProject(); });
    } catch (const std::exception& e) {
        System::Log::error("Edit::BackupHistory::updateAutoBackupTimer", "%s", e.what());
    }
}

void BackupHistory::autoBackupProject()
{
    EditService* edit = EditService::Get();
    if (!edit)
        return;
    const std::wstring path = System::FileName::makeTimeStampFileName(L"%Backup%/", L"AutoBackup", L"vmp2");
    System::Log::info("Edit::BackupHistory::autoBackupProject", L"auto backup : %s", path.c_str());
    // Only a backup that exists joins the list and makes room: a failed save
    // (disk full, folder gone) must not delete the good backups one by one.
    if (edit->saveProject(path, true) && System::File::exists(path.c_str()))
        addFile(path);
}

} // namespace Edit
