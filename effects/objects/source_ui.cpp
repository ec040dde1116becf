#include "effects/objects/source_ui.h"

#include "core/event_command.h"
#include "core/log.h"
#include "effect/effect_base.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <mutex>

namespace Effect::SourceUi {

namespace {
std::mutex mutex;
struct Hooks {
    ToolTipHook toolTip;
    PopupMenuHook popupMenu;
    ErrorHook error;
};
Hooks& hooks()
{
    static Hooks installed;
    return installed;
}
// A copy taken under the lock: a hook runs without it.
template <class Hook>
Hook current(Hook Hooks::*member)
{
    std::lock_guard lock(mutex);
    return hooks().*member;
}
} // namespace

void installHooks(ToolTipHook toolTip, PopupMenuHook popupMenu)
{
    std::lock_guard lock(mutex);
    hooks().toolTip = std::move(toolTip);
    hooks().popupMenu = std::move(popupMenu);
}

void installErrorHook(ErrorHook error)
{
    std::lock_guard lock(mutex);
    hooks().error = std::move(error);
}

void showToolTip(const std::wstring& text)
{
    if (ToolTipHook hook = current(&Hooks::toolTip))
        hook(text);
    else
        System::Log::verbose("Effect::SourceUi::showToolTip", L"%s", text.c_str());
}

bool showPopupMenu(const std::vector<MenuEntry>& menu)
{
    PopupMenuHook hook = current(&Hooks::popupMenu);
    return hook && hook(menu);
}

void postError(const wchar_t* message)
{
    if (ErrorHook hook = current(&Hooks::error)) {
        hook(message);
        return;
    }
    Event::EventCommand command;
    command.kind = static_cast<uint32_t>(Event::EventCommandType::ShowError);
    command.payload = std::make_unique<Event::ErrorPayload>(message);
    Event::postEventCommand(std::move(command));
}

void editFocusEffect(EffectBase* effect, const std::function<void()>& change)
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit || !edit->currentScene)
        return;
    Edit::UpdateSection update(*edit);
    std::shared_ptr<Edit::Object> focus = update.scene ? update.scene->focusObject : nullptr;
    if (!focus)
        return;
    for (const std::shared_ptr<EffectBase>& entry : focus->effects) {
        if (entry.get() != effect)
            continue;
        update.openUndoStep();
        if (Undo::UndoService* undo = Undo::UndoService::Get())
            undo->addEffectUpdate(entry);
        update.notifyEdit = true;
        update.updateSettingValue = true;
        update.updateColorSetting = true;
        update.targetObject = focus;
        change();
        return;
    }
}

} // namespace Effect::SourceUi
