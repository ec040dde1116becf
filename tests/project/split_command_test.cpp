// Commands that cut objects into pieces: split, range cut, trim and the
// separation of a movie's sound tracks.
#include "effect/effect_base.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"

using namespace EditTest;
using ProjectTest::sourceEvents;

namespace {

class SplitCommand : public CommandFixture {
protected:
    SplitCommand()
    {
        events().selectFrameRangeChanged.push_back([this](int start, int end) { ranges.push_back({start, end}); });
    }
    void setRange(int from, int to)
    {
        scene().frameSelectionStart = from;
        scene().frameSelectionEnd = to;
    }
    std::string clipboardSpans()
    {
        std::string text;
        for (const auto& object : edit().objectClipboard)
            text += (text.empty() ? "" : " ") + std::to_string(object->layer) + ":" + std::to_string(object->start) +
                    "-" + std::to_string(object->end);
        return text;
    }
    // The sources' events of one code.
    std::vector<const ProjectTest::SourceEvent*> heard(int code)
    {
        std::vector<const ProjectTest::SourceEvent*> list;
        for (const auto& event : sourceEvents) {
            if (event.code == code)
                list.push_back(&event);
        }
        return list;
    }

    std::vector<std::pair<int, int>> ranges;
};

} // namespace

TEST_F(SplitCommand, SplitCutsAtStartPlusOneAndAtTheEndButNotAtTheStart)
{
    struct Case {
        int frame;
        const char* spans;
    };
    for (const Case& c : {Case{10, "10-20"}, Case{11, "10-10 11-20"}, Case{20, "10-19 20-20"}}) {
        SCOPED_TRACE(c.frame);
        scene().clearLayer();
        sourceEvents.clear();
        const auto object = put(0, 10, 20);
        scene().focusObject = object;
        TestKit::LogCapture log;
        const std::string before = text();
        EditCommand::splitObject(c.frame);
        EXPECT_TRUE(log.contains(infoLine("splitObject", L"split object num=1 frame=" + std::to_wstring(c.frame))));
        EXPECT_EQ(spans(0), c.spans);
        if (c.frame == 10) {
            EXPECT_EQ(text(), before);
            EXPECT_EQ(scene().focusObject, object);
            continue;
        }
        EXPECT_EQ(object->layer, -1);
        ASSERT_TRUE(scene().focusObject);
        EXPECT_EQ(scene().focusObject->start, c.frame); // the right piece
        // Both pieces heard that they were cut from the object.
        const auto cuts = heard(Effect::ItemEvent::CutFrom);
        ASSERT_EQ(cuts.size(), 2u);
        for (const auto* event : cuts)
            EXPECT_EQ(event->cutFrom, object.get());
        const std::string after = text();
        ASSERT_TRUE(undo().undo());
        EXPECT_EQ(text(), before);
        ASSERT_TRUE(undo().redo());
        EXPECT_EQ(text(), after);
    }
}

TEST_F(SplitCommand, SplittingTwoMembersOfAGroupGivesAGroupOfLeftAndOneOfRightPieces)
{
    const auto a = put(0, 0, 19);
    const auto b = put(1, 5, 25);
    const auto c = put(2, 0, 9); // the frame lies outside it: counted, not cut
    select({a, b});
    EditCommand::setGroup();
    const std::shared_ptr<Edit::Group> old = a->group;
    select({c});
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::splitObject(10);
    EXPECT_TRUE(log.contains(infoLine("splitObject", L"split object num=3 frame=10")));
    const auto& l0 = scene().getLayer(0).objects;
    const auto& l1 = scene().getLayer(1).objects;
    ASSERT_EQ(spans(0) + "|" + spans(1) + "|" + spans(2), "0-9 10-19|5-9 10-25|0-9");
    EXPECT_EQ(l0[0]->group, l1[0]->group);
    EXPECT_EQ(l0[1]->group, l1[1]->group);
    EXPECT_NE(l0[0]->group, l0[1]->group);
    EXPECT_NE(l0[0]->group, old);
    EXPECT_TRUE(old->getObjectList(scene()).empty());
    // The cut objects left the selection; the one not cut stays.
    EXPECT_EQ(scene().selection.objects, EditCommand::ObjectVector{c});
    check.check();
}

TEST_F(SplitCommand, RangeCutKeepsBothEndsInTheGroupAndClosesTheGapMovingTheCursor)
{
    const auto object = put(0, 0, 29);
    const auto partner = put(1, 0, 9);
    select({object, partner});
    EditCommand::setGroup();
    scene().selection.clear();
    const auto after = put(0, 40, 49);
    scene().focusObject = object;
    setRange(10, 19);
    scene().cursorFrame = 25; // after the range: moves left by its length
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::cutObject(true);
    EXPECT_TRUE(log.contains(infoLine("cutObject", L"cut range object num=1")));
    EXPECT_EQ(spans(0), "0-9 10-19 30-39");
    EXPECT_EQ(clipboardSpans(), "0:10-19");
    const auto& pieces = scene().getLayer(0).objects;
    EXPECT_EQ(pieces[0]->group, partner->group);
    EXPECT_EQ(pieces[1]->group, partner->group);
    EXPECT_EQ(partner->group->getObjectList(scene()).size(), 3u);
    EXPECT_EQ(scene().focusObject, pieces[1]); // the right piece
    EXPECT_EQ(scene().cursorFrame, 15);
    EXPECT_EQ(scene().frameSelectionStart, -1);
    EXPECT_EQ(ranges, (std::vector<std::pair<int, int>>{{-1, -1}}));
    check.check();
    (void)after;
}

TEST_F(SplitCommand, RangeCutTakesWholeObjectsAndEndsAndPutsACursorInsideAtTheRangesStart)
{
    const auto inside = put(0, 12, 15);
    const auto left = put(1, 0, 14);  // only the range's start lies inside
    const auto right = put(2, 15, 40); // only the frame after the range lies inside
    const auto outside = put(3, 30, 40);
    select({inside, left, right, outside});
    setRange(10, 19);
    scene().cursorFrame = 12;
    UndoCheck check(*this);
    EditCommand::cutObject(true);
    EXPECT_EQ(clipboardSpans(), "0:12-15 1:10-14 2:15-19");
    EXPECT_EQ(spans(0) + "|" + spans(1) + "|" + spans(2) + "|" + spans(3), "|0-9|15-35|30-40");
    EXPECT_EQ(scene().cursorFrame, 10);
    EXPECT_TRUE(scene().selection.objects.empty());
    check.check();

    // Without closing the gap the cursor and the frame selection stay.
    scene().clearLayer();
    const auto again = put(0, 0, 29);
    scene().focusObject = again;
    setRange(10, 19);
    ranges.clear();
    EditCommand::cutObject(false);
    EXPECT_EQ(spans(0), "0-9 20-29");
    EXPECT_EQ(scene().frameSelectionStart, 10);
    EXPECT_TRUE(ranges.empty());
}

TEST_F(SplitCommand, TrimKeepsThePartInsideTheRangeAtTheObjectsStart)
{
    const auto object = put(0, 5, 40);
    const auto tail = put(1, 0, 14);   // only the range's start lies inside
    const auto early = put(2, 15, 40); // only the frame after the range lies inside
    select({object, tail, early});
    setRange(10, 19);
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::trimObject();
    EXPECT_TRUE(log.contains(infoLine("trimObject", L"clip object num=3")));
    EXPECT_EQ(spans(0), "5-14");
    EXPECT_EQ(spans(1), "0-4");   // its part from 10 on, moved back to its start
    EXPECT_EQ(spans(2), "15-19"); // cut after the range, where it stays
    EXPECT_EQ(clipboardSpans(), "0:5-9 0:20-40 1:0-9 2:20-40");
    EXPECT_EQ(scene().frameSelectionStart, -1);
    EXPECT_EQ(ranges, (std::vector<std::pair<int, int>>{{-1, -1}}));
    check.check();
}

TEST_F(SplitCommand, AMovieWithThreeTracksGivesThreeSoundObjectsOnTheNextFreeLayers)
{
    ProjectTest::sourceAudioTracks = 3;
    const auto movie = put(0, 10, 29, L"動画ファイル");
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        movie->setFilterEffect(effects().findEffect(L"ぼかし"));
        movie->setFilterEffect(effects().findEffect(L"音量調整"));
    }
    put(1, 20, 40); // overlaps the span: skipped
    put(3, 0, 5);   // beside it: free
    scene().focusObject = movie;
    ASSERT_TRUE(EditCommand::canSeparateAudioObject());
    TestKit::LogCapture log;
    UndoCheck check(*this);
    EditCommand::separateAudioObject();
    EXPECT_TRUE(log.contains(infoLine("separateAudioObject", L"separate audio layer=0")));
    auto names = [](const Edit::Object& object) {
        std::wstring text;
        for (const auto& effect : object.effects)
            text += std::wstring(text.empty() ? L"" : L",") + effect->name;
        return text;
    };
    EXPECT_EQ(names(*movie), L"動画ファイル,標準描画,ぼかし");
    std::vector<int> tracks;
    for (const auto* event : heard(Effect::ItemEvent::SoundTrack))
        tracks.push_back(event->track);
    EXPECT_EQ(tracks, (std::vector<int>{0, 1, 2}));
    for (int layer : {2, 3, 4}) {
        const auto& list = scene().getLayer(layer).objects;
        const auto it = std::find_if(list.begin(), list.end(), [](const auto& o) { return o->start == 10; });
        ASSERT_NE(it, list.end()) << layer;
        EXPECT_EQ((*it)->end, 29);
        EXPECT_EQ(names(**it), L"動画ファイル,音声再生,音量調整");
    }
    check.check();

    // Its output now draws video only: nothing more to separate.
    EXPECT_FALSE(EditCommand::canSeparateAudioObject());

    // One track: one sound object, and no track is named.
    ProjectTest::sourceAudioTracks = 1;
    sourceEvents.clear();
    const auto single = put(6, 0, 9, L"動画ファイル");
    scene().focusObject = single;
    EditCommand::separateAudioObject();
    EXPECT_EQ(spans(7), "0-9");
    EXPECT_TRUE(heard(Effect::ItemEvent::SoundTrack).empty());

    // Without sound, or with two targets, there is nothing to separate.
    const auto other = put(8, 0, 9, L"動画ファイル");
    scene().focusObject = other;
    ProjectTest::sourceAudioTracks = 0;
    EXPECT_FALSE(EditCommand::canSeparateAudioObject());
    ProjectTest::sourceAudioTracks = 2;
    EXPECT_TRUE(EditCommand::canSeparateAudioObject());
    select({other, put(9, 0, 9, L"動画ファイル")});
    EXPECT_FALSE(EditCommand::canSeparateAudioObject());
}

TEST_F(SplitCommand, TheSplitItemIsEnabledWhenTheFrameLiesInsideATarget)
{
    const auto object = put(0, 10, 20);
    EXPECT_FALSE(EditCommand::canSplitObject(15));
    scene().focusObject = object;
    EXPECT_FALSE(EditCommand::canSplitObject(10));
    EXPECT_TRUE(EditCommand::canSplitObject(11));
    EXPECT_TRUE(EditCommand::canSplitObject(20));
    EXPECT_FALSE(EditCommand::canSplitObject(21));
}
