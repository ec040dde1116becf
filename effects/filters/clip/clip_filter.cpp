#include "effects/filters/clip/clip_filter.h"

#include "effect/anchor_list.h"
#include "effect/movement.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"

namespace Effect {

ClipFilter::ClipFilter() : FilterEffect(Name, L"クリッピング") {}

Picture ClipFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int t = roundToInt(top.getValue(object)), b = roundToInt(bottom.getValue(object));
    const int l = roundToInt(left.getValue(object)), r = roundToInt(right.getValue(object));
    if (t == 0 && b == 0 && l == 0 && r == 0)
        return picture;
    const int w = widthOf(*picture) - l - r, h = heightOf(*picture) - t - b;
    if (w <= 0 || h <= 0)
        return nullptr;
    Picture out = newPicture(w, h);
    out->copyRegion(*picture, l, t, w, h);
    // Keeps the remaining pixels where they were in the frame.
    if (!moveCenter.value) {
        object.drawState.cx -= static_cast<float>(l - r) * 0.5f;
        object.drawState.cy -= static_cast<float>(t - b) * 0.5f;
    }
    return out;
}

void ClipFilter::createAnchor(Render::RenderObject& object, int width, int height)
{
    if (!object.anchors || !object.object || !object.scene || lock)
        return;
    const Edit::Object& drawn = *object.object;
    if (object.scene->focusObject != object.object)
        return;
    if (object.scene->getLayer(drawn.layer).layer->lock)
        return;
    std::shared_ptr<EffectBase> self;
    for (const std::shared_ptr<EffectBase>& effect : drawn.effects)
        if (effect.get() == this)
            self = effect;
    if (!self)
        return;
    const Math::float4x4 transform = object.getOutputView().getWorldViewMatrix();
    const float w = static_cast<float>(width) * 0.5f, h = static_cast<float>(height) * 0.5f;
    addEdgeAnchor(object, self, left, {-w, 0, 0}, transform, Left);
    addEdgeAnchor(object, self, top, {0, -h, 0}, transform, Top);
    addEdgeAnchor(object, self, right, {w, 0, 0}, transform, Right);
    addEdgeAnchor(object, self, bottom, {0, h, 0}, transform, Bottom);
}

void ClipFilter::addEdgeAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                               EffectItemNumber& item, const Math::float3& point, const Math::float4x4& transform,
                               uint32_t flag)
{
    if (item.movement != NoMove::instance && !item.isAnchorEditable(object))
        return;
    const Render::SectionPosition& position = object.sectionPosition;
    int id;
    if (object.frame >= object.object->end)
        id = position.sectionIndex + 1;
    else if (position.sectionTime != 0)
        id = EffectItemNumber::AllPoints;
    else
        id = position.sectionIndex;
    Anchor::AnchorItem& anchor = object.anchors->addEdgeAnchor(object.object, self, id, point, transform, flag);
    anchor.matrix = transform;
    anchor.startPoint = anchor.currentPoint = Math::point(point);
}

bool ClipFilter::anchorEvent(Anchor::AnchorEvent& event)
{
    if (event.kind != Anchor::AnchorEvent::Drag)
        return false;
    if (!event.object)
        return true;
    const Math::float4 moved = event.movePoint(event.startPoint, event.matrix, static_cast<float>(event.dragOffset.x),
                                               static_cast<float>(event.dragOffset.y));
    if (!Math::isFinite(moved))
        return true;
    const float dx = moved.x - event.currentPoint.x, dy = moved.y - event.currentPoint.y;
    bool changed = false;
    if (event.flags & Left)
        changed = left.addAnchorValue(event.id, *event.object, dx) || changed;
    if (event.flags & Right)
        changed = right.addAnchorValue(event.id, *event.object, -dx) || changed;
    if (event.flags & Top)
        changed = top.addAnchorValue(event.id, *event.object, dy) || changed;
    if (event.flags & Bottom)
        changed = bottom.addAnchorValue(event.id, *event.object, -dy) || changed;
    // A drag held at a bound does not pile up: the point follows only real changes.
    if (changed)
        event.currentPoint = moved;
    return true;
}

} // namespace Effect
