#include "effect/move_effect.h"

#include "effect/anchor_control.h"
#include "effect/anchor_host.h"
#include "effect/anchor_list.h"
#include "effect/movement.h"
#include "project/model/scene.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "render/control_view.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using Anchor::AnchorEvent;
using Anchor::AnchorItem;
using Anchor::Flag;
using DrawState = Render::RenderObject::DrawState;
using Math::float3;
using Math::float4;
using Math::float4x4;

namespace {

float4 positionOf(const DrawState& state)
{
    return {state.x, state.y, state.z, 1};
}

// The source's "サイズ" item: the object's first effect is a source with a
// number item of exactly that name.
EffectItemNumber* sourceSizeItem(const Edit::Object& object)
{
    if (object.effects.empty() || object.effects.front()->effectType != EffectType::Input)
        return nullptr;
    for (EffectItem* item : object.effects.front()->items)
        if (item->name == L"サイズ")
            if (auto* number = dynamic_cast<EffectItemNumber*>(item))
                return number;
    return nullptr;
}

// The section point the render object's frame stands on: the end point on the
// last frame, a section's start point on its first frame, else every point.
int pointUnderFrame(const Render::RenderObject& object)
{
    const Edit::Object& drawn = *object.object;
    const int mids = static_cast<int>(drawn.midPoints.size());
    if (object.frame == drawn.end)
        return mids + 1;
    const int section = object.sectionPosition.sectionIndex;
    if (section < 0 || section > mids)
        return Anchor::Id::AllPoints;
    const int sectionStart = section == 0 ? drawn.start : drawn.start + drawn.midPoints[section - 1];
    return object.time == sectionStart ? section : Anchor::Id::AllPoints;
}

} // namespace

bool MoveEffect::pointMode(const Render::RenderObject& object)
{
    return object.focusFixedSize || AnchorHost::get().edit.displayObjectCenterAnchor != 0;
}

DrawState MoveEffect::getPositionedView(const Render::RenderObject& object) const
{
    DrawState state = object.drawState;
    state.x += static_cast<float>((*pointItems)[0]->getValue(object));
    state.y += static_cast<float>((*pointItems)[1]->getValue(object));
    state.z += static_cast<float>((*pointItems)[2]->getValue(object));
    return state;
}

EffectItemNumber* MoveEffect::getSizeItem(const Render::RenderObject& object) const
{
    if (effectType == EffectType::Output && object.object)
        if (EffectItemNumber* size = sourceSizeItem(*object.object))
            if (size->movement == NoMove::instance)
                return size;
    return zoomItem;
}

bool MoveEffect::passesPoints(const EffectItemNumber* size) const
{
    for (const EffectItemNumber* item : *pointItems)
        if (!item->movement->passesPoints)
            return false;
    return !size || size->movement->passesPoints;
}

// ---- registration ----

void MoveEffect::setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                                 int height)
{
    const Edit::Object& drawn = *object.object;
    uint32_t currentFlags = Flag::ObjectHandle;
    uint32_t sectionFlags = Flag::SectionPoint;
    // Snapping works in the picture's own plane: not under a camera, nor in a
    // group that turns, zooms or lifts its objects.
    const Render::ControlView* group = object.drawState.groupControl.get();
    if (!object.drawState.cameraControl && (!group || group->plainTransform)) {
        currentFlags |= Flag::Snap | Flag::SnapTarget;
        sectionFlags |= Flag::Snap;
    }
    if (drawn.clipping && object.firstClipPass) {
        const AnchorHost& host = AnchorHost::get();
        object.anchors->addObjectFrame(object.object, self, Anchor::Id::ClippingFrame,
                                       host.getClippingObjectIcon(host.isVisibleClippingObject()));
    }
    setObjectAnchor(object, self, width, height, currentFlags);
    if (!isFocus(object))
        return;
    setFocusAnchor(object, self, width, height, AnchorHost::get().getCurrentSection(object));
    if (!isMoving())
        return;
    const int points = static_cast<int>(drawn.midPoints.size()) + 2;
    for (int p = 0; p < points; ++p)
        setPointSectionAnchor(object, self, width, height, p, sectionFlags);
    setMovementPathAnchor(object, self);
}

void MoveEffect::setObjectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                                 int height, uint32_t flags)
{
    DrawState state = object.getOutputView();
    if (object.focusFixedSize)
        state.cx = state.cy = state.cz = 0;
    const float4x4 matrix = state.getWorldViewMatrix();
    const bool focus = isFocus(object);
    if (!(focus && !isMoving()))
        flags |= Flag::Hidden;
    Anchor::AnchorList& list = *object.anchors;
    AnchorItem& item = object.focusFixedSize
                           ? list.addPointAnchor(object.object, self, Anchor::Id::AllPoints, {}, matrix, flags)
                           : list.addObjectRectangle(object.object, self, Anchor::Id::AllPoints, width, height, matrix,
                                                     flags);
    item.matrix = state.getGroupViewMatrix();
    item.startPoint = item.currentPoint = positionOf(state);
    if (!focus)
        return;
    // The point the object turns about.
    list.addMarker(self, float4{state.cx, state.cy, state.cz, 1} * matrix, nullptr);
    const Render::ControlView* group = state.groupControl.get();
    if (group) {
        const float4 colour = getStyleColour(StyleColour::CenterGroup);
        list.addMarker(self, float4{0, 0, 0, 1} * (group->groupMatrix * state.getViewMatrix()), &colour);
    }
    // The camera's axis guides cross at the focus object (the frame's record,
    // drawn by the camera's second pass after this object).
    if (state.cameraControl)
        state.cameraControl->targetAxes = group ? positionOf(state) * group->groupMatrix : positionOf(state);
}

void MoveEffect::setFocusAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                                int height, int point)
{
    const Edit::Object& drawn = *object.object;
    int indices[3];
    if (!sectionPointIndices(drawn, point, indices))
        return;
    const float3 base{object.drawState.x, object.drawState.y, object.drawState.z};
    DrawState state;
    if (isMoving()) {
        object.setTime(pointFrame(drawn, point));
        state = object.getOutputView();
        state.x = base.x + static_cast<float>((*pointItems)[0]->getIndexValue(indices[0]));
        state.y = base.y + static_cast<float>((*pointItems)[1]->getIndexValue(indices[1]));
        state.z = base.z + static_cast<float>((*pointItems)[2]->getIndexValue(indices[2]));
    } else {
        state = object.getOutputView();
    }
    const int id = pointUnderFrame(object);
    Anchor::AnchorList& list = *object.anchors;

    if (state.cameraControl) {
        const float4x4 groupView = state.getGroupViewMatrix();
        const float3 p{state.x, state.y, state.z};
        const float4 start = Math::point(p) * groupView;
        const struct {
            float3 end;
            uint32_t flags;
        } axes[3] = {
            {{p.x - 40, p.y, p.z}, Flag::Axis | Flag::AxisX},
            {{p.x, p.y - 40, p.z}, Flag::Axis | Flag::AxisY},
            {{p.x, p.y, p.z - 40}, Flag::Axis | Flag::AxisZ},
        };
        for (const auto& axis : axes)
            list.addAxisHandle(start, Math::point(axis.end) * groupView, object.object, self, id, axis.flags, p,
                               groupView);
    }

    if (pointMode(object))
        return;
    EffectItemNumber* size = getSizeItem(object);
    if (!size)
        return;
    const bool onEnd = object.frame == drawn.start || object.frame == drawn.end;
    if (!(passesPoints(size) || onEnd) || !size->isAnchorEditable(object))
        return;
    float4 offset = float4{state.cx, state.cy, state.cz, 0} * state.getRotationMatrix();
    offset.w = static_cast<float>(size->getValue(object) * 0.01);
    list.addSizeHandles(object.object, self, id, width, height, base, offset, state.getObjectMatrix(),
                        state.getWorldViewMatrix(), state.getGroupViewMatrix(),
                        size != zoomItem ? static_cast<uint32_t>(Flag::SourceSize) : 0u);
}

void MoveEffect::setPointSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                                       int width, int height, int point, uint32_t flags)
{
    const Edit::Object& drawn = *object.object;
    int indices[3];
    if (!sectionPointIndices(drawn, point, indices))
        return;
    const float3 base{object.drawState.x, object.drawState.y, object.drawState.z};
    object.setTime(pointFrame(drawn, point));
    const bool asPoint = pointMode(object);
    DrawState state = object.getOutputView();
    if (asPoint)
        state.cx = state.cy = state.cz = 0;
    state.x = base.x + static_cast<float>((*pointItems)[0]->getIndexValue(indices[0]));
    state.y = base.y + static_cast<float>((*pointItems)[1]->getIndexValue(indices[1]));
    state.z = base.z + static_cast<float>((*pointItems)[2]->getIndexValue(indices[2]));
    const float4x4 matrix = state.getWorldViewMatrix();
    const bool firstOrLast = point == 0 || point == static_cast<int>(drawn.midPoints.size()) + 1;
    const bool outline = !asPoint && (passesPoints(getSizeItem(object)) || firstOrLast);
    AnchorItem& item = outline ? object.anchors->addObjectRectangle(object.object, self, point, width, height, matrix,
                                                                    flags)
                               : setPointAnchor(*object.anchors, object.object, self, point, {}, matrix, flags);
    item.matrix = state.getGroupViewMatrix();
    item.startPoint = item.currentPoint = positionOf(state);
}

float4 MoveEffect::getAnchorPosition(Render::RenderObject& object, double time)
{
    object.setTime(time);
    DrawState state = object.getOutputView();
    if (pointMode(object))
        state.cx = state.cy = state.cz = 0;
    return float4{0, 0, 0, 1} * state.getWorldViewMatrix();
}

// ---- dragging ----

void MoveEffect::moveAnchor(AnchorEvent& event)
{
    float4 moved;
    if (!getDraggedPoint(event, moved))
        return;
    const Edit::Object& object = *event.object;
    if (event.flags & Flag::Size) {
        event.currentPoint = moved;
        moveSizeHandle(event);
        return;
    }
    if (event.flags & Flag::Axis) {
        const float4 delta = moved - event.currentPoint;
        event.currentPoint = moved;
        const float multiplier = event.dragVector1.x;
        if (event.flags & Flag::AxisX)
            (*pointItems)[0]->addAnchorValue(event.id, object, multiplier * delta.x);
        else if (event.flags & Flag::AxisY)
            (*pointItems)[1]->addAnchorValue(event.id, object, multiplier * delta.y);
        else if (event.flags & Flag::AxisZ)
            (*pointItems)[2]->addAnchorValue(event.id, object, multiplier * delta.z);
        return;
    }
    if (AnchorHost::get().edit.anchorObjectMoveSnap && (event.flags & Flag::Snap))
        snapPoint(event, moved);
    const float4 delta = moved - event.currentPoint;
    event.currentPoint = moved;
    (*pointItems)[0]->addAnchorValue(event.id, object, delta.x);
    (*pointItems)[1]->addAnchorValue(event.id, object, delta.y);
    (*pointItems)[2]->addAnchorValue(event.id, object, delta.z);
}

void MoveEffect::snapPoint(const AnchorEvent& event, float4& point) const
{
    const Anchor::AnchorControl* control = event.control;
    if (!control || !control->scene)
        return;
    const Anchor::AnchorItem* item =
        control->findItem(event.object.get(), event.effect.get(), event.id, event.flags);
    if (!item)
        return;
    // Positions are scene pixels; normalised units span half the scene each way.
    const float halfWidth = std::max(control->scene->width, 1) * 0.5f;
    const float halfHeight = std::max(control->scene->height, 1) * 0.5f;
    const float shiftX = (point.x - event.startPoint.x) / halfWidth;
    const float shiftY = -(point.y - event.startPoint.y) / halfHeight;

    std::vector<Math::float2> moving;
    if (event.flags & Flag::SnapTarget) {
        for (const auto& s : control->snapPoints)
            if (s.object && s.object->selected)
                moving.push_back({s.x, s.y});
    } else {
        moving = item->cornerPoints;
    }
    const Anchor::AnchorControl::Rect& view = control->viewRect;
    const float thresholdX = 8.0f / (std::max(1.0f, view.right - view.left) * 0.5f);
    const float thresholdY = 8.0f / (std::max(1.0f, view.bottom - view.top) * 0.5f);
    float offsetX = 0, offsetY = 0;
    for (const Math::float2& m : moving) {
        const float mx = m.x + shiftX, my = m.y + shiftY;
        for (const auto& target : control->snapPoints) {
            if (target.object && (target.object == event.object.get() || target.object->selected))
                continue;
            if (std::fabs(target.x - mx) < thresholdX)
                offsetX = target.x - mx;
            if (std::fabs(target.y - my) < thresholdY)
                offsetY = target.y - my;
        }
    }
    point.x += offsetX * halfWidth;
    point.y -= offsetY * halfHeight;
}

void MoveEffect::moveSizeHandle(AnchorEvent& event)
{
    const Edit::Object& object = *event.object;
    EffectItemNumber* size = (event.flags & Flag::SourceSize) ? sourceSizeItem(object) : zoomItem;
    if (!size)
        return;
    const float4& pivot = event.dragVector1;
    const float4 b = event.startPoint - pivot;
    const float4 c = event.currentPoint - pivot;
    const float lengthB = std::hypot(b.x, b.y);
    const float lengthC = c.x * b.x + c.y * b.y > 0 ? std::hypot(c.x, c.y) : 16.0f;
    const float ratio = std::max(lengthC, 16.0f) / std::max(lengthB, 16.0f);
    size->setAnchorValue(event.id, object, ratio * event.dragVector2.w * 100.0f);
    const float4& offset = event.dragVector2;
    const float position[3] = {pivot.x + ratio * 0.5f * b.x + ratio * offset.x,
                               pivot.y + ratio * 0.5f * b.y + ratio * offset.y,
                               pivot.z + ratio * 0.5f * b.z + ratio * offset.z};
    const float base[3] = {event.dragBase.x, event.dragBase.y, event.dragBase.z};
    for (int i = 0; i < 3; ++i)
        (*pointItems)[i]->setAnchorValue(event.id, object, position[i] - base[i]);
}

} // namespace Effect
