#pragma once
// "ファイル": new, open, the recent projects and backups, save, save as, the
// export targets (one per writer, a shortcut each), save and exit, exit.
#include "ui/menus/menubar/main_menu_set.h"

#include <string>

namespace Menu {

class FileMenu : public MenuBase {
public:
    using MenuBase::MenuBase;
    void initialize() override;

    // Opens a backup as a project without a path: the user's saves never go
    // into the backup folder, whose trimming deletes files. The window's title
    // names the backup. False when nothing was loaded.
    static bool openBackup(const std::wstring& path);
    // Asks the main window to close once the current message is handled.
    static void postClose();
};

} // namespace Menu
