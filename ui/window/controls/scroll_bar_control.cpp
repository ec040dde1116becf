#include "ui/window/controls/scroll_bar_control.h"

#include "platform/draw/target.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/tool_tips.h"

#include <algorithm>
#include <cmath>

namespace Control {

using Brushes = Window::ColorBrushList;

namespace {
// Rounds halves away from zero.
int roundAway(double v)
{
    return int(std::lround(v));
}

Window::WindowMouseService* router()
{
    return Window::WindowMouseService::Get();
}

// The state body colour of a bare input target.
int bodyOf(const Window::WindowMouse& m)
{
    if (!m.enabled)
        return Brushes::ButtonBodyDisable;
    if (m.pressed)
        return Brushes::ButtonBodyPress;
    if (m.hovered)
        return Brushes::ButtonBodyHover;
    return Brushes::ButtonBody;
}
} // namespace

// ---- ScrollBarControl ----

ScrollBarControl::ScrollBarControl(Window::ControlContainer& container, int x, int y, int width)
    : WindowControlRenderTarget(container, x, y, width, 0), arrows(0, 0, priority + 1, &visibleRect, &rect),
      firstArrow(arrows), secondArrow(arrows), thumb(*this)
{
    build(width, 0);
}

ScrollBarControl::ScrollBarControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : WindowControlRenderTarget(parent, x, y, width, height), arrows(0, 0, priority + 1, &visibleRect, &rect),
      firstArrow(arrows), secondArrow(arrows), thumb(*this)
{
    build(width, height);
}

ScrollBarControl::~ScrollBarControl() = default;

void ScrollBarControl::build(int width, int height)
{
    background = brushOf(*this, Brushes::Background);
    if (height <= 0) {
        vertical = true;
        firstArrow.icon = &Icons::Up;
        secondArrow.icon = &Icons::Down;
    } else if (width <= 0) {
        vertical = false;
        firstArrow.icon = &Icons::Left;
        secondArrow.icon = &Icons::Right;
    } else {
        vertical = width < height;
    }
    firstArrow.onClick = [this](ButtonControl&) { requestScroll(first - lineStep); };
    secondArrow.onClick = [this](ButtonControl&) { requestScroll(first + lineStep); };
    acceptWheel = true;
}

void ScrollBarControl::setPosition(int f, int l)
{
    first = std::clamp(f, minPos, std::max(minPos, maxPos));
    last = std::clamp(l, first, std::max(first, maxPos));
    const double span = double(maxPos) - minPos + 1;
    startFraction = float((double(first) - minPos) / span);
    endFraction = float((double(last) - minPos + 1) / span);
    updateThumb();
}

void ScrollBarControl::setPositionRatio(double ratio)
{
    const int window = last - first, range = maxPos - minPos;
    if (range <= window)
        return;
    int f = minPos + roundAway((range + 1) * ratio - window * 0.5);
    f = std::max(std::min(f, maxPos - window), minPos);
    setPosition(f, f + window);
}

void ScrollBarControl::requestScroll(int wanted)
{
    wanted = std::clamp(wanted, minPos, std::max(minPos, maxPos - (last - first)));
    if (wanted != first && onScroll)
        onScroll(*this, wanted);
}

void ScrollBarControl::updateThumb()
{
    // The thumb is a target of its own: it follows the bar's state.
    thumb.visible = visible;
    thumb.enabled = enabled;
    thumbStart = trackLength * startFraction - 3;
    thumbEnd = trackLength * endFraction + 3;
    const int along = arrowLength + roundAway(thumbStart), length = roundAway(thumbEnd - thumbStart) + 1;
    if (vertical)
        thumbRect = {visibleRect.x, visibleRect.y + along, visibleRect.width, length};
    else
        thumbRect = {visibleRect.x + along, visibleRect.y, length, visibleRect.height};
}

void ScrollBarControl::procMove()
{
    const int W = visibleRect.width, H = visibleRect.height;
    const int along = vertical ? H : W, across = vertical ? W : H;
    arrowLength = along / 2 < 3 ? 0 : std::min(across, along / 2 - 3);
    trackLength = std::max(0, along - 2 * arrowLength);
    if (vertical) {
        firstArrow.placeX = 0, firstArrow.placeY = 0, firstArrow.placeWidth = 0, firstArrow.placeHeight = arrowLength;
        secondArrow.placeX = 0, secondArrow.placeY = H - arrowLength, secondArrow.placeWidth = 0,
        secondArrow.placeHeight = arrowLength;
    } else {
        firstArrow.placeX = 0, firstArrow.placeY = 0, firstArrow.placeWidth = arrowLength, firstArrow.placeHeight = 0;
        secondArrow.placeX = W - arrowLength, secondArrow.placeY = 0, secondArrow.placeWidth = arrowLength,
        secondArrow.placeHeight = 0;
    }
    // An arrow of no length would stretch over the whole bar: hide it instead.
    firstArrow.visible = secondArrow.visible = arrowLength > 0 && visible;
    updateThumb();
    arrows.updateLayout();
}

void ScrollBarControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    const int W = visibleRect.width, H = visibleRect.height;
    // The bar draws in its visible rectangle's coordinates.
    originX = visibleRect.x;
    originY = visibleRect.y;
    if (background)
        fillRect(0, 0, W, H, background);
    firstArrow.procPaint();
    secondArrow.procPaint();
    const int thickness = vertical ? W : H;
    const float g = std::max(0.5f, 0.2f * float(thickness));
    Platform::Draw::Brush* body = brushOf(*this, enabled ? bodyOf(thumb) : Brushes::ButtonBodyDisable);
    if (!body || trackLength <= 0)
        return;
    // The thumb, clipped to the track.
    const int trackStart = arrowLength, trackEnd = arrowLength + trackLength;
    Media::RenderTarget::DrawSection track(*this, vertical ? 0 : trackStart, vertical ? trackStart : 0,
                                           vertical ? W : trackEnd, vertical ? trackEnd : H, false);
    const float ox = float(originX), oy = float(originY);
    if (vertical)
        target->fillRectangle({ox + g, oy + thumbStart, ox + thickness - g, oy + thumbEnd}, *body);
    else
        target->fillRectangle({ox + thumbStart, oy + g, ox + thumbEnd, oy + thickness - g}, *body);
}

void ScrollBarControl::procLButtonDown(int x, int y)
{
    const int p = (vertical ? y : x) - arrowLength;
    if (p < int((thumbStart + thumbEnd) * 0.5f))
        requestScroll(first - (last - first));
    else
        requestScroll(last);
}

void ScrollBarControl::procMouseWheel(int, int, int delta)
{
    requestScroll(delta <= 0 ? first + lineStep : first - lineStep);
}

ScrollBarControl::BarMouse::BarMouse(ScrollBarControl& b) : WindowMouse(&b.thumbRect, 300), bar(b) {}

void ScrollBarControl::BarMouse::procLButtonDown(int x, int y)
{
    if (Window::WindowMouseService* r = router())
        r->beginDrag(x, y, r->mouseCursor.requestedCursor);
    bar.firstAtPress = bar.first;
    bar.procPaint();
}

void ScrollBarControl::BarMouse::procMouseDrag(int dx, int dy)
{
    if (bar.trackLength < 1)
        return;
    const float d = float(bar.vertical ? dy : dx);
    bar.requestScroll(int(float(bar.maxPos - bar.minPos) * d / float(bar.trackLength)) + bar.firstAtPress);
}

void ScrollBarControl::BarMouse::procMouseEnter()
{
    bar.procPaint();
}

void ScrollBarControl::BarMouse::procMouseLeave()
{
    bar.procPaint();
}

void ScrollBarControl::BarMouse::procRelease()
{
    bar.procPaint();
}

// ---- TrackBarControl ----

TrackBarControl::TrackBarControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : WindowControlRenderTarget(parent, x, y, width, height), cursor(*this)
{
}

TrackBarControl::TrackBarControl(Window::ControlContainer& container, int x, int y, int width, int height)
    : WindowControlRenderTarget(container, x, y, width, height), cursor(*this)
{
}

TrackBarControl::~TrackBarControl() = default;

float TrackBarControl::fractionOf(int v) const
{
    return float((double(v) - minPos) / (double(maxPos) - minPos + 1));
}

void TrackBarControl::setMaximum(int n)
{
    minPos = std::min(n, 0);
    maxPos = std::max(n, 0);
    value = std::clamp(value, minPos, maxPos);
    rangeStart = std::clamp(rangeStart, minPos, maxPos);
    rangeEnd = std::clamp(rangeEnd, rangeStart, maxPos);
    selectStart = std::clamp(selectStart, minPos, maxPos);
    selectEnd = std::clamp(selectEnd, selectStart, maxPos);
    updateBarLayout();
}

void TrackBarControl::setRange(int start, int end)
{
    rangeStart = std::clamp(start, minPos, maxPos);
    rangeEnd = std::clamp(end, rangeStart, maxPos);
    updateBarLayout();
}

void TrackBarControl::setSelectRange(int start, int end)
{
    selectStart = std::clamp(start, minPos, maxPos);
    selectEnd = std::clamp(end, selectStart, maxPos);
    updateBarLayout();
}

void TrackBarControl::setValue(int v)
{
    value = std::clamp(v, minPos, maxPos);
    updateBarLayout();
}

void TrackBarControl::changeValue(int wanted)
{
    wanted = std::clamp(wanted, minPos, maxPos);
    if (wanted != value && onChange)
        onChange(*this, wanted);
}

void TrackBarControl::updateBarLayout()
{
    valueFraction = fractionOf(value);
    rangeStartFraction = fractionOf(rangeStart);
    rangeEndFraction = fractionOf(rangeEnd);
    selectStartFraction = fractionOf(selectStart);
    selectEndFraction = fractionOf(selectEnd);
    const int W = visibleRect.width, H = visibleRect.height;
    inset = H * 0.125f;
    margin = std::max(3.0f, (H - 2 * inset) * 0.2f);
    const int c = roundAway(2 * margin);
    trackLength = W - c;
    cursorX = trackLength * valueFraction;
    rangeStartX = trackLength * rangeStartFraction + margin;
    rangeEndX = trackLength * rangeEndFraction + margin;
    selectStartX = trackLength * selectStartFraction + margin;
    selectEndX = trackLength * selectEndFraction + margin;
    cursorRect = {visibleRect.x + roundAway(cursorX), visibleRect.y, c, H};
    cursor.visible = visible;
    cursor.enabled = enabled;
}

void TrackBarControl::procMove()
{
    updateBarLayout();
}

void TrackBarControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    originX = visibleRect.x;
    originY = visibleRect.y;
    const float W = float(visibleRect.width), H = float(visibleRect.height);
    const float ox = float(originX), oy = float(originY);
    auto fill = [&](float l, float t, float r, float b, int brush) {
        if (Platform::Draw::Brush* p = brushOf(*this, brush))
            target->fillRectangle({ox + l, oy + t, ox + r, oy + b}, *p);
    };
    fill(0, 0, W, H, Brushes::Background);
    if (rangeStart != rangeEnd) {
        fill(rangeStartX, 1, rangeEndX, H - 1, Brushes::TrackBarRange);
        Platform::Draw::Brush* mark = brushOf(*this, Brushes::ButtonBodyDisable);
        for (float x : {rangeStartX, rangeEndX}) {
            target->drawLine({ox + x, oy}, {ox + x, oy + H}, *mark, 1.0f, nullptr);
            if (inset > 1) {
                const Platform::Draw::Point top[3] = {{x - inset, 0}, {x + inset, 0}, {x, inset}};
                const Platform::Draw::Point bottom[3] = {{x - inset, H}, {x + inset, H}, {x, H - inset}};
                fillPath(top, mark);
                fillPath(bottom, mark);
            }
        }
    }
    fill(margin, (H - margin) / 2, W - margin, (H + margin) / 2, Brushes::ButtonBodyDisable);
    if (selectStart != selectEnd)
        fill(selectStartX, (H - margin) / 2, selectEndX, (H + margin) / 2, Brushes::FrameRangeSelect);
    fill(cursorX, inset - 1, cursorX + 2 * margin, H - inset + 1, enabled ? bodyOf(cursor) : Brushes::ButtonBodyDisable);
}

void TrackBarControl::procLButtonDown(int x, int)
{
    if (trackLength > 0)
        changeValue(int(double(maxPos - minPos) * (x - margin) / trackLength));
    // The same press goes on as a drag of the cursor.
    Window::WindowMouseService* r = router();
    if (r && r->pressTarget == this) {
        r->pressTarget = &cursor;
        const int cx = rect.x + x, cy = rect.y;
        cursor.procLButtonDown(cx - cursorRect.x, cy - cursorRect.y);
    }
}

TrackBarControl::BarMouse::BarMouse(TrackBarControl& b) : WindowMouse(&b.cursorRect, b.priority + 1), bar(b) {}

void TrackBarControl::BarMouse::procLButtonDown(int x, int y)
{
    if (Window::WindowMouseService* r = router())
        r->beginDrag(x, y, r->mouseCursor.requestedCursor);
    bar.valueAtPress = bar.value;
    bar.procPaint();
}

void TrackBarControl::BarMouse::procMouseDrag(int dx, int)
{
    if (bar.trackLength > 0)
        bar.changeValue(int(double(bar.maxPos - bar.minPos) * dx / bar.trackLength) + bar.valueAtPress);
}

void TrackBarControl::BarMouse::procMouseEnter()
{
    bar.procPaint();
}

void TrackBarControl::BarMouse::procMouseLeave()
{
    bar.procPaint();
}

void TrackBarControl::BarMouse::procRelease()
{
    bar.procPaint();
}

// ---- ZoomGaugeControl ----

ZoomGaugeControl::ZoomGaugeControl(Window::WindowControl& parent, int x, int y, int width, int height)
    : WindowControlRenderTarget(parent, x, y, width, height)
{
    acceptWheel = true;
}

ZoomGaugeControl::ZoomGaugeControl(Window::ControlContainer& container, int x, int y, int width, int height)
    : WindowControlRenderTarget(container, x, y, width, height)
{
    acceptWheel = true;
}

void ZoomGaugeControl::zoomAt(int x)
{
    const int index = std::clamp((x - segmentOffset) / segmentWidth + 1, 0, segmentCount);
    applyZoom(Edit::FrameZoom(Edit::FrameZoom::ZoomTable[size_t(index)]));
}

void ZoomGaugeControl::applyZoom(Edit::FrameZoom wanted)
{
    if (wanted.zoom != zoom.zoom && onZoom)
        onZoom(*this, wanted);
}

void ZoomGaugeControl::procMove()
{
    segmentWidth = std::max(1, rect.width / segmentCount);
    segmentOffset = (rect.width - segmentCount * segmentWidth) / 2;
}

void ZoomGaugeControl::procPaint()
{
    PaintSection section;
    if (!openPaint(*this, section))
        return;
    originX = visibleRect.x;
    originY = visibleRect.y;
    const int H = visibleRect.height;
    fillRect(0, 0, visibleRect.width, H, brushOf(*this, Brushes::Background));
    for (int i = 0; i < segmentCount; ++i) {
        const bool lit = i < litCount;
        const int brush = lit ? (hovered ? Brushes::ZoomGaugeHover : Brushes::ZoomGauge)
                              : (hovered ? Brushes::ZoomGaugeOffHover : Brushes::ZoomGaugeOff);
        fillRect(segmentOffset + i * segmentWidth, 2, segmentOffset + (i + 1) * segmentWidth - 1, H - 2,
                 brushOf(*this, brush));
    }
}

void ZoomGaugeControl::procLButtonDown(int x, int)
{
    if (Window::WindowMouseService* r = router())
        r->takePress();
    zoomAt(x);
}

void ZoomGaugeControl::procMouseMove(int x, int)
{
    if (pressed)
        zoomAt(x);
}

void ZoomGaugeControl::procMouseWheel(int, int, int delta)
{
    applyZoom(Edit::FrameZoom::stepZoomLevel(zoom.zoom, delta <= 0 ? -1 : 1));
}

void ZoomGaugeControl::procMouseHover()
{
    Window::ToolTips::get().showAtCursor(L"レイヤー表示の拡大率を変更");
}

void ZoomGaugeControl::procMouseEnter()
{
    procPaint();
}

void ZoomGaugeControl::procMouseLeave()
{
    procPaint();
}

void ZoomGaugeControl::procRelease()
{
    procPaint();
}

} // namespace Control
