#pragma once
// The "加工" filters that rework pixels from their neighbours: シャープ
// (unsharp mask), ノイズ除去 (edge-preserving smoothing), インターレース解除
// and モザイク. Their constants go through the list's shared block.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

// One pixel shader, no constant buffer of its own.
struct ProcessingResource {
    explicit ProcessingResource(const uint32_t* code, size_t bytes);
    Media::PixelShader shader;
};
struct SharpenResource : ProcessingResource {
    SharpenResource();
};
struct NoiseReductionResource : ProcessingResource {
    NoiseReductionResource();
};
struct DeinterlaceResource : ProcessingResource {
    DeinterlaceResource();
};
struct MosaicResource : ProcessingResource {
    MosaicResource();
};

class ShapeFilter : public ShaderFilterEffect<ShapeFilter, SharpenResource>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"シャープ";
    using CommonResource = SharpenResource;
    ShapeFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 50, 0, 800, 0.1};
    EffectItemNumber range{items, L"範囲", 5, 0, 100, 1};
};

class NoiseReductionFilter : public ShaderFilterEffect<NoiseReductionFilter, NoiseReductionResource>,
                             public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"ノイズ除去";
    using CommonResource = NoiseReductionResource;
    NoiseReductionFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 100, 0.1};
    EffectItemNumber range{items, L"範囲", 2, 1, 8, 1};
    EffectItemNumber threshold{items, L"しきい値", 20, 0, 200, 1};
};

class DeinterlaceFilter : public ShaderFilterEffect<DeinterlaceFilter, DeinterlaceResource> {
public:
    static constexpr const wchar_t* Name = L"インターレース解除";
    using CommonResource = DeinterlaceResource;
    enum Method { Odd = 0, Even = 1, Double = 2 };
    DeinterlaceFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemSelect method;
};

class MosaicFilter : public ShaderFilterEffect<MosaicFilter, MosaicResource> {
public:
    static constexpr const wchar_t* Name = L"モザイク";
    using CommonResource = MosaicResource;
    MosaicFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber size{items, L"サイズ", 12, 1, 2000, 1};
};

} // namespace Effect
