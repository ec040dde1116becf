#pragma once
// Menus as lists of items: a text (translated through the "Menu" table when a
// language is loaded) with the callback its command runs, greyed, checked and
// radio states, and separators. A popup menu shows at the mouse cursor and
// runs the chosen item; without a window it logs its items and chooses
// nothing, unless a chooser was installed (tests).
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Window {

class BaseMenu;

class MenuItem {
public:
    void setEnable(bool enable) { enabled = enable; }
    void setCheck(bool check) { checked = check; }
    // Draws the item's check as a radio mark.
    void setRadioCheck() { radio = true; }

    std::wstring text; // as shown
    std::function<void()> callback;
    std::unique_ptr<BaseMenu> subMenu; // the items shown beside this one, or none
    bool enabled = true;
    bool checked = false;
    bool radio = false;
    bool separator = false;
};

class BaseMenu {
public:
    BaseMenu() = default;
    virtual ~BaseMenu();
    BaseMenu(const BaseMenu&) = delete;
    BaseMenu& operator=(const BaseMenu&) = delete;

    // Appends a string item whose command runs the callback.
    MenuItem& insertItem(const std::wstring& text, std::function<void()> callback);
    void insertSeparator();
    // Appends an item that opens a sub-menu, returned empty for the caller to fill.
    BaseMenu& insertSubMenu(const std::wstring& text);
    // Runs the command of the item at the index when it is an enabled string
    // item; whether it ran.
    bool runItem(size_t index);

    std::vector<std::unique_ptr<MenuItem>> items;
};

class PopupMenu : public BaseMenu {
public:
    // Answers for the person: the index of the item to choose, or -1 for none.
    using Chooser = std::function<int(const PopupMenu& menu)>;

    // Shows the menu and runs the chosen item's command; whether one ran.
    bool show();
    static void setChooser(Chooser chooser);
};

} // namespace Window
