// The timeline window with real input: what the pointer hovers, selections
// that last while Ctrl is held, drags as one undo step each, the time gauge's
// double click, panning with the right button, arrow keys during a drag, the
// wheel, and the header's clicks and drags.
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "tests/ui/timeline/timeline_window_fixture.h"

using namespace TimelineTest;
using Part = Component::LayerObjectEditor::HoverPart;

namespace {

class TimelineInput : public TimelineWindow {};

} // namespace

TEST_F(TimelineInput, ThePaneLaysOutItsControlsAroundTheObjectView)
{
    const Component::TimelineMetrics& m = timeline->view.metrics;
    const Window::Rect& panel = timeline->clientRect;
    EXPECT_EQ(view().rect.x, panel.x + m.layerHeaderWidth);
    EXPECT_EQ(view().rect.y, panel.y + m.timeGaugeHeight);
    EXPECT_EQ(view().rect.width, panel.width - m.layerHeaderWidth - m.scrollBarSize);
    EXPECT_EQ(view().rect.height, panel.height - m.timeGaugeHeight - m.scrollBarSize);
    EXPECT_EQ(timeline->layerHeader->rect.width, m.layerHeaderWidth);
    EXPECT_EQ(timeline->timeGauge->rect.height, m.timeGaugeHeight);
    EXPECT_EQ(timeline->verticalBar.rect.x, panel.x + panel.width - m.scrollBarSize);
    EXPECT_EQ(timeline->zoomGauge.rect.y, panel.y + panel.height - m.scrollBarSize);
    EXPECT_EQ(&Edit::TimelineHost::get(), timeline);
    EXPECT_EQ(timeline->view.objectViewWidth(), view().rect.width);
}

TEST_F(TimelineInput, TheReachIsEightPixelsAMidPointBeatsTheEdgeAndLockedLayersOfferOnlyTheBody)
{
    const auto object = put(0, 100, 199);
    {
        Edit::UpdateSection update;
        object->addMidPoint(108);
    }
    const auto locked = put(1, 100, 199);
    scene().layerList(1).layer->lock = true;
    refresh();
    struct Case {
        int x, layer;
        bool hit;
        Part part;
    } cases[] = {
        {92, 0, true, Part::Start},   {91, 0, false, Part::Body}, {105, 0, true, Part::Section},
        {150, 0, true, Part::Body},   {207, 0, true, Part::End},  {208, 0, false, Part::Body},
        {101, 1, true, Part::Body},   {150, 1, true, Part::Body},
    };
    for (const Case& c : cases) {
        Input::move(vx(c.x), rowY(c.layer));
        Input::wait();
        const auto& hover = view().editor.hoverObject;
        EXPECT_EQ(hover != nullptr, c.hit) << c.x;
        if (c.hit && hover) {
            EXPECT_EQ(hover, c.layer == 0 ? object : locked) << c.x;
            EXPECT_EQ(view().editor.hoverPart, c.part) << c.x;
        }
        Input::move(vx(500), rowY(5)); // away, so the next case enters afresh
    }
}

TEST_F(TimelineInput, APlainDragLeavesNothingSelectedWhileCtrlKeepsTheSelection)
{
    edit().layerObjectMoveSnap = 0;
    const auto object = put(0, 100, 149);
    refresh();
    const size_t steps = undoSteps();
    dragTo(vx(120), rowY(0), vx(170), rowY(0));
    EXPECT_EQ(object->start, 150);
    EXPECT_TRUE(scene().selection.objects.empty());
    EXPECT_EQ(undoSteps(), steps + 1);

    Input::keyDown(17);
    dragTo(vx(170), rowY(0), vx(190), rowY(0), Input::Control);
    EXPECT_EQ(object->start, 170);
    EXPECT_EQ(scene().selection.objects.size(), 1u);
    Input::keyUp(17);
    Input::wait(20);
    EXPECT_TRUE(scene().selection.objects.empty());
    EXPECT_EQ(undoSteps(), steps + 2);

    // A click is no undo step.
    Input::click(vx(200), rowY(0));
    Input::wait();
    EXPECT_EQ(undoSteps(), steps + 2);
}

TEST_F(TimelineInput, ACtrlClickOnASelectedGroupMemberReleasedUnmovedDeselectsIt)
{
    const auto a = put(0, 100, 149), b = put(1, 100, 149);
    auto group = std::make_shared<Edit::Group>();
    a->group = b->group = group;
    group->members = {a.get(), b.get()};
    refresh();
    Input::keyDown(17);
    Input::move(vx(120), rowY(0), Input::Control);
    Input::click(vx(120), rowY(0), Input::Left, Input::Control);
    Input::wait(600); // not a double click
    EXPECT_TRUE(a->selected);
    EXPECT_TRUE(b->selected);
    Input::move(vx(121), rowY(1), Input::Control);
    Input::click(vx(121), rowY(1), Input::Left, Input::Control);
    Input::wait();
    EXPECT_TRUE(a->selected);
    EXPECT_FALSE(b->selected);
    Input::keyUp(17);
    Input::wait(20);
}

TEST_F(TimelineInput, ADoubleClickInTheGaugeClearsTheFrameSelectionUnlessShift)
{
    put(0, 0, 999);
    refresh();
    const Window::Rect& gauge = timeline->timeGauge->rect;
    for (uint32_t modifiers : {Input::Shift, Input::None}) {
        timeline->setFrameSelection(10, 20);
        Input::move(gauge.x + 300, gauge.y + 10, modifiers);
        Input::click(gauge.x + 300, gauge.y + 10, Input::Left, modifiers);
        Input::click(gauge.x + 300, gauge.y + 10, Input::Left, modifiers);
        Input::wait();
        if (modifiers == Input::Shift)
            EXPECT_GE(scene().frameSelectionStart, 0); // kept (Shift scrubbing extends it from the anchor)
        else
            EXPECT_EQ(scene().frameSelectionStart, -1);
        Input::wait(600);
    }
    // A single press in the gauge puts the cursor there.
    Input::click(gauge.x + 250, gauge.y + 10);
    Input::wait();
    EXPECT_EQ(scene().cursorFrame, 250);
}

TEST_F(TimelineInput, ARightDragDownThreeRowsScrollsUpThreeLayers)
{
    put(60, 0, 99);
    refresh();
    timeline->setDisplayPosition(5, 0, 0);
    ASSERT_EQ(scene().displayLayer, 5);
    const int lh = timeline->view.metrics.layerHeight;
    Input::move(vx(300), vy(40));
    Input::press(vx(300), vy(40), Input::Right);
    Input::move(vx(300), vy(40 + lh), Input::None, Input::Right);
    Input::move(vx(300), vy(40 + 3 * lh), Input::None, Input::Right);
    Input::release(vx(300), vy(40 + 3 * lh), Input::Right);
    Input::wait();
    EXPECT_EQ(scene().displayLayer, 2);
}

TEST_F(TimelineInput, ArrowKeysStepADragByAFrame)
{
    edit().layerObjectMoveSnap = 0;
    const auto object = put(0, 100, 149);
    refresh();
    Input::move(vx(120), rowY(0));
    Input::press(vx(120), rowY(0));
    Input::move(vx(140), rowY(0), Input::None, Input::Left);
    Input::move(vx(150), rowY(0), Input::None, Input::Left);
    EXPECT_EQ(object->start, 130);
    Input::keyClick(0x27);
    Input::keyClick(0x27);
    Input::keyClick(0x25);
    Input::wait();
    EXPECT_EQ(object->start, 131);
    Input::release(vx(150), rowY(0));
    Input::wait();
    EXPECT_EQ(object->start, 131);
}

TEST_F(TimelineInput, TheWheelScrollsFramesLayersOrZoomsAroundThePointer)
{
    put(40, 0, 99999);
    refresh();
    Input::wheel(vx(100), vy(30), -120);
    Input::wait();
    EXPECT_EQ(scene().displayFrame, 100);
    timeline->settings.layerWheelMode = 1;
    Input::wheel(vx(100), vy(30), -120);
    Input::wait();
    EXPECT_EQ(scene().displayLayer, 1);
    // Ctrl + wheel at the right edge keeps the frame under the pointer.
    timeline->setDisplayPosition(scene().displayLayer, 5000, 0);
    const int x = view().rect.width - 1;
    const int frame = timeline->view.frameAt(x);
    const int64_t pixel = timeline->view.pixelOf(frame);
    Input::wheel(vx(x), vy(30), -120, Input::Control);
    Input::wait();
    EXPECT_EQ(scene().displayZoom.zoom, 7500);
    EXPECT_EQ(timeline->view.pixelOf(frame), pixel);
}

TEST_F(TimelineInput, HeaderClicksAndADragAreOneUndoStepEach)
{
    for (int layer = 0; layer < 6; ++layer)
        put(layer, 0, 9);
    refresh();
    const Window::Rect& header = timeline->layerHeader->rect;
    const int lh = timeline->view.metrics.layerHeight;
    const std::string before = text();
    const size_t steps = undoSteps();
    Input::move(header.x + 30, header.y + 2 * lh + 10);
    Input::click(header.x + 30, header.y + 2 * lh + 10);
    Input::wait();
    EXPECT_TRUE(scene().getLayer(2).layer->hide);
    EXPECT_EQ(undoSteps(), steps + 1);
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(text(), before);

    const auto moved = scene().getLayer(2).objects.front();
    dragTo(header.x + 30, header.y + 2 * lh + 10, header.x + 30, header.y + 5 * lh + 10);
    EXPECT_EQ(moved->layer, 5);
    EXPECT_EQ(undoSteps(), steps + 1); // the undone click's step was dropped, the drag's added
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(moved->layer, 2);
    EXPECT_EQ(text(), before);
}
