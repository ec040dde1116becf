#pragma once
// 画像ループ: the picture tiled across a canvas of whole repeats, shifted
// with wrap-around, or each tile drawn through the rest of the chain as an
// object of its own.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "effects/objects/output_shader_effect.h"

namespace Effect {

class ImageLoop : public FilterEffect<ImageLoop>, public OutputShaderEffect {
public:
    static constexpr const wchar_t* Name = L"画像ループ";
    ImageLoop();
    // Returns the tiled canvas, or, with 個別オブジェクト, draws the tiles
    // through the output and ends the chain (an empty picture).
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber columns{items, L"横回数", 1, 1, 100, 1};
    EffectItemNumber rows{items, L"縦回数", 1, 1, 100, 1};
    EffectItemNumber offsetX{items, L"オフセットX", 0, -10000, 10000, 0.001};
    EffectItemNumber offsetY{items, L"オフセットY", 0, -10000, 10000, 0.001};
    EffectItemCheck individual{items, L"個別オブジェクト", false};

private:
    // Fills target with the source sampled (wrapping) from texture
    // coordinates (left, top) at its top-left corner to (right, bottom) at
    // its bottom-right one.
    void drawTiles(Media::ResourceBuffer& target, Media::ResourceBuffer& source, float left, float top, float right,
                   float bottom);
};

} // namespace Effect
