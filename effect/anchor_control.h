#pragma once
// The preview's anchor part without drawing: it lays the items of the frame
// shown out in pixels on the picture rectangle, keeps the items that can be
// clicked and the snap targets, and builds the events of clicks and drags.
// The preview control derives from it and adds drawing, hover and the choice
// among several hit items. Main thread only.
#include "effect/anchor_list.h"

#include <memory>
#include <vector>

namespace Edit { class Scene; }

namespace Anchor {

class AnchorControl {
public:
    struct Rect {
        float left = 0, top = 0, right = 0, bottom = 0;
    };
    // A snap target in normalised device coordinates, with the object it
    // belongs to (null for the picture's corners).
    struct SnapPoint {
        const Edit::Object* object;
        float x, y;
    };

    // Lays out every item of the list (algorithm of the preview): projects the
    // points, stacks icon buttons down the right edge, and rebuilds the
    // interactive and snap lists. Run after a new list arrives and whenever
    // the picture rectangle changes.
    void layoutAnchors();
    // The laid-out item of that object, effect, id and flags; null when absent.
    const AnchorItem* findItem(const Edit::Object* object, const Effect::EffectBase* effect, int32_t id,
                               uint32_t flags) const;
    // The event of an item: its references, values and drag record.
    AnchorEvent makeEvent(const AnchorItem& item, int32_t kind);
    // Stores the offset of a drag step: with Shift only the larger component
    // stays (x on a tie), except on camera view handles; dragStep is the change.
    static void setDragOffset(AnchorEvent& event, int32_t x, int32_t y, bool shift);

    Rect viewRect;                  // the picture in control pixels
    float controlWidth = 0;         // the control's width: icons stay inside it
    const Edit::Scene* scene = nullptr; // the scene of the frame shown
    std::shared_ptr<AnchorList> anchorList;
    std::vector<AnchorItem*> interactiveItems; // the items with an effect, in list order
    std::vector<SnapPoint> snapPoints;         // object snap targets, then the picture's corners
};

} // namespace Anchor
