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

// ---- LayerTable ----

LayerTable::LayerTable() = default;

LayerTable::~LayerTable() = default;

void LayerTable::grow(int count)
{
    size_ = std::max(size_, count);
}

std::unique_ptr<LayerObjectList>& LayerTable::slot(int layer)
{
    const size_t page = static_cast<size_t>(layer) / PageSize;
    if (pages_.size() <= page)
        pages_.resize(page + 1);
    if (!pages_[page])
        pages_[page] = std::make_unique<Page>();
    return (*pages_[page])[static_cast<size_t>(layer) % PageSize];
}

LayerObjectList& LayerTable::at(int layer)
{
    std::unique_ptr<LayerObjectList>& list = slot(layer);
    if (!list)
        list = std::make_unique<LayerObjectList>(layer);
    return *list;
}

LayerObjectList* LayerTable::find(int layer) const
{
    if (layer < 0 || layer >= size_)
        return nullptr;
    const size_t page = static_cast<size_t>(layer) / PageSize;
    if (page >= pages_.size() || !pages_[page])
        return nullptr;
    return (*pages_[page])[static_cast<size_t>(layer) % PageSize].get();
}

void LayerTable::swap(int a, int b)
{
    if (a == b || (!find(a) && !find(b)))
        return;
    std::unique_ptr<LayerObjectList>& first = slot(a);
    std::unique_ptr<LayerObjectList>& second = slot(b);
    std::swap(first, second);
    if (first)
        first->layer->index = a;
    if (second)
        second->layer->index = b;
}

void LayerTable::reset()
{
    pages_.clear();
    size_ = 1;
}

} // namespace Edit
