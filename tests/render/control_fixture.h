#pragma once
// A control effect with matrices the test sets, standing in for the camera and
// group controls where the drawing state reads them, and the frame's record
// of an object whose top effect it is.
#include "effect/effect_base.h"
#include "project/model/object.h"
#include "render/control_view.h"

#include <memory>

namespace RenderTest {

class FixedControl : public Effect::EffectBase {
public:
    FixedControl()
        : EffectBase(L"固定制御", Effect::EffectType::Control, Effect::MediaType::Video, Effect::MediaType::Video,
                     L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<FixedControl>(); }
    // Fills the frame's record the plan hands it.
    void controlVideo(Render::RenderObject& r) override
    {
        if (r.control)
            fill(*r.control);
    }
    void fill(Render::ControlView& record) const
    {
        record.viewProjection = viewProjection;
        record.groupMatrix = groupMatrix;
        record.groupView = groupView;
        record.plainTransform = plain;
    }

    Math::float4x4 viewProjection = Math::identity();
    Math::float4x4 groupMatrix = Math::identity();
    Math::float4x4 groupView = Math::identity();
    bool plain = false;
};

// The frame's record of an object whose top effect is the control, filled
// with the control's values as they are now.
inline Render::ControlRef controlObject(const std::shared_ptr<FixedControl>& control)
{
    auto object = std::make_shared<Edit::Object>();
    object->effects.push_back(control);
    auto record = std::make_shared<Render::ControlView>(object, nullptr);
    control->fill(*record);
    return record;
}

} // namespace RenderTest
