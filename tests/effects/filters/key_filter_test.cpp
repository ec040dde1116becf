// The key filters against processor references: the chroma key's map and
// composites (hue wrap, grey key, zero ranges, both corrections, both
// boundaries), the colour key's box test in place, the luminance key's six
// modes with a zero range, and the edge filter's three quantities and its
// exclusive checks through an edit transaction.
#include "effects/filters/colour/color_change_filter.h"
#include "effects/filters/key/chroma_key_filter.h"
#include "effects/filters/key/key_filters.h"
#include "tests/effects/filters/colour_reference.h"
#include "tests/effects/filters/transaction_recorder.h"

#include <cmath>

namespace FilterTest {
namespace {

using namespace Effect;

Image chromaKey(const Image& in, const float key[3], float hue, float saturation, int b, bool correct,
                bool transparent)
{
    const Ref::KeyBlock k = Ref::keyBlock(key, hue, saturation, b, correct, transparent);
    const Image map = Ref::keyMap(in, k);
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        const Pixel m = map.at(x, y), p = in.at(x, y);
        if (m[3] < 0.001f)
            return Pixel{0, 0, 0, 0};
        float a = b < 1 ? m[3] : Ref::boundaryFactor(map, x, y, m[3], b, k.divie);
        a *= std::min(std::max(m[0], k.transparent), 1.0f);
        const float kk = m[0] * k.correct;
        if (kk < 0.001f || kk >= 1)
            return Ref::scaled(p, a);
        const float Y = Reference::lum(Ref::unpremultiplied(p));
        const float u = std::clamp((m[1] - k.keyU) / kk + k.keyU, -0.5f, 0.5f);
        const float v = std::clamp((m[2] - k.keyV) / kk + k.keyV, -0.5f, 0.5f);
        const auto c = Ref::fromYuv({Y, u, v});
        return Ref::scaled(Pixel{p[3] * Reference::sat(c[0]), p[3] * Reference::sat(c[1]), p[3] * Reference::sat(c[2]), p[3]},
                           a);
    });
}

class KeyFilterTest : public FilterFixture {
protected:
    // The fixture with a row of chosen colours: a pure green, a grey, a
    // half-transparent green, a black, the colours at hues 170 and -170 degrees
    // (chroma 0.2, luminance 0.5) and an empty pixel.
    static Image keyFixture()
    {
        Image image = fixture();
        auto hueColour = [](float degrees) {
            const float h = degrees * 3.14159265f / 180;
            const auto c = Ref::fromYuv({0.5f, 0.2f * std::cos(h), 0.2f * std::sin(h)});
            return Pixel{c[0], c[1], c[2], 1};
        };
        const Pixel row[] = {{0, 1, 0, 1}, {0.5f, 0.5f, 0.5f, 1}, {0, 0.5f, 0, 0.5f}, {0, 0, 0, 1},
                             hueColour(170), hueColour(-170), {0, 0, 0, 0}};
        for (int i = 0; i < 7; ++i)
            image(3 + i, 5) = row[i];
        return stored(image);
    }
};

TEST_F(KeyFilterTest, ChromaKeyMatchesTheReference)
{
    const Image in = keyFixture();
    struct Case {
        uint8_t r, g, b;
        double hue, saturation, boundary;
        bool correct, transparent;
    } const cases[] = {
        {0, 255, 0, 16, 96, 1, false, false},
        {0, 255, 0, 0, 0, 0, false, false},     // only the exact key hue and chroma
        {0, 255, 0, 40, 128, 0, true, false},   // colour correction
        {0, 255, 0, 40, 128, 1, false, true},   // transparency correction
        {0, 255, 0, 60, 200, 3, true, true},
        {128, 128, 128, 16, 96, 1, false, false}, // grey key: chroma 0.001
        {0, 255, 0, 16, 96, 8, false, false},
        {200, 30, 90, 256, 256, 2, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b) << " ranges " << c.hue
                                        << "/" << c.saturation << " boundary " << c.boundary << " corrections "
                                        << c.correct << c.transparent);
        auto f = make<ChromaKeyFilter>();
        f->keyColor.r = c.r, f->keyColor.g = c.g, f->keyColor.b = c.b, f->keyColor.none = false;
        f->hueRange.setValue(c.hue, 0);
        f->saturationRange.setValue(c.saturation, 0);
        f->boundary.setValue(c.boundary, 0);
        f->colorCorrection.value = c.correct;
        f->alphaCorrection.value = c.transparent;
        const float key[3] = {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f};
        EXPECT_TRUE(near(filter(*f, in), chromaKey(in, key, float(c.hue), float(c.saturation), int(c.boundary),
                                                   c.correct, c.transparent)));
    }
}

TEST_F(KeyFilterTest, ChromaKeyHueDistanceWrapsAroundTheCircle)
{
    // A key at 170 degrees and a pixel at -170 are 20 degrees apart: with a
    // 16/256 hue range the pixel keeps 8 x (20 / 180 - 1 / 16) of its alpha.
    const float h = 170 * 3.14159265f / 180;
    const auto key = Ref::fromYuv({0.5f, 0.2f * std::cos(h), 0.2f * std::sin(h)});
    auto f = make<ChromaKeyFilter>();
    f->keyColor.r = uint8_t(std::lround(key[0] * 255)), f->keyColor.g = uint8_t(std::lround(key[1] * 255));
    f->keyColor.b = uint8_t(std::lround(key[2] * 255)), f->keyColor.none = false;
    f->boundary.setValue(0, 0);
    f->saturationRange.setValue(256, 0);
    const Image out = filter(*f, keyFixture());
    EXPECT_NEAR(out.at(8, 5)[3], 8 * (20.0f / 180 - 1.0f / 16), 0.03f);
    EXPECT_LT(out.at(7, 5)[3], 0.05f); // the key's own hue, up to the bytes' rounding
}

TEST_F(KeyFilterTest, BoundarySmoothingKeepsAFullFramePicturesOwnBorder)
{
    // A full-frame green-screen clip: magenta all round (far from the key),
    // green in the middle.
    // The green lies more than 8 pixels inside: no border pixel has it near.
    const int W = 40, H = 30;
    Image in = solid(W, H, {200 / 255.0f, 40 / 255.0f, 200 / 255.0f, 1});
    for (int y = 12; y < 18; ++y)
        for (int x = 16; x < 24; ++x)
            in(x, y) = {0, 1, 0, 1};
    in = stored(in);
    auto chroma = make<ChromaKeyFilter>();
    auto colourKey = make<ColorKeyFilter>();
    auto change = make<ColorChangeFilter>();
    for (auto* key : {&chroma->keyColor, &colourKey->keyColor, &change->before}) {
        key->r = 0, key->g = 255, key->b = 0, key->none = false;
    }
    change->after.r = 255, change->after.g = 0, change->after.b = 255, change->after.none = false;
    chroma->boundary.setValue(8, 0);
    colourKey->boundary.setValue(8, 0);
    change->boundary.setValue(8, 0);
    const std::pair<const char*, EffectBase*> filters[] = {
        {"クロマキー", chroma.get()}, {"カラーキー", colourKey.get()}, {"特定色域変換", change.get()}};
    for (const auto& [name, f] : filters) {
        SCOPED_TRACE(name);
        const Image got = filter(*f, in);
        ASSERT_EQ(got.width, W);
        // Every pixel of the frame's edge is as it came: opaque, its own colour.
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                if (x != 0 && y != 0 && x != W - 1 && y != H - 1)
                    continue;
                for (int c = 0; c < 4; ++c)
                    ASSERT_NEAR(got.at(x, y)[c], in.at(x, y)[c], 4e-3f) << x << "," << y << " channel " << c;
            }
        // The key colour itself is still keyed (gone, or turned to the new colour).
        if (f == change.get())
            EXPECT_GT(got.at(20, 15)[0], 0.5f);
        else
            EXPECT_LT(got.at(20, 15)[3], 0.01f);
    }
}

TEST_F(KeyFilterTest, KeysWithoutAKeyColourPassThePictureOn)
{
    auto chroma = make<ChromaKeyFilter>();
    auto colourKey = make<ColorKeyFilter>();
    for (EffectBase* f : {static_cast<EffectBase*>(chroma.get()), static_cast<EffectBase*>(colourKey.get())}) {
        auto image = upload(fixture());
        Media::ResourceBuffer* raw = image.get();
        EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw);
    }
}

TEST_F(KeyFilterTest, ColorKeyMatchesTheReference)
{
    const Image in = keyFixture();
    struct Case {
        uint8_t r, g, b;
        double luminance, difference, boundary;
    } const cases[] = {
        {0, 255, 0, 400, 400, 1},
        {0, 255, 0, 400, 400, 0},
        {128, 128, 128, 1200, 300, 2},
        {0, 0, 0, 4096, 4096, 0}, // every difference below 1: everything goes
        {90, 40, 200, 2000, 2000, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b) << " ranges "
                                        << c.luminance << "/" << c.difference << " boundary " << c.boundary);
        auto f = make<ColorKeyFilter>();
        f->keyColor.r = c.r, f->keyColor.g = c.g, f->keyColor.b = c.b, f->keyColor.none = false;
        f->luminanceRange.setValue(c.luminance, 0);
        f->differenceRange.setValue(c.difference, 0);
        f->boundary.setValue(c.boundary, 0);
        const Ref::Yuv key = Ref::toYuv(c.r / 255.0f, c.g / 255.0f, c.b / 255.0f);
        const float len[3] = {float(c.luminance / 4096), float(c.difference / 4096), float(c.difference / 4096)};
        const Image mask = Ref::generate(in.width, in.height, [&](int x, int y) {
            const Pixel p = in.at(x, y);
            if (p[3] < 0.001f)
                return Pixel{0, 0, 0, 0};
            const Ref::Yuv q = Ref::toYuv(Ref::unpremultiplied(p));
            bool outside = false;
            for (int i = 0; i < 3; ++i)
                outside = outside || std::fabs(q[i] - key[i]) >= len[i];
            return Pixel{0, 0, 0, outside ? 1.0f : 0.0f};
        });
        const int b = int(c.boundary);
        const float divie = 1.0f / float((2 * b + 1) * (2 * b + 1));
        const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
            const float w = mask.at(x, y)[3];
            const float m = b < 1 ? w : w < 0.001f ? 0 : Ref::boundaryFactor(mask, x, y, w, b, divie);
            return Ref::scaled(in.at(x, y), m);
        });
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_EQ(out.get(), raw); // in place
        const Image got = download(*out);
        EXPECT_TRUE(near(got, want));
        if (c.luminance == 4096) {
            EXPECT_TRUE(near(got, blank(in.width, in.height)));
        }
    }
}

TEST_F(KeyFilterTest, LuminanceKeyModesMatchTheReference)
{
    const Image in = keyFixture();
    for (int mode = 0; mode <= 6; ++mode)
        for (double reference : {2048.0, 0.0})
            for (double range : {512.0, 0.0}) {
                SCOPED_TRACE(testing::Message() << "mode " << mode << " reference " << reference << " range " << range);
                auto f = make<LuminanceKeyFilter>();
                f->mode.value = mode;
                f->reference.setValue(reference, 0);
                f->range.setValue(range, 0);
                const float o = float(reference / 4096), r = float(range / 4096);
                const Image want = Ref::generate(in.width, in.height, [&](int x, int y) {
                    const Pixel p = in.at(x, y);
                    if (p[3] < 0.001f)
                        return p;
                    const float Y = Reference::lum(Ref::unpremultiplied(p));
                    float k;
                    switch (mode) {
                    case 0: k = (Y - o) / r + 1; break;
                    case 1: k = (o - Y) / r + 1; break;
                    case 2: k = 1 - std::fabs(Y - o) / r; break;
                    case 3: k = 1 - std::fabs(Y - o) / r >= 0 ? 1.0f : 0.0f; break;
                    case 4: k = std::fabs(Y - o) / r; break;
                    case 5: k = std::fabs(Y - o) / r >= 1 ? 1.0f : 0.0f; break;
                    default: k = 0; break;
                    }
                    return Ref::scaled(p, Ref::safeSat(k));
                });
                const Image got = filter(*f, in);
                EXPECT_TRUE(near(got, want));
                for (const Pixel& p : got.pixels)
                    for (float v : p)
                        ASSERT_FALSE(std::isnan(v));
                // Black sits exactly at 基準輝度 0: every mode removes it there.
                if (reference == 0 && range == 0) {
                    EXPECT_EQ(got.at(6, 5)[3], 0.0f);
                }
            }
}

Image edges(const Image& in, int mode, float limit, float ratio, const Pixel& colour)
{
    auto q = [&](int x, int y) {
        const Pixel t = in.at(std::clamp(x, 0, in.width - 1), std::clamp(y, 0, in.height - 1));
        if (mode == 0)
            return Ref::toYuv(t);
        const float v = mode == 1 ? Reference::lum(t) : t[3];
        return Ref::Yuv{v, v, v};
    };
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        float g = 0;
        for (int c = 0; c < (mode == 0 ? 3 : 1); ++c) {
            const float gx = q(x + 1, y - 1)[c] + q(x + 1, y)[c] + q(x + 1, y + 1)[c] - q(x - 1, y - 1)[c] -
                             q(x - 1, y)[c] - q(x - 1, y + 1)[c];
            const float gy = q(x - 1, y + 1)[c] + q(x, y + 1)[c] + q(x + 1, y + 1)[c] - q(x - 1, y - 1)[c] -
                             q(x, y - 1)[c] - q(x + 1, y - 1)[c];
            g += std::hypot(gx, gy);
        }
        const float e = std::clamp((g - limit) * ratio, 0.0f, 1.0f);
        return Ref::scaled(colour, in.at(x, y)[3] * e);
    });
}

TEST_F(KeyFilterTest, EdgeFilterMatchesTheReference)
{
    const Image in = keyFixture();
    struct Case {
        bool luminance, alpha;
        int mode;
        double strength, threshold;
    } const cases[] = {
        {true, false, 1, 100, 0}, {false, true, 2, 100, 0}, {false, false, 0, 100, 0},
        {true, true, 1, 250, 20}, {false, false, 0, 40, -30},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " strength " << c.strength << " threshold "
                                        << c.threshold);
        auto f = make<EdgeFilter>();
        f->luminanceEdge.value = c.luminance;
        f->alphaEdge.value = c.alpha;
        f->strength.setValue(c.strength, 0);
        f->threshold.setValue(c.threshold, 0);
        f->color.r = 255, f->color.g = 128, f->color.b = 0;
        const Pixel colour{1, 128 / 255.0f, 0, 1};
        EXPECT_TRUE(near(filter(*f, in), edges(in, c.mode, float(c.threshold * 0.01), float(c.strength * 0.01),
                                               colour)));
    }
    // A flat opaque picture has no edge anywhere, its border included.
    for (bool luminance : {true, false}) {
        auto f = make<EdgeFilter>();
        f->luminanceEdge.value = luminance;
        f->strength.setValue(1000, 0);
        EXPECT_TRUE(near(filter(*f, solid(9, 7, {0.3f, 0.6f, 0.2f, 1})), blank(9, 7), 0));
    }
}

TEST_F(KeyFilterTest, EdgeChecksExcludeEachOtherInTheSameEdit)
{
    TransactionRecorder edit(services);
    auto f = make<EdgeFilter>();
    EXPECT_TRUE(f->luminanceEdge.notify);
    EXPECT_TRUE(f->alphaEdge.notify);
    const std::vector<std::string> reread{"value", "color"};
    const struct {
        bool alphaItem; // the item switched: 透明度エッジを抽出, else 輝度エッジを抽出
        bool on;
        bool luminance, alpha; // both checks afterwards
        std::vector<std::string> calls;
    } steps[] = {
        {true, true, false, true, reread},   // alpha on while luminance is on: luminance off
        {false, true, true, false, reread},  // and back
        {false, false, false, false, {}},    // switching off changes nothing else
        {true, true, false, true, {}},       // one on alone
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(testing::Message() << (s.alphaItem ? "alpha " : "luminance ") << s.on);
        EffectItemCheck& item = s.alphaItem ? f->alphaEdge : f->luminanceEdge;
        EXPECT_TRUE(edit.changeItem(f, item, [&] { item.value = s.on; }));
        EXPECT_EQ(f->luminanceEdge.value, s.luminance);
        EXPECT_EQ(f->alphaEdge.value, s.alpha);
        EXPECT_EQ(edit.calls, s.calls);
    }
    // Another item's change, or another event, touches neither check.
    f->luminanceEdge.value = true;
    EXPECT_TRUE(edit.changeItem(f, f->strength, [] {}));
    EXPECT_TRUE(f->luminanceEdge.value && f->alphaEdge.value);
    EXPECT_TRUE(edit.calls.empty());
    Effect::ItemEvent tip;
    tip.code = Effect::ItemEvent::ToolTip;
    EXPECT_FALSE(f->itemEvent(tip));
}

} // namespace
} // namespace FilterTest
