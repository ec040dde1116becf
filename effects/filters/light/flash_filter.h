#pragma once
// 閃光: a radial flash, the picture zoom-blurred towards a point, tinted and
// scaled, in front of or behind the picture or alone.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

class FlashFilter : public FilterEffect<FlashFilter>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"閃光";
    enum Mode { Front = 0, Back = 1, LightOnly = 2 };
    // The radial blur's strength: a zoom of 4.
    static constexpr float Zoom = 75;

    FlashFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 100, 0.1};
    EffectItemNumber x{items, L"X", 0, -2000, 2000, 0.1};
    EffectItemNumber y{items, L"Y", 0, -2000, 2000, 0.1};
    EffectItemSelect mode;
    EffectItemColor colour{items, L"光色", 255, 255, 255, EffectItemKind::ColorOrNone, true};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
