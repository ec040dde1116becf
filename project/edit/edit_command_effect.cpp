// The commands of the settings window's effect panels: the enable, lock,
// clipping and camera toggles, removing an effect, and spreading mid-points evenly.
#include "core/log.h"
#include "effect/effect_base.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_command_steps.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"

namespace Edit {

using namespace CommandSteps;

namespace {

// The flags of a toggle that changes an effect's state.
void openEffectToggle(UpdateSection& update, const std::shared_ptr<Object>& object)
{
    update.openUndoStep();
    update.updateSettingValue = true;
    update.updateColorSetting = true;
    update.notifyEdit = true;
    update.targetObject = object;
}

// The flags of a toggle of the object's clipping or camera flag (the panels are rebuilt).
void openObjectToggle(UpdateSection& update, const std::shared_ptr<Object>& object)
{
    update.openUndoStep();
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    update.notifyEdit = true;
    update.targetObject = object;
}

} // namespace

void EditCommand::setEnableEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect,
                                  bool enable)
{
    constexpr const char* Place = "Edit::EditCommand::setEnableEffect";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, L"set enable effect [%s] layer=%d frame=%d enable=%d", effect->name, object->layer,
                      object->start, enable ? 1 : 0);
    UpdateSection update(edit);
    openEffectToggle(update, object);
    recorder.addEffectUpdate(effect);
    effect->disable = !enable;
}

void EditCommand::setLockEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect,
                                bool lock)
{
    constexpr const char* Place = "Edit::EditCommand::setLockEffect";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, L"set lock effect [%s] layer=%d frame=%d lock=%d", effect->name, object->layer,
                      object->start, lock ? 1 : 0);
    UpdateSection update(edit);
    openEffectToggle(update, object);
    recorder.addEffectUpdate(effect);
    effect->lock = lock;
    // An input shares its lock with its output, the chain's second effect.
    if (effect->effectType == Effect::EffectType::Input && object->effects.size() >= 2 &&
        object->effects[0] == effect) {
        recorder.addEffectUpdate(object->effects[1]);
        object->effects[1]->lock = lock;
    }
}

void EditCommand::setEnableClippingObject(const std::shared_ptr<Object>& object, bool enable)
{
    constexpr const char* Place = "Edit::EditCommand::setEnableClippingObject";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "set enable clipping layer=%d frame=%d enable=%d", object->layer, object->start,
                      enable ? 1 : 0);
    UpdateSection update(edit);
    openObjectToggle(update, object);
    recorder.addObjectFlag(object);
    object->clipping = enable;
    if (enable)
        object->camera = false; // clipping and camera target exclude each other
}

void EditCommand::setEnableCameraObject(const std::shared_ptr<Object>& object, bool enable)
{
    constexpr const char* Place = "Edit::EditCommand::setEnableCameraObject";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "set enable camera layer=%d frame=%d enable=%d", object->layer, object->start,
                      enable ? 1 : 0);
    UpdateSection update(edit);
    openObjectToggle(update, object);
    recorder.addObjectFlag(object);
    object->camera = enable;
    if (enable)
        object->clipping = false;
}

void EditCommand::removeEffect(const std::shared_ptr<Object>& object, const std::shared_ptr<Effect::EffectBase>& effect)
{
    constexpr const char* Place = "Edit::EditCommand::removeEffect";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, L"remove effect [%s] layer=%d frame=%d", effect->name, object->layer, object->start);
    UpdateSection update(edit);
    openObjectToggle(update, object);
    recorder.addObjectEffect(object);
    object->removeEffect(effect.get());
}

void EditCommand::changeSectionSpaceEvenly(const std::shared_ptr<Object>& object)
{
    constexpr const char* Place = "Edit::EditCommand::changeSectionSpaceEvenly";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "change section space evenly");
    UpdateSection update(edit);
    update.openUndoStep();
    update.updateLayerObject = true;
    update.updateSettingSection = true;
    update.updateTimeSetting = true;
    update.notifyEdit = true;
    recorder.addObjectUpdate(object);
    const int length = object->end - object->start + 1;
    const int sections = int(object->midPoints.size()) + 1;
    for (size_t i = 0; i < object->midPoints.size(); ++i)
        object->midPoints[i] = int((int64_t(i) + 1) * length / sections);
}

} // namespace Edit
