#pragma once
// クロマキー, and its key map, which 特定色域変換 borrows through the
// prototype: pixels within a hue and chroma range of the key colour removed,
// the edge eased over the boundary, optionally corrected in colour and alpha.
#include "effect/effect_item_color.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

struct ChromaKeyResource {
    ChromaKeyResource();
    struct Block {
        float keyH; // the key's hue angle / pi
        float keyS; // the key's chroma, at least 0.001
        float lenH; // hue tolerance (1 = 180 degrees)
        float lenS; // chroma tolerance
        float keyU;
        float keyV;
        int32_t range; // boundary b
        float divie;   // 1 / (2b + 1)^2
        float correct;     // 1: colour correction
        float transparent; // 0: transparency correction
        float pad[2];
    };
    Media::PixelShader keyShader;
    Media::PixelShader compositeShader;
    Media::PixelShader boundaryShader;
    FilterPass::ConstantSet<Block> constants;
};

// The boundary b and its 1 / (2b + 1)^2, made in integers.
inline float boundaryDivide(int b) { return 1.0f / static_cast<float>((2 * b + 1) * (2 * b + 1)); }

class ChromaKeyFilter : public ShaderFilterEffect<ChromaKeyFilter, ChromaKeyResource> {
public:
    static constexpr const wchar_t* Name = L"クロマキー";
    using CommonResource = ChromaKeyResource;
    ChromaKeyFilter();

    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    // The key map of picture (not consumed) into out, a new picture of its
    // size, for the key colour (r, g, b in 0..1; alpha ignored). Leaves the
    // constant block bound at slot 0 for the caller's composite draw.
    void makeKeyMap(Picture& out, Media::ResourceBuffer& picture, const float key[4], float hueRange,
                    float saturationRange, int boundary, bool colorCorrection, bool alphaCorrection);

    EffectItemNumber hueRange{items, L"色相範囲", 16, 0, 256, 1};
    EffectItemNumber saturationRange{items, L"彩度範囲", 96, 0, 256, 1};
    EffectItemNumber boundary{items, L"境界補正", 1, 0, 8, 1};
    EffectItemColor keyColor{items, L"基準色", 0, 0, 0, EffectItemKind::ColorOrNone, true};
    EffectItemCheck colorCorrection{items, L"色彩補正", false};
    EffectItemCheck alphaCorrection{items, L"透過補正", false};
};

} // namespace Effect
