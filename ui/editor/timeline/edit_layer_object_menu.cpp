// The object view's context menu (the place menu on empty space, the object
// menu over a selection) and files dropped on the view.
#include "core/event_service.h"
#include "core/file_name.h"
#include "effect/media_object.h"
#include "effect/effect_base.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/menus/dialog.h"
#include "ui/menus/object_menu.h"
#include "platform/ui/menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cwctype>

namespace Component {

namespace {

namespace EditCommand = Edit::EditCommand;

// Adds to the selection every unselected object that the test takes, off locked layers.
template <class Take>
void selectWhere(EditLayerObjectControl& view, Take&& take)
{
    Edit::Scene& scene = view.owner.view.scene();
    for (int layer = 0; layer <= scene.lastLayer; ++layer) {
        const Edit::LayerObjectList& list = scene.getLayer(layer);
        if (list.layer->lock)
            continue;
        for (const auto& object : list.objects)
            if (object->layer == layer && !object->selected && take(*object))
                scene.selection.addObject(object, scene);
    }
    if (!scene.selection.objects.empty()) {
        view.watchControlKey();
        if (Event::EventService* events = view.owner.view.edit.eventService)
            events->selectionChanged();
    }
}

std::wstring lowerExtension(const std::wstring& path)
{
    std::wstring extension = System::FileName::getExtension(path.c_str());
    for (wchar_t& c : extension)
        c = wchar_t(std::towlower(c));
    if (!extension.empty() && extension.front() == L'.')
        extension.erase(0, 1);
    return extension;
}

} // namespace

int EditLayerObjectControl::placeFrame(int x) const
{
    const int frame = owner.view.frameAt(x);
    const int threshold = editor.snapThreshold();
    int offset = threshold;
    editor.findSnapFrame(frame, offset);
    return std::abs(offset) < threshold ? frame + offset : frame;
}

void EditLayerObjectControl::procContextMenu(int x, int y)
{
    Edit::EditService& edit = owner.view.edit;
    Edit::Scene& scene = owner.view.scene();
    const int layer = std::max(y, 0) / owner.view.metrics.layerHeight + scene.displayLayer;
    const int frame = std::max(placeFrame(x), 0);
    const int split = edit.addSectionSplitByCursorFrame ? scene.cursorFrame : frame;
    const bool ctrl = Window::WindowMouseService::isKeyDown(17);
    std::shared_ptr<Edit::Object> clicked;
    int section = -1;
    if (!ctrl) {
        clicked = editor.hitTestObject(x, y);
        if (clicked) {
            edit.selectObject(this, clicked, edit.clickLayerObjectSelectGroup != 0);
            section = editor.findSectionPoint(*clicked, x);
        }
    }
    drawDropMarker(frame);

    Window::PopupMenu menu;
    if (scene.selection.objects.empty()) {
        Window::BaseMenu add(menu, L"オブジェクトを追加");
        if (insertObjectMenu)
            insertObjectMenu(add, layer, frame, 200);
        Window::BaseMenu filter(menu, L"フィルタ効果を追加");
        if (insertObjectMenu)
            insertObjectMenu(filter, layer, frame, 201);
        menu.insertSeparator();
        menu.insertItem(L"貼り付け", [layer, frame] { EditCommand::pasteObject(layer, frame); })
            .setEnable(!edit.objectClipboard.empty());
        menu.insertItem(L"空のフレームを挿入", [frame] { EditCommand::insertNullFrame(frame); });
        menu.insertSeparator();
        Window::BaseMenu select(menu, L"オブジェクト選択");
        select.insertItem(L"全てのオブジェクトを選択", [this] { selectWhere(*this, [](const Edit::Object&) { return true; }); });
        select.insertItem(L"現在のフレーム以降に開始するオブジェクトを選択", [this, &scene] {
            const int cursor = scene.cursorFrame;
            selectWhere(*this, [cursor](const Edit::Object& o) { return o.start >= cursor; });
        });
        select.insertItem(L"現在のフレーム以前に終了するオブジェクトを選択", [this, &scene] {
            const int cursor = scene.cursorFrame;
            selectWhere(*this, [cursor](const Edit::Object& o) { return o.end <= cursor; });
        });
        // The selection commands make sense only while Ctrl keeps a selection alive.
        Platform::Ui::setMenuItemEnabled(menu.hmenu, menu.findSubMenu(select), ctrl);
        menu.insertSeparator();
        owner.procWindowMenu(menu);
    } else {
        menu.insertItem(L"切り取り", [] { EditCommand::cutObject(false); });
        menu.insertItem(L"コピー", [] { EditCommand::copyObject(); });
        menu.insertItem(L"貼り付け", [layer, frame] { EditCommand::pasteObject(layer, frame); })
            .setEnable(!edit.objectClipboard.empty());
        menu.insertItem(L"削除", [] { EditCommand::deleteObject(); });
        menu.insertItem(L"複製", [] { EditCommand::duplicateObject(); });
        bool splittable = false;
        for (const auto& object : scene.selection.objects)
            splittable |= object->layer >= 0 && object->start < split && split <= object->end;
        menu.insertItem(L"分割", [split] { EditCommand::splitObject(split); }).setEnable(splittable);
        menu.insertSeparator();
        menu.insertItem(L"左側に詰める", [] { EditCommand::removeObjectLeftGap(); });
        menu.insertItem(L"切り取りして詰める", [] { EditCommand::cutObject(true); });
        menu.insertItem(L"切り出し", [] { EditCommand::trimObject(); })
            .setEnable(scene.frameSelectionStart >= 0 && scene.frameSelectionEnd >= 0);
        menu.insertItem(L"長さを変更", [] { EditCommand::changeObjectLength(); });
        menu.insertSeparator();
        if (EditCommand::canSeparateAudioObject()) {
            menu.insertItem(L"音声を分離", [] { EditCommand::separateAudioObject(); }).setEnable(clicked != nullptr);
            menu.insertSeparator();
        }
        Dialog::insertLayerRangeMenu(menu);
        menu.insertItem(L"中間点を追加", [clicked, split] { EditCommand::createSection(clicked, split); })
            .setEnable(clicked && clicked->canSplitSection(split));
        menu.insertItem(L"中間点を削除", [clicked, section] { EditCommand::deleteSection(clicked, section); })
            .setEnable(clicked && section >= 1 && section <= int(clicked->midPoints.size()));
        menu.insertSeparator();
        Dialog::insertGroupMenu(menu);
        menu.insertSeparator();
        menu.insertItem(L"エイリアスを作成", [] { EditCommand::saveObjectAlias(); });
    }
    menu.show([this] { restoreStrip(); });
}

bool EditLayerObjectControl::procDragOver(int x, int, Window::DropInfo& info)
{
    if (info.files.empty())
        return false;
    const std::wstring& first = info.files.front();
    if (lowerExtension(first) != L"object" && !Effect::isMediaObjectFile(first.c_str()))
        return false;
    drawDropMarker(placeFrame(x));
    Window::ToolTips::get().showAtCursor(L"レイヤーに追加");
    return true;
}

void EditLayerObjectControl::procDragLeave()
{
    restoreStrip();
}

bool EditLayerObjectControl::procDrop(int x, int y, Window::DropInfo& info)
{
    restoreStrip();
    const int frame = std::max(placeFrame(x), 0);
    int layer = std::max(y, 0) / owner.view.metrics.layerHeight + owner.view.scene().displayLayer;
    for (const std::wstring& path : info.files) {
        if (lowerExtension(path) == L"object") {
            EditCommand::loadObjectAlias(path.c_str(), layer, frame);
        } else {
            const wchar_t* effect = Effect::getMediaObjectName(path.c_str());
            if (!effect) {
                Dialog::postError(L"このファイルには対応していません");
                return false;
            }
            EditCommand::createObject(effect, layer, frame,
                                      [&path](const std::shared_ptr<Edit::Object>& object, Edit::UpdateSection& update) {
                                          update.scene->updateLayerObject();
                                          Effect::ItemEvent event;
                                          event.code = Effect::ItemEvent::FileSet;
                                          event.update = &update;
                                          event.payload = path.c_str();
                                          object->sendInputItemEvent(event);
                                      });
        }
        ++layer;
    }
    return true;
}

} // namespace Component
