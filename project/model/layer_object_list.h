#pragma once
// The objects of one layer, sorted by start frame, with the layer's record and
// the frame ranges of its layer-control objects. Sorting, dropping departed
// objects and rebuilding the ranges wait for the scene's re-index pass.
#include <memory>
#include <vector>

namespace Edit {

class Object;
struct Layer;

// The frames and reach of one layer-control object.
struct ControlRange {
    int start;
    int end;
    int layerRange; // layers below it that it controls
};

class LayerObjectList {
public:
    using ObjectVector = std::vector<std::shared_ptr<Object>>;

    explicit LayerObjectList(int index);
    ~LayerObjectList();

    // The first object whose end frame is at or after frame.
    ObjectVector::const_iterator lowerBoundEnd(int frame) const;
    // The first object whose start frame is after frame.
    ObjectVector::const_iterator upperBoundStart(int frame) const;
    // Among the objects that touch [from, to], the one with an edge nearest to
    // its middle (the first on a tie); empty when none. from == to finds the
    // object covering that frame.
    const std::shared_ptr<Object>& findNearestObject(int from, int to) const;
    // Removes the entry of that object, keeping the order of the rest.
    void removeObject(const Object* object);
    // Detaches the record (index -1), installs a fresh one with the old index
    // and returns the old one.
    std::shared_ptr<Layer> replaceLayer();

    ObjectVector objects;
    bool needSort = false;        // an object was added or its frames changed
    bool needRemove = false;      // an object left the layer
    bool needRangeUpdate = false; // a layer-control object was added, moved or resized
    std::shared_ptr<Layer> layer;
    std::vector<ControlRange> controlRanges; // one per layer-control object, in object order
};

} // namespace Edit
