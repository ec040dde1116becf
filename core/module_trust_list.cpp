#include "core/module_trust_list.h"

#include "core/file.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/text.h"
#include "platform/os/folder.h"
#include "platform/ui/application.h"

#include <algorithm>
#include <exception>

namespace Plugin {

namespace {
constexpr const wchar_t* FileName = L"%AppData%/module.ini";

// Project keys begin with their absolute path; module keys are file names.
bool isProjectKey(const std::wstring& key)
{
    return key.starts_with(L"/");
}
} // namespace

ModuleTrustList::ModuleTrustList()
{
    loadTrustList();
}

ModuleTrustList::~ModuleTrustList() = default;

std::wstring ModuleTrustList::path() const
{
    return System::FileName::expand(FileName);
}

void ModuleTrustList::loadTrustList()
{
    entries.clear();
    const std::wstring file = path();
    if (!Platform::Os::pathExists(System::toLocalPath(file)))
        return;
    try {
        System::IniFile ini;
        ini.loadFile(file.c_str(), false);
        for (const std::string& name : ini.sectionNames()) {
            const System::IniFile::VALUE& value = ini.getSection(name.c_str()).getValue("trust");
            const int trust = value.text.empty() ? 0 : value.toInt();
            entries.try_emplace(System::utf8ToWide(name), Entry{trust, false, false});
        }
    } catch (const std::exception&) {
        // A section without "trust" or a value that is not a number ends the
        // reading; what was read before stays (the report is in the log).
    }
}

void ModuleTrustList::saveTrustList()
{
    const bool current = std::all_of(entries.begin(), entries.end(), [](const auto& e) {
        return (e.second.used || isProjectKey(e.first)) && !e.second.changed;
    });
    if (entries.empty() || current)
        return;
    const std::wstring file = path();
    try {
        System::Log::verbose("System::IniFile::Save::Save", L"saveFile : %s", file.c_str());
        std::string text;
        for (const auto& [key, entry] : entries) {
            if (!entry.used && !isProjectKey(key))
                continue; // files gone from the folders are forgotten
            text += "[" + System::wideToUtf8(key) + "]\r\ntrust=" + std::to_string(entry.trust) + "\r\n";
        }
        System::File out;
        out.open(file.c_str(), System::File::ModeWrite);
        out.write(text.data(), static_cast<int>(text.size()));
        out.close();
    } catch (const std::exception&) {
        // The old file stays; the list is asked again for new files next time.
    }
}

bool ModuleTrustList::confirmTrustModule(const std::wstring& fileName, const wchar_t* folder, bool ask)
{
    const std::wstring key = folder ? std::wstring(folder) + L"\\" + fileName : fileName;
    auto it = entries.find(key);
    if (it != entries.end()) {
        it->second.used = true;
        if (it->second.trust != 0)
            return true;
    }
    if (!ask || !askTrust(key))
        return false;
    Entry& entry = entries[key];
    entry = {1, true, true};
    return true;
}

bool ModuleTrustList::confirmTrustFile(const System::FileName::FileInfo& file, const wchar_t* folder, bool ask)
{
    const size_t slash = file.path.find_last_of(L"/\\");
    const std::wstring name = slash == std::wstring::npos ? file.path : file.path.substr(slash + 1);
    return confirmTrustModule(name, folder, ask);
}

std::wstring ModuleTrustList::projectKey(const std::wstring& path, uint64_t codeHash)
{
    wchar_t hash[17];
    System::formatWide(hash, 17, L"%016llx", static_cast<unsigned long long>(codeHash));
    return path + L"|" + hash;
}

bool ModuleTrustList::confirmTrustProject(const std::wstring& path, uint64_t codeHash)
{
    const std::wstring key = projectKey(path, codeHash);
    auto it = entries.find(key);
    if (it != entries.end()) {
        it->second.used = true;
        if (it->second.trust != 0)
            return true;
    }
    if (!askTrust(key))
        return false;
    // The answers for earlier states of the project are dropped.
    const std::wstring prefix = path + L"|";
    std::erase_if(entries, [&](const auto& e) { return e.first.starts_with(prefix) && e.first != key; });
    entries[key] = {1, true, true};
    saveTrustList();
    return true;
}

std::function<bool(const std::wstring& key)> ModuleTrustList::prompt;

bool ModuleTrustList::askTrust(const std::wstring& key)
{
    if (prompt)
        return prompt(key);
    Platform::Ui::MessageBox box;
    box.caption = L"スクリプト・プラグインの追加";
    box.text = L"下記のプラグインまたはスクリプトのファイルが追加されています\n\n" + key +
               L"\n\nプラグインやスクリプトは有用ですがマルウェア等のプログラムが含まれるリスクがあります\n"
               L"信頼できる開発元から提供されていることを確認して使用してください\n"
               L"※使用しない場合はファイルを削除してください\n\n"
               L"はい: このプラグイン・スクリプトを信頼して使用する\n"
               L"いいえ: 使用しない";
    box.icon = Platform::Ui::BoxIcon::Warning;
    box.buttons = Platform::Ui::BoxButtons::YesNo;
    box.defaultAnswer = Platform::Ui::BoxAnswer::No;
    return Platform::Ui::showMessageBox(box) == Platform::Ui::BoxAnswer::Yes;
}

} // namespace Plugin
