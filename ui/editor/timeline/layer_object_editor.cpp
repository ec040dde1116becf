#include "ui/editor/timeline/layer_object_editor.h"

#include "core/event_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "ui/editor/timeline/timeline_settings.h"
#include "ui/editor/timeline/timeline_view_state.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace Component {

namespace {

using Mode = LayerObjectEditor::DragMode;

// The frame of mid-point k (1-based).
int midFrame(const Edit::Object& object, int k)
{
    return object.start + object.midPoints[size_t(k - 1)];
}

} // namespace

LayerObjectEditor::LayerObjectEditor(TimelineViewState& v, const TimelineSettings& s) : view(v), settings(s) {}

Edit::Scene& LayerObjectEditor::scene() const
{
    return view.scene();
}

Edit::EditService& LayerObjectEditor::edit() const
{
    return view.edit;
}

// ---------------------------------------------------------------- under the pointer

std::shared_ptr<Edit::Object> LayerObjectEditor::hitTestObject(int x, int y) const
{
    // Above the rows (a press handed down by the time gauge) lies no object.
    if (y < 0)
        return {};
    const int layer = y / view.metrics.layerHeight + scene().displayLayer;
    if (layer >= scene().layerCount())
        return {};
    return scene().getLayer(layer).findNearestObject(view.frameAt(x - 8), view.frameAt(x + 8));
}

int LayerObjectEditor::findSectionPoint(const Edit::Object& object, int x) const
{
    const int count = int(object.midPoints.size());
    if (count == 0)
        return -1;
    const int frame = view.frameAt(x);
    const int section = int(std::upper_bound(object.midPoints.begin(), object.midPoints.end(), frame - object.start) -
                            object.midPoints.begin());
    int candidate = 1;
    if (section > 0) {
        candidate = section;
        if (section + 1 <= count &&
            std::abs(int64_t(midFrame(object, section + 1)) - frame) < std::abs(int64_t(midFrame(object, section)) - frame))
            candidate = section + 1;
    }
    const int at = midFrame(object, candidate);
    return at >= view.frameAt(x - 8) && at <= view.frameAt(x + 8) ? candidate : -1;
}

LayerObjectEditor::HoverPart LayerObjectEditor::getHoverPart(const Edit::Object& object, int x, int& index) const
{
    index = -1;
    if (object.layer >= 0 && scene().getLayer(object.layer).layer->lock)
        return HoverPart::Body;
    const int64_t g = x - view.pixelOf(object.start);
    const int64_t h = view.pixelOf(int64_t(object.end) + 1) - x;
    const int m = findSectionPoint(object, x);
    if (g < 9 || h < 9) {
        const HoverPart edge = g < h ? HoverPart::Start : HoverPart::End;
        if (m < 0)
            return edge;
        const int64_t toMid = std::abs(view.pixelOf(midFrame(object, m)) - x);
        if (std::min(g, h) < toMid)
            return edge;
        index = m;
        return HoverPart::Section;
    }
    if (m >= 0) {
        index = m;
        return HoverPart::Section;
    }
    return HoverPart::Body;
}

// ---------------------------------------------------------------- drags

bool LayerObjectEditor::isEditMode() const
{
    return mode == Mode::MoveObject || mode == Mode::ResizeStart || mode == Mode::ResizeEnd ||
           mode == Mode::MoveSection;
}

void LayerObjectEditor::beginDrag(DragMode m, int x, int y)
{
    mode = m;
    sectionSide = 0;
    pressDisplayLayer = scene().displayLayer;
    pressDisplayFrame = scene().displayFrame;
    startLayer = currentLayer = y / view.metrics.layerHeight + scene().displayLayer;
    startFrame = currentFrame = view.frameAt(x);
    if (hoverObject) {
        pressStart = hoverObject->start;
        pressEnd = hoverObject->end;
    }
    if ((m == Mode::ResizeStart || m == Mode::ResizeEnd || m == Mode::MoveSection) && onDragTime)
        onDragTime();
}

void LayerObjectEditor::beginEditDrag(DragMode m, int x, int y, bool shift)
{
    beginDrag(m, x, y);
    if (!isEditMode())
        return;
    if (Undo::UndoService* undo = edit().undoService) {
        undo->recording = true;
        undo->pending.clear();
        for (const auto& object : scene().selection.objects)
            undo->addObjectUpdate(object);
    }
    Edit::ObjectList placed;
    for (const auto& object : scene().selection.objects)
        if (object->layer >= 0)
            placed.push_back(object);
    hasExtent = !placed.empty();
    extent = hasExtent ? Edit::getObjectListRange(placed) : Edit::ObjectListRange{};
    if (m == Mode::MoveSection && shift && hoverObject && hoverIndex >= 1 &&
        hoverIndex <= int(hoverObject->midPoints.size()))
        sectionSide = x < view.pixelOf(midFrame(*hoverObject, hoverIndex)) ? 1 : 2;
}

void LayerObjectEditor::finishEditDrag()
{
    if (isEditMode()) {
        const auto& selected = scene().selection.objects;
        if ((mode == Mode::ResizeStart || mode == Mode::ResizeEnd) && selected.size() == 1) {
            // The input effect hears which edge moved and where it was at the press.
            const std::shared_ptr<Edit::Object> object = selected.front();
            const int before = mode == Mode::ResizeStart ? pressStart : pressEnd;
            Edit::UpdateSection update(edit());
            Effect::ItemEvent event;
            event.code = mode == Mode::ResizeStart ? Effect::ItemEvent::StartMoved : Effect::ItemEvent::EndMoved;
            event.update = &update;
            event.payload = &before;
            object->sendInputItemEvent(event);
        }
        if (Undo::UndoService* undo = edit().undoService; undo && undo->recording)
            undo->commitUndo();
    }
    mode = Mode::None;
    hasExtent = false;
    extent = {};
}

// ---------------------------------------------------------------- snapping

int LayerObjectEditor::snapThreshold() const
{
    return 80000 / view.zoom() + 1;
}

void LayerObjectEditor::findSnapFrame(int frame, int& offset) const
{
    const Edit::Scene& s = scene();
    int64_t r = std::abs(int64_t(offset));
    bool found = false;
    int64_t best = 0;
    auto consider = [&](int64_t g) {
        if (std::abs(g - frame) < r) {
            best = g;
            r = std::abs(g - frame);
            found = true;
        }
    };
    for (int layer = 0; layer <= s.lastLayer && r > 0; ++layer) {
        const Edit::LayerObjectList& list = s.getLayer(layer);
        for (auto it = list.lowerBoundEnd(int(std::max<int64_t>(frame - r, INT_MIN))); it != list.objects.end(); ++it) {
            const Edit::Object& object = **it;
            if (object.start > frame + r)
                break;
            if (object.selected || object.layer != layer)
                continue;
            consider(object.start);
            for (int offsetInObject : object.midPoints)
                consider(int64_t(object.start) + offsetInObject);
            consider(int64_t(object.end) + 1);
        }
    }
    if (settings.tempoGrid) {
        const int g = findTempoGridFrame(frame);
        if (g >= 0)
            consider(g);
    }
    if (r > 0)
        consider(s.cursorFrame);
    if (found)
        offset = int(best - frame);
}

int LayerObjectEditor::findTempoGridFrame(int frame) const
{
    const Edit::Scene& s = scene();
    const double beat = double(s.videoRate) * 60.0 / (double(s.videoScale) * s.tempoBpm);
    const double origin = double(s.videoRate) * s.tempoOffset / s.videoScale;
    if (!std::isfinite(beat) || !std::isfinite(origin) || beat <= 0.0)
        return -1;
    auto wide = [&](double step) {
        const double far = step + origin;
        if (std::fabs(far) > 1e9 || std::fabs(origin) > 1e9)
            return false;
        return view.pixelOf(int64_t(far)) - view.pixelOf(int64_t(origin)) > 5;
    };
    auto nearest = [&](double step) {
        const double line = std::round((frame - origin) / step) * step + origin;
        return line >= 0.0 && line < double(INT_MAX) ? int(line) : -1;
    };
    if (wide(beat))
        return nearest(beat);
    // Bars need two beats or more: with 0 or 1 there are no bar lines.
    if (s.tempoBeat >= 2 && wide(beat * s.tempoBeat))
        return nearest(beat * s.tempoBeat);
    return -1;
}

void LayerObjectEditor::snapFrame(int& delta) const
{
    if (!edit().layerObjectMoveSnap || !hoverObject)
        return;
    const int threshold = snapThreshold();
    int o = threshold;
    const Edit::Object& h = *hoverObject;
    switch (mode) {
    case Mode::MoveObject:
        findSnapFrame(h.start + delta, o);
        findSnapFrame(h.end + 1 + delta, o);
        break;
    case Mode::ResizeStart: findSnapFrame(h.start + delta, o); break;
    case Mode::ResizeEnd: findSnapFrame(h.end + 1 + delta, o); break;
    case Mode::MoveSection:
        if (hoverIndex >= 1 && hoverIndex <= int(h.midPoints.size()))
            findSnapFrame(midFrame(h, hoverIndex) + delta, o);
        break;
    default: return;
    }
    if (std::abs(o) < threshold)
        delta += o;
}

// ---------------------------------------------------------------- moves

bool LayerObjectEditor::overlapsUnselected(int layer, int from, int to, int* firstStart, int* lastEnd) const
{
    const Edit::LayerObjectList& list = scene().getLayer(layer);
    bool any = false;
    for (auto it = list.lowerBoundEnd(from); it != list.objects.end(); ++it) {
        const Edit::Object& object = **it;
        if (object.start > to)
            break;
        if (object.selected || object.layer != layer || object.end < from)
            continue;
        if (!any) {
            if (firstStart)
                *firstStart = object.start;
            if (lastEnd)
                *lastEnd = object.end;
        } else {
            if (firstStart)
                *firstStart = std::min(*firstStart, object.start);
            if (lastEnd)
                *lastEnd = std::max(*lastEnd, object.end);
        }
        any = true;
    }
    return any;
}

void LayerObjectEditor::dragMove(int x, int y, bool shift)
{
    Edit::Scene& s = scene();
    const int lh = view.metrics.layerHeight;
    int dl = (y - 3) / lh + s.displayLayer - currentLayer;
    int df = view.frameAt(x) - currentFrame;
    snapFrame(df);
    if (shift) {
        const int64_t gx = int64_t(currentFrame) + df - startFrame;
        const int64_t gy = int64_t(currentLayer) + dl - startLayer;
        const int64_t width = (std::abs(gx) * view.zoom() + 5000) / 10000;
        if (width < std::abs(gy) * lh)
            df = startFrame - currentFrame;
        else
            dl = startLayer - currentLayer;
    }
    // Auto-scroll at the view's edges, written straight into the scene.
    const int height = view.objectViewHeight(), width = view.objectViewWidth();
    if (y < 0)
        s.displayLayer = std::max(s.displayLayer + y / lh, 0);
    else if (y >= height - lh)
        s.displayLayer = std::max(std::min(s.displayLayer + (y - lh - height) / lh + 1,
                                           view.layerScrollRange - view.visibleLayers),
                                  s.displayLayer);
    if (x < 0)
        s.displayFrame = int(std::max<int64_t>(s.displayFrame - int64_t(-x) * 10000 / view.zoom(), 0));
    else if (x >= width)
        s.displayFrame = int(std::max<int64_t>(
            std::min<int64_t>(s.displayFrame + int64_t(x - width + 1) * 10000 / view.zoom(),
                              view.frameScrollRange - view.visibleFrames),
            0));
    moveObjects(dl, df);
    currentLayer += dl;
    currentFrame += df;
}

void LayerObjectEditor::moveObjects(int& dl, int& df)
{
    Edit::Scene& s = scene();
    if (s.selection.objects.empty() || !hasExtent) {
        dl = df = 0;
        return;
    }
    const int range = view.layerScrollRange;
    if (dl > 0) {
        const int h = currentLayer + extent.maxLayer - startLayer;
        if (dl + h > range - 1)
            dl = std::max(range - h - 1, 0);
    } else if (dl < 0) {
        const int l = currentLayer + extent.minLayer - startLayer;
        if (l + dl < 0)
            dl = -l;
    }
    if (dl == 0 && df == 0)
        return;
    if (df < 0) {
        const int first = currentFrame + extent.start - startFrame;
        if (first + df < 0)
            df = -first;
    }
    const int requested = df;
    while (dl != 0 || df != 0) {
        if (findFreePosition(dl, df, requested))
            break;
    }
    if (dl == 0 && df == 0) {
        view.setDisplayPosition(s.displayLayer, s.displayFrame, s.cursorFrame);
        return;
    }
    const int lastFrame = s.lastFrame;
    bool control = false;
    {
        Edit::UpdateSection update(edit());
        update.updateLayerObject = true;
        update.updateSettingSection = true;
        update.updateTimeSetting = true;
        for (const auto& object : s.selection.objects) {
            if (object->layer < 0)
                continue;
            if (dl != 0)
                s.moveObjectLayer(object, object->layer + dl);
            object->start += df;
            object->end += df;
            Edit::LayerObjectList& list = s.layerList(object->layer);
            list.needSort = true;
            list.needRangeUpdate |= object->layerControl;
            control |= object->layerControl;
        }
    }
    const bool oneRow = dl == 0 && extent.minLayer == extent.maxLayer && s.lastFrame == lastFrame && !control;
    view.updateView(oneRow ? currentLayer + extent.minLayer - startLayer : -1);
}

bool LayerObjectEditor::findFreePosition(int& dl, int& df, int requested) const
{
    const int64_t display = scene().displayFrame, visible = view.visibleFrames;
    const int64_t applied = int64_t(currentFrame) - startFrame;
    const int64_t g = applied + df;
    const int dy = currentLayer + dl - startLayer;
    // The first entry of the drag extent that does not fit at offset x, with
    // the first start and last end of the objects it meets.
    auto misfit = [&](int64_t x, int& entryStart, int& entryEnd, int& firstStart, int& lastEnd) {
        for (const auto& [layer, span] : extent.layers) {
            const int64_t from = span.start + x, to = span.end + x;
            if (from > INT_MAX || to < INT_MIN)
                continue;
            if (overlapsUnselected(layer + dy, int(std::max<int64_t>(from, INT_MIN)), int(std::min<int64_t>(to, INT_MAX)),
                                   &firstStart, &lastEnd)) {
                entryStart = span.start;
                entryEnd = span.end;
                return true;
            }
        }
        return false;
    };
    int entryStart = 0, entryEnd = 0, firstStart = 0, lastEnd = 0;

    const int64_t backBudget = std::max<int64_t>(g + std::min<int64_t>(extent.end - display, extent.start), 0);
    bool backFound = false;
    int64_t back = g;
    while (back > g - backBudget) {
        if (!misfit(back, entryStart, entryEnd, firstStart, lastEnd)) {
            backFound = true;
            break;
        }
        back = int64_t(firstStart) - 1 - entryEnd;
    }

    const int64_t forwardBudget = std::max<int64_t>(display + visible - g - extent.start, 0);
    bool forwardFound = false;
    int64_t forward = g;
    while (forward < g + forwardBudget) {
        if (!misfit(forward, entryStart, entryEnd, firstStart, lastEnd)) {
            forwardFound = true;
            break;
        }
        forward = int64_t(lastEnd) + 1 - entryStart;
        if (entryStart + forward < 0)
            forward = -int64_t(entryStart);
    }

    if (backFound || forwardFound) {
        int64_t x;
        if (backFound && forwardFound)
            x = std::abs(g - back) < std::abs(forward - g) ? back : forward; // after the obstacle on a tie
        else
            x = backFound ? back : forward;
        df = int(x - applied);
        return true;
    }
    if (dl > 0) {
        --dl;
        df = requested;
    } else if (dl < 0) {
        ++dl;
        df = requested;
    } else {
        df = 0;
    }
    return false;
}

// ---------------------------------------------------------------- edges and mid-points

namespace {

// The start delta an object can take: not over an unselected neighbour, not
// past its first mid-point (or its end), not before frame 0.
template <class Overlap>
int limitStart(const Edit::Object& o, int delta, Overlap&& overlap)
{
    int lastEnd = 0;
    if (overlap(o.layer, o.start + delta, o.end, nullptr, &lastEnd))
        delta = std::min(lastEnd + 1 - o.start, 0);
    const int limit = (o.midPoints.empty() ? o.end + 1 : o.start + o.midPoints.front()) - 1;
    return std::clamp(o.start + delta, 0, limit) - o.start;
}

int lowestEndDelta(const Edit::Object& o)
{
    if (o.midPoints.empty())
        return o.start - o.end;
    return std::min(1 - (o.end - o.start - o.midPoints.back()), 0);
}

template <class Overlap>
int limitEnd(const Edit::Object& o, int delta, Overlap&& overlap)
{
    int firstStart = 0;
    const int64_t to = std::min<int64_t>(int64_t(o.end) + delta, Edit::FrameLimit);
    delta = int(to - o.end);
    if (overlap(o.layer, o.start, int(to), &firstStart, nullptr))
        delta = std::max(firstStart - 1 - o.end, 0);
    return std::max(delta, lowestEndDelta(o));
}

} // namespace

void LayerObjectEditor::resizeStart(int& delta)
{
    Edit::Scene& s = scene();
    const auto& selected = s.selection.objects;
    if (selected.empty() || selected.front()->layer < 0) {
        delta = 0;
        return;
    }
    auto overlap = [this](int layer, int from, int to, int* first, int* last) {
        return overlapsUnselected(layer, from, to, first, last);
    };
    Edit::Object& first = *selected.front();
    delta = limitStart(first, delta, overlap);
    if (delta != 0) {
        bool control = false;
        {
            Edit::UpdateSection update(edit());
            update.updateLayerObject = true;
            update.updateSettingSection = true;
            update.updateTimeSetting = true;
            for (const auto& object : selected) {
                if (object->layer < 0)
                    continue;
                const int d = object.get() == &first ? delta : limitStart(*object, delta, overlap);
                object->start += d;
                for (int& offset : object->midPoints)
                    offset -= d;
                Edit::LayerObjectList& list = s.layerList(object->layer);
                list.needSort = true;
                list.needRangeUpdate |= object->layerControl;
                control |= object->layerControl;
            }
        }
        view.updateView(selected.size() == 1 && !control ? first.layer : -1);
    }
    if (onDragTime)
        onDragTime();
}

void LayerObjectEditor::resizeEnd(int& delta)
{
    Edit::Scene& s = scene();
    const auto& selected = s.selection.objects;
    if (selected.empty() || selected.front()->layer < 0) {
        delta = 0;
        return;
    }
    auto overlap = [this](int layer, int from, int to, int* first, int* last) {
        return overlapsUnselected(layer, from, to, first, last);
    };
    Edit::Object& first = *selected.front();
    delta = limitEnd(first, delta, overlap);
    if (delta != 0) {
        const int lastFrame = s.lastFrame;
        bool control = false;
        {
            Edit::UpdateSection update(edit());
            update.updateLayerObject = true;
            update.updateSettingSection = true;
            update.updateTimeSetting = true;
            for (const auto& object : selected) {
                if (object->layer < 0)
                    continue;
                object->end += object.get() == &first ? delta : limitEnd(*object, delta, overlap);
                Edit::LayerObjectList& list = s.layerList(object->layer);
                list.needSort = true;
                list.needRangeUpdate |= object->layerControl;
                control |= object->layerControl;
            }
        }
        view.updateView(selected.size() == 1 && !control && s.lastFrame == lastFrame ? first.layer : -1);
    }
    if (onDragTime)
        onDragTime();
}

void LayerObjectEditor::moveSectionPoint(int& delta)
{
    Edit::Scene& s = scene();
    const auto& selected = s.selection.objects;
    if (selected.size() != 1 || !hoverObject || selected.front() != hoverObject || hoverObject->layer < 0) {
        delta = 0;
        return;
    }
    Edit::Object& o = *hoverObject;
    const int count = int(o.midPoints.size());
    const int k = hoverIndex;
    if (k < 1 || k > count) {
        delta = 0;
        return;
    }
    const std::vector<int>& off = o.midPoints;
    int lower = k == 1 ? std::min(1 - off[0], 0) : std::min(off[size_t(k - 2)] - off[size_t(k - 1)] + 1, 0);
    const int span = k < count ? off[size_t(k)] - off[size_t(k - 1)] : o.end - o.start - off[size_t(k - 1)];
    int upper = span >= 2 ? span - 1 : 0;
    const Edit::LayerObjectList& list = s.getLayer(o.layer);
    if (sectionSide == 1) {
        // The start may go back to the previous object's end + 1 (or frame 0).
        int previousEnd = -1;
        for (const auto& other : list.objects)
            if (other.get() != &o && other->layer == o.layer && other->end < o.start)
                previousEnd = std::max(previousEnd, other->end);
        lower = previousEnd + 1 - o.start;
    } else if (sectionSide == 2) {
        int64_t nextStart = -1;
        for (const auto& other : list.objects)
            if (other.get() != &o && other->layer == o.layer && other->start > o.end &&
                (nextStart < 0 || other->start < nextStart))
                nextStart = other->start;
        upper = nextStart < 0 ? Edit::FrameLimit - o.end : int(nextStart - o.end - 1);
    }
    delta = std::clamp(delta, lower, std::max(upper, lower));
    if (delta == 0)
        return;
    const int lastFrame = s.lastFrame;
    {
        Edit::UpdateSection update(edit());
        update.updateSettingSection = true;
        update.updateTimeSetting = true;
        update.updateLayerObject = sectionSide != 0;
        std::vector<int>& offsets = o.midPoints;
        if (sectionSide == 0) {
            offsets[size_t(k - 1)] += delta;
        } else if (sectionSide == 1) {
            o.start += delta;
            for (size_t i = size_t(k); i < offsets.size(); ++i)
                offsets[i] -= delta;
        } else {
            for (size_t i = size_t(k - 1); i < offsets.size(); ++i)
                offsets[i] += delta;
            o.end += delta;
        }
        if (sectionSide != 0) {
            Edit::LayerObjectList& changed = s.layerList(o.layer);
            changed.needSort = true;
            changed.needRangeUpdate |= o.layerControl;
        }
    }
    view.updateView(s.lastFrame == lastFrame && !o.layerControl ? o.layer : -1);
    if (onDragTime)
        onDragTime();
}

void LayerObjectEditor::dragEdit(int x)
{
    int delta = view.frameAt(x) - currentFrame;
    snapFrame(delta);
    switch (mode) {
    case Mode::ResizeStart: resizeStart(delta); break;
    case Mode::ResizeEnd: resizeEnd(delta); break;
    case Mode::MoveSection: moveSectionPoint(delta); break;
    default: return;
    }
    currentFrame += delta;
}

bool LayerObjectEditor::dragKey(int direction)
{
    int delta = direction;
    switch (mode) {
    case Mode::MoveObject: {
        int dl = 0;
        moveObjects(dl, delta);
        currentLayer += dl;
        break;
    }
    case Mode::ResizeStart: resizeStart(delta); break;
    case Mode::ResizeEnd: resizeEnd(delta); break;
    case Mode::MoveSection: moveSectionPoint(delta); break;
    default: return false;
    }
    currentFrame += delta;
    return true;
}

void LayerObjectEditor::selectRect(int left, int top, int right, int bottom)
{
    Edit::Scene& s = scene();
    const int lh = view.metrics.layerHeight;
    const int firstLayer = s.displayLayer + std::max(top, 0) / lh;
    const int lastLayer = s.displayLayer + std::min(bottom, view.objectViewHeight()) / lh;
    const int from = view.frameAt(std::max(left, 0));
    const int to = view.frameAt(std::min(right, view.objectViewWidth()));
    for (int layer = firstLayer; layer <= lastLayer && layer < s.layerCount(); ++layer) {
        const Edit::LayerObjectList& list = s.getLayer(layer);
        if (list.layer->lock)
            continue;
        for (auto it = list.lowerBoundEnd(from); it != list.objects.end() && (*it)->start <= to; ++it)
            if (!(*it)->selected && (*it)->layer == layer)
                s.selection.addObject(*it, s);
    }
    if (edit().eventService)
        edit().eventService->selectionChanged();
}

// ---------------------------------------------------------------- drag time

int LayerObjectEditor::dragTimeFrame() const
{
    if (!hoverObject)
        return 0;
    const Edit::Object& o = *hoverObject;
    switch (hoverPart) {
    case HoverPart::Start: return o.start;
    case HoverPart::End: return o.end + 1;
    case HoverPart::Section:
        return hoverIndex >= 1 && hoverIndex <= int(o.midPoints.size()) ? midFrame(o, hoverIndex) : o.start;
    default: return o.start;
    }
}

std::wstring LayerObjectEditor::dragTimeText(int frame, int start) const
{
    const Edit::Scene& s = scene();
    wchar_t absolute[32];
    System::formatTime(absolute, double(frame) * s.videoScale / s.videoRate);
    const double offset = double(frame - start) * s.videoScale / s.videoRate;
    const double t = std::fabs(offset);
    const long long whole = static_cast<long long>(t);
    wchar_t relative[64];
    swprintf(relative, 64, L"%ls%02lld:%02lld.%02lld", offset < 0 ? L"-" : L"", whole / 60, whole % 60,
             static_cast<long long>(t * 100) % 100);
    wchar_t text[128];
    swprintf(text, 128, L"%ls ( %ls )", absolute, relative);
    return text;
}

} // namespace Component
