#pragma once
// グラデーション: a colour gradient of one of four shapes laid over the
// picture in place with a blend mode.
#include "effect/anchor_effect.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct GradationResource {
    GradationResource();
    struct Block {
        float col0[4]; // start colour, (0, 0, 0, 0) when unset
        float col1[4]; // end colour
        float offset[2];
        float direction[2];
        float range;
        int32_t type; // the shape
        float pad[2];
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class GradationFilter : public ShaderFilterEffect<GradationFilter, GradationResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"グラデーション";
    using CommonResource = GradationResource;
    GradationFilter();

    // Returns the input itself with the gradient blended on.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // The shared list of blend modes (通常 .. 差分, values 0 to 12).
    static std::shared_ptr<EffectItemSelect::SharedList> blendModes();

    EffectItemNumber strength{items, L"強さ", 100, 0, 100, 0.1};
    EffectItemNumber centerX{items, L"中心X", 0, -5000, 5000, 0.1};
    EffectItemNumber centerY{items, L"中心Y", 0, -5000, 5000, 0.1};
    EffectItemNumber angle{items, L"角度", 0, -3600, 3600, 0.01};
    EffectItemNumber width{items, L"幅", 100, 0, 2000, 1};
    EffectItemSelect blendMode;
    EffectItemSelect shape;
    EffectItemColor startColor{items, L"開始色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
    EffectItemColor endColor{items, L"終了色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
    EffectItemNumber::Group center;
};

} // namespace Effect
