#pragma once
// The "切り替え効果" filters: フェード and ワイプ in and out at the object's
// start and end, and 振動, which shakes the object.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "effects/filters/skeleton/filter_pass.h"
#include "media/resource_service.h"

namespace Effect {

// Where the object stands in its fades: the progress p (0 hidden .. 1 shown)
// and which clause decided it last.
struct FadePhase {
    enum Clause { None, In, Out };
    float progress = 1;
    Clause clause = None;
};
// The fade of `in` seconds after the start (shifted by the render object's
// frame offset) and `out` seconds before the end.
FadePhase fadePhase(const Render::RenderObject& object, double in, double out);

class FadeFilter : public FilterEffect<FadeFilter> {
public:
    static constexpr const wchar_t* Name = L"フェード";
    FadeFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber fadeIn{items, L"イン", 0.5, 0, 10, 0.01};
    EffectItemNumber fadeOut{items, L"アウト", 0.5, 0, 10, 0.01};
};

class WipeFilter : public FilterEffect<WipeFilter>, public Resource::TransitionResource {
public:
    static constexpr const wchar_t* Name = L"ワイプ";
    WipeFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    EffectItemNumber fadeIn{items, L"イン", 0.5, 0, 10, 0.01};
    EffectItemNumber fadeOut{items, L"アウト", 0.5, 0, 10, 0.01};
    EffectItemNumber blur{items, L"ぼかし", 2, 0, 100, 1};
    EffectItemSelect kind;
    EffectItemCheck keepAspect{items, L"縦横比固定", true};
    EffectItemCheck invertIn{items, L"反転(イン)", false};
    EffectItemCheck invertOut{items, L"反転(アウト)", false};
};

class QuakeFilter : public FilterEffect<QuakeFilter> {
public:
    static constexpr const wchar_t* Name = L"振動";
    // The seed step between the terms of the complex shake.
    static constexpr int32_t Salt = 3571;

    QuakeFilter();
    Picture filterVideo(Render::RenderObject& object, Picture picture) override;

    struct Offset {
        float x = 0, y = 0, z = 0;
    };
    // The displacement at the render object's time.
    Offset displacement(const Render::RenderObject& object) const;
    // One term of period m frames: (X, Y, Z) times the wave (and, with random
    // strengths, each axis times its own repeatable strength for the half period).
    Offset term(const Render::RenderObject& object, int m, int32_t salt, float X, float Y, float Z) const;

    EffectItemNumber x{items, L"X", 10, -500, 500, 1};
    EffectItemNumber y{items, L"Y", 10, -500, 500, 1};
    EffectItemNumber z{items, L"Z", 0, -500, 500, 1};
    EffectItemNumber period{items, L"周期", 1, 1, 100, 1};
    EffectItemCheck randomStrength{items, L"ランダムに強さを変える", true};
    EffectItemCheck complex{items, L"複雑に振動", false};
};

} // namespace Effect
