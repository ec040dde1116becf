// The handles of the preview: laid out on the picture, drawn in their shapes,
// found under the pointer, hovered, clicked and dragged.
#include "ui/editor/preview/preview_control.h"

#include "effect/effect_base.h"
#include "effect/effect_types.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"
#include "ui/window/window_service.h"

#include <algorithm>
#include <cmath>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
using Anchor::AnchorItem;
using Anchor::Flag;
using Anchor::Shape;
using Math::float2;
constexpr int VkShift = 0x10, VkControl = 0x11, VkLeft = 0x25, VkUp = 0x26, VkRight = 0x27, VkDown = 0x28;

Edit::Scene* currentScene()
{
    Edit::EditService* edit = Edit::EditService::Get();
    return edit && edit->currentScene ? edit->currentScene.get() : nullptr;
}

std::vector<Platform::Draw::Point> circle(float2 c, float r, float ox, float oy)
{
    std::vector<Platform::Draw::Point> points(48);
    for (size_t i = 0; i < points.size(); ++i) {
        const float a = float(i) * 6.2831853f / float(points.size());
        points[i] = {c.x + r * std::cos(a) - ox, c.y + r * std::sin(a) - oy};
    }
    return points;
}
} // namespace

bool PreviewVideoControl::isControlDown()
{
    return Window::WindowMouseService::isKeyDown(VkControl);
}

bool PreviewVideoControl::isShiftDown()
{
    return Window::WindowMouseService::isKeyDown(VkShift);
}

void PreviewVideoControl::setAnchorList(std::shared_ptr<Anchor::AnchorList> list)
{
    anchorList = std::move(list);
}

void PreviewVideoControl::layoutAnchors()
{
    viewRect = {pictureRect.left, pictureRect.top, pictureRect.right, pictureRect.bottom};
    controlWidth = float(rect.width);
    AnchorControl::layoutAnchors();
    if (!hoverItem)
        return;
    hoverItem = nullptr;
    for (AnchorItem* item : interactiveItems)
        if (item->effect == hoverEffect && item->id == hoverId && item->flags == hoverFlags) {
            hoverItem = item;
            return;
        }
    hoverEffect.reset();
}

Anchor::AnchorItem* PreviewVideoControl::findAnchor(float x, float y)
{
    const Edit::Scene* scene = currentScene();
    const Edit::Object* focus = scene ? scene->focusObject.get() : nullptr;
    AnchorItem* best = nullptr;
    float bestScore = 0;
    for (AnchorItem* item : interactiveItems) {
        if ((item->flags & Flag::NeverHit) || !item->hitTest(x, y))
            continue;
        const float score = (x - item->screenPosition.x) * (x - item->screenPosition.x) +
                            (y - item->screenPosition.y) * (y - item->screenPosition.y) + 2 * item->hitBias;
        if (best) {
            if (item->shape != best->shape) {
                if (item->shape > best->shape)
                    continue;
            } else if (score != bestScore) {
                if (score > bestScore)
                    continue;
            } else if ((item->object.get() == focus) != (best->object.get() == focus)) {
                if (best->object.get() == focus)
                    continue;
            } else if (item->id >= best->id) {
                continue;
            }
        }
        best = item;
        bestScore = score;
    }
    return best;
}

Anchor::AnchorItem* PreviewVideoControl::findViewAnchor()
{
    for (AnchorItem* item : interactiveItems)
        if (item->shape == Shape::CameraView)
            return item;
    return nullptr;
}

bool PreviewVideoControl::setHoverAnchor(Anchor::AnchorItem* item)
{
    if (item == hoverItem)
        return false;
    hoverItem = item;
    hoverEffect = item ? item->effect : nullptr;
    hoverId = item ? item->id : 0;
    hoverFlags = item ? item->flags : 0;
    return true;
}

void PreviewVideoControl::clearHoverAnchor()
{
    setHoverAnchor(nullptr);
}

int PreviewVideoControl::getAnchorBrush(const Anchor::AnchorItem& item) const
{
    if ((item.shape == Shape::ObjectPoint || item.shape == Shape::ObjectArea) && item.id < Anchor::Id::AllPoints) {
        if (currentSection && item.id == currentSection())
            return Brushes::AnchorIn;
        if (sectionViewMode && sectionViewMode() == 2 && currentSection && item.id == currentSection() + 1)
            return Brushes::AnchorOut;
        return Brushes::Anchor;
    }
    if (item.shape == Shape::AxisHandle) {
        if (item.flags & Flag::AxisX)
            return Brushes::HandleX;
        if (item.flags & Flag::AxisY)
            return Brushes::HandleY;
        if (item.flags & Flag::AxisZ)
            return Brushes::HandleZ;
    }
    return Brushes::Anchor;
}

void PreviewVideoControl::drawAnchor(const Anchor::AnchorItem& item, int brushIndex, float w, bool dashed, bool hovered)
{
    const std::vector<float2>& p = item.pixelPoints;
    if (p.empty() && item.shape != Shape::CameraView)
        return;
    Platform::Draw::Brush* edge = Control::brushOf(*this, Brushes::AnchorEdge);
    Platform::Draw::Brush* ink = Control::brushOf(*this, brushIndex);
    Platform::Draw::StrokeStyle* stroke =
        dashed ? strokeStyleList->get(Resource::StrokeStyleList::Dashed) : nullptr;
    const float ox = float(rect.x), oy = float(rect.y); // pixel points are control pixels; drawing adds the origin
    auto line = [&](float2 a, float2 b, Platform::Draw::Brush* brush, float width, Platform::Draw::StrokeStyle* style) {
        target->drawLine({a.x + ox, a.y + oy}, {b.x + ox, b.y + oy}, *brush, width, style);
    };
    auto ring = [&](float2 c, float r, Platform::Draw::Brush* brush, float width, Platform::Draw::StrokeStyle* style) {
        const std::vector<Platform::Draw::Point> points = circle(c, r, 0, 0);
        drawPath(points.data(), int(points.size()), brush, width, style);
    };
    auto disc = [&](float2 c, float r, Platform::Draw::Brush* brush) {
        const std::vector<Platform::Draw::Point> points = circle(c, r, 0, 0);
        Platform::Draw::PathGeometry path;
        if (Platform::Draw::GeometrySink* sink = path.open()) {
            sink->beginFigure({points[0].x + ox, points[0].y + oy}, true);
            for (size_t i = 1; i < points.size(); ++i)
                sink->addLine({points[i].x + ox, points[i].y + oy});
            sink->endFigure(true);
            sink->close();
            target->fillGeometry(path, *brush);
        }
    };
    Platform::Draw::SolidColorBrush own({item.colour.x, item.colour.y, item.colour.z, item.colour.w});
    switch (item.shape) {
    case Shape::ObjectFrame:
        if (p.size() < 2)
            return;
        if (hovered) {
            target->drawRectangle({p[0].x + ox, p[0].y + oy, p[1].x + ox, p[1].y + oy}, *edge, 2.8f, nullptr);
            target->drawRectangle({p[0].x + ox, p[0].y + oy, p[1].x + ox, p[1].y + oy}, *ink, 2.2f, nullptr);
        } else if (item.bitmapIndex >= 0) {
            if (Window::WindowService* window = Window::WindowService::Get())
                if (Platform::Draw::Bitmap* bitmap = window->bitmapList.get(item.bitmapIndex))
                    target->drawBitmap(*bitmap, {p[0].x + ox, p[0].y + oy, p[1].x + ox, p[1].y + oy}, 1.0f,
                                       Platform::Draw::Interpolation::Linear);
        }
        return;
    case Shape::Marker:
        for (auto [brush, width] : {std::pair{edge, 2.8f}, {ink, 2.2f}}) {
            line({p[0].x - 8, p[0].y}, {p[0].x + 8, p[0].y}, brush, width, nullptr);
            line({p[0].x, p[0].y - 8}, {p[0].x, p[0].y + 8}, brush, width, nullptr);
            ring(p[0], 4, brush, width, nullptr);
        }
        return;
    case Shape::ColorMarker:
        ring(p[0], 4, edge, 2.8f, nullptr);
        ring(p[0], 4, &own, 2.2f, nullptr);
        return;
    case Shape::AxisHandle:
        if (p.size() < 2)
            return;
        line(p[0], p[1], edge, 2.8f, nullptr);
        disc(p[1], 5.3f, edge);
        line(p[0], p[1], ink, 2.2f, nullptr);
        disc(p[1], 5.0f, ink);
        return;
    case Shape::SizeHandle: {
        const Platform::Draw::Rect square{p[0].x - 6 + ox, p[0].y - 6 + oy, p[0].x + 6 + ox, p[0].y + 6 + oy};
        if (hovered) {
            target->fillRectangle(square, *ink);
        } else {
            target->drawRectangle(square, *edge, w + 0.6f, nullptr);
            target->drawRectangle(square, *ink, w, nullptr);
        }
        return;
    }
    case Shape::FilterPoint:
    case Shape::EdgePoint:
    case Shape::ObjectPoint: {
        const float r = item.shape == Shape::FilterPoint ? 20.0f : item.shape == Shape::EdgePoint ? 10.0f : 36.0f;
        ring(p[0], r, edge, w + 0.6f, nullptr);
        ring(p[0], r, ink, w, stroke);
        return;
    }
    case Shape::ObjectArea: {
        std::vector<Platform::Draw::Point> points;
        for (const float2& q : p)
            points.push_back({q.x, q.y});
        drawPath(points.data(), int(points.size()), edge, w + 0.6f, nullptr);
        drawPath(points.data(), int(points.size()), ink, w, stroke);
        return;
    }
    case Shape::ColorLine:
        for (size_t i = 1; i < p.size(); ++i) {
            line(p[i - 1], p[i], edge, w + 0.6f, nullptr);
            line(p[i - 1], p[i], &own, w, stroke);
        }
        return;
    case Shape::Line:
        for (size_t i = 1; i < p.size(); ++i) {
            line(p[i - 1], p[i], edge, 2.8f, nullptr);
            line(p[i - 1], p[i], Control::brushOf(*this, Brushes::AnchorLine), 2.2f, nullptr);
        }
        return;
    case Shape::PathPoint:
        disc(p[0], 3.3f, edge);
        disc(p[0], 3.0f, ink);
        return;
    case Shape::GridLine:
        if (p.size() >= 2)
            line(p[0], p[1], Control::brushOf(*this, Brushes::GridLine), 1.0f, nullptr);
        return;
    default:
        return;
    }
}

void PreviewVideoControl::drawAnchors()
{
    if (!anchorList || anchorList->items.empty())
        return;
    std::vector<const AnchorItem*> items;
    for (const AnchorItem& item : anchorList->items)
        if (!(item.flags & Flag::NeverDrawn))
            items.push_back(&item);
    std::stable_sort(items.begin(), items.end(),
                     [](const AnchorItem* a, const AnchorItem* b) { return a->shape > b->shape; });
    const Edit::EditService* edit = Edit::EditService::Get();
    const bool hideOthers = edit && edit->mouseHoverHideOtherAnchor && hoverItem;
    for (const AnchorItem* item : items) {
        if (item->id == Anchor::Id::AllPoints && (item->flags & Flag::ObjectHandle) && item->object &&
            item->object->selected) {
            drawAnchor(*item, Brushes::AnchorSelect, 2.2f, false, false);
            continue;
        }
        if (item->flags & Flag::Hidden)
            continue;
        if (hideOthers && item->owner != hoverItem->owner && !(item->flags & Flag::IconButton))
            continue;
        drawAnchor(*item, getAnchorBrush(*item), 1.2f, item->id != Anchor::Id::AllPoints, false);
    }
    if (hoverItem) {
        int brush = Brushes::AnchorHover;
        if (hoverItem->shape == Shape::AxisHandle && (hoverItem->flags & (Flag::AxisX | Flag::AxisY | Flag::AxisZ)))
            brush = (hoverItem->flags & Flag::AxisX)   ? Brushes::HandleXHover
                    : (hoverItem->flags & Flag::AxisY) ? Brushes::HandleYHover
                                                       : Brushes::HandleZHover;
        else if (hoverItem->id == Anchor::Id::AllPoints && hoverItem->object && hoverItem->object->selected)
            brush = Brushes::AnchorSelect;
        drawAnchor(*hoverItem, brush, 2.2f, false, true);
    }
}

// ---- hover ----

void PreviewVideoControl::procMouseMove(int x, int y)
{
    lastMouseX = x, lastMouseY = y;
    if (setHoverAnchor(findAnchor(float(x), float(y)))) {
        procPaint();
        if (hoverItem)
            trackMouseHover();
    }
}

void PreviewVideoControl::procMouseLeave()
{
    if (!hoverItem)
        return;
    clearHoverAnchor();
    procPaint();
}

void PreviewVideoControl::procMouseHover()
{
    if (!hoverItem || !(hoverItem->flags & Flag::ToolTip) || !hoverItem->object || !hoverItem->effect)
        return;
    std::wstring text;
    if (hoverItem->id == Anchor::Id::ClippingFrame)
        text = L"クリッピングオブジェクトの視覚化";
    else if (hoverItem->id == Anchor::Id::CameraViewButton)
        text = L"カメラ制御の視点モードを切り替え\n緑色:カメラ視点\n白色:カメラ視点(編集不可)\n灰色:編集用視点(自由移動)";
    else if (hoverItem->flags & Flag::Size)
        text = (hoverItem->flags & Flag::SourceSize) ? L"サイズの変更" : L"拡大率の変更";
    if (!text.empty()) {
        Window::ToolTips::get().showAtCursor(text);
        return;
    }
    Edit::EditService* edit = Edit::EditService::Get();
    Effect::EffectBase* effect = hoverItem->effect.get();
    if (effect->effectType == Effect::EffectType::Output && !hoverItem->object->effects.empty())
        effect = hoverItem->object->effects.front().get();
    const wchar_t* name = effect->getName();
    Window::ToolTips::get().showAtCursor((edit ? edit->getLayerName(hoverItem->object->layer) : L"") + L" : " +
                                         (name ? name : L""));
}

// ---- clicks and drags ----

void PreviewVideoControl::procLButtonDown(int x, int y)
{
    AnchorItem* p = hoverItem;
    if (isControlDown() && p) {
        if (p->id == Anchor::Id::AllPoints) {
            // the whole movement is dragged as it is
        } else if (Anchor::Id::isSectionPoint(p->id)) {
            AnchorItem* all = nullptr;
            for (AnchorItem* item : interactiveItems)
                if (item->object == p->object && item->effect == p->effect && item->id == Anchor::Id::AllPoints) {
                    all = item;
                    break;
                }
            p = all;
        } else {
            p = nullptr;
        }
    }
    if (p) {
        beginAnchorDrag(x, y, 1, p);
        return;
    }
    if (mouseService && mouseService->doubleClick)
        if (AnchorItem* view = findViewAnchor(); view && view->object)
            if (Edit::EditService* edit = Edit::EditService::Get())
                edit->setFocusObject(view->object);
}

void PreviewVideoControl::procRButtonDown(int x, int y)
{
    beginAnchorDrag(x, y, 2, findViewAnchor());
}

void PreviewVideoControl::procMouseDrag(int x, int y)
{
    dragAnchor(x, y);
}

bool PreviewVideoControl::procDragKey(int key)
{
    if (dragMode == 0)
        return false;
    int x = dragOffsetX, y = dragOffsetY;
    switch (key) {
    case VkLeft: --x; break;
    case VkUp: --y; break;
    case VkRight: ++x; break;
    case VkDown: ++y; break;
    default: return false;
    }
    dragAnchor(x, y);
    return true;
}

void PreviewVideoControl::procRelease()
{
    endAnchorDrag();
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->clickClearSelectObject(this);
    procMouseMove(lastMouseX, lastMouseY);
}

void PreviewVideoControl::procKeyRelease()
{
    endAnchorDrag();
    if (Edit::EditService* edit = Edit::EditService::Get())
        edit->clickClearSelectObject(this);
}

void PreviewVideoControl::procDragCancel()
{
    endAnchorDrag();
}

void PreviewVideoControl::beginAnchorDrag(int x, int y, int button, Anchor::AnchorItem* item)
{
    if (dragMode != 0)
        return;
    dragOffsetX = dragOffsetY = 0;
    if (!item) {
        if (mouseService)
            mouseService->beginDrag(x, y, &Window::Cursors::Arrow);
        return;
    }
    Edit::EditService* edit = Edit::EditService::Get();
    Undo::UndoService* undo = Undo::UndoService::Get();
    auto startRecording = [undo] {
        if (!undo)
            return;
        undo->pending.clear();
        undo->recording = true;
    };
    auto recordEffect = [undo](const std::shared_ptr<Effect::EffectBase>& effect) {
        if (undo && effect)
            undo->addEffectUpdate(effect);
    };
    draggedList = anchorList; // the records' items stay valid until the drag ends
    if (button == 2) {
        dragRecords.push_back(makeEvent(*item, Anchor::AnchorEvent::CameraDrag));
        if (mouseService)
            mouseService->beginDrag(x, y, &Window::Cursors::SizeAll);
        dragMode = 2;
        startRecording();
        recordEffect(item->effect);
        return;
    }
    if (item->flags & Flag::Button) {
        Anchor::AnchorEvent click = makeEvent(*item, Anchor::AnchorEvent::Activate);
        item->effect->anchorEvent(click);
        return;
    }
    const bool doubleClick = mouseService && mouseService->doubleClick;
    if (!isControlDown() && edit && item->object) {
        if (edit->singleClickFocusAnchorObject ? !doubleClick : doubleClick)
            edit->setFocusObject(item->object);
    }
    if (doubleClick) {
        Anchor::AnchorEvent alt = makeEvent(*item, Anchor::AnchorEvent::AltActivate);
        if (item->effect->anchorEvent(alt))
            return;
    } else {
        if ((item->flags & Flag::ObjectHandle) && edit && item->object)
            edit->selectObject(this, item->object, edit->clickAnchorObjectSelectGroup != 0);
        Anchor::AnchorEvent click = makeEvent(*item, Anchor::AnchorEvent::Activate);
        item->effect->anchorEvent(click);
    }
    if (mouseService)
        mouseService->beginDrag(x, y, &Window::Cursors::SizeAll);
    const Edit::Scene* scene = currentScene();
    if (scene && !scene->selection.objects.empty() && (item->flags & Flag::ObjectHandle)) {
        std::vector<AnchorItem*> found;
        for (AnchorItem* other : interactiveItems)
            if ((other->flags & Flag::ObjectHandle) && other->id == Anchor::Id::AllPoints && other->object &&
                other->object->selected)
                found.push_back(other);
        if (found.empty())
            return;
        dragMode = 1;
        startRecording();
        for (AnchorItem* other : found) {
            dragRecords.push_back(makeEvent(*other, Anchor::AnchorEvent::Drag));
            recordEffect(other->effect);
        }
        return;
    }
    dragRecords.push_back(makeEvent(*item, Anchor::AnchorEvent::Drag));
    dragMode = 1;
    startRecording();
    recordEffect(item->effect);
    if ((item->flags & Flag::SourceSize) && item->object && !item->object->effects.empty() &&
        item->effect->effectType == Effect::EffectType::Output)
        recordEffect(item->object->effects.front());
}

void PreviewVideoControl::dragAnchor(int x, int y)
{
    if (dragMode == 0)
        return;
    dragOffsetX = x, dragOffsetY = y;
    int lx = x, ly = y;
    if (isShiftDown()) {
        if (std::abs(lx) < std::abs(ly))
            lx = 0;
        else
            ly = 0;
    }
    Edit::UpdateSection update;
    update.updateSettingValue = true;
    update.updateColorSetting = true;
    update.notifyEdit = true;
    for (Anchor::AnchorEvent& record : dragRecords) {
        const bool free = (record.flags & Flag::CameraView) != 0;
        const int ax = free ? x : lx, ay = free ? y : ly;
        record.dragStep = {ax - record.dragOffset.x, ay - record.dragOffset.y};
        record.dragOffset = {ax, ay};
        record.shiftKey = isShiftDown();
        record.controlKey = isControlDown();
        if (record.effect)
            record.effect->anchorEvent(record);
    }
}

void PreviewVideoControl::endAnchorDrag()
{
    if (dragMode == 0)
        return;
    dragRecords.clear();
    draggedList.reset();
    dragMode = 0;
    if (Undo::UndoService* undo = Undo::UndoService::Get())
        undo->commitUndo();
}

} // namespace Component
