#pragma once
// マスク: the picture multiplied in place by a figure, scene, temporary buffer
// or image used as a mask, placed, turned, scaled and blurred; and that
// placement, which the displacement map shares.
#include "effect/anchor_effect.h"
#include "effect/effect_item_mask.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct MaskResource {
    MaskResource();
    struct Block {
        float offset[2];          // pixel position plus offset: relative to the mask's centre
        float inverseMaskSize[2]; // 1 / the mask's extent
        float angleS;
        float angleC;
        float pad[2];
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

// A mask picture and the extent it covers on the object's picture.
struct MaskPlacement {
    Picture mask;
    float width = 0, height = 0;

    // The source's picture requested at size x size, blurred by blur (the
    // canvas grows by it) and scaled so its larger side spans size, then
    // narrowed by the aspect d (-1..1); with fit it spans the picture
    // instead. False when the source gives no picture, or one with a side of
    // 0 (an empty temporary buffer), which would place no area.
    bool place(const Render::RenderObject& object, const EffectItemMaskSelect& source, int size, float d, int blur,
               bool fit, int pictureWidth, int pictureHeight);
};

class MaskFilter : public ShaderFilterEffect<MaskFilter, MaskResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"マスク";
    using CommonResource = MaskResource;
    MaskFilter();

    // Starts loading the mask's file or scene frame.
    void preInputVideo(Render::RenderObject& object) override;
    // Returns the picture itself, masked.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber x{items, L"X", 0, -5000, 5000, 0.1};
    EffectItemNumber y{items, L"Y", 0, -5000, 5000, 0.1};
    EffectItemNumber rotation{items, L"回転", 0, -3600, 3600, 0.01};
    EffectItemNumber size{items, L"サイズ", 100, 0, 4000, 1};
    EffectItemNumber aspect{items, L"縦横比", 0, -100, 100, 0.01};
    EffectItemNumber blur{items, L"ぼかし", 0, 0, 1000, 1};
    EffectItemMaskSelect source;
    EffectItemCheck fitScene{items, L"シーンの長さを合わせる", false};
    EffectItemCheck invert{items, L"マスクの反転", false};
    EffectItemCheck fit{items, L"元のサイズに合わせる", false};
    EffectItemNumber::Group point;
};

} // namespace Effect
