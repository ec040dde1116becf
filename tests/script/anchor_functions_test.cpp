// obj.setanchor in both engines: handles and lines in the frame's anchor list
// while the preview gathers them for the focus object, the padding written
// back into the script's table, and only the count otherwise.
#include "core/text.h"
#include "effect/anchor_list.h"
#include "tests/script/script_fixture.h"

using namespace ScriptTest;

namespace {

class AnchorFunctions : public ScriptWorld {
protected:
    // Runs the script as the object's filter with the preview gathering handles.
    std::string runGathering(const std::string& script, const char* key, bool gathering = true)
    {
        auto effect = makeEffect("--value@pts:Points,{10,20,30}\n" + script, key);
        object->effects.resize(2);
        object->effects.push_back(effect);
        scene->focusObject = object;
        anchors.clear();
        render.anchors = gathering ? &anchors : nullptr;
        const std::string out = System::wideToUtf8(run(*effect));
        render.anchors = nullptr;
        object->effects.resize(2);
        return out;
    }
    size_t count(int32_t shape) const
    {
        return std::count_if(anchors.items.begin(), anchors.items.end(),
                             [&](const Anchor::AnchorItem& i) { return i.shape == shape; });
    }
    Anchor::AnchorList anchors;
};

using Shape = Anchor::Shape;

} // namespace

TEST_F(AnchorFunctions, ValueListsArePaddedAndGetHandles)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        // Three numbers for three 2D points: padded to six, in the script's
        // global table of that name too (the parameter itself is a local).
        EXPECT_EQ(runGathering("_G.pts = {10, 20, 30} mes(obj.setanchor('pts', 3) .. ':' .. #_G.pts .. ':' .. _G.pts[6])",
                               key),
                  "3:6:0");
        ASSERT_EQ(count(Shape::FilterPoint), 3u);
        const Anchor::AnchorItem& second = anchors.items[1];
        EXPECT_EQ(second.id, 1);
        EXPECT_EQ(second.flags & 0x1800003u, 0x800000u);
        EXPECT_EQ(second.label, "pts");
        EXPECT_EQ(second.valueCount, 6);
        EXPECT_EQ(second.startPoint.x, 30);
        EXPECT_EQ(second.startPoint.y, 0);
        // A table whose writes raise stops the script with its own message.
        EXPECT_NE(TestKit::errorText([&] {
                      runGathering("_G.pts = setmetatable({}, {__newindex = function() error('read only') end})"
                                   " obj.setanchor('pts', 2)",
                                   key);
                  }).find("read only"),
                  std::string::npos);
        // Outside the preview, or for an object that is not the focus: only the count.
        EXPECT_EQ(runGathering("_G.pts = {10, 20, 30} mes(obj.setanchor('pts', 3) .. ':' .. #_G.pts)", key, false),
                  "3:3");
        EXPECT_TRUE(anchors.items.empty());
    }
}

TEST_F(AnchorFunctions, InOutGroupsLinesAndTables)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        runGathering("obj.setanchor('pts', 4, 'inout', 'loop')", key);
        ASSERT_EQ(count(Shape::FilterPoint), 4u);
        EXPECT_EQ(anchors.items[0].flags & 3u, 1u);
        EXPECT_EQ(anchors.items[1].flags & 3u, 1u);
        EXPECT_EQ(anchors.items[2].flags & 3u, 2u);
        EXPECT_EQ(anchors.items[3].flags & 3u, 2u);
        // Each group of two closes on itself: two segments per group.
        EXPECT_EQ(count(Shape::ColorLine), 4u);
        // A table gives lines but no handles; "xyz" reads three numbers a point.
        runGathering("obj.setanchor({0, 0, 0, 5, 5, 5, 9, 9, 9}, 3, 'xyz', 'line', 'color')", key);
        EXPECT_EQ(count(Shape::FilterPoint), 0u);
        EXPECT_EQ(count(Shape::ColorLine), 2u);
        for (const auto& item : anchors.items)
            EXPECT_EQ(item.colour.x + item.colour.y + item.colour.z + item.colour.w, 4.0f); // white
        runGathering("obj.setanchor({0, 0, 5, 5}, 2, 'star', 'color', 0xff0000)", key);
        ASSERT_EQ(count(Shape::ColorLine), 2u);
        EXPECT_EQ(anchors.items[0].colour.x, 1.0f);
        EXPECT_EQ(anchors.items[0].colour.y, 0.0f);
        EXPECT_NE(TestKit::errorText([&] { runGathering("obj.setanchor({1, 'x'}, 1)", key); }).find("number expected"),
                  std::string::npos);
    }
}

TEST_F(AnchorFunctions, TrackPointsUseTheLongestTrack)
{
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto effect = makeEffect("--track0:X,-100,100,0\n--track1:Y,-100,100,0\n--track2:Z,-100,100,0\n"
                                 "mes(obj.setanchor('track', 0, 'xyz'))",
                                 key);
        effect->getTrackItem(2)->values = {0, 0, 0, 0};
        object->effects.resize(2);
        object->effects.push_back(effect);
        scene->focusObject = object;
        anchors.clear();
        render.anchors = &anchors;
        EXPECT_EQ(run(*effect), L"4");
        EXPECT_EQ(count(Shape::FilterPoint), 4u);
        render.anchors = nullptr;
        object->effects.resize(2);
    }
}
