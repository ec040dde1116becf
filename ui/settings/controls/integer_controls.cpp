#include "ui/settings/controls/integer_controls.h"

#include "effect/effect_item_simple.h"
#include "project/edit/undo_service.h"
#include "ui/settings/window/effect_setting.h"
#include "ui/settings/window/setting_component.h"

#include <cmath>

namespace Component {

EffectItemIntegerControl::EffectItemIntegerControl(Window::ControlContainer& container,
                                                   const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                                   Effect::EffectItem& it, bool isLayerRange)
    : EffectItemControl(container, ownerEffect, it, rowHeight()),
      label(box, 0, 0, headerWidth, 0, effectText(it.name), 1), slider(box, headerWidth + marginWidth, 0, 0),
      layerRange(isLayerRange)
{
    if (setting) {
        slider.hidePointer = setting->options.slideMouseHidden != 0;
        slider.buttonsHidden = setting->options.sliderButtonHidden != 0;
    }
    if (layerRange)
        slider.zeroText = L"---"; // 0: every layer below
    else if (item->zeroText)
        slider.zeroText = item->zeroText;
    slider.setRange(item->defaultValue, item->minValue, item->maxValue, 1.0);
    if (EffectSetting::buildingGroup)
        slider.edit.setGroup(EffectSetting::buildingGroup);
    slider.onChangeBegin = [this](Control::SliderInputControl&) {
        Undo::UndoService* undo = Undo::UndoService::Get();
        if (!undo)
            return;
        if (!layerRange) {
            beginGesture(false);
            return;
        }
        undo->recording = true;
        undo->pending.clear();
        if (const auto object = focusObject())
            undo->addObjectLayerRange(object);
    };
    slider.onChange = [this](Control::SliderInputControl& s) {
        ItemWrite write(*this, false);
        if (layerRange)
            write.update.updateLayerObject = true; // the layer's control ranges are sorted again
        item->value = int(std::lround(s.getValue()));
    };
    slider.onChangeEnd = [this](Control::SliderInputControl&) { endGesture(); };
    updateValue();
}

void EffectItemIntegerControl::updateValue()
{
    slider.setValue(item->value);
}

} // namespace Component
