#pragma once
// The numeric input: a value shown as text on a face that the user drags
// horizontally, a minus and a plus step button on either side, and a text
// field that replaces the face for typing. Values are fixed-point: an integer
// count of steps, a step being 1 / denominator of a unit. Transform callbacks
// let an owner show the value on another scale. How fast a drag moves depends
// on the range, the control's or the screen's width and three settings of the
// object settings window. Each gesture opens with onChangeBegin and closes
// with exactly one onChangeEnd. Main thread only.
#include "ui/window/controls/edit_control.h"

#include <functional>
#include <string>

namespace Control {

// The drag settings, section "Setting" of the main ini (kept by the object
// settings window, which installs SliderInputControl::readSettings).
struct SliderSettings {
    int moveMode = 1;    // "SliderMoveMode": 0 about a unit a pixel, 1 the range over the screen, else over the control
    int moveRatio = 100; // "SliderMoveRatio", percent
    int directMove = 0;  // "SliderDirectMove": a press sets the value under the pointer
};

class SliderInputControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    // Laid out as (x, y, 0, h), stretching to the parent's right edge.
    SliderInputControl(Window::WindowControl& parent, int x, int y, int height);
    ~SliderInputControl() override;

    // default, min and max in units, step the size of one step.
    void setRange(double defaultValue, double min, double max, double step);
    // Shows a stored value: no repaint, no callback.
    void setValue(double v);
    double getValue() const;
    void updateText();
    // The common step of buttons, keys, drags and typing: held inside the
    // range; when it changed: stored, shown, onChange.
    void applyValue(int64_t v);
    // The field's text (the wheel adds offset steps).
    void parseText(const std::wstring& text, int offset);
    void setEditMode(bool on);
    void updateDragRates();
    // The value's text for a number of steps (decimals from the denominator).
    std::wstring formatSteps(int steps) const;

    void procPaint() override;
    void procMove() override;

    class SliderButton : public ButtonControl {
    public:
        explicit SliderButton(SliderInputControl& owner);
        void procMouseMove(int x, int y) override;
        void procMouseDrag(int dx, int dy) override;
        bool procDragKey(int key) override;
        void procLButtonDown(int x, int y) override;
        void procLButtonUp(int x, int y) override;
        void procRelease() override;
        void procPaint() override;
        // Reads Shift and Alt; whether the fine or direct state changed.
        bool checkModifiers();
        void applyDirect(int pointerX);
        SliderInputControl& owner;
        int valueAtPress = 0;
        bool fineDrag = false, directDrag = false;
        CachedText shownText;
    };
    class SliderEdit : public FieldEdit {
    public:
        explicit SliderEdit(SliderInputControl& owner);
        void procMouseWheel(int x, int y, int delta) override;
        SliderInputControl& slider;
    };

    int editWidth = 0;
    int value = 2147483647, defaultValue = 0, minValue = 0, maxValue = 0;
    int denominator = 1, decimals = 0;
    float stepsPerPixel = 1.0f;
    int snapUnit = 1, fineUnit = 1;
    bool hidePointer = false;
    bool buttonsHidden = false;
    bool buttonsForced = false;
    std::wstring text;
    std::wstring zeroText;
    Platform::Draw::TextFormat* textFormat = nullptr;
    bool startMark = false, endMark = false;
    bool showCursor = false;
    bool changing = false;
    bool transformed = false;
    double transformedStep = 0;
    std::function<double(double value, bool flag)> toSliderValue, fromSliderValue;
    std::function<void(SliderInputControl&)> onChange, onChangeBegin, onChangeEnd;
    Window::ControlContainer container;
    RepeatClickButtonControl decrement, increment;
    SliderButton face;
    SliderEdit edit;

    // Where sliders read the drag settings; empty: the defaults.
    static std::function<SliderSettings()> readSettings;

private:
    void beginGesture();
    void endGesture();
    void showText();
};

} // namespace Control
