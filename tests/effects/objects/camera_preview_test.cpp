// カメラ制御 in preview frames: its handles and their data, the view-mode
// toggle, the camera drag (orbit, zoom, pan, the free view, a target that
// follows the camera, refused drags), and the guides it draws.
#include "core/event_service.h"
#include "effect/anchor_control.h"
#include "effect/anchor_list.h"
#include "effect/movement.h"
#include "effects/objects/camera_control.h"
#include "media/direct3d_service.h"
#include "platform/gpu/gpu.h"
#include "project/edit/edit_host.h"
#include "project/edit/update_section.h"
#include "render/control_view.h"
#include "tests/effects/objects/control_fixture.h"
#include "tests/support/test_support.h"
#include "ui/menus/edit_service_host.h"
#include "ui/window/window_mouse.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Anchor::AnchorEvent;
using Anchor::AnchorItem;
using Anchor::Shape;
using ControlTest::Picture;
using ControlTest::Red;
using Effect::CameraControl;
using Math::float3;

class CameraPreviewTest : public ControlTest::ControlFixture {
protected:
    void SetUp() override
    {
        ControlFixture::SetUp();
        Edit::EditHost::install(&host);
        view.viewRect = {0, 0, Width, Height};
    }
    void TearDown() override
    {
        anchors.clear(); // the handles hold the effects, and those their shaders
        Edit::EditHost::install(nullptr);
        ControlFixture::TearDown();
    }

    // A camera on layer 0 over frames 0 to 20, the focus object, with a picture below.
    CameraControl& camera()
    {
        CameraControl& c = controlAt<CameraControl>(0, 0, 20);
        picture(1, 0, 99, Red, 0, 0, 8);
        scene->focusObject = objectAt(0);
        return c;
    }
    // The preview frame's handles at the frame.
    const Anchor::AnchorList& preview(int frame)
    {
        anchors.clear();
        renderPlan(frame, &anchors);
        return anchors;
    }
    std::vector<const AnchorItem*> itemsOf(int shape) const
    {
        std::vector<const AnchorItem*> out;
        for (const AnchorItem& item : anchors.items)
            if (item.shape == shape)
                out.push_back(&item);
        return out;
    }
    const AnchorItem& handle()
    {
        const auto found = itemsOf(Shape::CameraView);
        EXPECT_EQ(found.size(), 1u);
        return *found.at(0);
    }
    // A right-button drag on the handle by (dx, dy) pixels since it began,
    // in the preview's step transaction.
    void drag(const AnchorItem& item, int dx, int dy, bool shift = false, bool control = false)
    {
        AnchorEvent event(&view, item.object, item.effect, item.id, item.flags);
        static_cast<Anchor::DragRecord&>(event) = item;
        event.kind = AnchorEvent::CameraDrag;
        event.dragOffset = {dx, dy};
        event.dragStep = {dx, dy};
        event.shiftKey = shift;
        event.controlKey = control;
        Edit::UpdateSection step;
        EXPECT_TRUE(item.effect->anchorEvent(event));
    }
    float3 position(CameraControl& c) const
    {
        return {float(c.x.getIndexValue(0)), float(c.y.getIndexValue(0)), float(c.z.getIndexValue(0))};
    }

    Dialog::EditServiceHost host;
    Anchor::AnchorControl view;
    Anchor::AnchorList anchors;
};

TEST_F(CameraPreviewTest, MarkerViewButtonAndHandleData)
{
    CameraControl& c = camera();
    preview(10);
    // The target marker at the centre.
    const auto markers = itemsOf(Shape::Marker);
    ASSERT_EQ(markers.size(), 1u);
    EXPECT_NEAR(markers[0]->points.at(0).x, 0, 1e-6f);
    EXPECT_NEAR(markers[0]->points.at(0).y, 0, 1e-6f);
    // The view-mode button: green while both points can be dragged.
    const auto buttons = itemsOf(Shape::ObjectFrame);
    ASSERT_EQ(buttons.size(), 1u);
    EXPECT_EQ(buttons[0]->id, Anchor::Id::CameraViewButton);
    EXPECT_EQ(buttons[0]->bitmapIndex, 0);
    // The handle: all points between section points, the orbit about the target.
    const AnchorItem& h = handle();
    EXPECT_EQ(h.flags, Anchor::Flag::CameraView);
    EXPECT_EQ(h.id, Anchor::Id::AllPoints);
    EXPECT_NEAR(h.dragBase.x, 1.5707964f, 1e-5f); // polar: level with the target
    EXPECT_NEAR(std::fabs(h.dragBase.y), 3.1415927f, 1e-5f); // azimuth: in front of it (-z)
    EXPECT_FLOAT_EQ(h.dragBase.z, 1024);
    EXPECT_EQ(h.dragBase.w, 0.0f);
    preview(0);
    EXPECT_EQ(handle().id, 0) << "on the first section point";
    preview(20);
    EXPECT_EQ(handle().id, 1) << "the last frame counts as the last point";

    // A moving position between its points: white.
    c.x.setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
    c.x.resizeValues(2);
    preview(10);
    EXPECT_EQ(itemsOf(Shape::ObjectFrame).at(0)->bitmapIndex, 1);
    // Free view: grey, and the camera's own point handle joins.
    worker->cameraFreeView = 1;
    scene->displayCamera.position = {0, 0, -3000, 1};
    preview(10);
    EXPECT_EQ(itemsOf(Shape::ObjectFrame).at(0)->bitmapIndex, 2);
    EXPECT_FALSE(itemsOf(Shape::ObjectPoint).empty());
    // Only the first camera of a frame shows the button; no handles without anchors.
    controlAt<CameraControl>(2, 0, 20);
    preview(10);
    EXPECT_EQ(itemsOf(Shape::ObjectFrame).size(), 1u);
    EXPECT_EQ(itemsOf(Shape::CameraView).size(), 2u);
}

TEST_F(CameraPreviewTest, TheViewButtonTogglesTheFreeViewInOneEdit)
{
    camera();
    preview(10);
    const AnchorItem& button = *itemsOf(Shape::ObjectFrame).at(0);
    int edits = 0;
    Event::EventService::Get()->editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });
    for (int expected : {1, 0}) {
        TestKit::LogCapture log;
        AnchorEvent click(&view, button.object, button.effect, button.id, button.flags);
        click.kind = AnchorEvent::Activate;
        EXPECT_TRUE(button.effect->anchorEvent(click));
        EXPECT_EQ(worker->cameraFreeView, expected);
        EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::setCameraFreeView|set camera free view enable=" +
                                 std::to_string(expected)));
    }
    EXPECT_EQ(edits, 2);
}

TEST_F(CameraPreviewTest, OrbitStaysOffThePolesAndZoomStopsAtFour)
{
    CameraControl& c = camera();
    preview(10);
    const AnchorItem h = handle();
    struct Case {
        int dy;
        float polar;
    };
    for (const Case k : {Case{100000, 3.1405928f}, Case{-100000, 0.001f}}) {
        SCOPED_TRACE(k.dy);
        drag(h, 0, k.dy);
        const float3 p = position(c);
        EXPECT_NEAR(Math::length(p), 1024, 0.05f);
        EXPECT_NEAR(std::atan2(std::sqrt(p.x * p.x + p.z * p.z), p.y), k.polar, 1e-4f);
    }
    // Sideways: around the target at the same height.
    drag(h, 500, 0); // a quarter turn: 500 x 2 pi x 0.0005
    float3 p = position(c);
    EXPECT_NEAR(p.x, -1024, 0.05f);
    EXPECT_NEAR(p.z, 0, 0.05f);
    // Ctrl: nearer, never closer than 4.
    drag(h, 0, -64, false, true);
    EXPECT_NEAR(Math::length(position(c)), 512, 0.05f);
    drag(h, 0, -1000, false, true);
    EXPECT_NEAR(Math::length(position(c)), 4, 0.01f);
}

TEST_F(CameraPreviewTest, ShiftPansTheTargetAndTheCameraTogether)
{
    CameraControl& c = camera();
    preview(10);
    drag(handle(), 10, 0, true);
    // Ten pixels right at the target's depth: ten units along x for the default camera.
    EXPECT_NEAR(c.targetX.getIndexValue(0), -10, 0.02);
    EXPECT_NEAR(c.targetY.getIndexValue(0), 0, 0.02);
    const float3 p = position(c);
    EXPECT_NEAR(p.x, -10, 0.02f);
    EXPECT_NEAR(p.y, 0, 0.02f);
    EXPECT_NEAR(p.z, -1024, 0.05f);
}

TEST_F(CameraPreviewTest, TheFreeViewMovesOnlyTheSceneCameraAndKeepsItsTargetAway)
{
    CameraControl& c = camera();
    worker->cameraFreeView = 1;
    preview(10);
    drag(handle(), 0, -1000, false, true); // zoom to 4
    const Edit::CameraState& free = scene->displayCamera;
    const float3 eye{free.position.x, free.position.y, free.position.z};
    const float3 target{free.target.x, free.target.y, free.target.z};
    EXPECT_NEAR(Math::length(eye), 4, 0.01f);
    EXPECT_NEAR(Math::length(target - eye), 256, 0.01f);
    EXPECT_EQ(c.z.getIndexValue(0), -1024) << "the camera's own items stay";
    EXPECT_EQ(c.targetZ.getIndexValue(0), 0);
}

TEST_F(CameraPreviewTest, ATargetFollowingTheCameraMovesTheCamera)
{
    CameraControl& c = camera();
    c.targetLayer.setValue(1, 0); // its own layer
    c.targetZ.setValue(1024, 0);
    preview(10);
    const AnchorItem h = handle();
    EXPECT_EQ(h.dragBase.w, 1.0f);
    drag(h, 0, -10, false, true); // along the target direction
    EXPECT_NEAR(c.z.getIndexValue(0), -944, 0.02);
    EXPECT_NEAR(c.x.getIndexValue(0), 0, 0.02);
    drag(h, 10, 0); // in the picture plane
    EXPECT_NEAR(c.x.getIndexValue(0), -10, 0.05);
    EXPECT_NEAR(c.z.getIndexValue(0), -944, 0.05);
}

TEST_F(CameraPreviewTest, DragAllowanceIsOneTable)
{
    CameraControl& c = camera();
    Edit::Object& object = *objectAt(0);
    object.midPoints = {5, 10}; // points 0 to 3
    const auto sized = [](Effect::EffectItemNumber& item, size_t n) { item.values.assign(n, 0); };
    struct Case {
        size_t position, target;
        int id;
        bool allowed;
    };
    const Case cases[] = {
        {1, 1, Anchor::Id::AllPoints, true},  {4, 1, Anchor::Id::AllPoints, false},
        {1, 2, Anchor::Id::AllPoints, false}, {1, 1, 1, true},
        {4, 1, 1, true},                      {4, 4, 2, true},
        {2, 1, 1, false},                     {1, 3, 2, false},
        {2, 2, 0, true},                      {2, 2, 3, true},
        {2, 2, 7, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.position << " " << k.target << " id " << k.id);
        sized(c.x, k.position);
        sized(c.y, 1);
        sized(c.z, 1);
        sized(c.targetX, 1);
        sized(c.targetY, k.target);
        sized(c.targetZ, 1);
        EXPECT_EQ(c.isCameraDragAllowed(k.id, object), k.allowed);
    }
}

TEST_F(CameraPreviewTest, ARefusedDragChangesNothingAndShowsTheNoCursor)
{
    CameraControl& c = camera();
    c.x.setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
    c.x.resizeValues(2);
    preview(10); // between the points: the handle drags all of them
    const std::vector<int32_t> before = c.x.values;
    auto& cursor = services.acquire<Window::WindowMouseService>()->mouseCursor;
    cursor.requestedCursor = cursor.appliedCursor = &Window::Cursors::Arrow;
    drag(handle(), 40, 0);
    EXPECT_EQ(c.x.values, before);
    EXPECT_EQ(cursor.appliedCursor, &Window::Cursors::No);
}

TEST_F(CameraPreviewTest, GuideLinesAreClippedAtTheNearPlane)
{
    CameraControl::CameraState state;
    const Math::float4x4 vp = CameraControl::makeViewProjection(state, Width, Height);
    Media::XYZ_UV quad[4];
    const std::array<float, 4> white{1, 1, 1, 1};
    // Both ends behind the camera (z below -1024 + 51.2): nothing.
    EXPECT_FALSE(CameraControl::makeGuideQuad(vp, {{0, 0, -2000}, {10, 0, -1500}, 1, white}, Width, Height, quad));
    // One end behind: cut at the near plane, where the depth is 1.
    ASSERT_TRUE(CameraControl::makeGuideQuad(vp, {{-20, 5, -2000}, {20, 5, 0}, 1, white}, Width, Height, quad));
    for (const Media::XYZ_UV& v : quad)
        ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
    EXPECT_NEAR(quad[0].z, 1.0f, 1e-4f);
    EXPECT_NEAR(quad[2].z, 51.2f / 1024, 1e-5f);
    // Both in front: the ends stay, the strip one pixel to each side.
    ASSERT_TRUE(CameraControl::makeGuideQuad(vp, {{-10, 0, 0}, {10, 0, 0}, 1, white}, Width, Height, quad));
    EXPECT_NEAR(quad[0].x * Width / 2, -10, 1e-4f);
    EXPECT_NEAR(quad[3].x * Width / 2, 10, 1e-4f);
    EXPECT_NEAR((quad[1].y - quad[0].y) * Height / 2, 2, 1e-4f);
}

TEST_F(CameraPreviewTest, TheGridCountsAndAnIntervalBelowOneCountsAsOne)
{
    CameraControl& c = camera();
    scene->focusObject = nullptr;
    Render::RenderObject r = renderAt(objectAt(0), 10);
    Render::ControlView record(objectAt(0), nullptr);
    struct Case {
        float step, range;
        size_t lines;
    };
    for (const Case k : {Case{200, 10000, 202}, Case{1, 10000, 40002}, Case{0.5f, 10000, 40002},
                         Case{0, 10000, 40002}, Case{3, 5, 14}, Case{20000, 100, 2}}) {
        SCOPED_TRACE(testing::Message() << k.step << " over " << k.range);
        scene->gridStep = k.step;
        scene->gridRange = k.range;
        EXPECT_EQ(c.getGuideLines(r, record).size(), k.lines);
    }
    worker->cameraGrid = 0;
    EXPECT_TRUE(c.getGuideLines(r, record).empty());
    // The focus camera adds its three target axes.
    scene->focusObject = objectAt(0);
    EXPECT_EQ(c.getGuideLines(r, record).size(), 3u);
    EXPECT_GT(record.targetAxes.w, 0);
}

TEST_F(CameraPreviewTest, GuidesAppearOnlyInPreviewFrames)
{
    CameraControl& c = camera();
    c.y.setValue(-400, 0); // above the ground, looking down at it
    scene->gridStep = 100;
    scene->gridRange = 2000;
    const Picture plain = renderPlan(10);
    const auto draws = [] { return Media::Direct3DService::Get()->context->counters().draws; };
    const uint64_t before = draws();
    renderPlan(10);
    const uint64_t plainDraws = draws() - before;
    const Picture guided = renderPlan(10, &anchors);
    // The 82 grid lines of one colour are one draw.
    EXPECT_LE(draws() - before - 2 * plainDraws, 4u);
    ASSERT_TRUE(ControlTest::finitePicture(guided));
    int changed = 0;
    for (size_t i = 0; i < guided.size(); ++i)
        changed += guided[i] != plain[i];
    EXPECT_GT(changed, 20);
    // Free view with the real camera's frustum in sight.
    worker->cameraFreeView = 1;
    scene->displayCamera.position = {1500, -800, -1500, 1};
    const Picture free = renderPlan(10, &anchors);
    ASSERT_TRUE(ControlTest::finitePicture(free));
    int white = 0;
    for (const auto& px : free)
        white += px[0] > 0.3f && px[1] > 0.3f && px[2] > 0.3f;
    EXPECT_GT(white, 10);
}

TEST_F(CameraPreviewTest, GuidesArtefact)
{
    // A larger frame for a person to look at: pictures at several depths
    // under a raised camera, with the grid, the target axes and, from the
    // free view, the real camera's frustum.
    scene->width = 320;
    scene->height = 180;
    CameraControl& c = controlAt<CameraControl>(0, 0, 20);
    c.y.setValue(-300, 0);
    c.z.setValue(-900, 0);
    scene->focusObject = objectAt(0);
    scene->gridStep = 100;
    scene->gridRange = 1000;
    picture(1, 0, 99, Red, -150, -60, 96, 200);
    picture(2, 0, 99, ControlTest::Green, 0, -40, 80, 0);
    picture(3, 0, 99, ControlTest::Blue, 150, -60, 96, -200);
    const Picture own = renderPlan(10, &anchors);
    ASSERT_TRUE(ControlTest::finitePicture(own));
    TestKit::saveArtefact(own, 320, 180, "camera_guides.png");
    worker->cameraFreeView = 1;
    scene->displayCamera.position = {1400, -900, -1800, 1};
    scene->displayCamera.target = {0, 0, 0, 1};
    const Picture free = renderPlan(10, &anchors);
    ASSERT_TRUE(ControlTest::finitePicture(free));
    TestKit::saveArtefact(free, 320, 180, "camera_free_view.png");
}

} // namespace
