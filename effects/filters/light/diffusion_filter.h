#pragma once
// 拡散光: soft diffused light, the blurred picture laid over the picture.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct DiffusionResource {
    DiffusionResource();
    Media::PixelShader diffusionShader; // constants in the list's shared block
};

class DiffusionFilter : public ShaderFilterEffect<DiffusionFilter, DiffusionResource>,
                        public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"拡散光";
    using CommonResource = DiffusionResource;

    DiffusionFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 50, 0, 100, 0.1};
    EffectItemNumber spread{items, L"拡散", 12, 0, 500, 1};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
