#pragma once
// The simple parameter items: integers, check boxes and buttons, multi-line
// texts and one-line strings.
#include "effect/effect_item.h"

namespace Effect {

// Kinds 0 (shown) and 200 (kept by the effect for itself); base of scene and layer-range items.
class EffectItemInteger : public EffectItem {
public:
    EffectItemInteger(EffectItemList& owner, std::wstring name, int value, int minValue, int maxValue,
                      uint8_t kind = EffectItemKind::Integer, const wchar_t* zeroText = nullptr);

    void setData(const EffectItem& source) override;
    bool isEqual(const EffectItem& other) const override;
    std::unique_ptr<EffectItem> clone() const override;
    std::string toString() const override;
    // The decimal integer, not clamped.
    void fromString(const std::string& text) override;

    int value;
    int defaultValue;
    int minValue;
    int maxValue;
    const wchar_t* zeroText; // caption shown instead of 0, or null
    bool visible = true;

protected:
    EffectItemInteger(const EffectItemInteger&) = default;
};

class EffectItemCheck : public EffectItem {
public:
    EffectItemCheck(EffectItemList& owner, std::wstring name, bool value);

    void setData(const EffectItem& source) override;
    bool isEqual(const EffectItem& other) const override;
    std::unique_ptr<EffectItem> clone() const override;
    // "1" or "0".
    std::string toString() const override;
    // Set when the decimal integer is not 0.
    void fromString(const std::string& text) override;

    bool value;
    bool visible = true;

protected:
    EffectItemCheck(EffectItemList& owner, uint8_t kind, std::wstring name, bool value);
    EffectItemCheck(const EffectItemCheck&) = default;
};

// A toggle button in a row; left and right are its extent as fractions of the row.
class EffectItemCheckButton : public EffectItemCheck {
public:
    EffectItemCheckButton(EffectItemList& owner, std::wstring name, bool value, float left, float right);

    std::unique_ptr<EffectItem> clone() const override;

    float left;
    float right;

protected:
    EffectItemCheckButton(const EffectItemCheckButton&) = default;
};

// Multi-line text. Its text form escapes "\" as "\\" and line breaks as "\n".
class EffectItemText : public EffectItem {
public:
    EffectItemText(EffectItemList& owner, std::wstring name, std::wstring text);

    // A source holding a difference (see makeDifference) is applied to this
    // item's text; otherwise the text is copied.
    void setData(const EffectItem& source) override;
    bool isEqual(const EffectItem& other) const override;
    std::unique_ptr<EffectItem> clone() const override;
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

protected:
    EffectItemText(const EffectItemText&) = default;
};

// One-line text, stored unchanged (kinds 5, and 100 and 101 for script strings).
class EffectItemString : public EffectItem {
public:
    EffectItemString(EffectItemList& owner, std::wstring name, std::wstring text,
                     uint8_t kind = EffectItemKind::String);

    void setData(const EffectItem& source) override;
    bool isEqual(const EffectItem& other) const override;
    std::unique_ptr<EffectItem> clone() const override;
    std::string toString() const override;
    void fromString(const std::string& text) override;

    std::wstring text;

protected:
    EffectItemString(const EffectItemString&) = default;
};

} // namespace Effect
