#include "effect/effect_item_color.h"

#include "effect/item_text.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Effect {

EffectItemColor::EffectItemColor(EffectItemList& owner, std::wstring name, uint8_t r, uint8_t g, uint8_t b,
                                 uint8_t kind, bool none)
    : EffectItemBase(owner, kind, std::move(name)), r(r), g(g), b(b), none(none)
{
}

std::string EffectItemColor::toString() const
{
    if (none)
        return {};
    char text[8];
    std::snprintf(text, sizeof text, "%02x%02x%02x", r, g, b);
    return text;
}

void EffectItemColor::setHexText(const std::string& text)
{
    // A text of another length is refused, not taken as "no change": the
    // section reader then warns and keeps the item as it was.
    const ColorBytes bytes = parseRgbBytes(text);
    r = bytes.r;
    g = bytes.g;
    b = bytes.b;
    none = false;
}

void EffectItemColor::setInteger(int v)
{
    r = static_cast<uint8_t>((v >> 16) & 255);
    g = static_cast<uint8_t>((v >> 8) & 255);
    b = static_cast<uint8_t>(v & 255);
    none = false;
}

void EffectItemColor::fromString(const std::string& text)
{
    if (text.empty()) {
        none = true;
        r = g = b = 0;
        return;
    }
    setHexText(text);
}

void EffectItemColor::fromScriptString(const std::string& text)
{
    if (isIntText(text))
        setInteger(parseInt(text));
    else
        fromString(text);
}

void EffectItemColor::fromTsoString(const std::string& text, const std::wstring& key, const wchar_t*,
                                    bool converted)
{
    if (key.rfind(L"no_", 0) == 0) {
        if (parseInt(text) > 0) {
            none = true;
            r = g = b = 0;
        }
        return;
    }
    if (key.rfind(L"color_yc", 0) == 0) {
        if (text.size() != 12)
            return;
        // Y, Cb, Cr as signed 16-bit values, four hexadecimal digits each, low byte first.
        float yuv[3];
        for (int i = 0; i < 3; ++i) {
            const int low = parseInt(text.substr(i * 4, 2), 16);
            const int high = parseInt(text.substr(i * 4 + 2, 2), 16);
            yuv[i] = static_cast<float>(static_cast<int16_t>(low | (high << 8)));
        }
        auto channel = [](float v) {
            const float rounded = std::round(v * 255.0f / 4096.0f);
            return static_cast<uint8_t>(std::clamp(rounded, 0.0f, 255.0f));
        };
        r = channel(yuv[0] + 1.402f * yuv[2]);
        g = channel(yuv[0] - 0.344f * yuv[1] - 0.714f * yuv[2]);
        b = channel(yuv[0] + 1.722f * yuv[1]);
        none = false;
        return;
    }
    if (converted && isIntText(text))
        setInteger(parseInt(text));
    else
        setHexText(text);
}

ColorF EffectItemColor::getColor(const Render::RenderObject& object) const
{
    if (object.extendedColor && extendedColor) {
        const std::array<uint8_t, 3> c = extendedColor(object, *this);
        return ColorF{c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1.0f};
    }
    return ColorF{r / 255.0f, g / 255.0f, b / 255.0f, 1.0f};
}

} // namespace Effect
