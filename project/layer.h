#pragma once
// Layers of a scene and the lookup of the object that stands on a layer at a frame.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Edit {

class Object;

struct Layer {
    bool hide = false;
    std::wstring name;
    bool lock = false;
    int index = -1;
};

class LayerObjectList {
public:
    explicit LayerObjectList(int layer);

    // The first object (objects are sorted by start) whose last frame is at or after frame.
    std::vector<std::shared_ptr<Object>>::const_iterator lowerBoundEnd(int frame) const;

    std::vector<std::shared_ptr<Object>> objects;
    std::shared_ptr<Layer> layer;
};

class LayerObjectManager {
public:
    LayerObjectManager();
    ~LayerObjectManager();
    LayerObjectManager(const LayerObjectManager&) = delete;
    LayerObjectManager& operator=(const LayerObjectManager&) = delete;

    // The object of the layer at the frame that carries the requested media
    // (Effect::MediaType); the empty pointer when none qualifies.
    const std::shared_ptr<Object>& findObject(int layer, int frame, uint8_t media) const;
    // The list of a layer; a shared empty list for an index outside the scene.
    const LayerObjectList& getLayer(int layer) const;
    // Places an object on its layer (object->layer), growing the layer list, in start order.
    void addObject(const std::shared_ptr<Object>& object);

    int lastLayer = 0;
    int lastFrame = 0;
    std::vector<std::unique_ptr<LayerObjectList>> layers;
};

class Scene : public LayerObjectManager {
public:
    std::wstring name;
    int id = 0;
    int videoRate = 30;
    int videoScale = 1;
    int width = 1920;
    int height = 1080;
    int audioRate = 44100;
    std::shared_ptr<Object> focusObject; // the object the settings window shows
};

} // namespace Edit
