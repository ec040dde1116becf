#include "ui/menus/object_menu.h"

#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/window/base_menu.h"

#include <algorithm>

namespace Dialog {

namespace EditCommand = Edit::EditCommand;

namespace {

// The scene the menu is built for; null without an edit service.
const Edit::Scene* currentScene()
{
    const Edit::EditService* edit = Edit::EditService::Get();
    return edit ? edit->currentScene.get() : nullptr;
}

} // namespace

void insertObjectEditMenu(Window::BaseMenu& menu)
{
    const Edit::Scene* scene = currentScene();
    const bool target = scene && !EditCommand::Targets(*scene).empty();
    const bool clipboard = scene && !Edit::EditService::Get()->objectClipboard.empty();
    menu.insertItem(L"切り取り", [] { EditCommand::cutObject(false); }).setEnable(target);
    menu.insertItem(L"コピー", [] { EditCommand::copyObject(); }).setEnable(target);
    menu.insertItem(L"貼り付け", [] { EditCommand::pasteObject(); }).setEnable(clipboard);
    menu.insertItem(L"削除", [] { EditCommand::deleteObject(); }).setEnable(target);
    menu.insertItem(L"複製", [] { EditCommand::duplicateObject(); }).setEnable(target);
}

void insertGroupMenu(Window::BaseMenu& menu)
{
    const Edit::Scene* scene = currentScene();
    bool canSet = false;
    bool canClear = false;
    if (scene) {
        const auto& selected = scene->selection.objects;
        canSet = selected.size() >= 2;
        if (!selected.empty()) {
            canClear = std::all_of(selected.begin(), selected.end(), [](const auto& o) { return o->group != nullptr; });
        } else {
            const auto& focus = scene->focusObject;
            canClear = focus && focus->layer >= 0 && focus->group;
        }
    }
    menu.insertItem(L"グループ化", [] { EditCommand::setGroup(); }).setEnable(canSet);
    menu.insertItem(L"グループ解除", [] { EditCommand::clearGroup(); }).setEnable(canClear);
}

void insertLayerRangeMenu(Window::BaseMenu& menu)
{
    const Edit::Scene* scene = currentScene();
    if (!scene || !scene->selection.hasLayerControl || scene->selection.objects.size() < 2)
        return;
    menu.insertItem(L"対象レイヤー範囲を調整", [] { EditCommand::adjustLayerRange(); });
    menu.insertSeparator();
}

} // namespace Dialog
