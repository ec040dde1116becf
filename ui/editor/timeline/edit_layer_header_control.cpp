#include "ui/editor/timeline/edit_layer_header_control.h"

#include "core/event_service.h"
#include "core/log.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/edit_layer_object_control.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/window/base_menu.h"
#include "ui/window/bitmap_list.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Component {

namespace {

using Brushes = Window::ColorBrushList;
constexpr int PadlockBitmap = 8; // PNG resource 144

} // namespace

EditLayerHeaderControl::EditLayerHeaderControl(Window::ControlContainer& c, EditComponent& o, int x, int y, int width,
                                               int height)
    : WindowControlRenderTarget(c, x, y, width, height), owner(o)
{
    acceptContextMenu = true;
    acceptRightButton = true;
    acceptWheel = true;
    onHover = [this](int layer) {
        if (layer < 0 || !target)
            return;
        Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y,
                                                 owner.objectView->visibleRect.x + owner.objectView->visibleRect.width,
                                                 visibleRect.y + visibleRect.height, true);
        owner.objectView->hoverHeaderLayer = hoverLayer;
        owner.objectView->drawLayer(layer);
        drawLayerHeader(layer);
    };
}

void EditLayerHeaderControl::setHover(int layer)
{
    if (layer == hoverLayer)
        return;
    const int old = hoverLayer;
    hoverLayer = -1;
    onHover(old);
    hoverLayer = layer;
    onHover(layer);
}

void EditLayerHeaderControl::procMouseMove(int, int y)
{
    if (dragging)
        return;
    setHover(y / owner.view.metrics.layerHeight + owner.view.scene().displayLayer);
}

void EditLayerHeaderControl::procMouseLeave()
{
    if (!pressed)
        setHover(-1);
}

void EditLayerHeaderControl::procLButtonDown(int, int)
{
    if (hoverLayer < 0)
        return;
    dragLayer = hoverLayer;
    dragging = false;
    if (mouseService)
        mouseService->beginDrag(0, 0, &Window::Cursors::System32652);
    drawLayerHeader(hoverLayer);
}

void EditLayerHeaderControl::procLButtonUp(int, int)
{
    if (hoverLayer < 0 || dragging || (mouseService && mouseService->dragMoved))
        return;
    const int layer = hoverLayer;
    if (!Window::WindowMouseService::isKeyDown(17)) {
        toggleLayerHide(layer);
        return;
    }
    Edit::Scene& scene = owner.view.scene();
    const Edit::LayerObjectList& list = scene.getLayer(layer);
    if (!list.layer->lock)
        for (const auto& object : list.objects)
            if (object->layer == layer && !object->selected)
                scene.selection.addObject(object, scene);
    if (!scene.selection.objects.empty()) {
        if (mouseService && !mouseService->keyWatchTarget)
            mouseService->watchKey(this, 17);
        if (owner.view.edit.eventService)
            owner.view.edit.eventService->selectionChanged();
    }
}

void EditLayerHeaderControl::procMouseDrag(int, int y)
{
    if (dragLayer < 0)
        return;
    Edit::Scene& scene = owner.view.scene();
    const int target = std::clamp(y / owner.view.metrics.layerHeight + scene.displayLayer, 0,
                                  std::max(scene.layerCount() - 1, 0));
    if (target == dragLayer)
        return;
    Undo::UndoService* undo = owner.view.edit.undoService;
    if (!dragging) {
        if (undo) {
            undo->recording = true;
            undo->pending.clear();
            undo->addLayerMove(scene.layerList(dragLayer).layer);
        }
        dragging = true;
    }
    {
        Edit::UpdateSection update(owner.view.edit);
        update.updateLayerObject = true;
        if (scene.moveLayer(dragLayer, target))
            dragLayer = target;
    }
    hoverLayer = dragLayer;
    procPaint();
    owner.updateView(-1);
}

void EditLayerHeaderControl::procRelease()
{
    if (dragging) {
        dragging = false;
        if (Undo::UndoService* undo = owner.view.edit.undoService; undo && undo->recording)
            undo->commitUndo();
        if (Event::EventService* events = owner.view.edit.eventService) {
            std::shared_ptr<Edit::Object> none;
            events->editChanged(none);
            events->layerChanged();
        }
    }
    dragLayer = -1;
    if (hoverLayer >= 0)
        drawLayerHeader(hoverLayer);
}

void EditLayerHeaderControl::procKeyRelease()
{
    owner.view.edit.clickClearSelectObject(this);
}

void EditLayerHeaderControl::procRButtonDown(int x, int y)
{
    // A right press here is the object view's: a right drag pans the view.
    EditLayerObjectControl& view = *owner.objectView;
    if (mouseService && mouseService->pressTarget == this) {
        pressed = false;
        mouseService->pressTarget = &view;
        view.procRButtonDown(rect.x + x - view.rect.x, rect.y + y - view.rect.y);
    }
}

void EditLayerHeaderControl::procMouseWheel(int, int, int delta)
{
    const TimelineViewState& view = owner.view;
    const Edit::Scene& scene = view.scene();
    const int layer = std::clamp(scene.displayLayer + (delta > 0 ? -1 : 1), 0,
                                 std::max(view.layerScrollRange - view.visibleLayers, 0));
    owner.setDisplayPosition(layer, scene.displayFrame, scene.cursorFrame);
}

void EditLayerHeaderControl::procContextMenu(int, int)
{
    if (hoverLayer < 0)
        return;
    const int layer = hoverLayer;
    const Edit::Layer& record = *owner.view.scene().getLayer(layer).layer;
    Window::PopupMenu menu;
    menu.insertItem(L"レイヤーをロック", [this, layer] { toggleLayerLock(layer); }).setCheck(record.lock);
    menu.insertItem(L"レイヤーの表示", [this, layer] { toggleLayerHide(layer); }).setCheck(!record.hide);
    menu.insertItem(L"レイヤー名を変更", [this, layer] { renameLayer(layer); });
    menu.insertItem(L"他のレイヤーを表示/非表示", [this, layer] { toggleOtherLayers(layer); });
    menu.insertSeparator();
    menu.insertItem(L"レイヤーを挿入", [this, layer] { insertLayer(layer); });
    menu.insertItem(L"レイヤーを削除", [this, layer] { deleteLayer(layer); });
    menu.insertSeparator();
    owner.procWindowMenu(menu);
    menu.show();
}

// ---------------------------------------------------------------- commands

namespace {

// One transaction that records the layer records before the change.
template <class F>
void changeLayers(EditComponent& owner, F&& change)
{
    Edit::UpdateSection update(owner.view.edit);
    update.notifyEdit = true;
    update.notifyLayer = true;
    update.openUndoStep();
    change(update);
}

} // namespace

void EditLayerHeaderControl::toggleLayerHide(int layer)
{
    System::Log::info("Component::EditLayerHeaderControl::toggleLayerHide", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection&) {
        const std::shared_ptr<Edit::Layer>& record = owner.view.scene().layerList(layer).layer;
        owner.view.edit.undoService->addLayerUpdate(record);
        record->hide = !record->hide;
    });
}

void EditLayerHeaderControl::toggleLayerLock(int layer)
{
    System::Log::info("Component::EditLayerHeaderControl::toggleLayerLock", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection&) {
        const std::shared_ptr<Edit::Layer>& record = owner.view.scene().layerList(layer).layer;
        owner.view.edit.undoService->addLayerUpdate(record);
        record->lock = !record->lock;
    });
}

void EditLayerHeaderControl::renameLayer(int layer)
{
    Dialog::InputStringDialog dialog;
    dialog.title = L"レイヤー名を変更";
    dialog.text = owner.view.scene().getLayer(layer).layer->name;
    if (!dialog.show())
        return;
    System::Log::info("Component::EditLayerHeaderControl::renameLayer", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection&) {
        const std::shared_ptr<Edit::Layer>& record = owner.view.scene().layerList(layer).layer;
        owner.view.edit.undoService->addLayerUpdate(record);
        record->name = dialog.text;
    });
}

void EditLayerHeaderControl::toggleOtherLayers(int layer)
{
    System::Log::info("Component::EditLayerHeaderControl::toggleOtherLayers", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection&) {
        Edit::Scene& scene = owner.view.scene();
        bool anyHidden = false;
        scene.layers.forEach([&](int, Edit::LayerObjectList& list) { anyHidden |= list.layer->hide; });
        if (!anyHidden) {
            // Every other existing layer is hidden (lists made as needed).
            for (int i = 0; i < scene.layerCount(); ++i) {
                if (i == layer)
                    continue;
                const std::shared_ptr<Edit::Layer>& record = scene.layerList(i).layer;
                owner.view.edit.undoService->addLayerUpdate(record);
                record->hide = true;
            }
        } else {
            scene.layers.forEach([&](int, Edit::LayerObjectList& list) {
                if (!list.layer->hide)
                    return;
                owner.view.edit.undoService->addLayerUpdate(list.layer);
                list.layer->hide = false;
            });
        }
    });
}

void EditLayerHeaderControl::insertLayer(int layer)
{
    System::Log::info("Component::EditLayerHeaderControl::insertLayer", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection& update) {
        update.updateLayerObject = true;
        auto record = std::make_shared<Edit::Layer>();
        owner.view.edit.undoService->addLayerCreate(record);
        owner.view.scene().insertLayer(layer, record);
    });
}

void EditLayerHeaderControl::deleteLayer(int layer)
{
    setHover(-1);
    System::Log::info("Component::EditLayerHeaderControl::deleteLayer", "layer=%d", layer + 1);
    changeLayers(owner, [&](Edit::UpdateSection& update) {
        update.updateLayerObject = true;
        Edit::Scene& scene = owner.view.scene();
        Undo::UndoService& undo = *owner.view.edit.undoService;
        for (const auto& object : scene.getLayer(layer).objects)
            if (object->layer == layer)
                undo.addObjectCreateDelete(object);
        undo.addLayerCreateDelete(scene.layerList(layer).layer);
        scene.deleteLayer(layer);
    });
}

// ---------------------------------------------------------------- painting

void EditLayerHeaderControl::procPaint()
{
    if (!target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    owner.ensureLayerRange();
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, visibleRect.y, visibleRect.x + visibleRect.width,
                                             visibleRect.y + visibleRect.height, true);
    originX = rect.x;
    originY = rect.y;
    const int lh = owner.view.metrics.layerHeight;
    for (int r = 0; r * lh < rect.height; ++r)
        paintRow(owner.view.scene().displayLayer + r);
}

void EditLayerHeaderControl::drawLayerHeader(int layer)
{
    if (!target || !visible || visibleRect.width <= 0 || visibleRect.height <= 0)
        return;
    const int lh = owner.view.metrics.layerHeight;
    const int row = layer - owner.view.scene().displayLayer;
    if (row < 0 || row * lh >= rect.height)
        return;
    const int top = std::max(rect.y + row * lh, visibleRect.y);
    const int bottom = std::min(rect.y + (row + 1) * lh, visibleRect.y + visibleRect.height);
    if (bottom <= top)
        return;
    Media::RenderTarget::DrawSection section(*this, visibleRect.x, top, visibleRect.x + visibleRect.width, bottom, true);
    originX = rect.x;
    originY = rect.y;
    paintRow(layer);
}

void EditLayerHeaderControl::paintRow(int layer)
{
    const int lh = owner.view.metrics.layerHeight;
    const int top = (layer - owner.view.scene().displayLayer) * lh;
    const int width = rect.width;
    const Edit::Layer& record = *owner.view.scene().getLayer(layer).layer;
    Brushes& brushes = *colorBrushList;
    fillRect(0, top, width, top + lh,
             brushes[layer == hoverLayer ? Brushes::LayerHover : record.hide ? Brushes::LayerDisable : Brushes::LayerHeader]);
    {
        Media::RenderTarget::DrawSection clip(*this, rect.x, rect.y + top, rect.x + width, rect.y + top + lh, true);
        originX = rect.x;
        originY = rect.y;
        const std::wstring name = owner.view.edit.getLayerName(layer);
        drawText(name.c_str(), textFormatList->get(Resource::TextFormatList::LayerObject),
                 brushes[record.hide ? Brushes::TextDisable : Brushes::Text], 4, top + owner.textOffsetHeader,
                 width - 4, lh - owner.textOffsetHeader);
    }
    // The padlock in a square of half the row's height at the right; the row's frame below it.
    const int b = lh;
    if (record.lock) {
        if (Window::WindowService* window = Window::WindowService::Get())
            if (Platform::Draw::Bitmap* padlock = window->bitmapList.get(PadlockBitmap))
                drawBitmap(padlock, width - b / 2 - 1, top + b / 2 - b / 4, width - 1, top + b / 2 + b / 4, 1.0f);
    }
    drawRect(0, top, width, top + b + 1, brushes[Brushes::Border], 2, nullptr);
}

} // namespace Component
