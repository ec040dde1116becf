// The timeline's view state on tables, without a window: zoom steps and
// anchors, the frame selection's completion and anchor, scroll ranges, the
// smallest window, and how the cursor and playback move the view.
#include "tests/ui/timeline/timeline_fixture.h"
#include "ui/editor/timeline/time_gauge_control.h"

using namespace TimelineTest;
using Edit::FrameZoom;

namespace {

class ViewState : public TimelineFixture {};

} // namespace

TEST(FrameZoomSteps, StepsStayInTheTableAndAStrangerCountsAsBeforeTheFirst)
{
    struct Case {
        int current, steps, expected;
    } cases[] = {
        {20, -1, 20}, {20, -5, 20}, {100000, 1, 100000}, {75000, 3, 100000}, {10000, 1, 15000},
        {10000, -1, 7500}, {12345, 1, 20}, {12345, -1, 20}, {0, 2, 30},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameZoom::stepZoomLevel(c.current, c.steps).zoom, c.expected) << c.current << " " << c.steps;
    EXPECT_EQ(FrameZoom(12345).zoom, 10000);
}

TEST_F(ViewState, TheAnchorFrameKeepsItsPixelAndAZoomOutThatFitsAllClampsToFrameZero)
{
    put(0, 0, 99999);
    view.updateView(-1);
    struct Case {
        int from, to, display, anchorPixel;
    } cases[] = {
        {10000, 20000, 1000, 0},   // the left edge
        {10000, 5000, 1000, 430},  // mid-view
        {10000, 5000, 5000, 859},  // the right edge (Ctrl + wheel there)
        {20000, 10000, 3000, 858}, // zooming out from two pixels a frame
        {10000, 1000, 8000, 600},
    };
    for (const Case& c : cases) {
        view.updateZoom(FrameZoom(c.from));
        view.updateFrameScroll(c.display, true);
        ASSERT_EQ(scene().displayFrame, c.display);
        const int anchor = view.frameAt(c.anchorPixel);
        const int64_t before = view.pixelOf(anchor);
        view.setFrameZoom(FrameZoom(c.to), anchor);
        EXPECT_EQ(scene().displayZoom.zoom, c.to);
        EXPECT_EQ(view.pixelOf(anchor), before) << c.from << " -> " << c.to << " at " << c.anchorPixel;
        EXPECT_EQ(view.zoomIndex, FrameZoom::indexOf(c.to));
    }

}

TEST_F(ViewState, AZoomOutThatFitsTheWholeSceneClampsToFrameZero)
{
    put(0, 0, 999);
    view.updateView(-1);
    view.updateFrameScroll(500, true);
    ASSERT_EQ(scene().displayFrame, 500);
    view.setFrameZoom(FrameZoom(1000), 900);
    EXPECT_EQ(scene().displayFrame, 0);
}

TEST_F(ViewState, TheFrameSelectionCompletesAMissingEndAndOrdersItsEnds)
{
    put(0, 0, 199); // last frame 199
    view.updateView(-1);
    struct Case {
        int oldStart, oldEnd, start, end, expectedStart, expectedEnd;
    } cases[] = {
        {-1, -1, 10, -1, 10, 199}, {0, 50, 10, -1, 10, 50}, {0, 5, 10, -1, 10, 199},
        {30, 60, -1, 20, 0, 20},   {10, 60, -1, 20, 10, 20}, {-1, -1, 40, 30, 30, 40},
        {5, 9, -1, -1, -1, -1},
    };
    std::vector<std::pair<int, int>> heard;
    events().selectFrameRangeChanged.push_back([&](int s, int e) { heard.push_back({s, e}); });
    for (const Case& c : cases) {
        scene().frameSelectionStart = c.oldStart;
        scene().frameSelectionEnd = c.oldEnd;
        view.setFrameSelection(c.start, c.end);
        EXPECT_EQ(scene().frameSelectionStart, c.expectedStart) << c.start << "," << c.end;
        EXPECT_EQ(scene().frameSelectionEnd, c.expectedEnd) << c.start << "," << c.end;
        ASSERT_EQ(heard.size(), 1u);
        // The same selection again is no change and tells nobody.
        view.setFrameSelection(c.expectedStart, c.expectedEnd);
        EXPECT_EQ(heard.size(), 1u);
        heard.clear();
    }
}

TEST_F(ViewState, AShiftMoveOfTheCursorSelectsFromTheAnchor)
{
    put(0, 0, 999);
    view.updateView(-1);
    view.setDisplayPosition(0, 0, 100); // anchor 100
    EXPECT_EQ(scene().selectionAnchor, 100);
    shift = true;
    view.setDisplayPosition(0, 0, 40);
    EXPECT_EQ(scene().frameSelectionStart, 40);
    EXPECT_EQ(scene().frameSelectionEnd, 100);
    view.setDisplayPosition(0, 0, 130);
    EXPECT_EQ(scene().frameSelectionStart, 100);
    EXPECT_EQ(scene().frameSelectionEnd, 130);
    // With the mode off the anchor just follows.
    edit().moveFrameSelectRangeMode = 0;
    view.setDisplayPosition(0, 0, 10);
    EXPECT_EQ(scene().selectionAnchor, 10);
    EXPECT_EQ(scene().frameSelectionEnd, 130);
}

TEST_F(ViewState, ScrollRangesGrowWhileScrollingAndShrinkOnlyAfterAnEdit)
{
    const auto low = put(40, 0, 5000);
    view.updateView(-1);
    EXPECT_EQ(view.visibleLayers, 14);
    EXPECT_EQ(view.layerScrollRange, 14 / 2 + 40);
    EXPECT_EQ(view.visibleFrames, 861);
    EXPECT_EQ(view.frameScrollRange, 861 / 2 + 5000);
    view.setDisplayPosition(30, 4000, 0);
    EXPECT_EQ(scene().displayLayer, 30);
    EXPECT_EQ(scene().displayFrame, 4000);
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        scene().removeObject(*low);
    }
    put(0, 0, 9);
    view.setDisplayPosition(29, 3900, 0); // scrolling keeps the ranges
    EXPECT_EQ(view.layerScrollRange, 47);
    EXPECT_EQ(scene().displayLayer, 29);
    view.updateView(-1); // an edit brings them down
    EXPECT_EQ(view.layerScrollRange, 14);
    EXPECT_EQ(scene().displayLayer, 0);
    EXPECT_EQ(scene().displayFrame, 0);
}

TEST_F(ViewState, AWindowTooSmallForARowStillShowsOne)
{
    for (int height : {32 + 20 + 5, 32 + 20, 32 + 20 - 10, 40}) {
        view.setClientSize(1000, height);
        view.updateView(-1);
        EXPECT_EQ(view.visibleLayers, 1) << height;
    }
    view.setClientSize(1000, 32 + 20 - 26);
    view.updateView(-1);
    EXPECT_EQ(view.visibleLayers, 0);
}

TEST_F(ViewState, ACursorOutsideTheViewRecentresItWhilePlaybackPages)
{
    put(0, 0, 9999);
    view.updateView(-1);
    view.onCursorFrameChanged(5000);
    EXPECT_EQ(scene().displayFrame, 5000 - 861 / 2);
    view.onCursorFrameChanged(5100); // inside: the view stays
    EXPECT_EQ(scene().displayFrame, 5000 - 861 / 2);

    redraws.clear();
    EXPECT_FALSE(view.onPlaybackFrame(5200));
    EXPECT_TRUE(redraws.empty());
    EXPECT_TRUE(view.onPlaybackFrame(6000));
    EXPECT_EQ(scene().displayFrame, 6000);
    EXPECT_FALSE(redraws.empty());
}

TEST_F(ViewState, ClickingTheCursorAtTheEdgeScrollsAndTellsTheListeners)
{
    put(0, 0, 9999);
    view.updateView(-1);
    std::vector<int> heard;
    events().cursorFrameChanged.push_back([&](int f) { heard.push_back(f); });
    view.setCursorFrameAt(120);
    EXPECT_EQ(scene().cursorFrame, 120);
    view.setCursorFrameAt(860 + 99); // beyond the right edge by 100 pixels
    EXPECT_EQ(scene().displayFrame, 100);
    EXPECT_EQ(scene().cursorFrame, 959);
    view.setCursorFrameAt(-50);
    EXPECT_EQ(scene().displayFrame, 50);
    EXPECT_EQ(scene().cursorFrame, 50);
    EXPECT_EQ(heard, (std::vector<int>{120, 959, 50}));
}

TEST(TimeGaugeTicks, TicksEveryTenPixelsScaledAndNeverAStepOfZeroFrames)
{
    struct Case {
        float scale;
        int zoom, step;
    } cases[] = {
        {1.0f, 10000, 10}, {1.0f, 100000, 1}, {1.0f, 1000, 100}, {2.0f, 10000, 20},
        {0.75f, 100000, 1}, // 8 pixels at ten pixels a frame: 0 frames, held at 1
        {0.5f, 100000, 1},  {1.0f, 20, 5000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Component::TimeGaugeControl::tickStep(c.scale, c.zoom), c.step) << c.scale << " " << c.zoom;
}
