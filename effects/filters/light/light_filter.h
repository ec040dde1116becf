#pragma once
// ライト: a coloured light from the picture's silhouette, a halo around it
// (the outer light) and a glow inside its edges (the inner light), or lit
// from behind.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct LightResource {
    LightResource();
    struct Block {
        float color[4];
        int32_t range;
        float divive; // the window's weight
        float pad[2];
    };
    Media::PixelShader horizontalGrowShader;
    Media::PixelShader verticalGrowAlphaShader;
    Media::PixelShader horizontalShader;
    Media::PixelShader verticalAlphaShader;
    Media::PixelShader verticalInverseAlphaShader;
    FilterPass::ConstantSet<Block> constants;
};

class LightFilter : public ShaderFilterEffect<LightFilter, LightResource>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"ライト";
    using CommonResource = LightResource;

    LightFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 300, 0.1};
    EffectItemNumber spread{items, L"拡散", 25, 0, 500, 1};
    EffectItemNumber ratio{items, L"比率", 0, -100, 100, 0.1};
    EffectItemCheck backLight{items, L"逆光", false};
    EffectItemColor colour{items, L"色", 255, 255, 255};

private:
    void drawWindow(Media::PixelShader& shader, Media::ResourceBuffer& target, Media::ResourceBuffer& source,
                    float divive, Platform::Gpu::BlendState* blend);
};

} // namespace Effect
