#pragma once
// The objects selected in a scene, in the order they were selected.
#include <memory>
#include <vector>

namespace Edit {

class Object;
class Scene;

class ObjectSelection {
public:
    // Appends the object unless its layer is locked; an object already selected
    // only becomes the reselected one.
    void addObject(const std::shared_ptr<Object>& object, const Scene& scene);
    // As addObject for the object, or for every placed member of its group.
    // False, changing nothing, when the object is selected already.
    bool addObjectWithGroup(const std::shared_ptr<Object>& object, const Scene& scene);
    // Empties the selection and clears the objects' selected flags.
    void clear();

    std::vector<std::shared_ptr<Object>> objects;
    Object* reselected = nullptr; // the last object added again while selected
    bool hasLayerControl = false;
    int maxLayer = 0; // highest layer among the selected objects
};

} // namespace Edit
