#pragma once
// 色ずれ: shifts two colour channels apart along an angle, growing the canvas
// by the shift on each side.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct ColorShiftResource {
    ColorShiftResource();
    struct Block {
        float inverseSize[2]; // 1 / input width, 1 / input height
        float offset[2];      // input position of output pixel 0: minus the margins
        float offsetR[2];     // texture-coordinate shifts of the channels
        float offsetG[2];
        float offsetB[2];
        float alpha;          // strength 0..1
        int32_t mode;         // 0: colours times the mean alpha; 1: colours as sampled
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class ColorShiftFilter : public ShaderFilterEffect<ColorShiftFilter, ColorShiftResource> {
public:
    static constexpr const wchar_t* Name = L"色ずれ";
    using CommonResource = ColorShiftResource;
    ColorShiftFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber width{items, L"ずれ幅", 5, 0, 2000, 0.1};
    EffectItemNumber angle{items, L"角度", 90, -3600, 3600, 0.01};
    EffectItemNumber strength{items, L"強さ", 100, 0, 100, 1};
    EffectItemSelect kind;
};

} // namespace Effect
