#pragma once
// The settings window and its sub-windows, reached through one service. While
// it lives it is the edit transactions' settings host: the end of an edit
// refreshes these windows.
#include "core/service.h"
#include "project/edit/edit_host.h"
#include "ui/settings/effect_sub_windows.h"
#include "ui/settings/setting_component.h"

namespace Component {

class SettingWindows : public System::Singleton<SettingWindows>, public Edit::SettingHost {
public:
    // Installs itself as the settings host and follows the focus object.
    SettingWindows();
    ~SettingWindows();

    void resetSettingSection() override;
    // The panels are built again for the current scene's focus object.
    void clearSettingList() override;
    void updateSettingValue() override;
    void updateTimeSetting() override;
    void updateColorSetting() override;
    void updateTextSetting() override;
    bool isTimeSettingShown() override;
    void setTimeSettingTarget(const std::shared_ptr<Edit::Object>& object,
                              const std::shared_ptr<Effect::EffectBase>& effect,
                              Effect::EffectItemNumber* item) override;

    SettingComponent setting;
    EffectColorSettingComponent color;
    EffectTextSettingComponent text;
    EffectTimeSettingComponent time;
};

} // namespace Component
