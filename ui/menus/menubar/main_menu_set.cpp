#include "ui/menus/menubar/main_menu_set.h"

#include "core/translate_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "ui/menus/menubar/display_menu.h"
#include "ui/menus/menubar/edit_menu.h"
#include "ui/menus/menubar/etc_menu.h"
#include "ui/menus/menubar/file_menu.h"
#include "ui/menus/menubar/setting_menu.h"
#include "ui/window/window_service.h"

#include <stdexcept>

namespace Menu {

MainMenuSet::MainMenuSet()
{
    Window::WindowService* window = Window::WindowService::Get();
    if (!window)
        throw std::logic_error("the menu bar needs the window service");
    menus[0] = std::make_unique<FileMenu>(*window->menus[0]);
    menus[1] = std::make_unique<EditMenu>(*window->menus[1]);
    menus[2] = std::make_unique<DisplayMenu>(*window->menus[2]);
    menus[3] = std::make_unique<SettingMenu>(*window->menus[3]);
    menus[4] = std::make_unique<EtcMenu>(*window->menus[4]);
    for (auto& menu : menus)
        menu->initialize();
    window->drawMenuBar();
    if (Translate::TranslateService* translate = Translate::TranslateService::Get())
        translate->rebuildTranslatedTexts = [] {
            if (MainMenuSet* set = MainMenuSet::Get())
                set->rebuild();
        };
}

MainMenuSet::~MainMenuSet()
{
    if (Translate::TranslateService* translate = Translate::TranslateService::Get())
        translate->rebuildTranslatedTexts = nullptr;
}

void MainMenuSet::rebuild()
{
    Window::WindowService* window = Window::WindowService::Get();
    if (!window)
        return;
    // Items, menu shortcuts, the three rule maps and the lists go; the titles
    // take the new language. The command map keeps the old ids.
    window->clearMenus();
    for (auto& menu : menus)
        menu->initialize();
    window->drawMenuBar();
    window->updateWindowLayout();
    // An empty transaction makes the settings window, its sub-windows and
    // every listener draw their texts again.
    if (Edit::EditService* edit = Edit::EditService::Get()) {
        Edit::UpdateSection update(*edit);
        update.updateSettingList = true;
        update.updateTimeSetting = true;
        update.updateColorSetting = true;
        update.updateTextSetting = true;
        update.notifyEdit = true;
    }
}

} // namespace Menu
