// Anchor effects: which handles the output and filter families register, and
// what clicks and drags on them change.
#include "tests/effect/anchor_fixture.h"
#include "tests/render/control_fixture.h"
#include "tests/support/test_support.h"

#include <cmath>

using namespace AnchorTest;
using Anchor::AnchorEvent;
using Anchor::AnchorItem;
using Anchor::Flag;
using Anchor::Id;
using Anchor::Shape;

using AnchorEffects = AnchorEffectTest;

TEST_F(AnchorEffects, LocksAndFocusDecideWhoRegisters)
{
    struct Case {
        const char* what;
        bool effectLock, layerLock, focus;
        size_t outputItems, filterItems;
    };
    // The focus output shows its outline, its centre marker and four size
    // handles; the focus filter its point; every other object only its outline.
    const Case cases[] = {
        {"focus object", false, false, true, 6, 1},
        {"another object: outputs only", false, false, false, 1, 0},
        {"locked effects", true, false, true, 0, 0},
        {"locked layer", false, true, true, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.clear();
        Placed p;
        scene.focusObject = c.focus ? p.object : nullptr;
        scene.clearLayer();
        scene.moveObjectLayer(p.object, 0);
        scene.updateLayerObject();
        scene.getLayer(0).layer->lock = c.layerLock;
        p.output->lock = p.filter->lock = c.effectLock;
        registerAt(p, 10);
        EXPECT_EQ(itemsOf(*p.output).size(), c.outputItems);
        EXPECT_EQ(itemsOf(*p.filter).size(), c.filterItems);
    }

    // An effect that is not in the object's chain registers nothing.
    Placed p;
    place(p);
    auto stranger = std::make_shared<TestPointFilter>();
    Render::RenderObject r = frameOf(p, 10);
    stranger->createAnchor(r, 200, 100);
    EXPECT_TRUE(itemsOf(*stranger).empty());
    // The registrations move the render object in time; it comes back whole.
    Placed moving({50});
    place(moving);
    scene.focusObject = moving.object;
    moving.filter->x.setMovement(movement(L"直線移動"));
    moving.filter->x.values = {0, 1000, 2000};
    Render::RenderObject back = frameOf(moving, 12.5);
    back.drawState.x = 7;
    moving.filter->createAnchor(back, 200, 100);
    EXPECT_DOUBLE_EQ(back.time, 12.5);
    EXPECT_EQ(back.frame, 12);
    EXPECT_EQ(back.sectionPosition.sectionIndex, 0);
    EXPECT_FLOAT_EQ(back.drawState.x, 7);
}

TEST_F(AnchorEffects, FilterPointHandlesFollowTheValueCount)
{
    struct Case {
        size_t count;
        std::vector<int> pointIds; // filter points, in registration order
        bool path;
    };
    const Case cases[] = {
        {1, {Id::AllPoints}, false},
        {2, {Id::AllPoints, 0, 2}, true}, // no value of its own at the mid-point
        {3, {Id::AllPoints, 0, 1, 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        list.clear();
        scene.layers.reset();
        scene.focusObject = nullptr;
        Placed p({50});
        place(p);
        for (Effect::EffectItemNumber* item : {&p.filter->x, &p.filter->y}) {
            item->setMovement(movement(L"直線移動"));
            item->values.assign(c.count, 0);
            for (size_t i = 0; i < c.count; ++i)
                item->values[i] = static_cast<int32_t>(1000 * i);
        }
        registerAt(p, 10);
        EXPECT_EQ(idsOf(*p.filter, Shape::FilterPoint), c.pointIds);
        const AnchorItem& current = find(*p.filter, Shape::FilterPoint, Id::AllPoints);
        // The moving point's current handle is drawn only through its path.
        EXPECT_EQ((current.flags & Flag::Hidden) != 0, c.count > 1);
        EXPECT_EQ(current.flags & Flag::ObjectHandle, 0u);
        EXPECT_EQ(itemsOf(*p.filter, Shape::Line).size(), c.path ? 1u : 0u);
        EXPECT_EQ(itemsOf(*p.filter, Shape::ColorMarker).size(), c.path ? 1u : 0u);
        if (c.count > 1) {
            EXPECT_EQ(find(*p.filter, Shape::FilterPoint, 0).flags, Flag::SectionPoint | Flag::ToolTip);
        }
    }
}

TEST_F(AnchorEffects, DragsChangeTheirOwnItems)
{
    Placed p({50});
    place(p);
    layout(1920, 1080); // one preview pixel is one scene pixel

    // The current point (all points) of a filter moves every value of X.
    p.filter->x.setMovement(movement(L"直線移動"));
    p.filter->x.values = {0, 1000, 2000};
    registerAt(p, 10);
    drag(find(*p.filter, Shape::FilterPoint, Id::AllPoints), 10, 0);
    EXPECT_EQ(p.filter->x.values, (std::vector<int32_t>{1000, 2000, 3000}));
    EXPECT_EQ(p.filter->y.values, std::vector<int32_t>{0});

    // Under a camera, an axis drag changes only the value of its axis (off the
    // vanishing point, so that the z axis does not shrink to a point).
    p.output->x.values = {30000};
    p.output->y.values = {10000};
    auto camera = std::make_shared<RenderTest::FixedControl>();
    camera->viewProjection = DrawState{}.getScreenMatrix(1920, 1080);
    cameraControl = RenderTest::controlObject(camera);
    list.clear();
    registerAt(p, 10);
    ASSERT_EQ(itemsOf(*p.output, Shape::AxisHandle).size(), 3u);
    for (const AnchorItem* axis : itemsOf(*p.output, Shape::AxisHandle))
        if (axis->flags & Flag::AxisX)
            drag(*axis, 15, 9);
    EXPECT_NEAR(p.output->x.getIndexValue(0), 315, 0.01);
    EXPECT_EQ(p.output->y.values, std::vector<int32_t>{10000});
    EXPECT_EQ(p.output->z.values, std::vector<int32_t>{0});
    // No snapping under a camera.
    EXPECT_EQ(find(*p.output, Shape::ObjectArea, Id::AllPoints).flags & (Flag::Snap | Flag::SnapTarget), 0u);
}

TEST_F(AnchorEffects, SizeDragKeepsTheOppositeCornerAndSixteenUnits)
{
    Placed p;
    place(p);
    layout(1920, 1080);
    // A source size that moves is no handle's: the output's zoom is.
    p.source->size.setMovement(movement(L"直線移動"));
    registerAt(p, 10);
    ASSERT_EQ(itemsOf(*p.output, Shape::SizeHandle).size(), 4u);
    // The corner (-100, -50) of the 200 x 100 picture, pivoting on (100, 50).
    const AnchorItem corner = *itemsOf(*p.output, Shape::SizeHandle)[0];
    ASSERT_EQ(corner.flags & 0x1e0u, 0xa0u);
    EXPECT_EQ(corner.id, Id::AllPoints);

    const double shortest = 16 / std::hypot(200.0, 100.0);
    struct Case {
        const char* what;
        int dx, dy;
        double zoom, x, y;
    };
    const Case cases[] = {
        {"half again as large", -100, -50, 150, -50, -25},
        {"closer than 16 to the pivot", 195, 95, 100 * shortest, 100 - 100 * shortest, 50 - 50 * shortest},
        {"past the pivot", 220, 110, 100 * shortest, 100 - 100 * shortest, 50 - 50 * shortest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        p.output->zoom.values = {10000};
        p.output->x.values = p.output->y.values = {0};
        drag(corner, c.dx, c.dy);
        EXPECT_NEAR(p.output->zoom.getIndexValue(0), c.zoom, 0.006);
        EXPECT_NEAR(p.output->x.getIndexValue(0), c.x, 0.006);
        EXPECT_NEAR(p.output->y.getIndexValue(0), c.y, 0.006);
    }

    // Over a source whose size does not move, the handles edit that size.
    p.source->size.setMovement(movement(L"移動無し"));
    EXPECT_EQ(p.output->getSizeItem(frameOf(p, 10)), &p.source->size);
    p.output->zoom.values = {10000};
    p.output->x.values = p.output->y.values = {0};
    list.clear();
    registerAt(p, 10);
    const AnchorItem& sourceCorner = *itemsOf(*p.output, Shape::SizeHandle)[0];
    EXPECT_TRUE(sourceCorner.flags & Flag::SourceSize);
    drag(sourceCorner, -100, -50);
    EXPECT_NEAR(p.source->size.getIndexValue(0), 150, 0.5);
    EXPECT_NEAR(p.output->zoom.getIndexValue(0), 100, 1e-9);
}

TEST_F(AnchorEffects, ObjectHandlesSnapWithinEightPixels)
{
    // In a 640 x 360 view a preview pixel is three scene pixels: the dragged
    // object's corner ends 7.5 or 8.5 preview pixels from a target.
    struct Case {
        const char* what;
        bool toPictureCorner;
        float gap; // preview pixels left after the drag
        bool snaps;
    };
    const Case cases[] = {
        {"picture corner at 7.5", true, 7.5f, true},
        {"picture corner at 8.5", true, 8.5f, false},
        {"other object's corner at 7.5", false, 7.5f, true},
        {"other object's corner at 8.5", false, 8.5f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.clear();
        scene.layers.reset();
        scene.focusObject = nullptr;
        Placed dragged, other;
        place(dragged);
        other.object->layer = 1;
        place(other);
        dragged.object->selected = true;
        const float gapScene = c.gap * 3;
        const int k = 20; // the drag, in preview pixels on each axis
        float expectedX, expectedY;
        if (c.toPictureCorner) {
            // Top-right corner (x + 100, y - 50) towards the picture's (960, -540).
            const float x0 = 960 - 100 - 3 * k - gapScene, y0 = -540 + 50 + 3 * k + gapScene;
            dragged.output->x.values = {static_cast<int32_t>(std::lround(x0 * 100))};
            dragged.output->y.values = {static_cast<int32_t>(std::lround(y0 * 100))};
            other.output->x.values = {-50000}; // far away
            expectedX = x0 + 3 * k + (c.snaps ? gapScene : 0);
            expectedY = y0 - 3 * k - (c.snaps ? gapScene : 0);
            registerAt(dragged, 10);
            registerAt(other, 10);
            layout(640, 360);
            drag(find(*dragged.output, Shape::ObjectArea, Id::AllPoints), k, -k);
        } else {
            // Bottom-right corner (100, 50) towards the other's top-left corner.
            const float left = 100 + 3 * k + gapScene, top = 50 + 3 * k + gapScene;
            other.output->x.values = {static_cast<int32_t>(std::lround((left + 100) * 100))};
            other.output->y.values = {static_cast<int32_t>(std::lround((top + 50) * 100))};
            expectedX = 3 * k + (c.snaps ? gapScene : 0);
            expectedY = 3 * k + (c.snaps ? gapScene : 0);
            registerAt(dragged, 10);
            registerAt(other, 10);
            layout(640, 360);
            drag(find(*dragged.output, Shape::ObjectArea, Id::AllPoints), k, k);
        }
        EXPECT_NEAR(dragged.output->x.getIndexValue(0), expectedX, 0.02);
        EXPECT_NEAR(dragged.output->y.getIndexValue(0), expectedY, 0.02);
    }

    // With the setting off nothing snaps.
    Effect::AnchorHost::get().edit.anchorObjectMoveSnap = 0;
    list.clear();
    scene.layers.reset();
    Placed alone;
    place(alone);
    alone.object->selected = true;
    alone.output->x.values = {(960 - 100 - 60 - 22) * 100};
    registerAt(alone, 10);
    layout(640, 360);
    drag(find(*alone.output, Shape::ObjectArea, Id::AllPoints), 20, 0);
    EXPECT_NEAR(alone.output->x.getIndexValue(0), 960 - 100 - 22, 0.02);
}

TEST_F(AnchorEffects, ClicksActivateTheFrameButtonAndSectionPoints)
{
    TestKit::LogCapture log;
    Placed p({50});
    place(p);
    p.object->clipping = true;
    p.output->x.setMovement(movement(L"直線移動"));
    p.output->x.values = {0, 1000, 2000};
    registerAt(p, 10);
    layout(640, 360);
    const AnchorItem& button = find(*p.output, Shape::ObjectFrame, Id::ClippingFrame);
    EXPECT_EQ(button.flags, Flag::Button | Flag::IconButton | Flag::ToolTip);

    AnchorEvent click = control.makeEvent(button, AnchorEvent::Activate);
    EXPECT_TRUE(p.output->anchorEvent(click));
    EXPECT_FALSE(Effect::AnchorHost::get().isVisibleClippingObject());
    EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::setVisibleClippingObjectView|set visible clipping object enable=0"));
    EXPECT_TRUE(p.output->anchorEvent(click));
    EXPECT_TRUE(Effect::AnchorHost::get().isVisibleClippingObject());
    EXPECT_TRUE(log.contains("set visible clipping object enable=1"));

    // The alternative activation of a section point moves the cursor to it;
    // a click shows its section.
    const AnchorItem& mid = find(*p.output, Shape::ObjectArea, 1);
    EXPECT_TRUE(mid.flags & Flag::SectionPoint);
    AnchorEvent alt = control.makeEvent(mid, AnchorEvent::AltActivate);
    EXPECT_TRUE(p.output->anchorEvent(alt));
    EXPECT_TRUE(log.contains("set cursor frame 50"));
    AnchorEvent show = control.makeEvent(mid, AnchorEvent::Activate);
    EXPECT_TRUE(p.output->anchorEvent(show));
    EXPECT_TRUE(log.contains("show section at frame 50"));
    AnchorEvent other = control.makeEvent(mid, 7);
    EXPECT_FALSE(p.output->anchorEvent(other));

    // Only the frame's first clipping object shows the button.
    list.clear();
    Render::RenderObject later = frameOf(p, 10);
    later.firstClipPass = false;
    p.output->createAnchor(later, 200, 100);
    EXPECT_TRUE(itemsOf(*p.output, Shape::ObjectFrame).empty());
}

TEST_F(AnchorEffects, MovementPathSamples)
{
    struct Case {
        const char* what;
        std::vector<int> mids;
        bool wholeObject, pathPoints;
        size_t samples, dots;
    };
    const Case cases[] = {
        {"four sections: 32 steps each plus the three mid-points", {30, 60, 80}, false, true, 129 + 3, 33},
        {"over the whole object: 64 steps", {30, 60, 80}, true, true, 65 + 3, 17},
        {"without sample points", {50}, false, false, 65 + 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        list.clear();
        scene.layers.reset();
        scene.focusObject = nullptr;
        Effect::AnchorHost::get().edit.displayObjectMovePoint = c.pathPoints;
        Placed p(c.mids);
        place(p);
        for (Effect::EffectItemNumber* item : {&p.output->x, &p.output->y}) {
            item->setMovement(movement(L"補間移動"));
            item->resizeValues(static_cast<int>(c.mids.size()) + 2);
            for (size_t i = 0; i < item->values.size(); ++i)
                item->values[i] = static_cast<int32_t>((i % 2 ? 30000 : -20000) + 5000 * i);
        }
        if (c.wholeObject)
            for (Effect::EffectItemNumber* item : {&p.output->x, &p.output->y, &p.output->z}) {
                item->flags |= Effect::EffectItemNumber::FlagIgnoreMidPoints;
                item->values.resize(std::min<size_t>(item->values.size(), 2));
            }
        registerAt(p, 10);
        const auto lines = itemsOf(*p.output, Shape::Line);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0]->points.size(), c.samples);
        const auto dots = itemsOf(*p.output, Shape::PathPoint);
        EXPECT_EQ(dots.size(), c.dots);
        // The first sample is also the first path point.
        if (!dots.empty()) {
            EXPECT_FLOAT_EQ(dots[0]->points[0].x, lines[0]->points[0].x);
            EXPECT_FLOAT_EQ(dots[0]->points[0].y, lines[0]->points[0].y);
        }
    }
}

TEST_F(AnchorEffects, DragOnACollapsedObjectChangesNothing)
{
    // Zoom 0 collapses the filter's plane: no pixel offset maps back into it.
    Placed p;
    place(p);
    p.output->zoom.values = {0};
    p.filter->x.values = {1234};
    registerAt(p, 10);
    layout(640, 360);
    AnchorEvent step = control.makeEvent(find(*p.filter, Shape::FilterPoint, Id::AllPoints), AnchorEvent::Drag);
    Anchor::AnchorControl::setDragOffset(step, 10, 5, false);
    p.filter->anchorEvent(step);
    EXPECT_EQ(p.filter->x.values, std::vector<int32_t>{1234});
    EXPECT_EQ(p.filter->y.values, std::vector<int32_t>{0});
    EXPECT_TRUE(Math::isFinite(step.currentPoint));

    // A size handle seen through a collapsed group (zoom 0) keeps its size and
    // place instead of taking the value a non-number rounds to.
    p.output->zoom.values = {10000};
    list.clear();
    registerAt(p, 10);
    AnchorItem corner = *itemsOf(*p.output, Shape::SizeHandle)[0];
    corner.matrix = Math::scaling(0, 0, 0) * corner.matrix;
    p.output->x.values = {4200};
    drag(corner, 30, 20);
    EXPECT_EQ(p.output->zoom.values, std::vector<int32_t>{10000});
    EXPECT_EQ(p.output->x.values, std::vector<int32_t>{4200});
}
