#pragma once
// Menus whose items run std::functions. A root menu (the menu bar, or a
// popup menu built for one handler) hands out the command ids, 40000 and up
// in the order items are made, and owns the map from id to handler; its
// sub-menus (BaseMenu handles made on a parent) share it. Item and sub-menu
// texts pass through the "Menu" table while a language is loaded. A popup
// menu shows at the mouse cursor and runs the chosen item; without a person
// the no-person seam (platform/ui/person.h) chooses, through the chooser a
// test installs, else nothing. Main thread only.
#include "platform/ui/menu.h"

#include <functional>
#include <string>
#include <unordered_map>

namespace Window {

class RootMenu;

// An item as made: the menu holding it, its command id and, for items of the
// menu bar, the untranslated title of its menu (which names its shortcut).
class MenuItem {
public:
    // The check shows as a radio mark.
    MenuItem& setRadioCheck();
    // Greys or enables, checks or clears the item now (context menus).
    MenuItem& setEnable(bool enable);
    MenuItem& setCheck(bool check);
    // Menu-bar items: callbacks run each time a menu of the bar opens (kept
    // when one is stored under the id already).
    MenuItem& setEnable(std::function<bool()> callback);
    MenuItem& setCheck(std::function<bool()> callback);
    MenuItem& setText(std::function<const wchar_t*()> callback);
    // Registers the item's shortcut with the default key (see ShortcutManager).
    MenuItem& setShortcut(int defaultCode);
    // The translated menu title, ":" and the item's current text.
    std::wstring getShortcutName() const;

    Platform::Ui::MenuHandle menu = nullptr;
    int commandId = 0;
    const wchar_t* menuTitle = nullptr;
    RootMenu* root = nullptr;
};

class BaseMenu {
public:
    // A sub-menu appended to the parent as a pop-up item with the (translated) text.
    BaseMenu(BaseMenu& parent, const wchar_t* text);
    BaseMenu(const BaseMenu&) = default;
    BaseMenu& operator=(const BaseMenu&) = default;
    virtual ~BaseMenu() = default;

    MenuItem insertItem(const std::wstring& text, std::function<void()> handler);
    void insertSeparator();
    BaseMenu insertSubMenu(const std::wstring& text) { return BaseMenu(*this, text.c_str()); }
    // The position of the item opening the sub-menu, or -1.
    int findSubMenu(const BaseMenu& sub) const;
    // The item's text up to its first tab, then a tab and the key name (none when empty).
    static void setShortcutText(Platform::Ui::MenuHandle menu, int commandId, const std::wstring& keyName);

    // Reading the items back (tests, dialogs).
    int itemCount() const;
    Platform::Ui::MenuEntry item(int position) const;
    // The sub-menu opened by the item at the position (hmenu null when none).
    BaseMenu subMenu(int position) const;
    // Runs the command of the enabled string item at the position, as a
    // choice would; whether it ran.
    bool runItem(int position);

    RootMenu* root = nullptr;
    Platform::Ui::MenuHandle hmenu = nullptr;

protected:
    BaseMenu() = default;
};

class RootMenu : public BaseMenu {
public:
    RootMenu();
    RootMenu(const RootMenu&) = delete;
    RootMenu& operator=(const RootMenu&) = delete;

    // Runs the handler stored under the id; false when there is none.
    bool runCommand(int id);
    // The id the next item gets.
    int nextId() const { return FirstId + int(commands.size()); }

    static constexpr int FirstId = 40000;
    std::unordered_map<int, std::function<void()>> commands;
};

struct ScreenPoint;

class PopupMenu : public RootMenu {
public:
    // Chooses for the person: the command id of the item to run, or 0.
    using Chooser = std::function<int(const PopupMenu& menu)>;

    PopupMenu();
    ~PopupMenu() override;

    // Shows the menu at the mouse cursor; onClosed runs when it closes, then
    // the chosen item's handler. Whether an item ran.
    bool show(std::function<void()> onClosed = {});
    // The chooser on the no-person seam (an empty one removes it).
    static void setChooser(Chooser chooser);

    // Set while a popup menu is tracked or its command runs.
    static bool active;
    // Where the last popup menu opened, screen pixels.
    static int pointX, pointY;
};

} // namespace Window
