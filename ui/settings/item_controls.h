#pragma once
// The controls of an effect panel, one per parameter item, in their headless
// form: each shows its item's value as text. The number control shows its
// values through the converter an effect may install, the file control
// carries the extra button an effect may add, and a button runs its item's action.
#include "effect/item_control.h"

#include <optional>
#include <string>

namespace Effect { class EffectItemNumber; }

namespace Component {

struct SettingOptions;

// The control of one parameter item.
class ItemControl : public virtual EffectItemBaseControl {
public:
    explicit ItemControl(Effect::EffectItem* item) : item(item) {}
    ~ItemControl() override;
    ItemControl(const ItemControl&) = delete;
    ItemControl& operator=(const ItemControl&) = delete;

    Effect::EffectItem* getEffectItem() const override { return item; }
    // Shows the item's value again.
    virtual void refresh();

    Effect::EffectItem* item;
    std::string shown; // the value as last shown
};

// A number item: the value at the start of the shown section and, when the
// section view shows one, at its end.
class NumberItemControl : public ItemControl, public EffectItemNumberControl {
public:
    NumberItemControl(Effect::EffectItemNumber* item, const SettingOptions& options);

    // Shows the values through the converters from now on.
    void setValueConverter(ValueConverter toDisplay, ValueConverter fromDisplay, double displayStep) override;
    void refresh() override;

    // Value `index` as shown.
    double displayValue(int index) const;
    // What a value entered at `index` stores, in the item's own units.
    double itemValue(double shown, int index) const;
    // Default, minimum, maximum and step on the shown scale.
    struct Range {
        double defaultValue, minValue, maxValue, step;
    };
    Range displayRange() const;

    Effect::EffectItemNumber* number;
    int sectionIndex = 0; // the section whose values are shown
    bool showsEnd;        // the end value is shown too

private:
    // The last point of a list of several is where a range ends: it converts as a difference.
    bool isDifference(int index) const;
    ValueConverter toDisplay_, fromDisplay_;
    double displayStep_ = 0;
};

// A file item, with the extra button an effect may add.
class FileItemControl : public ItemControl, public EffectItemFileControl {
public:
    using ItemControl::ItemControl;

    void setExtraButton(ExtraButton button) override;
    void setEmptyText(std::wstring text) override;
    // Presses the extra button; false when there is none.
    bool pressExtraButton();
    void refresh() override;

    std::optional<ExtraButton> extraButton;
    std::wstring emptyText;
};

// A button item: pressing it runs the item's action.
class ButtonItemControl : public ItemControl, public EffectItemButtonControl {
public:
    using ItemControl::ItemControl;
    // False when the item has no action.
    bool press();
};

} // namespace Component
