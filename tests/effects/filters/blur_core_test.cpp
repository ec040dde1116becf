// The blur cores against processor references: the box blur in its three
// edge modes on both the pixel and the compute path, the per-axis box blur,
// and the zoom blur with its canvas growth and drawing-centre correction.
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "tests/effects/filters/filter_reference.h"

namespace FilterTest {
namespace {

using Effect::BokashiFilter;
using Path = BokashiFilter::Path;

class BlurCoreTest : public FilterFixture {
protected:
    Image blur(const Image& in, int range, float aspect, int mode, Path path)
    {
        auto out = core<BokashiFilter>().blurImage(upload(in), range, aspect, mode, path);
        return download(*out);
    }
    uint64_t dispatches() { return d3d->context->counters().dispatches; }
};

struct BlurCase {
    int range;
    float aspect;
    int mode;
    int width, height; // of the result, from 17 x 11
};

TEST_F(BlurCoreTest, BlurImageMatchesTheBoxPassesOnBothPaths)
{
    const Image in = fixture();
    const BlurCase cases[] = {
        {1, 0, 0, 19, 13},      // first passes radius 1, second passes skipped
        {5, 1, 0, 27, 11},      // no vertical radius: horizontal passes 3 and 2 only
        {5, -0.5f, 1, 17, 11},  // horizontal radius halved
        {7, 0.3f, 2, 17, 11},   // clamped edges
        {2, 0.99f, 0, 21, 11},  // a vertical radius below 1 is 0
        {99, 0, 0, 215, 209},   // odd: the second boxes one smaller
        {100, 0, 0, 217, 211},
        {100, 0, 1, 17, 11},
        {100, 0, 2, 17, 11},
    };
    for (const BlurCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << " aspect " << c.aspect << " mode " << c.mode);
        const Image want = Ref::blurImage(in, c.range, c.aspect, c.mode);
        ASSERT_EQ(want.width, c.width);
        ASSERT_EQ(want.height, c.height);
        const Image pixel = blur(in, c.range, c.aspect, c.mode, Path::Pixel);
        const Image compute = blur(in, c.range, c.aspect, c.mode, Path::Compute);
        EXPECT_TRUE(near(pixel, want));
        // The running sums round differently, nothing more.
        EXPECT_TRUE(near(compute, pixel));
    }
}

TEST_F(BlurCoreTest, LargeRadiiTakeTheComputePasses)
{
    const Image in = fixture();
    const int threshold = BokashiFilter::ComputeRange;
    auto blurred = [&](int range, float aspect) {
        return download(*core<BokashiFilter>().blurImage(upload(in), range, aspect, 1));
    };
    uint64_t before = dispatches();
    // The vertical radius 0: below the threshold, on the pixel path.
    EXPECT_TRUE(near(blurred(threshold / 2, 0.99f), blur(in, threshold / 2, 0.99f, 1, Path::Pixel)));
    EXPECT_EQ(dispatches(), before);
    EXPECT_TRUE(near(blurred(threshold / 2, 0), blur(in, threshold / 2, 0, 1, Path::Pixel)));
    // Both boxes of an axis in one pass; the pixel path when asked.
    EXPECT_EQ(dispatches(), before + 2);
    blur(in, 5, 0, 2, Path::Compute);
    EXPECT_EQ(dispatches(), before + 4);
    // A range of 0 is the image itself.
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(core<BokashiFilter>().blurImage(std::move(image), 0, 0, 0).get(), raw);
}

TEST_F(BlurCoreTest, EdgeModesFadeOrKeepAnOpaquePicture)
{
    const Image in = solid(9, 9, {0.5f, 0.5f, 0.5f, 1});
    const Image transparent = blur(in, 4, 0, 1, Path::Pixel);
    const Image clamped = blur(in, 4, 0, 2, Path::Pixel);
    EXPECT_LT(transparent.at(0, 0)[3], 0.5f);
    EXPECT_NEAR(transparent.at(4, 4)[3], 1.0f, 1e-3f);
    for (const Pixel& p : clamped.pixels)
        EXPECT_NEAR(p[3], 1.0f, 1e-3f);
}

TEST_F(BlurCoreTest, BoxBlurGrowsByTheRadiusOnEverySide)
{
    const Image in = fixture();
    for (unsigned r : {0u, 3u}) {
        auto out = core<BokashiFilter>().boxBlur(upload(in), r);
        const Image want = Ref::boxPass(Ref::boxPass(in, true, int(r), 0), false, int(r), 0);
        EXPECT_TRUE(near(download(*out), want)) << "radius " << r;
    }
}

// The canvas of a zoom blur from the strength and the centre's offset.
struct RadialGeometry {
    int left, top, right, bottom, n;
    float cx, cy;
    RadialGeometry(int w, int h, float s, float x, float y)
    {
        cx = w * 0.5f + x;
        cy = h * 0.5f + y;
        const float k = 100.0f / (100.0f - s);
        left = std::min(0, int(cx - k * cx - 0.5f));
        top = std::min(0, int(cy - k * cy - 0.5f));
        right = std::max(w, int(cx - (cx - w) * k + 0.5f));
        bottom = std::max(h, int(cy - (cy - h) * k + 0.5f));
        const int gx = std::max(-left, right - w), gy = std::max(-top, bottom - h);
        n = std::max(10, int(std::hypot(double(std::min(gx, w)), double(std::min(gy, h)))));
    }
};

class RadialBlurTest : public FilterFixture {
protected:
    Effect::BlurFilter& radial() { return core<Effect::BlurFilter>(); }
    std::unique_ptr<Media::ResourceBuffer> run(const Image& in, float s, float x, float y, bool fixed = false)
    {
        auto image = upload(in);
        return radial().radialBlur(*image, render.drawState.cx, render.drawState.cy, s, x, y, fixed);
    }
};

TEST_F(RadialBlurTest, CentredStrengthGrowsEvenly)
{
    auto out = run(solid(100, 100, {1, 0, 0, 1}), 50, 0, 0);
    EXPECT_EQ(out->getWidth(), 200u);
    EXPECT_EQ(out->getHeight(), 200u);
    EXPECT_EQ(radial().commonResource()->constants.block.sampleNum, 70);
    EXPECT_EQ(radial().commonResource()->constants.block.offset[0], -50.0f);
    EXPECT_EQ(render.drawState.cx, 0.0f);
    EXPECT_EQ(render.drawState.cy, 0.0f);
}

TEST_F(RadialBlurTest, OffCentreGrowthMovesTheDrawingCentre)
{
    // Centre at the right edge: the canvas grows 100 to the left only, and
    // 50 up and down.
    auto out = run(solid(100, 100, {1, 0, 0, 1}), 50, 50, 0);
    EXPECT_EQ(out->getWidth(), 200u);
    EXPECT_EQ(out->getHeight(), 200u);
    EXPECT_EQ(render.drawState.cx, 50.0f);
    EXPECT_EQ(render.drawState.cy, 0.0f);
    // Fixed size: no growth, the centre stays.
    render.drawState.cx = render.drawState.cy = 0;
    out = run(solid(100, 100, {1, 0, 0, 1}), 50, 50, 0, true);
    EXPECT_EQ(out->getWidth(), 100u);
    EXPECT_EQ(render.drawState.cx, 0.0f);
}

TEST_F(RadialBlurTest, PixelsMatchTheReference)
{
    const Image in = fixture();
    for (bool fixed : {false, true}) {
        const RadialGeometry g(in.width, in.height, 30, 3, -2);
        const Image want = fixed ? Ref::radialBlur(in, 0, 0, in.width, in.height, g.cx, g.cy, g.n, 30)
                                 : Ref::radialBlur(in, g.left, g.top, g.right, g.bottom, g.cx, g.cy, g.n, 30);
        EXPECT_TRUE(near(download(*run(in, 30, 3, -2, fixed)), want)) << "fixed " << fixed;
    }
}

TEST_F(RadialBlurTest, StrengthZeroIsACopyAndStrengthHundredIsFinite)
{
    const Image in = fixture();
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    auto copy = make<Effect::BlurFilter>();
    copy->range.setValue(0, 0);
    auto out = copy->filterVideo(render, std::move(image));
    EXPECT_NE(out.get(), raw);
    EXPECT_TRUE(near(download(*out), in));

    // 100 (and above) blurs as 99.9: a zoom of 1000, not an infinite one.
    for (float s : {100.0f, 250.0f}) {
        render.drawState.cx = render.drawState.cy = 0;
        auto big = run(solid(2, 2, {1, 1, 1, 1}), s, 0, 0);
        const RadialGeometry g(2, 2, Effect::BlurFilter::MaxStrength, 0, 0);
        EXPECT_EQ(int(big->getWidth()), g.right - g.left);
        EXPECT_EQ(int(big->getHeight()), g.bottom - g.top);
        EXPECT_TRUE(std::isfinite(render.drawState.cx));
        const Image result = download(*big);
        EXPECT_NEAR(result.at(-g.left, -g.top)[3], 1.0f, 1e-3f); // the picture itself
        EXPECT_EQ(result.at(0, 0)[3], 0.0f);
    }
}

} // namespace
} // namespace FilterTest
