#pragma once
// "編集": cursor moves, the object commands, the frame to the clipboard, mid
// points, groups, show and hide, the frame range, the focus object from the
// keyboard, undo and redo, and discarding the caches. A shortcut runs its
// command even while the item is greyed, so every command checks its own
// preconditions.
#include "ui/menus/menubar/main_menu_set.h"

#include <string>

namespace Edit {
class Scene;
}

namespace Menu {

class EditMenu : public MenuBase {
public:
    using MenuBase::MenuBase;
    void initialize() override;

    // ---- commands (on the current scene of the running edit service) ----
    static void moveNextFrame();
    static void movePrevFrame();
    static void moveFirstFrame();
    static void moveLastFrame();
    static void moveSelectionStart();
    static void moveSelectionEnd();
    // The amount text of "CustomMoveFrame" + letter ('A' .. 'D') in the direction.
    static void moveCustom(wchar_t letter, int direction);
    // Tab: the next object under the cursor, layer by layer, wrapping.
    static void focusObjectAtCursor();
    static void focusNextObject();
    static void focusPrevObject();
    // The first target decides: its first effect disabled shows every target, else hides them.
    static void toggleShowObject();
    static void undo();
    static void redo();
    // Waits for each cache's loads, empties the caches and the open files and
    // registers the scripts again, in one transaction that refreshes every pane.
    static void discardCaches();

    // ---- enable rules ----
    static bool targetsExist(const Edit::Scene& scene);
    static bool rangeSet(const Edit::Scene& scene);
    static bool canDeleteSectionAtCursor(const Edit::Scene& scene);
    static bool canClearGroup(const Edit::Scene& scene);
};

} // namespace Menu
