#pragma once
// The object settings window, as far as the editing code reaches it: the
// object shown, one panel per effect of its chain with the effect's enabled
// and locked states and one control per parameter item, and the section state
// that an edit of the object's sections resets. The panels show text; their
// drawn form comes with the window framework.
#include <memory>
#include <string>
#include <vector>

namespace Edit { class Object; }
namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect

namespace Component {

// The control of one parameter item.
class ItemControl {
public:
    explicit ItemControl(Effect::EffectItem* item) : item(item) {}
    virtual ~ItemControl();
    ItemControl(const ItemControl&) = delete;
    ItemControl& operator=(const ItemControl&) = delete;

    // Shows the item's value again.
    virtual void refresh();

    Effect::EffectItem* item;
    std::string shown; // the value as last shown, in its text form
};

// The panel of one effect.
class EffectSetting {
public:
    // One control per item, showing its value; the effect may bind controls of its own.
    explicit EffectSetting(std::shared_ptr<Effect::EffectBase> effect);
    ~EffectSetting();
    EffectSetting(const EffectSetting&) = delete;
    EffectSetting& operator=(const EffectSetting&) = delete;

    // Shows the effect's enable and lock states and every item's value again.
    void refresh();

    std::shared_ptr<Effect::EffectBase> effect;
    bool enabled = true;
    bool locked = false;
    std::vector<std::unique_ptr<ItemControl>> controls;
};

class SettingComponent {
public:
    // Shows the object's chain, one panel per effect; null shows nothing.
    void showObject(const std::shared_ptr<Edit::Object>& object);
    // Refreshes every panel while an object is shown.
    void updateSettingValue();

    int sectionState = 0; // the section point shown; reset when the sections change
    std::shared_ptr<Edit::Object> object;
    std::vector<std::unique_ptr<EffectSetting>> panels;
};

} // namespace Component
