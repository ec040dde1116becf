#pragma once
// 特定色域変換: colours within a hue and chroma range of one colour turned
// into another, through the prototype クロマキー's key map.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct ColorChangeResource {
    ColorChangeResource();
    struct Block {
        float afterY, afterU, afterV;
        float beforeY; // at least 0.001
        float beforeU, beforeV;
        int32_t range; // boundary b
        float divie;
        float correct;
        float pad[3];
    };
    Media::PixelShader shader;
    Media::PixelShader boundaryShader;
    FilterPass::ConstantSet<Block> constants;
};

class ColorChangeFilter : public ShaderFilterEffect<ColorChangeFilter, ColorChangeResource> {
public:
    static constexpr const wchar_t* Name = L"特定色域変換";
    using CommonResource = ColorChangeResource;
    ColorChangeFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber hueRange{items, L"色相範囲", 16, 0, 256, 1};
    EffectItemNumber saturationRange{items, L"彩度範囲", 96, 0, 256, 1};
    EffectItemNumber boundary{items, L"境界補正", 1, 0, 8, 1};
    EffectItemColor before{items, L"変換前の色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
    EffectItemColor after{items, L"変換後の色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
    EffectItemCheck colorCorrection{items, L"色彩補正", false};
};

} // namespace Effect
