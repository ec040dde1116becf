// The light filters through their passes against processor references: グロー
// in every shape, 発光's layers, 閃光 on the radial core's light, 拡散光 and
// ライト's inner and outer light.
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/light/bloom_filter.h"
#include "effects/filters/light/diffusion_filter.h"
#include "effects/filters/light/flash_filter.h"
#include "effects/filters/light/glow_filter.h"
#include "effects/filters/light/light_filter.h"
#include "tests/effects/filters/compose_reference.h"

namespace FilterTest {
namespace {

using namespace Effect;

class LightFilterTest : public FilterFixture {};

constexpr double Pi = 3.14159265358979323846;

// ---- グロー ----

// One streak of the light added onto the canvas (both centred).
Image streak(const Image& canvas, const Image& light, float length, float ratio, float angle)
{
    if (!(length > 0))
        return canvas;
    const int n = std::max(5, int(std::ceil(std::min(std::hypot(float(light.width), float(light.height)), length))));
    const float theta = static_cast<float>(angle * Pi / 180.0);
    const float sx = -std::sin(theta) * length / n, sy = std::cos(theta) * length / n;
    const float ox = (light.width - canvas.width) * 0.5f, oy = (light.height - canvas.height) * 0.5f;
    return Ref::generate(canvas.width, canvas.height, [&](int x, int y) {
        const float px = x + 0.5f + ox, py = y + 0.5f + oy;
        Pixel sum{0, 0, 0, 0};
        float weights = 0;
        for (int i = 0; i < n; ++i) {
            const float t = Reference::sat(float(n - i) / n), w = t * t * (3 - 2 * t);
            Ref::add(sum, light.at(int(px + sx * i), int(py + sy * i)), w);
            weights += w;
            if (i > 0) {
                Ref::add(sum, light.at(int(px - sx * (i * ratio)), int(py - sy * (i * ratio))), w);
                weights += w;
            }
        }
        return Ref::addOver(Ref::scaled(sum, 1 / weights), canvas.at(x, y));
    });
}

struct GlowCase {
    int shape;
    double spread, ratio, angle, threshold, blur;
    float gain;
    bool fixed, lightOnly, tinted;
};

Image glow(const Image& in, const GlowCase& c)
{
    const Pixel tint{1, 128 / 255.0f, 64 / 255.0f, 1};
    const Image light = Ref::extractLight(in, float(c.threshold * 0.01), c.gain, c.tinted ? &tint : nullptr);
    const int o = int(c.spread), W = in.width, H = in.height;
    Image canvas = c.fixed ? blank(W, H) : blank(W + 2 * o, H + 2 * o);
    const float D = float(o), F = float(c.ratio * 0.01), G = F * D, a0 = float(c.angle);
    auto addCentred = [&](const Image& layer) {
        canvas = Ref::copyOffset(canvas, layer, (layer.width - canvas.width) / 2, (layer.height - canvas.height) / 2,
                                 Ref::addOver);
    };
    switch (c.shape) {
    case 0: {
        const Image b1 = Ref::blurImage(light, o / 2, 0, 0);
        addCentred(b1);
        addCentred(Ref::boxBlur(b1, o - o / 2));
        break;
    }
    case 1:
        canvas = streak(canvas, light, D, 1, a0);
        canvas = streak(canvas, light, G, 1, a0 + 90);
        break;
    case 2:
        for (float a : {a0, a0 + 120, a0 - 120})
            canvas = streak(canvas, light, D, F, a);
        break;
    case 3:
        for (int i = 0; i < 4; ++i)
            canvas = streak(canvas, light, i % 2 ? G : D, 1, a0 + (i == 3 ? -45.0f : 45.0f * i));
        break;
    case 4:
        for (int i = 0; i < 5; ++i)
            canvas = streak(canvas, light, D, F, a0 + 72.0f * i);
        break;
    case 5:
        for (int i = 0; i < 6; ++i)
            canvas = streak(canvas, light, i % 2 ? G : D, 1, a0 + 30.0f * i);
        break;
    case 6: canvas = streak(canvas, light, G, 1, a0 + 90); break;
    }
    if (c.blur > 0)
        canvas = Ref::boxBlur(canvas, int(c.blur));
    if (!c.lightOnly)
        canvas = Ref::copyOffset(canvas, in, (W - canvas.width) / 2, (H - canvas.height) / 2, Ref::addBehind);
    return canvas;
}

TEST_F(LightFilterTest, GlowMatchesTheReference)
{
    const Image in = fixture();
    const GlowCase cases[] = {
        // shape, spread, ratio, angle, threshold, blur, gain, fixed, light only, tinted
        {1, 50, 100, 25, 80, 1, 12.8f, false, false, false}, // the defaults
        {1, 0, 100, 25, 30, 1, 12.8f, false, false, false},  // no streak: the input on a canvas 2 larger
        {0, 0, 100, 25, 30, 0, 51.2f, false, false, false},  // "通常": the light added twice, unblurred
        {0, 6, 100, 25, 30, 2, 51.2f, false, false, true},   // "通常" gain 40 x 0.01 x 32 x 4
        {1, 8, 60, 10, 30, 1, 12.8f, true, false, false},    // サイズ固定 with ぼかし 1: still 2 larger
        {2, 7, 50, -30, 30, 0, 12.8f, false, true, false},
        {3, 6, 40, 0, 30, 0, 12.8f, false, false, true},
        {4, 5, 70, 15, 30, 1, 12.8f, true, true, false},
        {5, 6, 30, 5, 30, 0, 12.8f, false, false, false},
        {6, 9, 80, 0, 30, 0, 12.8f, false, true, false},
    };
    for (const GlowCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "shape " << c.shape << " spread " << c.spread << " fixed " << c.fixed);
        auto f = make<GlowFilter>();
        f->shape.value = c.shape;
        f->spread.setValue(c.spread, 0);
        f->ratio.setValue(c.ratio, 0);
        f->angle.setValue(c.angle, 0);
        f->threshold.setValue(c.threshold, 0);
        f->blur.setValue(c.blur, 0);
        f->fixedSize.value = c.fixed;
        f->lightOnly.value = c.lightOnly;
        if (c.tinted) {
            f->colour.none = false;
            f->colour.r = 255, f->colour.g = 128, f->colour.b = 64;
        }
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, glow(in, c), 1e-2f));
        if (c.spread == 0 && c.shape != 0) {
            EXPECT_TRUE(near(got, Ref::canvas(in, in.width + 2, in.height + 2, 1, 1), 0));
        }
    }
}

// ---- 発光 ----

TEST_F(LightFilterTest, BloomGainAndRadii)
{
    EXPECT_FLOAT_EQ(BloomFilter::gain(2), 5);
    EXPECT_FLOAT_EQ(BloomFilter::gain(1), 1.25f);
    EXPECT_FLOAT_EQ(BloomFilter::gain(0.5f), 0.625f);
    EXPECT_EQ(BloomFilter::radii(10, 0), (std::array<int, 4>{10, 5, 2, 1}));
    EXPECT_EQ(BloomFilter::radii(12, 30), (std::array<int, 4>{12, 9, 7, 5}));
}

TEST_F(LightFilterTest, BloomMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double strength, spread, speed;
        bool fixed, tinted;
        float gain;
    } cases[] = {
        {200, 10, 0, false, false, 5},  // radii 10, 5, 2, 1
        {100, 12, 30, true, true, 1.25f},
        {60, 10, 60, false, false, 0.75f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " spread " << c.spread);
        auto f = make<BloomFilter>();
        f->strength.setValue(c.strength, 0);
        f->spread.setValue(c.spread, 0);
        f->speed.setValue(c.speed, 0);
        f->threshold.setValue(30, 0);
        f->fixedSize.value = c.fixed;
        const Pixel tint{1, 1, 0, 1};
        if (c.tinted) {
            f->colour.none = false;
            f->colour.r = 255, f->colour.g = 255, f->colour.b = 0;
        }
        const Image light = Ref::extractLight(in, 0.3f, c.gain, c.tinted ? &tint : nullptr);
        const int L = int(c.spread);
        Image want = c.fixed ? in : Ref::canvas(in, in.width + 2 * L, in.height + 2 * L, L, L);
        for (int r : BloomFilter::radii(L, int(c.speed))) {
            const Image b = Ref::blurImage(light, r, 0, c.fixed ? 1 : 0);
            want = Ref::copyOffset(want, b, (b.width - want.width) / 2, (b.height - want.height) / 2, Ref::addOver);
        }
        EXPECT_TRUE(near(filter(*f, in), want, 5e-3f));
    }
}

// ---- 閃光 ----

TEST_F(LightFilterTest, FlashComposesTheRadialLight)
{
    const Image in = fixture();
    const struct {
        double strength, x, y;
        int mode;
        bool fixed, tinted;
    } cases[] = {
        {100, 0, 0, FlashFilter::Front, false, false}, // no scaling draw at 100
        {40, 0, 0, FlashFilter::Back, false, true},
        {70, 5, -3, FlashFilter::LightOnly, false, true}, // the coloured light alone; the centre moves
        {50, -4, 2, FlashFilter::Front, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " mode " << c.mode);
        auto f = make<FlashFilter>();
        f->strength.setValue(c.strength, 0);
        f->x.setValue(c.x, 0);
        f->y.setValue(c.y, 0);
        f->mode.value = c.mode;
        f->fixedSize.value = c.fixed;
        if (c.tinted) {
            f->colour.none = false;
            f->colour.r = 0, f->colour.g = 255, f->colour.b = 255;
        }
        // The light as the tested radial core makes it, with the centre it moves.
        float cx = 0, cy = 0;
        auto source = upload(in);
        Image want = download(*core<BlurFilter>().radialBlur(*source, cx, cy, FlashFilter::Zoom, float(c.x),
                                                              float(c.y), c.fixed));
        const int ox = int(std::lround((in.width - want.width) * 0.5f - cx));
        const int oy = int(std::lround((in.height - want.height) * 0.5f - cy));
        if (c.tinted)
            want = Ref::fill(want, {0, 1, 1, 1}, Ref::colourise);
        if (c.strength < 100)
            want = Ref::fill(want, {0, 0, 0, float(c.strength * 0.01)}, Ref::scaleBy);
        if (c.mode != FlashFilter::LightOnly)
            want = Ref::copyOffset(want, in, ox, oy, c.mode == FlashFilter::Front ? Ref::addBehind : Ref::over);

        render.drawState = {};
        EXPECT_TRUE(near(filter(*f, in), want, 4e-3f));
        EXPECT_FLOAT_EQ(render.drawState.cx, cx);
        EXPECT_FLOAT_EQ(render.drawState.cy, cy);
        if (c.x == 0 && c.y == 0 && !c.fixed) {
            EXPECT_EQ(cx, 0); // even growth: the centre stays
        }
        if (c.x != 0 && !c.fixed) {
            EXPECT_NE(cx, 0);
        }
    }
}

// ---- 拡散光 ----

TEST_F(LightFilterTest, DiffusionMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double strength, spread;
        bool fixed;
    } cases[] = {
        {50, 0, false}, // no blur: the picture over itself scaled by the strength
        {50, 4, false},
        {100, 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " spread " << c.spread);
        auto f = make<DiffusionFilter>();
        f->strength.setValue(c.strength, 0);
        f->spread.setValue(c.spread, 0);
        f->fixedSize.value = c.fixed;
        const Image blurred = Ref::blurImage(in, int(c.spread), 0, c.fixed ? 1 : 0);
        const int dx = (in.width - blurred.width) / 2, dy = (in.height - blurred.height) / 2;
        const Image canvas = Ref::canvas(in, blurred.width, blurred.height, -dx, -dy);
        const float level = float(c.strength * 0.01);
        const Image want = Ref::generate(canvas.width, canvas.height, [&](int x, int y) {
            const Pixel b = blurred.at(x, y), s = in.at(x + dx, y + dy);
            const Pixel light{std::max(b[0], s[0] * b[3]), std::max(b[1], s[1] * b[3]), std::max(b[2], s[2] * b[3]),
                              b[3]};
            return Ref::over(Ref::scaled(light, level), canvas.at(x, y));
        });
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, want));
        if (c.spread == 0) {
            EXPECT_EQ(got.width, in.width);
            EXPECT_TRUE(near(got, Ref::generate(in.width, in.height, [&](int x, int y) {
                                 return Ref::over(Ref::scaled(in.at(x, y), level), in.at(x, y));
                             })));
        }
    }
}

// ---- ライト ----

Image light(Image in, float strength, int f, float ratio, bool back, const Pixel& colour)
{
    float inner = strength, outer = strength;
    if (ratio > 0)
        inner = (1 - ratio) * strength;
    else if (ratio < 0)
        outer = (1 + ratio) * strength;
    const float window = float(2 * f + 1);
    const int W = in.width, H = in.height;
    auto alphaColumn = [&](const Image& src, int w, int h, int first, bool inverse) {
        return Ref::generate(w, h, [&](int x, int y) {
            float sum = 0;
            for (int j = 0; j <= 2 * f; ++j) {
                const float a = src.at(x, y - first + j)[3];
                sum += inverse ? 1 - a : a;
            }
            return Ref::scaled(colour, (1 / window) * sum);
        });
    };
    auto row = [&](const Image& src, int w, int h, int first, float divive) {
        return Ref::generate(w, h, [&](int x, int y) {
            Pixel sum{0, 0, 0, 0};
            for (int i = 0; i <= 2 * f; ++i)
                Ref::add(sum, src.at(x - first + i, y));
            return Ref::scaled(sum, divive);
        });
    };
    if (inner > 0) {
        const Image column = alphaColumn(in, W, H, f, back);
        const Image h = row(column, W, H, f, (back ? inner : inner * 0.5f) / window);
        in = Ref::copyOffset(in, h, 0, 0, Ref::addInside);
    }
    if (outer > 0) {
        const Image column = alphaColumn(in, W, H + 2 * f, 2 * f, false);
        const Image halo = row(column, W + 2 * f, H + 2 * f, 2 * f, outer / window);
        return Ref::copyOffset(halo, in, -f, -f, Ref::over);
    }
    return in;
}

TEST_F(LightFilterTest, LightMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double strength, spread, ratio;
        bool back;
        uint8_t r, g, b;
        int width, height;
    } cases[] = {
        {100, 25, 0, false, 255, 255, 255, 67, 61}, // the defaults: both lights
        {100, 6, 100, false, 255, 255, 255, 29, 23}, // no inner light
        {150, 6, -100, false, 255, 0, 0, 17, 11},    // no outer light: the size kept
        {80, 0, 0, false, 0, 255, 0, 17, 11},        // a one-pixel window
        {120, 4, 30, true, 255, 255, 0, 25, 19},     // 逆光
        {200, 3, -40, true, 0, 0, 255, 23, 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " spread " << c.spread << " ratio " << c.ratio);
        auto f = make<LightFilter>();
        f->strength.setValue(c.strength, 0);
        f->spread.setValue(c.spread, 0);
        f->ratio.setValue(c.ratio, 0);
        f->backLight.value = c.back;
        f->colour.r = c.r, f->colour.g = c.g, f->colour.b = c.b;
        const Pixel colour{c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1};
        const Image got = filter(*f, in);
        EXPECT_EQ(got.width, c.width);
        EXPECT_EQ(got.height, c.height);
        EXPECT_TRUE(near(got, light(in, float(c.strength * 0.01), int(c.spread), float(c.ratio * 0.01), c.back,
                                    colour)));
    }
    // Neither light (strength 0): the picture itself.
    auto none = make<LightFilter>();
    none->strength.setValue(0, 0);
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(none->filterVideo(render, std::move(image)).get(), raw);
}

} // namespace
} // namespace FilterTest
