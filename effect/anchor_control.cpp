#include "effect/anchor_control.h"

#include <algorithm>
#include <cmath>

namespace Anchor {

using Math::float2;

namespace {

float distance(const float2& a, const float2& b)
{
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Distance of p from the infinite line through a and b (from a when they coincide).
float lineDistance(const float2& p, const float2& a, const float2& b)
{
    const float length = distance(a, b);
    if (length == 0)
        return distance(p, a);
    return std::fabs((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) / length;
}

// Nonzero winding: an edge crossing upwards right of the point counts +1, downwards -1.
bool insidePolygon(const std::vector<float2>& v, float x, float y)
{
    int winding = 0;
    const size_t n = v.size();
    for (size_t i = 0; i < n; ++i) {
        const float2& a = v[(i + n - 1) % n];
        const float2& b = v[i];
        const float side = (b.x - a.x) * (y - a.y) - (x - a.x) * (b.y - a.y);
        if (a.y <= y) {
            if (b.y > y && side > 0)
                ++winding;
        } else if (b.y <= y && side < 0) {
            --winding;
        }
    }
    return winding != 0;
}

} // namespace

void AnchorItem::projectToScreen(float cx, float cy, float sx, float sy)
{
    pixelPoints.resize(points.size());
    float2 sum;
    for (size_t i = 0; i < points.size(); ++i) {
        pixelPoints[i] = {cx + points[i].x * sx, cy + points[i].y * sy};
        sum.x += pixelPoints[i].x;
        sum.y += pixelPoints[i].y;
    }
    const float n = static_cast<float>(std::max<size_t>(points.size(), 1));
    screenPosition = {sum.x / n, sum.y / n};
    hitBias = 0;

    if (shape == Shape::ObjectArea && !pixelPoints.empty()) {
        const size_t count = pixelPoints.size();
        for (size_t i = 0; i < count; ++i) {
            const float2& v = pixelPoints[i];
            const float2& previous = pixelPoints[(i + count - 1) % count];
            if (distance(v, screenPosition) < 1.0f || lineDistance(screenPosition, previous, v) < 8.0f) {
                widenOutline();
                break;
            }
        }
        float radius = 0;
        for (const float2& p : pixelPoints)
            radius = std::max(radius, distance(p, screenPosition));
        hitBias = 2.0f * radius;
    } else if (shape == Shape::SizeHandle && pixelPoints.size() >= 3) {
        // Keep the square clear of its neighbouring corners: push it away from
        // each one closer than 16 pixels by half the shortfall.
        const float2 p0 = pixelPoints[0];
        float2 push;
        for (int k = 1; k <= 2; ++k) {
            const float2& pk = pixelPoints[k];
            const float d = distance(p0, pk);
            if (d > 0 && d < 16.0f) {
                const float f = (16.0f - d) * 0.5f / d;
                push.x += (p0.x - pk.x) * f;
                push.y += (p0.y - pk.y) * f;
            }
        }
        pixelPoints[0] = {p0.x + push.x, p0.y + push.y};
    } else if (shape == Shape::AxisHandle && pixelPoints.size() >= 3) {
        // The axis is drawn at a fixed length whatever the depth: its end is
        // scaled by the pixels one unit spans at the start.
        const float2 p0 = pixelPoints[0], p1 = pixelPoints[1];
        const float d = distance(pixelPoints[2], p0);
        pixelPoints[1] = d > 0 ? float2{p0.x + (p1.x - p0.x) / d, p0.y + (p1.y - p0.y) / d} : p0;
    }
}

void AnchorItem::widenOutline()
{
    const size_t n = pixelPoints.size();
    if (n == 0)
        return;
    // The longest edge, starting with the one from the last vertex to the first.
    size_t longest = 0;
    float longestLength = -1;
    for (size_t i = 0; i < n; ++i) {
        const float length = distance(pixelPoints[(i + n - 1) % n], pixelPoints[i]);
        if (length > longestLength) {
            longestLength = length;
            longest = i;
        }
    }
    const float2 c = screenPosition;
    if (longestLength < 1.0f) {
        pixelPoints = {{c.x - 8, c.y - 8}, {c.x + 8, c.y - 8}, {c.x + 8, c.y + 8}, {c.x - 8, c.y + 8}};
        return;
    }
    const float2& a = pixelPoints[(longest + n - 1) % n];
    const float2& b = pixelPoints[longest];
    const float ux = (b.x - a.x) / longestLength, uy = (b.y - a.y) / longestLength;
    // In the frame of the edge: u along it, v across it.
    float minU = INFINITY, maxU = -INFINITY, minV = INFINITY, maxV = -INFINITY;
    for (const float2& p : pixelPoints) {
        const float u = p.x * ux + p.y * uy, v = -p.x * uy + p.y * ux;
        minU = std::min(minU, u);
        maxU = std::max(maxU, u);
        minV = std::min(minV, v);
        maxV = std::max(maxV, v);
    }
    auto widen = [](float& low, float& high) {
        const float shortfall = 16.0f - (high - low);
        if (shortfall > 0) {
            low -= shortfall * 0.5f;
            high += shortfall * 0.5f;
        }
    };
    widen(minU, maxU);
    widen(minV, maxV);
    auto back = [&](float u, float v) { return float2{u * ux - v * uy, u * uy + v * ux}; };
    pixelPoints = {back(minU, minV), back(maxU, minV), back(maxU, maxV), back(minU, maxV)};
}

bool AnchorItem::hitTest(float x, float y) const
{
    if (pixelPoints.empty())
        return false;
    const float2 p{x, y};
    const float2& p0 = pixelPoints[0];
    switch (shape) {
    case Shape::ObjectFrame:
        return pixelPoints.size() >= 2 && p0.x <= x && x <= pixelPoints[1].x && p0.y <= y && y <= pixelPoints[1].y;
    case Shape::AxisHandle:
        return pixelPoints.size() >= 2 && distance(p, pixelPoints[1]) <= 5.0f;
    case Shape::SizeHandle:
        return std::fabs(x - p0.x) <= 6.0f && std::fabs(y - p0.y) <= 6.0f;
    case Shape::FilterPoint:
        return distance(p, p0) <= 20.0f;
    case Shape::EdgePoint:
        return distance(p, p0) <= 10.0f;
    case Shape::ObjectPoint:
        return distance(p, p0) <= 36.0f;
    case Shape::ObjectArea:
        return insidePolygon(pixelPoints, x, y);
    default:
        return false;
    }
}

void AnchorControl::layoutAnchors()
{
    const float cx = (viewRect.left + viewRect.right) * 0.5f;
    const float cy = (viewRect.top + viewRect.bottom) * 0.5f;
    const float sx = std::max(1.0f, viewRect.right - viewRect.left) * 0.5f;
    const float sy = std::max(1.0f, viewRect.bottom - viewRect.top) * 0.5f;
    interactiveItems.clear();
    snapPoints.clear();
    float iconOffset = 0;
    if (anchorList) {
        for (AnchorItem& item : anchorList->items) {
            if ((item.flags & Flag::IconButton) && item.points.size() >= 2) {
                const float w = item.points[1].x, h = item.points[1].y;
                const float right = std::min(controlWidth, viewRect.right);
                const float top = std::max(viewRect.top, 0.0f) + iconOffset;
                item.pixelPoints = {{right - w, top}, {right, top + h}};
                item.screenPosition = {right - w * 0.5f, top + h * 0.5f};
                item.hitBias = 0;
                iconOffset += h;
            } else {
                item.projectToScreen(cx, cy, sx, -sy);
            }
            if (item.effect)
                interactiveItems.push_back(&item);
            if (item.flags & Flag::SnapTarget)
                for (const float2& p : item.cornerPoints)
                    snapPoints.push_back({item.object.get(), p.x, p.y});
        }
    }
    snapPoints.push_back({nullptr, 1, 1});
    snapPoints.push_back({nullptr, -1, -1});
}

const AnchorItem* AnchorControl::findItem(const Edit::Object* object, const Effect::EffectBase* effect, int32_t id,
                                          uint32_t flags) const
{
    for (const AnchorItem* item : interactiveItems)
        if (item->object.get() == object && item->effect.get() == effect && item->id == id && item->flags == flags)
            return item;
    return nullptr;
}

AnchorEvent AnchorControl::makeEvent(const AnchorItem& item, int32_t kind)
{
    AnchorEvent event(this, item.object, item.effect, item.id, item.flags);
    event.kind = kind;
    static_cast<DragRecord&>(event) = item;
    event.label = item.label;
    event.valueCount = item.valueCount;
    return event;
}

void AnchorControl::setDragOffset(AnchorEvent& event, int32_t x, int32_t y, bool shift)
{
    if (shift && !(event.flags & Flag::CameraView)) {
        if (std::abs(x) < std::abs(y))
            x = 0;
        else
            y = 0;
    }
    event.dragStep = {x - event.dragOffset.x, y - event.dragOffset.y};
    event.dragOffset = {x, y};
}

} // namespace Anchor
