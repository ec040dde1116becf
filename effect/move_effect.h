#pragma once
// The anchor family of the effects that position an object (outputs, camera
// and group controls): the object's outline or point for its current place,
// the focus object's section points, axis handles under a camera, size
// handles, the movement path, and dragging them back into X, Y, Z and zoom.
#include "effect/anchor_effect.h"

namespace Effect {

class MoveEffect : public AnchorEffectBase {
public:
    using AnchorEffectBase::AnchorEffectBase;

    void setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                         int height) override;
    // Object and section handles move X, Y, Z (snapping when allowed), axis
    // handles one of them, size handles the size and the position.
    void moveAnchor(Anchor::AnchorEvent& event) override;
    // The object's origin at the time through world x view.
    Math::float4 getAnchorPosition(Render::RenderObject& object, double time) override;

    // The item a size handle edits: the source's "サイズ" when this is an
    // output over a source whose size does not move, else the zoom.
    EffectItemNumber* getSizeItem(const Render::RenderObject& object) const;
    // Moves a dragged point onto a snap target within 8 preview pixels.
    void snapPoint(const Anchor::AnchorEvent& event, Math::float4& point) const;
    // A size handle drag: size and position so that the opposite corner stays.
    void moveSizeHandle(Anchor::AnchorEvent& event);

    EffectItemNumber* zoomItem = nullptr; // the effect's own zoom

protected:
    // Whether handles show the object as a point: the render object asks for
    // it, or the edit setting puts section handles at the centre. Computed per
    // frame from the render object, so two renders never share it.
    static bool pointMode(const Render::RenderObject& object);
    // The drawing state with the X, Y, Z values at the current frame added:
    // the output view of the camera and group controls.
    Render::RenderObject::DrawState getPositionedView(const Render::RenderObject& object) const;

private:
    void setObjectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width, int height,
                         uint32_t flags);
    void setFocusAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width, int height,
                        int point);
    void setPointSectionAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                               int height, int point, uint32_t flags);
    // Every position item's movement (and the size item's) reaches its values
    // at the section points, so a handle between points edits them.
    bool passesPoints(const EffectItemNumber* size) const;
};

} // namespace Effect
