#pragma once
// 境界ぼかし: fades the picture towards its edges, or blurs the edges of its
// transparency.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

// Its passes fill the renderer's shared block: {int2 range, float2 divive}.
struct BorderBlurResource {
    BorderBlurResource();
    Media::PixelShader edgeFadeShader;
    Media::PixelShader combineShader;
    Media::PixelShader horizontalAlphaShader;
    Media::PixelShader verticalAlphaShader;
};

class BorderBlurFilter : public ShaderFilterEffect<BorderBlurFilter, BorderBlurResource> {
public:
    static constexpr const wchar_t* Name = L"境界ぼかし";
    using CommonResource = BorderBlurResource;
    BorderBlurFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber range{items, L"範囲", 5, 0, 1000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.01};
    EffectItemCheck alphaBorder{items, L"透明度の境界をぼかす", false};
};

} // namespace Effect
