#pragma once
// 放射ブラー, and the zoom-blur core that other effects borrow through its
// prototype: pixels smeared towards a centre point, the canvas grown (unevenly
// when the centre is off the middle) so that nothing is cut.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct RadialBlurResource {
    RadialBlurResource();
    struct Block {
        int32_t sampleNum;
        float sampleStep; // strength x 0.01 / N
        float center[2];  // blur centre in input pixels
        float offset[2];  // input position of output pixel (0, 0): the left and top margins, both <= 0
        float pad[2];
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class BlurFilter : public ShaderFilterEffect<BlurFilter, RadialBlurResource>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"放射ブラー";
    using CommonResource = RadialBlurResource;
    // Strengths above this are taken as it: at 100 the zoom is infinite.
    static constexpr float MaxStrength = 99.9f;

    BlurFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // A new picture: image (not consumed) blurred towards (X, Y) from its
    // centre by strength percent. The canvas grows to hold the smear unless
    // fixedSize; the drawing-state centre (cx, cy) then moves by half the
    // uneven growth. A strength of 0 or less gives a copy.
    Picture radialBlur(Media::ResourceBuffer& image, float& cx, float& cy, float strength, float x, float y,
                       bool fixedSize);

    EffectItemNumber range{items, L"範囲", 20, 0, 80, 0.01};
    EffectItemNumber x{items, L"X", 0, -2000, 2000, 0.1};
    EffectItemNumber y{items, L"Y", 0, -2000, 2000, 0.1};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
