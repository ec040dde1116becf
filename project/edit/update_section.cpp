#include "project/edit/update_section.h"

#include "core/event_service.h"
#include "core/failure.h"
#include "core/log.h"
#include "platform/os/rwlock.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"

namespace Edit {

namespace {

constexpr const char* EndPlace = "Edit::UpdateSection::~UpdateSection";

EditService& runningService(const char* place)
{
    EditService* service = EditService::Get();
    if (!service)
        throw System::makeException(place, "edit service not running.", nullptr);
    return *service;
}

// Runs one end step. The end runs in a destructor, also while an exception
// unwinds: a step that fails is logged and the next one runs.
template <class F>
void endStep(const char* step, F&& f) noexcept
{
    try {
        f();
    } catch (const std::exception& e) {
        System::Log::error(EndPlace, "%s failed.\n%s", step, e.what());
    } catch (...) {
        System::Log::error(EndPlace, "%s failed.", step);
    }
}

} // namespace

UpdateSection::UpdateSection() : UpdateSection(runningService("Edit::UpdateSection::UpdateSection")) {}

UpdateSection::UpdateSection(EditService& service)
{
    if (service.stopPlayback)
        service.stopPlayback();
    scene = service.currentScene;
    eventService = service.eventService;
    service.projectLock.lockExclusive();
    lock = &service.projectLock;
}

UpdateSection::~UpdateSection()
{
    end();
}

void UpdateSection::openUndoStep()
{
    if (recordUndo)
        return;
    recordUndo = true;
    if (Undo::UndoService* undo = Undo::UndoService::Get()) {
        undo->recording = true;
        undo->pending.clear();
    }
}

void UpdateSection::end() noexcept
{
    if (updateLayerObject && scene) {
        endStep("updateLayerObject", [&] {
            scene->updateLayerObject();
            if (scene->focusObject && scene->focusObject->layer == -1) {
                scene->focusObject.reset();
                notifyFocusObject = true;
            }
        });
    }
    if (recordUndo) {
        endStep("commitUndo", [] {
            if (Undo::UndoService* undo = Undo::UndoService::Get())
                undo->commitUndo();
        });
    }
    if (lock) {
        lock->unlockExclusive();
        lock = nullptr;
    }

    // Without the lock from here on: what runs now may open transactions of its own.
    SettingHost& settings = SettingHost::get();
    if (updateSettingSection)
        endStep("updateSettingSection", [&] { settings.resetSettingSection(); });
    if (updateSettingList)
        endStep("updateSettingList", [&] { settings.clearSettingList(); });
    else if (updateSettingValue)
        endStep("updateSettingValue", [&] { settings.updateSettingValue(); });
    if (updateTimeSetting)
        endStep("updateTimeSetting", [&] { settings.updateTimeSetting(); });
    if (updateColorSetting)
        endStep("updateColorSetting", [&] { settings.updateColorSetting(); });
    if (updateTextSetting)
        endStep("updateTextSetting", [&] { settings.updateTextSetting(); });

    if (eventService) {
        if (notifyEdit)
            endStep("editChanged", [&] { eventService->editChanged(targetObject); });
        if (notifyLayer)
            endStep("layerChanged", [&] { eventService->layerChanged(); });
        if (notifyScene)
            endStep("sceneChanged", [&] { eventService->sceneChanged(sceneId); });
        if (notifyFocusObject && scene) {
            endStep("focusObjectChanged", [&] {
                std::shared_ptr<Object> focus = scene->focusObject;
                eventService->focusObjectChanged(focus);
            });
        }
        if (notifyCursorFrame && scene)
            endStep("cursorFrameChanged", [&] { eventService->cursorFrameChanged(scene->cursorFrame); });
    }
    targetObject.reset();
    scene.reset();
}

ReadSection::ReadSection() : ReadSection(runningService("Edit::ReadSection::ReadSection")) {}

ReadSection::ReadSection(EditService& service)
{
    eventService = service.eventService;
    // The main thread replaces the current scene only under the exclusive
    // lock: copied under the shared one, the pointer cannot change meanwhile.
    service.projectLock.lockShared();
    lock = &service.projectLock;
    scene = service.currentScene;
}

ReadSection::~ReadSection()
{
    if (lock) {
        lock->unlockShared();
        lock = nullptr;
    }
    scene.reset();
}

} // namespace Edit
