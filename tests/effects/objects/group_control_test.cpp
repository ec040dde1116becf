// グループ制御 through the real render plan: nesting (inner transform first,
// the outer group's view), the vanishing point at the group, 拡大率 0, and the
// flat flag the handles of grouped objects snap by.
#include "effects/objects/group_control.h"
#include "render/control_view.h"
#include "tests/effects/objects/control_fixture.h"

#include <gtest/gtest.h>

namespace {

using ControlTest::Picture;
using ControlTest::Red;
using Effect::GroupControl;

class GroupControlTest : public ControlTest::ControlFixture {
protected:
    struct Box {
        int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
        bool operator==(const Box&) const = default;
    };
    // The red pixels' bounds relative to the frame's centre (x right, y down).
    Box redBox(const Picture& p) const
    {
        Box b;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (pixel(p, x, y)[0] > 0.5f) {
                    b.left = std::min(b.left, x - Width / 2);
                    b.top = std::min(b.top, y - Height / 2);
                    b.right = std::max(b.right, x - Width / 2);
                    b.bottom = std::max(b.bottom, y - Height / 2);
                }
        return b;
    }
    GroupControl& group(int layer, int range)
    {
        GroupControl& g = controlAt<GroupControl>(layer, 0, 99);
        g.layerRange.value = range;
        return g;
    }
};

TEST_F(GroupControlTest, NestedGroupsApplyTheInnerFirstThroughTheOuterView)
{
    GroupControl& outer = group(0, 0);
    outer.x.setValue(10, 0);
    GroupControl& inner = group(1, 0);
    inner.y.setValue(4, 0);
    inner.z.setValue(1024, 0); // half size about the outer group's vanishing point
    picture(2, 0, 99, Red, 2, 0, 8);
    // (2, 4, 1024) + (10, 0, 0), seen from 1024 in front of (10, 0): (11, 2), 4 x 4.
    EXPECT_EQ(redBox(renderPlan(0)), (Box{9, 0, 12, 3}));

    // The outer group's zoom scales what the inner group placed.
    inner.z.setValue(0, 0);
    outer.zoom.setValue(200, 0);
    EXPECT_EQ(redBox(renderPlan(0)), (Box{6, 0, 21, 15})) << "(2, 4) x 2 + (10, 0), 16 x 16";
}

TEST_F(GroupControlTest, TheVanishingPointSitsAtTheGroupsPosition)
{
    GroupControl& g = group(0, 0);
    g.x.setValue(10, 0);
    picture(1, 0, 99, Red, 0, 0, 8, 1024); // half size
    // About the frame's centre it would land at 5; about the group's position at 10.
    EXPECT_EQ(redBox(renderPlan(0)), (Box{8, -2, 11, 1}));
}

TEST_F(GroupControlTest, ZoomZeroCollapsesTheGroupToNothing)
{
    group(0, 0).zoom.setValue(0, 0);
    picture(1, 0, 99, Red, 3, 3, 8);
    const Picture frame = renderPlan(0);
    ASSERT_TRUE(ControlTest::finitePicture(frame));
    EXPECT_EQ(redBox(frame).right, -1);
}

TEST_F(GroupControlTest, TheFlatFlagHoldsOnlyForPlainMovesOfTheWholeChain)
{
    GroupControl& outer = group(0, 0);
    GroupControl& inner = group(1, 0);
    const auto flags = [&] {
        Render::RenderObject r = renderAt(objectAt(0), 0);
        auto outerRecord = std::make_shared<Render::ControlView>(objectAt(0), nullptr);
        r.control = outerRecord;
        outer.preInputVideo(r);
        r.resetObject(objectAt(1));
        auto innerRecord = std::make_shared<Render::ControlView>(objectAt(1), outerRecord);
        r.drawState.groupControl = outerRecord;
        r.control = innerRecord;
        inner.preInputVideo(r);
        return std::pair{outerRecord->plainTransform, innerRecord->plainTransform};
    };
    struct Case {
        const char* what;
        Effect::EffectItemNumber GroupControl::*item;
        double value;
        bool outerFlat;
    };
    for (const Case c : {Case{"X and Y", &GroupControl::x, 25, true}, Case{"Y", &GroupControl::y, -8, true},
                         Case{"Z", &GroupControl::z, 1, false}, Case{"zoom", &GroupControl::zoom, 99.999, false},
                         Case{"X rotation", &GroupControl::rotationX, 0.01, false},
                         Case{"Y rotation", &GroupControl::rotationY, 0.01, false},
                         Case{"Z rotation", &GroupControl::rotationZ, -90, false}}) {
        SCOPED_TRACE(c.what);
        (outer.*c.item).setValue(c.value, 0);
        const auto [outerFlat, innerFlat] = flags();
        EXPECT_EQ(outerFlat, c.outerFlat);
        EXPECT_EQ(innerFlat, c.outerFlat) << "a flat group inside inherits the outer's flag";
        (outer.*c.item).setValue(c.item == &GroupControl::zoom ? 100 : 0, 0);
        // The inner group alone breaks only its own flag.
        (inner.*c.item).setValue(c.value, 0);
        const auto [outerAfter, innerAfter] = flags();
        EXPECT_TRUE(outerAfter);
        EXPECT_EQ(innerAfter, c.outerFlat);
        (inner.*c.item).setValue(c.item == &GroupControl::zoom ? 100 : 0, 0);
    }
}

} // namespace
