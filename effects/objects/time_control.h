#pragma once
// 時間制御(オブジェクト): while the object lasts, the layers of its range
// show, in picture and sound, another frame chosen by the position curve
// "位置" over the object's own span, repeated "繰り返し" times, each picture
// held for "コマ落ち" frames (pictures only).
#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "render/effect_names.h"

#include <cstdint>

namespace Effect {

class TimeControl : public EffectBase {
public:
    static constexpr const wchar_t* Name = Render::EffectName::TimeControl;
    TimeControl();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TimeControl>(); }

    // The frame and time of the layers below, with repetition and frame dropping.
    void preInputVideo(Render::RenderObject& object) override;
    // The same without frame dropping, and the frame's sound samples there.
    void preInputAudio(Render::RenderObject& object) override;
    // "位置" runs linearly from 0 at the start to 100 at the end.
    void initializeDefault() override;
    EffectItemLayerRange* getLayerRange() override { return &layerRange; }

    // The time the render object's frame maps to: with n = frame - start held
    // for drop frames, the curve's value p at start + (n x repeat) mod span,
    // then start + p / 100 x (end - start). The product is taken in 64 bits.
    double mapTime(const Render::RenderObject& object, int repeat, int drop) const;

    EffectItemNumber position{items, L"位置", 0, 0, 100, 0.001};
    EffectItemInteger repeat{items, L"繰り返し", 1, 1, 100};
    EffectItemInteger drop{items, L"コマ落ち", 1, 1, 100};
    EffectItemLayerRange layerRange{items, L"対象レイヤー数"};

private:
    void rewrite(Render::RenderObject& object, int repeat, int drop) const;
};

} // namespace Effect
