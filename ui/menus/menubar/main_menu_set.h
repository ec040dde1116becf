#pragma once
// The menu bar's five menus ("ファイル", "編集", "表示", "設定", "その他"): one
// menu object per menu of the window's bar, each appending its items, their
// shortcuts and their enable, check and text rules when initialized. The set
// is made by the entry after the panes and released after the render workers
// stop; while it lives, a change of language rebuilds the bar through it.
// Main thread only.
#include "core/service.h"

#include <memory>

namespace Window {
class WindowMenu;
}

namespace Menu {

class MenuBase {
public:
    explicit MenuBase(Window::WindowMenu& menu) : menu(&menu) {}
    virtual ~MenuBase() = default;
    MenuBase(const MenuBase&) = delete;
    MenuBase& operator=(const MenuBase&) = delete;

    // Appends every item to the (empty) menu and registers what the items need.
    virtual void initialize() = 0;

    Window::WindowMenu* menu;
};

class MainMenuSet : public System::Singleton<MainMenuSet> {
public:
    // Builds and initializes the five menus over the window's bar, and
    // installs the language rebuild. Needs the window service.
    MainMenuSet();
    // Removes the rebuild; the bar and its maps stay with the window service.
    ~MainMenuSet();
    MainMenuSet(const MainMenuSet&) = delete;
    MainMenuSet& operator=(const MainMenuSet&) = delete;

    // After a new language was loaded: empties the bar, its rules, lists and
    // menu shortcuts, builds the five menus again under new command ids (the
    // old ids still run their commands) and lets every pane redraw its texts.
    void rebuild();

    std::unique_ptr<MenuBase> menus[5];
};

} // namespace Menu
