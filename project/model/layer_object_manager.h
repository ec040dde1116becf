#pragma once
// The layers of a scene: one object list per layer number, the operations that
// insert, move and delete layers and place objects on them, and the re-index
// pass that every edit transaction ends with.
#include "core/ini_file.h"
#include "project/model/layer_object_list.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace System { class File; }

namespace Edit {

class Group;
class Object;
class Project;
class Scene;
struct Layer;

// Layers are numbered 0 .. LayerLimit - 1: a number at or beyond it, from a file
// or a caller, is refused instead of allocating lists up to it.
constexpr int LayerLimit = 10000;
// Object frames lie in 0 .. FrameLimit.
constexpr int FrameLimit = 2000000000;

// Group numbers of one project file, both ways.
struct GroupNumbers {
    std::unordered_map<const Group*, int> numbers; // writing: group to number
    int next = 1;
    std::unordered_map<int, std::shared_ptr<Group>> groups; // reading: number to group
};

class LayerObjectManager {
public:
    LayerObjectManager();
    ~LayerObjectManager();
    LayerObjectManager(const LayerObjectManager&) = delete;
    LayerObjectManager& operator=(const LayerObjectManager&) = delete;

    // Makes the layers up to the index exist (their lists are made when used);
    // an index outside 0 .. LayerLimit - 1 throws "invalid layer number.".
    void ensureLayer(int layer);
    // The layer's list; a shared empty list for a layer without one.
    const LayerObjectList& getLayer(int layer) const;
    // The layer's list to change, made (with the layer) as needed; an index
    // outside 0 .. LayerLimit - 1 throws "invalid layer number.".
    LayerObjectList& layerList(int layer);
    int layerCount() const { return layers.size(); }

    // A new object without effects on the layer (created as needed).
    std::shared_ptr<Object>& addObject(int layer, int start, int end);
    // As addObject, with the named effect on top carrying its saved defaults.
    // A failure removes the object again and passes on.
    std::shared_ptr<Object>& createObject(const wchar_t* effectName, int layer, int start, int end);
    // Places the object on the layer (an object not yet listed there is entered),
    // taking it off its old layer when it was placed.
    void moveObjectLayer(const std::shared_ptr<Object>& object, int layer);
    // Takes a placed object off its layer (layer -1); the re-index drops its entry.
    void removeObject(Object& object);

    // ---- lengths: never over a neighbour on the layer ----
    // Sets the frame count (1 for 0 or 1), keeping the start or the end; an object with mid points stays.
    void setObjectLength(Object& object, int length, bool keepEnd);
    // Scales the object and its mid points to the frame count.
    void stretchObject(Object& object, int length);
    // Gives section `section` the length, moving every later boundary with it.
    void setSectionLength(Object& object, int section, int length);

    // ---- layers ----
    // Inserts an empty layer at `layer`, moving the used layers from there down
    // by one, and gives it the record (a fresh one when none). Returns the record.
    std::shared_ptr<Layer> insertLayer(int layer, std::shared_ptr<Layer> record = nullptr);
    // Takes every object off the layer, moves the emptied list behind the used
    // layers and gives it a fresh record; returns the old record.
    std::shared_ptr<Layer> deleteLayer(int layer);
    // Moves a layer list step by step to another position, renumbering.
    bool moveLayer(int from, int to);
    // Takes every object off, leaves layer 0 alone and re-indexes.
    void clearLayer();
    // The re-index pass: drops departed entries, sorts, rebuilds control
    // ranges, and recomputes lastLayer and lastFrame.
    void updateLayerObject();
    // Calls back (start, end, isLast) for each control range of a layer above
    // targetLayer that reaches it and meets [from, to].
    void enumControlRange(int targetLayer, int from, int to,
                          const std::function<void(int start, int end, bool isLast)>& callback) const;
    // The object at the frame on a visible layer that is enabled and carries the
    // requested media (Effect::MediaType); the empty pointer when none qualifies.
    const std::shared_ptr<Object>& findObject(int layer, int frame, uint8_t media) const;

    // ---- project file ----
    // Writes section "<section>" of a placed object and its effect sections.
    void saveObjectIniFile(System::File& file, const Object& object, int section, int sceneId, bool focus,
                           GroupNumbers& groups) const;
    // Reads object section "<section>" into the scene its "scene" key names
    // (one the project holds; another id throws "undefined scene.") and places
    // it; a failure removes the object again and throws.
    static std::shared_ptr<Object> loadObjectIniFile(Project& project, System::IniFile& ini, int section,
                                                     GroupNumbers& groups);
    // Reads object section "<section>" of an older object file (1-based layer
    // and frames) into the scene; a failure removes the object again and throws.
    static std::shared_ptr<Object> loadObjectTsoFile(Scene& scene, System::IniFile& ini, int section,
                                                     GroupNumbers& groups);

    // ---- alias files ----
    // Places the object of an object alias's section "Object" on the layer from
    // start on (to end, or for the file's own length), behind the objects that
    // cover start and before the next one. A failure removes it again and throws.
    static std::shared_ptr<Object> loadObjectAliasFile(Scene& scene, System::IniFile& ini, int layer, int start,
                                                       int end);
    // The same for an effect alias: a new object whose chain is the file's effects.
    static std::shared_ptr<Object> loadObjectAliasFileEffect(Scene& scene, System::IniFile& ini, int layer,
                                                             int start, int end);
    // Appends a detached copy of the object of section "<section>" of a
    // multi-object alias (its layer, frames, flags, mid points and effects).
    static void pushObjectAliasFileToObjectList(System::IniFile& ini, int section,
                                                std::vector<std::shared_ptr<Object>>& list);

    int lastLayer = 0; // highest layer holding an object
    int lastFrame = 0; // greatest end frame
    LayerTable layers;

private:
    LayerObjectList& placedList(const Object& object);
    // The first frame after the objects of the layer that lie before the object,
    // and the last frame before those that lie after it.
    int previousEnd(const Object& object) const;
    int nextStart(const Object& object, int afterEnd) const;
    void markFramesChanged(const Object& object);
};

} // namespace Edit
