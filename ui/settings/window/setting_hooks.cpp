#include "ui/settings/window/setting_hooks.h"

#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/effect_types.h"
#include "effect/movement.h"
#include "platform/ui/person.h"
#include "project/edit/edit_command.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "ui/window/base_menu.h"

#include <cwchar>

namespace Component {

namespace {

void builtInMovementMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                         Effect::EffectItemNumber* item)
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service)
        return;
    for (Effect::MovementDefine* define : service->getMovementList(item->movementFilter)) {
        const wchar_t* name = define->getName();
        menu.insertItem(Effect::translatedEffectText(name),
                        [object, item, name] { Edit::EditCommand::setMovement(object, item, name); })
            .setRadioCheck()
            .setCheck(item->movement == define->movement.get());
    }
}

// Adds the named filter behind `after` (null: at the end) as one undo step.
void addFilter(const std::shared_ptr<Edit::Object>& object, const wchar_t* name, const Effect::EffectBase* after)
{
    Edit::UpdateSection update;
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    update.notifyEdit = true;
    update.targetObject = object;
    update.openUndoStep();
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->addObjectEffect(object);
    object->setEffectByName(name, *object, after ? after : object->effects.back().get());
}

void builtInFilterMenu(Window::BaseMenu& menu, const std::shared_ptr<Edit::Object>& object,
                       const Effect::EffectBase* after)
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service || object->effects.empty())
        return;
    const uint8_t media = object->effects.front()->objectMediaType;
    for (Effect::EffectMenuDefine* define : service->getEffectMenuList(Effect::EffectType::Filter, media, 0)) {
        const wchar_t* name = define->getName();
        menu.insertItem(Effect::translatedEffectText(name), [object, name, after] { addFilter(object, name, after); });
    }
}

// The open-file box through the modal seam ("OpenFileDialog", the path as its subject).
bool seamOpenFileDialog(std::wstring& path, const wchar_t* filter)
{
    Platform::Ui::ModalPoint point;
    point.kind = Platform::Ui::ModalKind::FileBox;
    point.name = "OpenFileDialog";
    point.text = filter ? filter : L"";
    std::wstring chosen = path;
    point.setSubject(&chosen);
    if (!Platform::Ui::answerWithoutPerson(point))
        return false;
    path = chosen;
    return true;
}

SettingHooks makeDefaults()
{
    SettingHooks hooks;
    hooks.insertMovementMenu = builtInMovementMenu;
    hooks.insertFilterMenu = builtInFilterMenu;
    hooks.showOpenFileDialog = seamOpenFileDialog;
    return hooks;
}

} // namespace

SettingHooks& SettingHooks::get()
{
    static SettingHooks hooks = makeDefaults();
    return hooks;
}

} // namespace Component
