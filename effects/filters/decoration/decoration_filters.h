#pragma once
// The "装飾" filters: 縁取り (an outline around the silhouette, in a colour or
// a tiled pattern image), ドロップシャドウ (an offset shadow, inside the
// picture or drawn as an object of its own) and 凸エッジ (raised edges).
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "render/cache/cache_service.h"

#include <string>

namespace Effect {

struct BorderResource {
    BorderResource();
    struct Block {
        float color[4];
        float offset[2];
        float step[2];
        float ratio[2];
        int32_t range;
        float inverseRange;
        float limit;
        float pad[3];
    };
    Media::PixelShader fullColorShader;
    Media::PixelShader reducedColorShader;
    Media::PixelShader fullPatternShader;
    Media::PixelShader reducedPatternShader;
    FilterPass::ConstantSet<Block> constants;
};

class BorderFilter : public ShaderFilterEffect<BorderFilter, BorderResource>,
                     public Media::Direct3DInstance,
                     public Cache::CacheInstance {
public:
    static constexpr const wchar_t* Name = L"縁取り";
    using CommonResource = BorderResource;
    // Sizes above this draw on a picture reduced first.
    static constexpr int MaxFullSize = 40;

    BorderFilter();

    // Starts loading the pattern image, so that the pass finds it ready.
    void preInputVideo(Render::RenderObject& object) override;
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // The border of size e pixels and softness b around the picture (read):
    // (W + 2e) x (H + 2e), in the colour or, when the pattern path names an
    // image the cache can read, in that image tiled.
    Picture drawBorder(Media::ResourceBuffer& picture, int e, int b, const ColorF& colour, const std::wstring& pattern);
    // レンズブラー's reduction: t times smaller, each pixel a t x t mean.
    Picture shrinkImage(Picture image, unsigned t);

    EffectItemNumber size{items, L"サイズ", 5, 0, 500, 1};
    EffectItemNumber blur{items, L"ぼかし", 5, 0, 100, 1};
    EffectItemColor colour{items, L"縁色", 255, 255, 255};
    EffectItemFile pattern;
};

class DropShadowFilter : public FilterEffect<DropShadowFilter>, public Media::Direct3DInstance {
public:
    static constexpr const wchar_t* Name = L"ドロップシャドウ";

    DropShadowFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber x{items, L"X", -40, -1000, 1000, 1};
    EffectItemNumber y{items, L"Y", 24, -1000, 1000, 1};
    EffectItemNumber density{items, L"濃さ", 40, 0, 100, 0.1};
    EffectItemNumber spread{items, L"拡散", 10, 0, 500, 1};
    EffectItemColor colour{items, L"影色", 0, 0, 0};
    EffectItemCheck separate{items, L"影を別オブジェクトで描画", false};
};

struct BevelResource : Resource::ShaderStateResource, Resource::ShaderResource {
    BevelResource();
    struct Block {
        float step[2];
        float depth;
        int32_t sampleNum;
    };
    Media::PixelShader shader;
    FilterPass::ConstantSet<Block> constants;
};

class BevelFilter : public ShaderFilterEffect<BevelFilter, BevelResource> {
public:
    static constexpr const wchar_t* Name = L"凸エッジ";
    using CommonResource = BevelResource;

    BevelFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber width{items, L"幅", 4, 0, 100, 1};
    EffectItemNumber height{items, L"高さ", 1, 0, 3, 0.01};
    EffectItemNumber angle{items, L"角度", 45, -3600, 3600, 0.01};
};

} // namespace Effect
