#pragma once
// Real input for tests on the dialogs a driver works (dialog_window.h):
// toolkit events sent to a dialog's controls as a person would make them.
// Keys are virtual keys with TestInput's modifiers. Linked by tests only.
#include "platform/ui/dialog_window.h"
#include "platform/ui/test_input.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Ui::TestDialog {

// Focuses the control and types the text into it, key by key.
void type(ControlHandle control, const std::wstring& text);
// Selects the control's whole text and types the text in its place.
void replaceText(ControlHandle control, const std::wstring& text);
// A key press and release sent to the control (focused first).
void key(ControlHandle control, int virtualKey, uint32_t modifiers = TestInput::None);
// A key press and release sent to whatever has the dialog's focus.
void keyToDialog(DialogHandle dialog, int virtualKey, uint32_t modifiers = TestInput::None);
// A left click in the middle of the control (or at its client point).
void click(ControlHandle control);
void clickAt(ControlHandle control, int x, int y, uint32_t modifiers = TestInput::None);
void doubleClickAt(ControlHandle control, int x, int y);
// The dialog's close box.
void closeBox(DialogHandle dialog);
// Moves the keyboard focus by Tab.
void tab(DialogHandle dialog);
// The control holding the keyboard focus, null when none of the dialog's.
ControlHandle focused(DialogHandle dialog);
// The dialog's client area as it shows: BGRA rows, width × 4 bytes each.
std::vector<uint8_t> grab(DialogHandle dialog, int& width, int& height);
bool save(DialogHandle dialog, const std::string& path);
// A file dialog as it stands.
struct FileBoxState {
    std::wstring title;
    int filterIndex = 0; // one-based position of the selected filter
    std::wstring defaultExtension;
    std::wstring folder;
    std::wstring name; // the name field
    bool save = false;
};
FileBoxState fileBoxState(DialogHandle dialog);
// Types the name into a file dialog's name field and accepts it. A question
// the dialog asks then (replace an existing file?) is answered with yes or no
// and its text kept in question (empty when none was asked).
void acceptFile(DialogHandle dialog, const std::wstring& name, bool replace = true, std::wstring* question = nullptr);

// List views: the middle of a cell (or its check box) in line-area pixels
// (false when the line is not laid out), pointer events there as a person
// makes them (moves with the button held while pressed), a header click, and
// the texts and checks as they show.
bool listCellPoint(ControlHandle list, int line, int column, int& x, int& y);
bool listCheckPoint(ControlHandle list, int line, int& x, int& y);
void listPress(ControlHandle list, int x, int y, int button = TestInput::Left);
void listMove(ControlHandle list, int x, int y);
void listRelease(ControlHandle list, int x, int y, int button = TestInput::Left);
void listClick(ControlHandle list, int x, int y, int button = TestInput::Left);
void clickListHeader(ControlHandle list, int column);
// A line-area point as a point of the dialog's client area.
void listPointToClient(ControlHandle list, int& x, int& y);
std::vector<std::wstring> listTexts(ControlHandle list, int column);
std::vector<bool> listChecks(ControlHandle list);
// Whether the control shows now.
bool controlVisible(ControlHandle control);

// Whether the tooltip window shows now, and its text.
bool tipShown(std::wstring* text = nullptr);

} // namespace Platform::Ui::TestDialog
