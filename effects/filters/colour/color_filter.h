#pragma once
// 色調補正 (brightness, contrast, hue, luminance and saturation) and 単色化
// (the picture tinted towards one colour).
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct ColorAdjustResource {
    ColorAdjustResource();
    struct Block {
        float brightness; // (明るさ / 100 - 1.5) x contrast + 0.5
        float contrast;
        float hue; // radians
        float luminance;
        float chroma;
        int32_t processSaturate;
        int32_t processYUV; // hue, luminance or chroma away from neutral
        float pad;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class ColorFilter : public ShaderFilterEffect<ColorFilter, ColorAdjustResource> {
public:
    static constexpr const wchar_t* Name = L"色調補正";
    using CommonResource = ColorAdjustResource;
    ColorFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber brightness{items, L"明るさ", 100, 0, 200, 0.01};
    EffectItemNumber contrast{items, L"コントラスト", 100, 0, 200, 0.01};
    EffectItemNumber hue{items, L"色相", 0, -3600, 3600, 0.01};
    EffectItemNumber luminance{items, L"輝度", 100, 0, 200, 0.01};
    EffectItemNumber saturation{items, L"彩度", 100, 0, 200, 0.01};
    EffectItemCheck saturate{items, L"飽和する", true};
};

struct MonochromeResource {
    MonochromeResource();
    struct Block {
        float level[4]; // mix weights of Y, U, V
        float yuv[3];   // of the colour
        float pad;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class MonochromeFilter : public ShaderFilterEffect<MonochromeFilter, MonochromeResource> {
public:
    static constexpr const wchar_t* Name = L"単色化";
    using CommonResource = MonochromeResource;
    MonochromeFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 100, 0.1};
    EffectItemColor color{items, L"色", 255, 255, 255};
    EffectItemCheck keepLuminance{items, L"輝度を保持する", true};
};

} // namespace Effect
