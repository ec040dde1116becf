// 部分フィルタ through the real render plan: the frame above it filtered by
// 反転 (transparency inverted: empty pixels turn opaque white, the red
// picture turns empty) inside or outside a mask; masks without area; an
// enlarging blur staying aligned; a coloured mask weighing by luminance;
// and a temporary mask without size.
#include "effects/filters/basic/basic_effects.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/objects/part_effect.h"
#include "io/input/input_service.h"
#include "media/render_buffer.h"
#include "render/cache/cache_service.h"
#include "render/resource_cache.h"
#include "tests/effects/objects/control_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

namespace {

using ControlTest::Picture;
using ControlTest::Pixel;
using ControlTest::Red;
using Effect::PartEffect;

const Pixel Empty{0, 0, 0, 0}, White{1, 1, 1, 1};

class PartEffectTest : public ControlTest::ControlFixture {
protected:
    void acquireMediaServices() override
    {
        services.acquire<Plugin::InputService>();
        services.acquire<Cache::CacheService>();
    }
    // A red 16 x 16 picture left of the centre, the partial filter below it
    // with 反転 (transparency) on its own object.
    PartEffect& filtered()
    {
        picture(0, 0, 99, Red, -16, 0, 16);
        PartEffect& part = controlAt<PartEffect>(1, 0, 99);
        addEffect<Effect::BasicInvert>(objectAt(1)).transparency.value = true;
        return part;
    }
    // The pixel at (x, y) from the frame's centre.
    Pixel at(const Picture& p, int x, int y) const { return pixel(p, Width / 2 + x, Height / 2 + y); }
    static ::testing::AssertionResult same(const Pixel& got, const Pixel& want, float tolerance = 2e-3f)
    {
        for (int c = 0; c < 4; ++c)
            if (!(std::fabs(got[c] - want[c]) <= tolerance))
                return ::testing::AssertionFailure() << "channel " << c << ": got " << got[c] << ", want " << want[c];
        return ::testing::AssertionSuccess();
    }
};

TEST_F(PartEffectTest, TheWholePictureMaskFiltersEverythingOrNothing)
{
    PartEffect& part = filtered();
    part.source.setMaskIndex(0); // 背景
    const Picture all = renderPlan(0);
    EXPECT_TRUE(same(at(all, -16, 0), Empty));
    EXPECT_TRUE(same(at(all, 20, -10), White));
    part.invert.value = true;
    const Picture none = renderPlan(0);
    EXPECT_TRUE(same(at(none, -16, 0), Red));
    EXPECT_TRUE(same(at(none, 20, -10), Empty));
}

TEST_F(PartEffectTest, InsideTheMaskOnlyOrOutsideItInverted)
{
    PartEffect& part = filtered(); // the circle
    part.x.setValue(12, 0);
    part.size.setValue(16, 0);
    const Picture inside = renderPlan(0);
    EXPECT_TRUE(same(at(inside, 12, 0), White));
    EXPECT_TRUE(same(at(inside, -16, 0), Red));
    EXPECT_TRUE(same(at(inside, 28, 12), Empty));
    part.invert.value = true;
    const Picture outside = renderPlan(0);
    EXPECT_TRUE(same(at(outside, 12, 0), Empty));
    EXPECT_TRUE(same(at(outside, -16, 0), Empty));
    EXPECT_TRUE(same(at(outside, 28, 12), White));
}

TEST_F(PartEffectTest, MasksWithoutAreaFilterNothingOrEverythingInverted)
{
    PartEffect& part = filtered();
    struct Case {
        const char* what;
        double size, aspect;
    };
    for (const Case c : {Case{"size 0", 0, 0}, Case{"aspect 100", 50, 100}, Case{"aspect -100", 50, -100}}) {
        SCOPED_TRACE(c.what);
        part.size.setValue(c.size, 0);
        part.aspect.setValue(c.aspect, 0);
        part.invert.value = false;
        const Picture plain = renderPlan(0);
        EXPECT_TRUE(same(at(plain, -16, 0), Red));
        EXPECT_TRUE(same(at(plain, 20, -10), Empty));
        part.invert.value = true;
        const Picture all = renderPlan(0);
        EXPECT_TRUE(same(at(all, -16, 0), Empty));
        EXPECT_TRUE(same(at(all, 20, -10), White));
    }
}

TEST_F(PartEffectTest, AnEnlargingBlurStaysAlignedWithTheFrame)
{
    picture(0, 0, 99, Red, -16, 0, 16);
    PartEffect& part = controlAt<PartEffect>(1, 0, 99);
    part.source.setMaskIndex(0);
    addEffect<Effect::BokashiFilter>(objectAt(1)).range.setValue(6, 0);
    const Picture frame = renderPlan(0);
    ASSERT_TRUE(ControlTest::finitePicture(frame));
    EXPECT_GT(at(frame, -16, 0)[0], 0.9f);
    // The blurred edges mirror each other about the picture's own centre (-16, 0).
    for (int d : {7, 8, 9, 11}) {
        SCOPED_TRACE(d);
        const float left = at(frame, -16 - d - 1, 0)[0], right = at(frame, -16 + d, 0)[0];
        EXPECT_NEAR(left, right, 2e-3f);
    }
    EXPECT_GT(at(frame, -16 + 9, 0)[0], 0.01f) << "blurred past the edge";
}

TEST_F(PartEffectTest, AColouredMaskWeighsByLuminance)
{
    const std::string red = TestKit::tempDir() + "/red_mask.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 16x16 xc:'rgb(255,0,0)' PNG32:'" + red + "'"), 0);
    PartEffect& part = filtered();
    part.source.setFilePath(std::wstring(red.begin(), red.end()).c_str());
    part.size.setValue(16, 0);
    part.x.setValue(12, 0);
    const Picture frame = renderPlan(0);
    // White through a mask of luminance 0.299 over an empty frame.
    EXPECT_TRUE(same(at(frame, 12, 0), Pixel{0.299f, 0.299f, 0.299f, 0.299f}, 3e-3f));
    EXPECT_TRUE(same(at(frame, 28, 0), Empty));
}

TEST_F(PartEffectTest, ATemporaryMaskWithoutSizeDrawsNothing)
{
    PartEffect& part = filtered();
    part.source.setFilePath(L"*empty");
    for (bool inverted : {false, true}) {
        SCOPED_TRACE(inverted);
        part.invert.value = inverted;
        Render::RenderObject r = renderAt(objectAt(1), 0);
        Render::ResourceCache cache(1 << 20);
        cache.put("empty", std::make_shared<Media::ResourceBuffer>(0, 0), 0);
        r.resourceCache = &cache;
        Picture before, after;
        TestKit::Picture content(size_t(Width) * Height, Red);
        worker->requestThread.request(3, [&] {
            Media::RenderBuffer frame(d3d->PixelFormat);
            frame.createTexture2D(Width, Height);
            auto picture = upload(content, Width, Height);
            Shader::ShaderList::published()->copyShader.copyToRenderBuffer(frame, *picture);
            r.drawState.target = &frame;
            part.controlVideo(r);
            after = readBuffer(frame);
        });
        worker->requestThread.wait();
        ASSERT_TRUE(ControlTest::finitePicture(after));
        EXPECT_TRUE(TestKit::nearPicture(after, content, Width, 0));
    }
}

} // namespace
