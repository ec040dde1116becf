#pragma once
// The list view of dialogs (a control of type ListView, dialog_window.h): a
// table of lines under a header of columns. Each line carries one data value
// (the caller's line object); the texts and check marks are asked from the
// handler whenever a line is drawn, so moving data values between lines moves
// the lines. The list selects one line at most, never keeps the keyboard and
// changes nothing by itself: the handler sees its pointer, header and scroll
// events and decides (checks change only through the handler). Main thread only.
#include "platform/ui/dialog_window.h"

#include <cstdint>
#include <functional>
#include <string>

namespace Platform::Ui {

struct ListViewEvent {
    enum Kind {
        MouseMove,   // the pointer moved (over the lines, or anywhere while a button is held)
        LeftDown,
        LeftUp,
        CaptureLost, // the capture taken by captureList ended
        RightDown,
        RightUp,
        BeginScroll, // the lines are about to scroll or have scrolled
        ColumnClick, // a header was clicked
        Destroy,     // the control goes (its lines still readable)
    };
    Kind kind = MouseMove;
    int x = 0, y = 0; // pointer, pixels of the line area (may lie outside it while captured)
    int column = -1;  // ColumnClick
};

struct ListViewHandler {
    std::function<std::wstring(intptr_t data, int column)> text;
    std::function<bool(intptr_t data)> check; // lists with check boxes
    std::function<void(const ListViewEvent&)> event;
};
// What a handler throws ends the dialog (as a row's hook does).
void setListViewHandler(ControlHandle list, ListViewHandler handler);

// Height of every line, pixels (0: the toolkit's own).
void setListLineHeight(ControlHandle list, int height);
bool insertListColumn(ControlHandle list, const std::wstring& title, int width);
int listColumnCount(ControlHandle list);

int listLineCount(ControlHandle list);
// Inserts a line at the position (clamped to the end); false without a list.
bool insertListLine(ControlHandle list, int line, intptr_t data);
bool getListLine(ControlHandle list, int line, intptr_t& data);
bool setListLine(ControlHandle list, int line, intptr_t data);
// The first line holding the data, -1 when none.
int findListLine(ControlHandle list, intptr_t data);
// Draws the line (all lines for -1) again from the handler.
void updateListLine(ControlHandle list, int line = -1);
// Reorders the lines by the comparison of their data (stable; < 0 puts a first).
void sortListLines(ControlHandle list, const std::function<int(intptr_t a, intptr_t b)>& compare);

struct ListHit {
    int line = -1;
    int column = -1;
    bool onCheck = false; // on the line's check box
};
ListHit hitTestList(ControlHandle list, int x, int y);
// Size of the line area (below the header), pixels.
void listAreaSize(ControlHandle list, int& width, int& height);
// Scrolls the lines by dy pixels (negative: up).
void scrollList(ControlHandle list, int dy);
int listScrollPosition(ControlHandle list);
// The cell's text part (right of a check box) in the dialog's client pixels.
bool listCellRect(ControlHandle list, int line, int column, int& left, int& top, int& right, int& bottom);
void selectListLine(ControlHandle list, int line);
int selectedListLine(ControlHandle list);

enum class ListCursor { Arrow, Hand, Drag };
void setListCursor(ControlHandle list, ListCursor cursor);
// While captured, the pointer's moves reach the handler wherever they are; the
// left button's release ends the capture (LeftUp, then CaptureLost).
void captureList(ControlHandle list, bool capture);

// Controls placed and shown by their dialog (in-place editors).
void moveControl(ControlHandle control, int x, int y, int width, int height);
void showControl(ControlHandle control, bool show);
// The dialog itself takes the keyboard focus (no control holds it).
void setDialogFocus(DialogHandle dialog);

} // namespace Platform::Ui
