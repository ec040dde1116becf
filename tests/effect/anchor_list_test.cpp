// The anchor list: what each registration keeps of points behind the camera,
// outlines, size handles and lines, and moving a point by a pixel drag.
#include "effect/anchor_control.h"
#include "effect/anchor_list.h"
#include "render/render_object.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Anchor;
using Math::float2;
using Math::float3;
using Math::float4;
using Math::float4x4;

namespace {

// Maps (x, y, 0, 1) to (x, y, z, w).
float4x4 depthMatrix(float z, float w)
{
    float4x4 m;
    m.m[0][0] = m.m[1][1] = 1;
    m.m[3][2] = z;
    m.m[3][3] = w;
    return m;
}

// x goes to x, y to y; w = 1 - x / 50, z = 1: the half x > 0 lies behind the camera.
float4x4 rightSideBehind()
{
    float4x4 m = depthMatrix(1, 1);
    m.m[0][3] = -1.0f / 50;
    return m;
}

// z = 1 + (x + y) / 100, w = 100: corners with x = -y lie at the centre's depth.
float4x4 skewedDepth()
{
    float4x4 m = depthMatrix(1, 100);
    m.m[0][2] = m.m[1][2] = 0.01f;
    return m;
}

struct Expected {
    int shape;
    size_t points;
};

std::vector<Expected> shapesOf(const AnchorList& list)
{
    std::vector<Expected> out;
    for (const AnchorItem& item : list.items)
        out.push_back({item.shape, item.points.size()});
    return out;
}

float4 clip(float x, float y, float z, float w)
{
    return {x, y, z, w};
}

} // namespace

TEST(AnchorList, RegistrationsKeepOnlyWhatLiesInFrontOfTheCamera)
{
    const std::shared_ptr<Edit::Object> object;
    const std::shared_ptr<Effect::EffectBase> effect;
    const float4 visible[5] = {clip(0, 0, 1, 2), clip(1, 0, 1, 2), clip(2, 0, 1, 2), clip(3, 0, 1, 2), clip(4, 0, 1, 2)};
    const float4 behind = clip(0, 0, 1, 1);
    struct Case {
        const char* what;
        std::function<void(AnchorList&)> add;
        std::vector<Expected> items;
    };
    const Case cases[] = {
        {"w = z is rejected", [&](AnchorList& l) { l.addPointAnchor(object, effect, 0, {}, depthMatrix(2, 2), 0); }, {}},
        {"w = 2z is kept", [&](AnchorList& l) { l.addPointAnchor(object, effect, 0, {}, depthMatrix(2, 4), 0); },
         {{Shape::ObjectPoint, 1}}},
        {"filter and edge points differ only in shape",
         [&](AnchorList& l) {
             l.addFilterPointAnchor(object, effect, 0, {}, depthMatrix(1, 2), 0);
             l.addEdgeAnchor(object, effect, 0, {}, depthMatrix(1, 2), 0);
         },
         {{Shape::FilterPoint, 1}, {Shape::EdgePoint, 1}}},
        {"a rectangle with its right corners behind: two corners and two crossings",
         [&](AnchorList& l) { l.addObjectRectangle(object, effect, 0, 100, 60, rightSideBehind(), 0); },
         {{Shape::ObjectArea, 4}}},
        {"a rectangle wholly behind adds nothing",
         [&](AnchorList& l) { l.addObjectRectangle(object, effect, 0, 100, 60, depthMatrix(1, 0.5f), 0); }, {}},
        {"five line points with the middle one behind: two lines",
         [&](AnchorList& l) {
             float4 p[5] = {visible[0], visible[1], behind, visible[3], visible[4]};
             l.addPolyline(effect, p, 5, nullptr);
         },
         {{Shape::Line, 2}, {Shape::Line, 2}}},
        {"second and fourth behind: no run of two",
         [&](AnchorList& l) {
             float4 p[5] = {visible[0], behind, visible[2], behind, visible[4]};
             const float4 colour{1, 0, 0, 1};
             l.addPolyline(effect, p, 5, &colour);
         },
         {}},
        {"a coloured line", [&](AnchorList& l) {
             const float4 colour{1, 0, 0, 1};
             l.addPolyline(effect, visible, 3, &colour);
         },
         {{Shape::ColorLine, 3}}},
        {"an axis handle whose ends project to one point adds nothing",
         [&](AnchorList& l) {
             l.addAxisHandle(clip(1, 1, 1, 2), clip(2, 2, 2, 4), object, effect, 0, Flag::Axis, {}, float4x4{});
         },
         {}},
        {"an axis handle",
         [&](AnchorList& l) {
             l.addAxisHandle(clip(1, 1, 1, 2), clip(3, 1, 1, 2), object, effect, 0, Flag::Axis, {}, float4x4{});
         },
         {{Shape::AxisHandle, 3}}},
        {"a size handle on its neighbour's spot adds nothing",
         [&](AnchorList& l) {
             l.addSizeHandle(clip(1, 1, 1, 2), clip(1, 1, 1, 3), clip(2, 1, 1, 2), object, effect, 0, {}, {}, {}, {},
                             float4x4{}, 0);
         },
         {}},
        {"markers and path points behind the camera add nothing",
         [&](AnchorList& l) {
             l.addMarker(effect, behind, nullptr);
             l.addPathPoint(effect, behind);
             l.addMarker(effect, visible[1], nullptr);
             const float4 colour{0, 1, 0, 1};
             l.addMarker(effect, visible[1], &colour);
             l.addPathPoint(effect, visible[1]);
         },
         {{Shape::Marker, 1}, {Shape::ColorMarker, 1}, {Shape::PathPoint, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnchorList list;
        c.add(list);
        const std::vector<Expected> got = shapesOf(list);
        ASSERT_EQ(got.size(), c.items.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].shape, c.items[i].shape) << i;
            EXPECT_EQ(got[i].points, c.items[i].points) << i;
        }
    }
}

TEST(AnchorList, ClippedRectangleAndSameDepthCorners)
{
    AnchorList list;
    AnchorItem& item = list.addObjectRectangle(nullptr, nullptr, 7, 100, 60, rightSideBehind(), Flag::SnapTarget);
    // The two left corners, the crossing on the bottom edge, the crossing on the top edge.
    const std::vector<std::pair<float, float>> expected = {{-25, 15}, {-25, -15}, {0, -30}, {0, 30}};
    ASSERT_EQ(item.points.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(item.points[i].x, expected[i].first, 1e-5f) << i;
        EXPECT_NEAR(item.points[i].y, expected[i].second, 1e-5f) << i;
    }
    EXPECT_EQ(item.flags, Flag::SnapTarget | Flag::ToolTip);
    EXPECT_EQ(item.id, 7);

    // Of a square whose depth grows with x + y, only the corners (-10, 10) and
    // (10, -10) lie at the centre's depth; without a snap flag none is kept.
    AnchorItem& skewed = list.addObjectRectangle(nullptr, nullptr, 0, 20, 20, skewedDepth(), Flag::Snap);
    ASSERT_EQ(skewed.points.size(), 4u);
    ASSERT_EQ(skewed.cornerPoints.size(), 2u);
    EXPECT_FLOAT_EQ(skewed.cornerPoints[0].x, -0.1f);
    EXPECT_FLOAT_EQ(skewed.cornerPoints[0].y, 0.1f);
    EXPECT_FLOAT_EQ(skewed.cornerPoints[1].x, 0.1f);
    EXPECT_FLOAT_EQ(skewed.cornerPoints[1].y, -0.1f);
    EXPECT_TRUE(list.addObjectRectangle(nullptr, nullptr, 0, 20, 20, skewedDepth(), 0).cornerPoints.empty());
}

TEST(AnchorList, SizeHandlesStandForTheCornersWithTheOppositePivot)
{
    AnchorList list;
    const float4x4 objectMatrix = Math::translation(100, 0, 0);
    const float4x4 clipMatrix = depthMatrix(1, 2);
    const float4x4 drag = Math::scaling(3, 3, 3);
    list.addSizeHandles(nullptr, nullptr, 5, 40, 20, {1, 2, 3}, {4, 5, 6, 1.5f}, objectMatrix, clipMatrix, drag,
                        Flag::SourceSize);
    ASSERT_EQ(list.items.size(), 4u);
    const struct {
        uint32_t flags;
        float cornerX, cornerY, pivotX, pivotY;
    } corners[4] = {
        {0x2080a0, -20, -10, 20, 10},
        {0x2080c0, 20, -10, -20, 10},
        {0x208120, 20, 10, -20, -10},
        {0x208140, -20, 10, 20, -10},
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const AnchorItem& h = list.items[i];
        EXPECT_EQ(h.shape, Shape::SizeHandle);
        EXPECT_EQ(h.flags, corners[i].flags | Flag::SourceSize);
        EXPECT_EQ(h.id, 5);
        ASSERT_EQ(h.points.size(), 3u);
        EXPECT_FLOAT_EQ(h.points[0].x, corners[i].cornerX / 2); // clip / w
        EXPECT_FLOAT_EQ(h.points[0].y, corners[i].cornerY / 2);
        // The corner before and after it in the cyclic order.
        const AnchorItem& previous = list.items[(i + 3) % 4];
        EXPECT_FLOAT_EQ(h.points[1].x, previous.points[0].x);
        EXPECT_FLOAT_EQ(h.points[1].y, previous.points[0].y);
        EXPECT_FLOAT_EQ(h.startPoint.x, corners[i].cornerX + 100);
        EXPECT_FLOAT_EQ(h.currentPoint.y, corners[i].cornerY);
        EXPECT_FLOAT_EQ(h.dragVector1.x, corners[i].pivotX + 100);
        EXPECT_FLOAT_EQ(h.dragVector1.y, corners[i].pivotY);
        EXPECT_FLOAT_EQ(h.dragVector2.w, 1.5f);
        EXPECT_FLOAT_EQ(h.dragBase.z, 3);
        EXPECT_FLOAT_EQ(h.dragBase.w, 1);
        EXPECT_FLOAT_EQ(h.matrix.m[0][0], 3);
    }
}

TEST(AnchorList, RejectedPointsGoToAScratchItemOutsideTheList)
{
    AnchorList list;
    AnchorItem& rejected = list.addPointAnchor(nullptr, nullptr, 1, {}, depthMatrix(1, 1), 0);
    rejected.startPoint = {9, 9, 9, 9};
    EXPECT_TRUE(list.items.empty());
    // The next rejection hands out a clean item again.
    EXPECT_FLOAT_EQ(list.addPointAnchor(nullptr, nullptr, 1, {}, depthMatrix(1, 1), 0).startPoint.x, 0);

    // Clearing keeps the capacity.
    for (int i = 0; i < 50; ++i)
        list.addPointAnchor(nullptr, nullptr, i, {}, depthMatrix(1, 2), 0);
    const size_t capacity = list.items.capacity();
    list.clear();
    EXPECT_TRUE(list.items.empty());
    EXPECT_EQ(list.items.capacity(), capacity);
}

TEST(AnchorEvent, MovePointByPixels)
{
    AnchorControl control;
    control.viewRect = {10, 20, 650, 380}; // 640 x 360
    AnchorEvent event(&control, nullptr, nullptr, 0, 0);
    Render::RenderObject::DrawState state;
    state.rz = 30;
    state.sx = state.sy = 2;
    const float4x4 matrix = state.getObjectMatrix() * state.getScreenMatrix(1920, 1080);
    const float4 point{12, -7, 0, 1};

    const float4 same = event.movePoint(point, matrix, 0, 0);
    EXPECT_NEAR(same.x, point.x, 1e-3f);
    EXPECT_NEAR(same.y, point.y, 1e-3f);
    EXPECT_NEAR(same.z, point.z, 1e-3f);

    // 64 preview pixels right are 192 scene pixels: 96 units along the
    // object's turned, doubled x axis.
    const float4 moved = event.movePoint(point, matrix, 64, 0);
    const float4 before = point * matrix, after = moved * matrix;
    EXPECT_NEAR((after.x / after.w - before.x / before.w) * 320, 64, 1e-3f);
    EXPECT_NEAR(after.y / after.w, before.y / before.w, 1e-5f);

    // A view without width counts as one pixel wide.
    control.viewRect = {5, 0, 5, 360};
    const float4 narrow = event.movePoint(float4{0, 0, 0, 1}, Math::identity(), 1, 0);
    EXPECT_FLOAT_EQ(narrow.x, 2);
    EXPECT_TRUE(Math::isFinite(narrow));
}
