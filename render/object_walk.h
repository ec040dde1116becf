#pragma once
// The walk over a render object's object list that the video and audio chain
// drivers share (included by their sources only).
#include "project/model/object.h"
#include "render/render_object.h"

namespace Render {

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
