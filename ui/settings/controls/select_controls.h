#pragma once
// List choice controls: a choice button showing the current entry opens the
// shared drop-down list, whose open list also takes the wheel (one entry a
// notch, each its own undo step). Besides the plain list: fonts (the name
// button opens a font menu), a built-in entry or a file of the user's (the
// name button opens the open-file box) and masks (a file, another scene or
// a built-in shape; a scene mask shows the effect's linked check item).
#include "ui/settings/controls/effect_item_control.h"
#include "ui/window/controls/button_control.h"

namespace Effect {
class EffectItemComboFile;
class EffectItemFontSelect;
class EffectItemMaskSelect;
class EffectItemSelect;
} // namespace Effect

namespace Component {

// What every list control chooses through: one value of its list.
class EffectItemSelectBase {
public:
    virtual ~EffectItemSelectBase() = default;
    virtual void select(int value) = 0;
};

// The parts and the drop-down list every list control shares.
template <class T>
class EffectItemSelectControlBase : public EffectItemControl<T>, public EffectItemSelectBase {
public:
    EffectItemSelectControlBase(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                Effect::EffectItem& item);
    // Opens the drop-down list of the labels at the choice button.
    void showList();
    // The list's labels in value order with their values.
    virtual std::vector<std::pair<int, std::wstring>> entries() const = 0;
    virtual int currentValue() const = 0;

    Control::TextButtonWheelControl choice;
};

// A plain list of the item's shared labels, chosen by value (the select and font items).
template <class T>
class EffectItemListControl : public EffectItemSelectControlBase<T> {
public:
    using EffectItemSelectControlBase<T>::EffectItemSelectControlBase;
    void updateValue() override;
    void select(int value) override;
    std::vector<std::pair<int, std::wstring>> entries() const override;
    int currentValue() const override;
};

class EffectItemSelectControl : public EffectItemListControl<Effect::EffectItemSelect> {
public:
    EffectItemSelectControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                            Effect::EffectItem& item);

    Control::TextControl name;
};

class EffectItemFontSelectControl : public EffectItemListControl<Effect::EffectItemFontSelect> {
public:
    EffectItemFontSelectControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                Effect::EffectItem& item);
    void showFontMenu();

    Control::TextButtonControl name;
};

class EffectItemComboFileControl : public EffectItemSelectControlBase<Effect::EffectItemComboFile> {
public:
    EffectItemComboFileControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                               Effect::EffectItem& item);
    void updateValue() override;
    void updateFile(const std::wstring& path) override;
    void select(int value) override;
    std::vector<std::pair<int, std::wstring>> entries() const override;
    int currentValue() const override;

    Control::TextButtonControl name;
};

class EffectItemMaskSelectControl : public EffectItemSelectControlBase<Effect::EffectItemMaskSelect> {
public:
    EffectItemMaskSelectControl(Window::ControlContainer& container, const std::shared_ptr<Effect::EffectBase>& owner,
                                Effect::EffectItem& item);
    void updateValue() override;
    void updateFile(const std::wstring& path) override;
    void select(int value) override;
    void selectScene(int id);
    std::vector<std::pair<int, std::wstring>> entries() const override;
    int currentValue() const override;
    void showSourceMenu();
    // The linked check shows exactly while the source is a scene; when that
    // changed inside a transaction, the panels are rebuilt.
    void applyLinkedCheck(Edit::UpdateSection* update);

    Control::TextButtonControl name;
};

} // namespace Component
