#pragma once
// Modal dialogs built in memory: a window of a fixed client size holding
// controls at absolute pixel positions (labels, icons, line edits, combo
// boxes, drop-down lists, buttons, list views). The code that runs a dialog
// creates its controls when the window opens (the procedure's initialize),
// hears every command through one message handler (a button's id, Enter as
// id 1, Escape and the close box as id 2, an edit's text change with the
// code TextUpdate) and may hook a control's keys and focus changes.
//
// Without a person (the seam of person.h) runDialog shows nothing and returns
// 0 at once, unless a test installed a driver: then the dialog runs for real
// (on the offscreen platform too) and the driver works it inside the modal
// loop. What a handler throws ends the dialog; runDialog rethrows it after
// the loop. Main thread only.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform::Ui {

struct DialogWindow;
struct DialogControl;
using DialogHandle = DialogWindow*;
using ControlHandle = DialogControl*;

enum class ControlType { Static, Icon, Edit, ComboBox, DropList, Button, ListView };

namespace ControlStyle {
constexpr uint32_t Border = 0x01;      // a framed label
constexpr uint32_t Digits = 0x02;      // an edit that takes digits only
constexpr uint32_t Bold = 0x04;        // the bold control font
constexpr uint32_t RightAlign = 0x08;  // a label's text at its right
constexpr uint32_t EllipsisEnd = 0x10; // a label cut with an ellipsis at its end
constexpr uint32_t Checkboxes = 0x20;  // list view rows with check boxes
constexpr uint32_t NoSort = 0x40;      // list view headers do not sort
constexpr uint32_t NoFocus = 0x80;     // never takes the keyboard (Tab passes it by)
} // namespace ControlStyle

enum class DialogIcon { None, Information, Warning, Error, Question };

// Command ids the dialog itself sends.
constexpr int DialogOk = 1;
constexpr int DialogCancel = 2;

struct DialogEvent {
    enum Kind { Command, KeyDown, KeyUp, FocusIn, FocusOut, ContextMenu };
    static constexpr int TextUpdate = 0x400; // an edit's text changed (typed or set)
    static constexpr int SelectionChange = 1; // a combo box's choice changed
    static constexpr int FocusLost = 0x200;   // an edit or combo box lost the keyboard focus

    Kind kind = Command;
    int id = 0;             // the control id of a command
    int code = 0;           // the command's notification
    int key = 0;            // virtual key of a key event
    uint32_t modifiers = 0; // held with a key: Shift 1, Ctrl 2, Alt 4
    std::wstring text;      // the text a key press types
};

struct DialogProcedure {
    // Once the window exists, before it shows: create and place the controls.
    std::function<void(DialogHandle)> initialize;
    // Every command: true when handled (the result is not used further).
    std::function<bool(DialogHandle, const DialogEvent&)> message;
};

// Whether runDialog would show a window (a person or a driver answers).
bool dialogShown(const std::string& name);
// Runs the dialog modally: the result given to endDialog, 0 for the close box.
int runDialog(const std::string& name, const std::wstring& caption, DialogProcedure& procedure);
void endDialog(DialogHandle dialog, int result);
std::string dialogName(DialogHandle dialog);
bool dialogOpen(DialogHandle dialog);

// The outer size of a window with the client size (the frame the desktop adds).
void dialogWindowSize(DialogHandle dialog, int clientWidth, int clientHeight, int& width, int& height);
// Sets the client size and puts the window's top-left corner at the screen point.
void placeDialog(DialogHandle dialog, int x, int y, int clientWidth, int clientHeight);
void dialogClientSize(DialogHandle dialog, int& width, int& height);
// The window's outer rectangle, screen pixels.
void dialogWindowRect(DialogHandle dialog, int& left, int& top, int& right, int& bottom);
// The rectangle of the main window (or the screen without one), screen pixels.
void ownerWindowRect(int& left, int& top, int& right, int& bottom);

// The size of a text in the dialog's control font.
void measureDialogText(DialogHandle dialog, const std::wstring& text, bool bold, int& width, int& height);

ControlHandle createControl(DialogHandle dialog, ControlType type, uint32_t style, const std::wstring& text, int id,
                            int x, int y, int width, int height);
ControlHandle findControl(DialogHandle dialog, int id);
std::vector<ControlHandle> dialogControls(DialogHandle dialog);
DialogHandle controlDialog(ControlHandle control);
ControlType controlType(ControlHandle control);
int controlId(ControlHandle control);
void setControlText(ControlHandle control, const std::wstring& text);
std::wstring controlText(ControlHandle control);
// Edits: a text shown while the edit is empty (focused too).
void setControlPlaceholder(ControlHandle control, const std::wstring& text);
void setControlIcon(ControlHandle control, DialogIcon icon, int size);
void setControlInputMethod(ControlHandle control, bool enabled);
// The hook sees the control's key, focus and context-menu events
// first; true consumes the event (Tab, Enter and Escape included).
void setControlHook(ControlHandle control, std::function<bool(const DialogEvent&)> hook);
void setControlFocus(ControlHandle control);
bool controlHasFocus(ControlHandle control);
// The control's outer rectangle, screen pixels.
void controlScreenRect(ControlHandle control, int& left, int& top, int& right, int& bottom);
// The control's rectangle in the dialog's client pixels.
void controlClientRect(ControlHandle control, int& left, int& top, int& right, int& bottom);

// Combo boxes and drop-down lists.
void addChoice(ControlHandle control, const std::wstring& text);
void clearChoices(ControlHandle control);
void selectChoice(ControlHandle control, int index);
int selectedChoice(ControlHandle control);
int choiceCount(ControlHandle control);

// ---- tests: a driver works every dialog shown ----
using DialogDriver = std::function<void(DialogHandle dialog)>;
// Installs the driver (an empty one removes it). A dialog the driver left
// open is closed as by the close box.
void setDialogDriver(DialogDriver driver);
bool hasDialogDriver();

} // namespace Platform::Ui
