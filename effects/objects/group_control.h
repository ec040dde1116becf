#pragma once
// グループ制御 moves, turns and scales everything on the layers below it as
// one group; グループ制御(音声) sets the volume and balance of their sound.
// Groups of one kind nest: an inner group's transform or gains combine with
// the enclosing one's. What a frame works out goes into the frame's record
// of the group object (Render::ControlView).
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/move_effect.h"
#include "render/effect_names.h"

namespace Effect {

class GroupControl : public MoveEffect {
public:
    static constexpr const wchar_t* Name = Render::EffectName::GroupControl;
    GroupControl();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<GroupControl>(); }

    // The group's matrices, on the planning thread when the plan meets the
    // group (the plan orders the objects under a camera by the depth they
    // reach through it). The render object's group reference is the
    // enclosing group's record.
    void preInputVideo(Render::RenderObject& object) override;
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;
    EffectItemLayerRange* getLayerRange() override { return &layerRange; }

    // Rz x Ry x Rx x S x T of the items at the render object's frame.
    Math::float4x4 getLocalMatrix(const Render::RenderObject& object) const;
    // 拡大率 100, Z 0 and no rotation: at most a move in the picture plane.
    bool isFlat(const Render::RenderObject& object) const;
    // The screen view of a width x height frame with its vanishing point at (x, y).
    static Math::float4x4 getGroupViewMatrix(float x, float y, int width, int height);

    EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    EffectItemNumber z{items, L"Z", 0, -100000, 100000, 0.01};
    EffectItemNumber rotationX{items, L"X軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber rotationY{items, L"Y軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber rotationZ{items, L"Z軸回転", 0, -3600, 3600, 0.01};
    EffectItemNumber zoom{items, L"拡大率", 100, 0, 10000, 0.001};
    EffectItemLayerRange layerRange{items, L"対象レイヤー数"};
    EffectItemNumber::Group positionGroup;
};

class GroupAudioControl : public EffectBase {
public:
    static constexpr const wchar_t* Name = Render::EffectName::GroupAudioControl;
    GroupAudioControl();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<GroupAudioControl>(); }

    // The left and right gains of the group, times the enclosing group's.
    void controlAudio(Render::RenderObject& object) override;
    EffectItemLayerRange* getLayerRange() override { return &layerRange; }

    EffectItemNumber volume{items, L"音量", 100, 0, 1000, 0.01};
    EffectItemNumber balance{items, L"左右", 0, -100, 100, 0.01};
    EffectItemLayerRange layerRange{items, L"対象レイヤー数"};
};

} // namespace Effect
