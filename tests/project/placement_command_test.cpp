// Commands that create, remove, copy, paste, duplicate, group and shift whole
// objects: the target rule, their log lines, and their steps undone and
// redone by the project's text.
#include "effect/effect_item_layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"
#include "project/edit/edit_host.h"

using namespace EditTest;

namespace {

class PlacementCommand : public CommandFixture {};

// A timeline as paste reads it: the last mouse position over a rectangle of its object view.
struct MouseTimeline : Edit::TimelineHost {
    MouseTimeline() { install(this); }
    ~MouseTimeline() override { install(nullptr); }
    TimelineView getTimelineView() override { return view; }
    TimelineView view;
};

} // namespace

TEST_F(PlacementCommand, WithoutSelectionOrPlacedFocusCommandsDoNothingButClearGroupLogs)
{
    const auto loose = std::make_shared<Edit::Object>(); // never placed
    scene().focusObject = loose;
    edit().objectClipboard.push_back(std::make_shared<Edit::Object>());
    const std::vector<std::pair<const char*, std::function<void()>>> commands = {
        {"deleteObject", [] { EditCommand::deleteObject(); }},
        {"copyObject", [] { EditCommand::copyObject(); }},
        {"cutObject", [] { EditCommand::cutObject(true); }},
        {"duplicateObject", [] { EditCommand::duplicateObject(); }},
        {"removeObjectLeftGap", [] { EditCommand::removeObjectLeftGap(); }},
        {"setGroup", [] { EditCommand::setGroup(); }},
        {"adjustLayerRange", [] { EditCommand::adjustLayerRange(); }},
        {"splitObject", [] { EditCommand::splitObject(5); }},
        {"trimObject", [] { EditCommand::trimObject(); }},
        {"separateAudioObject", [] { EditCommand::separateAudioObject(); }},
        {"createSection", [] { EditCommand::createSection(5); }},
        {"deleteSection", [] { EditCommand::deleteSection(5); }},
        {"changeObjectLength", [] { EditCommand::changeObjectLength(); }},
        {"setEnableObject", [] { EditCommand::setEnableObject(false); }},
        {"setLockObject", [] { EditCommand::setLockObject(true); }},
    };
    answerFrames(10);
    int transactions = 0;
    events().editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++transactions; });
    for (const auto& [name, command] : commands) {
        TestKit::LogCapture log;
        command();
        EXPECT_TRUE(log.lines().empty()) << name << ": " << log.lines().front();
    }
    EXPECT_EQ(transactions, 0);
    EXPECT_TRUE(frameDialogs.empty());
    EXPECT_EQ(edit().objectClipboard.size(), 1u);
    EXPECT_TRUE(history().steps.empty());

    TestKit::LogCapture log;
    EditCommand::clearGroup();
    EXPECT_EQ(log.lines(), std::vector<std::string>{"INFO|Edit::EditCommand::clearGroup|clear group object"});
}

TEST_F(PlacementCommand, TheSelectionComesBeforeTheFocusAndOnlyItsPlacedObjectsCount)
{
    const auto a = put(0, 0, 9);
    const auto b = put(0, 20, 29);
    const auto c = put(1, 0, 9);
    scene().focusObject = b;
    select({a});
    EXPECT_EQ(EditCommand::Targets(scene()).targets(), EditCommand::ObjectVector{a});

    // An undone creation leaves its object selected but not placed: it is no target.
    const auto made = createRecorded(2, 0, 9);
    select({made});
    ASSERT_TRUE(undo().undo());
    ASSERT_EQ(made->layer, -1);
    EXPECT_EQ(EditCommand::Targets(scene()).targets(), EditCommand::ObjectVector{a});
    EditCommand::splitObject(5);
    EXPECT_EQ(spans(0), "0-4 5-9 20-29");

    scene().selection.clear();
    EXPECT_EQ(EditCommand::Targets(scene()).targets(), EditCommand::ObjectVector{b});
    scene().focusObject.reset();
    EXPECT_TRUE(EditCommand::Targets(scene()).empty());
    (void)c;
}

TEST_F(PlacementCommand, CreatePlacesAfterCoveringObjectsForTheZoomsLengthAndTakesTheFocus)
{
    put(0, 0, 9);
    put(0, 10, 19); // touches the first: the new object goes after both
    put(0, 50, 60);
    std::shared_ptr<Edit::Object> focused;
    events().focusObjectChanged.push_back([&](std::shared_ptr<Edit::Object>& o) { focused = o; });
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::createObject(L"図形", 0, 5);
    EXPECT_TRUE(log.contains(infoLine("createObject", L"create object [図形] layer=0 frame=5")));
    EXPECT_EQ(spans(0), "0-9 10-19 20-49 50-60"); // cut short by the next object
    ASSERT_TRUE(scene().focusObject);
    EXPECT_EQ(scene().focusObject->start, 20);
    EXPECT_EQ(focused, scene().focusObject);
    check.check();

    // At zoom 10000, on a free layer: 81 frames; at zoom 5000: 161.
    EditCommand::createObject(L"図形", 3, 100);
    EXPECT_EQ(spans(3), "100-180");
    scene().displayZoom = Edit::FrameZoom(5000);
    EditCommand::createObject(L"図形", 4, 0);
    EXPECT_EQ(spans(4), "0-160");

    // The callback runs inside the transaction on the new object.
    std::shared_ptr<Edit::Object> called;
    EditCommand::createObject(L"画像ファイル", 5, 0, [&](const std::shared_ptr<Edit::Object>& o, Edit::UpdateSection& u) {
        called = o;
        EXPECT_TRUE(u.recordUndo);
    });
    EXPECT_EQ(called, scene().focusObject);
}

TEST_F(PlacementCommand, CreateRefusesAnUnknownEffectAndKeepsItsObjectWithinTheLastFrame)
{
    EXPECT_NE(TestKit::errorText([] { EditCommand::createObject(L"無い", 0, 0); }).find("not found effect."),
              std::string::npos);
    EXPECT_EQ(spans(0), "");
    EXPECT_TRUE(history().steps.empty());

    // Close to the last frame the object ends on it instead of wrapping past it.
    EditCommand::createObject(L"図形", 0, Edit::FrameLimit - 10);
    EXPECT_EQ(spans(0), std::to_string(Edit::FrameLimit - 10) + "-" + std::to_string(Edit::FrameLimit));
    EXPECT_NE(TestKit::errorText([] { EditCommand::createObject(L"図形", 0, Edit::FrameLimit - 5); })
                  .find("invalid frame number."),
              std::string::npos);
}

TEST_F(PlacementCommand, DeleteRemovesTheTargetsAndClearsTheSelection)
{
    const auto a = put(0, 0, 9);
    const auto b = put(1, 5, 15);
    put(2, 0, 9);
    select({a, b});
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::deleteObject();
    EXPECT_TRUE(log.contains(infoLine("deleteObject", L"delete object num=2")));
    EXPECT_EQ(spans(0) + "|" + spans(1) + "|" + spans(2), "||0-9");
    EXPECT_TRUE(scene().selection.objects.empty());
    EXPECT_FALSE(a->selected);
    check.check();
}

TEST_F(PlacementCommand, CutClosesTheGapsOfSeveralSpansOfOneLayer)
{
    put(0, 0, 9);
    const auto b = put(0, 10, 19);
    put(0, 20, 29);
    const auto d = put(0, 30, 39);
    put(0, 40, 49);
    put(1, 0, 100); // another layer does not move
    select({b, d});
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::cutObject(true);
    EXPECT_TRUE(log.contains(infoLine("cutObject", L"cut object num=2")));
    EXPECT_TRUE(log.contains(infoLine("copyObject", L"copy object num=2")));
    EXPECT_EQ(spans(0), "0-9 10-19 20-29");
    EXPECT_EQ(spans(1), "0-100");
    ASSERT_EQ(edit().objectClipboard.size(), 2u);
    EXPECT_EQ(edit().objectClipboard[1]->start, 30);
    check.check();

    // Without closing, the gaps stay.
    scene().selection.clear();
    select({scene().getLayer(0).objects[1]});
    EditCommand::cutObject(false);
    EXPECT_EQ(spans(0), "0-9 20-29");
}

TEST_F(PlacementCommand, PasteWithoutMouseGoesToTheCopiesFramesOnTheFirstFreeLayersOrToTheCursor)
{
    const auto a = put(0, 10, 19);
    const auto b = put(1, 10, 19);
    select({a, b});
    EditCommand::copyObject();
    scene().cursorFrame = 15; // inside the copies' frames: they keep them
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::pasteObject();
    EXPECT_TRUE(log.contains(infoLine("pasteObject", L"paste object num=2")));
    // Offset 1 overlaps layer 1, so the copies go two layers down.
    EXPECT_EQ(spans(2) + "|" + spans(3), "10-19|10-19");
    check.check();

    scene().cursorFrame = 100; // after them: they start at the cursor
    EditCommand::pasteObject();
    EXPECT_EQ(spans(1), "10-19 100-109");
    EXPECT_EQ(spans(2), "10-19 100-109");

    EditCommand::pasteObject(5, 12);
    EXPECT_EQ(spans(5) + "|" + spans(6), "12-21|12-21");
}

TEST_F(PlacementCommand, PasteUnderTheMouseTakesTheLayerAndFrameOfTheTimeline)
{
    MouseTimeline timeline;
    const auto a = put(0, 0, 9);
    scene().focusObject = a;
    EditCommand::copyObject();
    scene().displayLayer = 1;
    scene().displayFrame = 100;
    scene().displayZoom = Edit::FrameZoom(5000);
    timeline.view = {true, 0, 0, 50, 20, 850, 420, 25};

    // Outside the view the cursor rule holds (frame 0 is inside the copy's frames).
    timeline.view.mouseX = 10, timeline.view.mouseY = 60;
    EditCommand::pasteObject();
    EXPECT_EQ(spans(1), "0-9");

    // Row 2 below the top with layer 1 shown first: layer 3; 40 pixels at 0.5 pixel a frame: frame 180.
    timeline.view.mouseX = 90, timeline.view.mouseY = 20 + 2 * 25 + 3;
    EditCommand::pasteObject();
    EXPECT_EQ(spans(3), "180-189");
}

TEST_F(PlacementCommand, DuplicateLandsOnTheFirstLayerBelowWhereItsSpanIsFree)
{
    const auto a = put(0, 0, 9);
    put(1, 5, 15);
    scene().focusObject = a;
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::duplicateObject();
    EXPECT_TRUE(log.contains(infoLine("duplicateObject", L"duplicate object num=1")));
    EXPECT_EQ(spans(2), "0-9");
    check.check();
}

TEST_F(PlacementCommand, LeftGapClosesOnlyARealGapBeforeTheTarget)
{
    const auto first = put(0, 0, 9);
    const auto touching = put(0, 10, 19);
    const auto late = put(0, 30, 39);
    put(0, 50, 59);
    const auto alone = put(1, 7, 9);
    for (const auto& object : {first, touching}) {
        scene().focusObject = object;
        EditCommand::removeObjectLeftGap();
        EXPECT_EQ(spans(0), "0-9 10-19 30-39 50-59");
    }
    EXPECT_TRUE(history().steps.empty());

    // The target and every later object of its layer move left over the gap.
    select({late, alone});
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::removeObjectLeftGap();
    EXPECT_TRUE(log.contains(infoLine("removeObjectLeftGap", L"remove left gap num=2")));
    EXPECT_EQ(spans(0), "0-9 10-19 20-29 40-49");
    EXPECT_EQ(spans(1), "0-2");
    EXPECT_TRUE(scene().selection.objects.empty());
    check.check();
}

TEST_F(PlacementCommand, InsertNullFrameMovesWhatStartsAtTheFrameAndStaysWithinTheLastFrame)
{
    put(0, 0, 9);
    put(0, 10, 19); // starts exactly at the frame: moves
    put(1, 9, 30);  // starts a frame earlier and reaches past it: stays
    put(1, 40, 50);
    answerFrames(std::nullopt);
    EditCommand::insertNullFrame(10);
    EXPECT_EQ(spans(0), "0-9 10-19");
    ASSERT_EQ(frameDialogs.size(), 1u);
    EXPECT_EQ(frameDialogs[0].title, L"空のフレームを挿入");
    EXPECT_EQ(frameDialogs[0].frames, 0);

    answerFrames(5);
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::insertNullFrame(10);
    EXPECT_TRUE(log.contains(infoLine("insertNullFrame", L"insert null frame length=5")));
    EXPECT_EQ(spans(0), "0-9 15-24");
    EXPECT_EQ(spans(1), "9-30 45-55");
    check.check();

    // The dialog allows 2,000,000,000 frames: the length is cut so that no end passes the last frame.
    answerFrames(Edit::FrameLimit);
    EditCommand::insertNullFrame(40);
    EXPECT_EQ(spans(1), "9-30 " + std::to_string(Edit::FrameLimit - 10) + "-" + std::to_string(Edit::FrameLimit));
    EXPECT_EQ(spans(0), "0-9 15-24");
    EXPECT_TRUE(log.contains(infoLine("insertNullFrame", L"insert null frame length=" +
                                                             std::to_wstring(Edit::FrameLimit - 55))));
}

TEST_F(PlacementCommand, GroupingNeedsTwoSelectedObjectsAndTellsNoPane)
{
    const auto a = put(0, 0, 9);
    const auto b = put(1, 0, 9);
    int edits = 0;
    events().editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });
    select({a});
    TestKit::LogCapture log;
    EditCommand::setGroup();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(a->group);

    select({b});
    UndoCheck check(*this);
    EditCommand::setGroup();
    EXPECT_TRUE(log.contains(infoLine("setGroup", L"set group object num=2")));
    ASSERT_TRUE(a->group);
    EXPECT_EQ(a->group, b->group);
    EXPECT_EQ(a->group->members.size(), 2u);
    check.check();
    EXPECT_EQ(edits, 2); // the undo and the redo tell; the grouping itself does not

    UndoCheck clear(*this);
    EditCommand::clearGroup();
    EXPECT_FALSE(a->group);
    EXPECT_FALSE(b->group);
    clear.check();
}

TEST_F(PlacementCommand, LayerRangeReachesTheLowestSelectedLayer)
{
    const auto camera = put(1, 0, 99, L"カメラ制御");
    const auto group = put(2, 0, 99, L"グループ制御");
    const auto low = put(5, 0, 9);
    select({camera, low});
    UndoCheck check(*this);
    TestKit::LogCapture log;
    EditCommand::adjustLayerRange();
    EXPECT_TRUE(log.lines().empty());
    EXPECT_EQ(camera->effects[0]->getLayerRange()->value, 4);
    check.check();

    select({group});
    EditCommand::adjustLayerRange();
    EXPECT_EQ(group->effects[0]->getLayerRange()->value, 3);
    ASSERT_EQ(scene().getLayer(2).controlRanges.size(), 1u);
    EXPECT_EQ(scene().getLayer(2).controlRanges[0].layerRange, 3);
}
