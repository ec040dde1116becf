#pragma once
// Controls built on one button: the check box with the item's name, the
// toggle button, the push button that runs the effect's action and the
// button that shows the current choice and opens a menu of all choices. The
// last three take their span of the row from the item, so several share a row.
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/button_control.h"

namespace Effect {
class EffectItemButton;
class EffectItemCheck;
class EffectItemCheckButton;
class EffectItemSelectButton;
} // namespace Effect

namespace Component {

class EffectItemCheckControl : public EffectItemControl<Effect::EffectItemCheck> {
public:
    EffectItemCheckControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                           Effect::EffectItem& item);
    void updateValue() override;
    // One change: this object and the same check of every other selected object, one undo step.
    void writeCheck(bool value);

    Control::CheckButtonControl check;
    Control::TextControl name;
};

class EffectItemCheckButtonControl : public EffectItemControl<Effect::EffectItemCheckButton> {
public:
    EffectItemCheckButtonControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                 Effect::EffectItem& item);
    void updateValue() override;

    Control::CheckTextButtonControl button;
};

class ButtonItemControl : public EffectItemControl<Effect::EffectItemButton>, public EffectItemButtonControl {
public:
    ButtonItemControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                      Effect::EffectItem& item);
    // Runs the item's action; false when it has none.
    bool press();

    Control::TextButtonControl button;
};

class EffectItemSelectButtonControl : public EffectItemControl<Effect::EffectItemSelectButton> {
public:
    EffectItemSelectButtonControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                  Effect::EffectItem& item);
    void updateValue() override;
    void showChoices();
    // Stores the value (the list's first when it is not in the list), one undo step.
    void select(int value);

    Control::TextButtonControl button;
};

} // namespace Component
