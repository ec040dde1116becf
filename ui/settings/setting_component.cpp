#include "ui/settings/setting_component.h"

#include "effect/effect_base.h"
#include "project/model/object.h"

namespace Component {

ItemControl::~ItemControl() = default;

void ItemControl::refresh()
{
    shown = item->toString();
}

EffectSetting::EffectSetting(std::shared_ptr<Effect::EffectBase> shownEffect) : effect(std::move(shownEffect))
{
    for (Effect::EffectItem* item : effect->items)
        controls.push_back(std::make_unique<ItemControl>(item));
    effect->bindItemControl(*this);
    refresh();
}

EffectSetting::~EffectSetting() = default;

void EffectSetting::refresh()
{
    enabled = !effect->disable;
    locked = effect->lock;
    for (auto& control : controls)
        control->refresh();
}

void SettingComponent::showObject(const std::shared_ptr<Edit::Object>& shown)
{
    panels.clear();
    object = shown;
    if (!object)
        return;
    for (const auto& effect : object->effects)
        panels.push_back(std::make_unique<EffectSetting>(effect));
}

void SettingComponent::updateSettingValue()
{
    if (!object)
        return;
    for (auto& panel : panels)
        panel->refresh();
}

} // namespace Component
