#pragma once
// A control effect with matrices the test sets, standing in for the camera and
// group controls where the drawing state reads them.
#include "effect/effect_base.h"
#include "project/model/object.h"
#include "render/control_view.h"

#include <memory>

namespace RenderTest {

class FixedControl : public Effect::EffectBase, public Render::ControlView {
public:
    FixedControl()
        : EffectBase(L"固定制御", Effect::EffectType::Control, Effect::MediaType::Video, Effect::MediaType::Video,
                     L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<FixedControl>(); }
    Math::float4x4 getViewProjectionMatrix() const override { return viewProjection; }
    Math::float4x4 getGroupMatrix() const override { return groupMatrix; }
    Math::float4x4 getGroupViewMatrix() const override { return groupView; }
    bool isPlainTransform() const override { return plain; }

    Math::float4x4 viewProjection = Math::identity();
    Math::float4x4 groupMatrix = Math::identity();
    Math::float4x4 groupView = Math::identity();
    bool plain = false;
};

// An object whose top effect is the control.
inline std::shared_ptr<Edit::Object> controlObject(const std::shared_ptr<FixedControl>& control)
{
    auto object = std::make_shared<Edit::Object>();
    object->effects.push_back(control);
    return object;
}

} // namespace RenderTest
