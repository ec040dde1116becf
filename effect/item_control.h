#pragma once
// What the settings window lets an effect do to the controls of its items when
// it builds the effect's panel (EffectBase::bindItemControl), and how an item
// makes its control. The window sits above the effects: it implements these
// interfaces and installs the makers of its control kinds at start; the
// effects reach the controls only through them.
#include <functional>
#include <memory>
#include <string>

namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect
namespace Window { struct ControlContainer; }

namespace Component {

// The control of one item.
class EffectItemBaseControl {
public:
    virtual ~EffectItemBaseControl();
    virtual Effect::EffectItem* getEffectItem() const = 0;
    // A file chosen outside the control (a file button of the effect, a
    // dropped file). Kinds without a file throw "not implement.".
    virtual void updateFile(const std::wstring& path);
    // The frame or section shown changed.
    virtual void updateFrame();
    // Shows the item's value again.
    virtual void updateValue();

    // The user rests the pointer on the row: runs the hover callback. Whether one ran.
    bool requestInformation();

    // Set by the effect; empty when the item has nothing to tell on hover.
    std::function<void()> hoverCallback;
    // Runs when the row itself is pressed; empty by default.
    std::function<void()> rowCallback;
    // The part of the row's width the control takes: start and end fractions.
    float span[2] = {0.0f, 1.0f};
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

    // Resting on the item's control sends the effect an item event of code 100
    // (nothing when the item has no control).
    void bindInformation(const Effect::EffectItem& item, Effect::EffectBase& effect);
};

// The control kinds, one maker each. The settings window installs the makers
// at start; an item whose kind has no maker gets no control.
class ItemControlFactory {
public:
    enum Kind {
        Number, Integer, LayerRange, Check, CheckButton, Button, SelectButton, Select, FontSelect, MaskSelect,
        ComboFile, Color, File, Scene, String, Text, KindCount
    };
    // (the panel's container, the effect holding the item as the panel keeps it, the item)
    using Make = std::function<std::shared_ptr<EffectItemBaseControl>(
        Window::ControlContainer&, const std::shared_ptr<Effect::EffectBase>&, Effect::EffectItem&)>;

    // An empty maker removes the kind's.
    static void install(Kind kind, Make make);
    static std::shared_ptr<EffectItemBaseControl> make(Kind kind, Window::ControlContainer& container,
                                                       const std::shared_ptr<Effect::EffectBase>& owner,
                                                       Effect::EffectItem& item);
};

} // namespace Component
