#include "project/model/layer_object_list.h"

#include "project/model/layer.h"
#include "project/model/object.h"

#include <algorithm>
#include <cstdlib>

namespace Edit {

namespace {
const std::shared_ptr<Object> noObject;
}

LayerObjectList::LayerObjectList(int index) : layer(std::make_shared<Layer>())
{
    layer->index = index;
}

LayerObjectList::~LayerObjectList() = default;

LayerObjectList::ObjectVector::const_iterator LayerObjectList::lowerBoundEnd(int frame) const
{
    return std::lower_bound(objects.begin(), objects.end(), frame,
                            [](const std::shared_ptr<Object>& o, int f) { return o->end < f; });
}

LayerObjectList::ObjectVector::const_iterator LayerObjectList::upperBoundStart(int frame) const
{
    return std::upper_bound(objects.begin(), objects.end(), frame,
                            [](int f, const std::shared_ptr<Object>& o) { return f < o->start; });
}

const std::shared_ptr<Object>& LayerObjectList::findNearestObject(int from, int to) const
{
    const long long mid = (static_cast<long long>(from) + to) / 2;
    const std::shared_ptr<Object>* best = &noObject;
    long long bestDistance = 0;
    for (auto it = lowerBoundEnd(from); it != objects.end() && (*it)->start <= to; ++it) {
        const long long distance = std::min(std::llabs((*it)->start - mid), std::llabs((*it)->end - mid));
        if (!*best || distance < bestDistance) {
            best = &*it;
            bestDistance = distance;
        }
    }
    return *best;
}

void LayerObjectList::removeObject(const Object* object)
{
    auto it = std::find_if(objects.begin(), objects.end(),
                           [object](const std::shared_ptr<Object>& o) { return o.get() == object; });
    if (it != objects.end())
        objects.erase(it);
}

std::shared_ptr<Layer> LayerObjectList::replaceLayer()
{
    std::shared_ptr<Layer> old = std::move(layer);
    layer = std::make_shared<Layer>();
    layer->index = old->index;
    old->index = -1;
    return old;
}

} // namespace Edit
