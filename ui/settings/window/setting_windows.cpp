#include "ui/settings/window/setting_windows.h"

#include "ui/settings/window/effect_setting.h"
#include "ui/window/window_service.h"

namespace Component {

SettingWindows::SettingWindows()
{
    if (Window::WindowService::Get()) {
        color = std::make_unique<EffectColorSettingComponent>();
        text = std::make_unique<EffectTextSettingComponent>();
    }
    installControlMakers(true);
    Edit::SettingHost::install(this);
}

SettingWindows::~SettingWindows()
{
    Edit::SettingHost::install(nullptr);
    setting.clearPanels();
    installControlMakers(false);
}

void SettingWindows::resetSettingSection()
{
    setting.resetSection();
}

void SettingWindows::clearSettingList()
{
    setting.clearPanels();
}

void SettingWindows::updateSettingValue()
{
    setting.updateValues();
}

void SettingWindows::updateTimeSetting()
{
    time.update();
}

void SettingWindows::updateColorSetting()
{
    if (color)
        color->updateColor();
}

void SettingWindows::updateTextSetting()
{
    if (text)
        text->update();
}

bool SettingWindows::isTimeSettingShown()
{
    return time.shown;
}

void SettingWindows::setTimeSettingTarget(const std::shared_ptr<Edit::Object>& object,
                                          const std::shared_ptr<Effect::EffectBase>& effect,
                                          Effect::EffectItemNumber* item)
{
    time.setTarget(object, effect, item);
}

} // namespace Component
