// The deformation filters against processor references: 波紋's index rules
// and amplitude ramps, ラスター's sizes, identity and random amplitudes,
// 極座標変換's disc, リサイズ's sizes, identity and both samplings, and the
// displacement map's three methods over placed maps, the pictures it passes
// on, and its method choice through an edit transaction.
#include "effects/filters/deform/deform_filters.h"
#include "effects/filters/deform/displacement_filter.h"
#include "media/lookup_texture.h"
#include "render/resource_cache.h"
#include "tests/effects/filters/filter_reference.h"
#include "tests/effects/filters/transaction_recorder.h"

#include <cmath>

namespace FilterTest {
namespace {

using namespace Effect;

// The mean over a footprint of f source pixels centred on (u, v), as the
// shared footprint averaging takes it; rows > 0 fixes the row count.
Pixel footprint(const Image& in, float u, float v, float fx, float fy, int rows, int modeU, int modeV)
{
    if (std::fabs(fx) < 1.05f && std::fabs(fy) < 1.05f)
        return Reference::sample(in.pixels, in.width, in.height, u, v, true, modeU, modeV);
    int nx = int(std::min(std::fabs(fx) * 0.5f + 1.5f, 16.0f)), ny = int(std::min(std::fabs(fy) * 0.5f + 1.5f, 16.0f));
    if (rows > 0)
        ny = rows;
    const float bx = fx / in.width, by = fy / in.height, sx = bx / nx, sy = by / ny;
    Pixel sum{0, 0, 0, 0};
    for (int y = 0; y < ny; ++y)
        for (int x = 0; x < nx; ++x)
            Ref::add(sum, Reference::sample(in.pixels, in.width, in.height, u - bx * 0.5f + (x + 0.5f) * sx,
                                            v - by * 0.5f + (y + 0.5f) * sy, true, modeU, modeV));
    return Ref::scaled(sum, 1.0f / float(nx * ny));
}

class DeformFilterTest : public FilterFixture {
protected:
    // The render object at a frame of the object (30 frames per second).
    void at(double frame) { render = EffectTest::renderAt(object, frame); }
};

// ---- 波紋 ----

struct RippleCase {
    double frame, width, height, speed, cx, cy;
    int count, interval, amplify;
};

Image ripple(const Image& in, const RippleCase& c)
{
    const float cx = in.width / 2.0f + float(c.cx), cy = in.height / 2.0f + float(c.cy);
    const float mx = float(1 / (2 * c.width)), my = float(c.height / 2);
    const float offset = float(c.frame / 30 * c.speed);
    const int interval = c.interval + 1, rippleNum = interval * c.count, amplifier = interval * c.amplify;
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        const Pixel own = in.at(x, y);
        const float px = x + 0.5f, py = y + 0.5f, qx = px - cx, qy = py - cy;
        const float r = std::hypot(qx, qy);
        if (r <= 0)
            return own;
        const float k = (offset - r) * mx;
        const int n = int(std::floor(k));
        if (rippleNum > 0 && (n < 0 || n >= rippleNum))
            return own;
        if (interval > 0 && std::abs(n) % interval != 0)
            return own;
        float s = (std::cos((k - float(n)) * 6.28318530718f) - 1) * my / r;
        if (amplifier > 0 && n < amplifier)
            s *= float(n) / float(amplifier);
        else if (amplifier < 0 && n < -amplifier)
            s *= float(n) / float(-amplifier) - 1;
        else if (amplifier < 0)
            s = 0;
        return Reference::sample(in.pixels, in.width, in.height, (px + qx * s) / in.width, (py + qy * s) / in.height,
                                 true, 4, 4);
    });
}

TEST_F(DeformFilterTest, RippleMatchesTheReference)
{
    const Image in = fixture(32, 24);
    const RippleCase cases[] = {
        {0, 3, 4, 150, 0, 0, 0, 0, 0},   // no limit: ripples everywhere at the first frame
        {0, 3, 4, 150, 0, 0, 1, 0, 0},   // limited: nothing yet at the first frame
        {5, 3, 4, 150, 0, 0, 2, 1, 0},   // ripples 0 and 2 drawn, 1 and 3 blank
        {5, 2.5, -6, 80, 3, -2, 0, 0, 3},
        {5, 2.5, 6, 80, 0, 0, 0, 0, -2},
        {7.5, 4, 3, -60, -5, 1, 5, 2, 0}, // a fractional frame, waves running inwards
    };
    for (const RippleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " count " << c.count << " interval " << c.interval
                                        << " amplify " << c.amplify);
        at(c.frame);
        auto f = make<RippleFilter>();
        f->width.setValue(c.width, 0);
        f->height.setValue(c.height, 0);
        f->speed.setValue(c.speed, 0);
        f->centerX.setValue(c.cx, 0);
        f->centerY.setValue(c.cy, 0);
        f->count.value = c.count;
        f->interval.value = c.interval;
        f->amplify.value = c.amplify;
        const Image want = ripple(in, c);
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, want, 4e-3f));
        if (c.count == 1 && c.frame == 0) {
            EXPECT_TRUE(near(got, in, 0));
        }
        if (c.count == 0 && c.frame == 0) {
            EXPECT_FALSE(near(got, in, 0.05f));
        }
    }
}

// ---- ラスター ----

struct RasterCase {
    double frame, amplitude, wavelength, period;
    bool vertical, random;
};

Image raster(const Image& in, const RasterCase& c)
{
    const int a = int(std::lround(c.amplitude)), lambda = int(std::lround(c.wavelength));
    const int t = c.vertical ? in.width : in.height;
    const float cycle = float(lambda * (t / lambda + 1) - t / 2.0 + c.frame / 30 * c.period * lambda);
    const float pi2 = float(2 * 3.14159265358979323846 / lambda), divide = 1.0f / float(lambda);
    static const std::vector<float> noise = Resource::createNoiseValues();
    auto amplitudeAt = [&](int cx, int cy) {
        return cx < 0 || cy < 0 || cx > 255 || cy > 255 ? 0.0f : noise[size_t(cy) * 256 + cx];
    };
    auto wave = [&](int j) {
        if (!c.random)
            return std::sin((float(j) + cycle) * pi2);
        const float args[3] = {float(j) + cycle, float(j) + cycle / 2, float(j) + cycle / 4};
        float sum = 0;
        for (int i = 0; i < 3; ++i)
            for (int hk = 0; hk < 3; ++hk) {
                const float h = float(1 << hk);
                const int d = int(std::trunc(h * args[i] * divide)) + 1 + 6 * i + hk;
                const int idx = d % 256; // the dividend's sign, as C++ gives it
                const int fixed = i == 0 ? 1 + hk : 7 + hk;
                const float amp = i == 0 ? amplitudeAt(idx, fixed) : i == 1 ? amplitudeAt(fixed, idx) : amplitudeAt(idx, idx);
                sum += float(16 >> (i + hk)) / 49.0f * amp * std::sin(h * args[i] * pi2);
            }
        return sum;
    };
    const int W = in.width + (c.vertical ? 0 : 2 * a), H = in.height + (c.vertical ? 2 * a : 0);
    return Ref::generate(W, H, [&](int x, int y) {
        const int along = c.vertical ? y : x, across = c.vertical ? x : y;
        const float w0 = wave(across - 1), w1 = wave(across + 1);
        const int from = int(std::trunc(std::min(w0, w1) * a + 0.5f)), to = int(std::trunc(std::max(w0, w1) * a + 0.5f));
        Pixel sum{0, 0, 0, 0};
        for (int k = from; k <= to; ++k)
            Ref::add(sum, c.vertical ? in.at(across, along - a + k) : in.at(along - a + k, across));
        return Ref::scaled(sum, 1.0f / float(to - from + 1));
    });
}

TEST_F(DeformFilterTest, RasterMatchesTheReference)
{
    const Image in = fixture(20, 16);
    const RasterCase cases[] = {
        {0, 10, 8, 1, false, false},   // 20 pixels wider
        {0, 10, 8, 1, true, false},    // 20 pixels taller
        {12, 3, 5, -2.5, false, false},
        {12, 4, 6, 1, false, true},    // random amplitudes
        {40, 4, 3, 0.7, true, true},
    };
    for (const RasterCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " amplitude " << c.amplitude << " wavelength "
                                        << c.wavelength << " vertical " << c.vertical << " random " << c.random);
        at(c.frame);
        auto f = make<RasterFilter>();
        f->amplitude.setValue(c.amplitude, 0);
        f->wavelength.setValue(c.wavelength, 0);
        f->period.setValue(c.period, 0);
        f->vertical.value = c.vertical;
        f->random.value = c.random;
        EXPECT_TRUE(near(filter(*f, in), raster(in, c)));
    }
    for (double amplitude : {0.0, 10.0}) {
        auto f = make<RasterFilter>();
        f->amplitude.setValue(amplitude, 0);
        f->wavelength.setValue(amplitude == 0 ? 100 : 0, 0);
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw);
    }
}

// ---- 極座標変換 ----

TEST_F(DeformFilterTest, PolarWrapsThePictureAroundADisc)
{
    {
        auto f = make<PolarFilter>();
        render.drawState.cx = 7, render.drawState.cy = -3;
        const Image out = filter(*f, fixture(100, 100));
        EXPECT_EQ(out.width, 128); // radius 200 / pi
        EXPECT_EQ(out.height, 128);
        EXPECT_EQ(render.drawState.cx, 0.0f);
        EXPECT_EQ(render.drawState.cy, 0.0f);
    }
    const Image in = fixture(24, 16);
    struct Case {
        double centerWidth, zoom, rotation, spiral;
    } const cases[] = {{0, 100, 0, 0}, {6, 150, 30, 0}, {0, 100, -90, 1.5}, {3, 300, 0, -0.4}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.centerWidth << " " << c.zoom << " " << c.rotation << " " << c.spiral);
        auto f = make<PolarFilter>();
        f->centerWidth.setValue(c.centerWidth, 0);
        f->zoom.setValue(c.zoom, 0);
        f->rotation.setValue(c.rotation, 0);
        f->spiral.setValue(c.spiral, 0);
        const double Pi = 3.14159265358979323846;
        const float e = float(c.centerWidth), R = float(c.zoom / 100 * (in.width + in.height) / Pi) + e;
        double rot = c.rotation;
        while (rot < 0)
            rot += 360;
        const float pix = float(rot * 2 * Pi / 360 + 3.5 * Pi), pia = float(c.spiral * 2 * Pi / (R - e));
        const float pio = std::min(std::fabs(pia * in.width * 2 * std::sqrt(2.0f) / float(2 * Pi)), float(in.width));
        const float kx = float(in.width / (2 * Pi)), ky = (in.height + e) / R;
        const int side = int(std::ceil(2 * R));
        const Image want = Ref::generate(side, side, [&](int x, int y) {
            const float qx = x + 0.5f - R, qy = y + 0.5f - R, r = std::hypot(qx, qy);
            const float theta = (qx == 0 && qy == 0) ? 0.0f : std::atan2(qy, qx);
            float u = (pia * (R - r) + pix - theta) * kx;
            u = (u / in.width - std::floor(u / in.width)) * in.width;
            const float v = r * ky - e;
            const float fx = kx / std::max(r, 1.0f) * 1.41421356f + pio;
            return footprint(in, u / in.width, v / in.height, fx, 1, 2, 2, 4);
        });
        EXPECT_TRUE(near(filter(*f, in), want, 1e-2f));
    }
}

// ---- リサイズ ----

TEST_F(DeformFilterTest, ResizeScalesToItsSizes)
{
    const Image in = fixture(20, 16);
    struct Case {
        double zoom, x, y;
        bool pixels, nearest;
        int width, height; // 0: no picture
    } const cases[] = {
        {50, 200, 100, false, false, 20, 8},
        {100, 320, 240, true, false, 320, 240},
        {300, 100, 100, false, false, 60, 48},
        {100, 100, 100, false, true, 20, 16},
        {25, 100, 50, false, false, 5, 2},
        {100, 40, 200, false, true, 8, 32}, // no sample on a texel edge
        {200, 100, 100, false, true, 40, 32},
        {0, 100, 100, false, false, 0, 0},
        {1, 100, 100, false, false, 0, 0}, // 0.2 x 0.16 pixels
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.zoom << " " << c.x << " " << c.y << " pixels " << c.pixels << " nearest "
                                        << c.nearest);
        auto f = make<ResizeFilter>();
        f->zoom.setValue(c.zoom, 0);
        f->x.setValue(c.x, 0);
        f->y.setValue(c.y, 0);
        f->pixels.value = c.pixels;
        f->nearest.value = c.nearest;
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        if (c.width == 0) {
            EXPECT_FALSE(out);
            continue;
        }
        ASSERT_TRUE(out);
        if (c.zoom == 100 && c.x == 100 && c.y == 100) {
            EXPECT_EQ(out.get(), raw);
            continue;
        }
        const float sx = float(c.width) / in.width, sy = float(c.height) / in.height;
        const float rx = c.pixels ? 1 / sx : float(100 / (c.zoom / 100 * c.x)), ry = c.pixels ? 1 / sy : float(100 / (c.zoom / 100 * c.y));
        const Image want = Ref::generate(c.width, c.height, [&](int x, int y) {
            if (c.nearest)
                return Reference::sample(in.pixels, in.width, in.height, (x + 0.5f) / c.width, (y + 0.5f) / c.height,
                                         false, 3, 3);
            return footprint(in, (x + 0.5f) * rx / in.width, (y + 0.5f) * ry / in.height, rx, ry, 0, 3, 3);
        });
        EXPECT_TRUE(near(download(*out), want, 4e-3f));
    }
}

// ---- ディスプレイスメントマップ ----

// A smooth picture (colour ramps, a half-transparent band at the bottom): a
// sampling point off by a fraction of a pixel changes a value only a little.
Image ramp(int width, int height)
{
    Image image = blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const float a = y >= height - 3 ? 0.5f : 1.0f;
            image(x, y) = {a * x / float(width - 1), a * y / float(height - 1),
                           a * (0.5f + 0.4f * std::sin(x * 0.3f + y * 0.2f)), a};
        }
    return stored(image);
}

struct DisplacementCase {
    int method;
    double a, b; // 変形X and 変形Y, 拡大変形 and 拡大縦横, or 回転変形
    double rotation, size, aspect, x, y, blur;
    bool fit;
};

// The filter's output from the formulas: the map placed as マスク places it,
// read at the four corners of each pixel's footprint, and the picture
// averaged over the displaced box.
Image displaced(const Image& in, const Image& map, const DisplacementCase& c)
{
    const Image m = Ref::blurImage(map, int(std::lround(c.blur)), 0, 0);
    const float v = float(c.size) / float(std::max(map.width, map.height)), d = float(c.aspect * 0.01);
    float w = float(m.width) * v, h = float(m.height) * v;
    if (c.fit) {
        w = float(in.width), h = float(in.height);
    } else {
        w *= d > 0 ? 1 - d : 1;
        h *= d < 0 ? 1 + d : 1;
    }
    const float iw = 1 / w, ih = 1 / h;
    float len[2] = {0, 0};
    if (c.method == DisplacementFilter::Move) {
        len[0] = float(c.a * 2), len[1] = float(c.b * 2);
    } else if (c.method == DisplacementFilter::Scale) {
        const double S = c.a / 100, V = c.b / 100;
        const double g[2] = {V > 0 ? S * (1 - V) : S, V < 0 ? S * (1 + V) : S};
        for (int i = 0; i < 2; ++i)
            len[i] = float(g[i] > 0 ? 2 / (g[i] + 1) - 2 : -2 * g[i]);
    } else {
        len[0] = float(c.a / 100 * (-4 * 3.14159265358979323846));
    }
    const double r = c.rotation * 3.14159265358979323846 / 180;
    const float sn = float(std::sin(r)), cs = float(std::cos(r));
    const float ox = -in.width / 2.0f - float(c.x), oy = -in.height / 2.0f - float(c.y);
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        const float px = x + 0.5f, py = y + 0.5f, qx = px + ox, qy = py + oy;
        const float tu = (cs * (qx + 0.5f) + sn * (qy + 0.5f) - 0.5f) * iw + 0.5f;
        const float tv = (-sn * (qx + 0.5f) + cs * (qy + 0.5f) - 0.5f) * ih + 0.5f;
        float lo[2] = {1e30f, 1e30f}, hi[2] = {-1e30f, -1e30f};
        for (int k = 0; k < 4; ++k) {
            const Pixel s = Reference::sample(m.pixels, m.width, m.height, tu + (k & 1) * iw, tv + (k >> 1) * ih,
                                              true, 4, 4);
            float p[2] = {s[0] - s[3] / 2, s[1] - s[3] / 2};
            if (c.method == DisplacementFilter::Rotate) {
                const float phi = p[0] * len[0], cx = qx + float(k & 1), cy = qy + float(k >> 1);
                p[0] = cx * std::cos(phi) - cy * std::sin(phi) - qx - 0.5f;
                p[1] = cx * std::sin(phi) + cy * std::cos(phi) - qy - 0.5f;
            }
            for (int i = 0; i < 2; ++i)
                lo[i] = std::min(lo[i], p[i]), hi[i] = std::max(hi[i], p[i]);
        }
        if (c.method != DisplacementFilter::Rotate)
            for (int i = 0; i < 2; ++i) {
                const float q = i == 0 ? qx : qy;
                lo[i] *= len[i], hi[i] *= len[i];
                if (c.method == DisplacementFilter::Scale)
                    lo[i] *= q, hi[i] *= q;
            }
        return footprint(in, (px + (lo[0] + hi[0]) / 2) / in.width, (py + (lo[1] + hi[1]) / 2) / in.height,
                         hi[0] - lo[0], hi[1] - lo[1], 0, 4, 4);
    });
}

class DisplacementTest : public DeformFilterTest {
protected:
    // Maps under temporary-buffer names: "red" and "yellow" opaque 4 x 4,
    // "map" a 10 x 8 of smooth values with a faded corner, "empty" of no
    // pixels.
    void SetUp() override
    {
        DeformFilterTest::SetUp();
        map = blank(10, 8);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) {
                const float a = x + y < 4 ? 0.6f : 1.0f;
                map(x, y) = {a * x / 9.0f, a * (1 - y / 7.0f), a * 0.3f, a};
            }
        map = stored(map);
        cache->put("map", upload(map), 80);
        cache->put("red", upload(solid(4, 4, {1, 0, 0, 1})), 16);
        cache->put("yellow", upload(solid(4, 4, {1, 1, 0, 1})), 16);
        cache->put("empty", std::make_shared<Media::ResourceBuffer>(0, 0), 0);
        render.resourceCache = cache.get();
    }
    // The cached pictures go before the device.
    void TearDown() override
    {
        render.resourceCache = nullptr;
        cache.reset();
        DeformFilterTest::TearDown();
    }
    std::shared_ptr<DisplacementFilter> displacement(const wchar_t* path, const DisplacementCase& c)
    {
        auto f = make<DisplacementFilter>();
        f->source.setFilePath(path);
        f->method.value = c.method;
        if (c.method == DisplacementFilter::Move) {
            f->moveX.setValue(c.a, 0);
            f->moveY.setValue(c.b, 0);
        } else if (c.method == DisplacementFilter::Scale) {
            f->scale.setValue(c.a, 0);
            f->scaleAspect.setValue(c.b, 0);
        } else {
            f->turn.setValue(c.a, 0);
        }
        f->rotation.setValue(c.rotation, 0);
        f->size.setValue(c.size, 0);
        f->aspect.setValue(c.aspect, 0);
        f->x.setValue(c.x, 0);
        f->y.setValue(c.y, 0);
        f->blur.setValue(c.blur, 0);
        f->fit.value = c.fit;
        return f;
    }

    Image map;
    std::unique_ptr<Render::ResourceCache> cache = std::make_unique<Render::ResourceCache>(1 << 20);
};

TEST_F(DisplacementTest, AllAmountsZeroGiveThePictureBack)
{
    // The default map (the circle at サイズ 200, ぼかし 5) with each method at 0.
    const Image in = fixture(24, 18);
    for (int method : {0, 1, 2}) {
        SCOPED_TRACE(method);
        auto f = make<DisplacementFilter>();
        f->method.value = method;
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_TRUE(out);
        EXPECT_NE(out.get(), raw);
        EXPECT_TRUE(near(download(*out), in, 0));
    }
}

TEST_F(DisplacementTest, ARedMapMovesTheSamplingPointRightOnly)
{
    // 変形X 50 over opaque red: the value is (0.5, -0.5), len (100, 0), so
    // every pixel under the map shows the one 50 pixels to its right (up to
    // the rounding of the map's filtered samples).
    const Image in = ramp(120, 12);
    auto f = displacement(L"*red", {DisplacementFilter::Move, 50, 0, 0, 400, 0, 0, 0, 0, false});
    const Image got = filter(*f, in);
    EXPECT_TRUE(near(got, Ref::generate(120, 12, [&](int x, int y) { return in.at(x + 50, y); }), 2e-3f));

    // A map 24 pixels wide at the centre: where it does not reach, nothing moves.
    f->size.setValue(24, 0);
    const Image small = filter(*f, in);
    for (int y = 0; y < 12; ++y) {
        for (int x : {0, 20, 40, 80, 100, 119})
            EXPECT_EQ(small.at(x, y), in.at(x, y)) << x << ", " << y;
        EXPECT_TRUE(near({1, 1, {small.at(60, y)}}, {1, 1, {in.at(110, y)}}, 2e-3f)) << y;
    }
    EXPECT_TRUE(near(small, displaced(in, solid(4, 4, {1, 0, 0, 1}),
                                      {DisplacementFilter::Move, 50, 0, 0, 24, 0, 0, 0, 0, false}),
                     4e-3f));
}

TEST_F(DisplacementTest, ScaleAspect100EnlargesOnlyVertically)
{
    // 拡大変形 100, 拡大縦横 100: len (0, -1). Over opaque yellow (0.5, 0.5)
    // each pixel samples at half its vertical distance from the centre.
    const Image in = ramp(16, 40);
    const DisplacementCase c{DisplacementFilter::Scale, 100, 100, 0, 400, 0, 0, 0, 0, false};
    const Image got = filter(*displacement(L"*yellow", c), in);
    const Image want = Ref::generate(16, 40, [&](int x, int y) {
        return Reference::sample(in.pixels, 16, 40, (x + 0.5f) / 16, (20 + (y + 0.5f - 20) / 2) / 40, true, 4, 4);
    });
    EXPECT_TRUE(near(got, want, 2e-3f));
    EXPECT_TRUE(near(got, displaced(in, solid(4, 4, {1, 1, 0, 1}), c), 2e-3f));
    EXPECT_FALSE(near(got, in, 0.01f));
}

TEST_F(DisplacementTest, MethodsOverAPlacedMapMatchTheReference)
{
    const Image in = ramp(40, 30);
    const DisplacementCase cases[] = {
        {DisplacementFilter::Move, 6, -4, 0, 20, 0, 0, 0, 0, false},
        {DisplacementFilter::Move, -5, 3, 30, 24, 40, 2, -3, 2, false}, // turned, narrowed, blurred
        {DisplacementFilter::Move, 4, 4, 0, 10, 0, 0, 0, 0, true},      // fit: over the whole picture
        {DisplacementFilter::Scale, 40, 0, 0, 30, 0, 0, 0, 0, false},
        {DisplacementFilter::Scale, -60, 50, 0, 26, 0, 3, 1, 0, false},
        {DisplacementFilter::Scale, 80, -30, -20, 28, -30, 0, 0, 3, false},
        {DisplacementFilter::Rotate, 10, 0, 0, 30, 0, 0, 0, 0, false},
        {DisplacementFilter::Rotate, -25, 0, 15, 20, 100, -2, 2, 0, true},
    };
    for (const DisplacementCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method << " amounts " << c.a << ", " << c.b << " rotation "
                                        << c.rotation << " size " << c.size << " aspect " << c.aspect << " blur "
                                        << c.blur << " fit " << c.fit);
        EXPECT_TRUE(near(filter(*displacement(L"*map", c), in), displaced(in, map, c), 1e-2f));
    }
}

TEST_F(DisplacementTest, WithoutAMapTheInputPassesOnAndAnUnknownMethodGivesNoPicture)
{
    struct Case {
        const wchar_t* path;
        int method;
        double size, aspect;
        bool fit;
        const char* result; // "input", "new" or "none"
    } const cases[] = {
        {L"*empty", 0, 200, 0, false, "input"}, // a buffer of no pixels: no map, not an infinite extent
        {L"*missing", 0, 200, 0, false, "input"},
        {L"/no/such/map.png", 0, 200, 0, false, "input"},
        {L"*red", 0, 0, 0, false, "input"},     // サイズ 0
        {L"*red", 0, 200, 100, false, "input"}, // 縦横比 ±100 without fit
        {L"*red", 0, 200, -100, false, "input"},
        {L"*red", 0, 200, 100, true, "new"},
        {L"*red", 5, 200, 0, false, "none"},
        {L"*empty", 5, 200, 0, false, "input"}, // no map is looked at first
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << System::wideToUtf8(c.path) << " method " << c.method << " size " << c.size
                                        << " aspect " << c.aspect << " fit " << c.fit);
        auto f = make<DisplacementFilter>();
        f->source.setFilePath(c.path);
        f->method.value = c.method;
        f->moveX.setValue(10, 0);
        f->size.setValue(c.size, 0);
        f->aspect.setValue(c.aspect, 0);
        f->fit.value = c.fit;
        auto image = upload(fixture());
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        if (std::string(c.result) == "none") {
            EXPECT_FALSE(out);
            continue;
        }
        ASSERT_TRUE(out);
        EXPECT_EQ(out.get() == raw, std::string(c.result) == "input");
    }
}

TEST_F(DisplacementTest, TheMethodEnablesItsAmountsAndRebuildsThePanels)
{
    TransactionRecorder edit(services);
    auto f = make<DisplacementFilter>();
    EXPECT_TRUE(f->method.notify);
    auto enabled = [&] {
        return std::vector<bool>{f->moveX.visible, f->moveY.visible, f->scale.visible, f->scaleAspect.visible,
                                 f->turn.visible};
    };
    EXPECT_EQ(enabled(), (std::vector<bool>{true, true, false, false, false}));
    const struct {
        int method;
        std::vector<bool> enabled;
    } cases[] = {
        {1, {false, false, true, true, false}},
        {2, {false, false, false, false, true}},
        {0, {true, true, false, false, false}},
        {3, {false, false, false, false, false}}, // from edited project text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        EXPECT_FALSE(edit.changeItem(f, f->method, [&] { f->method.value = c.method; }));
        EXPECT_EQ(edit.calls, (std::vector<std::string>{"list", "time", "color", "text"}));
        EXPECT_EQ(enabled(), c.enabled);
    }
    Effect::ItemEvent tip;
    tip.code = Effect::ItemEvent::ToolTip;
    EXPECT_FALSE(f->itemEvent(tip));
}

} // namespace
} // namespace FilterTest
