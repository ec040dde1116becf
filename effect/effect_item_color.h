#pragma once
// A colour as three bytes; kind 14 may also be "none".
#include "core/color.h"
#include "effect/effect_item.h"

#include <array>
#include <functional>

namespace Render { class RenderObject; }

namespace Effect {

class EffectItemColor : public EffectItemBase<EffectItemColor> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemColor(EffectItemList& owner, std::wstring name, uint8_t r, uint8_t g, uint8_t b,
                    uint8_t kind = EffectItemKind::Color, bool none = false);

    // "rrggbb" in lower case; empty for none.
    std::string toString() const override;
    // Empty text is none; otherwise six hexadecimal digits (any other text throws).
    void fromString(const std::string& text) override;
    // A decimal 0xRRGGBB number; other texts as fromString.
    void fromScriptString(const std::string& text) override;
    // Keys "no_*" set none; keys "color_yc*" hold a YCbCr colour.
    void fromTsoString(const std::string& text, const std::wstring& key, const wchar_t* effectName,
                       bool converted) override;

    // The colour as floats with alpha 1. `none` is not looked at. Where the
    // render object carries the extended-colour flag, the bytes come from
    // extendedColor when it is installed.
    ColorF getColor(const Render::RenderObject& object) const;

    // The bytes an item takes from the "拡張色設定" effects after its effect
    // (installed by that effect when it registers).
    using ExtendedColor = std::function<std::array<uint8_t, 3>(const Render::RenderObject&, const EffectItemColor&)>;
    static inline ExtendedColor extendedColor;

    uint8_t r;
    uint8_t g;
    uint8_t b;
    bool none;

    // The value setData copies and isEqual compares.
    static auto valueFields(auto& item) { return std::tie(item.r, item.g, item.b, item.none); }

private:
    void setInteger(int v);
    void setHexText(const std::string& text);
};

} // namespace Effect
