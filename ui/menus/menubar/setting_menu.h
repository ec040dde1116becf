#pragma once
// "設定": every settings dialog of the program, each opened under its item's
// text as its caption. Every item takes a key (none by default).
#include "ui/menus/menubar/main_menu_set.h"

namespace Menu {

class SettingMenu : public MenuBase {
public:
    using MenuBase::MenuBase;
    void initialize() override;
};

} // namespace Menu
