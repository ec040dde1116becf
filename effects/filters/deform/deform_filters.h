#pragma once
// The deformation filters: 波紋 (waves running out from a point), ラスター
// (rows or columns shifted by a running sine wave), 極座標変換 (the picture
// wrapped around a disc) and リサイズ (the picture rescaled).
#include "effect/anchor_effect.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

// Seconds since the object's first frame at the render object's (possibly
// fractional) frame, at the scene's rate.
double elapsedSeconds(const Render::RenderObject& object);

struct RippleResource {
    RippleResource();
    struct Block {
        float center[2];   // pixels from the top-left corner
        float multiply[2]; // 1 / (2 幅), 高さ / 2
        float offset;      // how far the front has run, in pixels
        int32_t rippleNum; // 0: no limit
        int32_t interval;
        int32_t amplifier;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class RippleFilter : public ShaderFilterEffect<RippleFilter, RippleResource, MoveXYAnchorEffect> {
public:
    static constexpr const wchar_t* Name = L"波紋";
    using CommonResource = RippleResource;
    RippleFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber centerX{items, L"中心X", 0, -5000, 5000, 0.1};
    EffectItemNumber centerY{items, L"中心Y", 0, -5000, 5000, 0.1};
    EffectItemNumber width{items, L"幅", 30, 1, 400, 0.1};
    EffectItemNumber height{items, L"高さ", 15, -400, 400, 0.1};
    EffectItemNumber speed{items, L"速度", 150, -2000, 2000, 0.1};
    EffectItemInteger count{items, L"波紋数", 0, 0, 100};
    EffectItemInteger interval{items, L"波紋間隔", 0, 0, 100};
    EffectItemInteger amplify{items, L"増幅減衰回数", 0, -100, 100};
    EffectItemNumber::Group center;
};

struct RasterResource {
    RasterResource();
    struct Block {
        int32_t type;    // 1: random amplitude
        float length;    // amplitude in pixels
        float cycle;     // phase in pixels
        float PI2divideRange;
        float divideRange;
        float pad[3];
    };
    // Horizontal, vertical, horizontal random, vertical random.
    Media::PixelShader shaders[4];
    FilterPass::ConstantSet<Block> constants;
};

class RasterFilter : public ShaderFilterEffect<RasterFilter, RasterResource> {
public:
    static constexpr const wchar_t* Name = L"ラスター";
    using CommonResource = RasterResource;
    RasterFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber amplitude{items, L"横幅", 100, 0, 2000, 1};
    EffectItemNumber wavelength{items, L"高さ", 100, 0, 2000, 1};
    EffectItemNumber period{items, L"周期", 1, -40, 40, 0.01};
    EffectItemCheck vertical{items, L"縦ラスター", false};
    EffectItemCheck random{items, L"ランダム振幅", false};
};

struct PolarResource {
    PolarResource();
    struct Block {
        float rsize;  // disc radius
        float offset; // 中心幅
        float pix;    // the turn, plus 3.5 pi
        float pia;    // spiral twist per pixel of radius
        float pio;    // the twist's widening of the footprint
        float kx;     // input columns per radian
        float ky;     // input rows per pixel of radius
        float pad;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class PolarFilter : public ShaderFilterEffect<PolarFilter, PolarResource> {
public:
    static constexpr const wchar_t* Name = L"極座標変換";
    using CommonResource = PolarResource;
    PolarFilter();

    // A square of side ceil(2R), centred on the object's position.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber centerWidth{items, L"中心幅", 0, 0, 2000, 1};
    EffectItemNumber zoom{items, L"拡大率", 100, 100, 800, 0.01};
    EffectItemNumber rotation{items, L"回転", 0, -3600, 3600, 0.01};
    EffectItemNumber spiral{items, L"渦巻", 0, -8, 8, 0.001};
};

class ResizeFilter : public FilterEffect<ResizeFilter> {
public:
    static constexpr const wchar_t* Name = L"リサイズ";
    ResizeFilter();

    // The input itself at scale 1; no picture for a size below one pixel.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber zoom{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemNumber x{items, L"X", 100, 0, 10000, 0.001};
    EffectItemNumber y{items, L"Y", 100, 0, 10000, 0.001};
    EffectItemCheck nearest{items, L"補間なし", false};
    EffectItemCheck pixels{items, L"ピクセル数でサイズ指定", false};
};

} // namespace Effect
