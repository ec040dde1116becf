#include "effect/anchor_list.h"

#include "effect/anchor_control.h"

#include <algorithm>
#include <cmath>

namespace Anchor {

using Math::float2;
using Math::float3;
using Math::float4;
using Math::float4x4;

namespace {

float2 projected(const float4& clip)
{
    return {clip.x / clip.w, clip.y / clip.w};
}

} // namespace

AnchorItem::AnchorItem(int32_t shape, uint32_t flags, std::shared_ptr<Edit::Object> object,
                       std::shared_ptr<Effect::EffectBase> effect, int32_t id)
    : shape(shape), object(std::move(object)), effect(std::move(effect)), id(id), flags(flags),
      owner(this->effect.get())
{
}

AnchorEvent::AnchorEvent(AnchorControl* control, const std::shared_ptr<Edit::Object>& object,
                         const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, uint32_t flags)
    : control(control), object(object), effect(effect), id(id), flags(flags)
{
}

float4 AnchorEvent::movePoint(const float4& point, const float4x4& matrix, float dx, float dy) const
{
    float4 clip = point * matrix;
    const float wabs = std::max(std::fabs(clip.w), 1.0f);
    float width = 1, height = 1;
    if (control) {
        const AnchorControl::Rect& view = control->viewRect;
        width = std::max(view.right - view.left, 1.0f);
        height = std::max(view.bottom - view.top, 1.0f);
    }
    clip.x += 2.0f * dx * wabs / width;
    clip.y += -2.0f * dy * wabs / height; // pixel y runs down, clip y up
    return clip * Math::inverse(matrix);
}

AnchorItem& AnchorList::rejected()
{
    scratch_ = AnchorItem();
    return scratch_;
}

AnchorItem& AnchorList::addPoint(int32_t shape, const std::shared_ptr<Edit::Object>& object,
                                 const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, const float3& point,
                                 const float4x4& matrix, uint32_t flags)
{
    const float4 clip = Math::point(point) * matrix;
    if (!isVisible(clip))
        return rejected();
    AnchorItem& item = items.emplace_back(shape, flags | Flag::ToolTip, object, effect, id);
    item.points.push_back(projected(clip));
    return item;
}

AnchorItem& AnchorList::addPointAnchor(const std::shared_ptr<Edit::Object>& object,
                                       const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                       const float3& point, float4x4 matrix, uint32_t flags)
{
    return addPoint(Shape::ObjectPoint, object, effect, id, point, matrix, flags);
}

AnchorItem& AnchorList::addFilterPointAnchor(const std::shared_ptr<Edit::Object>& object,
                                             const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                             const float3& point, float4x4 matrix, uint32_t flags)
{
    return addPoint(Shape::FilterPoint, object, effect, id, point, matrix, flags);
}

AnchorItem& AnchorList::addEdgeAnchor(const std::shared_ptr<Edit::Object>& object,
                                      const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                      const float3& point, float4x4 matrix, uint32_t flags)
{
    return addPoint(Shape::EdgePoint, object, effect, id, point, matrix, flags);
}

AnchorItem& AnchorList::addObjectRectangle(const std::shared_ptr<Edit::Object>& object,
                                           const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, int width,
                                           int height, const float4x4& matrix, uint32_t flags)
{
    const float hw = width * 0.5f, hh = height * 0.5f;
    const float4 corners[4] = {
        float4{-hw, hh, 0, 1} * matrix,
        float4{-hw, -hh, 0, 1} * matrix,
        float4{hw, -hh, 0, 1} * matrix,
        float4{hw, hh, 0, 1} * matrix,
    };
    // Clip the quadrilateral at the visibility limit d = w / z - 1 = 0.
    float d[4];
    for (int i = 0; i < 4; ++i)
        d[i] = corners[i].w / corners[i].z - 1.0f;
    float4 clipped[8];
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        const int next = (i + 1) % 4;
        const bool in = d[i] > 0, nextIn = d[next] > 0;
        if (in)
            clipped[count++] = corners[i];
        if (in != nextIn) {
            const float t = d[i] / (d[i] - d[next]);
            clipped[count++] = corners[i] - (corners[i] - corners[next]) * t;
        }
    }
    if (count < 3)
        return rejected();

    AnchorItem& item = items.emplace_back(Shape::ObjectArea, flags | Flag::ToolTip, object, effect, id);
    item.points.reserve(count);
    for (int i = 0; i < count; ++i)
        item.points.push_back(projected(clipped[i]));
    if (flags & (Flag::Snap | Flag::SnapTarget)) {
        // The corners at the depth of the centre snap; others would move with perspective.
        const float centreDepth = (float4{0, 0, 0, 1} * matrix).z;
        item.cornerPoints.reserve(4);
        for (const float4& c : corners)
            if (c.z == centreDepth)
                item.cornerPoints.push_back(projected(c));
    }
    return item;
}

AnchorItem& AnchorList::addAxisHandle(const float4& start, const float4& end,
                                      const std::shared_ptr<Edit::Object>& object,
                                      const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, uint32_t flags,
                                      const float3& point, const float4x4& matrix)
{
    if (!isVisible(start) || !isVisible(end))
        return rejected();
    const float2 s = projected(start), e = projected(end);
    if (s.x == e.x && s.y == e.y)
        return rejected();
    AnchorItem& item = items.emplace_back(Shape::AxisHandle, flags, object, effect, id);
    item.points = {s, e, {s.x + 1.0f / start.w, s.y}};
    item.matrix = matrix;
    item.startPoint = item.currentPoint = Math::point(point);
    item.dragVector1 = {1, 0, 0, 0}; // the value moves by exactly the dragged distance
    return item;
}

void AnchorList::addSizeHandles(const std::shared_ptr<Edit::Object>& object,
                                const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, int width, int height,
                                const float3& base, const float4& offset, const float4x4& objectMatrix,
                                const float4x4& clipMatrix, const float4x4& dragMatrix, uint32_t flags)
{
    const float hw = width * 0.5f, hh = height * 0.5f;
    const float4 c[4] = {{-hw, -hh, 0, 1}, {hw, -hh, 0, 1}, {hw, hh, 0, 1}, {-hw, hh, 0, 1}};
    float4 k[4], o[4];
    for (int i = 0; i < 4; ++i) {
        k[i] = c[i] * clipMatrix;
        o[i] = c[i] * objectMatrix;
    }
    static constexpr uint32_t cornerFlags[4] = {0x2080a0, 0x2080c0, 0x208120, 0x208140};
    for (int i = 0; i < 4; ++i) {
        const int previous = (i + 3) % 4, next = (i + 1) % 4, opposite = (i + 2) % 4;
        addSizeHandle(k[i], k[previous], k[next], object, effect, id, o[i], o[opposite], base, offset, dragMatrix,
                      flags | cornerFlags[i]);
    }
}

AnchorItem& AnchorList::addSizeHandle(const float4& corner, const float4& previous, const float4& next,
                                      const std::shared_ptr<Edit::Object>& object,
                                      const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                      const float4& start, const float4& pivot, const float3& base,
                                      const float4& offset, const float4x4& dragMatrix, uint32_t flags)
{
    if (!isVisible(corner) || !isVisible(previous) || !isVisible(next))
        return rejected();
    auto sameXY = [](const float4& a, const float4& b) { return a.x == b.x && a.y == b.y; };
    if (sameXY(corner, previous) || sameXY(corner, next))
        return rejected();
    AnchorItem& item = items.emplace_back(Shape::SizeHandle, flags, object, effect, id);
    item.points = {projected(corner), projected(previous), projected(next)};
    item.matrix = dragMatrix;
    item.startPoint = item.currentPoint = start;
    item.dragVector1 = pivot;
    item.dragVector2 = offset;
    item.dragBase = Math::point(base);
    return item;
}

AnchorItem& AnchorList::addLine(int32_t shape, const std::shared_ptr<Effect::EffectBase>& owner)
{
    AnchorItem& item = items.emplace_back();
    item.shape = shape;
    item.owner = owner.get();
    return item;
}

void AnchorList::addPolyline(const std::shared_ptr<Effect::EffectBase>& owner, const float4* points, int count,
                             const float4* colour)
{
    int runStart = 0;
    for (int i = 0; i < count; ++i) {
        const bool visible = isVisible(points[i]);
        const bool last = i == count - 1;
        if (visible && !last)
            continue;
        // The run ends here: with this point when it is visible (the last point).
        const int runEnd = visible ? i + 1 : i;
        if (runEnd - runStart >= 2) {
            AnchorItem& item = addLine(colour ? Shape::ColorLine : Shape::Line, owner);
            if (colour)
                item.colour = *colour;
            item.points.reserve(runEnd - runStart);
            for (int j = runStart; j < runEnd; ++j)
                item.points.push_back(projected(points[j]));
        }
        runStart = i + 1;
    }
}

void AnchorList::addMarker(const std::shared_ptr<Effect::EffectBase>& owner, const float4& point, const float4* colour)
{
    if (!isVisible(point))
        return;
    AnchorItem& item = addLine(colour ? Shape::ColorMarker : Shape::Marker, owner);
    if (colour)
        item.colour = *colour;
    item.points.push_back(projected(point));
}

void AnchorList::addPathPoint(const std::shared_ptr<Effect::EffectBase>& owner, const float4& point)
{
    if (!isVisible(point))
        return;
    addLine(Shape::PathPoint, owner).points.push_back(projected(point));
}

AnchorItem& AnchorList::addObjectFrame(const std::shared_ptr<Edit::Object>& object,
                                       const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                       const void* bitmap)
{
    AnchorItem& item =
        items.emplace_back(Shape::ObjectFrame, Flag::Button | Flag::IconButton | Flag::ToolTip, object, effect, id);
    item.bitmap = bitmap;
    item.points = {{0, 0}, {32, 32}};
    return item;
}

} // namespace Anchor
