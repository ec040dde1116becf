#include "effect/anchor_effect.h"

#include "core/failure.h"
#include "core/setting_service.h"
#include "effect/anchor_host.h"
#include "effect/anchor_list.h"
#include "effect/movement.h"
#include "project/model/scene.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using Anchor::AnchorEvent;
using Anchor::AnchorItem;
using Anchor::AnchorList;
using Anchor::Flag;
using Math::float3;
using Math::float4;
using Math::float4x4;

namespace {

// The style colours of markers as 0xRRGGBBAA, read once the settings service exists.
int styleColourBits[2] = {};
const bool styleColoursRegistered = [] {
    const struct {
        const char* key;
        uint32_t fallback; // as the shipped style
    } colours[2] = {{"Anchor", 0xffffffffu}, {"CenterGroup", 0x606060ffu}};
    for (int i = 0; i < 2; ++i) {
        Setting::registerStyleValue(styleColourBits[i], [colour = colours[i]](Setting::SettingService& s) {
            try {
                const ColorF c = s.color.get(colour.key).toRGBA();
                auto byte = [](float v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
                return static_cast<int>(byte(c.r) << 24 | byte(c.g) << 16 | byte(c.b) << 8 | byte(c.a));
            } catch (const std::exception&) {
                return static_cast<int>(colour.fallback);
            }
        });
    }
    return true;
}();

} // namespace

// ---- shared pieces ----

float4 AnchorEffectBase::getStyleColour(StyleColour which)
{
    const uint32_t bits = static_cast<uint32_t>(styleColourBits[static_cast<int>(which)]);
    return {(bits >> 24 & 0xff) / 255.0f, (bits >> 16 & 0xff) / 255.0f, (bits >> 8 & 0xff) / 255.0f,
            (bits & 0xff) / 255.0f};
}

bool AnchorEffectBase::isFocus(const Render::RenderObject& object)
{
    return object.scene && object.object && object.scene->focusObject == object.object;
}

bool AnchorEffectBase::isMoving() const
{
    for (const EffectItemNumber* item : *pointItems)
        if (item->values.size() >= 2)
            return true;
    return false;
}

bool AnchorEffectBase::getDraggedPoint(const AnchorEvent& event, float4& point)
{
    point = event.movePoint(event.startPoint, event.matrix, static_cast<float>(event.dragOffset.x),
                            static_cast<float>(event.dragOffset.y));
    return event.object && Math::isFinite(point);
}

int AnchorEffectBase::pointFrame(const Edit::Object& object, int point)
{
    const int mids = static_cast<int>(object.midPoints.size());
    if (point <= 0)
        return object.start;
    if (point <= mids)
        return object.start + object.midPoints[point - 1];
    return object.end;
}

bool AnchorEffectBase::sectionPointIndices(const Edit::Object& object, int point, int indices[3]) const
{
    const int mids = static_cast<int>(object.midPoints.size());
    size_t largest = 0;
    for (const EffectItemNumber* item : *pointItems)
        largest = std::max(largest, item->values.size());
    // A mid-point handle needs one value per section point.
    if (point > 0 && point <= mids && largest >= 2 && largest != static_cast<size_t>(mids + 2))
        return false;
    bool shown = false;
    for (size_t i = 0; i < pointItems->size(); ++i) {
        const EffectItemNumber& item = *(*pointItems)[i];
        const int count = static_cast<int>(item.values.size());
        int index;
        if (count < 2 || point <= 0)
            index = 0;
        else if (point >= mids + 1)
            index = count - 1;
        else
            index = count == mids + 2 ? point : -1;
        if (index < 0)
            return false;
        indices[i] = index;
        shown = shown || item.movement->usesPointValue(item, point);
    }
    return shown;
}

void AnchorEffectBase::createAnchor(Render::RenderObject& object, int width, int height)
{
    if (!object.anchors || !object.object || lock)
        return;
    const Edit::Object& drawn = *object.object;
    if (object.scene && object.scene->getLayer(drawn.layer).layer->lock)
        return;
    std::shared_ptr<EffectBase> self;
    for (const std::shared_ptr<EffectBase>& effect : drawn.effects)
        if (effect.get() == this)
            self = effect;
    if (!self)
        return;
    if (effectType == EffectType::Filter && !isFocus(object))
        return;

    // The registrations move the render object to other frames; it returns to
    // its own time (frame = the whole part) and position however they end.
    struct Restore {
        Render::RenderObject& object;
        double time;
        float x, y, z;
        ~Restore()
        {
            object.setTime(time);
            object.drawState.x = x;
            object.drawState.y = y;
            object.drawState.z = z;
        }
    } restore{object, object.time, object.drawState.x, object.drawState.y, object.drawState.z};
    setEffectAnchor(object, self, width, height);
}

bool AnchorEffectBase::anchorEvent(AnchorEvent& event)
{
    switch (event.kind) {
    case AnchorEvent::Drag:
        moveAnchor(event);
        return true;
    case AnchorEvent::Activate:
        if (event.id == Anchor::Id::ClippingFrame)
            AnchorHost::get().toggleVisibleClippingObject();
        else if (Anchor::Id::isSectionPoint(event.id) && event.object)
            AnchorHost::get().showSectionAtFrame(pointFrame(*event.object, event.id));
        return true;
    case AnchorEvent::AltActivate:
        if (Anchor::Id::isSectionPoint(event.id) && (event.flags & Flag::SectionPoint) && event.object)
            AnchorHost::get().setCursorFrame(pointFrame(*event.object, event.id));
        return true;
    default:
        return false;
    }
}

AnchorItem& AnchorEffectBase::setPointAnchor(AnchorList& list, const std::shared_ptr<Edit::Object>& object,
                                             const std::shared_ptr<EffectBase>& self, int id, const float3& point,
                                             float4x4 matrix, uint32_t flags)
{
    if (effectType == EffectType::Filter)
        return list.addFilterPointAnchor(object, self, id, point, matrix, flags);
    return list.addPointAnchor(object, self, id, point, matrix, flags);
}

void AnchorEffectBase::setCurrentAnchor(Render::RenderObject&, const std::shared_ptr<EffectBase>&, int, uint32_t)
{
    throw System::makeException("Effect::AnchorEffectBase::setCurrentAnchor", "not implement.", nullptr);
}

void AnchorEffectBase::setSectionAnchor(Render::RenderObject&, const std::shared_ptr<EffectBase>&, int, uint32_t)
{
    throw System::makeException("Effect::AnchorEffectBase::setSectionAnchor", "not implement.", nullptr);
}

void AnchorEffectBase::setMarkAnchor(AnchorList& list, const std::shared_ptr<EffectBase>& self, const float3& point,
                                     const float4x4& matrix)
{
    const float4 clip = Math::point(point) * matrix;
    if (effectType == EffectType::Filter) {
        const float4 colour = getStyleColour(StyleColour::Anchor);
        list.addMarker(self, clip, &colour);
    } else {
        list.addMarker(self, clip, nullptr);
    }
}

AnchorItem& AnchorEffectBase::addPointAnchorWithDrag(Render::RenderObject& object,
                                                     const std::shared_ptr<EffectBase>& self, int id, uint32_t flags,
                                                     const float3& point, const float4x4& matrix)
{
    AnchorItem& item = setPointAnchor(*object.anchors, object.object, self, id, point, matrix, flags);
    item.matrix = matrix;
    item.startPoint = item.currentPoint = Math::point(point);
    return item;
}

void AnchorEffectBase::setMovementPathAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self)
{
    if (!isMoving())
        return;
    bool wholeObject = true;
    for (const EffectItemNumber* item : *pointItems) {
        if (!item->movement->hasPath(*item))
            return;
        wholeObject = wholeObject && (item->flags & EffectItemNumber::FlagIgnoreMidPoints);
    }
    const Edit::Object& drawn = *object.object;
    const std::vector<int>& mids = drawn.midPoints;
    const int steps = wholeObject ? 64 : 32 * static_cast<int>(mids.size() + 1);
    const double step = static_cast<double>(drawn.end - drawn.start) / steps;
    const bool pathPoints = AnchorHost::get().edit.displayObjectMovePoint != 0;

    std::vector<float4> samples;
    samples.reserve(steps + 1 + mids.size());
    size_t nextMid = 0;
    double t = drawn.start;
    for (int i = 0; i <= steps; ++i) {
        const float4 sample = getAnchorPosition(object, t);
        samples.push_back(sample);
        if (pathPoints && i % 4 == 0)
            object.anchors->addPathPoint(self, sample);
        if (i == steps)
            break;
        t = drawn.start + step * (i + 1);
        // Every mid-point passed by this step enters at its exact frame, so the
        // path goes through each point even where a step spans a short section.
        while (nextMid < mids.size() && t >= drawn.start + mids[nextMid]) {
            samples.push_back(getAnchorPosition(object, drawn.start + mids[nextMid]));
            ++nextMid;
        }
    }
    object.anchors->addPolyline(self, samples.data(), static_cast<int>(samples.size()), nullptr);
}

// ---- X/Y point of a filter ----

float4x4 MoveXYAnchorEffect::pointMatrix(Render::RenderObject& object)
{
    Render::RenderObject::DrawState state = object.getOutputView();
    state.cx = state.cy = state.cz = 0;
    return state.getWorldViewMatrix();
}

void MoveXYAnchorEffect::setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int,
                                         int)
{
    setCurrentAnchor(object, self, Anchor::Id::AllPoints, 0);
    if (!isFocus(object) || !isMoving())
        return;
    const int points = static_cast<int>(object.object->midPoints.size()) + 2;
    for (int p = 0; p < points; ++p)
        setSectionAnchor(object, self, p, Flag::SectionPoint);
    setMovementPathAnchor(object, self);
}

void MoveXYAnchorEffect::setCurrentAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                                          int id, uint32_t flags)
{
    const EffectItemNumber& x = *(*pointItems)[0];
    const EffectItemNumber& y = *(*pointItems)[1];
    const float3 point{static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)), 0};
    const float4x4 matrix = pointMatrix(object);
    const bool focus = isFocus(object), moving = isMoving();
    if (!(focus && !moving))
        flags |= Flag::Hidden;
    if (effectType != EffectType::Filter)
        flags |= Flag::ObjectHandle;
    addPointAnchorWithDrag(object, self, id, flags, point, matrix);
    if (focus && moving)
        setMarkAnchor(*object.anchors, self, point, matrix);
}

void MoveXYAnchorEffect::setSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                                          int point, uint32_t flags)
{
    int indices[3];
    if (!sectionPointIndices(*object.object, point, indices))
        return;
    const float3 p{static_cast<float>((*pointItems)[0]->getIndexValue(indices[0])),
                   static_cast<float>((*pointItems)[1]->getIndexValue(indices[1])), 0};
    object.setTime(pointFrame(*object.object, point));
    addPointAnchorWithDrag(object, self, point, flags, p, pointMatrix(object));
}

float4 MoveXYAnchorEffect::getAnchorPosition(Render::RenderObject& object, double time)
{
    object.setTime(time);
    const float4 p{static_cast<float>((*pointItems)[0]->getValueAtTime(object, time)),
                   static_cast<float>((*pointItems)[1]->getValueAtTime(object, time)), 0, 1};
    return p * pointMatrix(object);
}

void MoveXYAnchorEffect::moveAnchor(AnchorEvent& event)
{
    float4 moved;
    if (!getDraggedPoint(event, moved))
        return;
    const float dx = moved.x - event.currentPoint.x, dy = moved.y - event.currentPoint.y;
    event.currentPoint = {moved.x, moved.y, event.currentPoint.z, moved.w};
    (*pointItems)[0]->addAnchorValue(event.id, *event.object, dx);
    (*pointItems)[1]->addAnchorValue(event.id, *event.object, dy);
}

// ---- X/Y/Z point ----

void MoveXYZAnchorEffect::moveAnchor(AnchorEvent& event)
{
    float4 moved;
    if (!getDraggedPoint(event, moved))
        return;
    const float4 delta = moved - event.currentPoint;
    event.currentPoint = moved;
    (*pointItems)[0]->addAnchorValue(event.id, *event.object, delta.x);
    (*pointItems)[1]->addAnchorValue(event.id, *event.object, delta.y);
    (*pointItems)[2]->addAnchorValue(event.id, *event.object, delta.z);
}

} // namespace Effect
