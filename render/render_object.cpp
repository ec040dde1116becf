#include "render/render_object.h"

#include "effect/effect_base.h"
#include "media/render_buffer.h"
#include "project/model/object.h"
#include "render/control_view.h"

#include <algorithm>
#include <cmath>

namespace Render {

using Math::float4x4;

const ControlView* findControlView(const std::shared_ptr<Edit::Object>& control)
{
    if (!control || control->effects.empty())
        return nullptr;
    return dynamic_cast<const ControlView*>(control->effects.front().get());
}

float4x4 RenderObject::DrawState::getObjectMatrix() const
{
    return Math::translation(-cx, -cy, -cz) * getRotationMatrix() * Math::translation(x, y, z);
}

float4x4 RenderObject::DrawState::getRotationMatrix() const
{
    return Math::scaling(sx, sy, sz) * Math::rotationZ(rz) * Math::rotationY(ry) * Math::rotationX(rx);
}

float4x4 RenderObject::DrawState::getScreenMatrix(int width, int height) const
{
    // A frame without size would divide by zero: it counts as one pixel.
    const float w = static_cast<float>(std::max(width, 1));
    const float h = static_cast<float>(std::max(height, 1));
    float4x4 projection;
    projection.m[0][0] = 2048.0f / w;
    projection.m[1][1] = -2048.0f / h;
    projection.m[2][3] = 1.0f;
    projection.m[3][2] = 51.2f;
    return Math::translation(-x, -y, 1024.0f) * projection * Math::translation(2.0f * x / w, -2.0f * y / h, 0.0f);
}

float4x4 RenderObject::DrawState::getWorldMatrix() const
{
    float4x4 world = getObjectMatrix();
    if (const ControlView* group = findControlView(groupControl))
        world = world * group->getGroupMatrix();
    return world;
}

float4x4 RenderObject::DrawState::getViewMatrix() const
{
    if (const ControlView* camera = findControlView(cameraControl))
        return camera->getViewProjectionMatrix();
    if (const ControlView* group = findControlView(groupControl))
        return group->getGroupViewMatrix();
    return target ? getScreenMatrix(static_cast<int>(target->width), static_cast<int>(target->height))
                  : getScreenMatrix(1, 1);
}

float4x4 RenderObject::DrawState::getGroupViewMatrix() const
{
    const ControlView* camera = findControlView(cameraControl);
    const ControlView* group = findControlView(groupControl);
    if (camera && group)
        return group->getGroupMatrix() * camera->getViewProjectionMatrix();
    if (camera)
        return camera->getViewProjectionMatrix();
    if (group)
        return group->getGroupMatrix() * group->getGroupViewMatrix();
    return Math::translation(0.0f, 0.0f, -z) * getViewMatrix();
}

float4x4 RenderObject::DrawState::getWorldViewMatrix() const
{
    return getWorldMatrix() * getViewMatrix();
}

void RenderObject::setObject(const std::shared_ptr<Edit::Object>& entry)
{
    if (object == entry)
        return;
    resetObject(entry);
}

void RenderObject::resetObject(const std::shared_ptr<Edit::Object>& entry)
{
    object = entry;
    if (object)
        sectionPosition.setPosition(*object, frame, time);
}

void RenderObject::setTime(double t)
{
    time = t;
    frame = static_cast<int>(std::floor(t));
    if (object)
        sectionPosition.setPosition(*object, frame, time);
}

RenderObject::DrawState RenderObject::getOutputView()
{
    if (!object || object->effects.empty())
        return drawState;
    Effect::EffectBase& top = *object->effects.front();
    if (top.effectType == Effect::EffectType::Control)
        return top.getOutputView(*this);
    const std::shared_ptr<Edit::Object>& first = objectList && !objectList->empty() ? objectList->front() : object;
    if (first == object) {
        if (object->effects.size() < 2)
            return drawState; // an object without output places nothing of its own
        return object->effects[1]->getOutputView(*this);
    }
    if (first->effects.size() < 2)
        return drawState;
    // The first entry is current for the call; the previous object comes back
    // however the call ends.
    struct Restore {
        RenderObject& self;
        std::shared_ptr<Edit::Object> previous;
        ~Restore() { self.resetObject(previous); }
    } restore{*this, object};
    resetObject(first);
    return first->effects[1]->getOutputView(*this);
}

} // namespace Render
