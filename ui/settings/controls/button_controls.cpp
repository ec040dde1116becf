#include "ui/settings/controls/button_controls.h"

#include "effect/effect_base.h"
#include "effect/effect_item_button.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "project/edit/undo_service.h"
#include "ui/window/base_menu.h"

namespace Component {

namespace {

// A span starting inside the row drops the box's left margin.
void takeSpan(EffectItemRowControl& control, float left, float right)
{
    control.span[0] = left;
    control.span[1] = right;
    if (left > 0.0f)
        control.box.placeX = 0;
}

} // namespace

EffectItemCheckControl::EffectItemCheckControl(Window::ControlContainer& container,
                                               const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                               Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), check(box, 0, 0, rowHeight(), 0),
      name(box, rowHeight() + marginWidth, 0, 0, 0, effectText(it.name), 0)
{
    check.setCheckCallback([this](Control::CheckButtonControl& c) { writeCheck(c.checked); });
    rowCallback = [this] {
        if (check.onClick)
            check.onClick(check);
        check.procPaint();
    };
    updateValue();
}

void EffectItemCheckControl::updateValue()
{
    check.checked = item->value;
}

void EffectItemCheckControl::writeCheck(bool value)
{
    ItemWrite write(*this, true);
    item->value = value;
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    Undo::UndoService* undo = Undo::UndoService::Get();
    for (const auto& effect : gatherSameEffects()) {
        if (auto* other = sameItem<Effect::EffectItemCheck>(*effect)) {
            if (undo)
                undo->addEffectUpdate(effect);
            other->value = value;
        }
    }
}

EffectItemCheckButtonControl::EffectItemCheckButtonControl(Window::ControlContainer& container,
                                                           const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                                           Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), button(box, 0, 0, 0, 0)
{
    takeSpan(*this, item->left, item->right);
    button.label = effectText(it.name);
    button.setCheckCallback([this](Control::CheckButtonControl& c) {
        ItemWrite write(*this, true);
        item->value = c.checked;
    });
    rowCallback = [this] {
        if (button.onClick)
            button.onClick(button);
        button.procPaint();
    };
    updateValue();
}

void EffectItemCheckButtonControl::updateValue()
{
    button.checked = item->value;
}

ButtonItemControl::ButtonItemControl(Window::ControlContainer& container,
                                     const std::shared_ptr<Effect::EffectBase>& ownerEffect, Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), button(box, 0, 0, 0, 0, 0)
{
    takeSpan(*this, item->left, item->right);
    button.label = effectText(it.name);
    button.onClick = [this](Control::ButtonControl&) { press(); };
}

bool ButtonItemControl::press()
{
    if (!item->action)
        return false;
    item->action(*this);
    return true;
}

EffectItemSelectButtonControl::EffectItemSelectButtonControl(Window::ControlContainer& container,
                                                             const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                                             Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), button(box, 0, 0, 0, 0, 0)
{
    takeSpan(*this, item->left, item->right);
    button.onClick = [this](Control::ButtonControl&) { showChoices(); };
    updateValue();
}

void EffectItemSelectButtonControl::updateValue()
{
    button.label = effectText(item->list->getLabel(item->value));
}

void EffectItemSelectButtonControl::showChoices()
{
    Window::PopupMenu menu;
    for (const auto& [value, label] : item->list->labels) {
        const int chosen = value;
        menu.insertItem(effectText(label), [this, chosen] { select(chosen); })
            .setRadioCheck()
            .setCheck(value == item->value);
    }
    menu.show();
}

void EffectItemSelectButtonControl::select(int value)
{
    ItemWrite write(*this, true);
    item->value = item->list->labels.count(value) ? value : item->list->smallestValue();
    updateValue();
}

} // namespace Component
