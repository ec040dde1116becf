#pragma once
// The settings window and its sub-windows, reached through one service.
// While it lives it is the edit transactions' settings host (the end of an
// edit refreshes these windows) and the maker of the items' controls.
#include "core/service.h"

#include <memory>
#include "project/edit/edit_host.h"
#include "ui/settings/subwindows/effect_sub_windows.h"
#include "ui/settings/subwindows/text_window.h"
#include "ui/settings/window/setting_component.h"

namespace Component {

class SettingWindows : public System::Singleton<SettingWindows>, public Edit::SettingHost {
public:
    // Installs itself as the settings host and the control makers.
    SettingWindows();
    ~SettingWindows();

    void resetSettingSection() override;
    // The panels are dropped; the next edit notification builds them again.
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
    // Made where the main window runs (their controls need the window's fonts).
    std::unique_ptr<EffectColorSettingComponent> color;
    std::unique_ptr<EffectTextSettingComponent> text;
    EffectTimeSettingComponent time;
};

// Installs (or with false removes) the makers of every control kind.
void installControlMakers(bool install);

} // namespace Component
