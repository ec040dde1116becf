#include "render/render_object.h"

#include "project/object.h"

namespace Render {

void RenderObject::setObject(const std::shared_ptr<Edit::Object>& entry)
{
    if (object == entry)
        return;
    resetObject(entry);
}

void RenderObject::resetObject(const std::shared_ptr<Edit::Object>& entry)
{
    object = entry;
    if (object)
        sectionPosition.setPosition(*object, frame, time);
}

} // namespace Render
