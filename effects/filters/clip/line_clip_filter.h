#pragma once
// 斜めクリッピング, and the line-clip core the line wipes borrow through its
// prototype: the picture multiplied in place by a generated half-plane or
// band mask with a soft edge.
#include "effect/anchor_effect.h"
#include "effect/effect_item_number.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct LineClipResource {
    LineClipResource();
    struct Block {
        float offset[2];    // pixel position plus offset: relative to the line's centre point
        float direction[2]; // the kept side's normal
        float length;       // soft edge, blur + 1 pixels
        float range;        // half the band width; negative cuts the band out
        float pad[2];
    };
    Media::PixelShader halfPlaneShader;
    Media::PixelShader bandShader;
    FilterPass::ConstantSet<Block> constants;
};

class LineClipFilter : public ShaderFilterEffect<LineClipFilter, LineClipResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"斜めクリッピング";
    using CommonResource = LineClipResource;
    LineClipFilter();

    // The shader set, made on the registry's prototype, which also serves the
    // resource service's line wipes.
    void createCommonResource() override;
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // Clears the picture in place beyond the line through its centre plus
    // (centerX, centerY) at angle degrees (0 keeps the upper side, turning
    // clockwise), or, for a width, outside (> 0) or inside (< 0) a band of
    // that width; the edge is blur + 1 pixels soft.
    void clip(Picture& picture, float angle, int width, float centerX, float centerY, int blur);

    EffectItemNumber centerX{items, L"中心X", 0, -5000, 5000, 0.1};
    EffectItemNumber centerY{items, L"中心Y", 0, -5000, 5000, 0.1};
    EffectItemNumber angle{items, L"角度", 0, -3600, 3600, 0.01};
    EffectItemNumber blur{items, L"ぼかし", 1, 0, 2000, 1};
    EffectItemNumber width{items, L"幅", 0, -2000, 2000, 1};
    EffectItemNumber::Group center;
};

} // namespace Effect
