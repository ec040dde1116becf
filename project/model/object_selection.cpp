#include "project/model/object_selection.h"

#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Edit {

void ObjectSelection::addObject(const std::shared_ptr<Object>& object, const Scene& scene)
{
    if (object->selected) {
        reselected = object.get();
        return;
    }
    if (scene.getLayer(object->layer).layer->lock)
        return;
    hasLayerControl |= object->layerControl;
    maxLayer = objects.empty() ? object->layer : std::max(maxLayer, object->layer);
    reselected = nullptr;
    object->selected = true;
    objects.push_back(object);
}

bool ObjectSelection::addObjectWithGroup(const std::shared_ptr<Object>& object, const Scene& scene)
{
    if (object->selected)
        return false;
    if (!object->group) {
        addObject(object, scene);
        return true;
    }
    for (const auto& member : object->group->getObjectList(scene))
        addObject(member, scene);
    return true;
}

void ObjectSelection::clear()
{
    for (const auto& object : objects)
        object->selected = false;
    objects.clear();
    reselected = nullptr;
    hasLayerControl = false;
    maxLayer = 0;
}

} // namespace Edit
