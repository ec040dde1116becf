// The preview's anchor layout without drawing: pixel positions, icon column,
// snap targets, hit areas and the events of clicks and drags.
#include "effect/anchor_control.h"
#include "effect/effect_base.h"
#include "project/model/object.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Anchor;
using Math::float2;

namespace {

// An effect with no items: the handles only need its identity.
class BareEffect : public Effect::EffectBase {
public:
    BareEffect()
        : EffectBase(L"空", Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BareEffect>(); }
};

AnchorItem itemAt(int shape, std::vector<float2> pixels)
{
    AnchorItem item(shape, 0, nullptr, nullptr, 0);
    item.pixelPoints = std::move(pixels);
    return item;
}

} // namespace

TEST(AnchorControl, LayoutPlacesPointsIconsAndSnapTargets)
{
    auto effect = std::make_shared<BareEffect>();
    auto object = std::make_shared<Edit::Object>();
    AnchorControl control;
    control.viewRect = {100, 50, 740, 410}; // 640 x 360, centre (420, 230)
    control.controlWidth = 700;
    control.anchorList = std::make_shared<AnchorList>();
    std::vector<AnchorItem>& items = control.anchorList->items;

    AnchorItem point(Shape::ObjectPoint, 0, object, effect, 3);
    point.points = {{0.5f, 0.5f}};
    items.push_back(point);
    AnchorItem area(Shape::ObjectArea, Flag::SnapTarget, object, effect, Id::AllPoints);
    area.points = {{-0.5f, 0.5f}, {-0.5f, -0.5f}, {0.5f, -0.5f}, {0.5f, 0.5f}};
    area.cornerPoints = {{-0.5f, 0.5f}, {0.5f, -0.5f}};
    items.push_back(area);
    AnchorItem line(Shape::Line, 0, nullptr, nullptr, 0);
    line.points = {{0, 0}, {1, 1}};
    items.push_back(line);
    for (int i = 0; i < 2; ++i) {
        AnchorItem icon(Shape::ObjectFrame, Flag::IconButton | Flag::Button, object, effect, Id::ClippingFrame);
        icon.points = {{0, 0}, {32, 32}};
        items.push_back(icon);
    }
    control.layoutAnchors();

    EXPECT_FLOAT_EQ(items[0].pixelPoints[0].x, 580);
    EXPECT_FLOAT_EQ(items[0].pixelPoints[0].y, 140); // clip y up, pixels down
    EXPECT_FLOAT_EQ(items[0].hitBias, 0);
    EXPECT_FLOAT_EQ(items[1].screenPosition.x, 420);
    EXPECT_FLOAT_EQ(items[1].screenPosition.y, 230);
    EXPECT_FLOAT_EQ(items[1].hitBias, 2 * std::hypot(160.0f, 90.0f));
    // Icons stack down from the picture's top, inside the control's width.
    EXPECT_FLOAT_EQ(items[3].pixelPoints[0].x, 668);
    EXPECT_FLOAT_EQ(items[3].pixelPoints[0].y, 50);
    EXPECT_FLOAT_EQ(items[4].pixelPoints[0].y, 82);
    EXPECT_FLOAT_EQ(items[4].pixelPoints[1].y, 114);

    // Lines have no effect and are not interactive.
    ASSERT_EQ(control.interactiveItems.size(), 4u);
    EXPECT_EQ(control.interactiveItems[2], &items[3]);
    EXPECT_EQ(control.findItem(object.get(), effect.get(), Id::AllPoints, Flag::SnapTarget), &items[1]);
    EXPECT_EQ(control.findItem(object.get(), effect.get(), Id::AllPoints, 0), nullptr);

    ASSERT_EQ(control.snapPoints.size(), 4u);
    EXPECT_EQ(control.snapPoints[0].object, object.get());
    EXPECT_FLOAT_EQ(control.snapPoints[1].x, 0.5f);
    EXPECT_EQ(control.snapPoints[2].object, nullptr);
    EXPECT_FLOAT_EQ(control.snapPoints[2].x, 1);
    EXPECT_FLOAT_EQ(control.snapPoints[3].y, -1);
}

TEST(AnchorControl, HitAreasOfEachShape)
{
    const std::vector<float2> square = {{-10, -10}, {10, -10}, {10, 10}, {-10, 10}};
    struct Case {
        AnchorItem item;
        float x, y;
        bool hit;
    };
    const Case cases[] = {
        {itemAt(Shape::ObjectFrame, {{0, 0}, {32, 32}}), 32, 32, true},
        {itemAt(Shape::ObjectFrame, {{0, 0}, {32, 32}}), 32.1f, 16, false},
        {itemAt(Shape::AxisHandle, {{0, 0}, {40, 0}, {1, 0}}), 45, 0, true},
        {itemAt(Shape::AxisHandle, {{0, 0}, {40, 0}, {1, 0}}), 0, 0, false}, // only the end
        {itemAt(Shape::SizeHandle, {{0, 0}, {50, 0}, {0, 50}}), 6, -6, true},
        {itemAt(Shape::SizeHandle, {{0, 0}, {50, 0}, {0, 50}}), 6.1f, 0, false},
        {itemAt(Shape::FilterPoint, {{0, 0}}), 12, 16, true},
        {itemAt(Shape::FilterPoint, {{0, 0}}), 20.1f, 0, false},
        {itemAt(Shape::EdgePoint, {{0, 0}}), 0, 10, true},
        {itemAt(Shape::EdgePoint, {{0, 0}}), 0, 10.1f, false},
        {itemAt(Shape::ObjectPoint, {{0, 0}}), -36, 0, true},
        {itemAt(Shape::ObjectPoint, {{0, 0}}), -36.1f, 0, false},
        {itemAt(Shape::ObjectArea, square), 9, -9, true},
        {itemAt(Shape::ObjectArea, square), 11, 0, false},
        {itemAt(Shape::Marker, {{0, 0}}), 0, 0, false},
        {itemAt(Shape::PathPoint, {{0, 0}}), 0, 0, false},
        {itemAt(Shape::Line, {{0, 0}, {10, 0}}), 5, 0, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.item.hitTest(c.x, c.y), c.hit) << "shape " << c.item.shape << " at " << c.x << ", " << c.y;

    // A self-overlapping outline: the doubly wound middle counts as inside.
    const AnchorItem twice = itemAt(Shape::ObjectArea, {{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0}, {20, 0}, {20, 20}, {0, 20}});
    EXPECT_TRUE(twice.hitTest(10, 10));
}

TEST(AnchorControl, LayoutMakesSmallHandlesUsable)
{
    // A rectangle seen edge-on becomes a 16-pixel band around its longest edge.
    AnchorItem thin(Shape::ObjectArea, 0, nullptr, nullptr, 0);
    thin.points = {{-0.5f, 0}, {-0.5f, 0.001f}, {0.5f, 0.001f}, {0.5f, 0}};
    thin.projectToScreen(0, 0, 100, -100);
    ASSERT_EQ(thin.pixelPoints.size(), 4u);
    EXPECT_TRUE(thin.hitTest(0, 7.9f));
    EXPECT_FALSE(thin.hitTest(0, 8.3f));
    EXPECT_TRUE(thin.hitTest(49, 0));
    // A rectangle shrunk to a point becomes a 16-pixel square.
    AnchorItem dot(Shape::ObjectArea, 0, nullptr, nullptr, 0);
    dot.points = {{0.2f, 0.2f}, {0.2f, 0.2f}, {0.2f, 0.2f}};
    dot.projectToScreen(0, 0, 100, -100);
    EXPECT_TRUE(dot.hitTest(20 + 7.9f, -20 - 7.9f));
    EXPECT_FALSE(dot.hitTest(20 + 8.5f, -20));
    EXPECT_FLOAT_EQ(dot.hitBias, 2 * std::hypot(8.0f, 8.0f));

    // A size handle 10 pixels from a neighbour moves 3 pixels away from it.
    AnchorItem size(Shape::SizeHandle, 0, nullptr, nullptr, 0);
    size.points = {{0, 0}, {0.1f, 0}, {0, 1}};
    size.projectToScreen(0, 0, 100, -100);
    EXPECT_FLOAT_EQ(size.pixelPoints[0].x, -3);
    EXPECT_FLOAT_EQ(size.pixelPoints[0].y, 0);

    // An axis is drawn at the same length at any depth: its end is divided by
    // the pixels one unit spans at its start.
    AnchorItem axis(Shape::AxisHandle, 0, nullptr, nullptr, 0);
    axis.points = {{0, 0}, {0, 0.4f}, {0.02f, 0}}; // 40 pixels long, 2 pixels per unit
    axis.projectToScreen(0, 0, 100, -100);
    EXPECT_FLOAT_EQ(axis.pixelPoints[1].x, 0);
    EXPECT_FLOAT_EQ(axis.pixelPoints[1].y, -20);
}

TEST(AnchorControl, EventsCarryTheItemAndTheShiftLock)
{
    auto effect = std::make_shared<BareEffect>();
    auto object = std::make_shared<Edit::Object>();
    AnchorControl control;
    AnchorItem item(Shape::SizeHandle, Flag::Size, object, effect, 4);
    item.matrix = Math::translation(1, 2, 3);
    item.startPoint = {1, 2, 3, 1};
    item.currentPoint = {4, 5, 6, 1};
    item.dragVector1 = {7, 0, 0, 0};
    item.dragVector2 = {0, 8, 0, 0};
    item.dragBase = {0, 0, 9, 1};
    item.label = "pos";
    item.valueCount = 3;
    AnchorEvent event = control.makeEvent(item, AnchorEvent::Drag);
    EXPECT_EQ(event.control, &control);
    EXPECT_EQ(event.object, object);
    EXPECT_EQ(event.effect, effect);
    EXPECT_EQ(event.id, 4);
    EXPECT_EQ(event.flags, Flag::Size);
    EXPECT_EQ(event.kind, AnchorEvent::Drag);
    EXPECT_FLOAT_EQ(event.matrix.m[3][1], 2);
    EXPECT_FLOAT_EQ(event.currentPoint.y, 5);
    EXPECT_FLOAT_EQ(event.dragVector1.x, 7);
    EXPECT_FLOAT_EQ(event.dragVector2.y, 8);
    EXPECT_FLOAT_EQ(event.dragBase.z, 9);
    EXPECT_EQ(event.label, "pos");
    EXPECT_EQ(event.valueCount, 3);

    struct Step {
        int x, y;
        bool shift;
        uint32_t flags;
        int offsetX, offsetY;
    };
    const Step steps[] = {
        {5, -9, true, 0, 0, -9},
        {7, 7, true, 0, 7, 0},                // a tie keeps x
        {-8, 3, true, 0, -8, 0},
        {5, -9, true, Flag::CameraView, 5, -9}, // camera handles ignore the lock
        {5, -9, false, 0, 5, -9},
    };
    for (const Step& s : steps) {
        AnchorEvent e(&control, object, effect, 0, s.flags);
        e.dragOffset = {1, 1};
        AnchorControl::setDragOffset(e, s.x, s.y, s.shift);
        EXPECT_EQ(e.dragOffset.x, s.offsetX) << s.x << "," << s.y;
        EXPECT_EQ(e.dragOffset.y, s.offsetY) << s.x << "," << s.y;
        EXPECT_EQ(e.dragStep.x, s.offsetX - 1);
        EXPECT_EQ(e.dragStep.y, s.offsetY - 1);
    }
}
