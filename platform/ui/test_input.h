#pragma once
// Real input for tests: toolkit events sent to the main surface (and to the
// pop-ups it opens), as a person would make them. Coordinates are client
// pixels of the main surface unless said otherwise; keys are virtual keys.
// Linked by tests only.
#include <cstdint>
#include <string>
#include <vector>

namespace Platform::Ui::TestInput {

enum Button { Left = 1, Right = 2, Middle = 4 };
// Modifier keys held during an event.
enum Modifier : uint32_t { None = 0, Shift = 1, Control = 2, Alt = 4, Keypad = 8 };

// Handles what is queued (timers, posted events) for at least ms milliseconds.
void wait(int ms = 0);

// The main surface's window: active, shown, focused; waits until it is exposed.
bool activate();
// Another window takes the activation (and the keyboard focus).
void deactivate();
void moveWindow(int x, int y);
void resizeWindow(int width, int height);
void maximizeWindow();
void restoreWindow();
// The close button.
void closeWindow();

void move(int x, int y, uint32_t modifiers = None, int buttons = 0);
void press(int x, int y, Button button = Left, uint32_t modifiers = None);
void release(int x, int y, Button button = Left, uint32_t modifiers = None);
void click(int x, int y, Button button = Left, uint32_t modifiers = None);
// delta: 120 a notch, positive away from the user.
void wheel(int x, int y, int delta, uint32_t modifiers = None);

void keyDown(int virtualKey, uint32_t modifiers = None, bool repeat = false);
void keyUp(int virtualKey, uint32_t modifiers = None);
void keyClick(int virtualKey, uint32_t modifiers = None);
// Auto-repeated presses of one key sent in a row before any of them is handled.
void keyRepeats(int virtualKey, int count);
// An input-method composition (preedit) and its commit.
void imeCompose(const std::wstring& preedit);
void imeCommit(const std::wstring& text);

// A drag of local files entering at the point and moving there: whether the
// window showed that it takes them.
bool dragFiles(const std::vector<std::wstring>& files, int x, int y);
// A drag of plain text (no file list) entering at the point.
bool dragText(const std::wstring& text, int x, int y);
void dragLeave();
// Drops the files at the point after a drag there: whether the drag was taken.
bool dropFiles(const std::vector<std::wstring>& files, int x, int y);

// The menu bar: opens the menu at the position with a click on its title and
// chooses its item with the command id with a click (false when it is not shown).
bool openMenuBarMenu(int index);
bool clickMenuItem(int commandId);
// The items of the pop-up menu open now: their texts, "-" for a separator,
// "(text)" for a greyed one, "*" before a checked one.
std::vector<std::wstring> openMenuItems();
void closePopups();

// The drop-down list shown now: its entry at the index is clicked, hovered,
// turned with the wheel over, or gets a key.
bool listShown();
void clickListEntry(int index, uint32_t modifiers = None);
void hoverListEntry(int index);
void wheelList(int delta);
void keyList(int virtualKey);

// The window as it shows on screen (menu bar included): BGRA rows, width × 4 bytes each.
std::vector<uint8_t> grabWindow(int& width, int& height);
// Writes the window as a PNG file.
bool saveWindow(const std::string& path);

} // namespace Platform::Ui::TestInput
