// カメラ制御 through the real render plan on the software driver: the
// default camera sees what the screen view shows, the focal distance, the
// target rules, tilt, the frustum rays, the two passes with a camera effect
// between them, and the free view of preview frames.
#include "effect/movement.h"
#include "effects/objects/camera_control.h"
#include "effects/objects/scene_change.h"
#include "render/control_view.h"
#include "tests/effects/objects/control_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using ControlTest::finitePicture;
using ControlTest::Picture;
using ControlTest::Pixel;
using ControlTest::Red;
using ControlTest::Green;
using ControlTest::Blue;
using Effect::CameraControl;
using Math::float3;
using Math::float4;

class CameraControlTest : public ControlTest::ControlFixture {
protected:
    // The bounding box of the red pixels (guides of preview frames are grey or white).
    struct Box {
        int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    };
    Box redBox(const Picture& p) const
    {
        Box b;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                if (pixel(p, x, y)[0] > 0.5f && pixel(p, x, y)[1] < 0.3f) {
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x);
                    b.bottom = std::max(b.bottom, y);
                }
        return b;
    }
    // The centre of the red box relative to the frame's centre (y down).
    std::pair<float, float> redCentre(const Picture& p) const
    {
        const Box b = redBox(p);
        return {(b.left + b.right + 1) / 2.0f - Width / 2.0f, (b.top + b.bottom + 1) / 2.0f - Height / 2.0f};
    }
};

TEST_F(CameraControlTest, DefaultCameraShowsObjectsAtZeroAsTheScreenViewDoes)
{
    picture(1, 0, 99, Red, -20, -8, 8);
    picture(2, 0, 99, Green, 6, 3, 10);
    picture(3, 0, 99, Blue, 24, 10, 6);
    const Picture flat = renderPlan(5);
    controlAt<CameraControl>(0, 0, 99);
    const Picture seen = renderPlan(5);
    EXPECT_TRUE(TestKit::nearPicture(seen, flat, Width));
    EXPECT_EQ(redBox(seen).left, Width / 2 - 20 - 4);
}

TEST_F(CameraControlTest, FocalDistanceFollowsTheFieldOfView)
{
    CameraControl& camera = controlAt<CameraControl>(0, 0, 99);
    const Render::RenderObject r = renderAt(objectAt(0), 0);
    struct Case {
        double fov;
        int height;
        double focal;
    };
    for (const Case c : {Case{0, 1080, 1024}, Case{0, 36, 1024}, Case{90, 1080, 540}, Case{60, 1080, 935.307},
                         Case{120, 36, 10.3923}}) {
        SCOPED_TRACE(testing::Message() << c.fov << " on " << c.height);
        camera.fieldOfView.setValue(c.fov, 0);
        EXPECT_NEAR(camera.getFocalDistance(r, c.height), c.focal, 1e-3);
    }
    // A wider field of view shrinks what the default camera shows.
    picture(1, 0, 99, Red, 0, 0, 16);
    camera.fieldOfView.setValue(2 * std::atan(18.0 / 512) * 57.29577951, 0); // focal about 512 on 36 rows
    const auto box = redBox(renderPlan(0));
    EXPECT_EQ(box.right - box.left + 1, 8);
}

TEST_F(CameraControlTest, TargetRules)
{
    CameraControl& camera = controlAt<CameraControl>(1, 0, 99);
    Shown marker = picture(2, 0, 99, Red, 30, 5, 4, 7);
    camera.x.setValue(100, 0);
    camera.targetX.setValue(1, 0);
    camera.targetZ.setValue(1024, 0);
    Render::RenderObject r = renderAt(objectAt(1), 0);

    // "---": the offset is an absolute point.
    float4 t = camera.getTargetPosition(r);
    EXPECT_EQ((std::array<float, 4>{t.x, t.y, t.z, t.w}), (std::array<float, 4>{1, 0, 1024, 1}));
    // The camera's own layer: the target moves with the camera.
    camera.targetLayer.setValue(2, 0);
    t = camera.getTargetPosition(r);
    EXPECT_TRUE(camera.isTargetRelative(r));
    EXPECT_EQ((std::array<float, 3>{t.x, t.y, t.z}), (std::array<float, 3>{101, 0, 0}));
    // The same layer under a movement: the layer is looked up, and a control
    // object there is no target, so the item's own point stands.
    camera.targetLayer.setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
    camera.targetLayer.resizeValues(2);
    camera.targetLayer.setValue(2, 0);
    camera.targetLayer.setValue(2, 1);
    EXPECT_FALSE(camera.isTargetRelative(r));
    t = camera.getTargetPosition(r);
    EXPECT_EQ((std::array<float, 3>{t.x, t.y, t.z}), (std::array<float, 3>{1, 0, 1024}));
    // Another layer: its object's position plus the offset.
    camera.targetLayer.setMovement(Effect::NoMove::instance);
    camera.targetLayer.setValue(3, 0);
    t = camera.getTargetPosition(r);
    EXPECT_EQ((std::array<float, 3>{t.x, t.y, t.z}), (std::array<float, 3>{31, 5, 1031}));
    (void)marker;
}

TEST_F(CameraControlTest, TargetOnThePositionLooksAlongZ)
{
    CameraControl& camera = controlAt<CameraControl>(0, 0, 99);
    picture(1, 0, 99, Red, 9, -5, 6);
    const Picture straight = renderPlan(0);
    camera.targetZ.setValue(-1024, 0); // the target is the eye itself
    const Render::RenderObject r = renderAt(objectAt(0), 0);
    const CameraControl::CameraState state = camera.getCameraState(r, Height);
    const float3 d = CameraControl::getViewDirection(state);
    EXPECT_EQ((std::array<float, 3>{d.x, d.y, d.z}), (std::array<float, 3>{0, 0, 1}));
    const Picture nudged = renderPlan(0);
    ASSERT_TRUE(finitePicture(nudged));
    EXPECT_TRUE(TestKit::nearPicture(nudged, straight, Width));
}

TEST_F(CameraControlTest, TiltRollsThePictureAboutTheViewingAxis)
{
    CameraControl& camera = controlAt<CameraControl>(0, 0, 99);
    picture(1, 0, 99, Red, 10, 0, 4);
    struct Case {
        double tilt;
        float x, y; // where the picture's centre lands (y down)
    };
    for (const Case c : {Case{0, 10, 0}, Case{90, 0, 10}, Case{-90, 0, -10}, Case{180, -10, 0}}) {
        SCOPED_TRACE(c.tilt);
        camera.tilt.setValue(c.tilt, 0);
        const auto centre = redCentre(renderPlan(0));
        EXPECT_FLOAT_EQ(centre.first, c.x);
        EXPECT_FLOAT_EQ(centre.second, c.y);
    }
}

TEST_F(CameraControlTest, FrustumRaysRunFromTheFrameCornersToTheEye)
{
    CameraControl::CameraState camera; // at (0, 0, -1024) looking at the origin
    float3 rays[4];
    CameraControl::makeFrustumRays(64, 36, camera, rays);
    // The corners lie on the plane z = 0 at the frame's corners (y down).
    const float corners[4][2] = {{-32, -18}, {32, -18}, {32, 18}, {-32, 18}};
    const float length = std::sqrt(32.0f * 32 + 18 * 18 + 1024 * 1024);
    for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(rays[k].x, -corners[k][0] / length, 1e-6f) << k;
        EXPECT_NEAR(rays[k].y, -corners[k][1] / length, 1e-6f) << k;
        EXPECT_NEAR(rays[k].z, -1024 / length, 1e-6f) << k;
    }
    // A camera rolled by 90 degrees sees the top-left corner where the
    // unrolled one sees the bottom-left.
    camera.tilt = 90;
    float3 rolled[4];
    CameraControl::makeFrustumRays(64, 36, camera, rolled);
    const float3 want = Math::normalize({18, -32, -1024});
    EXPECT_NEAR(rolled[0].x, want.x, 1e-5f);
    EXPECT_NEAR(rolled[0].y, want.y, 1e-5f);
    // A zero up vector (a script's) gives no view: the rays are zero and the
    // view-projection stays finite.
    camera.up = {0, 0, 0, 0};
    CameraControl::makeFrustumRays(64, 36, camera, rolled);
    for (const float3& ray : rolled)
        EXPECT_EQ((std::array<float, 3>{ray.x, ray.y, ray.z}), (std::array<float, 3>{0, 0, 0}));
    const Math::float4x4 m = CameraControl::makeViewProjection(camera, 64, 36);
    for (const auto& row : m.m)
        EXPECT_TRUE(Math::isFinite({row[0], row[1], row[2], row[3]}));
}

TEST_F(CameraControlTest, CameraEffectsPrepareBeforeTheMatrixAndRunAfterTheObjects)
{
    controlAt<CameraControl>(0, 0, 99);
    auto& recorder = addEffect<ControlTest::RecordingCameraEffect>(objectAt(0));
    recorder.shift = 12; // as a camera script moves the camera
    const std::array<uint8_t, 32> ambient{}; // kind 0, colour 0: lit objects turn black
    recorder.light = &ambient;
    picture(1, 0, 99, Red, 0, 0, 4);
    RenderTest::effectLog().take();
    const Picture frame = renderPlan(3);

    std::vector<std::string> order;
    for (const std::string& line : RenderTest::effectLog().take())
        if (line.rfind("input", 0) != 0 || line.find(" L1 ") != std::string::npos)
            order.push_back(line);
    EXPECT_EQ(order, (std::vector<std::string>{"prepare L0 f3 camera z -1024", "input L1 f3 o0",
                                               "control L0 f3 lights 1"}));
    // The moved camera sees the picture 12 pixels to the left, lit by nothing.
    const Pixel at = pixel(frame, Width / 2 - 12, Height / 2);
    EXPECT_NEAR(at[0], 0, 1e-3f);
    EXPECT_NEAR(at[3], 1, 1e-3f);
    EXPECT_EQ(pixel(frame, Width / 2, Height / 2)[3], 0.0f);
}

TEST_F(CameraControlTest, TheFreeViewShowsOnlyInPreviewFrames)
{
    controlAt<CameraControl>(0, 0, 99);
    picture(1, 0, 99, Red, 0, 0, 4);
    scene->displayCamera.position.x = 20;
    scene->displayCamera.target.x = 20;
    worker->cameraFreeView = 1;
    Anchor::AnchorList anchors;
    EXPECT_FLOAT_EQ(redCentre(renderPlan(0, &anchors)).first, -20);
    EXPECT_FLOAT_EQ(redCentre(renderPlan(0)).first, 0);
    worker->cameraFreeView = 0;
    EXPECT_FLOAT_EQ(redCentre(renderPlan(0, &anchors)).first, 0);
}

TEST_F(CameraControlTest, APreRenderOfTheFrameBeforeLeavesThisFramesCamera)
{
    // The camera moves one pixel a frame; a scene change below it renders the
    // layers above it at the frame before while this frame's objects still
    // wait to be drawn with this frame's camera.
    CameraControl& camera = controlAt<CameraControl>(0, 0, 20);
    camera.x.setMovement(Effect::EffectService::findMovementInstance(L"直線移動"));
    camera.x.resizeValues(2);
    camera.x.setValue(0, 0);
    camera.x.setValue(20, 1);
    picture(1, 0, 20, Red, 0, 0, 4);
    camera.targetLayer.setValue(1, 0); // its own layer: the target moves along
    EXPECT_FLOAT_EQ(redCentre(renderPlan(9)).first, -9);
    EXPECT_FLOAT_EQ(redCentre(renderPlan(10)).first, -10);
    controlAt<Effect::SceneChange>(2, 10, 10); // one frame long: the after picture whole
    EXPECT_FLOAT_EQ(redCentre(renderPlan(10)).first, -10);
}

} // namespace
