// Length changes of one object: they never move it over a neighbour on its layer.
#include "project/model/layer_object_manager.h"
#include "project/model/object.h"

#include <algorithm>
#include <climits>

namespace Edit {

int LayerObjectManager::previousEnd(const Object& object) const
{
    int limit = INT_MIN;
    for (const auto& other : getLayer(object.layer).objects) {
        if (other.get() != &object && other->layer == object.layer && other->start < object.start)
            limit = std::max(limit, other->end);
    }
    return limit;
}

int LayerObjectManager::nextStart(const Object& object, int afterEnd) const
{
    int limit = INT_MAX;
    for (const auto& other : getLayer(object.layer).objects) {
        if (other.get() != &object && other->layer == object.layer && other->end > afterEnd)
            limit = std::min(limit, other->start);
    }
    return limit;
}

void LayerObjectManager::markFramesChanged(const Object& object)
{
    if (object.layer < 0 || object.layer >= layers.size())
        return;
    LayerObjectList& list = layers.at(object.layer);
    list.needSort = true;
    list.needRangeUpdate |= object.layerControl;
}

void LayerObjectManager::setObjectLength(Object& object, int length, bool keepEnd)
{
    if (!object.midPoints.empty())
        return;
    const long long d = length >= 2 ? length - 1LL : 0LL;
    if (object.start + d == object.end)
        return;
    if (d < static_cast<long long>(object.end) - object.start) {
        if (keepEnd)
            object.start = static_cast<int>(object.end - d);
        else
            object.end = static_cast<int>(object.start + d);
    } else if (keepEnd) {
        const long long earliest = static_cast<long long>(previousEnd(object)) + 1;
        object.start = static_cast<int>(std::max({object.end - d, earliest, 0LL}));
    } else {
        const long long latest = static_cast<long long>(nextStart(object, object.end)) - 1;
        object.end = static_cast<int>(std::min({object.start + d, latest, static_cast<long long>(FrameLimit)}));
    }
    markFramesChanged(object);
}

void LayerObjectManager::stretchObject(Object& object, int length)
{
    const long long latest = std::min(static_cast<long long>(nextStart(object, object.end)) - 1,
                                      static_cast<long long>(FrameLimit));
    // A length below 1 is one frame.
    const int newEnd =
        static_cast<int>(std::min(static_cast<long long>(object.start) + std::max(length, 1) - 1, latest));
    if (newEnd == object.end)
        return;
    const int span = object.end - object.start;
    const float factor = static_cast<float>(newEnd - object.start) / static_cast<float>(span < 2 ? 1 : span);
    int previous = 0;
    for (int& offset : object.midPoints) {
        offset = std::max(previous + 1, static_cast<int>(static_cast<float>(offset) * factor));
        previous = offset;
    }
    // Mid points keep at least one frame each, so the end may stay beyond the
    // request; an object without them may become one frame long.
    object.end = object.midPoints.empty() ? newEnd : std::max(object.start + previous + 1, newEnd);
    markFramesChanged(object);
}

void LayerObjectManager::setSectionLength(Object& object, int section, int length)
{
    const int n = static_cast<int>(object.midPoints.size());
    if (section < 0 || section > n)
        return;
    // A section between mid points, or one that ends at a mid point, keeps at least one frame.
    if (n > 0)
        length = std::max(length, 1);
    length = std::max(length, 0);
    const int b = object.getSectionStart(section);
    const int c = section < n ? object.start + object.midPoints[section] : object.end;
    const long long latest = std::min(static_cast<long long>(nextStart(object, object.end)) - 1,
                                      static_cast<long long>(FrameLimit));
    const int newEnd = static_cast<int>(std::min(static_cast<long long>(object.end) + length - (c - b), latest));
    const int delta = newEnd - object.end;
    for (int k = section; k < n; ++k)
        object.midPoints[k] += delta;
    object.end = newEnd;
    markFramesChanged(object);
}

} // namespace Edit
