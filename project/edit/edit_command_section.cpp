// Commands that change an object's inside: mid points, lengths, the enable
// and lock states of its effects, and the movement of a number item.
#include "core/log.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/movement.h"
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

using namespace CommandSteps;

namespace {

// The number of the mid point that lies exactly on the frame, 0 for none.
int midPointAt(const Object& object, int frame)
{
    const int n = object.getSectionIndex(frame);
    return n >= 1 && static_cast<long long>(object.start) + object.midPoints[static_cast<size_t>(n - 1)] == frame ? n
                                                                                                                 : 0;
}

// The dialogs' frame counts: below 2 means one frame.
int lengthFromDialog(int frames)
{
    return std::max(frames, 1);
}

// The items a movement command acts on: the item's linked group, else the item.
std::vector<Effect::EffectItemNumber*> linkedItems(Effect::EffectItemNumber* item)
{
    if (item->group && !item->group->empty())
        return *item->group;
    return {item};
}

void runOnEffects(const char* place, const char* format, const EditCommand::ObjectVector& objects, bool state,
                  bool enable)
{
    if (objects.empty())
        return;
    EditService& edit = service(place);
    Undo::UndoService& recorder = undo(place);
    System::Log::info(place, format, static_cast<int>(objects.size()), state ? 1 : 0);
    UpdateSection update(edit);
    openValueChange(update);
    for (const auto& object : objects) {
        if (object->effects.empty())
            continue;
        const bool filterObject = object->effects.front()->effectType == Effect::EffectType::Filter;
        for (const auto& effect : object->effects) {
            recorder.addEffectUpdate(effect);
            if (enable) {
                effect->disable = !state;
                // A media or control object is switched by its top effect alone.
                if (!filterObject)
                    break;
            } else {
                effect->lock = state;
            }
        }
    }
}

void setEnable(const EditCommand::ObjectVector& objects, bool enable)
{
    runOnEffects("Edit::EditCommand::setEnableObject", "set enable effect num=%d enable=%d", objects, enable, true);
}

void setLock(const EditCommand::ObjectVector& objects, bool lock)
{
    runOnEffects("Edit::EditCommand::setLockObject", "set lock effect num=%d lock=%d", objects, lock, false);
}

// The targets when Ctrl is held and the object is one of them, else the object alone.
EditCommand::ObjectVector clickedObjects(const std::shared_ptr<Object>& object)
{
    EditService& edit = service("Edit::EditCommand::setEnableClickedObject");
    EditCommand::Targets command(*edit.currentScene);
    const EditCommand::ObjectVector& targets = command.targets();
    if (EditHost::get().isControlKeyDown() && std::find(targets.begin(), targets.end(), object) != targets.end())
        return targets;
    if (!object)
        return {};
    return {object};
}

} // namespace

void EditCommand::createSection(const std::shared_ptr<Object>& object, int frame)
{
    constexpr const char* Place = "Edit::EditCommand::createSection";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "create section layer=%d frame=%d", object->layer, frame);
    UpdateSection update(edit);
    openChainChange(update);
    update.targetObject = object;
    recorder.addObjectSection(object);
    const EffectManager::ValueMap values = object->getValuesAtFrame(update.scene.get(), *object, frame, false);
    object->addMidPoint(frame, &values);
}

void EditCommand::createSection(int frame)
{
    constexpr const char* Place = "Edit::EditCommand::createSection";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    EditCommand::Targets command(*edit.currentScene);
    ObjectVector changed;
    std::copy_if(command.targets().begin(), command.targets().end(), std::back_inserter(changed),
                 [frame](const std::shared_ptr<Object>& object) { return object->canAddSectionAt(frame); });
    if (changed.empty())
        return;
    System::Log::info(Place, "create section frame=%d num=%d", frame, static_cast<int>(changed.size()));
    UpdateSection update(edit);
    openChainChange(update);
    for (const auto& object : changed) {
        recorder.addObjectSection(object);
        const EffectManager::ValueMap values = object->getValuesAtFrame(update.scene.get(), *object, frame, false);
        object->addMidPoint(frame, &values);
    }
}

void EditCommand::deleteSection(const std::shared_ptr<Object>& object, int section)
{
    constexpr const char* Place = "Edit::EditCommand::deleteSection";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "delete section layer=%d frame=%d section=%d", object->layer, object->start, section);
    UpdateSection update(edit);
    openChainChange(update);
    update.targetObject = object;
    recorder.addObjectSection(object);
    object->removeMidPoint(section);
}

void EditCommand::deleteSection(int frame)
{
    constexpr const char* Place = "Edit::EditCommand::deleteSection";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    EditCommand::Targets command(*edit.currentScene);
    ObjectVector changed;
    std::copy_if(command.targets().begin(), command.targets().end(), std::back_inserter(changed),
                 [frame](const std::shared_ptr<Object>& object) { return midPointAt(*object, frame) != 0; });
    if (changed.empty())
        return;
    System::Log::info(Place, "delete section frame=%d num=%d", frame, static_cast<int>(changed.size()));
    UpdateSection update(edit);
    openChainChange(update);
    for (const auto& object : changed) {
        recorder.addObjectSection(object);
        object->removeMidPoint(midPointAt(*object, frame));
    }
}

void EditCommand::changeObjectLength()
{
    constexpr const char* Place = "Edit::EditCommand::changeObjectLength";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    EditCommand::Targets command(scene);
    if (command.empty())
        return;
    const Object& first = *command.targets().front();
    int frames = static_cast<int>(std::min<long long>(static_cast<long long>(first.end) - first.start + 1, FrameLimit));
    if (!EditHost::get().inputFrameLength(L"オブジェクトの長さを変更", frames, FrameLimit, scene.videoRate,
                                          scene.videoScale))
        return;
    // Never beyond the dialog's range, whoever answered: the model then keeps every end within the last frame.
    const int length = lengthFromDialog(std::min(frames, FrameLimit));
    System::Log::info(Place, "change object length num=%d length=%d", static_cast<int>(command.count()), length);
    UpdateSection update(edit);
    openShift(update);
    for (const auto& object : command.targets()) {
        recorder.addObjectUpdate(object);
        scene.stretchObject(*object, length);
    }
}

void EditCommand::changeSectionLength(const std::shared_ptr<Object>& object, int section)
{
    constexpr const char* Place = "Edit::EditCommand::changeSectionLength";
    const Context ctx = context(Place);
 EditService& edit = ctx.edit;
 Undo::UndoService& recorder = ctx.undo;
 Scene& scene = ctx.scene;
    if (!object || section < 0 || section >= static_cast<int>(object->midPoints.size()) + 1)
        return;
    int frames = object->getSectionLength(section);
    if (!EditHost::get().inputFrameLength(L"区間の長さを変更", frames, FrameLimit, scene.videoRate,
                                          scene.videoScale))
        return;
    const int length = lengthFromDialog(std::min(frames, FrameLimit));
    System::Log::info(Place, "change section length section=%d length=%d", section, length);
    UpdateSection update(edit);
    openShift(update);
    recorder.addObjectUpdate(object);
    scene.setSectionLength(*object, section, length);
}

void EditCommand::setEnableObject(bool enable)
{
    EditService& edit = service("Edit::EditCommand::setEnableObject");
    EditCommand::Targets command(*edit.currentScene);
    setEnable(command.targets(), enable);
}

void EditCommand::setLockObject(bool lock)
{
    EditService& edit = service("Edit::EditCommand::setLockObject");
    EditCommand::Targets command(*edit.currentScene);
    setLock(command.targets(), lock);
}

void EditCommand::setEnableClickedObject(const std::shared_ptr<Object>& object, bool enable)
{
    setEnable(clickedObjects(object), enable);
}

void EditCommand::setLockClickedObject(const std::shared_ptr<Object>& object, bool lock)
{
    setLock(clickedObjects(object), lock);
}

void EditCommand::setMovement(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item,
                              const wchar_t* movementName)
{
    constexpr const char* Place = "Edit::EditCommand::setMovement";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, L"set move type [%s] layer=%d frame=%d", movementName, object->layer, object->start);
    Effect::MovementBase* movement = object->registry().findMovement(movementName).movement.get();
    if (item->movement == movement)
        return;
    {
        UpdateSection update(edit);
        openChainChange(update);
        update.targetObject = object;
        recorder.addObjectSection(object);
        const int points = static_cast<int>(object->midPoints.size()) + 2;
        const std::vector<Effect::EffectItemNumber*> items = linkedItems(item);
        for (Effect::EffectItemNumber* linked : items) {
            linked->setMovement(movement);
            linked->resizeValues(points);
        }
        for (Effect::EffectItemNumber* linked : items)
            linked->updateMovement(*object);
    }
    // After the transaction: the time window reads the item as it now stands.
    SettingHost& settings = SettingHost::get();
    if (!movement->timeControl || !settings.isTimeSettingShown())
        return;
    for (const auto& effect : object->effects) {
        if (std::find(effect->items.begin(), effect->items.end(), item) != effect->items.end()) {
            settings.setTimeSettingTarget(object, effect, item);
            return;
        }
    }
}

void EditCommand::toggleMovementFlag(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item, int bit)
{
    constexpr const char* Place = "Edit::EditCommand::toggleMovementFlag";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "toggle move flag [%d] layer=%d frame=%d", bit, object->layer, object->start);
    UpdateSection update(edit);
    openChainChange(update);
    update.targetObject = object;
    recorder.addObjectSection(object);
    const int points = static_cast<int>(object->midPoints.size()) + 2;
    // Linked items that disagree with the item keep their state: all end alike.
    const bool set = (item->flags & bit) != 0;
    for (Effect::EffectItemNumber* linked : linkedItems(item)) {
        if (((linked->flags & bit) != 0) != set)
            continue;
        linked->flags ^= bit;
        linked->resizeValues(points);
    }
}

void EditCommand::setMovementSettings(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item,
                                      const std::vector<double>& values)
{
    constexpr const char* Place = "Edit::EditCommand::setMovementSettings";
    EditService& edit = service(Place);
    Undo::UndoService& recorder = undo(Place);
    System::Log::info(Place, "set movement settings layer=%d frame=%d", object->layer, object->start);
    UpdateSection update(edit);
    update.openUndoStep();
    update.updateTimeSetting = true;
    update.notifyEdit = true;
    update.targetObject = object;
    recorder.addObjectSection(object);
    for (Effect::EffectItemNumber* linked : linkedItems(item)) {
        if (&linked->params != &values)
            linked->params = values;
    }
}

void EditCommand::showMovementSettings(const std::shared_ptr<Object>& object, Effect::EffectItemNumber* item)
{
    std::vector<double> params = item->getMovementParams();
    if (params.empty())
        return;
    double value = params[0];
    if (!EditHost::get().inputNumber(Effect::translatedEffectText(item->movement->name), L"設定値", value,
                                     -2147483648.0, 2147483647.0))
        return;
    params[0] = value;
    setMovementSettings(object, item, params);
}

} // namespace Edit
