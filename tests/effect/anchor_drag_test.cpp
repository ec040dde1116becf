// A handle dragged in the preview ends under the mouse: register, lay out in
// a 640 x 360 view, hit it at its pixel, drag, register again.
#include "tests/effect/anchor_fixture.h"
#include "tests/render/control_fixture.h"

#include <cmath>

using namespace AnchorTest;
using Anchor::AnchorItem;
using Anchor::Id;
using Anchor::Shape;

using AnchorDrag = AnchorEffectTest;

TEST_F(AnchorDrag, HandlesFollowTheMouse)
{
    enum Handle { ObjectHandle, SectionHandle, FilterPoint };
    enum Placement { Rotated, Zoomed, Grouped };
    const char* handleNames[] = {"object handle", "section handle", "filter point"};
    const char* placementNames[] = {"rotated", "zoomed", "under a group view"};
    const int moves[][2] = {{37, -23}, {-50, 8}};

    for (Handle handle : {ObjectHandle, SectionHandle, FilterPoint})
        for (Placement placement : {Rotated, Zoomed, Grouped})
            for (const auto& move : moves) {
                SCOPED_TRACE(testing::Message() << handleNames[handle] << ", " << placementNames[placement] << ", by "
                                                << move[0] << ", " << move[1]);
                list.clear();
                scene.layers.reset();
                scene.focusObject = nullptr;
                groupControl = nullptr;
                Placed p({50});
                place(p);
                p.output->x.values = {12000};
                p.output->y.values = {-4000};
                p.filter->x.values = {3000};
                p.filter->y.values = {-2000};
                if (placement == Rotated)
                    p.output->rotation.values = {3000}; // 30 degrees in the picture plane
                if (placement == Zoomed)
                    p.output->zoom.values = {25000};
                if (placement == Grouped) {
                    // Turned, enlarged and moved as a group, seen through a
                    // projection whose vanishing point sits at the group.
                    auto group = std::make_shared<RenderTest::FixedControl>();
                    group->groupMatrix = Math::rotationZ(-20) * Math::scaling(1.5f, 1.5f, 1.5f) *
                                         Math::translation(100, -50, 0);
                    DrawState at;
                    at.x = 100;
                    at.y = -50;
                    group->groupView = at.getScreenMatrix(1920, 1080);
                    groupControl = RenderTest::controlObject(group);
                }
                int id = Id::AllPoints, shape = Shape::ObjectArea;
                const Effect::EffectBase* owner = p.output.get();
                if (handle == SectionHandle) {
                    // The mid-point of a path: X and Y hold one value per point.
                    p.output->x.setMovement(movement(L"直線移動"));
                    p.output->y.setMovement(movement(L"直線移動"));
                    p.output->x.values = {12000, 20000, 12000};
                    p.output->y.values = {-4000, 6000, -4000};
                    id = 1;
                }
                if (handle == FilterPoint) {
                    shape = Shape::FilterPoint;
                    owner = p.filter.get();
                }

                registerAt(p, 30);
                layout(640, 360);
                const AnchorItem& before = find(*owner, shape, id);
                const Math::float2 pixel = before.screenPosition;
                ASSERT_TRUE(before.hitTest(pixel.x, pixel.y));
                drag(before, move[0], move[1]);

                list.clear();
                registerAt(p, 30);
                layout(640, 360);
                const AnchorItem& after = find(*owner, shape, id);
                EXPECT_NEAR(after.screenPosition.x, pixel.x + move[0], 0.5f);
                EXPECT_NEAR(after.screenPosition.y, pixel.y + move[1], 0.5f);
            }
}
