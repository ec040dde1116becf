#pragma once
// Effects whose parameters place something in the picture let the user drag
// handles for them in the preview. While a preview frame renders they register
// their handles in the frame's anchor list; a click or drag comes back as an
// AnchorEvent, which they turn into new values of their point items (X and Y,
// or X, Y and Z) inside the preview's edit transaction.
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"

#include <memory>
#include <vector>

namespace Anchor {
class AnchorItem;
class AnchorList;
} // namespace Anchor

namespace Effect {

class AnchorEffectBase : public EffectBase {
public:
    using EffectBase::EffectBase;

    // Registers the effect's handles for the render object's frame: nothing
    // for a locked effect or layer, filters only on the scene's focus object.
    void createAnchor(Render::RenderObject& object, int width, int height) override;
    // 1: a drag step; 2: activation (the clipping frame button, or the
    // section of a point in the settings window); 3: the cursor to a point.
    bool anchorEvent(Anchor::AnchorEvent& event) override;

    // Every handle of the effect at the current frame.
    virtual void setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                                 int height) = 0;
    // One drag step.
    virtual void moveAnchor(Anchor::AnchorEvent& event) = 0;
    // A point handle: a filter point for filters, an object point otherwise.
    virtual Anchor::AnchorItem& setPointAnchor(Anchor::AnchorList& list, const std::shared_ptr<Edit::Object>& object,
                                               const std::shared_ptr<EffectBase>& self, int id,
                                               const Math::float3& point, Math::float4x4 matrix, uint32_t flags);
    // The handle of the point at the current frame; the base throws.
    virtual void setCurrentAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id,
                                  uint32_t flags);
    // The handle of section point p; the base throws.
    virtual void setSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int point,
                                  uint32_t flags);
    // The anchor point at a time, in clip space; moves the render object there.
    virtual Math::float4 getAnchorPosition(Render::RenderObject& object, double time) = 0;
    // A marker at the point: in the style colour "Anchor" for filters.
    virtual void setMarkAnchor(Anchor::AnchorList& list, const std::shared_ptr<EffectBase>& self,
                               const Math::float3& point, const Math::float4x4& matrix);

    // The path of the anchor point over the object, when a point item moves
    // and every movement draws a path.
    void setMovementPathAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self);
    // setPointAnchor, then the drag record: the matrix and the point (x, y, z, 1).
    Anchor::AnchorItem& addPointAnchorWithDrag(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self,
                                               int id, uint32_t flags, const Math::float3& point,
                                               const Math::float4x4& matrix);

    // X and Y, or X, Y and Z, in this order; owned by the concrete effect.
    EffectItemNumber::Group* pointItems = nullptr;

protected:
    enum class StyleColour { Anchor, CenterGroup };
    // A marker colour of the style settings ([Color] of style.conf).
    static Math::float4 getStyleColour(StyleColour which);
    // The object being drawn is the scene's focus object.
    static bool isFocus(const Render::RenderObject& object);
    // Some point item holds two or more values.
    bool isMoving() const;
    // The checks before a section point's handle: false when the point gets
    // none; otherwise the value index of each point item at p.
    bool sectionPointIndices(const Edit::Object& object, int point, int indices[3]) const;
    // Where the drag has taken the event's point: its start point moved by the
    // drag offset. False when the step must change nothing: no object, or a
    // point on a collapsed plane (zoom 0, aspect at its limit) that no pixel
    // offset maps back into.
    static bool getDraggedPoint(const Anchor::AnchorEvent& event, Math::float4& point);
    // Frame of section point p: start, a mid-point, or end.
    static int pointFrame(const Edit::Object& object, int point);
};

// Filters with an X/Y point of their own in the object's plane.
class MoveXYAnchorEffect : public AnchorEffectBase {
public:
    using AnchorEffectBase::AnchorEffectBase;

    void setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                         int height) override;
    void moveAnchor(Anchor::AnchorEvent& event) override;
    void setCurrentAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int id,
                          uint32_t flags) override;
    void setSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int point,
                          uint32_t flags) override;
    Math::float4 getAnchorPosition(Render::RenderObject& object, double time) override;

protected:
    // Object space of the filter's point to clip space: the drawing state as
    // the output places the object, with its centre zeroed.
    static Math::float4x4 pointMatrix(Render::RenderObject& object);
};

// Effects with an X/Y/Z point; they bring their own registration.
class MoveXYZAnchorEffect : public AnchorEffectBase {
public:
    using AnchorEffectBase::AnchorEffectBase;

    void moveAnchor(Anchor::AnchorEvent& event) override;
};

} // namespace Effect
