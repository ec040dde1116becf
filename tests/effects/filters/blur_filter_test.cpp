// The blur filters through their passes against processor references:
// ぼかし with its brightness passes, 境界ぼかし in both forms, 方向ブラー and
// レンズブラー at full and at reduced resolution.
#include "effects/filters/blur/blur_direction_filter.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/blur/bokeh_filter.h"
#include "effects/filters/blur/border_blur_filter.h"
#include "media/transition.h"
#include "tests/effects/filters/filter_reference.h"

#include <algorithm>

namespace FilterTest {
namespace {

using namespace Effect;

class BlurFilterTest : public FilterFixture {};

// ---- ぼかし ----

struct BokashiCase {
    double range, aspect, light;
    bool fixed;
    int width, height;
};

TEST_F(BlurFilterTest, BokashiMatchesTheReference)
{
    const Image in = fixture();
    const BokashiCase cases[] = {
        {0, 0, 0, false, 17, 11},   // the input, unchanged
        {0, 0, 5, false, 17, 11},   // the brightness passes cancel out
        {10, 0, 0, false, 37, 31},  // 20 larger in each direction
        {10, 0, 0, true, 17, 11},   // size kept, border pixels repeated
        {4, 50, 0.4, false, 25, 15}, // 光の強さ 0.4 rounds to 0: no brightness pass
        {4, 50, 0.5, false, 25, 15}, // 0.5 rounds to 1: gain 1.15
        {3, -100, 7, true, 17, 11},
        {6, 0, 20, false, 29, 23},  // the grown margin is transparent black, not a dark rim
    };
    for (const BokashiCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << " aspect " << c.aspect << " light " << c.light
                                        << " fixed " << c.fixed);
        auto f = make<BokashiFilter>();
        f->range.setValue(c.range, 0);
        f->aspect.setValue(c.aspect, 0);
        f->light.setValue(c.light, 0);
        f->fixedSize.value = c.fixed;
        const int R = int(c.range), L = int(std::lround(c.light)), mode = c.fixed ? 2 : 0;
        const float aspect = float(c.aspect * 0.01);
        Image want;
        if (L <= 0) {
            want = Ref::blurImage(in, R, aspect, mode);
        } else {
            const float g = 1.0f + 0.15f * L;
            want = Ref::compress(Ref::blurImage(Ref::expand(in, g), R, aspect, mode), 1.0f / g);
        }
        const Image got = filter(*f, in);
        EXPECT_EQ(got.width, c.width);
        EXPECT_EQ(got.height, c.height);
        // On the exponential scale every stored pass rounds values up to e^2
        // and more in half precision; the logarithm carries that back.
        EXPECT_TRUE(near(got, want, L > 0 ? 1.0f / 128 : 2e-3f));
    }
}

TEST_F(BlurFilterTest, BokashiRangeZeroPassesThePictureOn)
{
    auto f = make<BokashiFilter>();
    f->range.setValue(0, 0);
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw);
}

TEST_F(BlurFilterTest, RegisteringBokashiBlursWipeMasks)
{
    // The registry's ぼかし serves the resource service's blurred wipes: the
    // circle's edge softens over many more pixels, its area about kept.
    const Resource::Transition& circle = resources->transitionList.transitions[0];
    auto partial = [](const std::vector<float>& alpha) {
        return std::count_if(alpha.begin(), alpha.end(), [](float a) { return a > 0.02f && a < 0.98f; });
    };
    const std::vector<float> sharp = alphaOf(*circle.createMask(64, 64, 0.5f, 0, false));
    auto soft = circle.createMask(64, 64, 0.5f, 6, false);
    ASSERT_TRUE(soft);
    const std::vector<float> blurred = alphaOf(*soft);
    EXPECT_GT(partial(blurred), 3 * partial(sharp));
    EXPECT_NEAR(coverage(blurred), coverage(sharp), 0.1 * coverage(sharp));
}

// ---- 境界ぼかし ----

Image borderBlur(const Image& in, int range, float aspect, bool alphaBorder)
{
    int rv, rh;
    Ref::radii(range, aspect, rv, rh);
    const int W = in.width, H = in.height;
    if (!alphaBorder)
        return Ref::generate(W, H, [&](int x, int y) {
            const float px = x + 0.5f, py = y + 0.5f;
            const float dx = std::min(px, W - px), dy = std::min(py, H - py);
            const float tx = rh > 0 ? Reference::sat(dx / rh) : 1, ty = rv > 0 ? Reference::sat(dy / rv) : 1;
            auto smooth = [](float t) { return t * t * (3 - 2 * t); };
            const float ex = 1 - smooth(tx), ey = 1 - smooth(ty);
            return Ref::scaled(in.at(x, y), std::max(0.0f, 1 - std::sqrt(ex * ex + ey * ey)));
        });
    const Image vertical = Ref::generate(W, H, [&](int x, int y) {
        float sum = 0;
        for (int j = -rv; j <= rv; ++j)
            sum += in.at(x, y + j)[3];
        return Pixel{0, 0, 0, sum / (2 * rv + 1)};
    });
    const Image both = Ref::generate(W, H, [&](int x, int y) {
        float sum = 0;
        for (int i = -rh; i <= rh; ++i)
            sum += vertical.at(x + i, y)[3];
        return Pixel{0, 0, 0, sum / (2 * rh + 1)};
    });
    return Ref::generate(W, H, [&](int x, int y) {
        const Pixel c = in.at(x, y);
        return Ref::scaled(c, Reference::sat(2 * both.at(x, y)[3] * c[3] - 1));
    });
}

TEST_F(BlurFilterTest, BorderBlurMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double range, aspect;
        bool alphaBorder;
    } cases[] = {
        {5, 0, false},
        {0, 0, false},  // no fade on either axis: unchanged
        {0, 0, true},   // alpha 0.5 or less goes: f = saturate(2 a² - 1)
        {5, 100, false}, // only the left and right edges fade
        {4, -50, true},
        {2, 30, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << " aspect " << c.aspect << " alpha " << c.alphaBorder);
        auto f = make<BorderBlurFilter>();
        f->range.setValue(c.range, 0);
        f->aspect.setValue(c.aspect, 0);
        f->alphaBorder.value = c.alphaBorder;
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, borderBlur(in, int(c.range), float(c.aspect * 0.01), c.alphaBorder)));
        if (c.range == 0 && !c.alphaBorder) {
            EXPECT_TRUE(near(got, in, 0));
        }
    }
}

// ---- 方向ブラー ----

Image directionBlur(const Image& in, float length, float angle, bool fixed, int& n)
{
    const float theta = static_cast<float>(angle * 3.14159265358979323846 / 180.0);
    const float dx = -std::sin(theta) * length, dy = std::cos(theta) * length;
    const int W = in.width, H = in.height;
    const int outW = fixed ? W : W + 2 * int(std::ceil(std::fabs(dx)));
    const int outH = fixed ? H : H + 2 * int(std::ceil(std::fabs(dy)));
    n = std::max(5, int(std::ceil(std::min(length, std::hypot(float(W), float(H))))));
    const float ox = (W - outW) * 0.5f, oy = (H - outH) * 0.5f, sx = dx / n, sy = dy / n;
    return Ref::generate(outW, outH, [&](int x, int y) {
        const float px = x + 0.5f + ox, py = y + 0.5f + oy;
        Pixel sum{0, 0, 0, 0};
        float weights = 0;
        for (int i = 0; i < n; ++i) {
            const float w = 1 - float(i * i) / (float(n) * float(n));
            Ref::add(sum, in.at(int(px + sx * i), int(py + sy * i)), w);
            weights += w;
            if (i > 0) {
                Ref::add(sum, in.at(int(px - sx * i), int(py - sy * i)), w);
                weights += w;
            }
        }
        return Ref::scaled(sum, 1 / weights);
    });
}

TEST_F(BlurFilterTest, DirectionBlurMatchesTheReference)
{
    const struct {
        Image in;
        double length, angle;
        bool fixed;
        int samples;
    } cases[] = {
        {fixture(), 3, 0, false, 5},   // vertical
        {fixture(), 3, 90, false, 5},  // horizontal
        {fixture(), 8, 30, true, 8},
        {fixture(), 40, 50, false, 21}, // N stops at the picture's diagonal
        {solid(1, 1, {0.5f, 0.25f, 0, 0.5f}), 3, 50, false, 5}, // hypot(1, 1) < 3; at least 5
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << " angle " << c.angle << " fixed " << c.fixed);
        auto f = make<BlurDirectionFilter>();
        f->range.setValue(c.length, 0);
        f->angle.setValue(c.angle, 0);
        f->fixedSize.value = c.fixed;
        int n = 0;
        const Image want = directionBlur(c.in, float(c.length), float(c.angle), c.fixed, n);
        EXPECT_TRUE(near(filter(*f, c.in), want));
        EXPECT_EQ(n, c.samples);
        EXPECT_EQ(f->commonResource()->constants.block.sampleNum, c.samples);
    }
    // Length 0: a copy of the same size.
    auto f = make<BlurDirectionFilter>();
    f->range.setValue(0, 0);
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    auto out = f->filterVideo(render, std::move(image));
    EXPECT_NE(out.get(), raw);
    EXPECT_TRUE(near(download(*out), fixture(), 0));
}

// ---- レンズブラー ----

class BokehTest : public FilterFixture {
protected:
    // The alpha of figure `shape`'s mask at size k x k.
    Image mask(int shape, int k)
    {
        auto m = resources->figureList.createFigureMask(shape, k, k);
        const std::vector<float> alpha = alphaOf(*m);
        Image out = blank(k, k);
        for (size_t i = 0; i < alpha.size(); ++i)
            out.pixels[i] = {0, 0, 0, alpha[i]};
        return out;
    }
    // The kernel pass: full resolution up to a diameter of 80, else over the
    // picture reduced t times and sampled bilinearly.
    Image bokeh(const Image& in, int shape, int R, bool fixed)
    {
        if (R == 0)
            return in;
        const int W = in.width, H = in.height, e = 2 * R + 1;
        const int outW = fixed ? W : W + 2 * R, outH = fixed ? H : H + 2 * R;
        auto weighted = [&](Pixel sum, float weights) {
            return weights > 0 ? Ref::scaled(sum, 1 / weights) : in.outside;
        };
        if (e <= 80) {
            const Image m = mask(shape, e);
            const float ox = (W - outW - e) * 0.5f, oy = (H + e - outH) * 0.5f;
            return Ref::generate(outW, outH, [&](int x, int y) {
                Pixel sum{0, 0, 0, 0};
                float weights = 0;
                for (int j = 0; j < e; ++j)
                    for (int i = 0; i < e; ++i) {
                        int qx = int(x + 0.5f + ox + i), qy = int(y + 0.5f + oy - (j + 1));
                        if (fixed) {
                            qx = std::clamp(qx, 0, W - 1);
                            qy = std::clamp(qy, 0, H - 1);
                        }
                        const float w = m.at(i, j)[3];
                        Ref::add(sum, in.at(qx, qy), w);
                        weights += w;
                    }
                return weighted(sum, weights);
            }, in.outside);
        }
        const int t = e / 80 + 1, k = (t + e) / t;
        const Image rows = Ref::generate(W, (H + t - 1) / t, [&](int x, int y) {
            Pixel sum{0, 0, 0, 0};
            for (int i = 0; i < t; ++i)
                Ref::add(sum, in.at(x, std::clamp(y * t + i, 0, H - 1)));
            return Ref::scaled(sum, 1.0f / t);
        }, in.outside);
        const Image small = Ref::generate((W + t - 1) / t, rows.height, [&](int x, int y) {
            Pixel sum{0, 0, 0, 0};
            for (int i = 0; i < t; ++i)
                Ref::add(sum, rows.at(std::clamp(x * t + i, 0, W - 1), y));
            return Ref::scaled(sum, 1.0f / t);
        }, in.outside);
        const Image m = mask(shape, k);
        const float sx = (W - outW) * 0.5f, sy = (H - outH) * 0.5f;
        const float ox = (sx - t * (k - 1) / 2.0f) / W, oy = (t * (k + 1) / 2.0f + sy) / H;
        const int address = fixed ? 3 : 4;
        return Ref::generate(outW, outH, [&](int x, int y) {
            const float u = (x + 0.5f) / W + ox;
            float v = (y + 0.5f) / H + oy;
            Pixel sum{0, 0, 0, 0};
            float weights = 0;
            for (int j = 0; j < k; ++j) {
                v -= float(t) / H;
                for (int i = 0; i < k; ++i) {
                    const float w = m.at(i, j)[3];
                    Ref::add(sum, Reference::sample(small.pixels, small.width, small.height, u + i * float(t) / W, v, true,
                                                    address, address, in.outside),
                             w);
                    weights += w;
                }
            }
            return weighted(sum, weights);
        }, in.outside);
    }
    Image lensBlur(const Image& in, int shape, int R, float light, bool fixed)
    {
        const float g = 1 + 0.15f * light;
        return Ref::compress(bokeh(Ref::expand(in, g), shape, R, fixed), 1 / g);
    }
};

TEST_F(BokehTest, LensBlurMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        int range, shape;
        double light;
        bool fixed;
        int samples; // kernel side
        float tolerance;
    } cases[] = {
        {2, 1, 32, false, 5, 2e-3f},
        {3, 6, 0, true, 7, 2e-3f},   // 星型, fixed: positions clamped
        {39, 1, 10, false, 79, 2e-3f}, // the largest full-resolution kernel
        {40, 1, 10, false, 41, 1.0f / 64}, // halved first: t 2, k 41, bilinear
        {40, 2, 10, true, 41, 1.0f / 64},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "range " << c.range << " shape " << c.shape << " fixed " << c.fixed);
        auto f = make<BokehFilter>();
        f->range.setValue(c.range, 0);
        f->light.setValue(c.light, 0);
        f->shape.value = c.shape;
        f->fixedSize.value = c.fixed;
        const Image got = filter(*f, in);
        EXPECT_EQ(got.width, c.fixed ? 17 : 17 + 2 * c.range);
        EXPECT_EQ(f->commonResource()->constants.block.sampleNum, c.samples);
        EXPECT_TRUE(near(got, lensBlur(in, c.shape, c.range, float(c.light), c.fixed), c.tolerance));
    }
}

TEST_F(BokehTest, AShapeOutsideTheListGivesTransparentBlack)
{
    // Not 0 / 0: nothing that is not a number reaches the blends after it.
    for (int range : {3, 45}) {
        auto f = make<BokehFilter>();
        f->range.setValue(range, 0);
        f->shape.value = 999;
        const Image got = filter(*f, fixture());
        for (const Pixel& p : got.pixels) {
            ASSERT_EQ(p[3], 0.0f) << "range " << range;
            for (int c = 0; c < 3; ++c)
                ASSERT_NEAR(p[c], 0.0f, 1e-3f) << "range " << range;
        }
    }
}

} // namespace
} // namespace FilterTest
