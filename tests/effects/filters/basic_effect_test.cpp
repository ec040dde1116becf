// The basic effects: the drawing-state changes along a chain, 領域拡張's
// margins, 反転's draws against references, and 座標's handles.
#include "effect/anchor_list.h"
#include "effects/filters/basic/basic_effects.h"
#include "tests/effect/anchor_fixture.h"
#include "tests/effects/filters/filter_reference.h"

namespace FilterTest {
namespace {

using namespace Effect;

class BasicEffectTest : public FilterFixture {};

TEST_F(BasicEffectTest, DrawingStateEffectsActInChainOrder)
{
    auto moveA = make<BasicMove>(), moveB = make<BasicMove>();
    moveA->x.setValue(-30, 0);
    moveB->x.setValue(100, 0);
    moveB->y.setValue(5, 0);
    moveB->z.setValue(-2, 0);
    auto scale = make<BasicScale>();
    scale->scale.setValue(200, 0);
    scale->x.setValue(50, 0);
    auto alphaA = make<BasicAlpha>(), alphaB = make<BasicAlpha>();
    alphaA->alpha.setValue(50, 0);
    alphaB->alpha.setValue(50, 0);
    auto angle = make<BasicAngle>();
    angle->x.setValue(10, 0);
    angle->z.setValue(-45, 0);
    for (EffectBase* e : std::initializer_list<EffectBase*>{moveA.get(), moveB.get(), scale.get(), alphaA.get(),
                                                            alphaB.get(), angle.get()})
        EXPECT_EQ(e->filterVideo(render, nullptr), nullptr); // the picture passed on
    const auto& s = render.drawState;
    EXPECT_FLOAT_EQ(s.x, 70);
    EXPECT_FLOAT_EQ(s.y, 5);
    EXPECT_FLOAT_EQ(s.z, -2);
    EXPECT_FLOAT_EQ(s.sx, 1); // 200 % with X 50 %
    EXPECT_FLOAT_EQ(s.sy, 2);
    EXPECT_FLOAT_EQ(s.sz, 2);
    EXPECT_FLOAT_EQ(s.alpha, 0.25f);
    EXPECT_FLOAT_EQ(s.rx, 10);
    EXPECT_FLOAT_EQ(s.rz, -45);

    // 拡大率 0 hides the object; 100 with 100 on every axis changes nothing;
    // 透明度 100 gives alpha 0.
    render.drawState = {};
    auto keep = make<BasicScale>();
    keep->filterVideo(render, nullptr);
    EXPECT_FLOAT_EQ(render.drawState.sx * render.drawState.sy * render.drawState.sz, 1);
    auto zero = make<BasicScale>();
    zero->scale.setValue(0, 0);
    zero->filterVideo(render, nullptr);
    EXPECT_EQ(render.drawState.sx + render.drawState.sy + render.drawState.sz, 0);
    auto opaque = make<BasicAlpha>();
    opaque->alpha.setValue(100, 0);
    opaque->filterVideo(render, nullptr);
    EXPECT_EQ(render.drawState.alpha, 0);
}

TEST_F(BasicEffectTest, ExpandAddsMargins)
{
    const Image in = fixture();
    auto f = make<BasicExpand>();
    auto image = upload(in);
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(f->filterVideo(render, std::move(image)).get(), raw); // no margin: the picture itself

    const struct {
        double top, bottom, left, right;
        bool fill;
    } cases[] = {
        {0, 0, 10, 0, false},
        {0, 0, 10, 0, true}, // the new columns repeat the first one
        {0.5, 2, 0, 3, true}, // 0.5 rounds to 1
        {1, 1, 1, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.top << " " << c.bottom << " " << c.left << " " << c.right << " " << c.fill);
        f->top.setValue(c.top, 0);
        f->bottom.setValue(c.bottom, 0);
        f->left.setValue(c.left, 0);
        f->right.setValue(c.right, 0);
        f->fill.value = c.fill;
        const int t = int(std::lround(c.top)), l = int(std::lround(c.left));
        const int w = in.width + l + int(std::lround(c.right)), h = in.height + t + int(std::lround(c.bottom));
        const Image want = Ref::generate(w, h, [&](int x, int y) {
            if (c.fill)
                return in.at(std::clamp(x - l, 0, in.width - 1), std::clamp(y - t, 0, in.height - 1));
            return in.at(x - l, y - t);
        });
        const float cx = render.drawState.cx;
        EXPECT_TRUE(near(filter(*f, in), want, 0));
        EXPECT_EQ(render.drawState.cx, cx); // the centre stays
    }
}

struct InvertCase {
    bool upsideDown, mirror, luminance, hue, transparency;
};

Image invert(Image p, const InvertCase& c)
{
    if (c.upsideDown || c.mirror)
        p = Ref::generate(p.width, p.height, [&](int x, int y) {
            return p.at(c.mirror ? p.width - 1 - x : x, c.upsideDown ? p.height - 1 - y : y);
        });
    if (c.luminance || c.hue)
        p = Ref::generate(p.width, p.height, [&](int x, int y) {
            const Pixel s = p.at(x, y);
            if (s[3] < 0.001f)
                return s;
            const float r = s[0] / s[3], g = s[1] / s[3], b = s[2] / s[3];
            const float k = c.hue ? -1.0f : 1.0f;
            const float Y = (0.299f * r + 0.587f * g + 0.114f * b) * (c.luminance ? -1.0f : 1.0f) + (c.luminance ? 1 : 0);
            const float cb = (-0.169f * r - 0.331f * g + 0.5f * b) * k, cr = (0.5f * r - 0.419f * g - 0.081f * b) * k;
            // The turned colour is clamped to 0..1: the picture stays premultiplied.
            return Pixel{Reference::sat(Y + 1.402f * cr) * s[3], Reference::sat(Y - 0.344f * cb - 0.714f * cr) * s[3],
                         Reference::sat(Y + 1.772f * cb) * s[3], s[3]};
        });
    if (c.transparency)
        p = Ref::generate(p.width, p.height, [&](int x, int y) {
            const Pixel s = p.at(x, y);
            if (s[3] < 0.001f)
                return Pixel{1, 1, 1, 1};
            const float a = 1 - s[3];
            return Pixel{s[0] / s[3] * a, s[1] / s[3] * a, s[2] / s[3] * a, a};
        });
    return p;
}

TEST_F(BasicEffectTest, InvertMatchesTheReference)
{
    const Image in = fixture();
    const InvertCase cases[] = {
        {true, false, false, false, false}, {false, true, false, false, false}, {true, true, false, false, false},
        {false, false, true, false, false}, {false, false, false, true, false}, {false, false, true, true, false},
        {false, false, false, false, true}, {true, true, true, true, true},
    };
    for (const InvertCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.upsideDown << c.mirror << c.luminance << c.hue << c.transparency);
        auto f = make<BasicInvert>();
        f->upsideDown.value = c.upsideDown;
        f->mirror.value = c.mirror;
        f->luminance.value = c.luminance;
        f->hue.value = c.hue;
        f->transparency.value = c.transparency;
        EXPECT_TRUE(near(filter(*f, in), invert(in, c)));
    }
    // Both mirrors turn the picture by 180 degrees.
    auto turn = make<BasicInvert>();
    turn->upsideDown.value = turn->mirror.value = true;
    const Image turned = filter(*turn, in);
    EXPECT_EQ(turned.at(0, 0), in.at(16, 10));
    EXPECT_EQ(turned.at(16, 3), in.at(0, 7));
}

TEST_F(BasicEffectTest, InvertEdgeCases)
{
    auto none = make<BasicInvert>();
    auto image = upload(fixture());
    Media::ResourceBuffer* raw = image.get();
    EXPECT_EQ(none->filterVideo(render, std::move(image)).get(), raw);

    auto transparency = make<BasicInvert>();
    transparency->transparency.value = true;
    for (const Pixel& p : filter(*transparency, solid(3, 2, {0, 0, 0, 0})).pixels)
        EXPECT_EQ(p, (Pixel{1, 1, 1, 1}));
    auto luminance = make<BasicInvert>();
    luminance->luminance.value = true;
    const Image got = filter(*luminance, solid(2, 1, {0, 0, 0, 1}));
    for (int c = 0; c < 4; ++c)
        EXPECT_NEAR(got.at(0, 0)[c], 1.0f, 1e-3f);
    const Image faint = filter(*luminance, solid(1, 1, {0.0004f, 0, 0, 0.0005f}));
    EXPECT_EQ(faint.at(0, 0), (Pixel{TestKit::toHalf(0.0004f), 0, 0, TestKit::toHalf(0.0005f)}));
}

// ---- 座標's handles ----

using AnchorTest::AnchorEffectTest;
using Anchor::AnchorItem;
using Anchor::Flag;
using Anchor::Id;
using Anchor::Shape;

class BasicMoveAnchors : public AnchorEffectTest {
protected:
    // Source, output and 座標 over frames 0 to 99 with mid-points at 30 and 60.
    struct Moved {
        std::shared_ptr<AnchorTest::TestSource> source = std::make_shared<AnchorTest::TestSource>();
        std::shared_ptr<AnchorTest::TestOutput> output = std::make_shared<AnchorTest::TestOutput>();
        std::shared_ptr<BasicMove> move = std::make_shared<BasicMove>();
        std::shared_ptr<Edit::Object> object = EffectTest::makeObject(0, 99, {30, 60});
        Moved() { object->effects = {source, output, move}; }
    };
    void placeMoved(Moved& m)
    {
        AnchorTest::Placed p;
        p.object = m.object;
        place(p);
    }
    void animate(Moved& m)
    {
        m.move->x.setMovement(movement(L"直線移動"));
        m.move->x.values = {0, 1000, 3000, 0};
        m.move->y.values = {2000};
    }
};

TEST_F(BasicMoveAnchors, FocusObjectShowsSectionHandlesAndAMarker)
{
    Moved m;
    animate(m);
    placeMoved(m);
    Render::RenderObject r = frameOf(AnchorTest::Placed{}, 0);
    r = EffectTest::renderAt(m.object, 45);
    r.scene = &scene;
    r.anchors = &list;
    r.drawState.target = &target;
    m.move->filterVideo(r, nullptr);
    const float x = r.drawState.x;
    m.move->createAnchor(r, 200, 100);
    EXPECT_EQ(r.drawState.x, x); // the state comes back as it was

    EXPECT_EQ(idsOf(*m.move, Shape::FilterPoint), (std::vector<int>{Id::AllPoints, 0, 1, 2, 3}));
    const AnchorItem& current = find(*m.move, Shape::FilterPoint, Id::AllPoints);
    EXPECT_TRUE(current.flags & Flag::Hidden);
    // At frame 45, halfway from 10 to 30: X 20, Y 20 (pixels), z 0.
    EXPECT_NEAR(current.startPoint.x, 20, 1e-3);
    EXPECT_NEAR(current.startPoint.y, 20, 1e-3);
    for (int point = 0; point < 4; ++point) {
        const AnchorItem& section = find(*m.move, Shape::FilterPoint, point);
        EXPECT_TRUE(section.flags & Flag::SectionPoint);
        EXPECT_FALSE(section.flags & Flag::Hidden);
        EXPECT_NEAR(section.startPoint.x, m.move->x.values[point] / 100.0, 1e-3);
    }
    EXPECT_EQ(itemsOf(*m.move, Shape::ColorMarker).size(), 1u);
    EXPECT_EQ(itemsOf(*m.move, Shape::Line).size(), 1u); // the movement path

    // Dragging the current handle moves every value of X by the drag.
    layout(1920, 1080);
    drag(current, 10, 0);
    EXPECT_EQ(m.move->x.values, (std::vector<int32_t>{1000, 2000, 4000, 1000}));
}

TEST_F(BasicMoveAnchors, UnfocusedObjectShowsOnlyTheFlaggedCurrentHandle)
{
    Moved focus, other;
    placeMoved(focus); // the first placed is the focus object
    animate(other);
    other.object->layer = 1;
    placeMoved(other);
    Render::RenderObject r = EffectTest::renderAt(other.object, 10);
    r.scene = &scene;
    r.anchors = &list;
    r.drawState.target = &target;
    // Filters register nothing for an object out of focus ...
    other.move->createAnchor(r, 200, 100);
    EXPECT_TRUE(list.items.empty());
    // ... and their own registration shows the current point only, flagged.
    other.move->setEffectAnchor(r, other.move, 200, 100);
    EXPECT_EQ(idsOf(*other.move, Shape::FilterPoint), std::vector<int>{Id::AllPoints});
    EXPECT_TRUE(find(*other.move, Shape::FilterPoint, Id::AllPoints).flags & Flag::Hidden);

    // A still point on the focus object is drawn (not flagged) and has no sections.
    list.clear();
    Render::RenderObject f = EffectTest::renderAt(focus.object, 10);
    f.scene = &scene;
    f.anchors = &list;
    f.drawState.target = &target;
    focus.move->createAnchor(f, 200, 100);
    EXPECT_EQ(idsOf(*focus.move, Shape::FilterPoint), std::vector<int>{Id::AllPoints});
    EXPECT_FALSE(find(*focus.move, Shape::FilterPoint, Id::AllPoints).flags & Flag::Hidden);
}

} // namespace
} // namespace FilterTest
