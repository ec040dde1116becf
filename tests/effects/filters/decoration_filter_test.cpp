// The decoration filters against processor references: 縁取り at full and at
// reduced resolution, in its colour or a pattern image read through the image
// cache, ドロップシャドウ inside the picture and as an object of its own, and
// 凸エッジ.
#include "core/text.h"
#include "effects/filters/decoration/decoration_filters.h"
#include "io/input/input_service.h"
#include "render/cache/cache_service.h"
#include "tests/support/test_support.h"
#include "tests/effects/filters/compose_reference.h"
#include "tests/effects/filters/output_recorder.h"

namespace FilterTest {
namespace {

using namespace Effect;

class DecorationFilterTest : public FilterFixture {};

// ---- 縁取り ----

// A bilinear sample at normalised (u, v), transparent outside.
Pixel sampleBorder(const Image& in, float u, float v)
{
    const float x = u * in.width - 0.5f, y = v * in.height - 0.5f;
    const int x0 = int(std::floor(x)), y0 = int(std::floor(y));
    const float fx = x - x0, fy = y - y0;
    Pixel out{0, 0, 0, 0};
    Ref::add(out, in.at(x0, y0), (1 - fx) * (1 - fy));
    Ref::add(out, in.at(x0 + 1, y0), fx * (1 - fy));
    Ref::add(out, in.at(x0, y0 + 1), (1 - fx) * fy);
    Ref::add(out, in.at(x0 + 1, y0 + 1), fx * fy);
    return out;
}

// t x t means, edge pixels repeated past the edge.
Image shrink(const Image& in, int t)
{
    const Image rows = Ref::generate(in.width, (in.height + t - 1) / t, [&](int x, int y) {
        Pixel sum{0, 0, 0, 0};
        for (int k = 0; k < t; ++k)
            Ref::add(sum, in.at(x, std::min(y * t + k, in.height - 1)));
        return Ref::scaled(sum, 1.0f / t);
    });
    return Ref::generate((in.width + t - 1) / t, rows.height, [&](int x, int y) {
        Pixel sum{0, 0, 0, 0};
        for (int k = 0; k < t; ++k)
            Ref::add(sum, rows.at(std::min(x * t + k, in.width - 1), y));
        return Ref::scaled(sum, 1.0f / t);
    });
}

// The border in a colour or, when a pattern is given, in the pattern tiled
// from the canvas's top-left corner.
Image border(const Image& in, int e, int b, const Pixel& colour, const Image* pattern = nullptr)
{
    const int W = in.width, H = in.height;
    const bool full = e <= BorderFilter::MaxFullSize;
    const int t = e / BorderFilter::MaxFullSize + 1;
    const int r = full ? e : (e + t) / t;
    const float inverse = 1.0f / r, limit = (float(b * r) / 100 + 1) * (float(b * r) / 100 + 1);
    const Image reduced = full ? in : shrink(in, t);
    const float stepX = float(2 * (t - 1) + e) / (float(W) * r), stepY = float(2 * (t - 1) + e) / (float(H) * r);
    const Image out = Ref::generate(W + 2 * e, H + 2 * e, [&](int x, int y) {
        const float px = x + 0.5f, py = y + 0.5f;
        float coverage = 0;
        for (int j = -r; j <= r; ++j)
            for (int i = -r; i < r; ++i) {
                const float w = 1 - std::min(std::sqrt(float(i * i + j * j)) * inverse, 1.0f);
                float a;
                if (full) {
                    a = in.at(int(px - e) + i, int(py - e) + j)[3];
                } else {
                    const float u = px / W + (-float(e) / W - r * stepX) + (i + r) * stepX;
                    const float v = py / H + (-float(e) / H - r * stepY) + (j + r) * stepY;
                    a = sampleBorder(reduced, u, v)[3];
                }
                coverage += a * w;
            }
        const float s = Reference::sat(coverage / limit);
        const Pixel paint = pattern ? pattern->at(x % pattern->width, y % pattern->height) : colour;
        return Ref::scaled(paint, s * s * (3 - 2 * s));
    });
    return Ref::copyOffset(out, in, -e, -e, Ref::over);
}

TEST_F(DecorationFilterTest, BorderMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double size, blur;
        uint8_t r, g, b;
        float tolerance;
    } cases[] = {
        {5, 5, 255, 255, 255, 2e-3f}, // the defaults
        {3, 0, 255, 0, 128, 2e-3f},   // limit 1: a weighted sum of 1 is fully opaque
        {40, 10, 0, 255, 0, 2e-3f},   // the largest full-resolution kernel
        {41, 5, 0, 0, 255, 1e-2f},    // reduced by 2, r = 21, sampled through the device's filtering
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " blur " << c.blur);
        auto f = make<BorderFilter>();
        f->size.setValue(c.size, 0);
        f->blur.setValue(c.blur, 0);
        f->colour.r = c.r, f->colour.g = c.g, f->colour.b = c.b;
        const Pixel colour{c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1};
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, border(in, int(c.size), int(c.blur), colour), c.tolerance));
        if (c.size == 41) {
            EXPECT_EQ(f->commonResource()->constants.block.range, 21);
        }
    }
    // サイズ 0: the picture itself, no canvas growth.
    auto none = make<BorderFilter>();
    none->size.setValue(0, 0);
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(none->filterVideo(render, std::move(image)).get(), raw);
}

// 縁取り with a pattern image: the image cache reads the file through the
// input service, as the program does.
class BorderPatternTest : public DecorationFilterTest {
protected:
    void SetUp() override
    {
        DecorationFilterTest::SetUp();
        services.acquire<Plugin::InputService>();
        services.acquire<Cache::CacheService>();
    }
};

TEST_F(BorderPatternTest, PatternFromTheImageCacheMatchesTheReference)
{
    // 5 x 3 straight-alpha texels, written as a PNG by ImageMagick; the
    // filter must premultiply them on upload.
    const uint8_t texels[3][5][4] = {
        {{255, 0, 0, 255}, {0, 255, 0, 128}, {0, 0, 255, 0}, {255, 255, 0, 64}, {200, 100, 50, 255}},
        {{10, 20, 30, 200}, {255, 255, 255, 255}, {90, 0, 180, 30}, {0, 128, 255, 255}, {60, 60, 60, 100}},
        {{255, 128, 0, 160}, {5, 250, 5, 255}, {128, 128, 128, 0}, {255, 0, 255, 220}, {0, 0, 0, 255}},
    };
    const std::string folder = TestKit::tempDir();
    const std::string raw = folder + "/pattern.rgba", png = folder + "/pattern.png";
    TestKit::writeFile(raw, std::string(reinterpret_cast<const char*>(texels), sizeof texels));
    ASSERT_EQ(TestKit::runCommand("convert -size 5x3 -depth 8 'rgba:" + raw + "' 'PNG32:" + png + "'"), 0);
    Image pattern = blank(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const float a = texels[y][x][3] / 255.0f;
            pattern(x, y) = {texels[y][x][0] / 255.0f * a, texels[y][x][1] / 255.0f * a, texels[y][x][2] / 255.0f * a, a};
        }
    pattern = stored(pattern);

    const Image in = fixture();
    const Pixel red{1, 0, 0, 1};
    const struct {
        double size, blur;
        std::string file;
        bool patterned;
        float tolerance;
    } cases[] = {
        {5, 5, png, true, 2e-3f},           // full resolution, the colour unused
        {12, 0, png, true, 2e-3f},          // a canvas no whole number of tiles wide
        {41, 5, png, true, 1e-2f},          // reduced by 2
        {5, 5, folder + "/none.png", false, 2e-3f}, // nothing from the cache: the colour
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " " << c.file);
        auto f = make<BorderFilter>();
        f->size.setValue(c.size, 0);
        f->blur.setValue(c.blur, 0);
        f->colour.r = 255, f->colour.g = 0, f->colour.b = 0;
        f->pattern.path = System::fromLocalPath(c.file);
        f->preInputVideo(render);
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, border(in, int(c.size), int(c.blur), red, c.patterned ? &pattern : nullptr),
                         c.tolerance));
    }
}

// ---- ドロップシャドウ ----

Image shadowOf(const Image& in, float k, const Pixel& colour, int c)
{
    const Image shadow = Ref::fill(in, Ref::scaled(colour, k), Ref::colourise);
    return c > 0 ? Ref::blurImage(shadow, c, 0, 0) : shadow;
}

TEST_F(DecorationFilterTest, DropShadowPlacesThePictureAndMovesTheCentre)
{
    const Image in = fixture();
    const struct {
        double x, y, density, spread;
        uint8_t r, g, b;
        int width, height, left, top;
    } cases[] = {
        {-40, 24, 40, 10, 0, 0, 0, 17 + 60, 11 + 44, 50, 10}, // the defaults
        {7, -5, 80, 0, 255, 0, 0, 17 + 7, 11 + 5, 0, 5},
        {3, 4, 100, 2, 0, 0, 255, 17 + 4 + 3, 11 + 4 + 4, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "x " << c.x << " y " << c.y << " spread " << c.spread);
        auto f = make<DropShadowFilter>();
        f->x.setValue(c.x, 0);
        f->y.setValue(c.y, 0);
        f->density.setValue(c.density, 0);
        f->spread.setValue(c.spread, 0);
        f->colour.r = c.r, f->colour.g = c.g, f->colour.b = c.b;
        const int dx = int(c.x), dy = int(c.y), s = int(c.spread);
        const Image shadow = shadowOf(in, float(c.density * 0.01), {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, 1}, s);
        Image want = blank(shadow.width + std::abs(dx), shadow.height + std::abs(dy));
        int ox = dx < 0 ? 0 : -dx, oy = dy < 0 ? 0 : -dy;
        want = Ref::copyOffset(want, shadow, ox, oy, Ref::replace);
        want = Ref::copyOffset(want, in, ox + dx - s, oy + dy - s, Ref::over);

        render.drawState = {};
        const Image got = filter(*f, in);
        EXPECT_EQ(got.width, c.width);
        EXPECT_EQ(got.height, c.height);
        EXPECT_TRUE(near(got, want));
        // The opaque picture lands at (left, top), untouched by its shadow.
        EXPECT_TRUE(near(Image{1, 1, {got.at(c.left + 5, c.top + 5)}}, Image{1, 1, {in.at(5, 5)}}));
        EXPECT_FLOAT_EQ(render.drawState.cx, -float(dx) / 2);
        EXPECT_FLOAT_EQ(render.drawState.cy, -float(dy) / 2);
    }
}

TEST_F(DecorationFilterTest, DropShadowAsASeparateObject)
{
    const Image in = fixture();
    auto f = make<DropShadowFilter>();
    f->separate.value = true;
    Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
    auto recorder = chainWithRecorder(render, *object, target, {f}, [this](const Media::ResourceBuffer& b) {
        return download(b);
    });
    render.drawState.x = 100;
    render.drawState.y = -3;
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw); // the picture itself
    ASSERT_EQ(recorder->draws.size(), 1u);
    const OutputRecorder::Draw& draw = recorder->draws[0];
    EXPECT_FLOAT_EQ(draw.state.x, 60);
    EXPECT_FLOAT_EQ(draw.state.y, 21);
    EXPECT_TRUE(near(draw.picture, shadowOf(in, 0.4f, {0, 0, 0, 1}, 10)));
    EXPECT_FLOAT_EQ(render.drawState.x, 100); // put back
    EXPECT_FLOAT_EQ(render.drawState.y, -3);
    EXPECT_FLOAT_EQ(render.drawState.cx, 0);
}

// ---- 凸エッジ ----

Image bevel(const Image& in, int n, float height, double angle)
{
    const float a = static_cast<float>(angle * (-3.14159265358979323846 / 180.0));
    const float sx = std::sin(a), sy = std::cos(a), depth = static_cast<float>(height * 0.5 / n);
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        const Pixel c = in.at(x, y);
        if (c[3] < 0.001f)
            return c;
        const float px = x + 0.5f, py = y + 0.5f;
        float sum = 0;
        for (int i = 1; i <= n; ++i)
            sum += in.at(int(px + sx * i), int(py + sy * i))[3] - in.at(int(px - sx * i), int(py - sy * i))[3];
        Pixel out = c;
        for (int k = 0; k < 3; ++k)
            out[k] = Reference::sat(c[k] / c[3] + sum * depth) * c[3];
        return out;
    });
}

TEST_F(DecorationFilterTest, BevelMatchesTheReference)
{
    const struct {
        Image in;
        double width, height, angle;
        int n;
    } cases[] = {
        {fixture(), 4, 1, 45, 4},      // the defaults
        {fixture(), 9, 2.5, -120, 5},  // half the height
        {fixture(6, 100), 4, 1, 45, 3}, // half the width
        {fixture(), 2, 0.5, 200, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in.width << "x" << c.in.height << " width " << c.width);
        auto f = make<BevelFilter>();
        f->width.setValue(c.width, 0);
        f->height.setValue(c.height, 0);
        f->angle.setValue(c.angle, 0);
        const Image got = filter(*f, c.in);
        EXPECT_EQ(f->commonResource()->constants.block.sampleNum, c.n);
        EXPECT_TRUE(near(got, bevel(c.in, c.n, float(c.height), c.angle)));
        EXPECT_TRUE(near(Image{1, 1, {got.at(0, 0)}}, Image{1, 1, {c.in.at(0, 0)}}, 0)); // transparent: untouched
    }
    auto none = make<BevelFilter>();
    none->width.setValue(0, 0);
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(none->filterVideo(render, std::move(image)).get(), raw);
}

} // namespace
} // namespace FilterTest
