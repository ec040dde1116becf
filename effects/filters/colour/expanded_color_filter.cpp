#include "effects/filters/colour/expanded_color_filter.h"

#include "project/model/object.h"
#include "render/render_object.h"

#include <algorithm>

namespace Effect {

ExpandedColorFilter::ExpandedColorFilter() : FilterEffect(Name, L"色調整")
{
    EffectItemNumber::makeGroup(rgb, {&r, &g, &b});
}

void ExpandedColorFilter::createCommonResource() { EffectItemColor::extendedColor = &ExpandedColorFilter::getItemColor; }

Picture ExpandedColorFilter::filterVideo(Render::RenderObject&, Picture picture) { return picture; }

std::array<uint8_t, 3> ExpandedColorFilter::getItemColor(const Render::RenderObject& object,
                                                         const EffectItemColor& item)
{
    const std::array<uint8_t, 3> own{item.r, item.g, item.b};
    if (!object.object)
        return own;
    const auto& effects = object.object->effects;
    size_t index = effects.size();
    int n = 0;
    for (size_t i = 0; i < effects.size() && index == effects.size(); ++i) {
        n = 0;
        for (const EffectItem* it : effects[i]->items) {
            if (it == &item) {
                index = i;
                break;
            }
            if (it->kind == EffectItemKind::Color || it->kind == EffectItemKind::ColorOrNone)
                ++n;
        }
    }
    if (index == effects.size())
        return own;
    // The output effect, stored second, does not follow the input in the chain.
    size_t next = index + (effects[index]->effectType == EffectType::Input ? 2 : 1);
    for (; next < effects.size(); ++next, --n) {
        auto* run = dynamic_cast<const ExpandedColorFilter*>(effects[next].get());
        if (!run)
            break;
        if (n == 0) {
            auto byte = [&](const EffectItemNumber& v) {
                return static_cast<uint8_t>(std::clamp(FilterPass::roundToInt(v.getValue(object)), 0, 255));
            };
            return {byte(run->r), byte(run->g), byte(run->b)};
        }
    }
    return own;
}

} // namespace Effect
