#include "effect/effect_item_button.h"

#include "core/text.h"
#include "effect/item_sources.h"
#include "effect/item_text.h"

namespace Effect {

EffectItemButton::EffectItemButton(EffectItemList& owner, std::wstring name, float left, float right, Action action)
    : EffectItemBase(owner, EffectItemKind::Button, std::move(name)), action(std::move(action)), left(left),
      right(right)
{
}

std::string EffectItemButton::toString() const
{
    return {};
}

void EffectItemButton::fromString(const std::string&) {}

EffectItemYUV::EffectItemYUV(EffectItemList& owner, std::wstring name)
    : EffectItemBase(owner, EffectItemKind::YUV, std::move(name))
{
}

std::string EffectItemYUV::toString() const
{
    std::string text;
    if (colorSpace != 0) {
        std::wstring space = colorSpace > 0 && ItemSources::colorSpaceName
                                 ? ItemSources::colorSpaceName(colorSpace - 1)
                                 : std::wstring();
        text = System::wideToUtf8(space.empty() ? L"自動" : space);
    }
    if (colorRange != 0)
        text += "," + std::to_string(colorRange);
    return text;
}

void EffectItemYUV::fromString(const std::string& text)
{
    colorSpace = 0;
    colorRange = 0;
    if (text.empty())
        return;
    const size_t comma = text.find(',');
    const std::wstring space = System::utf8ToWide(text.substr(0, comma));
    colorSpace = !space.empty() && ItemSources::findColorSpace ? ItemSources::findColorSpace(space) : 0;
    if (comma == std::string::npos)
        return;
    try {
        const size_t end = text.find(',', comma + 1);
        colorRange = parseInt(text.substr(comma + 1, end == std::string::npos ? std::string::npos : end - comma - 1));
    } catch (const std::exception&) {
        // a range that is not a number leaves what was set
    }
}

} // namespace Effect
