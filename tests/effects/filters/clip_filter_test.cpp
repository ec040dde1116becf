// The clipping filters against processor references: クリッピング's margins,
// centre and empty result, 斜めクリッピング's half-plane and bands, 扇クリッピング's
// angle cases, the clock and line wipes drawn through the registered clip
// cores, and クリッピング's edge handles dragged and held at 0.
#include "effects/filters/clip/angle_clip_filter.h"
#include "effects/filters/clip/clip_filter.h"
#include "effects/filters/clip/line_clip_filter.h"
#include "effects/filters/clip/mask_filter.h"
#include "render/resource_cache.h"
#include "media/resource_service.h"
#include "media/transition.h"
#include "tests/effect/anchor_fixture.h"
#include "tests/effects/filters/filter_reference.h"

#include <algorithm>
#include <cmath>

namespace FilterTest {
namespace {

using namespace Effect;

float smoothUnit(float t)
{
    t = std::clamp(t, 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

// The picture times a mask value from each pixel centre relative to the
// picture's centre plus (cx, cy).
Image masked(const Image& in, float cx, float cy, const std::function<float(float, float)>& mask)
{
    const float ox = -(in.width / 2.0f + cx), oy = -(in.height / 2.0f + cy);
    return Ref::generate(in.width, in.height, [&](int x, int y) {
        return Ref::scaled(in.at(x, y), mask(x + 0.5f + ox, y + 0.5f + oy));
    });
}

std::function<float(float, float)> lineMask(float angle, int width, int blur)
{
    const float a = angle * 3.14159265f / 180.0f;
    const float dx = std::sin(a), dy = -std::cos(a), length = float(blur + 1), range = width * 0.5f;
    return [=](float qx, float qy) {
        const float d = qx * dx + qy * dy;
        if (width == 0)
            return smoothUnit((d + length / 2) / length);
        const float s = range > 0 ? 1.0f : -1.0f;
        return smoothUnit((range - s * std::fabs(d)) / length);
    };
}

// The fan's mask after the angle normalisation; null for no change.
std::function<float(float, float)> fanMask(float theta, float phi, int blur, bool middle, bool& cleared)
{
    cleared = false;
    if (middle) {
        if (phi < 0)
            theta += 180;
        theta -= phi / 2;
    }
    if (phi < 0) {
        theta += phi;
        phi = -phi;
    }
    if (phi == 0)
        return nullptr;
    if (phi >= 360) {
        cleared = true;
        return nullptr;
    }
    const float k = 3.14159265f / 180.0f;
    auto normal = [&](float deg) { return std::array<float, 2>{-std::sin(deg * k), std::cos(deg * k)}; };
    const auto S = normal(theta), E = normal(theta + phi + 180), L = normal(theta + phi / 2 - 90);
    const float range = (blur + 1) * 0.5f;
    const float limit = (std::max(90 - std::fabs(phi - 180), 0.0f) / 45 + std::sin(phi / 2 * k) * 0.5f + 1) * range;
    const bool narrow = phi < 180;
    return [=](float qx, float qy) {
        const float s = qx * S[0] + qy * S[1], e = qx * E[0] + qy * E[1], l = qx * L[0] + qy * L[1];
        if (narrow)
            return 1 - smoothUnit((range - std::max(s, e)) / (2 * range)) * smoothUnit((limit - l) / limit);
        return smoothUnit((std::min(s, e) + range) / (2 * range)) * smoothUnit((l + limit) / limit);
    };
}

class ClipFilterTest : public FilterFixture {};

// ---- クリッピング ----

TEST_F(ClipFilterTest, ClipCropsTheMarginsAndKeepsThePixelsInPlace)
{
    const Image in = fixture();
    struct Case {
        int top, bottom, left, right;
        bool moveCenter;
        float cx, cy; // the drawing-state centre after the pass
    } const cases[] = {
        {0, 0, 10, 0, false, -5, 0},
        {0, 0, 10, 0, true, 0, 0},
        {2, 3, 1, 4, false, 1.5f, 0.5f},
        {1, 0, 0, 16, false, 8, -0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.top << " " << c.bottom << " " << c.left << " " << c.right << " "
                                        << c.moveCenter);
        auto f = make<ClipFilter>();
        f->top.setValue(c.top, 0);
        f->bottom.setValue(c.bottom, 0);
        f->left.setValue(c.left, 0);
        f->right.setValue(c.right, 0);
        f->moveCenter.value = c.moveCenter;
        render.drawState.cx = render.drawState.cy = 0;
        const Image got = filter(*f, in);
        const Image want = Ref::generate(in.width - c.left - c.right, in.height - c.top - c.bottom,
                                         [&](int x, int y) { return in.at(x + c.left, y + c.top); });
        EXPECT_TRUE(near(got, want, 0));
        EXPECT_EQ(render.drawState.cx, c.cx);
        EXPECT_EQ(render.drawState.cy, c.cy);
    }
}

TEST_F(ClipFilterTest, ClipWithoutMarginsPassesTheInputAndWithNothingLeftGivesNoPicture)
{
    auto f = make<ClipFilter>();
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw);

    const struct {
        double top, bottom, left, right;
    } empties[] = {{0, 0, 10, 7}, {6, 5, 0, 0}, {0, 0, 4000, 0}, {0, 0.5, 0, 0}};
    for (const auto& c : empties) {
        f->top.setValue(c.top, 0);
        f->bottom.setValue(c.bottom, 0);
        f->left.setValue(c.left, 0);
        f->right.setValue(c.right, 0);
        // 0.5 rounds to 1: only margins that rounded leave nothing give an empty result.
        auto out = f->filterVideo(render, upload(fixture()));
        if (c.bottom == 0.5)
            EXPECT_TRUE(out && out->getHeight() == 10u);
        else
            EXPECT_FALSE(out) << c.top << " " << c.bottom << " " << c.left << " " << c.right;
    }
}

// ---- 斜めクリッピング ----

TEST_F(ClipFilterTest, LineClipMatchesTheReference)
{
    const Image in = fixture(24, 18);
    struct Case {
        float angle;
        int width;
        float cx, cy;
        int blur;
    } const cases[] = {
        {0, 0, 0, 0, 0},     // the upper half, a one-pixel edge
        {90, 0, 0, 0, 0},    // the right half
        {30, 0, 2.5f, -1, 3},
        {0, 6, 0, 0, 0},     // a 6-pixel band through the centre
        {0, -6, 0, 0, 0},    // the band cut out
        {-45, 10, -3, 2, 2},
        {0, 100, 0, 0, 0},   // a band wider than the picture keeps everything
        {0, -100, 0, 0, 0},  // and cut out removes everything
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "angle " << c.angle << " width " << c.width << " centre " << c.cx << ","
                                        << c.cy << " blur " << c.blur);
        auto f = make<LineClipFilter>();
        f->angle.setValue(c.angle, 0);
        f->width.setValue(c.width, 0);
        f->centerX.setValue(c.cx, 0);
        f->centerY.setValue(c.cy, 0);
        f->blur.setValue(c.blur, 0);
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_EQ(out.get(), raw); // in place
        EXPECT_TRUE(near(download(*out), masked(in, c.cx, c.cy, lineMask(c.angle, c.width, c.blur))));
    }
}

// ---- 扇クリッピング ----

TEST_F(ClipFilterTest, AngleClipMatchesTheReference)
{
    const Image in = fixture(24, 18);
    struct Case {
        float base, range;
        bool middle;
        float cx, cy;
        int blur;
    } const cases[] = {
        {0, 0, false, 0, 0, 1},     // no sector: unchanged
        {0, 360, false, 0, 0, 1},   // everything cleared
        {30, -360, false, 0, 0, 1},
        {0, 90, false, 0, 0, 0},    // the upper-left quadrant
        {0, -90, false, 0, 0, 0},   // the same as 90 from -90
        {-90, 90, false, 0, 0, 0},
        {0, 90, true, 0, 0, 0},     // centred on the base ray: -45 to 45
        {45, -90, true, 0, 0, 2},
        {20, 200, false, 2, -3, 3}, // wide
        {-30, 300, true, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "base " << c.base << " range " << c.range << " middle " << c.middle);
        auto f = make<AngleClipFilter>();
        f->baseAngle.setValue(c.base, 0);
        f->rangeAngle.setValue(c.range, 0);
        f->centerBase.value = c.middle;
        f->centerX.setValue(c.cx, 0);
        f->centerY.setValue(c.cy, 0);
        f->blur.setValue(c.blur, 0);
        bool cleared;
        auto mask = fanMask(c.base, c.range, c.blur, c.middle, cleared);
        const Image want = cleared ? blank(in.width, in.height) : mask ? masked(in, c.cx, c.cy, mask) : in;
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_EQ(out.get(), raw);
        EXPECT_TRUE(near(download(*out), want));
    }
}

TEST_F(ClipFilterTest, NegativeRangeRemovesTheSectorOfThePositiveRangeTurnedBack)
{
    const Image in = solid(20, 20, {1, 1, 1, 1});
    auto run = [&](float base, float range) {
        auto image = upload(in);
        core<AngleClipFilter>().clip(image, base, range, 0, 0, 0, false);
        return download(*image);
    };
    EXPECT_TRUE(near(run(10, -90), run(-80, 90)));
    // 0 degrees points left and the sector turns clockwise: 90 clears the
    // upper-left quadrant and keeps the rest.
    const Image quadrant = run(0, 90);
    EXPECT_LT(quadrant.at(2, 2)[3], 0.01f);
    EXPECT_GT(quadrant.at(17, 2)[3], 0.99f);
    EXPECT_GT(quadrant.at(2, 17)[3], 0.99f);
}

// ---- マスク ----

class MaskFilterTest : public ClipFilterTest {
protected:
    // An 8 x 6 mask of varied luminance under the temporary-buffer name "m".
    void SetUp() override
    {
        ClipFilterTest::SetUp();
        maskImage = blank(8, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x) {
                const float a = (x + y) % 3 == 0 ? 0.5f : 1.0f;
                maskImage(x, y) = {a * x / 7.0f, a * y / 5.0f, a * 0.8f, a};
            }
        maskImage = stored(maskImage);
        cache->put("m", upload(maskImage), 48);
        cache->put("empty", std::make_shared<Media::ResourceBuffer>(0, 0), 0);
        render.resourceCache = cache.get();
    }
    // The cached pictures go before the device.
    void TearDown() override
    {
        render.resourceCache = nullptr;
        cache.reset();
        ClipFilterTest::TearDown();
    }
    std::shared_ptr<MaskFilter> mask(const wchar_t* path)
    {
        auto f = make<MaskFilter>();
        f->source.setFilePath(path);
        return f;
    }

    Image maskImage;
    std::unique_ptr<Render::ResourceCache> cache = std::make_unique<Render::ResourceCache>(1 << 20);
};

TEST_F(MaskFilterTest, MaskPlacesTheMaskPictureAsTheReference)
{
    const Image in = fixture(24, 18);
    struct Case {
        double size, aspect, rotation, x, y;
        bool invert, fit;
    } const cases[] = {
        {16, 0, 0, 0, 0, false, false},   // 16 x 12 at the centre
        {16, 0, 0, 0, 0, true, false},
        {20, 50, 30, 2, -3, false, false}, // narrowed and turned
        {20, -40, -75, 0, 1.5, false, false},
        {10, 100, 0, 0, 0, false, true},  // fit: the picture's size, aspect ignored
        {10, 0, 15, 3, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "size " << c.size << " aspect " << c.aspect << " rotation " << c.rotation
                                        << " invert " << c.invert << " fit " << c.fit);
        auto f = mask(L"*m");
        f->size.setValue(c.size, 0);
        f->aspect.setValue(c.aspect, 0);
        f->rotation.setValue(c.rotation, 0);
        f->x.setValue(c.x, 0);
        f->y.setValue(c.y, 0);
        f->invert.value = c.invert;
        f->fit.value = c.fit;
        const float v = float(c.size) / 8, d = float(c.aspect * 0.01);
        float w = 8 * v, h = 6 * v;
        if (c.fit) {
            w = float(in.width), h = float(in.height);
        } else {
            w *= d > 0 ? 1 - d : 1;
            h *= d < 0 ? 1 + d : 1;
        }
        const float r = float(c.rotation * 3.14159265358979323846 / 180), sn = std::sin(r), cs = std::cos(r);
        const Image want = masked(in, float(c.x), float(c.y), [&](float qx, float qy) {
            const float u = (cs * qx + sn * qy) / w + 0.5f, vv = (-sn * qx + cs * qy) / h + 0.5f;
            const float m = Reference::lum(Reference::sample(maskImage.pixels, 8, 6, u, vv, true, 4, 4));
            return c.invert ? 1 - m : m;
        });
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        ASSERT_EQ(out.get(), raw);
        EXPECT_TRUE(near(download(*out), want, 4e-3f));
    }
}

TEST_F(MaskFilterTest, MasksWithoutAreaClearOrKeepAndMissingMasksPassThePictureOn)
{
    const Image in = fixture();
    struct Case {
        const wchar_t* path;
        double size, aspect;
        bool invert, fit, cleared;
    } const cases[] = {
        {L"*m", 0, 0, false, false, true},   // サイズ 0
        {L"*m", 0, 0, true, false, false},   // inverted: kept
        {L"*m", 50, 100, false, false, true}, // 縦横比 100 without fit
        {L"*m", 50, -100, true, false, false},
        {L"*missing", 50, 0, false, false, false}, // no such buffer
        {L"*empty", 50, 0, false, false, false},   // a buffer without pixels: no mask, no infinite size
        {L"/no/such/mask.png", 50, 0, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << System::wideToUtf8(c.path) << " size " << c.size << " aspect " << c.aspect
                                        << " invert " << c.invert);
        auto f = mask(c.path);
        f->size.setValue(c.size, 0);
        f->aspect.setValue(c.aspect, 0);
        f->invert.value = c.invert;
        f->fit.value = c.fit;
        EXPECT_TRUE(near(filter(*f, in), c.cleared ? blank(in.width, in.height) : in, 0));
    }
}

TEST_F(MaskFilterTest, TheDefaultMaskIsTheCircle)
{
    auto f = make<MaskFilter>();
    f->size.setValue(20, 0);
    const Image got = filter(*f, solid(24, 24, {1, 1, 1, 1}));
    EXPECT_GT(got.at(12, 12)[3], 0.99f);
    EXPECT_LT(got.at(12, 1)[3], 0.01f); // outside the circle of diameter 20
    EXPECT_LT(got.at(4, 4)[3], 0.01f);  // inside its square but outside the circle
    EXPECT_GT(got.at(12, 4)[3], 0.5f);
}

// ---- the wipes through the cores ----

TEST_F(ClipFilterTest, ClockAndLineWipesDrawThroughTheClipCores)
{
    const auto& list = resources->transitionList.transitions;
    for (int mode : {Resource::Transition::Clock, Resource::Transition::Horizontal, Resource::Transition::Vertical}) {
        auto wipe = std::find_if(list.begin(), list.end(), [&](const auto& t) { return t.mode == mode; });
        ASSERT_NE(wipe, list.end());
        SCOPED_TRACE(System::wideToUtf8(wipe->name));
        for (float progress : {0.0f, 0.25f, 1.0f}) {
            auto mask = wipe->createMask(40, 30, progress, 0, false);
            ASSERT_TRUE(mask);
            const std::vector<float> alpha = alphaOf(*mask);
            const double covered = coverage(alpha) / double(alpha.size());
            EXPECT_NEAR(covered, progress, progress == 0.25f ? 0.03 : 0.0) << "progress " << progress;
        }
    }
    // The horizontal wipe opens from the left, the vertical one from the top.
    auto horizontal = std::find_if(list.begin(), list.end(), [](const auto& t) { return t.mode == 2; });
    auto vertical = std::find_if(list.begin(), list.end(), [](const auto& t) { return t.mode == 3; });
    const std::vector<float> h = alphaOf(*horizontal->createMask(40, 30, 0.25f, 0, false));
    const std::vector<float> v = alphaOf(*vertical->createMask(40, 30, 0.25f, 0, false));
    EXPECT_GT(h[size_t(15) * 40 + 2], 0.99f);
    EXPECT_LT(h[size_t(15) * 40 + 37], 0.01f);
    EXPECT_GT(v[size_t(2) * 40 + 20], 0.99f);
    EXPECT_LT(v[size_t(27) * 40 + 20], 0.01f);
}

// ---- the edge handles ----

class ClipAnchorTest : public AnchorTest::AnchorEffectTest {
protected:
    ClipAnchorTest()
    {
        p.object->effects = {p.source, p.output, clip};
        place(p);
    }
    // Registers the clip's handles at frame 30 on a 200 x 100 picture and lays them out.
    void registerHandles()
    {
        list.clear();
        Render::RenderObject r = frameOf(p, 30);
        clip->createAnchor(r, 200, 100);
        layout(640, 360);
    }

    AnchorTest::Placed p;
    std::shared_ptr<ClipFilter> clip = std::make_shared<ClipFilter>();
};

TEST_F(ClipAnchorTest, HandlesMoveTheirMarginsAndStopAtZero)
{
    registerHandles();
    ASSERT_EQ(idsOf(*clip, Anchor::Shape::EdgePoint).size(), 4u);
    const auto& leftHandle = find(*clip, Anchor::Shape::EdgePoint, Anchor::Id::AllPoints);
    EXPECT_EQ(leftHandle.flags & 0x1e0, uint32_t(ClipFilter::Left));

    // The view shows the 1920 x 1080 frame at 640 x 360: a view pixel is 3.
    drag(leftHandle, 10, 0);
    EXPECT_NEAR(clip->left.getIndexValue(0), 30, 1);

    const Anchor::AnchorItem* rightHandle = nullptr;
    for (const Anchor::AnchorItem* item : itemsOf(*clip, Anchor::Shape::EdgePoint))
        if (item->flags & ClipFilter::Right)
            rightHandle = item;
    ASSERT_TRUE(rightHandle);
    clip->right.setValue(12, 0);
    Anchor::AnchorEvent event = control.makeEvent(*rightHandle, Anchor::AnchorEvent::Drag);
    Anchor::AnchorControl::setDragOffset(event, 2, 0, false); // right by 6: 右 6
    EXPECT_TRUE(clip->anchorEvent(event));
    EXPECT_NEAR(clip->right.getIndexValue(0), 6, 1);
    Anchor::AnchorControl::setDragOffset(event, 10, 0, false); // far past 0: held at 0
    clip->anchorEvent(event);
    EXPECT_EQ(clip->right.getIndexValue(0), 0);
    // Further right changes nothing, and moving back left counts from the
    // bound, not from where the mouse went past it.
    Anchor::AnchorControl::setDragOffset(event, 12, 0, false);
    clip->anchorEvent(event);
    EXPECT_EQ(clip->right.getIndexValue(0), 0);
    Anchor::AnchorControl::setDragOffset(event, 9, 0, false);
    clip->anchorEvent(event);
    EXPECT_NEAR(clip->right.getIndexValue(0), 3, 1);

    event.kind = Anchor::AnchorEvent::Activate;
    EXPECT_FALSE(clip->anchorEvent(event));
}

TEST_F(ClipAnchorTest, HandlesOnlyOnTheUnlockedFocusObject)
{
    clip->lock = true;
    registerHandles();
    EXPECT_TRUE(itemsOf(*clip).empty());
    clip->lock = false;
    scene.focusObject = nullptr;
    registerHandles();
    EXPECT_TRUE(itemsOf(*clip).empty());
    scene.focusObject = p.object;
    // An effect that is not in the object's list adds nothing.
    auto stranger = std::make_shared<ClipFilter>();
    list.clear();
    Render::RenderObject r = frameOf(p, 30);
    stranger->createAnchor(r, 200, 100);
    EXPECT_TRUE(list.items.empty());
    registerHandles();
    EXPECT_EQ(itemsOf(*clip).size(), 4u);
}

} // namespace
} // namespace FilterTest
