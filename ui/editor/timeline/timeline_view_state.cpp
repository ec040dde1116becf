#include "ui/editor/timeline/timeline_view_state.h"

#include "core/event_service.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"

#include <algorithm>

namespace Component {

TimelineViewState::TimelineViewState(Edit::EditService& e) : edit(e) {}

Edit::Scene& TimelineViewState::scene() const
{
    return *edit.currentScene;
}

int TimelineViewState::zoom() const
{
    return scene().displayZoom.zoom;
}

int64_t TimelineViewState::pixelOf(int64_t frame) const
{
    return ((frame - scene().displayFrame) * zoom() + 5000) / 10000;
}

int TimelineViewState::frameAt(int x) const
{
    return static_cast<int>(scene().displayFrame + int64_t(x) * 10000 / zoom());
}

void TimelineViewState::setClientSize(int width, int height)
{
    clientWidth = width;
    clientHeight = height;
}

int TimelineViewState::objectViewWidth() const
{
    return std::max(clientWidth - metrics.layerHeaderWidth - metrics.scrollBarSize, 0);
}

int TimelineViewState::objectViewHeight() const
{
    return std::max(clientHeight - metrics.timeGaugeHeight - metrics.scrollBarSize, 0);
}

void TimelineViewState::emit(unsigned what, int layer)
{
    if (what && redraw)
        redraw(what, layer);
}

bool TimelineViewState::updateLayerScroll(int top, bool force)
{
    Edit::Scene& s = scene();
    const int quotient = (clientHeight - metrics.timeGaugeHeight - metrics.scrollBarSize) / metrics.layerHeight;
    // A window too small for one whole row still shows one.
    visibleLayers = quotient < 0 ? 0 : quotient + 1;
    const int wanted = std::max(visibleLayers, visibleLayers / 2 + s.lastLayer);
    bool changed = false;
    if (layerScrollRange < wanted || force) {
        changed = layerScrollRange != wanted;
        layerScrollRange = wanted;
    }
    const int layer = std::clamp(top, 0, std::max(layerScrollRange - visibleLayers, 0));
    if (layer != s.displayLayer) {
        s.displayLayer = layer;
        changed = true;
    }
    return changed;
}

bool TimelineViewState::updateFrameScroll(int start, bool force)
{
    Edit::Scene& s = scene();
    const int64_t visible = int64_t(clientWidth - metrics.layerHeaderWidth - metrics.scrollBarSize) * 10000 / zoom() + 1;
    const int count = visible > 0 ? static_cast<int>(std::min<int64_t>(visible, INT32_MAX / 2)) : 0;
    const int wanted = std::max(count, count / 2 + s.lastFrame);
    bool rangeChanged = false;
    if (wanted >= frameScrollRange || force) {
        rangeChanged = wanted != frameScrollRange;
        frameScrollRange = wanted;
    }
    visibleFrames = count;
    const int frame = std::clamp(start, 0, std::max(frameScrollRange - count, 0));
    const bool moved = frame != s.displayFrame;
    const bool countChanged = count != s.displayFrameCount;
    if (moved || countChanged) {
        s.displayFrame = frame;
        s.displayFrameCount = count;
        if (edit.eventService)
            edit.eventService->displayRangeChanged(frame, count);
    }
    return moved || rangeChanged || countChanged;
}

void TimelineViewState::updateZoom(Edit::FrameZoom z)
{
    scene().displayZoom = z;
    zoomIndex = Edit::FrameZoom::indexOf(z.zoom);
    updateFrameScroll(scene().displayFrame, false);
}

void TimelineViewState::setFrameZoom(Edit::FrameZoom z, int anchor)
{
    const int64_t display = scene().displayFrame;
    const int64_t old = zoom();
    updateZoom(z);
    const int64_t pixel = ((anchor - display) * old + 5000) / 10000;
    updateFrameScroll(static_cast<int>(anchor - pixel * 10000 / z.zoom), false);
    emit(RedrawZoomGauge | RedrawHorizontalBar | RedrawGauge | RedrawObjects);
}

void TimelineViewState::setFrameSelection(int start, int end)
{
    Edit::Scene& s = scene();
    if (start >= 0 && end < 0)
        end = s.frameSelectionEnd >= 0 && s.frameSelectionEnd >= start ? s.frameSelectionEnd : s.lastFrame;
    else if (start < 0 && end >= 0)
        start = s.frameSelectionStart >= 0 && s.frameSelectionStart <= end ? s.frameSelectionStart : 0;
    if (start >= 0 && end >= 0) {
        if (start > end)
            std::swap(start, end);
    } else {
        start = end = -1;
    }
    if (start == s.frameSelectionStart && end == s.frameSelectionEnd)
        return;
    s.frameSelectionStart = start;
    s.frameSelectionEnd = end;
    emit(RedrawGauge);
    if (edit.eventService)
        edit.eventService->selectFrameRangeChanged(start, end);
}

void TimelineViewState::updateSelectAnchor(int frame)
{
    Edit::Scene& s = scene();
    if (!edit.moveFrameSelectRangeMode || !isShiftDown || !isShiftDown()) {
        s.selectionAnchor = frame;
        return;
    }
    const int start = std::min(frame, s.selectionAnchor), end = std::max(frame, s.selectionAnchor);
    if (start == s.frameSelectionStart && end == s.frameSelectionEnd)
        return;
    s.frameSelectionStart = start;
    s.frameSelectionEnd = end;
    emit(RedrawGauge);
    if (edit.eventService)
        edit.eventService->selectFrameRangeChanged(start, end);
}

void TimelineViewState::setDisplayPosition(int layer, int frame, int cursor)
{
    Edit::Scene& s = scene();
    const bool layers = updateLayerScroll(layer, false);
    const bool frames = updateFrameScroll(frame, false);
    cursor = std::clamp(cursor, 0, std::max(s.lastFrame, 0));
    const bool cursorMoved = cursor != s.cursorFrame;
    if (cursorMoved) {
        s.cursorFrame = cursor;
        updateSelectAnchor(cursor);
    }
    unsigned what = 0;
    if (layers)
        what |= RedrawVerticalBar | RedrawHeader | RedrawObjects;
    if (frames || cursorMoved)
        what |= RedrawHorizontalBar | RedrawGauge | RedrawObjects;
    emit(what);
    lastDrawnCursor = s.cursorFrame;
}

void TimelineViewState::setCursorFrameAt(int x)
{
    Edit::Scene& s = scene();
    const int offset = static_cast<int>(int64_t(x) * 10000 / zoom());
    if (s.displayFrame + offset == s.cursorFrame)
        return;
    const int width = objectViewWidth();
    int display = s.displayFrame;
    if (x < 0)
        display = static_cast<int>(std::max<int64_t>(display - int64_t(-x) * 10000 / zoom(), 0));
    else if (x >= width)
        display = static_cast<int>(
            std::min<int64_t>(display + int64_t(x - width + 1) * 10000 / zoom(), frameScrollRange - visibleFrames));
    setDisplayPosition(s.displayLayer, display, s.displayFrame + offset);
    // As the edit service's cursor move: clamped, then told.
    edit.setCursorFrame(s.cursorFrame);
}

void TimelineViewState::updateView(int layer)
{
    Edit::Scene& s = scene();
    const bool layers = updateLayerScroll(s.displayLayer, true);
    const bool frames = updateFrameScroll(s.displayFrame, true);
    const int clamped = std::clamp(s.cursorFrame, 0, std::max(s.lastFrame, 0));
    const bool cursorMoved = clamped != s.cursorFrame;
    if (cursorMoved) {
        s.cursorFrame = clamped;
        updateSelectAnchor(clamped);
    }
    unsigned what = 0;
    if (layers)
        what |= RedrawVerticalBar | RedrawHeader | RedrawObjects;
    if (frames || cursorMoved)
        what |= RedrawHorizontalBar | RedrawGauge | RedrawObjects;
    if (!what)
        what = layer >= 0 ? RedrawRow : RedrawObjects;
    emit(what, layer);
}

void TimelineViewState::onCursorFrameChanged(int frame)
{
    if (frame == lastDrawnCursor)
        return;
    updateSelectAnchor(frame);
    Edit::Scene& s = scene();
    if (frame < s.displayFrame || frame > s.displayFrame + visibleFrames)
        updateFrameScroll(frame - visibleFrames / 2, false);
    emit(RedrawHorizontalBar | RedrawGauge | RedrawObjects);
    lastDrawnCursor = frame;
}

bool TimelineViewState::onPlaybackFrame(int frame)
{
    Edit::Scene& s = scene();
    if (frame >= s.displayFrame && frame <= s.displayFrame + visibleFrames)
        return false;
    // Playback pages: the played frame becomes the first visible one.
    updateFrameScroll(frame, false);
    emit(RedrawHorizontalBar | RedrawGauge | RedrawObjects);
    return true;
}

void TimelineViewState::resetScene()
{
    Edit::Scene& s = scene();
    updateZoom(s.displayZoom);
    updateLayerScroll(s.displayLayer, true);
    updateFrameScroll(s.displayFrame, true);
    s.selectionAnchor = s.cursorFrame;
    lastDrawnCursor = s.cursorFrame;
    emit(RedrawVerticalBar | RedrawHeader | RedrawObjects | RedrawHorizontalBar | RedrawGauge | RedrawZoomGauge);
}

} // namespace Component
