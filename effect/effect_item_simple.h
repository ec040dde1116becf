#pragma once
// The simple parameter items: integers, check boxes and buttons, multi-line
// texts and one-line strings.
#include "effect/effect_item.h"

namespace Effect {

// Kinds 0 (shown) and 200 (kept by the effect for itself); base of scene and layer-range items.
class EffectItemInteger : public EffectItemBase<EffectItemInteger> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemInteger(EffectItemList& owner, std::wstring name, int value, int minValue, int maxValue,
                      uint8_t kind = EffectItemKind::Integer, const wchar_t* zeroText = nullptr);

    std::string toString() const override;
    // The decimal integer, not clamped.
    void fromString(const std::string& text) override;

    int value;
    int defaultValue;
    int minValue;
    int maxValue;
    const wchar_t* zeroText; // caption shown instead of 0, or null
    bool visible = true;

    // setData copies the range with the value; isEqual compares the value alone.
    static auto valueFields(auto& item)
    {
        return std::tie(item.value, item.defaultValue, item.minValue, item.maxValue);
    }
    static auto comparedFields(auto& item) { return std::tie(item.value); }
};

class EffectItemCheck : public EffectItemBase<EffectItemCheck> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemCheck(EffectItemList& owner, std::wstring name, bool value);

    // "1" or "0".
    std::string toString() const override;
    // Set when the decimal integer is not 0.
    void fromString(const std::string& text) override;

    bool value;
    bool visible = true;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.value); }

protected:
    EffectItemCheck(EffectItemList& owner, uint8_t kind, std::wstring name, bool value);
};

// A toggle button in a row; left and right are its extent as fractions of the row.
class EffectItemCheckButton : public EffectItemBase<EffectItemCheckButton, EffectItemCheck> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemCheckButton(EffectItemList& owner, std::wstring name, bool value, float left, float right);

    float left;
    float right;
};

// Multi-line text. Its text form escapes "\" as "\\" and line breaks as "\n".
class EffectItemText : public EffectItemBase<EffectItemText> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemText(EffectItemList& owner, std::wstring name, std::wstring text);

    // A source holding a difference (see makeDifference) is applied to this
    // item's text; otherwise the text is copied.
    void setData(const EffectItem& source) override;
    std::string toString() const override;
    void fromString(const std::string& text) override;
    // Under the key "text" the older file holds UTF-16 as hexadecimal, low byte first.
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;

    // Cuts both texts to their differing middle parts and records the lengths
    // of the common prefix and suffix in both, so that undo records stay small.
    static void makeDifference(EffectItemText& oldItem, EffectItemText& newItem);

    std::wstring text;
    int prefixLength = 0;
    int suffixLength = 0;

    // The value isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.text); }
};

// One-line text, stored unchanged (kinds 5, and 100 and 101 for script strings).
class EffectItemString : public EffectItemBase<EffectItemString> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemString(EffectItemList& owner, std::wstring name, std::wstring text,
                     uint8_t kind = EffectItemKind::String);

    std::string toString() const override;
    void fromString(const std::string& text) override;

    std::wstring text;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.text); }
};

} // namespace Effect
