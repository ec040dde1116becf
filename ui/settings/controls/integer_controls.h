#pragma once
// The integer control and the layer-range control: the item's name and one
// slider. A slider gesture is one undo step of the owner's effect (integer)
// or of the focus object's layer range (layer range, which also re-sorts the
// timeline's control ranges at every step). Neither tells the effect nor
// touches other selected objects.
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/slider_input_control.h"

namespace Effect { class EffectItemInteger; }

namespace Component {

class EffectItemIntegerControl : public EffectItemControl<Effect::EffectItemInteger> {
public:
    EffectItemIntegerControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                             Effect::EffectItem& item, bool layerRange = false);
    void updateValue() override;

    Control::TextControl label;
    Control::SliderInputControl slider;
    bool layerRange;
};

class EffectItemLayerRangeControl : public EffectItemIntegerControl {
public:
    EffectItemLayerRangeControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                Effect::EffectItem& item)
        : EffectItemIntegerControl(container, owner, item, true)
    {
    }
};

} // namespace Component
