#pragma once
// The program's own text field: a drawn control holding one text of any
// number of lines (characters are whole code points; line breaks a single
// LF), laid out in the "EditControl" format without wrapping, with caret and
// selection by mouse and keys, the clipboard, a right-click edit menu,
// input-method text, scrolling that keeps the caret in view (4-pixel inner
// margin), an optional per-character filter (an ECMAScript pattern searched
// in each character) and Tab cycling through a group of fields. Input comes
// from the router; drawing goes to the main window's target. Main thread only.
#include "core/timer.h"
#include "media/resource_service.h"
#include "ui/window/controls/scroll_bar_control.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Draw {
class TextLayout;
class TextFormat;
} // namespace Platform::Draw

namespace Window {
class BaseMenu;
}

namespace Control {

class EditFocusGroup;
using FocusGroupArray = std::vector<EditFocusGroup*>;

// A member of a Tab group: the members in insertion order share one array.
class EditFocusGroup {
public:
    virtual ~EditFocusGroup();
    virtual void setGroupFocus(bool take) = 0;
    virtual bool canGroupFocus() = 0;
    // Keeps the shared array (leaving any earlier one) and joins it.
    void setGroup(std::shared_ptr<FocusGroupArray> group);
    // Leaves the group: only this member goes, the others keep cycling.
    void leaveGroup();

    std::shared_ptr<FocusGroupArray> focusGroup;
};

class EditControl : public Window::WindowControlRenderTarget, public EditFocusGroup, public Resource::FontResource {
public:
    // Fills its container ((0, 0, 0, 0)) until the owner sets a layout.
    explicit EditControl(Window::ControlContainer& container);
    // Inside a parent control at x, width w, the parent's full height.
    EditControl(Window::WindowControl* parent, int x, int width);
    ~EditControl() override;

    // Line breaks to LF, the length cached, caret and selection held inside, the layout rebuilt.
    void updateTextLayout();
    // Brings the caret into view, then calls onScroll.
    void updateScroll();
    // Moves the composition window to the caret while focused and the input method is on.
    void updateImePosition();
    // The text position at a point in layout coordinates.
    int getTextPosition(int x, int y);
    // Deletes [from, to), both held inside the text; the caret follows.
    void eraseText(int from, int to);
    // Inserts at the caret (through the filter); the caret ends after it.
    void insertText(const std::wstring& text);
    void editCursorUp(int lines);
    void editCursorDown(int lines);
    virtual void insertEditMenu(Window::BaseMenu& menu);

    void setGroupFocus(bool take) override;
    bool canGroupFocus() override;

    void procMouseMove(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procLButtonDown(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    bool procKeyDown(int virtualKey) override;
    bool procChar(wchar_t character) override;
    void procImeString(const std::wstring& text) override;
    void procKillFocus(Window::WindowMouse* next) override;
    bool procFocusIme(Window::ImeState& state) override;
    void procPaint() override;

    // Geometry: the view is the visible rectangle less 4 pixels on each side.
    int viewWidth() const;
    int viewHeight() const;
    int lineHeight();
    int horizontalMargin();
    int verticalMargin();
    bool hasSelection() const { return selectionStart < selectionEnd; }
    // Shows the caret and restarts its blink timer.
    void showCaret();

    int selectionStart = 0, selectionEnd = 0;
    int scrollX = 0, scrollY = 0;
    Platform::Draw::TextFormat* textFormat = nullptr;
    std::wstring text;
    int caret = 0, anchor = 0;
    int textLength = 0;
    int layoutWidth = 0, layoutHeight = 0;
    int hitTestCount = 0;
    bool centerHorizontal = false, centerVertical = false;
    System::Timer caretTimer;
    bool caretVisible = false;
    bool contextMenu = false;
    Window::WindowMouse* wheelTarget = nullptr;
    std::shared_ptr<Platform::Draw::TextLayout> textLayout;
    Platform::Draw::Brush* background = nullptr;
    std::function<void(EditControl&)> onChange;
    std::function<void(EditControl&)> onScroll;
    std::function<bool(int virtualKey)> keyHook;
    const wchar_t* charFilter = nullptr;

private:
    void initialize();
    // The caret's cell in layout coordinates.
    struct Cell {
        float left = 0, top = 0, width = 0, height = 0;
    };
    Cell caretCell(const char* place);
    void afterCaretMove(bool shift);
    // With Shift the selection spans the anchor to the caret; else the anchor follows the caret.
    void extendSelection(bool shift);
    void completeEdit();
    void selectWord(int position);
    void deleteSelection();
    void deleteBackward();
    void deleteForward(bool toLineEnd);
    void paste();
    bool cycleGroup(bool backward);
    bool dragScroll(int x, int y);
    void clampScroll();
    bool filterAccepts(const std::wstring& one) const;
    void drawCaret(bool show);
    void hidePointer();

    wchar_t pendingHigh_ = 0; // a high surrogate typed alone, waiting for its low half
};

// The field of a value shown on a face (the button input, the slider input):
// it takes the face's place for typing, and Enter, Escape, leaving the focus
// or Tab away give the place back. The owner's setEditMode does the swap.
class FieldEdit : public EditControl {
public:
    FieldEdit(Window::ControlContainer& container, Window::WindowControl& owner, Window::WindowControl& face,
              Platform::Draw::TextFormat* format);
    // On: hides the face and shows the field holding the text fully selected,
    // the caret blinking and the keyboard focus here; off: the face again.
    void swapIn(bool on, const std::wstring& shown);

    bool procKeyDown(int key) override;
    void procKillFocus(Window::WindowMouse* next) override;
    void setGroupFocus(bool take) override;
    bool canGroupFocus() override;

    // The owner's setEditMode.
    std::function<void(bool on)> setEditMode;
    Window::WindowControl& owner;
    Window::WindowControl& face;
};

// A vertical scroll bar bound to one edit control: its range is the laid-out
// text's height plus the vertical margin, its window the field's view.
class EditScrollBarControl : public ScrollBarControl {
public:
    EditScrollBarControl(Window::ControlContainer& container, int x, int y, int width, EditControl& edit);
    EditScrollBarControl(Window::WindowControl& parent, int x, int y, int width, int height, EditControl& edit);
    void updateRange();

    EditControl& edit;

private:
    void bind();
};

} // namespace Control
