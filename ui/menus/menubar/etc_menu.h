#pragma once
// "その他": the plug-in and script information lists, the program's data
// folders, the web page and the version box. None of its items takes a key.
#include "ui/menus/menubar/main_menu_set.h"

#include <string>
#include <vector>

namespace Menu {

class EtcMenu : public MenuBase {
public:
    using MenuBase::MenuBase;
    void initialize() override;

    // The folder of the path variable text, expanded, opened by the desktop; a
    // missing folder is the desktop's business and changes nothing here.
    static void openFolder(const wchar_t* variable);
    // The web page's address, put together when asked.
    static std::wstring webPageAddress();
    // "<title>  version <version>  By <author>".
    static std::wstring versionText();
    static void showVersion();
    // The rows of the two information lists: {text, kind}.
    static std::vector<std::vector<std::wstring>> pluginRows();
    static std::vector<std::vector<std::wstring>> scriptRows();
};

} // namespace Menu
