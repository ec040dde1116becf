#include "ui/editor/timeline/edit_layer_object_control.h"

#include "core/event_service.h"
#include "core/translate_service.h"
#include "effect/effect_base.h"
#include "platform/ui/surface.h"
#include "project/edit/edit_service.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/edit_component.h"
#include "ui/editor/timeline/timeline_view_state.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_service.h"

#include <algorithm>

namespace Component {

namespace {

constexpr int KeyShift = 16, KeyControl = 17, KeyLeft = 0x25, KeyRight = 0x27;

bool keyDown(int key)
{
    return Window::WindowMouseService::isKeyDown(key);
}

} // namespace

EditLayerObjectControl::EditLayerObjectControl(Window::ControlContainer& c, EditComponent& o, int x, int y, int width,
                                               int height)
    : WindowControlRenderTarget(c, x, y, width, height), owner(o), editor(o.view, o.settings)
{
    acceptContextMenu = true;
    acceptRightButton = true;
    acceptWheel = true;
    acceptDrop = true;
    editor.onDragTime = [this] { showDragTime(); };
    focusMarker = owner.view.scene().focusObject;
}

EditLayerObjectControl::~EditLayerObjectControl()
{
    if (dragTimeShown_)
        Window::ToolTips::get().hide();
}

// ---------------------------------------------------------------- hover and focus

void EditLayerObjectControl::redrawRow(const std::shared_ptr<Edit::Object>& object)
{
    if (object && object->layer >= 0)
        drawLayer(object->layer);
}

void EditLayerObjectControl::setHover(const std::shared_ptr<Edit::Object>& object, HoverPart part, int index)
{
    std::shared_ptr<Edit::Object> old = editor.hoverObject;
    editor.hoverObject = object;
    editor.hoverPart = part;
    editor.hoverIndex = index;
    if (old && (!object || old->layer != object->layer))
        redrawRow(old);
    redrawRow(object);
}

void EditLayerObjectControl::clearHover()
{
    if (!editor.hoverObject)
        return;
    std::shared_ptr<Edit::Object> old = std::move(editor.hoverObject);
    editor.hoverObject.reset();
    editor.hoverPart = HoverPart::Body;
    editor.hoverIndex = -1;
    redrawRow(old);
}

void EditLayerObjectControl::setFocusMarker(const std::shared_ptr<Edit::Object>& focus)
{
    if (focus == focusMarker)
        return;
    std::shared_ptr<Edit::Object> old = focusMarker;
    focusMarker = focus;
    redrawRow(old);
    if (focus && (!old || focus->layer != old->layer))
        redrawRow(focus);
}

void EditLayerObjectControl::resetScene()
{
    editor.hoverObject.reset();
    editor.hoverIndex = -1;
    focusMarker = owner.view.scene().focusObject;
    stripSaved = false;
}

void EditLayerObjectControl::watchControlKey()
{
    if (mouseService && !mouseService->keyWatchTarget)
        mouseService->watchKey(this, KeyControl);
}

void EditLayerObjectControl::procMouseMove(int x, int y)
{
    owner.mouseMove(rect.x + x, rect.y + y);
    if (editor.mode != DragMode::None)
        return;
    std::shared_ptr<Edit::Object> object = editor.hitTestObject(x, y);
    if (!object) {
        clearHover();
        return;
    }
    int index = -1;
    const HoverPart part = editor.getHoverPart(*object, x, index);
    if (object != editor.hoverObject || part != editor.hoverPart || index != editor.hoverIndex) {
        setHover(object, part, index);
        trackMouseHover();
    }
    if (part != HoverPart::Body && !keyDown(KeyControl) && mouseService)
        mouseService->setCursor(&Window::Cursors::SizeWE);
}

void EditLayerObjectControl::procMouseLeave()
{
    if (editor.mode == DragMode::None)
        clearHover();
}

void EditLayerObjectControl::procMouseHover()
{
    const std::shared_ptr<Edit::Object>& object = editor.hoverObject;
    if (!object || object->layer < 0 || object->effects.empty())
        return;
    Effect::EffectBase& effect = *object->effects.front();
    const Translate::TranslateService* translate = Translate::TranslateService::Get();
    std::wstring text = translate && Translate::TranslateService::enabled ? translate->effect.translate(effect.name)
                                                                          : effect.name;
    const std::wstring shown = effect.getName();
    if (shown != text)
        text += L" : " + shown;
    Window::ToolTips::get().showAtCursor(text);
}

// ---------------------------------------------------------------- presses

void EditLayerObjectControl::beginDrag(DragMode mode, int x, int y)
{
    editor.beginDrag(mode, x, y);
    if (mouseService)
        mouseService->beginDrag(0, 0, mouseService->mouseCursor.requestedCursor);
}

void EditLayerObjectControl::beginEditDrag(DragMode mode, int x, int y)
{
    editor.beginEditDrag(mode, x, y, keyDown(KeyShift));
    if (mouseService)
        mouseService->beginDrag(0, 0, mouseService->mouseCursor.requestedCursor);
}

void EditLayerObjectControl::procLButtonDown(int x, int y)
{
    Edit::EditService& edit = owner.view.edit;
    Edit::Scene& scene = owner.view.scene();
    const bool ctrl = keyDown(KeyControl), shift = keyDown(KeyShift);
    const bool doubleClick = mouseService && mouseService->doubleClick;
    std::shared_ptr<Edit::Object> hover = editor.hoverObject;
    if (hover && (hover->layer < 0 || editor.hitTestObject(x, y) != hover))
        hover.reset();

    if (hover) {
        if (!ctrl) {
            if (doubleClick && hover == scene.focusObject)
                edit.setFocusObject(nullptr);
            else if (doubleClick != (edit.singleClickFocusLayerObject != 0))
                edit.setFocusObject(hover);
        }
        if (ctrl && doubleClick) {
            // The hovered part chooses what joins the selection.
            bool any = false;
            const Edit::LayerObjectList& list = scene.getLayer(hover->layer);
            if (!list.layer->lock && editor.hoverPart != HoverPart::Section) {
                for (const auto& object : list.objects) {
                    if (object->layer != hover->layer || object->selected)
                        continue;
                    const bool take = editor.hoverPart == HoverPart::Body ||
                                      (editor.hoverPart == HoverPart::Start && object->start < hover->start) ||
                                      (editor.hoverPart == HoverPart::End && object->end > hover->end);
                    if (take)
                        any |= scene.selection.addObjectWithGroup(object, scene);
                }
            }
            if (!scene.selection.objects.empty()) {
                watchControlKey();
                if (edit.eventService)
                    edit.eventService->selectionChanged();
            }
            (void)any;
            drawLayer(hover->layer);
            return;
        }
        if (!ctrl && (editor.hoverPart == HoverPart::Start || editor.hoverPart == HoverPart::End)) {
            if (mouseService)
                mouseService->setCursor(&Window::Cursors::SizeWE);
            if (scene.selection.objects.empty()) {
                edit.addSelectObject(hover, false);
                if (hover->group) {
                    for (const auto& member : hover->group->getObjectList(scene)) {
                        if (member == hover || member->layer < 0)
                            continue;
                        const bool same = editor.hoverPart == HoverPart::Start ? member->start == hover->start
                                                                               : member->end == hover->end;
                        if (shift || same)
                            edit.addSelectObject(member, false);
                    }
                }
                if (edit.eventService)
                    edit.eventService->selectionChanged();
            }
            beginEditDrag(editor.hoverPart == HoverPart::Start ? DragMode::ResizeStart : DragMode::ResizeEnd, x, y);
            drawLayer(hover->layer);
            return;
        }
        if (!ctrl && editor.hoverPart == HoverPart::Section) {
            if (mouseService)
                mouseService->setCursor(&Window::Cursors::SizeWE);
            edit.addSelectObject(hover, true);
            beginEditDrag(DragMode::MoveSection, x, y);
            drawLayer(hover->layer);
            return;
        }
        if (mouseService)
            mouseService->setCursor(&Window::Cursors::Arrow);
        // A Ctrl click on an object already selected marks it: released without a move, it leaves the selection.
        if (ctrl && hover->selected)
            scene.selection.reselected = hover.get();
        Edit::Object* mark = scene.selection.reselected;
        edit.selectObject(this, hover, edit.clickLayerObjectSelectGroup != 0);
        if (!scene.selection.reselected)
            scene.selection.reselected = mark && mark->selected ? mark : nullptr;
        beginEditDrag(DragMode::MoveObject, x, y);
        drawLayer(hover->layer);
        return;
    }

    if (ctrl) {
        watchControlKey();
        bandX = x;
        bandY = y;
        bandWidth = bandHeight = 0;
        beginDrag(DragMode::SelectRect, x, y);
        return;
    }
    if (y < 0 && scene.frameSelectionStart >= 0 && doubleClick && !shift) {
        owner.setFrameSelection(-1, -1);
        return;
    }
    if (mouseService)
        mouseService->setCursor(&Window::Cursors::Arrow);
    beginDrag(DragMode::MoveCursor, x, y);
    owner.setCursorFrameAt(x);
}

void EditLayerObjectControl::procRButtonDown(int x, int y)
{
    editor.beginDrag(DragMode::ScrollView, x, y);
    if (mouseService)
        mouseService->beginDrag(x, y, &Window::Cursors::SizeAll);
}

// ---------------------------------------------------------------- drags

void EditLayerObjectControl::procMouseDrag(int x, int y)
{
    TimelineViewState& view = owner.view;
    Edit::Scene& scene = view.scene();
    switch (editor.mode) {
    case DragMode::MoveObject:
        if (scene.selection.objects.empty()) {
            if (mouseService)
                mouseService->setCursor(&Window::Cursors::No);
            return;
        }
        editor.dragMove(x, y, keyDown(KeyShift));
        return;
    case DragMode::ResizeStart:
    case DragMode::ResizeEnd:
    case DragMode::MoveSection: editor.dragEdit(x); return;
    case DragMode::MoveCursor: owner.setCursorFrameAt(x); return;
    case DragMode::SelectRect: {
        bandWidth = x - bandX;
        bandHeight = y - bandY;
        bandLeft = std::min(bandX, x);
        bandRight = std::max(bandX, x);
        bandTop = std::min(bandY, y);
        bandBottom = std::max(bandY, y);
        editor.selectRect(bandLeft, bandTop, bandRight, bandBottom);
        procPaint();
        return;
    }
    case DragMode::ScrollView: {
        const int lh = view.metrics.layerHeight;
        const int layer = std::clamp(editor.pressDisplayLayer - y / lh, 0,
                                     std::max(view.layerScrollRange - view.visibleLayers, 0));
        const int64_t frame = std::clamp<int64_t>(editor.pressDisplayFrame - int64_t(x) * 10000 / view.zoom(), 0,
                                                  std::max(view.frameScrollRange - view.visibleFrames, 0));
        owner.setDisplayPosition(layer, int(frame), scene.cursorFrame);
        return;
    }
    default: return;
    }
}

bool EditLayerObjectControl::procDragKey(int virtualKey)
{
    if (virtualKey != KeyLeft && virtualKey != KeyRight)
        return false;
    return editor.dragKey(virtualKey == KeyLeft ? -1 : 1);
}

void EditLayerObjectControl::showDragTime()
{
    if (!owner.settings.showMoveObjectTime || !editor.hoverObject || editor.hoverObject->layer < 0)
        return;
    const Edit::Object& object = *editor.hoverObject;
    const int frame = editor.dragTimeFrame();
    const TimelineViewState& view = owner.view;
    const int lh = view.metrics.layerHeight;
    int x = rect.x + int(view.pixelOf(frame));
    int y = rect.y + (object.layer - view.scene().displayLayer + 1) * lh + 3;
    if (Window::WindowService* window = Window::WindowService::Get(); window && window->surface)
        window->surface->clientToScreen(x, y);
    Window::ToolTips::get().show({x, y}, editor.dragTimeText(frame, object.start), 0);
    dragTimeShown_ = true;
}

void EditLayerObjectControl::finishEditDrag()
{
    editor.finishEditDrag();
    if (dragTimeShown_) {
        Window::ToolTips::get().hide();
        dragTimeShown_ = false;
    }
}

void EditLayerObjectControl::endDrag(bool checkSelection)
{
    Edit::EditService& edit = owner.view.edit;
    Edit::Scene& scene = owner.view.scene();
    bool redraw = false;
    if (bandWidth != 0 && bandHeight != 0) {
        bandWidth = bandHeight = 0;
        redraw = true;
    }
    const bool editMode = editor.isEditMode();
    const bool moved = mouseService && mouseService->dragMoved;
    if (editMode) {
        Edit::ObjectSelection& selection = scene.selection;
        if (!moved && selection.reselected && selection.reselected->selected) {
            Edit::Object* mark = selection.reselected;
            mark->selected = false;
            std::erase_if(selection.objects, [mark](const auto& o) { return o.get() == mark; });
            if (edit.eventService)
                edit.eventService->selectionChanged();
            redraw = true;
        }
        selection.reselected = nullptr;
    }
    finishEditDrag();
    if (checkSelection)
        edit.clickClearSelectObject(this);
    if (editMode && moved) {
        if (edit.eventService) {
            std::shared_ptr<Edit::Object> none;
            edit.eventService->editChanged(none);
        }
    } else if (redraw) {
        owner.updateView(-1);
    }
}

void EditLayerObjectControl::procRelease()
{
    endDrag(true);
}

void EditLayerObjectControl::procDragCancel()
{
    endDrag(false);
}

void EditLayerObjectControl::procKeyRelease()
{
    // Ctrl let go while the press goes on: the selection waits for the press's end.
    if (pressed) {
        owner.view.edit.clickClearSelectObject(this);
        return;
    }
    endDrag(true);
}

void EditLayerObjectControl::procMouseWheel(int x, int, int delta)
{
    TimelineViewState& view = owner.view;
    Edit::Scene& scene = view.scene();
    if (keyDown(KeyControl)) {
        owner.setFrameZoom(Edit::FrameZoom::stepZoomLevel(view.zoom(), delta > 0 ? 1 : -1), view.frameAt(x));
        return;
    }
    if (owner.settings.layerWheelMode) {
        owner.setDisplayPosition(scene.displayLayer + (delta > 0 ? -1 : 1), scene.displayFrame, scene.cursorFrame);
        return;
    }
    const int step = 1000000 / view.zoom();
    owner.setDisplayPosition(scene.displayLayer, scene.displayFrame + (delta > 0 ? -step : step), scene.cursorFrame);
}

} // namespace Component
