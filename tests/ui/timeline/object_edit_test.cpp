// Object drags without a window: what the pointer hits, snapping to objects,
// the BPM grid and the cursor, moves that never overlap, edge and mid-point
// limits; each drag is checked by the project text before, after, on undo
// and on redo, and leaves one undo step (a click none).
#include "project/edit/update_section.h"
#include "tests/ui/timeline/timeline_fixture.h"

using namespace TimelineTest;

namespace {

class ObjectEdit : public TimelineFixture {
protected:
    // A placed object with mid-points at the frames.
    std::shared_ptr<Edit::Object> withMidPoints(int layer, int start, int end, std::initializer_list<int> frames)
    {
        auto object = put(layer, start, end);
        Edit::UpdateSection update;
        for (int frame : frames)
            object->addMidPoint(frame);
        return object;
    }
    // Drags the object's body by (dx pixels, dy rows) from 5 pixels inside its start.
    void moveBy(const std::shared_ptr<Edit::Object>& object, int dx, int dyRows = 0, bool withShift = false)
    {
        const int x = int(view.pixelOf(object->start)) + 5, y = row(object->layer);
        hoverAndSelect(object, x);
        editor.beginEditDrag(Mode::MoveObject, x, y, withShift);
        editor.dragMove(x + dx, y + dyRows * 26, withShift);
        editor.finishEditDrag();
        scene().selection.clear();
    }
};

} // namespace

TEST_F(ObjectEdit, TheReachIsEightPixelsAndANearerMidPointBeatsTheEdge)
{
    const auto object = withMidPoints(0, 100, 199, {108});
    EXPECT_EQ(editor.hitTestObject(92, 10), object);
    EXPECT_EQ(editor.hitTestObject(91, 10), nullptr);
    EXPECT_EQ(editor.hitTestObject(207, 10), object);
    EXPECT_EQ(editor.hitTestObject(208, 10), nullptr);
    EXPECT_EQ(editor.hitTestObject(150, -5), nullptr); // a press from the time gauge hits no object
    EXPECT_EQ(editor.hitTestObject(150, 26 + 10), nullptr);

    struct Case {
        int x;
        Part part;
        int index;
    } cases[] = {
        {105, Part::Section, 1}, // 5 inside the start, the mid-point 3 further
        {101, Part::Start, -1},  // the edge nearer than the mid-point (7)
        {195, Part::End, -1},    {150, Part::Body, -1}, {116, Part::Section, 1}, {117, Part::Body, -1},
    };
    for (const Case& c : cases) {
        int index = 0;
        EXPECT_EQ(editor.getHoverPart(*object, c.x, index), c.part) << c.x;
        EXPECT_EQ(index, c.index) << c.x;
    }
    scene().layerList(0).layer->lock = true;
    int index = 0;
    EXPECT_EQ(editor.getHoverPart(*object, 101, index), Part::Body);
    EXPECT_EQ(editor.getHoverPart(*object, 108, index), Part::Body);
    EXPECT_EQ(index, -1);
}

TEST_F(ObjectEdit, AStartSnapsWithinEightFramesNotNineAndEachDragIsOneUndoStep)
{
    put(0, 0, 99);
    const auto moved = put(1, 200, 249);
    const size_t steps = undoSteps();

    // A click (press and release without a step) leaves no undo step.
    drag(moved, Mode::MoveObject, 205, row(1), {});
    EXPECT_EQ(undoSteps(), steps);

    UndoCheck far(*this);
    moveBy(moved, -91); // start 109: nine frames from the other object's end + 1
    EXPECT_EQ(moved->start, 109);
    EXPECT_EQ(undoSteps(), steps + 1);
    far.check();

    UndoCheck near(*this);
    moveBy(moved, -1); // start 108: snaps to 100
    EXPECT_EQ(moved->start, 100);
    EXPECT_EQ(moved->end, 149);
    EXPECT_EQ(undoSteps(), steps + 2);
    near.check();

    // Without the snap setting the pointer is followed.
    edit().layerObjectMoveSnap = 0;
    moveBy(moved, 5);
    moveBy(moved, 2);
    EXPECT_EQ(moved->start, 107);
}

TEST_F(ObjectEdit, SnappingTiesGoToTheObjectThenTheGridThenTheCursor)
{
    put(2, 0, 57); // end + 1 = 58
    settings.tempoGrid = 1; // 120 BPM at 30/1: a line every 15 frames
    struct Case {
        int frame, cursor, grid, target;
    } cases[] = {
        {59, 500, 1, 58}, // object 58 and grid 60 one frame away: the object
        {61, 62, 1, 60},  // grid 60 and cursor 62: the grid
        {61, 61, 1, 61},  // the cursor strictly nearer
        {64, 66, 1, 66},  //
        {61, 500, 0, 58}, // no grid without the setting
        {70, 500, 0, 70}, // nothing within reach: unchanged
    };
    for (const Case& c : cases) {
        scene().cursorFrame = c.cursor;
        settings.tempoGrid = c.grid;
        int offset = editor.snapThreshold();
        editor.findSnapFrame(c.frame, offset);
        const int target = offset == editor.snapThreshold() ? c.frame : c.frame + offset;
        EXPECT_EQ(target, c.target) << c.frame << " cursor " << c.cursor;
    }
}

TEST_F(ObjectEdit, BeatLinesEveryFifteenFramesThenBarsThenNone)
{
    struct Case {
        int zoom, beats;
        float offset;
        int frame, line;
    } cases[] = {
        {10000, 4, 0, 22, 15},  {10000, 4, 0, 23, 30},   {3000, 4, 0, 40, 60},   {3000, 4, 0, 20, 0},
        {750, 4, 0, 40, -1},    {3000, 0, 0, 40, -1},    {3000, 1, 0, 40, -1},   {10000, 0, 0, 22, 15},
        {10000, 4, 0.5f, 25, 30}, {10000, 4, 0.5f, 22, 15}, {100000, 4, 0, 8, 15},
    };
    for (const Case& c : cases) {
        scene().displayZoom = Edit::FrameZoom(c.zoom);
        scene().tempoBeat = c.beats;
        scene().tempoOffset = c.offset;
        EXPECT_EQ(editor.findTempoGridFrame(c.frame), c.line) << c.zoom << " beats " << c.beats << " at " << c.frame;
    }
}

TEST_F(ObjectEdit, AMoveOntoAnObstacleLandsBeforeOrAfterItWhicheverIsNearerAfterOnATie)
{
    edit().layerObjectMoveSnap = 0;
    put(0, 100, 199);
    const auto moved = put(0, 300, 309);
    struct Case {
        int wanted, landed;
    } cases[] = {{150, 200}, {140, 90}, {145, 200}, {95, 90}, {-40, 0}};
    for (const Case& c : cases) {
        UndoCheck check(*this);
        moveBy(moved, c.wanted - moved->start);
        EXPECT_EQ(moved->start, c.landed) << c.wanted;
        EXPECT_EQ(moved->end, c.landed + 9);
        EXPECT_EQ(moved->layer, 0);
        check.check();
    }
}

TEST_F(ObjectEdit, ABlockDraggedFarDownStopsAtTheLastRow)
{
    edit().layerObjectMoveSnap = 0;
    const auto a = put(0, 500, 509), b = put(1, 500, 509), c = put(2, 520, 529);
    view.updateView(-1);
    ASSERT_EQ(view.layerScrollRange, 14);
    hoverAndSelect(a, 505);
    scene().selection.addObject(b, scene());
    scene().selection.addObject(c, scene());
    UndoCheck check(*this);
    editor.beginEditDrag(Mode::MoveObject, 505, row(0), false);
    editor.dragMove(505, row(0) + 100 * 26, false);
    editor.finishEditDrag();
    scene().selection.clear();
    EXPECT_EQ(a->layer, 11);
    EXPECT_EQ(b->layer, 12);
    EXPECT_EQ(c->layer, 13);
    EXPECT_EQ(a->start, 500);
    check.check();
}

TEST_F(ObjectEdit, ShiftLocksTheMoveToTheAxisItMostlyFollows)
{
    edit().layerObjectMoveSnap = 0;
    const auto moved = put(3, 600, 609);
    moveBy(moved, 40, 1, true); // 40 pixels across, 26 down: stays on its layer
    EXPECT_EQ(moved->layer, 3);
    EXPECT_EQ(moved->start, 640);
    moveBy(moved, 10, 2, true); // 10 across, 52 down: keeps its frames
    EXPECT_EQ(moved->layer, 5);
    EXPECT_EQ(moved->start, 640);
}

TEST_F(ObjectEdit, EdgesAndMidPointsStayInsideTheirSections)
{
    edit().layerObjectMoveSnap = 0;
    const auto object = withMidPoints(4, 100, 130, {110, 120}); // offsets 10 and 20, end offset 30
    const int y = row(4);
    auto mids = [&] { return std::vector<int>{object->start + object->midPoints[0], object->start + object->midPoints[1]}; };
    struct Case {
        Mode mode;
        int press, to, start, end, mid1, mid2;
    } cases[] = {
        {Mode::ResizeStart, 101, 131, 109, 130, 110, 120}, // start no later than offset 9
        {Mode::ResizeStart, 101, 41, 40, 130, 110, 120},
        {Mode::ResizeEnd, 130, 100, 100, 121, 110, 120},   // end no earlier than offset 21
        {Mode::MoveSection, 120, 105, 100, 130, 110, 111}, // mid-point 2 within 11 .. 29
        {Mode::MoveSection, 120, 200, 100, 130, 110, 129},
        {Mode::MoveSection, 110, 90, 100, 130, 101, 120},
    };
    for (const Case& c : cases) {
        const std::string before = text();
        drag(object, c.mode, c.press, y, {c.to});
        EXPECT_EQ(object->start, c.start) << int(c.mode) << " to " << c.to;
        EXPECT_EQ(object->end, c.end) << int(c.mode) << " to " << c.to;
        EXPECT_EQ(mids(), (std::vector<int>{c.mid1, c.mid2})) << int(c.mode) << " to " << c.to;
        ASSERT_TRUE(undo().undo());
        EXPECT_EQ(text(), before);
    }
}

TEST_F(ObjectEdit, AShiftMidPointDragMovesOneSideUpToTheNeighbour)
{
    edit().layerObjectMoveSnap = 0;
    put(5, 0, 49);
    const auto left = withMidPoints(5, 100, 130, {110});
    UndoCheck first(*this);
    drag(left, Mode::MoveSection, 108, row(5), {0}, true); // left of the mid-point: the start side
    EXPECT_EQ(left->start, 50);
    EXPECT_EQ(left->start + left->midPoints[0], 60);
    EXPECT_EQ(left->end, 130);
    first.check();

    put(6, 200, 249);
    const auto right = withMidPoints(6, 100, 130, {110});
    UndoCheck second(*this);
    drag(right, Mode::MoveSection, 112, row(6), {400}, true); // right of it: the end side
    EXPECT_EQ(right->start, 100);
    EXPECT_EQ(right->start + right->midPoints[0], 179);
    EXPECT_EQ(right->end, 199);
    second.check();
}

TEST_F(ObjectEdit, TheDragTimeShowsTheAbsoluteTimeAndTheOffsetFromTheStart)
{
    EXPECT_EQ(editor.dragTimeText(45, 30), L"00:00:01.50 ( 00:00.50 )");
    EXPECT_EQ(editor.dragTimeText(15, 3690), L"00:00:00.50 ( -02:02.50 )");
}
