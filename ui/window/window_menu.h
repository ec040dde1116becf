#pragma once
// The menu bar of the main window: the root of its five menus ("ファイル",
// "編集", "表示", "設定", "その他"), the enable, check and text callbacks its
// items registered (all run each time a menu of the bar opens), and the
// numbered lists refilled then (recent projects, backups, export targets).
// The menu builders fill the menus; a language change empties and rebuilds
// them. Main thread only.
#include "ui/window/base_menu.h"

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Platform::Ui {
class Surface;
}

namespace Window {

class WindowMenu : public BaseMenu {
public:
    // A list of entries filling a sub-menu: entry i runs onSelect(i) under id firstId + i.
    struct ItemList {
        Platform::Ui::MenuHandle hmenu = nullptr;
        int firstId = 0;
        std::function<std::vector<const wchar_t*>()> items;
        bool frozen = false;

        // Deletes the sub-menu's items and appends the entries, "&N " before
        // each when numbered; nothing when frozen.
        void updateItemList(bool numbered);
        // Fills the list once without numbers, freezes it and registers a
        // shortcut (no default key) for every entry, named by the owner's title.
        void registerShortcuts(const WindowMenu& owner);
    };

    WindowMenu(BaseMenu& bar, const wchar_t* title, int index);

    // An item whose shortcut carries the menu's title.
    MenuItem insertItem(const std::wstring& text, std::function<void()> handler);
    // Reserves count ids on the bar for the menu's list (items never returns more).
    ItemList* insertItemList(BaseMenu& menu, int count, std::function<void(int)> onSelect,
                             std::function<std::vector<const wchar_t*>()> items);
    // Removes every item of the menu.
    void deleteMenuItem();
    // The title on the bar, translated.
    void updateTitle();

    const wchar_t* title;
    int index;
};

class WindowMenuManager : public RootMenu {
public:
    WindowMenuManager();
    ~WindowMenuManager() override;

    // Attaches the bar to the main window.
    void setWindowMenu(Platform::Ui::Surface* window);
    // Runs every callback and refills every list (a menu of the bar opens).
    void initMenuPopup();
    // Greys or enables the five menus by position, then redraws the bar.
    void enableMenus(bool enable);
    // Shows the bar's current titles and states.
    void drawMenuBar();
    // Empties the five menus, their callbacks and lists, and the shortcuts bound to them (a language change).
    void clearMenus();

    std::unique_ptr<WindowMenu> menus[5];
    Platform::Ui::Surface* window = nullptr;
    std::unordered_map<int, std::function<bool()>> enableCallbacks;
    std::unordered_map<int, std::function<bool()>> checkCallbacks;
    std::unordered_map<int, std::function<const wchar_t*()>> textCallbacks;
    std::vector<std::unique_ptr<WindowMenu::ItemList>> itemLists;
};

} // namespace Window
