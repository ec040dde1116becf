#pragma once
// The objects of one layer, sorted by start frame, with the layer's record and
// the frame ranges of its layer-control objects. Sorting, dropping departed
// objects and rebuilding the ranges wait for the scene's re-index pass.
#include <array>
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

// The layer lists of a scene by layer number. Layers 0 .. size() - 1 exist,
// but a list is made only for a layer that is used (an object placed on it,
// its record read or changed); the others read as absent. The lists lie in
// pages of 64, so a high layer number costs one page, not a list for every
// layer below it.
class LayerTable {
public:
    LayerTable();
    ~LayerTable();
    LayerTable(const LayerTable&) = delete;
    LayerTable& operator=(const LayerTable&) = delete;

    int size() const { return size_; }
    // Layers 0 .. count - 1 exist from now on (never shrinks).
    void grow(int count);
    // The list of an existing layer, made with a fresh record on first use.
    LayerObjectList& at(int layer);
    // The list of the layer when it was made, else null (also outside 0 .. size() - 1).
    LayerObjectList* find(int layer) const;
    // Exchanges the lists of two existing layers; their records take the new indexes.
    void swap(int a, int b);
    // Back to layer 0 alone, without a list; returns nothing of the old lists.
    void reset();
    // Calls f(layer, list) for every made list, in layer order.
    template <class F>
    void forEach(F&& f) const
    {
        for (size_t p = 0; p < pages_.size(); ++p) {
            if (!pages_[p])
                continue;
            for (size_t i = 0; i < PageSize; ++i) {
                if (LayerObjectList* list = (*pages_[p])[i].get())
                    f(static_cast<int>(p * PageSize + i), *list);
            }
        }
    }

private:
    static constexpr size_t PageSize = 64;
    using Page = std::array<std::unique_ptr<LayerObjectList>, PageSize>;
    std::unique_ptr<LayerObjectList>& slot(int layer);

    std::vector<std::unique_ptr<Page>> pages_;
    int size_ = 1;
};

} // namespace Edit
