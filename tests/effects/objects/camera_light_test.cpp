// The camera effects and object options under a real カメラ制御: the light
// records and the ambient level they leave, the first eight records only,
// the directions of 並行光源, the light bloom's passes, and the billboard
// and back-face options.
#include "effects/objects/camera_control.h"
#include "effects/objects/camera_lights.h"
#include "effects/objects/camera_option.h"
#include "media/object_draw.h"
#include "render/control_view.h"
#include "tests/effects/objects/control_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using ControlTest::Picture;
using ControlTest::Pixel;
using ControlTest::Red;
using Effect::CameraControl;
using Effect::CameraLight;
using Effect::CameraLightAmbient;
using Effect::CameraLightBloom;
using Effect::CameraOption;

class CameraLightTest : public ControlTest::ControlFixture {
protected:
    // A camera on layer 0 over a red 8 x 8 picture facing it on layer 1.
    CameraControl& litScene()
    {
        CameraControl& camera = controlAt<CameraControl>(0, 0, 99);
        picture(1, 0, 99, Red, 0, 0, 8);
        return camera;
    }
    // A directional light from the right: it lights nothing of a picture facing the camera.
    CameraLight& sideLight(int brightness)
    {
        auto& light = addEffect<CameraLight>(objectAt(0));
        light.longitude.setValue(90, 0);
        light.brightness.setValue(brightness, 0);
        return light;
    }
    CameraLightAmbient& ambient(double brightness)
    {
        auto& light = addEffect<CameraLightAmbient>(objectAt(0));
        light.brightness.setValue(brightness, 0);
        return light;
    }
    Pixel centre(const Picture& p) const { return pixel(p, Width / 2, Height / 2); }

    // The records a light adds to a camera's preparation.
    Media::LightSource recordOf(Effect::EffectBase& light)
    {
        Render::RenderObject r = renderAt(objectAt(0), 0);
        r.drawState.cameraControl = std::make_shared<Render::ControlView>(objectAt(0), nullptr);
        light.preInputVideo(r);
        Media::LightSource out;
        EXPECT_EQ(r.drawState.cameraControl->lights.size(), 1u);
        std::memcpy(&out, r.drawState.cameraControl->lights.at(0).data(), sizeof(out));
        return out;
    }
};

TEST_F(CameraLightTest, DirectionalLightsLeaveTheProductOfTheirRemaindersAsAmbient)
{
    litScene();
    sideLight(50);
    sideLight(50);
    Pixel lit = centre(renderPlan(0));
    EXPECT_NEAR(lit[0], 0.25f, 2e-3f);
    EXPECT_NEAR(lit[3], 1.0f, 1e-3f);
    // Any ambient light replaces that level by its own colour: at 0, nothing.
    ambient(0);
    lit = centre(renderPlan(0));
    EXPECT_NEAR(lit[0], 0.0f, 1e-3f);
    EXPECT_NEAR(lit[3], 1.0f, 1e-3f);
    // Outside the lit picture the frame stays untouched.
    EXPECT_EQ(pixel(renderPlan(0), 2, 2), (Pixel{0, 0, 0, 0}));
}

TEST_F(CameraLightTest, OnlyTheFirstEightRecordsLight)
{
    litScene();
    for (int i = 0; i < 8; ++i)
        sideLight(10); // remainder 0.9 each
    ambient(100);      // the ninth: would bring the level to 1
    EXPECT_NEAR(centre(renderPlan(0))[0], std::pow(0.9f, 8.0f), 2e-3f);
}

TEST_F(CameraLightTest, RecordsCarryColourTimesBrightnessAndTheRemainder)
{
    litScene();
    CameraLight& light = sideLight(150);
    light.colour.r = 255;
    light.colour.g = 51;
    light.colour.b = 0;
    Media::LightSource record = recordOf(light);
    EXPECT_EQ(record.type, 1);
    EXPECT_FLOAT_EQ(record.color[0], 1.5f);
    EXPECT_FLOAT_EQ(record.color[1], 0.3f);
    EXPECT_FLOAT_EQ(record.color[3], 0.0f) << "above 100 no ambient level is left";
    light.brightness.setValue(20, 0);
    EXPECT_FLOAT_EQ(recordOf(light).color[3], 0.8f);

    CameraLightAmbient& base = ambient(40);
    record = recordOf(base);
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ((std::array<float, 3>{record.direction[0], record.direction[1], record.direction[2]}),
              (std::array<float, 3>{0, 0, 0}));
    EXPECT_FLOAT_EQ(record.color[2], 0.4f);
    EXPECT_FLOAT_EQ(record.color[3], 0.0f);
}

TEST_F(CameraLightTest, DirectionsTurnByLatitudeLongitudeAndTilt)
{
    struct Case {
        double latitude, longitude, tilt;
        float x, y, z; // towards the light (y down the picture)
    };
    for (const Case c : {Case{0, 0, 0, 0, 0, -1}, Case{90, 0, 0, 0, -1, 0}, Case{-90, 0, 0, 0, 1, 0},
                         Case{0, 90, 0, 1, 0, 0}, Case{0, 180, 0, 0, 0, 1}, Case{0, 90, 90, 0, 1, 0},
                         Case{0, 0, 90, 0, 0, -1}, Case{3600, 0, 0, 0, 0, -1}}) {
        SCOPED_TRACE(testing::Message() << c.latitude << " " << c.longitude << " " << c.tilt);
        const Math::float3 d = CameraLight::getDirection(c.latitude, c.longitude, c.tilt);
        EXPECT_NEAR(d.x, c.x, 1e-5f);
        EXPECT_NEAR(d.y, c.y, 1e-5f);
        EXPECT_NEAR(d.z, c.z, 1e-5f);
    }
}

TEST_F(CameraLightTest, LightFacingThePictureAddsToTheAmbientLevel)
{
    litScene();
    ambient(0);
    const float dark = centre(renderPlan(0))[0];
    addEffect<CameraLight>(objectAt(0)).brightness.setValue(100, 0); // from the camera's side
    const Pixel lit = centre(renderPlan(0));
    EXPECT_NEAR(dark, 0.0f, 1e-3f);
    EXPECT_GT(lit[0], 0.5f);
    EXPECT_TRUE(std::isfinite(lit[0]));
}

// ---- the light bloom ----

class BloomTest : public CameraLightTest {
protected:
    // One pixel of the frame at (2, 2, 2) (over-bright white) under a camera
    // with a bloom of the spread, at strength 500.
    Picture bloomed(int spread, float level = 2)
    {
        clearScene();
        controlAt<CameraControl>(0, 0, 99);
        auto& bloom = addEffect<CameraLightBloom>(objectAt(0));
        bloom.spread.setValue(spread, 0);
        bloom.strength.setValue(500, 0);
        Shown dot = picture(1, 0, 99, Pixel{level, level, level, 1}, 0.5f, 0.5f, 1);
        (void)dot;
        return renderPlan(0);
    }
};

TEST_F(BloomTest, SmallSpreadsAddWithoutBlurringFirst)
{
    // 拡散 7: radii 0, 0, 0, 1, 3; the four additions of the bright pass
    // (colour 1 at the dot) weigh 7 x 5 / 800 each, blurred by then to 1, 1,
    // 1/9 and 1/49 at the dot. 拡散 15: radii 0, 0, 1, 3, 7.
    struct Case {
        int spread;
        float atDot;     // added at the dot
        int reach;       // pixels reached by the widest blur
    };
    const float f7 = 7.0f * 5 / 800, f15 = 15.0f * 5 / 800;
    for (const Case c : {Case{7, f7 * (2 + 1.0f / 9 + 1.0f / 49), 4},
                         Case{15, f15 * (1 + 1.0f / 9 + 1.0f / 49 + 1.0f / 225), 11}}) {
        SCOPED_TRACE(c.spread);
        const Picture frame = bloomed(c.spread);
        const int cx = Width / 2, cy = Height / 2;
        EXPECT_NEAR(pixel(frame, cx, cy)[1], 2 + c.atDot, 4e-3f);
        EXPECT_GT(pixel(frame, cx + c.reach, cy)[1], 0.0f);
        EXPECT_EQ(pixel(frame, cx + c.reach + 1, cy)[1], 0.0f);
        ASSERT_TRUE(ControlTest::finitePicture(frame));
    }
}

TEST_F(BloomTest, NothingGlowsBelowLuminanceOneOrWithoutStrength)
{
    const Picture plain = bloomed(0);
    EXPECT_TRUE(TestKit::nearPicture(bloomed(400, 1.0f), bloomed(0, 1.0f), Width, 0));
    EXPECT_EQ(pixel(bloomed(400, 0.9f), Width / 2 + 1, Height / 2)[1], 0.0f);
    // 強さ 0 adds nothing either.
    bloomed(0);
    auto& bloom = dynamic_cast<CameraLightBloom&>(*objectAt(0)->effects[1]);
    bloom.strength.setValue(0, 0);
    EXPECT_TRUE(TestKit::nearPicture(renderPlan(0), plain, Width, 0));
}

// ---- options ----

TEST_F(CameraLightTest, BillboardFacesACameraAtTheSide)
{
    CameraControl& camera = controlAt<CameraControl>(0, 0, 99);
    camera.x.setValue(1024, 0);
    camera.z.setValue(0, 0); // looking along -x at the picture's edge
    Shown p = picture(1, 0, 99, Red, 0, 0, 8);
    EXPECT_EQ(centre(renderPlan(0))[3], 0.0f) << "edge-on: nothing to see";
    auto& option = addEffect<CameraOption>(p.object);
    option.orientation.value = 3;
    const Pixel seen = centre(renderPlan(0));
    EXPECT_NEAR(seen[0], 1.0f, 1e-3f);
    EXPECT_NEAR(seen[3], 1.0f, 1e-3f);
}

TEST_F(CameraLightTest, HiddenBackFacesDisappearWhenTurned)
{
    controlAt<CameraControl>(0, 0, 99);
    Shown p = picture(1, 0, 99, Red, 0, 0, 8);
    p.output->rotationY.setValue(180, 0);
    EXPECT_NEAR(centre(renderPlan(0))[0], 1.0f, 1e-3f) << "the back face shows by default";
    addEffect<CameraOption>(p.object).hideBackFace.value = true;
    EXPECT_EQ(centre(renderPlan(0))[3], 0.0f);
    p.output->rotationY.setValue(0, 0);
    EXPECT_NEAR(centre(renderPlan(0))[0], 1.0f, 1e-3f) << "the front face stays";
}

} // namespace
