#pragma once
// レンズブラー: a blur through an aperture shaped as a figure of the figure
// list, on an exponential brightness scale so that highlights bloom.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "media/resource_service.h"

namespace Effect {

struct BokehResource {
    BokehResource();
    struct Block {
        float offset[2];
        float step[2];
        float ratio[2];
        int32_t sampleNum;
        float pad;
    };
    Media::PixelShader growShader;
    Media::PixelShader fixedShader;
    Media::PixelShader reducedShader;
    FilterPass::ConstantSet<Block> constants;
};

class BokehFilter : public ShaderFilterEffect<BokehFilter, BokehResource>,
                    public Media::Direct3DInstance,
                    public Resource::FigureResource {
public:
    static constexpr const wchar_t* Name = L"レンズブラー";
    using CommonResource = BokehResource;
    // Kernels wider than this are sampled on a reduced picture.
    static constexpr int MaxKernel = 80;

    BokehFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // The blur of radius pixels through figure `shape`; radius 0 returns the
    // image. The image is on the exponential brightness scale: where the
    // aperture holds no weight (an empty figure, or none) the result is that
    // scale's transparent black (e, e, e, 0).
    Picture bokehBlur(Picture image, int shape, int radius, bool fixedSize);
    // The image reduced t times in both directions (sides rounded up), each
    // pixel the mean of a t x t block, edge pixels repeated past the edge.
    Picture shrinkImage(Picture image, unsigned t);

    EffectItemNumber range{items, L"範囲", 5, 0, 1000, 1};
    EffectItemNumber light{items, L"光の強さ", 32, 0, 60, 0.1};
    EffectItemSelect shape;
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
