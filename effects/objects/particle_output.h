#pragma once
// パーティクル出力: an output that draws many copies of the object's picture as
// particles. An emitter at X, Y, Z releases them at a steady rate from the
// object's start; each flies in a spread of directions with speed,
// acceleration and gravity, grows, fades, turns and dies after its lifetime.
// Nothing is kept between frames: the particles of a frame are recomputed
// from the parameters and a random sequence of the particle's own (from the
// layer, the object's start and its index), so frames render the same in any
// order. A frame's particles are one vertex list drawn with one draw.
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effect/move_effect.h"
#include "effects/objects/output_shader_effect.h"

#include <cstdint>

namespace Effect {

class ParticleOutput : public MoveEffect {
public:
    static constexpr const wchar_t* Name = L"パーティクル出力";
    // At most this many particles, the newest, are looked at per frame.
    static constexpr int MaxParticles = 10000;

    ParticleOutput();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<ParticleOutput>(); }

    void outputVideo(Render::RenderObject& object, Media::RenderBuffer& target,
                     std::unique_ptr<Media::ResourceBuffer>& picture) override;
    // The drawing state moved to the emitter, with the blend mode.
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;
    // 図形, placed when this output stands alone.
    EffectDefine* getDefaultInputEffect() override;

    // ---- the per-particle random sequence (64-bit arithmetic, wrapping) ----
    // The first state of particle n of an object on a layer (0-based) starting at a frame.
    static uint64_t seed(uint64_t n, int layer, int start);
    static uint64_t next(uint64_t x);
    // A state as a number in [0, 1].
    static float uniform(uint64_t x);

    EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    EffectItemNumber z{items, L"Z", 0, -100000, 100000, 0.01};
    EffectItemNumber rate{items, L"出力頻度", 20, 0, 500, 0.1};
    EffectItemNumber speed{items, L"出力速度", 400, 0, 20000, 0.1};
    EffectItemNumber acceleration{items, L"加速度", 0, -20000, 20000, 0.1};
    EffectItemNumber direction{items, L"出力方向", 0, -3600, 3600, 0.01};
    EffectItemNumber spread{items, L"拡散角度", 30, 0, 360, 0.01};
    EffectItemNumber transparency{items, L"透過率", 0, 0, 100, 0.01};
    EffectItemNumber transparencySpeed{items, L"透過速度", 0, -200, 200, 0.01};
    EffectItemNumber zoom{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemNumber zoomSpeed{items, L"拡大速度", 0, -1000, 1000, 0.001};
    EffectItemNumber rotation{items, L"回転角", 0, -3600, 3600, 0.01};
    EffectItemNumber rotationSpeed{items, L"回転速度", 0, -10, 10, 0.01};
    EffectItemNumber gravity{items, L"重力", 0, -2000, 2000, 0.01};
    EffectItemNumber life{items, L"生存時間", 0, 0, 600, 0.1};
    EffectItemCheck randomPosition{items, L"移動範囲の座標からランダムに出力", false};
    EffectItemCheck directionByMotion{items, L"出力方向の基準を移動方向にする", false};
    EffectItemCheck rotationByMotion{items, L"回転角の基準を移動方向にする", false};
    EffectItemCheck randomRotation3d{items, L"3Dランダム回転", false};
    EffectItemSelect blendMode;
    EffectItemNumber::Group anchorGroup;

    OutputShaderEffect shader;
};

} // namespace Effect
