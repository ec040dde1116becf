#include "ui/settings/controls/file_controls.h"

#include "core/file_name.h"
#include "core/setting_service.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_simple.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "ui/settings/controls/theme_icons.h"
#include "ui/settings/window/setting_hooks.h"
#include "ui/window/base_menu.h"
#include "ui/window/shortcut_manager.h"
#include "ui/window/tool_tips.h"

#include <algorithm>

namespace Component {

namespace {

std::wstring messageText(const wchar_t* text)
{
    return Effect::translatedEffectText(text);
}

// The part of a path after its last separator.
std::wstring fileNamePart(const std::wstring& path)
{
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? path : path.substr(cut + 1);
}

int scrollBarWidth()
{
    return Setting::Layout::ScrollBarSize > 0 ? Setting::Layout::ScrollBarSize : 20;
}

} // namespace

// ---- file ----

FileItemControl::FileItemControl(Window::ControlContainer& container,
                                 const std::shared_ptr<Effect::EffectBase>& ownerEffect, Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), nameButton(box, headerWidth, effectText(it.name)),
      fileText(box, headerWidth + marginWidth, 0, 0, 0, L"", 2)
{
    nameButton.onClick = [this](Control::ButtonControl&) { chooseFile(); };
    updateValue();
}

FileItemControl::~FileItemControl() = default;

void FileItemControl::updateValue()
{
    if (!item->path.empty())
        fileText.text = fileNamePart(item->path);
    else if (!emptyText.empty())
        fileText.text = effectText(emptyText);
    else
        fileText.text = messageText(L"未選択");
}

void FileItemControl::updateFile(const std::wstring& path)
{
    ItemWrite write(*this, true);
    std::wstring stored = path;
    System::FileName::expandVariable(stored);
    item->path = stored;
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    updateValue();
}

void FileItemControl::chooseFile()
{
    std::wstring path = item->path;
    const auto& ask = SettingHooks::get().showOpenFileDialog;
    if (ask && ask(path, item->filter))
        updateFile(path);
    else if (item->clearable)
        updateFile(L"");
}

void FileItemControl::setExtraButton(ExtraButton button)
{
    extraButton = std::move(button);
    extra = std::make_unique<Control::BitmapButtonControl>(box, -rowHeight(), 0, rowHeight(), 0);
    extra->bitmap = themeBitmap(ThemeIcon(extraButton->icon));
    extra->toolTip = extraButton->text;
    extra->onClick = [this](Control::ButtonControl&) { pressExtraButton(); };
    fileText.placeWidth = -(rowHeight() + marginWidth);
}

void FileItemControl::setEmptyText(std::wstring text)
{
    emptyText = std::move(text);
    updateValue();
}

bool FileItemControl::pressExtraButton()
{
    if (!extraButton || !extraButton->action)
        return false;
    extraButton->action();
    return true;
}

void FileItemControl::procMove()
{
    EffectItemRowControl::procMove();
}

// ---- scene ----

EffectItemSceneControl::EffectItemSceneControl(Window::ControlContainer& container,
                                               const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                               Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()), nameButton(box, 0, 0, headerWidth, 0, 0),
      sceneName(box, headerWidth + marginWidth, 0, 0, 0, L"", 2)
{
    nameButton.label = effectText(it.name);
    nameButton.onClick = [this](Control::ButtonControl&) { showScenes(); };
    updateValue();
}

std::wstring EffectItemSceneControl::sceneText(int id)
{
    if (id == 0)
        return messageText(L"未選択");
    Edit::EditService* edit = Edit::EditService::Get();
    std::wstring name;
    if (edit) {
        const auto found = edit->project.scenes.find(id);
        if (found != edit->project.scenes.end() && found->second)
            name = found->second->name;
    }
    return name.empty() ? Edit::Scene::getDefaultName(id) : name;
}

void EffectItemSceneControl::updateValue()
{
    sceneName.text = sceneText(item->value);
}

void EffectItemSceneControl::showScenes()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        return;
    std::vector<std::shared_ptr<Edit::Scene>> scenes;
    for (const auto& scene : edit->project.getSceneList())
        if (scene->id != 0 && scene != edit->currentScene)
            scenes.push_back(scene);
    if (scenes.empty()) {
        Window::ToolTips::get().showAtCursor(messageText(L"シーンを追加すると表示されます"));
        return;
    }
    Window::PopupMenu menu;
    for (const auto& scene : scenes) {
        const int id = scene->id;
        menu.insertItem(scene->name, [this, id] { selectScene(id); }).setRadioCheck().setCheck(id == item->value);
    }
    menu.show();
}

void EffectItemSceneControl::selectScene(int id)
{
    ItemWrite write(*this, true);
    item->value = id;
    sendItemChangedEvent(write.update, focusObject(), owner, *item);
    updateValue();
}

// ---- string ----

EffectItemStringControl::EffectItemStringControl(Window::ControlContainer& container,
                                                 const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                                 Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, rowHeight()),
      name(box, 0, 0, headerWidth, 0, effectText(it.name), 0), edit(&box, headerWidth + marginWidth, 0)
{
    edit.centerVertical = true;
    edit.charFilter = L"[^\r\n]";
    edit.onChange = [this](Control::EditControl& field) {
        ItemWrite write(*this, true);
        item->text = field.text;
    };
    updateValue();
}

void EffectItemStringControl::updateValue()
{
    edit.text = item->text;
    edit.updateTextLayout();
    edit.updateScroll();
}

// ---- text ----

EffectItemTextControl::EffectItemTextControl(Window::ControlContainer& container,
                                             const std::shared_ptr<Effect::EffectBase>& ownerEffect,
                                             Effect::EffectItem& it)
    : EffectItemControl(container, ownerEffect, it, 4 * rowHeight()), edit(&box, 0, -scrollBarWidth()),
      scrollBar(box, -scrollBarWidth(), 0, scrollBarWidth(), 0, edit)
{
    edit.charFilter = L"[^\uFE00-\uFE0F]";
    edit.onChange = [this](Control::EditControl& field) {
        ItemWrite write(*this, true);
        write.update.updateTextSetting = true;
        item->text = field.text;
        sendItemChangedEvent(write.update, focusObject(), owner, *item);
    };
    edit.keyHook = [this](int key) { return textKey(key); };
    edit.text = item->text;
    edit.updateTextLayout();
}

bool EffectItemTextControl::textKey(int virtualKey)
{
    Window::ShortcutManager* shortcuts = Window::ShortcutManager::Get();
    Undo::UndoService* undo = Undo::UndoService::Get();
    if (!shortcuts || !undo)
        return false;
    const int code = shortcuts->getCommandCode(virtualKey);
    if (code == 0x405A) {
        undo->undoText(item);
        return true;
    }
    if (code == 0x605A) {
        undo->redoText(item);
        return true;
    }
    return false;
}

void EffectItemTextControl::updateValue()
{
    if (edit.text == item->text)
        return;
    edit.text = item->text;
    edit.updateTextLayout();
    edit.updateScroll();
    scrollBar.updateRange();
}

void EffectItemTextControl::procPaint()
{
    updateValue();
    EffectItemRowControl::procPaint();
}

} // namespace Component
