#pragma once
// The one drop-down list of the choice controls: a pop-up list shown below
// (or, near the bottom of the desktop, above) a control, whose entries run
// their handlers when clicked (Ctrl+click keeps the list open), hovered
// entries becoming the selection, the wheel scrolling two entries without
// moving it, Escape and a click elsewhere closing it. While it is open a
// left click in the main window closes it and goes nowhere else.
//
// A control opens it with initialize, addItem for each choice, then show.
// Process-wide; main thread only.
#include <functional>
#include <string>
#include <unordered_map>

namespace Platform::Ui {
class PopupList;
struct Message;
} // namespace Platform::Ui

namespace Window {

class ListBox {
public:
    // Creates the list on first use; closes and empties it.
    static void initialize();
    // Appends an entry; selected makes it the entry selected when the list opens.
    static int addItem(const std::wstring& text, std::function<void()> handler, bool selected = false);
    // Opens below the control's client rectangle (x, y, width; ownerHeight
    // its height); nothing while open.
    static void show(int x, int y, int width, int ownerHeight, const void* owner);
    static void hide();
    // Runs the handler of the selected entry.
    static void select();
    // Moves the selection by delta (held to the entries) and runs its handler.
    static void moveSelection(int delta);
    // The list's own handling of its input; true when the list took it.
    static bool windowProc(Platform::Ui::Message& message);
    // Drops the list window (shut-down).
    static void release();

    static bool isOpen;
    static const void* owner;
    static std::unordered_map<int, std::function<void()>> handlers;
    static int preselected;
    // Made on first use, dropped by release (never by an exit-time destructor).
    static Platform::Ui::PopupList* list;
};

} // namespace Window
