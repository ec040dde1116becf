#pragma once
// ノイズ: a noise pattern (six kinds of value noise on the smoothed-noise
// table, or white noise on the permutation table) drawn onto the picture in
// place, darkening it or making it transparent.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct NoiseResource {
    NoiseResource();
    struct Block {
        float step[3]; // added to the noise coordinate after each octave
        int32_t type;
        float offset[2]; // pattern offset in noise units
        float cycle[2];  // noise units per pixel
        float accelerate; // third noise coordinate
        float level;
        float limit;
        float limitRatio;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class NoiseFilter : public ShaderFilterEffect<NoiseFilter, NoiseResource>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"ノイズ";
    using CommonResource = NoiseResource;
    enum Blend { Alpha = 0, Brightness = 1 };
    // The white-noise type (Type4); the others are value noise.
    static constexpr int WhiteNoise = 3;

    NoiseFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // The pattern offset a seed adds, in noise units (each 0 to 256).
    static void seedOffset(int seed, float& x, float& y);

    EffectItemNumber strength{items, L"強さ", 100, 0, 200, 0.1};
    EffectItemNumber speedX{items, L"速度X", 0, -800, 800, 0.1};
    EffectItemNumber speedY{items, L"速度Y", 0, -800, 800, 0.1};
    EffectItemNumber change{items, L"変化速度", 0, 0, 800, 0.1};
    EffectItemNumber cycleX{items, L"周期X", 1, 0, 100, 0.01};
    EffectItemNumber cycleY{items, L"周期Y", 1, 0, 100, 0.01};
    EffectItemNumber threshold{items, L"しきい値", 0, 0, 100, 0.1};
    EffectItemInteger seed{items, L"シード", 0, 0, 100};
    EffectItemSelect blend;
    EffectItemSelect type;
};

} // namespace Effect
