// Placing object lists as edits: one transaction, every copy recorded as created
// and, when it joins a group, its group recorded first.
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/scene.h"

namespace Edit {

namespace {

template <class Place>
ObjectList placeAsEdit(EditService& service, bool focusFirst, Place place)
{
    UpdateSection update(service);
    update.openUndoStep();
    update.updateLayerObject = true;
    update.notifyEdit = true;
    Undo::UndoService* undo = service.undoService;
    PlacementRecorder recorder;
    recorder.objectCreated = [undo](const std::shared_ptr<Object>& object) {
        if (undo)
            undo->addObjectCreate(object);
    };
    recorder.groupJoining = [undo](const std::shared_ptr<Object>& object) {
        if (undo)
            undo->addObjectGroup(object);
    };
    ObjectList placed = place(*update.scene, recorder);
    update.notifyFocusObject = focusFirst && !placed.empty();
    return placed;
}

} // namespace

ObjectList EditService::placeObjectList(const ObjectList& list, int layerOffset, int frameOffset, bool focusFirst)
{
    return placeAsEdit(*this, focusFirst, [&](Scene& scene, const PlacementRecorder& recorder) {
        return Edit::placeObjectList(scene, list, layerOffset, frameOffset, focusFirst, &recorder);
    });
}

ObjectList EditService::pasteObjectList(const ObjectList& list, int layer, int frame, bool focusFirst)
{
    return placeAsEdit(*this, focusFirst, [&](Scene& scene, const PlacementRecorder& recorder) {
        return Edit::pasteObjectList(scene, list, layer, frame, focusFirst, &recorder);
    });
}

} // namespace Edit
