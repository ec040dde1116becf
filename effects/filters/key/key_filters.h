#pragma once
// カラーキー (a box of luminance and colour difference around the key colour
// removed, in place), ルミナンスキー (removal by luminance) and エッジ抽出
// (the picture replaced by its edges in a colour).
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct ColorKeyResource {
    ColorKeyResource();
    struct Block {
        float key[3]; // Y, U, V of the key colour
        int32_t range; // boundary b
        float len[3];  // tolerances of Y, U and V
        float divie;
    };
    Media::PixelShader maskShader;
    Media::PixelShader boundaryShader;
    FilterPass::ConstantSet<Block> constants;
};

class ColorKeyFilter : public ShaderFilterEffect<ColorKeyFilter, ColorKeyResource> {
public:
    static constexpr const wchar_t* Name = L"カラーキー";
    using CommonResource = ColorKeyResource;
    ColorKeyFilter();

    // Returns the input itself, multiplied by the mask.
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber luminanceRange{items, L"輝度範囲", 400, 0, 4096, 1};
    EffectItemNumber differenceRange{items, L"色差範囲", 400, 0, 4096, 1};
    EffectItemNumber boundary{items, L"境界補正", 1, 0, 80, 1};
    EffectItemColor keyColor{items, L"基準色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
};

struct LuminanceKeyResource {
    LuminanceKeyResource();
    Media::PixelShader shader; // constants in the shader list's shared block
};

class LuminanceKeyFilter : public ShaderFilterEffect<LuminanceKeyFilter, LuminanceKeyResource> {
public:
    static constexpr const wchar_t* Name = L"ルミナンスキー";
    using CommonResource = LuminanceKeyResource;
    LuminanceKeyFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber reference{items, L"基準輝度", 2048, -4096, 8192, 1};
    EffectItemNumber range{items, L"輝度範囲", 512, 0, 4096, 1};
    EffectItemSelect mode;
};

struct EdgeResource {
    EdgeResource();
    struct Block {
        float color[4];
        float limit;
        float ratio;
        float pad[2];
    };
    // Colour edge, luminance edge, alpha edge.
    Media::PixelShader shaders[3];
    FilterPass::ConstantSet<Block> constants;
};

class EdgeFilter : public ShaderFilterEffect<EdgeFilter, EdgeResource> {
public:
    static constexpr const wchar_t* Name = L"エッジ抽出";
    using CommonResource = EdgeResource;
    EdgeFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;
    // The two checks exclude each other: switching one on switches the other off.
    bool itemEvent(ItemEvent& event) override;

    EffectItemNumber strength{items, L"強さ", 100, 0, 1000, 0.1};
    EffectItemNumber threshold{items, L"しきい値", 0, -100, 100, 0.01};
    EffectItemColor color{items, L"色", 255, 255, 255};
    EffectItemCheck luminanceEdge{items, L"輝度エッジを抽出", true};
    EffectItemCheck alphaEdge{items, L"透明度エッジを抽出", false};
};

} // namespace Effect
