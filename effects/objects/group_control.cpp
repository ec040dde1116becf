#include "effects/objects/group_control.h"

#include "effect/effect_types.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_audio_object.h"

#include <algorithm>

namespace Effect {

// ---- グループ制御 ----

GroupControl::GroupControl() : MoveEffect(Name, EffectType::Control, MediaType::Video, MediaType::Video, L"オブジェクト制御")
{
    EffectItemNumber::makeGroup(positionGroup, {&x, &y, &z});
    pointItems = &positionGroup;
    zoomItem = &zoom;
}

Math::float4x4 GroupControl::getLocalMatrix(const Render::RenderObject& object) const
{
    const float s = static_cast<float>(zoom.getValue(object) * 0.01);
    return Math::rotationZ(static_cast<float>(rotationZ.getValue(object))) *
           Math::rotationY(static_cast<float>(rotationY.getValue(object))) *
           Math::rotationX(static_cast<float>(rotationX.getValue(object))) * Math::scaling(s, s, s) *
           Math::translation(static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)),
                             static_cast<float>(z.getValue(object)));
}

bool GroupControl::isFlat(const Render::RenderObject& object) const
{
    return zoom.getValue(object) == 100 && z.getValue(object) == 0 && rotationZ.getValue(object) == 0 &&
           rotationY.getValue(object) == 0 && rotationX.getValue(object) == 0;
}

Math::float4x4 GroupControl::getGroupViewMatrix(float x, float y, int width, int height)
{
    // The default screen view (a camera 1024 in front, depth 51.2 / z) with
    // its vanishing point at the group's position.
    Render::RenderObject::DrawState at;
    at.x = x;
    at.y = y;
    return at.getScreenMatrix(width, height);
}

void GroupControl::preInputVideo(Render::RenderObject& object)
{
    if (!object.control)
        return;
    Render::ControlView& record = *object.control;
    const Math::float4x4 local = getLocalMatrix(object);
    const bool flat = isFlat(object);
    if (const Render::ControlView* outer = object.drawState.groupControl.get()) {
        record.groupMatrix = local * outer->groupMatrix;
        record.groupView = outer->groupView;
        record.plainTransform = outer->plainTransform && flat;
    } else {
        const int width = object.scene ? object.scene->width : 1, height = object.scene ? object.scene->height : 1;
        record.groupMatrix = local;
        record.groupView = getGroupViewMatrix(static_cast<float>(x.getValue(object)),
                                              static_cast<float>(y.getValue(object)), width, height);
        record.plainTransform = flat;
    }
}

Render::RenderObject::DrawState GroupControl::getOutputView(Render::RenderObject& object)
{
    return getPositionedView(object);
}

// ---- グループ制御(音声) ----

GroupAudioControl::GroupAudioControl()
    : EffectBase(Name, EffectType::Control, MediaType::Audio, MediaType::Audio, L"オブジェクト制御")
{
}

void GroupAudioControl::controlAudio(Render::RenderObject& object)
{
    if (!object.control)
        return;
    Render::ControlView& record = *object.control;
    const float v = static_cast<float>(volume.getValue(object) * 0.01);
    const double p = balance.getValue(object);
    record.leftFactor = record.rightFactor = v;
    if (p > 0)
        record.leftFactor = static_cast<float>(v * (100 - p) * 0.01);
    else if (p < 0)
        record.rightFactor = static_cast<float>(v * (p + 100) * 0.01);
    if (const Render::ControlView* outer = Render::RenderAudioObject::from(object).groupAudioControl.get()) {
        record.leftFactor *= outer->leftFactor;
        record.rightFactor *= outer->rightFactor;
    }
}

} // namespace Effect
