#pragma once
// The toolkit's application object and what the program asks of the desktop.
#include <functional>
#include <string>

namespace Platform::Ui {

// Creates the application object once (offscreen when no display is named or the
// named one does not answer)
// and puts LC_NUMERIC back to "C" so number formatting never follows the user's
// locale. Later calls do nothing. Returns true when a real display is used.
bool initializeApplication();
bool hasApplication();
bool hasDisplay();
void shutdownApplication();

struct MachineFacts {
    int keyRepeatDelay = 500;    // ms
    int keyRepeatInterval = 100; // ms
    int caretBlinkTime = 500;    // ms
    int dragWidth = 6;
    int dragHeight = 6;
    int doubleClickTime = 500; // ms
    int screenWidth = 1920;
    int screenHeight = 1080;
    int dpi = 96;
};

// Opens a folder, file or web address with the desktop's handler
// ("xdg-open", found on PATH), without waiting for it. False when it could
// not be started; what the handler does with the target is not checked.
bool openWithDesktop(const std::wstring& target);

// Facts of the desktop; the values above stand when no application object exists.
MachineFacts queryMachineFacts();

enum class BoxIcon { None, Information, Warning, Error, Question };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Yes, No };

struct MessageBox {
    std::wstring text;
    std::wstring caption;
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
    BoxAnswer defaultAnswer = BoxAnswer::Ok;
    // Over the main window; false: no owner, modal to the whole application
    // (boxes shown before the window exists or after it went).
    bool owned = true;
};

// Shows a modal message box and returns the answer. Without a person (the
// seam of person.h: no display, or an answerer installed) the box is not
// shown: the answerer (or the default answer) decides at once, and the box's
// text goes to the box log.
BoxAnswer showMessageBox(const MessageBox& box);
// The message boxes' answerer on the seam (an empty one removes it).
void setMessageBoxAnswerer(std::function<BoxAnswer(const MessageBox&)> answerer);
// Receives the text of every box answered without a person (for the program's log).
void setMessageBoxLog(std::function<void(const MessageBox&)> log);

} // namespace Platform::Ui
