// The colour adjustment filters against processor references: 色調補正 at
// its defaults, with luminance and chroma 0 and unclamped; 単色化 both ways;
// 特定色域変換 (alpha kept, a black source colour, corrections and
// boundaries); グラデーション's shapes, unset colours and blend modes; and
// 拡張色設定 feeding the colour items of the effect in front of its run.
#include "effects/filters/colour/color_change_filter.h"
#include "effects/filters/colour/color_filter.h"
#include "effects/filters/colour/expanded_color_filter.h"
#include "effects/filters/colour/gradation_filter.h"
#include "tests/effects/filters/colour_reference.h"

#include <cmath>

namespace FilterTest {
namespace {

using namespace Effect;

class ColourFilterTest : public FilterFixture {
protected:
    // The fixture with a row of chosen colours: green, grey, half-transparent
    // green, black, a dark green, bright red and an empty pixel.
    static Image colourFixture()
    {
        Image image = fixture();
        const Pixel row[] = {{0, 1, 0, 1},          {0.5f, 0.5f, 0.5f, 1}, {0, 0.5f, 0, 0.5f}, {0, 0, 0, 1},
                             {0.02f, 0.1f, 0.02f, 1}, {1, 0.1f, 0.1f, 1}, {0, 0, 0, 0}};
        for (int i = 0; i < 7; ++i)
            image(3 + i, 5) = row[i];
        return stored(image);
    }
};

// ---- 色調補正 ----

TEST_F(ColourFilterTest, ColorAdjustMatchesTheReference)
{
    Image in = colourFixture();
    in(4, 3) = {1.5f, -0.25f, 0.5f, 1}; // out of range: clamped only with 飽和する
    in = stored(in);
    struct Case {
        double brightness, contrast, hue, luminance, chroma;
        bool saturate;
    } const cases[] = {
        {100, 100, 0, 100, 100, true}, // defaults: the picture clamped to 0..1
        {100, 100, 0, 0, 0, true},     // every visible pixel black
        {150, 100, 0, 0, 0, true},
        {100, 200, 0, 100, 100, false}, // values beyond 0..1 stay
        {80, 130, 90, 120, 60, true},
        {120, 70, -200, 100, 150, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.brightness << " " << c.contrast << " " << c.hue << " " << c.luminance
                                        << " " << c.chroma << " " << c.saturate);
        auto f = make<ColorFilter>();
        f->brightness.setValue(c.brightness, 0);
        f->contrast.setValue(c.contrast, 0);
        f->hue.setValue(c.hue, 0);
        f->luminance.setValue(c.luminance, 0);
        f->saturation.setValue(c.chroma, 0);
        f->saturate.value = c.saturate;
        const float contrast = float(c.contrast / 100);
        const float brightness = (float(c.brightness / 100) - 1.5f) * contrast + 0.5f;
        const float h = float(c.hue * 3.14159265358979323846 / 180), L = float(c.luminance / 100),
                    C = float(c.chroma / 100);
        const bool yuv = h != 0 || L != 1 || C != 1;
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            const Pixel p = in.at(x, y);
            if (p[3] < 0.001f)
                return p;
            std::array<float, 3> col{p[0] / p[3], p[1] / p[3], p[2] / p[3]};
            if (yuv) {
                const Ref::Yuv q = Ref::toYuv(col[0], col[1], col[2]);
                const float u = q[1] * std::cos(h) - q[2] * std::sin(h), v = q[1] * std::sin(h) + q[2] * std::cos(h);
                col = Ref::fromYuv({q[0] * L, u * C, v * C});
            }
            float a = p[3];
            for (float& v : col) {
                v = v * contrast + brightness;
                if (c.saturate)
                    v = std::clamp(v, 0.0f, 1.0f);
            }
            if (c.saturate)
                a = std::clamp(a, 0.0f, 1.0f);
            return Pixel{col[0] * a, col[1] * a, col[2] * a, a};
        });
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, want, 4e-3f));
        if (c.luminance == 0 && c.brightness == 100) {
            EXPECT_EQ(got.at(3, 5)[0], 0.0f);
            EXPECT_EQ(got.at(3, 5)[3], 1.0f);
        }
    }
}

// ---- 単色化 ----

TEST_F(ColourFilterTest, MonochromeMatchesTheReference)
{
    const Image in = colourFixture();
    for (bool keep : {true, false})
        for (double strength : {100.0, 40.0}) {
            SCOPED_TRACE(testing::Message() << "keep " << keep << " strength " << strength);
            auto f = make<MonochromeFilter>();
            f->keepLuminance.value = keep;
            f->strength.setValue(strength, 0);
            f->color.r = 200, f->color.g = 60, f->color.b = 20;
            const Ref::Yuv target = Ref::toYuv(200 / 255.0f, 60 / 255.0f, 20 / 255.0f);
            const float d = float(strength / 100), level[3] = {keep ? 0 : d, d, d};
            const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
                const Pixel p = in.at(x, y);
                Ref::Yuv q = Ref::toYuv(p);
                for (int i = 0; i < 3; ++i)
                    q[i] += (target[i] * p[3] - q[i]) * level[i];
                const auto c = Ref::fromYuv(q);
                return Pixel{c[0], c[1], c[2], p[3]};
            });
            const Image got = filter(*f, in);
            EXPECT_TRUE(near(got, want));
            if (!keep && strength == 100) { // every pixel the colour, times its alpha
                EXPECT_NEAR(got.at(4, 5)[0], 200 / 255.0f, 3e-3f);
            }
        }
}

// ---- 特定色域変換 ----

TEST_F(ColourFilterTest, ColorChangeMatchesTheReferenceAndKeepsAlpha)
{
    const Image in = colourFixture();
    struct Case {
        uint8_t before[3], after[3];
        double hue, saturation, boundary;
        bool correct;
    } const cases[] = {
        {{0, 255, 0}, {255, 0, 0}, 16, 96, 1, false},
        {{0, 255, 0}, {255, 0, 0}, 40, 160, 0, true},
        {{0, 255, 0}, {30, 60, 250}, 60, 200, 3, true},
        {{0, 0, 0}, {255, 255, 0}, 256, 256, 0, false}, // a black source colour: beforeY 0.001
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "before " << int(c.before[0]) << "," << int(c.before[1]) << ","
                                        << int(c.before[2]) << " boundary " << c.boundary << " correct "
                                        << c.correct);
        auto f = make<ColorChangeFilter>();
        f->before.r = c.before[0], f->before.g = c.before[1], f->before.b = c.before[2], f->before.none = false;
        f->after.r = c.after[0], f->after.g = c.after[1], f->after.b = c.after[2], f->after.none = false;
        f->hueRange.setValue(c.hue, 0);
        f->saturationRange.setValue(c.saturation, 0);
        f->boundary.setValue(c.boundary, 0);
        f->colorCorrection.value = c.correct;
        const float key[3] = {c.before[0] / 255.0f, c.before[1] / 255.0f, c.before[2] / 255.0f};
        const int b = int(c.boundary);
        const Ref::KeyBlock k = Ref::keyBlock(key, float(c.hue), float(c.saturation), b, false, false);
        const Image map = Ref::keyMap(in, k);
        const Ref::Yuv from = Ref::toYuv(key[0], key[1], key[2]);
        const Ref::Yuv to = Ref::toYuv(c.after[0] / 255.0f, c.after[1] / 255.0f, c.after[2] / 255.0f);
        const float beforeY = std::max(from[0], 0.001f);
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            const Pixel p = in.at(x, y), m = map.at(x, y);
            if (p[3] < 0.001f)
                return Pixel{0, 0, 0, 0};
            const float Y = Reference::lum(Ref::unpremultiplied(p));
            const float w = b < 1 ? m[3] : m[3] < 0.001f ? 0 : Ref::boundaryFactor(map, x, y, m[3], b, k.divie);
            const float kk = m[0] * (c.correct ? 1.0f : 0.0f);
            float u = m[1], v = m[2];
            if (kk > 0 && kk < 1) {
                u = std::clamp((m[1] - from[1]) / kk + from[1], -0.5f, 0.5f);
                v = std::clamp((m[2] - from[2]) / kk + from[2], -0.5f, 0.5f);
            }
            const float Y0 = Y * to[0] / std::max(Y, beforeY);
            const auto rgb = Ref::fromYuv({Y0 + w * (Y - Y0), to[1] + w * (u - to[1]), to[2] + w * (v - to[2])});
            // Held to the RGB cube.
            return Pixel{p[3] * Reference::sat(rgb[0]), p[3] * Reference::sat(rgb[1]), p[3] * Reference::sat(rgb[2]), p[3]};
        });
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, want, 4e-3f));
        for (int y = 0; y < in.height; ++y)
            for (int x = 0; x < in.width; ++x)
                ASSERT_EQ(got.at(x, y)[3], in.at(x, y)[3]) << x << "," << y;
    }
    // Either colour unset: the picture passes on.
    auto f = make<ColorChangeFilter>();
    f->before.none = false;
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw);
}

// ---- グラデーション ----

TEST_F(ColourFilterTest, GradationMatchesTheReference)
{
    const Image in = colourFixture();
    struct Case {
        int shape, mode;
        double width, angle, cx, cy, strength;
        bool start, end; // colours set
    } const cases[] = {
        {0, 0, 8, 0, 0, 0, 100, true, true},
        {0, 0, 0, 30, 2, -1, 70, true, true},   // 幅 0: a hard line
        {1, 0, 6, 0, -3, 2, 100, true, true},
        {1, 0, 0, 0, 0, 0, 100, true, true},    // circle of radius 0
        {2, 0, 7, 20, 0, 0, 100, true, true},
        {2, 0, 0, 20, 0, 0, 100, true, true},
        {3, 0, 4, -45, 1, 1, 100, true, true},
        {0, 0, 8, 0, 0, 0, 100, true, false},   // fading the start colour out
        {0, 0, 8, 0, 0, 0, 100, false, false},  // nothing visible
        {0, 1, 8, 60, 0, 0, 80, true, true},    // 加算
        {1, 3, 6, 0, 0, 0, 100, true, true},    // 乗算
        {2, 12, 6, 0, 0, 0, 60, true, false},   // 差分
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "shape " << c.shape << " mode " << c.mode << " width " << c.width
                                        << " colours " << c.start << c.end);
        auto f = make<GradationFilter>();
        f->shape.value = c.shape;
        f->blendMode.value = c.mode;
        f->width.setValue(c.width, 0);
        f->angle.setValue(c.angle, 0);
        f->centerX.setValue(c.cx, 0);
        f->centerY.setValue(c.cy, 0);
        f->strength.setValue(c.strength, 0);
        f->startColor.r = 255, f->startColor.g = 200, f->startColor.b = 0, f->startColor.none = !c.start;
        f->endColor.r = 0, f->endColor.g = 40, f->endColor.b = 255, f->endColor.none = !c.end;
        const Pixel col0 = c.start ? Pixel{1, 200 / 255.0f, 0, 1} : Pixel{0, 0, 0, 0};
        const Pixel col1 = c.end ? Pixel{0, 40 / 255.0f, 1, 1} : Pixel{0, 0, 0, 0};
        const float theta = float(c.angle * 3.14159265358979323846 / 180);
        const float dx = std::sin(theta), dy = -std::cos(theta);
        const float range = float(c.width) + (c.shape == 0 ? 1 : 0);
        auto smooth = [](float t) {
            t = Ref::safeSat(t);
            return t * t * (3 - 2 * t);
        };
        const Image gradient = Ref::generate(in.width, in.height, [&](int x, int y) {
            const float qx = x + 0.5f - (in.width / 2.0f + float(c.cx)), qy = y + 0.5f - (in.height / 2.0f + float(c.cy));
            const float d = qx * dx + qy * dy;
            float t = 0;
            switch (c.shape) {
            case 0: t = 1 - smooth((d + range / 2) / range); break;
            case 1: t = smooth(std::hypot(qx, qy) / range); break;
            case 2: t = 1 - smooth((range - (std::fabs(d) + std::fabs(-dy * qx + dx * qy))) / range); break;
            case 3: t = 1 - smooth((range - std::fabs(d)) / range); break;
            }
            Pixel g;
            for (int i = 0; i < 4; ++i)
                g[i] = (col0[i] + t * (col1[i] - col0[i])) * in.at(x, y)[3];
            return g;
        });
        const float s = float(c.strength / 100);
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            const Pixel g = gradient.at(x, y), d = in.at(x, y);
            Pixel src;
            if (c.mode == 0) {
                src = Ref::scaled(g, s);
            } else {
                if (g[3] < 0.001f)
                    return d;
                src = Reference::blendMode(c.mode, g, d, s);
            }
            Pixel out;
            for (int i = 0; i < 4; ++i)
                out[i] = src[i] + d[i] * (1 - src[3]);
            return out;
        });
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_EQ(out.get(), raw); // in place
        EXPECT_TRUE(near(download(*out), want, 4e-3f));
        if (!c.start && !c.end) {
            EXPECT_TRUE(near(download(*out), in, 0));
        }
    }
}

// ---- 拡張色設定 ----

// An input effect with three colour items around a number.
class ThreeColours : public EffectBase {
public:
    ThreeColours() : EffectBase(L"三色", EffectType::Input, MediaType::Video, MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<ThreeColours>(); }
    EffectItemColor first{items, L"色1", 1, 2, 3};
    EffectItemNumber size{items, L"サイズ", 100, 0, 4000, 1};
    EffectItemColor second{items, L"色2", 4, 5, 6, EffectItemKind::ColorOrNone};
    EffectItemColor third{items, L"色3", 7, 8, 9};
};

class PlainOutput : public EffectBase {
public:
    PlainOutput() : EffectBase(L"出力", EffectType::Output, MediaType::Video, MediaType::Video, L"テスト") {}
    std::shared_ptr<EffectBase> create() override { return std::make_shared<PlainOutput>(); }
};

std::shared_ptr<ExpandedColorFilter> expanded(int r, int g, int b)
{
    auto e = std::make_shared<ExpandedColorFilter>();
    e->r.setValue(r, 0);
    e->g.setValue(g, 0);
    e->b.setValue(b, 0);
    return e;
}

using Bytes = std::array<uint8_t, 3>;

TEST_F(ColourFilterTest, ExpandedColourFeedsTheColourItemsInFrontOfItsRun)
{
    // Registering 拡張色設定 installed the colour items' hook.
    ASSERT_TRUE(EffectItemColor::extendedColor);
    auto input = std::make_shared<ThreeColours>();
    auto gradation = make<GradationFilter>();
    gradation->startColor.r = 11, gradation->endColor.r = 22;
    object->effects = {input, std::make_shared<PlainOutput>(), expanded(100, 110, 120), expanded(130, 140, 150),
                       gradation, expanded(200, 210, 220), expanded(230, 240, 250)};
    render = EffectTest::renderAt(object, 0);

    // The input's run starts after the output stored second: two of three items.
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, input->first), (Bytes{100, 110, 120}));
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, input->second), (Bytes{130, 140, 150}));
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, input->third), (Bytes{7, 8, 9})); // the run is short
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, gradation->startColor), (Bytes{200, 210, 220}));
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, gradation->endColor), (Bytes{230, 240, 250}));

    // getColor asks only when the render object carries the flag.
    EXPECT_FLOAT_EQ(input->first.getColor(render).r, 1 / 255.0f);
    render.extendedColor = true;
    EXPECT_FLOAT_EQ(input->first.getColor(render).r, 100 / 255.0f);

    // An item of no effect of the object keeps its own colour; so does one
    // whose effect is not followed by the run.
    ThreeColours stranger;
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, stranger.second), (Bytes{4, 5, 6}));
    object->effects = {input, std::make_shared<PlainOutput>(), gradation, expanded(1, 2, 3)};
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, input->first), (Bytes{1, 2, 3}));

    // Values are rounded at the frame: 拡張色設定 itself leaves the picture alone.
    auto run = expanded(0, 0, 0);
    run->r.setValue(254.6, 0);
    object->effects = {input, std::make_shared<PlainOutput>(), run};
    EXPECT_EQ(ExpandedColorFilter::getItemColor(render, input->first)[0], 255);
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(run->filterVideo(render, std::move(image)).get(), raw);
}

} // namespace
} // namespace FilterTest
