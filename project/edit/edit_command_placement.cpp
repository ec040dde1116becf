// Commands that create, remove, copy, paste, duplicate, group and shift whole
// objects, the target record, and the gap closing the cutting commands share.
#include "core/failure.h"
#include "core/log.h"
#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Edit {

namespace {

bool placed(const std::shared_ptr<Object>& object)
{
    return object && object->layer >= 0;
}

// Moves the list down layer by layer from layerOffset until it fits at frameOffset.
int firstFreeLayerOffset(const Scene& scene, const ObjectListRange& range, int frameOffset, int layerOffset)
{
    while (!canPlaceObjectList(scene, range, frameOffset, layerOffset)) {
    }
    return layerOffset;
}

} // namespace

// ---- the target record ----


EditCommand::Targets::Targets(const Scene& scene)
{
    const ObjectVector& selected = scene.selection.objects;
    if (std::all_of(selected.begin(), selected.end(), placed)) {
        if (!selected.empty()) {
            selection_ = &selected;
            return;
        }
    } else {
        // An undone creation leaves its object selected but no longer placed.
        std::copy_if(selected.begin(), selected.end(), std::back_inserter(own_), placed);
        if (!own_.empty())
            return;
    }
    if (placed(scene.focusObject))
        own_.push_back(scene.focusObject);
}

EditCommand::Targets::~Targets() = default;

// ---- shared steps ----

namespace CommandSteps {

EditService& service(const char* place)
{
    EditService* edit = EditService::Get();
    if (!edit || !edit->currentScene)
        throw System::makeException(place, "edit service not running.", nullptr);
    return *edit;
}

Undo::UndoService& undo(const char* place)
{
    Undo::UndoService* service = Undo::UndoService::Get();
    if (!service)
        throw System::makeException(place, "undo service not running.", nullptr);
    return *service;
}

Context context(const char* place)
{
    EditService& edit = service(place);
    return {edit, undo(place), *edit.currentScene};
}

void openPlacement(UpdateSection& update)
{
    update.openUndoStep();
    update.updateLayerObject = true;
    update.notifyEdit = true;
}

void openShift(UpdateSection& update)
{
    openPlacement(update);
    update.updateSettingSection = true;
    update.updateTimeSetting = true;
}

void openChainChange(UpdateSection& update)
{
    update.openUndoStep();
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    update.notifyEdit = true;
}

void openValueChange(UpdateSection& update)
{
    update.openUndoStep();
    update.updateSettingValue = true;
    update.updateColorSetting = true;
    update.notifyEdit = true;
}

void leaveGroup(Object& object)
{
    if (object.group)
        object.group->members.erase(&object);
    object.group.reset();
}

void joinGroup(Object& object, const std::shared_ptr<Group>& group)
{
    leaveGroup(object);
    object.group = group;
    group->members.insert(&object);
}

void dropUnplacedSelection(Scene& scene)
{
    ObjectSelection& selection = scene.selection;
    if (std::all_of(selection.objects.begin(), selection.objects.end(), placed))
        return;
    std::vector<std::shared_ptr<Object>> kept;
    for (const auto& object : selection.objects) {
        if (placed(object))
            kept.push_back(object);
    }
    selection.clear();
    for (const auto& object : kept)
        selection.addObject(object, scene);
}

void markMoved(Scene& scene, const Object& object)
{
    if (object.layer < 0 || object.layer >= scene.layerCount())
        return;
    LayerObjectList& list = scene.layers.at(object.layer);
    list.needSort = true;
    list.needRangeUpdate |= object.layerControl;
}

void closeLayerGaps(Scene& scene, Undo::UndoService& undo, LayerSpans& spans)
{
    scene.updateLayerObject();
    for (auto& [layer, list] : spans) {
        if (list.empty())
            continue;
        std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
        auto length = [](const ObjectListRange::Span& s) { return static_cast<long long>(s.end) - s.start + 1; };
        size_t next = 1;
        long long shift = -length(list[0]);
        const LayerObjectList& objects = scene.getLayer(layer);
        for (auto it = objects.lowerBoundEnd(list[0].end); it != objects.objects.end(); ++it) {
            Object& object = **it;
            while (next < list.size() && list[next].end < object.end)
                shift -= length(list[next++]);
            undo.addObjectUpdate(*it);
            // The spans lie before the object: the shift never takes it below frame 0.
            object.start = static_cast<int>(object.start + shift);
            object.end = static_cast<int>(object.end + shift);
            markMoved(scene, object);
        }
    }
}

void closeObjectListGap(Scene& scene, Undo::UndoService& undo, const ObjectList& list)
{
    LayerSpans spans;
    for (const auto& object : list)
        spans[object->layer].push_back({object->start, object->end});
    closeLayerGaps(scene, undo, spans);
}

} // namespace CommandSteps

using namespace CommandSteps;

// ---- commands ----

void EditCommand::createObject(const wchar_t* effectName, int layer, int frame, const CreateCallback& callback)
{
    constexpr const char* Place = "Edit::EditCommand::createObject";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, L"create object [%s] layer=%d frame=%d", effectName, layer, frame);
    if (frame < 0 || frame > FrameLimit)
        throw System::makeException(Place, "invalid frame number.", std::to_string(frame).c_str());

    UpdateSection update(edit);
    openPlacement(update);
    Scene& scene = *update.scene;
    scene.ensureLayer(layer);

    // In 64 bits: a length added after objects near the last frame must not wrap.
    long long start = frame;
    long long end = start + 800000 / std::max(scene.displayZoom.zoom, 1);
    const LayerObjectList& list = scene.getLayer(layer);
    for (auto it = list.lowerBoundEnd(frame); it != list.objects.end(); ++it) {
        const Object& object = **it;
        if (object.start <= start) {
            end += object.end - start + 1;
            start = static_cast<long long>(object.end) + 1;
            continue;
        }
        if (end >= object.start)
            end = static_cast<long long>(object.start) - 1;
        break;
    }
    if (start > FrameLimit)
        throw System::makeException(Place, "invalid frame number.", std::to_string(start).c_str());
    end = std::min<long long>(end, FrameLimit);

    const std::shared_ptr<Object> object =
        scene.createObject(effectName, layer, static_cast<int>(start), static_cast<int>(end));
    // Recorded before the callback runs: an object it fails on is still undoable.
    recorder.addObjectCreate(object);
    if (callback)
        callback(object, update);
    if (scene.focusObject != object) {
        scene.focusObject = object;
        update.notifyFocusObject = true;
    }
}

void EditCommand::deleteObject()
{
    constexpr const char* Place = "Edit::EditCommand::deleteObject";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    System::Log::info(Place, "delete object num=%d", static_cast<int>(command.count()));
    UpdateSection update(edit);
    openPlacement(update);
    for (const auto& object : command.targets()) {
        recorder.addObjectCreateDelete(object);
        scene.removeObject(*object);
    }
    scene.selection.clear();
}

void EditCommand::copyObject()
{
    constexpr const char* Place = "Edit::EditCommand::copyObject";
    EditService& edit = service(Place);
    EditCommand::Targets command(*edit.currentScene);
    if (command.empty())
        return;
    System::Log::info(Place, "copy object num=%d", static_cast<int>(command.count()));
    edit.objectClipboard.clear();
    for (const auto& object : command.targets())
        pushObjectCopy(edit.objectClipboard, *object);
}

void EditCommand::cutObject(bool closeGap)
{
    constexpr const char* Place = "Edit::EditCommand::cutObject";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    if (scene.frameSelectionStart >= 0 && scene.frameSelectionEnd >= 0) {
        cutRangeObject(closeGap);
        return;
    }
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    System::Log::info(Place, "cut object num=%d", static_cast<int>(command.count()));
    copyObject();
    UpdateSection update(edit);
    openShift(update);
    for (const auto& object : command.targets()) {
        recorder.addObjectCreateDelete(object);
        scene.removeObject(*object);
    }
    if (closeGap)
        closeObjectListGap(scene, recorder, edit.objectClipboard);
    scene.selection.clear();
}

void EditCommand::pasteObject(int layer, int frame)
{
    constexpr const char* Place = "Edit::EditCommand::pasteObject";
    EditService& edit = service(Place);
    if (edit.objectClipboard.empty())
        return;
    System::Log::info(Place, "paste object num=%d", static_cast<int>(edit.objectClipboard.size()));
    edit.pasteObjectList(edit.objectClipboard, layer, frame, false);
}

void EditCommand::pasteObject()
{
    constexpr const char* Place = "Edit::EditCommand::pasteObject";
    EditService& edit = service(Place);
    const ObjectList& clipboard = edit.objectClipboard;
    if (clipboard.empty())
        return;
    System::Log::info(Place, "paste object num=%d", static_cast<int>(clipboard.size()));
    const Scene& scene = *edit.currentScene;

    const TimelineHost::TimelineView view = TimelineHost::get().getTimelineView();
    if (view.hasMouse && view.layerHeight > 0 && view.mouseX >= view.left && view.mouseX < view.right &&
        view.mouseY >= view.top && view.mouseY < view.bottom) {
        const long long layer = (view.mouseY - view.top) / view.layerHeight + static_cast<long long>(scene.displayLayer);
        const long long frame = scene.displayFrame + static_cast<long long>(view.mouseX - view.left) * 10000 /
                                                         std::max(scene.displayZoom.zoom, 1);
        edit.pasteObjectList(clipboard, static_cast<int>(std::clamp<long long>(layer, 0, LayerLimit - 1)),
                             static_cast<int>(std::clamp<long long>(frame, 0, FrameLimit)), false);
        return;
    }

    const ObjectListRange range = getObjectListRange(clipboard);
    const int cursor = scene.cursorFrame;
    const int frameOffset = cursor < range.start || cursor > range.end ? cursor - range.start : 0;
    const int layerOffset = firstFreeLayerOffset(scene, range, frameOffset, range.maxLayer - range.minLayer);
    edit.placeObjectList(clipboard, layerOffset, frameOffset, false);
}

void EditCommand::duplicateObject()
{
    constexpr const char* Place = "Edit::EditCommand::duplicateObject";
    EditService& edit = service(Place);
    const Scene& scene = *edit.currentScene;
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    System::Log::info(Place, "duplicate object num=%d", static_cast<int>(command.count()));
    ObjectList copies;
    for (const auto& object : command.targets())
        pushObjectCopy(copies, *object);
    const ObjectListRange range = getObjectListRange(copies);
    const int layerOffset = firstFreeLayerOffset(scene, range, 0, range.maxLayer - range.minLayer);
    edit.placeObjectList(copies, layerOffset, 0, false);
}

void EditCommand::removeObjectLeftGap()
{
    constexpr const char* Place = "Edit::EditCommand::removeObjectLeftGap";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    System::Log::info(Place, "remove left gap num=%d", static_cast<int>(command.count()));
    UpdateSection update(edit);
    openShift(update);

    LayerSpans spans;
    for (const auto& target : command.targets()) {
        const LayerObjectList& list = scene.getLayer(target->layer);
        // The target itself, or an object of its layer that reaches into it.
        auto it = list.lowerBoundEnd(target->start);
        if (it == list.objects.end())
            continue;
        const Object& first = **it;
        if (it == list.objects.begin()) {
            if (first.start > 0)
                spans[target->layer].push_back({0, first.start - 1});
            continue;
        }
        const Object& previous = **(it - 1);
        if (static_cast<long long>(previous.end) + 1 < first.start)
            spans[target->layer].push_back({previous.end + 1, first.start - 1});
    }
    scene.selection.clear();
    closeLayerGaps(scene, recorder, spans);
}

void EditCommand::insertNullFrame(int frame)
{
    constexpr const char* Place = "Edit::EditCommand::insertNullFrame";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    int length = 0;
    if (!EditHost::get().inputFrameLength(L"空のフレームを挿入", length, FrameLimit, scene.videoRate,
                                          scene.videoScale) ||
        length <= 0)
        return;

    // Objects that start at or after the frame move; none may pass the last frame.
    auto forEachMoved = [&](auto&& f) {
        for (int layer = 0; layer <= scene.lastLayer && layer < scene.layerCount(); ++layer) {
            const LayerObjectList& list = scene.getLayer(layer);
            for (auto it = list.lowerBoundEnd(frame); it != list.objects.end(); ++it) {
                if ((*it)->start >= frame)
                    f(*it);
            }
        }
    };
    long long lastEnd = -1;
    forEachMoved([&](const std::shared_ptr<Object>& object) { lastEnd = std::max<long long>(lastEnd, object->end); });
    if (lastEnd >= 0)
        length = static_cast<int>(std::min<long long>(length, FrameLimit - lastEnd));

    System::Log::info(Place, "insert null frame length=%d", length);
    UpdateSection update(edit);
    openShift(update);
    if (length <= 0)
        return;
    forEachMoved([&](const std::shared_ptr<Object>& object) {
        recorder.addObjectUpdate(object);
        object->start += length;
        object->end += length;
        markMoved(scene, *object);
    });
}

void EditCommand::setGroup()
{
    constexpr const char* Place = "Edit::EditCommand::setGroup";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    const ObjectVector& selected = scene.selection.objects;
    if (selected.size() < 2)
        return;
    System::Log::info(Place, "set group object num=%d", static_cast<int>(selected.size()));
    UpdateSection update(edit);
    update.openUndoStep();
    const auto group = std::make_shared<Group>();
    for (const auto& object : selected) {
        recorder.addObjectGroup(object);
        joinGroup(*object, group);
    }
}

void EditCommand::clearGroup()
{
    constexpr const char* Place = "Edit::EditCommand::clearGroup";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    EditCommand::Targets command(*edit.currentScene);
    System::Log::info(Place, "clear group object");
    UpdateSection update(edit);
    update.openUndoStep();
    for (const auto& object : command.targets()) {
        recorder.addObjectGroup(object);
        leaveGroup(*object);
    }
}

void EditCommand::adjustLayerRange()
{
    constexpr const char* Place = "Edit::EditCommand::adjustLayerRange";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    const ObjectSelection& selection = scene.selection;
    if (!selection.hasLayerControl || selection.objects.size() < 2)
        return;
    UpdateSection update(edit);
    openValueChange(update);
    update.updateLayerObject = true;
    const int maxLayer = selection.maxLayer;
    for (const auto& object : selection.objects) {
        if (!object->layerControl || object->effects.empty() || object->layer < 0 || object->layer >= maxLayer)
            continue;
        Effect::EffectItemLayerRange* range = object->effects.front()->getLayerRange();
        if (!range)
            continue;
        recorder.addObjectLayerRange(object);
        range->value = maxLayer - object->layer;
        scene.layers.at(object->layer).needRangeUpdate = true;
    }
}

} // namespace Edit
