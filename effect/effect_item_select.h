#pragma once
// Choices from a list: plain, shown as a row of buttons, and the font family.
#include "effect/effect_item.h"

#include <list>
#include <map>
#include <unordered_map>

namespace Effect {

class EffectItemSelect : public EffectItemBase<EffectItemSelect> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    // The option list several items share: values with their labels in value order.
    class SharedList {
    public:
        static std::shared_ptr<SharedList> create();
        // Adds the pair when the value is new (a known value keeps its label);
        // a label that occurs twice answers with its smaller value.
        void insert(int value, const wchar_t* label);
        // As insert, with a copy of the label kept by the list.
        void add(int value, const wchar_t* label);
        // The value of a label; an unknown label throws "invalid unordered_map<K, T> key".
        int getValue(const std::wstring& label) const;
        bool contains(const std::wstring& label) const;
        // The label of a value; an unknown value throws "invalid map<K, T> key".
        const wchar_t* getLabel(int value) const;
        bool empty() const { return labels.empty(); }
        int smallestValue() const { return labels.empty() ? 0 : labels.begin()->first; }

        std::map<int, const wchar_t*> labels;
        std::unordered_map<std::wstring, int> values;
        std::list<std::wstring> ownedLabels;
    };

    EffectItemSelect(EffectItemList& owner, std::wstring name, int value, std::shared_ptr<SharedList> list);

    // The label of the value.
    std::string toString() const override;
    // A known label selects its value; an unknown one changes nothing.
    void fromString(const std::string& text) override;
    // Texts of up to two characters are the value in decimal.
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;

    SharedList* list;
    int value;
    std::shared_ptr<SharedList> holder;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.value); }

protected:
    EffectItemSelect(EffectItemList& owner, uint8_t kind, std::wstring name, int value, SharedList* list,
                     std::shared_ptr<SharedList> holder);
};

class EffectItemSelectButton : public EffectItemBase<EffectItemSelectButton, EffectItemSelect> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemSelectButton(EffectItemList& owner, std::wstring name, int value, std::shared_ptr<SharedList> list,
                           float left, float right);

    float left;
    float right;
};

// The font family, over the global font list.
class EffectItemFontSelect : public EffectItemBase<EffectItemFontSelect, EffectItemSelect> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    // A family that is not installed (or none) selects the default family.
    EffectItemFontSelect(EffectItemList& owner, std::wstring name, const wchar_t* family = nullptr);

    // The installed families in display order, built once on first use.
    static SharedList& getFontList();
    // The value of the style's "DefaultFamily", 0 when it is not installed.
    static int getDefaultIndex();
};

} // namespace Effect
