#pragma once
// Translation of the user-visible texts. The texts are written in Japanese and
// serve as keys; a language file "<name>.vml2" fills five tables, one per kind of
// text. Callers test TranslateService::enabled first and otherwise show the text
// as it is.
#include "core/config.h"
#include "core/service.h"

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace System {
class IniFile;
}

namespace Translate {

class TranslateTable {
public:
    // The translation of exactly this text, or text itself when the table has none;
    // null stays null. The result stays valid until the table is reloaded.
    const wchar_t* translate(const wchar_t* text) const;
    void load(System::IniFile& file, const char* section);
    void clear() { map_.clear(); }
    size_t size() const { return map_.size(); }

private:
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>()(text); }
    };
    std::unordered_map<std::wstring, std::wstring, Hash, std::equal_to<>> map_;
};

class TranslateService : public System::Singleton<TranslateService> {
public:
    // Loads the "Translate" section from the main ini file, then the language.
    TranslateService();
    ~TranslateService();
    TranslateService(const TranslateService&) = delete;
    TranslateService& operator=(const TranslateService&) = delete;

    // True while a language file is loaded.
    static bool enabled;

    // Chooses the language ("*": by the user's interface language) and fills the tables.
    void loadLanguage();
    // "Default", then the names of the language files, sorted by name.
    std::vector<std::wstring> getLanguageList() const;
    // loadLanguage, then lets the windows and menus show the new texts.
    void reloadLanguage();
    // Copies a language file into "%Language%", selects it and reloads.
    void registerLanguageFile(const wchar_t* path);
    // The "Menu" translation when enabled, else the text itself.
    const wchar_t* translateMenu(const std::wstring& text) const;

    // The five tables, in the order of the sections of a language file.
    TranslateTable effect;  // "Effect": effect names, parameter labels, choice texts
    TranslateTable message; // "Message": message box texts
    TranslateTable menu;    // "Menu": menu texts
    TranslateTable dialog;  // "Dialog": dialog texts and titles
    TranslateTable name;    // "Name": default names

    // Rebuilds what shows translated text (menus, shortcuts, windows); set by the
    // window framework, run by reloadLanguage.
    std::function<void()> rebuildTranslatedTexts;

private:
    System::Config::Section section_{"Translate"};

public:
    std::wstring language; // "*": choose by the interface language; empty: none

private:
    System::Config::String languageParameter_{section_, "Language", &language, L"*"};
    System::Config::SectionSaver saver_{&section_};
};

} // namespace Translate
