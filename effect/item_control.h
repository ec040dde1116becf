#pragma once
// What the settings window lets an effect do to the controls of its items when
// it builds the effect's panel (EffectBase::bindItemControl). The window sits
// above the effects: it implements these interfaces, and the effects reach
// the controls only through them.
#include <functional>
#include <string>

namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect

namespace Component {

// The control of one item.
class EffectItemBaseControl {
public:
    virtual ~EffectItemBaseControl();
    virtual Effect::EffectItem* getEffectItem() const = 0;

    // The user asks the control for the item's information (the row is hovered).
    // Whether a callback ran.
    bool requestInformation();

    // Set by the effect; empty when the item has nothing to tell.
    std::function<void()> informationCallback;
};

// The control of a number item.
class EffectItemNumberControl : public virtual EffectItemBaseControl {
public:
    // (value, is-difference) -> value. A difference (a step, or a range's end
    // measured from its start) converts without any offset.
    using ValueConverter = std::function<double(double value, bool difference)>;

    // The control shows toDisplay of the item's values, turns what the user
    // enters back through fromDisplay, and steps by displayStep.
    virtual void setValueConverter(ValueConverter toDisplay, ValueConverter fromDisplay, double displayStep) = 0;
};

// The control of a file item.
class EffectItemFileControl : public virtual EffectItemBaseControl {
public:
    // A button beside the file's own: its text, the theme icon's resource
    // number and what pressing it does.
    struct ExtraButton {
        std::wstring text;
        int icon = 0;
        std::function<void()> action;
    };
    virtual void setExtraButton(ExtraButton button) = 0;
    // What the control shows while the path is empty (translated when shown).
    virtual void setEmptyText(std::wstring text) = 0;
};

// The control of a button item (Effect::EffectItemButton): pressing it runs
// the item's action with the control.
class EffectItemButtonControl : public virtual EffectItemBaseControl {};

// The panel of one effect.
class ItemControlPanel {
public:
    virtual ~ItemControlPanel();
    // The control bound to the item in this panel, or null (the item has none).
    virtual EffectItemBaseControl* findItemControl(const Effect::EffectItem* item) = 0;
    // The window's option "DisplayPositionByFrame": play positions show as frames.
    virtual bool displayPositionByFrame() const = 0;

    // Asking the item's control for information sends the effect an item event
    // of code 100 (nothing when the item has no control).
    void bindInformation(const Effect::EffectItem& item, Effect::EffectBase& effect);
};

} // namespace Component
