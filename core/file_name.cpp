#include "core/file_name.h"

#include "core/failure.h"
#include "core/file.h"
#include "core/text.h"
#include "platform/os/folder.h"
#include "platform/os/process.h"

#include <cerrno>
#include <unordered_map>

namespace System {

namespace {
std::unordered_map<std::wstring, std::wstring>& variables()
{
    static std::unordered_map<std::wstring, std::wstring> table;
    return table;
}

size_t lastSeparator(const std::wstring& path)
{
    return path.find_last_of(L"/\\");
}

// Splits a filter string into its NUL-ended elements.
std::vector<std::wstring> filterElements(const std::wstring& filter)
{
    std::vector<std::wstring> elements;
    size_t start = 0;
    while (start < filter.size()) {
        size_t end = filter.find(L'\0', start);
        if (end == std::wstring::npos)
            end = filter.size();
        if (end == start)
            break; // the closing empty element
        elements.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    return elements;
}

std::vector<std::wstring> patternExtensions(const std::wstring& patterns)
{
    std::vector<std::wstring> out;
    size_t start = 0;
    while (start <= patterns.size()) {
        size_t end = patterns.find(L';', start);
        if (end == std::wstring::npos)
            end = patterns.size();
        std::wstring pattern = patterns.substr(start, end - start);
        if (pattern.rfind(L"*.", 0) == 0) {
            std::wstring ext = toLowerAscii(pattern.substr(2));
            if (!ext.empty() && ext[0] != L'*')
                out.push_back(ext);
        }
        start = end + 1;
    }
    return out;
}
} // namespace

std::wstring FileName::chooseDataFolder(const std::wstring& installFolder)
{
    std::wstring candidate = installFolder + L"/data";
    if (Platform::Os::isFolder(toLocalPath(candidate)))
        return candidate;
    return fromLocalPath(Platform::Os::userDataHome()) + L"/velmora2";
}

void FileName::initializeVariableList()
{
    auto& table = variables();
    std::string exe = Platform::Os::executablePath();
    if (exe.empty())
        throw makeLastErrorException("GetModuleFileNameW", "System::FileName::initializeVariableList");
    std::wstring install = fromLocalPath(exe.substr(0, exe.find_last_of('/')));
    table[L"%AppInstall%"] = install;

    std::wstring data = chooseDataFolder(install);
    File::createDirectory(data.c_str());
    table[L"%AppData%"] = data;

    for (const wchar_t* name : {L"Plugin", L"Script", L"Default", L"Alias", L"Figure", L"Transition",
                                L"Language", L"Backup", L"Log"}) {
        std::wstring folder = data + L"/" + name;
        File::createDirectory(folder.c_str());
        table[L"%" + std::wstring(name) + L"%"] = folder;
    }
}

void FileName::expandVariable(std::wstring& path)
{
    if (path.size() < 3 || path[0] != L'%')
        return;
    size_t close = path.find(L'%', 1);
    if (close == std::wstring::npos || close == 1)
        return;
    auto& table = variables();
    if (table.empty())
        initializeVariableList();
    std::wstring variable = path.substr(0, close + 1);
    auto it = table.find(variable);
    if (it == table.end())
        return;
    replaceString(path, variable, it->second);
}

std::wstring FileName::expand(const wchar_t* path)
{
    std::wstring result = path ? path : L"";
    expandVariable(result);
    return result;
}

std::wstring FileName::getDirectory(const std::wstring& path)
{
    size_t slash = lastSeparator(path);
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring FileName::getBaseName(const std::wstring& path)
{
    size_t slash = lastSeparator(path);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring FileName::getExtension(const wchar_t* path)
{
    std::wstring p = path ? path : L"";
    size_t slash = lastSeparator(p);
    size_t dot = p.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return {};
    return toLowerAscii(p.substr(dot + 1));
}

std::wstring FileName::makeTimeStampFileName(const wchar_t* folder, const wchar_t* name, const wchar_t* extension)
{
    auto t = Platform::Os::localTime();
    wchar_t stamp[520];
    formatWide(stamp, 520, L"%s_%02d-%02d-%02d_%02d-%02d-%02d-%03d", name, t.year, t.month, t.day, t.hour,
               t.minute, t.second, t.millisecond);
    std::wstring result = std::wstring(folder) + stamp + L"." + extension;
    expandVariable(result);
    return result;
}

std::vector<std::wstring> FileName::getFilterExtensionList(const std::wstring& filter)
{
    std::vector<std::wstring> out;
    auto elements = filterElements(filter);
    for (size_t i = 1; i < elements.size(); i += 2) {
        for (auto& ext : patternExtensions(elements[i]))
            out.push_back(ext);
    }
    return out;
}

int FileName::getFilterIndex(const std::wstring& filter, const wchar_t* path)
{
    std::wstring ext = getExtension(path);
    if (ext.empty())
        return 0;
    auto elements = filterElements(filter);
    for (size_t i = 1; i < elements.size(); i += 2) {
        for (auto& e : patternExtensions(elements[i])) {
            if (e == ext)
                return static_cast<int>(i / 2) + 1;
        }
    }
    return 0;
}

std::wstring FileName::getFilterExtension(const std::wstring& filter, int index)
{
    if (index < 0)
        index = 0;
    auto elements = filterElements(filter);
    size_t patterns = static_cast<size_t>(index) * 2 + 1;
    if (patterns >= elements.size())
        return {};
    auto exts = patternExtensions(elements[patterns]);
    return exts.empty() ? std::wstring() : exts.front();
}

std::vector<FileName::FileInfo> FileName::findFiles(const std::wstring& pattern, const wchar_t* folder)
{
    std::vector<FileInfo> out;
    size_t slash = lastSeparator(pattern);
    std::wstring searchFolder = slash == std::wstring::npos ? L"." : pattern.substr(0, slash);
    std::wstring namePattern = slash == std::wstring::npos ? pattern : pattern.substr(slash + 1);
    size_t dot = namePattern.rfind(L'.');
    if (dot == std::wstring::npos)
        return out;
    std::wstring patternExt = namePattern.substr(dot + 1);
    if (patternExt.empty() || patternExt[0] == L'*')
        return out;

    std::vector<Platform::Os::FolderEntry> entries;
    if (Platform::Os::listFolder(toLocalPath(searchFolder), entries))
        return out;
    std::string localPattern = toLocalPath(namePattern);
    std::wstring prefix;
    if (folder) {
        prefix = folder;
        expandVariable(prefix);
        prefix += L"/";
    }
    for (auto& e : entries) {
        if (e.isFolder || !Platform::Os::matchWildcard(localPattern, e.name))
            continue;
        std::wstring name = fromLocalPath(e.name);
        size_t nameDot = name.rfind(L'.');
        if (nameDot == std::wstring::npos || name.size() - nameDot - 1 != patternExt.size())
            continue;
        FileInfo info;
        info.path = prefix + name;
        expandVariable(info.path);
        info.size = e.size;
        info.lastWriteTime = e.lastWriteNs;
        out.push_back(std::move(info));
    }
    return out;
}

std::vector<FileName::FileInfo> FileName::findFolders(const std::wstring& pattern)
{
    std::vector<FileInfo> out;
    size_t slash = lastSeparator(pattern);
    std::wstring searchFolder = slash == std::wstring::npos ? L"." : pattern.substr(0, slash);
    std::string namePattern = toLocalPath(slash == std::wstring::npos ? pattern : pattern.substr(slash + 1));
    std::vector<Platform::Os::FolderEntry> entries;
    if (Platform::Os::listFolder(toLocalPath(searchFolder), entries))
        return out;
    for (auto& e : entries) {
        if (!e.isFolder || e.name.empty() || e.name[0] == '.' || !Platform::Os::matchWildcard(namePattern, e.name))
            continue;
        FileInfo info;
        info.path = fromLocalPath(e.name);
        info.lastWriteTime = e.lastWriteNs;
        out.push_back(std::move(info));
    }
    return out;
}

} // namespace System
