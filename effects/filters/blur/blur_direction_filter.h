#pragma once
// 方向ブラー: a motion blur that reaches the length both ways along an angle.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct DirectionBlurResource {
    DirectionBlurResource();
    struct Block {
        float offset[2]; // input position of output pixel (0, 0)
        float step[2];   // shift per sample
        float stepRatio;
        int32_t sampleNum;
        float pad[2];
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class BlurDirectionFilter : public ShaderFilterEffect<BlurDirectionFilter, DirectionBlurResource>,
                            public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"方向ブラー";
    using CommonResource = DirectionBlurResource;
    BlurDirectionFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // The pass: image (read) blurred length pixels along angle degrees (0
    // vertical, 90 horizontal); a length of 0 or less gives a copy.
    Picture directionBlur(Media::ResourceBuffer& image, float length, float angle, float stepRatio, bool fixedSize);

    EffectItemNumber range{items, L"範囲", 20, 0, 1000, 1};
    EffectItemNumber angle{items, L"角度", 50, -3600, 3600, 0.01};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
