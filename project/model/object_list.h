#pragma once
// Lists of detached object copies (the object clipboard, duplicates, object
// aliases) and their placement into a scene without overlapping what is there.
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace Edit {

class Object;
class Scene;

using ObjectList = std::vector<std::shared_ptr<Object>>;

// Where a list lies: its layers and frames, and the frames it covers per layer.
struct ObjectListRange {
    struct Span {
        int start;
        int end;
    };
    int minLayer = 0;
    int maxLayer = 0;
    int start = 0;
    int end = 0;
    std::map<int, Span> layers;
};

// What a placement tells the undo recording of the transaction around it.
struct PlacementRecorder {
    std::function<void(const std::shared_ptr<Object>&)> objectCreated; // after the object is placed
    std::function<void(const std::shared_ptr<Object>&)> groupJoining;  // before it joins its new group
};

// Appends a copy of the object, not placed anywhere, that shares its group.
void pushObjectCopy(ObjectList& list, const Object& object);
ObjectListRange getObjectListRange(const ObjectList& list);
// Places the list with its lowest layer at `layer` and its earliest start at
// `frame`, moved later in time until no layer's span overlaps an object.
ObjectList pasteObjectList(Scene& scene, const ObjectList& list, int layer, int frame, bool focusFirst,
                           const PlacementRecorder* recorder = nullptr);
// Whether the list fits at the offsets; on an overlap moves layerOffset one layer down and says no.
bool canPlaceObjectList(const Scene& scene, const ObjectListRange& range, int frameOffset, int& layerOffset);
// Places copies of the list's objects at the offsets; copies of members of one
// group form one new group. Nothing is placed when a copy cannot be made or
// would land outside the scene's layers or frames. Returns the placed objects.
ObjectList placeObjectList(Scene& scene, const ObjectList& list, int layerOffset, int frameOffset, bool focusFirst,
                           const PlacementRecorder* recorder = nullptr);

} // namespace Edit
