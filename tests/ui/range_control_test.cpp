// Scroll bar, track bar and zoom gauge on real events: the thumb's geometry,
// page clicks, arrows, thumb drags and the wheel; the track bar's geometry and
// its click that goes on as a drag; the gauge's segments, click and wheel.
#include "tests/ui/controls_fixture.h"
#include "ui/window/controls/scroll_bar_control.h"

using namespace ControlsTest;
using namespace Control;

namespace {
class RangeControls : public ControlsFixture {
protected:
    // A vertical bar 16 wide and h high at (20, 20) over [0, 999], the owner scrolling as asked.
    void makeBar(std::unique_ptr<ScrollBarControl>& bar, int h, int window)
    {
        bar = std::make_unique<ScrollBarControl>(box(), 20, 20, 16);
        bar->placeHeight = h;
        bar->minPos = 0;
        bar->maxPos = 999;
        bar->setPosition(0, window - 1);
        bar->onScroll = [this, window](ScrollBarControl& b, int wanted) {
            asked.push_back(wanted);
            b.setPosition(wanted, wanted + window - 1);
            b.procMove();
            b.procPaint();
        };
        show();
    }
    std::vector<int> asked;
};
} // namespace

TEST_F(RangeControls, AScrollBarAsksItsOwnerByPageArrowThumbAndWheel)
{
    std::unique_ptr<ScrollBarControl> bar;
    makeBar(bar, 330, 100);
    ASSERT_TRUE(bar->vertical);
    EXPECT_EQ(bar->arrowLength, 16) << "min(width, height / 2 - 3)";
    EXPECT_EQ(bar->trackLength, 330 - 32);
    EXPECT_FLOAT_EQ(bar->thumbStart, -3.0f);
    EXPECT_NEAR(bar->thumbEnd, 298 * 0.1f + 3, 1e-3) << "10 % of the track plus 3 pixels at each end";
    EXPECT_EQ(bar->thumbRect.y, bar->rect.y + 16 - 3);
    // The thumb drawn in the body colour inside the track, the track's rest in Background.
    EXPECT_EQ(pixel(bar->rect.x + 8, bar->rect.y + 16 + 10), colour(Brushes::ButtonBody));
    EXPECT_EQ(pixel(bar->rect.x + 8, bar->rect.y + 200), colour(Brushes::Background));

    Input::click(bar->rect.x + 8, bar->rect.y + 200); // a page below the thumb
    EXPECT_EQ(asked, std::vector<int>{99}) << "the old last";
    EXPECT_EQ(bar->first, 99);
    EXPECT_EQ(bar->last, 198);
    Input::wait(600); // no double click
    Input::click(bar->rect.x + 8, bar->rect.y + 20); // a page above
    EXPECT_EQ(asked.back(), 0);
    Input::wait(600);
    Input::click(bar->rect.x + 8, bar->rect.y + bar->rect.height - 8); // the down arrow
    EXPECT_EQ(asked.back(), 1);
    Input::wait(600);
    Input::move(bar->rect.x + 8, bar->rect.y + 100);
    Input::wheel(bar->rect.x + 8, bar->rect.y + 100, -120); // towards the user
    Input::wait();
    EXPECT_EQ(asked.back(), 2);
    Input::wheel(bar->rect.x + 8, bar->rect.y + 100, 120);
    Input::wait();
    EXPECT_EQ(asked.back(), 1);

    // Dragging the thumb over the whole track moves by the range, held at max - window.
    const int tx = bar->thumbRect.x + 8, ty = bar->thumbRect.y + bar->thumbRect.height / 2;
    Input::wait(600);
    Input::press(tx, ty);
    Input::move(tx, ty + 20, Input::None, Input::Left);
    Input::move(tx, ty + bar->trackLength, Input::None, Input::Left);
    Input::release(tx, ty + bar->trackLength);
    Input::wait();
    EXPECT_EQ(bar->first, 900);
    EXPECT_EQ(asked.back(), 900);
}

TEST_F(RangeControls, AWindowAsLargeAsTheRangeAsksNothing)
{
    std::unique_ptr<ScrollBarControl> bar;
    makeBar(bar, 200, 1000);
    bar->requestScroll(500);
    bar->setPositionRatio(0.5);
    Input::click(bar->rect.x + 8, bar->rect.y + bar->rect.height - 8);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(bar->first, 0);

    // Centring on a point of a larger range.
    bar->setPosition(0, 99);
    bar->setPositionRatio(0.5);
    EXPECT_EQ(bar->first, 451) << "1000 × 0.5 − 99 × 0.5 = 450.5, rounded away from zero";
    EXPECT_EQ(bar->last, 550);
}

TEST(ScrollBarGeometry, ArrowsTakeWhatTheHeightAllows)
{
    struct Case {
        int w, h, arrow, track;
    };
    const Window::Rect area{0, 0, 200, 400};
    Window::ControlContainer container(0, 0, 200, &area, &area);
    for (const Case& c : {Case{20, 30, 12, 6}, Case{16, 300, 16, 268}, Case{16, 5, 0, 5}, Case{16, 6, 0, 6}}) {
        ScrollBarControl bar(container, 0, 0, c.w);
        bar.placeHeight = c.h;
        container.updateLayout();
        EXPECT_EQ(bar.arrowLength, c.arrow) << c.w << "x" << c.h;
        EXPECT_EQ(bar.trackLength, c.track) << c.w << "x" << c.h;
    }
}

TEST_F(RangeControls, TheTrackBarJumpsToAClickAndTheSamePressDragsTheCursorOn)
{
    TrackBarControl bar(box(), 20, 20, 407, 24);
    bar.setMaximum(99);
    show();
    EXPECT_FLOAT_EQ(bar.inset, 3.0f);
    EXPECT_FLOAT_EQ(bar.margin, 3.6f);
    EXPECT_EQ(bar.cursorRect.width, 7);
    EXPECT_EQ(bar.trackLength, 400);
    std::vector<int> asked;
    bar.onChange = [&](TrackBarControl& b, int wanted) {
        asked.push_back(wanted);
        b.setValue(wanted);
        b.procPaint();
    };
    Input::press(bar.rect.x + 203, cy(bar)); // far from the cursor at 0
    Input::wait();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), 49) << "99 × (203 − 3.6) / 400";
    EXPECT_TRUE(bar.cursor.pressed) << "the press went over to the cursor";
    Input::move(bar.rect.x + 243, cy(bar), Input::None, Input::Left);
    Input::wait();
    Input::release(bar.rect.x + 243, cy(bar));
    Input::wait();
    EXPECT_EQ(bar.value, 49 + 99 * 40 / 400) << "the drag goes on from the value at the press";
    // The cursor in its state colour at its place, the groove in ButtonBodyDisable.
    Input::move(400, 400);
    Input::wait();
    bar.procPaint();
    const int x = bar.rect.x + int(bar.cursorX) + 3;
    EXPECT_EQ(pixel(x, bar.rect.y + 12), colour(Brushes::ButtonBody));
    EXPECT_EQ(pixel(bar.rect.x + 10, bar.rect.y + 12), colour(Brushes::ButtonBodyDisable));
}

TEST_F(RangeControls, TheZoomGaugeLightsSegmentsAndStepsByTheTable)
{
    ZoomGaugeControl gauge(box(), 20, 20, 260, 20);
    std::vector<int> asked;
    gauge.onZoom = [&](ZoomGaugeControl& g, Edit::FrameZoom& zoom) {
        asked.push_back(zoom.zoom);
        g.zoom = zoom;
        g.litCount = Edit::FrameZoom::indexOf(zoom.zoom);
        g.procPaint();
    };
    show();
    EXPECT_EQ(gauge.segmentWidth, 10);
    EXPECT_EQ(gauge.segmentOffset, 0);
    Input::click(gauge.rect.x + 35, cy(gauge));
    EXPECT_EQ(asked, std::vector<int>{75});
    EXPECT_EQ(gauge.litCount, 4);
    Input::move(400, 400);
    Input::wait();
    gauge.procPaint();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(pixel(gauge.rect.x + i * 10 + 4, cy(gauge)), colour(i < 4 ? Brushes::ZoomGauge : Brushes::ZoomGaugeOff))
            << i;
    EXPECT_EQ(pixel(gauge.rect.x + 9, cy(gauge)), colour(Brushes::Background)) << "a gap between segments";

    // At the first entry a turn towards the user asks for nothing; away from it, the next entry.
    gauge.zoom = Edit::FrameZoom(20);
    asked.clear();
    Input::move(cx(gauge), cy(gauge));
    Input::wheel(cx(gauge), cy(gauge), -120);
    Input::wait();
    EXPECT_TRUE(asked.empty());
    Input::wheel(cx(gauge), cy(gauge), 120);
    Input::wait();
    EXPECT_EQ(asked, std::vector<int>{30});
}
