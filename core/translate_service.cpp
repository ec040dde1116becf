#include "core/translate_service.h"

#include "core/failure.h"
#include "core/file.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/text.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"
#include "platform/os/process.h"
#include "platform/ui/application.h"

#include <algorithm>
#include <cerrno>

namespace Translate {

bool TranslateService::enabled = false;

namespace {
constexpr const char* SectionNames[] = {"Effect", "Message", "Menu", "Dialog", "Name"};
constexpr const wchar_t* LanguageFolder = L"%Language%";
// Language files shipped with the program; the user's folder comes first.
constexpr const wchar_t* InstalledLanguageFolder = L"%AppInstall%/Language";

// The two characters backslash and n stand for a line break.
void expandLineBreaks(std::wstring& text)
{
    System::replaceString(text, L"\\n", L"\n");
}

// The language files of a folder as the listing finds them: the extension in any case.
std::vector<std::wstring> languageFiles(const wchar_t* folder)
{
    std::vector<std::wstring> paths;
    for (auto& file : System::FileName::findFiles(System::FileName::expand(folder) + L"/*.vml2", folder))
        paths.push_back(file.path);
    return paths;
}

std::vector<std::wstring> languageNames(const wchar_t* folder)
{
    std::vector<std::wstring> names;
    for (auto& path : languageFiles(folder))
        names.push_back(System::FileName::getBaseName(path));
    return names;
}

// The file of a language under the name the listing gave it (the user's folder
// first, then the installed one), so "Deutsch.VML2" opens as it was listed; the
// user's "<language>.vml2" when neither folder has it.
std::wstring languageFilePath(const std::wstring& language)
{
    for (const wchar_t* folder : {LanguageFolder, InstalledLanguageFolder}) {
        for (auto& path : languageFiles(folder)) {
            if (System::FileName::getBaseName(path) == language)
                return path;
        }
    }
    return System::FileName::expand(LanguageFolder) + L"/" + language + L".vml2";
}

// Everything after the last separator.
std::wstring fileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"/\\");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}
} // namespace

const wchar_t* TranslateTable::translate(const wchar_t* text) const
{
    if (!text)
        return nullptr;
    auto it = map_.find(std::wstring_view(text));
    return it == map_.end() ? text : it->second.c_str();
}

void TranslateTable::load(System::IniFile& file, const char* section)
{
    map_.clear();
    const auto& entries = file.getSection(section).section();
    map_.reserve(entries.size());
    for (auto& entry : entries) {
        std::wstring key = System::utf8ToWide(entry.key);
        expandLineBreaks(key);
        // An empty translation stands for the source text itself.
        std::wstring value = entry.value.toString(key.c_str());
        expandLineBreaks(value);
        map_.insert_or_assign(std::move(key), std::move(value));
    }
}

TranslateService::TranslateService()
{
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    loadLanguage();
}

TranslateService::~TranslateService()
{
    enabled = false;
}

void TranslateService::loadLanguage()
{
    if (language == L"*") {
        language.clear();
        if (Platform::Os::userInterfaceLanguage() != "ja") {
            auto list = getLanguageList();
            if (list.size() >= 2)
                language = list[1];
        }
    }
    if (language.empty()) {
        enabled = false;
        return;
    }
    try {
        std::wstring path = languageFilePath(language);
        System::File file;
        file.open(path.c_str(), System::File::ModeRead);
        uint64_t size = file.getSize();
        std::string bytes(static_cast<size_t>(size), '\0');
        file.readBlock(bytes.data(), static_cast<int>(bytes.size()));
        file.close();

        System::IniFile ini;
        ini.savePath = path; // names the file in the reports of its lines (it is never saved)
        ini.loadText(bytes, path.c_str(), false);
        TranslateTable* tables[] = {&effect, &message, &menu, &dialog, &name};
        for (size_t i = 0; i < std::size(tables); ++i)
            tables[i]->load(ini, SectionNames[i]);
        enabled = true;
        System::Log::verbose("Translate::TranslateService::loadLanguage", L"language loaded : %s", path.c_str());
    } catch (const std::exception&) {
        // The failure report has logged its ERROR line; the texts stay Japanese.
        enabled = false;
    }
}

std::vector<std::wstring> TranslateService::getLanguageList() const
{
    std::vector<std::wstring> names = languageNames(LanguageFolder);
    for (auto& installed : languageNames(InstalledLanguageFolder)) {
        if (std::find(names.begin(), names.end(), installed) == names.end())
            names.push_back(installed);
    }
    // One listing sorted by name, as the folder listing is.
    std::sort(names.begin(), names.end(), [](const std::wstring& a, const std::wstring& b) {
        return System::wideToUtf8(a) < System::wideToUtf8(b);
    });
    names.insert(names.begin(), L"Default");
    return names;
}

void TranslateService::reloadLanguage()
{
    loadLanguage();
    if (rebuildTranslatedTexts)
        rebuildTranslatedTexts();
}

void TranslateService::registerLanguageFile(const wchar_t* path)
{
    std::wstring source = path ? path : L"";
    std::wstring expanded = System::FileName::expand(source.c_str());
    std::wstring fileName = fileNameOf(expanded);
    std::wstring destination = System::FileName::expand(LanguageFolder) + L"/" + fileName;

    std::string bytes;
    int error = Platform::Os::readWholeFile(System::toLocalPath(source), bytes);
    if (!error) {
        Platform::Os::File out;
        size_t done = 0;
        error = out.open(System::toLocalPath(destination), Platform::Os::OpenMode::Replace);
        if (!error)
            error = out.write(bytes.data(), bytes.size(), done);
        if (!error)
            error = out.close();
        else
            out.discard();
    }
    if (error) {
        errno = error;
        throw System::makeLastErrorException("CopyFile", "Translate::TranslateService::registerLanguageFile");
    }

    size_t dot = fileName.rfind(L'.');
    language = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
    reloadLanguage();

    const wchar_t* text = L"言語ファイルを設定しました";
    if (enabled)
        text = message.translate(text);
    Platform::Ui::MessageBox box;
    box.text = text;
    box.caption = L"Velmora Tessel2";
    box.icon = Platform::Ui::BoxIcon::Information;
    Platform::Ui::showMessageBox(box);
}

const wchar_t* TranslateService::translateMenu(const std::wstring& text) const
{
    return enabled ? menu.translate(text.c_str()) : text.c_str();
}

} // namespace Translate
