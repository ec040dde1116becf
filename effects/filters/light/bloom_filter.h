#pragma once
// 発光: the bright parts of a picture blurred at four shrinking radii and
// added over it, a soft bloom.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

#include <array>

namespace Effect {

class BloomFilter : public FilterEffect<BloomFilter>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"発光";

    BloomFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // The light's gain at a strength (1 = 100 %): steeper above 1.
    static float gain(float strength);
    // The four blur radii of a spread and a spread speed: each (speed + 50) %
    // of the one before, in integers.
    static std::array<int, 4> radii(int spread, int speed);

    EffectItemNumber strength{items, L"強さ", 100, 0, 500, 0.1};
    EffectItemNumber spread{items, L"拡散", 250, 10, 1000, 1};
    EffectItemNumber threshold{items, L"しきい値", 80, 0, 200, 0.1};
    EffectItemNumber speed{items, L"拡散速度", 0, 0, 60, 1};
    EffectItemColor colour{items, L"光色", 255, 255, 255, EffectItemKind::ColorOrNone, true};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
