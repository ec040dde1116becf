#pragma once
// オブジェクト分割: the picture cut into a grid of pieces, each run through
// the rest of the chain and drawn as an object of its own where it lay.
#include "effect/effect_item_number.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"

namespace Effect {

class ObjectDivide : public FilterEffect<ObjectDivide> {
public:
    static constexpr const wchar_t* Name = L"オブジェクト分割";
    ObjectDivide();
    // Draws the pieces through the output and ends the chain (an empty picture).
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber columns{items, L"横分割数", 10, 1, 100, 1};
    EffectItemNumber rows{items, L"縦分割数", 10, 1, 100, 1};
};

} // namespace Effect
