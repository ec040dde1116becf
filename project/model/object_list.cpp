#include "project/model/object_list.h"

#include "core/failure.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <unordered_map>

namespace Edit {

namespace {

// The first object on the target layer that overlaps [from, to]; null when none.
const Object* findOverlap(const Scene& scene, int layer, long long from, long long to)
{
    const LayerObjectList& list = scene.getLayer(layer);
    auto it = to >= 2147483647LL ? list.objects.end() : list.upperBoundStart(static_cast<int>(to));
    while (it != list.objects.begin()) {
        --it;
        const Object& object = **it;
        if (object.layer != layer)
            continue; // leaving the layer in this transaction
        if (object.end < from)
            break;
        if (object.start <= to)
            return &object;
    }
    return nullptr;
}

} // namespace

void pushObjectCopy(ObjectList& list, const Object& object)
{
    auto copy = std::make_shared<Object>();
    object.copyObjectTo(*copy);
    copy->group = object.group; // shared to tell which copies belong together; not a member
    list.push_back(std::move(copy));
}

ObjectListRange getObjectListRange(const ObjectList& list)
{
    ObjectListRange range;
    bool first = true;
    for (const auto& object : list) {
        if (first) {
            range.minLayer = range.maxLayer = object->layer;
            range.start = object->start;
            range.end = object->end;
            first = false;
        }
        range.minLayer = std::min(range.minLayer, object->layer);
        range.maxLayer = std::max(range.maxLayer, object->layer);
        range.start = std::min(range.start, object->start);
        range.end = std::max(range.end, object->end);
        auto [it, added] = range.layers.emplace(object->layer, ObjectListRange::Span{object->start, object->end});
        if (!added) {
            it->second.start = std::min(it->second.start, object->start);
            it->second.end = std::max(it->second.end, object->end);
        }
    }
    return range;
}

ObjectList pasteObjectList(Scene& scene, const ObjectList& list, int layer, int frame, bool focusFirst,
                           const PlacementRecorder* recorder)
{
    if (list.empty())
        return {};
    const ObjectListRange range = getObjectListRange(list);
    const int layerOffset = layer - range.minLayer;
    long long frameOffset = static_cast<long long>(frame) - range.start;
    for (bool moved = true; moved;) {
        moved = false;
        for (const auto& [source, span] : range.layers) {
            const Object* overlap =
                findOverlap(scene, source + layerOffset, span.start + frameOffset, span.end + frameOffset);
            if (overlap) {
                // Past that object, then every layer is checked again.
                frameOffset = static_cast<long long>(overlap->end) - span.start + 1;
                moved = true;
                break;
            }
        }
    }
    if (frameOffset + range.end > FrameLimit)
        throw System::makeException("Edit::pasteObjectList", "invalid frame number.", nullptr);
    return placeObjectList(scene, list, layerOffset, static_cast<int>(frameOffset), focusFirst, recorder);
}

bool canPlaceObjectList(const Scene& scene, const ObjectListRange& range, int frameOffset, int& layerOffset)
{
    for (const auto& [source, span] : range.layers) {
        if (findOverlap(scene, source + layerOffset, static_cast<long long>(span.start) + frameOffset,
                        static_cast<long long>(span.end) + frameOffset)) {
            ++layerOffset;
            return false;
        }
    }
    return true;
}

ObjectList placeObjectList(Scene& scene, const ObjectList& list, int layerOffset, int frameOffset, bool focusFirst,
                           const PlacementRecorder* recorder)
{
    constexpr const char* Place = "Edit::placeObjectList";
    // Every copy is made and checked before the first is placed.
    ObjectList placed;
    placed.reserve(list.size());
    for (const auto& source : list) {
        const long long layer = static_cast<long long>(source->layer) + layerOffset;
        const long long start = static_cast<long long>(source->start) + frameOffset;
        const long long end = static_cast<long long>(source->end) + frameOffset;
        if (layer < 0 || layer >= LayerLimit)
            throw System::makeException(Place, "invalid layer number.", nullptr);
        if (start < 0 || end > FrameLimit)
            throw System::makeException(Place, "invalid frame number.", nullptr);
        auto copy = std::make_shared<Object>();
        source->copyObjectTo(*copy);
        copy->layer = -1;
        copy->start = static_cast<int>(start);
        copy->end = static_cast<int>(end);
        placed.push_back(std::move(copy));
    }
    std::unordered_map<const Group*, std::shared_ptr<Group>> groups;
    for (size_t i = 0; i < list.size(); ++i) {
        const std::shared_ptr<Object>& object = placed[i];
        scene.moveObjectLayer(object, list[i]->layer + layerOffset);
        if (recorder && recorder->objectCreated)
            recorder->objectCreated(object);
        if (const Group* source = list[i]->group.get()) {
            std::shared_ptr<Group>& group = groups[source];
            if (!group)
                group = std::make_shared<Group>();
            if (recorder && recorder->groupJoining)
                recorder->groupJoining(object);
            object->group = group;
            group->members.insert(object.get());
        }
    }
    if (focusFirst && !placed.empty())
        scene.focusObject = placed.front();
    return placed;
}

} // namespace Edit
