#include "ui/settings/setting_component.h"

#include "core/ini_file.h"
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "project/model/object.h"
#include "ui/window/controls/slider_input_control.h"

namespace Component {

namespace {

std::unique_ptr<ItemControl> makeControl(Effect::EffectItem* item, const SettingOptions& options)
{
    switch (item->kind) {
    case Effect::EffectItemKind::HiddenInteger:
    case Effect::EffectItemKind::YUV: return nullptr;
    case Effect::EffectItemKind::Number:
    case Effect::EffectItemKind::PlayPosition:
        if (auto* number = dynamic_cast<Effect::EffectItemNumber*>(item))
            return std::make_unique<NumberItemControl>(number, options);
        break;
    case Effect::EffectItemKind::File: return std::make_unique<FileItemControl>(item);
    case Effect::EffectItemKind::Button: return std::make_unique<ButtonItemControl>(item);
    default: break;
    }
    return std::make_unique<ItemControl>(item);
}

} // namespace

EffectSetting::EffectSetting(std::shared_ptr<Effect::EffectBase> shownEffect, const SettingOptions& shownOptions)
    : effect(std::move(shownEffect)), options(shownOptions)
{
    effect->updateItemState();
    for (Effect::EffectItem* item : effect->items)
        if (std::unique_ptr<ItemControl> control = makeControl(item, options))
            controls.push_back(std::move(control));
    effect->bindItemControl(*this);
    refresh();
}

EffectSetting::~EffectSetting() = default;

EffectItemBaseControl* EffectSetting::findItemControl(const Effect::EffectItem* item)
{
    for (auto& control : controls)
        if (control->item == item)
            return control.get();
    return nullptr;
}

void EffectSetting::refresh()
{
    enabled = !effect->disable;
    locked = effect->lock;
    for (auto& control : controls)
        control->refresh();
}

SettingComponent::SettingComponent()
{
    if (System::Config::iniFile)
        section_.load(*System::Config::iniFile);
    // The slider inputs drag by this window's settings.
    Control::SliderInputControl::readSettings = [this] {
        return Control::SliderSettings{options.sliderMoveMode, options.sliderMoveRatio, options.sliderDirectMove};
    };
}

SettingComponent::~SettingComponent()
{
    Control::SliderInputControl::readSettings = nullptr;
}

void SettingComponent::showObject(const std::shared_ptr<Edit::Object>& shown)
{
    panels.clear();
    object = shown;
    if (!object)
        return;
    for (const auto& effect : object->effects)
        panels.push_back(std::make_unique<EffectSetting>(effect, options));
}

void SettingComponent::updateSettingValue()
{
    if (!object)
        return;
    for (auto& panel : panels)
        panel->refresh();
}

} // namespace Component
