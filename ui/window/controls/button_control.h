#pragma once
// The button family: every clickable drawn control of the panes. The click
// fires when the left button goes down; the look follows hover and press
// (the state body colours); a tooltip shows while the pointer rests. The
// members differ in what they draw (a bitmap, a label, a vector icon, a tick,
// a label with a clickable icon, a label taking the wheel) and two add
// behaviour: a button that repeats its click while held, and a bitmap button
// whose value follows a vertical drag. Every frame is the Border colour,
// 2 pixels wide, along the inside of the button. Main thread only.
#include "core/timer.h"
#include "media/resource_service.h"
#include "ui/window/controls/control_paint.h"

#include <functional>
#include <string>
#include <vector>

namespace Platform::Draw {
class Bitmap;
class Brush;
class TextFormat;
} // namespace Platform::Draw

namespace Control {

// A line of an icon, in fractions of the button's width (x) and height (y);
// its stroke width is a fraction of the height.
struct IconLine {
    float x1, y1, x2, y2, width;
};

// An icon made of shapes given as fractions of the button's size; each part may be absent.
struct IconSet {
    const float* triangle = nullptr;              // three points, six floats
    const float* rectangle = nullptr;             // left, top, right, bottom
    const std::vector<IconLine>* lines = nullptr;
};

// The built-in icons: scroll-bar arrows and slider steps.
namespace Icons {
extern const IconSet Up, Down, Left, Right, Minus, Plus;
}

// The frame of the drawn controls: 2 pixels of the brush along the inside of (0, 0, W, H).
void drawFrame(Window::WindowControlRenderTarget& control, int brush);

class ButtonControl : public Window::WindowControlRenderTarget {
public:
    ButtonControl(Window::ControlContainer& container, int x, int y, int width, int height);
    ButtonControl(Window::WindowControl& parent, int x, int y, int width, int height);

    // Takes the press, repaints in the pressed colour, then clicks.
    void procLButtonDown(int x, int y) override;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procRelease() override;
    void procMouseHover() override;

    std::function<void(ButtonControl&)> onClick;
    std::wstring toolTip;
};

class IconButtonControl : public ButtonControl {
public:
    // Laid out as (x, 0, w, 0): the parent's full height.
    IconButtonControl(Window::WindowControl& parent, int x, int width, const IconSet* icon, bool selected);
    IconButtonControl(Window::ControlContainer& container, const IconSet* icon);
    void procPaint() override;

    const IconSet* icon = nullptr;
    bool selected = false;
    Platform::Draw::Brush* background = nullptr;
    Platform::Draw::Brush* foreground = nullptr;
};

// Clicks at the press, once more after the keyboard delay, then once per
// keyboard repeat interval until the press ends.
class RepeatClickButtonControl : public IconButtonControl {
public:
    // Laid out as (0, 0, 0, 0) until the owner sets the layout.
    explicit RepeatClickButtonControl(Window::ControlContainer& container, const IconSet* icon = nullptr);
    ~RepeatClickButtonControl() override;
    void procLButtonDown(int x, int y) override;
    void procRelease() override;

    std::function<void(RepeatClickButtonControl&)> onPress, onRelease;
    System::Timer timer;
};

class BitmapButtonControl : public ButtonControl {
public:
    using ButtonControl::ButtonControl;
    void procPaint() override;

    Platform::Draw::Bitmap* bitmap = nullptr;
    bool selected = false;
    Platform::Draw::Brush* background = nullptr;
};

// style: 0 centred, 1 left-aligned with a drop-down mark, 2 centred and
// trimmed with an ellipsis, other values at the top left.
class TextButtonControl : public ButtonControl, public Resource::FontResource {
public:
    TextButtonControl(Window::WindowControl& parent, int x, int y, int width, int height, int style);
    TextButtonControl(Window::ControlContainer& container, int x, int y, int width, int height, int style);
    void procPaint() override;

    std::wstring label;
    int style = 0;
    CachedText shownLabel;
};

// A text button that takes the wheel while the pointer is over it.
class TextButtonWheelControl : public TextButtonControl {
public:
    using TextButtonControl::TextButtonControl;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override;

    std::function<void(TextButtonWheelControl&, int delta)> onWheel;
    std::function<bool(TextButtonWheelControl&)> canWheel;
};

// A label with a clickable icon square at its right end, shown while iconBitmap is set.
class TextIconButtonControl : public ButtonControl, public Resource::FontResource {
public:
    // Laid out as (0, 0, w, 0).
    TextIconButtonControl(Window::WindowControl& parent, int width, const std::wstring& label);
    void procPaint() override;
    void procMove() override;

    class IconControl : public Window::WindowMouse {
    public:
        explicit IconControl(TextIconButtonControl& owner);
        void procLButtonDown(int x, int y) override;
        void procMouseHover() override;
        void procMouseEnter() override;
        void procMouseLeave() override;
        void procRelease() override;
        TextIconButtonControl& owner;
        Window::Rect iconRect;
    };

    std::wstring label;
    std::wstring iconToolTip;
    Platform::Draw::Bitmap* iconBitmap = nullptr;
    std::function<void(TextIconButtonControl&)> onIconClick;
    IconControl iconControl;
    CachedText shownLabel;
};

class CheckButtonControl : public ButtonControl {
public:
    CheckButtonControl(Window::WindowControl& parent, int x, int y, int width, int height);
    CheckButtonControl(Window::ControlContainer& container, int x, int y, int width, int height);
    void procPaint() override;
    // The check mark: a tick while checked.
    virtual void drawCheck();
    // Stores the callback; a click inverts checked, then calls it.
    void setCheckCallback(std::function<void(CheckButtonControl&)> callback);

    bool checked = false;
    bool framed = true;
    Platform::Draw::Brush* background = nullptr; // Grouping unless set
    std::function<void(CheckButtonControl&)> onCheck;
    std::function<Platform::Draw::Brush*()> backgroundGetter;
};

class CheckBitmapButtonControl : public CheckButtonControl {
public:
    CheckBitmapButtonControl(Window::WindowControl& parent, int x, int y, int width, int height);
    void drawCheck() override;
    Platform::Draw::Bitmap* onBitmap = nullptr;
    Platform::Draw::Bitmap* offBitmap = nullptr;
};

// The check state shows as the label's colour: Text checked, TextDisable not.
class CheckTextButtonControl : public CheckButtonControl, public Resource::FontResource {
public:
    using CheckButtonControl::CheckButtonControl;
    void drawCheck() override;
    std::wstring label;
    CachedText shownLabel;
};

} // namespace Control

namespace Component {

// A bitmap button whose value follows a vertical drag: two pixels up raise
// it by one from the value at the press. The subclass clamps and applies it.
class SliderButtonControl : public Control::BitmapButtonControl {
public:
    using BitmapButtonControl::BitmapButtonControl;
    void procLButtonDown(int x, int y) override;
    void procMouseDrag(int dx, int dy) override;
    virtual int getValue() = 0;
    virtual std::wstring getValueText() = 0;
    virtual void setValue(int valueAtPress, int delta) = 0;

    int valueAtPress = 0;
};

} // namespace Component
