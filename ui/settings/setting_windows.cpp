#include "ui/settings/setting_windows.h"

#include "core/event_service.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"

namespace Component {

SettingWindows::SettingWindows()
{
    Edit::SettingHost::install(this);
    if (Event::EventService* events = Event::EventService::Get()) {
        // Listeners stay for the program's life: they find the windows through the accessor.
        events->focusObjectChanged.push_back([](std::shared_ptr<Edit::Object>& object) {
            if (SettingWindows* windows = SettingWindows::Get())
                windows->setting.showObject(object);
        });
    }
}

SettingWindows::~SettingWindows()
{
    Edit::SettingHost::install(nullptr);
}

void SettingWindows::resetSettingSection()
{
    setting.sectionState = 0;
}

void SettingWindows::clearSettingList()
{
    setting.panels.clear();
    const Edit::EditService* edit = Edit::EditService::Get();
    setting.showObject(edit && edit->currentScene ? edit->currentScene->focusObject : nullptr);
}

void SettingWindows::updateSettingValue()
{
    setting.updateSettingValue();
}

void SettingWindows::updateTimeSetting()
{
    time.update();
}

void SettingWindows::updateColorSetting()
{
    color.updateColor();
}

void SettingWindows::updateTextSetting()
{
    text.update();
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
