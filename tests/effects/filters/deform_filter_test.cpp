// The deformation filters against processor references: 波紋's index rules
// and amplitude ramps, ラスター's sizes, identity and random amplitudes,
// 極座標変換's disc, and リサイズ's sizes, identity and both samplings.
#include "effects/filters/deform/deform_filters.h"
#include "media/lookup_texture.h"
#include "tests/effects/filters/filter_reference.h"

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

} // namespace
} // namespace FilterTest
