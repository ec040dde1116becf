#pragma once
// Native menus: a menu bar or a pop-up menu as a list of items (string items
// with a command id, separators, sub-menus). The lists live here; the toolkit's
// menus are built from them when a menu opens, so changing an item never
// needs a window. Command ids are full ints. A tab in an item's text starts
// the key name shown at the right (the toolkit holds no shortcut). Main thread only.
#include <string>

namespace Platform::Ui {

struct NativeMenu;
using MenuHandle = NativeMenu*;

struct MenuEntry {
    int id = 0;
    std::wstring text;
    MenuHandle subMenu = nullptr; // owned by the menu once inserted
    bool separator = false;
    bool enabled = true;
    bool checked = false;
    bool radio = false; // the check shows as a radio mark
};

MenuHandle createMenu();
// Destroys the menu and its sub-menus.
void destroyMenu(MenuHandle menu);
int menuItemCount(MenuHandle menu);
// position -1 appends; false for a position past the end.
bool insertMenuItem(MenuHandle menu, int position, const MenuEntry& entry);
// Removes the item and destroys its sub-menu.
bool deleteMenuItem(MenuHandle menu, int position);
bool getMenuItem(MenuHandle menu, int position, MenuEntry& entry);
// By position.
bool setMenuItemEnabled(MenuHandle menu, int position, bool enabled);
bool setMenuItemText(MenuHandle menu, int position, const std::wstring& text);
// Checks or clears the item (a sub-menu's too), its mark a radio mark or a tick.
bool setMenuItemCheck(MenuHandle menu, int position, bool checked, bool radio);

// By command: the first item with the id in the menu or, depth first, its
// sub-menus; false when there is none.
bool enableMenuCommand(MenuHandle menu, int id, bool enabled);
bool checkMenuCommand(MenuHandle menu, int id, bool checked);
bool setMenuCommandRadio(MenuHandle menu, int id);
bool setMenuCommandText(MenuHandle menu, int id, const std::wstring& text);
bool getMenuCommandText(MenuHandle menu, int id, std::wstring& text);

// Shows the menu at a screen point and waits for the choice: its command id,
// or 0 when the menu closed without one. Without a person the no-person seam
// answers (person.h); with no answerer nothing is chosen.
int trackPopupMenu(MenuHandle menu, int screenX, int screenY);

} // namespace Platform::Ui
