#pragma once
// The object settings window, as far as the editing code reaches it: the
// object shown, one panel per effect of its chain with the effect's enabled
// and locked states and one control per parameter item, and the section state
// that an edit of the object's sections resets. The panels show text; their
// drawn form comes with the window framework.
#include "core/config.h"
#include "effect/item_control.h"
#include "ui/settings/item_controls.h"

#include <memory>
#include <vector>

namespace Edit { class Object; }
namespace Effect { class EffectBase; }

namespace Component {

// The window's options, section "Setting" of the main ini.
struct SettingOptions {
    int sectionViewMode = 2; // 0 no sections, 1 only for two values, 2 the section's start and end
    int slideMouseHidden = 0;
    int sliderButtonHidden = 0;
    int sliderCursorHidden = 0;
    int sliderMoveMode = 1;
    int sliderMoveRatio = 100;
    int displayPositionByFrame = 0; // media play positions show as frame numbers
    int sliderDirectMove = 0;
};

// The panel of one effect.
class EffectSetting : public ItemControlPanel {
public:
    // Brings the effect's items up to date, makes one control per item that
    // has one (hidden integers and YUV settings have none), lets the effect
    // bind its controls, then shows every value.
    explicit EffectSetting(std::shared_ptr<Effect::EffectBase> effect, const SettingOptions& options = {});
    ~EffectSetting() override;
    EffectSetting(const EffectSetting&) = delete;
    EffectSetting& operator=(const EffectSetting&) = delete;

    EffectItemBaseControl* findItemControl(const Effect::EffectItem* item) override;
    bool displayPositionByFrame() const override { return options.displayPositionByFrame != 0; }

    // Shows the effect's enable and lock states and every item's value again.
    void refresh();

    std::shared_ptr<Effect::EffectBase> effect;
    SettingOptions options;
    bool enabled = true;
    bool locked = false;
    std::vector<std::unique_ptr<ItemControl>> controls;
};

class SettingComponent {
public:
    // Reads "Setting" from the main ini; stores it back when the window goes.
    SettingComponent();
    ~SettingComponent();
    SettingComponent(const SettingComponent&) = delete;
    SettingComponent& operator=(const SettingComponent&) = delete;

    // Shows the object's chain, one panel per effect; null shows nothing.
    void showObject(const std::shared_ptr<Edit::Object>& object);
    // Refreshes every panel while an object is shown.
    void updateSettingValue();

    int sectionState = 0; // the section point shown; reset when the sections change
    std::shared_ptr<Edit::Object> object;
    std::vector<std::unique_ptr<EffectSetting>> panels;
    SettingOptions options;

private:
    System::Config::Section section_{"Setting"};
    System::Config::Int sectionViewMode_{section_, "SectionViewMode", &options.sectionViewMode, 2};
    System::Config::Int slideMouseHidden_{section_, "SlideMouseHidden", &options.slideMouseHidden, 0};
    System::Config::Int sliderButtonHidden_{section_, "SliderButtonHidden", &options.sliderButtonHidden, 0};
    System::Config::Int sliderCursorHidden_{section_, "SliderCursorHidden", &options.sliderCursorHidden, 0};
    System::Config::Int sliderMoveMode_{section_, "SliderMoveMode", &options.sliderMoveMode, 1};
    System::Config::Int sliderMoveRatio_{section_, "SliderMoveRatio", &options.sliderMoveRatio, 100};
    System::Config::Int displayPositionByFrame_{section_, "DisplayPositionByFrame", &options.displayPositionByFrame, 0};
    System::Config::Int sliderDirectMove_{section_, "SliderDirectMove", &options.sliderDirectMove, 0};
    System::Config::SectionSaver saver_{&section_};
};

} // namespace Component
