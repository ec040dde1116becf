#pragma once
// What the object sources show outside the frame: a tooltip at the mouse
// cursor, a popup menu of choices with sub-menus and an error box. The window
// layer installs the hooks at start; without them a tooltip is only logged, a
// menu chooses nothing and an error is posted to the main window as it is.
#include <functional>
#include <string>
#include <vector>

namespace Effect {

class EffectBase;

namespace SourceUi {

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
// Posts the message to the main window, which shows it in an error box on
// the main thread; usable from any thread.
void postError(const wchar_t* message);

using ToolTipHook = std::function<void(const std::wstring&)>;
using PopupMenuHook = std::function<bool(const std::vector<MenuEntry>&)>;
using ErrorHook = std::function<void(const std::wstring&)>;
void installHooks(ToolTipHook toolTip, PopupMenuHook popupMenu);
void installErrorHook(ErrorHook error);

// Runs a menu choice as one undoable edit of the scene's focus object, when
// the effect still stands in its chain: the undo step holds the effect's
// snapshot, and the settings window shows the new values.
void editFocusEffect(EffectBase* effect, const std::function<void()>& change);

} // namespace SourceUi

} // namespace Effect
