// The processing filters against processor references: シャープ, ノイズ除去,
// インターレース解除, モザイク and every kind of ノイズ, with their shortcuts
// and the seeded pattern offsets.
#include "effects/filters/processing/noise_filter.h"
#include "effects/filters/processing/processing_filters.h"
#include "effects/filters/processing/seed_random.h"
#include "media/lookup_texture.h"
#include "project/model/scene.h"
#include "tests/effects/filters/compose_reference.h"

namespace FilterTest {
namespace {

using namespace Effect;

class ProcessingFilterTest : public FilterFixture {
protected:
    // Checks that the pass hands back the very picture it was given.
    void expectPassedOn(EffectBase& effect)
    {
        auto image = upload(fixture());
        Media::ResourceBuffer* raw = image.get();
        EXPECT_EQ(effect.filterVideo(render, std::move(image)).get(), raw);
    }
};

// ---- シャープ ----

TEST_F(ProcessingFilterTest, SharpenMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double strength, range;
    } cases[] = {{50, 5}, {0, 5}, {100, 0}, {800, 3}, {250, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " range " << c.range);
        auto f = make<ShapeFilter>();
        f->strength.setValue(c.strength, 0);
        f->range.setValue(c.range, 0);
        const Image blurred = Ref::blurImage(in, int(c.range), 0, 2);
        const float level = float(c.strength * 0.01);
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            Pixel p = in.at(x, y);
            const Pixel b = blurred.at(x, y);
            for (int k = 0; k < 3; ++k)
                p[k] = std::clamp(p[k] + (p[k] - b[k]) * level, 0.0f, p[3]);
            return p;
        });
        const Image got = filter(*f, in);
        // The blurred picture's half-precision rounding comes back times the level.
        EXPECT_TRUE(near(got, want, 2e-3f * std::max(1.0f, level)));
        if (c.strength == 0 || c.range == 0) {
            EXPECT_TRUE(near(got, in, 0));
        }
        for (const Pixel& p : got.pixels) // colour never above alpha
            EXPECT_LE(std::max({p[0], p[1], p[2]}), p[3]);
    }
}

// ---- ノイズ除去 ----

TEST_F(ProcessingFilterTest, NoiseReductionMatchesTheReference)
{
    const Image in = fixture();
    const struct {
        double strength, range, threshold;
    } cases[] = {{100, 2, 20}, {100, 2, 0}, {50, 8, 200}, {80, 1, 90}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "strength " << c.strength << " range " << c.range << " threshold "
                                        << c.threshold);
        auto f = make<NoiseReductionFilter>();
        f->strength.setValue(c.strength, 0);
        f->range.setValue(c.range, 0);
        f->threshold.setValue(c.threshold, 0);
        const int r = int(c.range);
        const float level = float(c.strength * 0.01) / float((2 * r + 1) * (2 * r + 1));
        const float limit = float(c.threshold) / 512;
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            Pixel p = in.at(x, y);
            if (p[3] < 0.001f)
                return p;
            float sum[3] = {0, 0, 0};
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    const Pixel q = in.at(x + i, y + j);
                    for (int k = 0; k < 3; ++k) {
                        const float d = q[k] - p[k], ad = std::fabs(d);
                        float w = std::max(0.0f, ad - std::max(0.0f, 2 * (ad - limit)));
                        w = std::min(w, std::min(p[3], q[3]));
                        sum[k] += d > 0 ? w : d < 0 ? -w : 0;
                    }
                }
            // Held to a valid premultiplied colour.
            for (int k = 0; k < 3; ++k)
                p[k] = std::clamp(p[k] + sum[k] * level, 0.0f, p[3]);
            return p;
        });
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, want));
        if (c.threshold == 0) {
            EXPECT_TRUE(near(got, in, 0));
        }
        EXPECT_EQ(got.at(0, 0)[3], 0); // the transparent margin stays as it was
    }
}

// ---- インターレース解除 ----

TEST_F(ProcessingFilterTest, DeinterlaceRebuildsTheOtherField)
{
    for (const Image& in : {fixture(), fixture(9, 1)}) {
        for (int type = 0; type < 3; ++type) {
            SCOPED_TRACE(testing::Message() << "height " << in.height << " type " << type);
            auto f = make<DeinterlaceFilter>();
            f->method.value = type;
            const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
                const Pixel c = in.at(x, y), up = in.at(x, std::max(y - 1, 0)),
                            down = in.at(x, std::min(y + 1, in.height - 1));
                Pixel out{0, 0, 0, 0};
                if (type == 2) {
                    Ref::add(out, c, 0.5f);
                    Ref::add(out, up, 0.25f);
                    Ref::add(out, down, 0.25f);
                } else if (y % 2 != type) {
                    Ref::add(out, up, 0.5f);
                    Ref::add(out, down, 0.5f);
                } else {
                    out = c;
                }
                return out;
            });
            const Image got = filter(*f, in);
            EXPECT_TRUE(near(got, want));
            if (in.height == 1 && type == 2) {
                EXPECT_TRUE(near(got, in)); // both neighbours clamp to the row
            }
        }
    }
}

// ---- モザイク ----

Image mosaic(const Image& in, int a)
{
    const int W = in.width, H = in.height;
    const int ox = (W % (2 * a)) / 2, oy = (H % (2 * a)) / 2;
    // Block i covers columns (i - 1) a + ox .. i a + ox - 1, clamped into the picture.
    auto first = [a](int p, int o) { return ((p - o + a) / a) * a + o - a; };
    return Ref::generate(W, H, [&](int x, int y) {
        const int x0 = first(x, ox), y0 = first(y, oy);
        Pixel sum{0, 0, 0, 0};
        for (int j = 0; j < a; ++j)
            for (int i = 0; i < a; ++i)
                Ref::add(sum, in.at(std::clamp(x0 + i, 0, W - 1), std::clamp(y0 + j, 0, H - 1)));
        return Ref::scaled(sum, 1.0f / float(a * a));
    });
}

TEST_F(ProcessingFilterTest, MosaicBlocksAlignOnTheCentre)
{
    const Image big = fixture(100, 100);
    const struct {
        Image in;
        double size;
    } cases[] = {{big, 12}, {fixture(), 5}, {fixture(), 2}, {fixture(), 40}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.in.width << "x" << c.in.height << " size " << c.size);
        auto f = make<MosaicFilter>();
        f->size.setValue(c.size, 0);
        const Image got = filter(*f, c.in);
        EXPECT_TRUE(near(got, mosaic(c.in, int(c.size)), 2e-3f));
        if (c.size == 12) {
            // Edges at 2 + 12 k: (2, y) .. (13, y) one block, (14, y) the next.
            for (int x = 3; x <= 13; ++x)
                EXPECT_TRUE(near(Image{1, 1, {got.at(x, 50)}}, Image{1, 1, {got.at(2, 50)}}, 0));
            EXPECT_NE(got.at(13, 50), got.at(14, 50));
            EXPECT_NE(got.at(1, 50), got.at(2, 50));
            EXPECT_NE(got.at(50, 1), got.at(50, 2));
        }
    }
    auto one = make<MosaicFilter>();
    one->size.setValue(1, 0);
    expectPassedOn(*one);
}

// ---- ノイズ ----

TEST_F(ProcessingFilterTest, SeedGeneratorValuesArePinned)
{
    // Pinned once from the generator: they place every saved pattern and
    // every shake, so they must never change.
    const struct {
        int seed;
        float x, y;
        uint64_t quakeStart;
        float quakeFirst;
    } pinned[] = {
        {0, 36.8667374f, 145.317566f, 3135957090668064697ull, 0.0514978841f},
        {1, 93.8777542f, 207.38446f, 14458072507037743578ull, 0.274558455f},
        {100, 189.259354f, 51.9282608f, 10802666543117067525ull, 0.7947101f},
    };
    for (const auto& p : pinned) {
        SCOPED_TRACE(p.seed);
        float x, y;
        NoiseFilter::seedOffset(p.seed, x, y);
        EXPECT_FLOAT_EQ(x, p.x);
        EXPECT_FLOAT_EQ(y, p.y);
        uint64_t g = SeedRandom::start(p.seed, 7);
        EXPECT_EQ(g, p.quakeStart);
        EXPECT_FLOAT_EQ(SeedRandom::unit(SeedRandom::next(g)), p.quakeFirst);
    }
    // ノイズ's start is the shared one with no second number.
    EXPECT_EQ(SeedRandom::start(5), SeedRandom::start(5, 0));
    EXPECT_NE(SeedRandom::start(5), SeedRandom::start(-5));
}

struct NoiseCase {
    int type;
    double strength, threshold, cycleX, cycleY;
    int seed;
    int blend;
    double speedX, change, time; // time in frames at 30 fps
};

// The mask alpha of the noise shader at pixel (qx, qy).
float noiseAlpha(const NoiseCase& c, int W, int H, int qx, int qy)
{
    static const std::vector<float> noise = Resource::createNoiseValues();
    static const std::vector<float> perm = Resource::createPermutationValues();
    const float level = float(c.strength * 0.01), limit = float(c.threshold * 0.01);
    const double t = c.time / 30;
    float sx, sy;
    NoiseFilter::seedOffset(c.seed, sx, sy);
    const float cx = float(c.cycleX), cy = float(c.cycleY);
    float ox = float(c.speedX * t * 30) + sx, oy = 0 + sy;
    ox -= W * cx * 0.5f;
    oy -= H * cy * 0.5f;
    const float accelerate = float(c.change * t * 3);
    const float px = qx * cx + ox, py = qy * cy + oy;
    const float pi = 3.14159265358979f;
    auto at = [&](const std::vector<float>& table, int x, int y) { return table[size_t(y & 255) * 256 + (x & 255)]; };
    float m;
    if (c.type == 3) {
        const float z = 10 * accelerate, k = std::floor(z), f = z - k;
        auto sample = [&](float k) {
            const float u = px + 79 * k, v = py + 79 * k; // texel space: (u + 0.5) / 256 is texel u's centre
            const float iu = std::floor(u), iv = std::floor(v), fu = u - iu, fv = v - iv;
            const int x = int(iu), y = int(iv);
            const float a = at(perm, x, y) + (at(perm, x + 1, y) - at(perm, x, y)) * fu;
            const float b = at(perm, x, y + 1) + (at(perm, x + 1, y + 1) - at(perm, x, y + 1)) * fu;
            return a + (b - a) * fv;
        };
        const float A = sample(k), B = sample(k + 1);
        m = Reference::sat(A + (B - A) * f - limit);
    } else {
        float p[3] = {px, py, accelerate};
        const float step[3] = {0.02734375f, 0.06640625f, 0.12109375f};
        float n = 0;
        for (int o = 0; o < 6; ++o) {
            int q[3];
            float w[3];
            for (int a = 0; a < 3; ++a) {
                const float i = std::floor(p[a]);
                q[a] = int(i);
                w[a] = (1 - std::cos(pi * (p[a] - i))) * 0.5f;
            }
            float layer[2];
            for (int k = 0; k < 2; ++k) {
                const int z = q[2] + k;
                auto v = [&](int dx, int dy) { return at(noise, q[0] + dx + 79 * z, q[1] + dy + 79 * z); };
                const float a = v(0, 0) + (v(1, 0) - v(0, 0)) * w[0];
                const float b = v(0, 1) + (v(1, 1) - v(0, 1)) * w[0];
                layer[k] = a + (b - a) * w[1];
            }
            const float g = layer[0] + (layer[1] - layer[0]) * w[2];
            n = n * 0.5f + (c.type == 0 || c.type == 5 ? g : std::fabs(g));
            for (int a = 0; a < 3; ++a)
                p[a] = p[a] * 0.5f + step[a];
        }
        const float v = c.type == 0   ? n + 0.5f
                        : c.type == 1 ? 1 - 2 * n
                        : c.type == 2 ? 2 * n
                        : c.type == 4 ? 0.5f + 0.5f * std::sin(4 * pi * (px / 256 + 0.5f - n))
                                      : 0.5f + 0.5f * std::sin(2 * pi * std::sin(8 * pi * n));
        m = Reference::sat((v - limit) * (1 / (1 - limit)));
    }
    return level > 1 ? (2 - level) * m : 1 - level * (1 - m);
}

TEST_F(ProcessingFilterTest, NoiseMatchesTheReference)
{
    const Image in = fixture(24, 16);
    Edit::Scene scene(0, 0);
    scene.videoRate = 30;
    scene.videoScale = 1;
    const NoiseCase cases[] = {
        // type, strength, threshold, cycle x, y, seed, blend, speed X, change, time
        {0, 100, 0, 1, 1, 0, 0, 0, 0, 0},  {1, 100, 0, 1, 1, 3, 1, 0, 0, 0},
        {2, 60, 30, 2, 0.5, 0, 0, 0, 0, 0}, {3, 100, 0, 1, 1, 7, 0, 0, 2, 15},
        {4, 150, 0, 1.5, 1, 0, 1, 0, 0, 0}, {5, 100, 20, 0.25, 0.25, 9, 0, 0, 0, 0},
        {0, 120, 10, 3, 3, 42, 1, 10, 5, 30}, // moving and changing: one second in
    };
    for (const NoiseCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " strength " << c.strength << " seed " << c.seed);
        auto f = make<NoiseFilter>();
        f->type.value = c.type;
        f->strength.setValue(c.strength, 0);
        f->threshold.setValue(c.threshold, 0);
        f->cycleX.setValue(c.cycleX, 0);
        f->cycleY.setValue(c.cycleY, 0);
        f->seed.value = c.seed;
        f->blend.value = c.blend;
        f->speedX.setValue(c.speedX, 0);
        f->change.setValue(c.change, 0);
        render = EffectTest::renderAt(object, c.time);
        render.scene = &scene;
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            const Pixel mask{0, 0, 0, noiseAlpha(c, in.width, in.height, x, y)};
            return c.blend ? Ref::darken(mask, in.at(x, y)) : Ref::scaleBy(mask, in.at(x, y));
        });
        // White noise is sampled through the device's filtering, whose weights are coarser.
        EXPECT_TRUE(near(filter(*f, in), want, c.type == 3 ? 1e-2f : 4e-3f));
    }
}

TEST_F(ProcessingFilterTest, NoiseShortcutsAndSeeds)
{
    const Image in = fixture();
    auto zero = make<NoiseFilter>();
    zero->strength.setValue(0, 0);
    expectPassedOn(*zero);

    // The whole picture masked: transparent, or black with its alpha kept.
    for (const auto& [strength, threshold] : {std::pair{200.0, 0.0}, std::pair{100.0, 100.0}}) {
        auto f = make<NoiseFilter>();
        f->strength.setValue(strength, 0);
        f->threshold.setValue(threshold, 0);
        EXPECT_TRUE(near(filter(*f, in), blank(in.width, in.height), 0));
        f->blend.value = NoiseFilter::Brightness;
        EXPECT_TRUE(near(filter(*f, in), Ref::generate(in.width, in.height, [&](int x, int y) {
                             return Pixel{0, 0, 0, in.at(x, y)[3]};
                         }), 0));
    }

    // The same seed gives the same pattern in another instance; another seed moves it.
    auto a = make<NoiseFilter>(), b = make<NoiseFilter>(), other = make<NoiseFilter>();
    a->seed.value = b->seed.value = 12;
    other->seed.value = 13;
    const Image first = filter(*a, in);
    EXPECT_TRUE(near(filter(*b, in), first, 0));
    EXPECT_FALSE(near(filter(*other, in), first, 1e-3f));
}

} // namespace
} // namespace FilterTest
