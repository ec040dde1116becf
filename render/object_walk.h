#pragma once
// The walks the video and audio sides share (included by their sources only):
// over a render object's object list, and the plans' walk down the layers
// with the group controls that reach each one.
#include "project/model/object.h"
#include "render/render_object.h"

#include <memory>
#include <vector>

namespace Render {

class ControlView;

// The layers below a control object that it governs: its first effect's
// layer range, where 0 reaches every layer below.
int layerRange(const Edit::Object& control);
// The last layer a control object governs: its own when it is no layer control.
int controlEnd(const Edit::Object& control);

// The records of the group controls open over the layer a plan is at,
// outermost first (the video plan's group controls, the audio plan's group
// audio controls).
class GroupWalk {
public:
    // Moving to a layer: the groups that end above it close. The record of
    // the innermost group still open, or null.
    std::shared_ptr<ControlView> enter(int layer);
    // A group control met on the current layer: a new record whose parent is
    // the innermost open group's, open over the layers the control governs.
    std::shared_ptr<ControlView> open(const std::shared_ptr<Edit::Object>& group);

private:
    struct Entry {
        std::shared_ptr<ControlView> record;
        int endLayer;
    };
    std::vector<Entry> open_;
};

template <class Visit>
void RenderFramePart::walkObjectList(Visit&& visit)
{
    if (!objectList)
        return;
    // The object current before the walk comes back however the walk ends.
    struct Restore {
        RenderFramePart& self;
        std::shared_ptr<Edit::Object> previous;
        ~Restore()
        {
            if (self.object != previous)
                self.resetObject(previous);
        }
    } restore{*this, object};
    // The list is held for the walk: an effect may replace the object list.
    const std::shared_ptr<ObjectList> list = objectList;
    for (const std::shared_ptr<Edit::Object>& entry : *list) {
        setObject(entry);
        if (!visit(*entry))
            return;
    }
}

} // namespace Render
