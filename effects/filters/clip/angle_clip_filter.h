#pragma once
// 扇クリッピング, and the fan-clip core the clock wipe borrows through its
// prototype: the picture multiplied in place by a generated mask that removes
// a fan-shaped sector.
#include "effect/anchor_effect.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct AngleClipResource {
    AngleClipResource();
    struct Block {
        float offset[2];     // pixel position plus offset: relative to the apex
        float directionS[2]; // normals of the two edges, pointing out of the sector
        float directionE[2];
        float directionL[2]; // the bisector's normal, limiting the softening at the apex
        float range;         // half the soft edge
        float limit;
        float pad[2];
    };
    Media::PixelShader narrowShader; // sectors below 180 degrees
    Media::PixelShader wideShader;
    FilterPass::ConstantSet<Block> constants;
};

class AngleClipFilter : public ShaderFilterEffect<AngleClipFilter, AngleClipResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"扇クリッピング";
    using CommonResource = AngleClipResource;
    AngleClipFilter();

    // The shader set, made on the registry's prototype, which also serves the
    // resource service's clock wipe.
    void createCommonResource() override;
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // Clears in place the sector from the base ray (0 degrees points left, 90
    // up) clockwise over rangeAngle degrees around the picture's centre plus
    // (centerX, centerY); with centerBase the base angle is the sector's
    // middle. A range of 0 changes nothing, 360 or more clears everything.
    void clip(Picture& picture, float baseAngle, float rangeAngle, float centerX, float centerY, int blur,
              bool centerBase);

    EffectItemNumber centerX{items, L"中心X", 0, -5000, 5000, 0.1};
    EffectItemNumber centerY{items, L"中心Y", 0, -5000, 5000, 0.1};
    EffectItemNumber baseAngle{items, L"基準角", 0, -3600, 3600, 0.01};
    EffectItemNumber rangeAngle{items, L"範囲角", 90, -360, 360, 0.01};
    EffectItemNumber blur{items, L"ぼかし", 1, 0, 2000, 1};
    EffectItemCheck centerBase{items, L"基準角を中央にする", false};
    EffectItemNumber::Group center;
};

} // namespace Effect
