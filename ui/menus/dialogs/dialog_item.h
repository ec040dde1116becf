#pragma once
// The rows of a dialog. Each row kind owns its controls while the dialog is
// open, checks the user's input when the dialog is submitted and keeps the
// accepted value after the controls are gone. A failed check shows a hint
// for 3 seconds right below the control and keeps the dialog open.
#include "ui/menus/dialogs/dialog_template.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Dialog {

class DialogItem {
public:
    explicit DialogItem(std::wstring label = {});
    virtual ~DialogItem();
    DialogItem(const DialogItem&) = delete;
    DialogItem& operator=(const DialogItem&) = delete;

    // Creates the row's controls in the rectangle (client pixels).
    virtual void create(DialogHandle dialog, int x, int y, int width, int height);
    // Checks and takes the input: false keeps the dialog open.
    virtual bool submit();
    // Shows the value in the controls again.
    virtual void update();
    // Commands of the row's controls (list views); true when handled.
    virtual bool notify(const DialogEvent& event);
    // Sets width (and height, for a fixed-height row) from the dialog's font.
    virtual void measure(DialogHandle dialog);

    // Creates a control with the text translated through the "Dialog" table.
    static ControlHandle createControl(DialogHandle dialog, Platform::Ui::ControlType type, uint32_t style,
                                       const std::wstring& text, int id, int x, int y, int width, int height);

    std::wstring label;
    int width = 0;
    int height = 0;
    ControlHandle hwnd = nullptr;
    int controlId = 0; // the first control id the dialog gives the row
    // Sees the main control's keys, focus and context menu first; true consumes.
    std::function<bool(ControlHandle, const DialogEvent&)> messageHook;

protected:
    // Joins messageHook to the main control when one is set.
    void installHook();
    // The hint below the control: the title through the "Message" table and,
    // when given, a blank and the detail.
    static void showHint(ControlHandle control, const std::wstring& title, const std::wstring& detail = {});
    // The field's text into value; an empty text of a required field shows the hint instead.
    static bool takeRequiredText(ControlHandle control, bool required, std::wstring& value);
};

// Hint texts of the checks.
extern const wchar_t* const HintRequired;     // "必須項目です"
extern const wchar_t* const HintInvalidChars; // "使用できない文字が含まれています"
extern const wchar_t* const HintFormat;       // "フォーマットが正しくありません"
extern const wchar_t* const HintInvalid;      // "値が不正です"
// The characters the name and folder rules show after their hint.
extern const wchar_t* const NameCharList;
extern const wchar_t* const FolderCharList;

// The checks, free of controls (the rows apply them to their text).
namespace Rule {
// "" when the name holds none of \ / : * ? " ' < > | % = , .
bool isName(const std::wstring& value);
// Group folders separated by single backslashes, the name characters otherwise.
// fault: which hint fails (null when it passes).
const wchar_t* folderFault(const std::wstring& value);
// Digits, then more digits after an optional point, or an f: 30, 1.5, 15f.
bool isMove(const std::wstring& value);
// The text as a 32-bit integer the way strtol reads it; false without digits or out of range.
bool parseInteger(const std::wstring& text, int& value);
// Blanks around the text dropped, then strtod; false without a number or on overflow.
bool parseNumber(const std::wstring& text, double& value);
// "%f" without its trailing zeros and point.
std::wstring formatNumber(double value);
} // namespace Rule

class DialogItemText : public DialogItem {
public:
    DialogItemText(std::wstring label, std::wstring value, bool required = false);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;
    void update() override;

    std::wstring value;
    bool required = false;

protected:
    bool takeText();
};

class DialogItemNameText : public DialogItemText {
public:
    DialogItemNameText(std::wstring label, std::wstring value);
    bool submit() override;
};

class DialogItemMoveFrameText : public DialogItemText {
public:
    DialogItemMoveFrameText(std::wstring label, std::wstring value);
    bool submit() override;
};

class DialogItemComboBox : public DialogItem {
public:
    DialogItemComboBox(std::wstring label, std::wstring value, std::vector<std::wstring> choices = {});
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;
    // Refills the choices from choiceProvider (when set) and shows the value.
    void update() override;

    std::wstring value;
    bool required = false;
    std::vector<std::wstring> choices;
    std::function<void(std::vector<std::wstring>&)> choiceProvider;

protected:
    bool takeText();
};

class DialogItemNameComboBox : public DialogItemComboBox {
public:
    using DialogItemComboBox::DialogItemComboBox;
    bool submit() override;
};

class DialogItemNameFolderComboBox : public DialogItemComboBox {
public:
    using DialogItemComboBox::DialogItemComboBox;
    bool submit() override;
};

class DialogItemInteger : public DialogItem {
public:
    DialogItemInteger(std::wstring label, int value, int min, int max);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;
    void update() override;

    int value = 0;
    int min = 0;
    int max = 0;
};

class DialogItemNumber : public DialogItem {
public:
    DialogItemNumber(std::wstring label, double value, double min, double max);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;

    double value = 0.0;
    double min = 0.0;
    double max = 0.0;
};

class DialogItemListBox : public DialogItem {
public:
    DialogItemListBox(std::wstring label, int index);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;
    // Appends a choice (a "Dialog" table key, translated when shown).
    void addString(const std::wstring& text);
    // The first choice equal to the text becomes the selection; none: no change.
    void selectString(const std::wstring& text);

    int index = 0;
    std::vector<std::wstring> choices;
};

class DialogItemStatic : public DialogItem {
public:
    explicit DialogItemStatic(std::wstring text);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override { return true; }
    void update() override {}
    void measure(DialogHandle dialog) override;

    std::wstring text;
    int iconSize = 32;
    uint32_t style = 0; // ControlStyle bits (Border adds 8 pixels to the height)
    Platform::Ui::DialogIcon icon = Platform::Ui::DialogIcon::None;
    bool bold = false;
    ControlHandle iconControl = nullptr;
};

// An accept button (submits) and a decline button (cancels) filling the row.
class DialogItemConfirmButton : public DialogItem {
public:
    DialogItemConfirmButton(std::wstring acceptText, std::wstring declineText);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override { return true; }
    void measure(DialogHandle dialog) override;

    std::wstring acceptText;
    std::wstring declineText;
    int declineWidth = 0;
    ControlHandle declineControl = nullptr;
};

class DialogItemMargin : public DialogItem {
public:
    explicit DialogItemMargin(int height);
    void create(DialogHandle, int, int, int, int) override {}
    bool submit() override { return true; }
    void update() override {}
};

// A shortcut key: the next key pressed in the field (with Ctrl, Shift, Alt).
class DialogItemKeyCode : public DialogItem {
public:
    DialogItemKeyCode(std::wstring label, int code);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override { return true; }
    void update() override;

    int code = 0;
    static constexpr const wchar_t* CueBanner = L"キーを入力してください";

private:
    bool onKey(const DialogEvent& event);
};

class DialogItemImageSize : public DialogItem {
public:
    DialogItemImageSize(std::wstring label, int width, int height, int min, int max);
    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    bool submit() override;

    int imageWidth = 0;
    int imageHeight = 0;
    int min = 0;
    int max = 0;
    ControlHandle heightControl = nullptr;
};

} // namespace Dialog
