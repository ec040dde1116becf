#pragma once
// Modal dialogs built from rows at run time. A dialog derives from
// DialogTemplate (or is one), adds its rows (DialogItem kinds,
// dialog_item.h), calls create and, when that returned true, reads the
// values back from the rows. The window is laid out from the measured rows:
// labels in one column, 12-pixel margins, 6 pixels between rows, an OK button
// when there are two or more rows or a fixed-height row. A one-row dialog
// opens at the pointer and Enter submits it; one with an OK button is
// centred on its owner and Enter does nothing there. Main thread only.
#include "platform/ui/dialog_window.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Dialog {

using Platform::Ui::ControlHandle;
using Platform::Ui::DialogEvent;
using Platform::Ui::DialogHandle;

class DialogItem;

// Ids of the dialog's own commands.
constexpr int IdOk = 1;        // Enter
constexpr int IdCancel = 2;    // Escape, the close box, a decline button
constexpr int IdSubmit = 6;    // the OK button, a confirmation row's accept button
constexpr int FirstButtonId = 10000;

// A text through the "Dialog" / "Message" table while a language is loaded.
std::wstring translateDialog(const std::wstring& text);
std::wstring translateMessage(const std::wstring& text);

class DialogTemplate {
public:
    struct Button {
        std::wstring text;
        std::function<void()> action;
        int width = 0; // 0: four line heights
        int id = 0;    // FirstButtonId + its index
    };

    // name: the dialog's object name, which tests and answerers find it by.
    explicit DialogTemplate(std::wstring caption, std::string name = "DialogTemplate");
    virtual ~DialogTemplate();
    DialogTemplate(const DialogTemplate&) = delete;
    DialogTemplate& operator=(const DialogTemplate&) = delete;

    // Appends a row of kind T made from the arguments; the template owns it.
    template <class T, class... Args>
    T* addItem(Args&&... args)
    {
        auto row = std::make_unique<T>(std::forward<Args>(args)...);
        T* typed = row.get();
        items.push_back(std::move(row));
        return typed;
    }
    // Appends a custom button to the button row.
    void addButton(const std::wstring& text, std::function<void()> action, int width = 0);

    // Runs the dialog modally: true when it ended through a successful submit.
    // Without a person it logs its caption and answers Cancel (or what an
    // answerer for its name says). What a row, hook or action throws ends the
    // dialog and is rethrown here.
    bool create(int minWidth = 0, DialogHandle owner = nullptr);
    // Submits every row in order; all valid ends the dialog with true.
    bool submit();

    // Sees every command the framework does not consume.
    virtual bool procMessage(DialogHandle dialog, const DialogEvent& event);
    // Once every control exists.
    virtual void initialized();

    std::wstring caption;
    std::string name;
    int width = 0;
    int height = 0;
    bool showOk = false;
    bool ignoreEnter = false;
    bool centre = false;
    int buttonMode = 0; // 0 automatic, 1 always OK, 3 confirmation row; others: no OK button
    int lineHeight = 0; // measured when the window opens
    std::vector<std::unique_ptr<DialogItem>> items;
    std::vector<Button> buttons;
    DialogHandle hwnd = nullptr; // while open
    DialogHandle ownerDialog = nullptr;

    static constexpr int CaptionLimit = 127;

private:
    void layout(DialogHandle dialog);
    bool message(DialogHandle dialog, const DialogEvent& event);
};

} // namespace Dialog
