#pragma once
// What the object sources show outside the frame: a tooltip at the mouse
// cursor and a popup menu of choices with sub-menus. The window layer installs
// the hooks at start; without them a tooltip is only logged and a menu
// chooses nothing.
#include <functional>
#include <string>
#include <vector>

namespace Effect::SourceUi {

struct MenuEntry {
    std::wstring text;
    bool enabled = true;
    bool checked = false; // shown as a radio mark
    std::function<void()> action;
    std::vector<MenuEntry> children; // a sub-menu when not empty
};

// Shows the text below the mouse cursor until the mouse moves.
void showToolTip(const std::wstring& text);
// Shows the menu at the mouse cursor and runs the chosen entry; whether one ran.
bool showPopupMenu(const std::vector<MenuEntry>& menu);

using ToolTipHook = std::function<void(const std::wstring&)>;
using PopupMenuHook = std::function<bool(const std::vector<MenuEntry>&)>;
void installHooks(ToolTipHook toolTip, PopupMenuHook popupMenu);

} // namespace Effect::SourceUi
