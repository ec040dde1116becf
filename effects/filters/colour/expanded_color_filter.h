#pragma once
// 拡張色設定: draws nothing; a run of them right after an effect supplies
// animatable R, G and B values to that effect's colour items, in order.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

#include <array>

namespace Effect {

class ExpandedColorFilter : public FilterEffect<ExpandedColorFilter> {
public:
    static constexpr const wchar_t* Name = L"拡張色設定";
    ExpandedColorFilter();

    // Installs getItemColor as the colour items' extended colour.
    void createCommonResource() override;
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // The bytes of item (a colour item of one of the object's effects): the
    // n-th 拡張色設定 of the run right after its effect for the item's n-th
    // colour item, else the item's own bytes.
    static std::array<uint8_t, 3> getItemColor(const Render::RenderObject& object, const EffectItemColor& item);

    EffectItemNumber r{items, L"R", 255, 0, 255, 1};
    EffectItemNumber g{items, L"G", 255, 0, 255, 1};
    EffectItemNumber b{items, L"B", 255, 0, 255, 1};
    EffectItemNumber::Group rgb;
};

} // namespace Effect
