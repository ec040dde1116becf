#pragma once
// The number control: the item's name as a button that opens the movement
// menu (with an icon for the time-control window or the movement's
// settings), and one or two sliders: the value at the start of the shown
// section and, when the section view shows it, at its end. A slider gesture
// is one undo step over the focus object and every selected object whose
// same item moves the same way with as many values.
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/slider_input_control.h"

namespace Effect { class EffectItemNumber; }

namespace Component {

class NumberItemControl : public EffectItemControl<Effect::EffectItemNumber>, public EffectItemNumberControl {
public:
    NumberItemControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                      Effect::EffectItem& item);
    ~NumberItemControl() override;

    void updateValue() override;
    void updateFrame() override;
    void procMove() override;
    void setValueConverter(ValueConverter toDisplay, ValueConverter fromDisplay, double displayStep) override;

    // The index of the value the start slider shows.
    int computeSectionIndex() const;
    // Stores a slider's value at index (clamped to the list) here and in the
    // matching items of the other selected objects.
    void writeValue(double value, int index);
    // Value `index` as shown (through the converter).
    double displayValue(int index) const;
    // What a value shown at `index` stores, in the item's own units.
    double itemValue(double shown, int index) const;
    struct Range {
        double defaultValue, minValue, maxValue, step;
    };
    // Default, minimum, maximum and step on the shown scale.
    Range displayRange() const;
    void showMovementMenu();
    void runIconAction();

    Control::TextIconButtonControl label;
    Control::LayoutControl sliderArea;
    Control::SliderInputControl startSlider;
    Control::SliderInputControl endSlider;
    int valueCount;
    int sectionIndex = 0;
    bool endShown;

private:
    void applyRange();
    bool isDifference(int index) const;
    ValueConverter toDisplay_, fromDisplay_;
};

} // namespace Component
