#pragma once
// グロー: the bright parts of a picture spread as a soft glow or as star
// streaks (crosses of 4 to 12 rays, or one line), added under the picture.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct GlowResource {
    GlowResource();
    struct Block {
        float offset[2]; // light position of canvas pixel (0, 0)
        float step[2];   // one sample along the streak
        float stepRatio; // length of the backward arm against the forward one
        int32_t sampleNum;
        float pad[2];
    };
    Media::PixelShader streakShader;
    FilterPass::ConstantSet<Block> constants;
};

class GlowFilter : public ShaderFilterEffect<GlowFilter, GlowResource>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"グロー";
    using CommonResource = GlowResource;
    enum Shape { Normal = 0, Cross4, Cross6, Cross8, Cross10, Cross12, Line };

    GlowFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // Adds one streak of the light onto the canvas (centred on each other):
    // length pixels forward at angle degrees, length x stepRatio backward.
    void streak(Media::ResourceBuffer& canvas, Media::ResourceBuffer& light, float length, float stepRatio,
                float angle);

    EffectItemNumber strength{items, L"強さ", 40, 0, 500, 0.01};
    EffectItemNumber spread{items, L"拡散", 50, 0, 500, 1};
    EffectItemNumber angle{items, L"角度", 25, -3600, 3600, 0.01};
    EffectItemNumber threshold{items, L"しきい値", 80, 0, 200, 0.1};
    EffectItemNumber ratio{items, L"比率", 100, 0, 100, 0.1};
    EffectItemNumber blur{items, L"ぼかし", 1, 0, 50, 1};
    EffectItemSelect shape;
    EffectItemColor colour{items, L"光色", 255, 255, 255, EffectItemKind::ColorOrNone, true};
    EffectItemCheck lightOnly{items, L"光成分のみ", false};
    EffectItemCheck fixedSize{items, L"サイズ固定", false};
};

} // namespace Effect
