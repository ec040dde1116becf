#pragma once
// Range controls. A scroll bar scrolls a window [first, last] over a range
// [minPos, maxPos] with two repeating arrows, a draggable thumb, page clicks
// and the wheel; it never scrolls by itself but asks its owner through
// onScroll, and the owner scrolls its content and calls setPosition. The
// track bar (the player's frame bar) and the zoom gauge (the timeline's zoom)
// likewise only report wanted values; owners write them back. Main thread only.
#include "project/model/frame_zoom.h"
#include "ui/window/controls/button_control.h"

#include <functional>

namespace Control {

class ScrollBarControl : public Window::WindowControlRenderTarget {
public:
    // Laid out as (x, y, w, 0): the height stretches, so the bar is vertical.
    ScrollBarControl(Window::ControlContainer& container, int x, int y, int width);
    // Vertical when the height stretches (h <= 0), horizontal when the width
    // does (w <= 0); otherwise vertical when w < h, with arrows without icons.
    ScrollBarControl(Window::WindowControl& parent, int x, int y, int width, int height);
    ~ScrollBarControl() override;

    // Holds first and last inside the range (without calling onScroll or repainting).
    void setPosition(int first, int last);
    // Centres the window on a fraction of the range (no callback).
    void setPositionRatio(double ratio);
    // Asks the owner for a new first position, clamped; nothing when it would not move.
    void requestScroll(int wanted);

    void procMove() override;
    void procPaint() override;
    void procLButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;

    Platform::Draw::Brush* background = nullptr;
    int minPos = 0, maxPos = 0, first = 0, last = 0;
    int lineStep = 1;
    bool vertical = true;
    int arrowLength = 0, trackLength = 0;
    float startFraction = 0, endFraction = 0;
    float thumbStart = 0, thumbEnd = 0;
    int firstAtPress = 0;
    std::function<void(ScrollBarControl&, int wantedFirst)> onScroll = [](ScrollBarControl&, int) {};

    // The thumb: its own target above the bar.
    class BarMouse : public Window::WindowMouse {
    public:
        explicit BarMouse(ScrollBarControl& bar);
        void procLButtonDown(int x, int y) override;
        void procMouseDrag(int dx, int dy) override;
        void procMouseEnter() override;
        void procMouseLeave() override;
        void procRelease() override;
        ScrollBarControl& bar;
    };

    Window::ControlContainer arrows;
    RepeatClickButtonControl firstArrow, secondArrow;
    Window::Rect thumbRect;
    BarMouse thumb;

private:
    void build(int width, int height);
    void updateThumb();
};

// The player's frame bar: a cursor over [minPos, maxPos], a highlighted range and a selected range.
class TrackBarControl : public Window::WindowControlRenderTarget {
public:
    TrackBarControl(Window::WindowControl& parent, int x, int y, int width, int height);
    TrackBarControl(Window::ControlContainer& container, int x, int y, int width, int height);
    ~TrackBarControl() override;

    // The range becomes [min(n, 0), max(n, 0)]; the value and ranges are held inside it.
    void setMaximum(int n);
    void setRange(int start, int end);
    void setSelectRange(int start, int end);
    void setValue(int v);
    // Asks the owner for a value, clamped; nothing when it is the value already.
    void changeValue(int wanted);
    void updateBarLayout();

    void procMove() override;
    void procPaint() override;
    void procLButtonDown(int x, int y) override;

    int minPos = 0, maxPos = 0, value = 0;
    int rangeStart = 0, rangeEnd = 0, selectStart = 0, selectEnd = 0;
    int trackLength = 0;
    float margin = 0, inset = 0;
    float valueFraction = 0, cursorX = 0;
    float rangeStartFraction = 0, rangeEndFraction = 0, rangeStartX = 0, rangeEndX = 0;
    float selectStartFraction = 0, selectEndFraction = 0, selectStartX = 0, selectEndX = 0;
    int valueAtPress = 0;
    std::function<void(TrackBarControl&, int wantedValue)> onChange;

    class BarMouse : public Window::WindowMouse {
    public:
        explicit BarMouse(TrackBarControl& bar);
        void procLButtonDown(int x, int y) override;
        void procMouseDrag(int dx, int dy) override;
        void procMouseEnter() override;
        void procMouseLeave() override;
        void procRelease() override;
        TrackBarControl& bar;
    };
    Window::Rect cursorRect;
    BarMouse cursor;

private:
    float fractionOf(int v) const;
};

// The timeline's zoom: one segment per level step, set by click, drag or wheel.
class ZoomGaugeControl : public Window::WindowControlRenderTarget {
public:
    ZoomGaugeControl(Window::WindowControl& parent, int x, int y, int width, int height);
    ZoomGaugeControl(Window::ControlContainer& container, int x, int y, int width, int height);

    // The level under a point of the gauge.
    void zoomAt(int x);
    // Asks the owner for a zoom unless it is the current one.
    void applyZoom(Edit::FrameZoom zoom);

    void procMove() override;
    void procPaint() override;
    void procLButtonDown(int x, int y) override;
    void procMouseMove(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    void procMouseHover() override;
    void procMouseEnter() override;
    void procMouseLeave() override;
    void procRelease() override;

    Edit::FrameZoom zoom;
    int segmentCount = int(Edit::FrameZoom::ZoomTable.size()) - 1;
    int segmentWidth = 1, segmentOffset = 0;
    int litCount = -1;
    std::function<void(ZoomGaugeControl&, Edit::FrameZoom&)> onZoom;
};

} // namespace Control
