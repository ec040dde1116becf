#pragma once
// A colour as three bytes; kind 14 may also be "none".
#include "core/color.h"
#include "effect/effect_item.h"

namespace Render { class RenderObject; }

namespace Effect {

class EffectItemColor : public EffectItem {
public:
    EffectItemColor(EffectItemList& owner, std::wstring name, uint8_t r, uint8_t g, uint8_t b,
                    uint8_t kind = EffectItemKind::Color, bool none = false);

    void setData(const EffectItem& source) override;
    bool isEqual(const EffectItem& other) const override;
    std::unique_ptr<EffectItem> clone() const override;
    // "rrggbb" in lower case; empty for none.
    std::string toString() const override;
    // Empty text is none; otherwise six hexadecimal digits.
    void fromString(const std::string& text) override;
    // A decimal 0xRRGGBB number; other texts as fromString.
    void fromScriptString(const std::string& text) override;
    // Keys "no_*" set none; keys "color_yc*" hold a YCbCr colour.
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;

    // The colour as floats with alpha 1. `none` is not looked at.
    ColorF getColor(const Render::RenderObject& object) const;

    uint8_t r;
    uint8_t g;
    uint8_t b;
    bool none;

protected:
    EffectItemColor(const EffectItemColor&) = default;

private:
    void setInteger(int v);
    void setHexText(const std::string& text);
};

} // namespace Effect
