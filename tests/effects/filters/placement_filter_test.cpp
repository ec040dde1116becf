// The placement and transition filters: フェード's factors and frame offset,
// ワイプ's masks and inversion per phase, 振動's terms and repeatable random
// strengths, 画像ループ's tiles on one canvas or drawn as objects of their
// own, オブジェクト分割's pieces drawn through the output, and オフスクリーン描画
// drawing in frame space for a direct composite.
#include "effects/filters/basic/basic_effects.h"
#include "effects/filters/placement/image_loop.h"
#include "effects/filters/placement/object_divide.h"
#include "effects/filters/placement/temp_draw.h"
#include "effects/filters/placement/transition_filters.h"
#include "effects/objects/basic_output.h"
#include "effects/filters/processing/seed_random.h"
#include "media/transition.h"
#include "project/model/scene.h"
#include "tests/effects/filters/compose_reference.h"
#include "tests/effects/filters/output_recorder.h"

namespace FilterTest {
namespace {

using namespace Effect;

class PlacementFilterTest : public FilterFixture {
protected:
    void SetUp() override
    {
        FilterFixture::SetUp();
        scene = std::make_unique<Edit::Scene>(0, 0);
        scene->videoRate = 30;
        scene->videoScale = 1;
    }
    // The render object at a frame of an object from start to end.
    void at(int start, int end, double time, int frameOffset = 0)
    {
        object->start = start;
        object->end = end;
        render = EffectTest::renderAt(object, time);
        render.scene = scene.get();
        render.frameOffset = frameOffset;
    }
    std::unique_ptr<Edit::Scene> scene;
};

// ---- フェード ----

TEST_F(PlacementFilterTest, FadeFactors)
{
    const struct {
        int start, end;
        double time;
        int frameOffset;
        float alpha;
    } cases[] = {
        {0, 99, 0, 0, 0},         // the first frame
        {0, 99, 7, 0, 7.0f / 15}, // 7 frames in: (7 / 30) / 0.5
        {0, 99, 15, 0, 1},        // from 15 frames on
        {0, 99, 50, 0, 1},
        {0, 99, 10, 3, 7.0f / 15}, // the frame offset shifts the fade-in
        {0, 99, 92, 0, 7.0f / 15}, // 7 frames before the end
        {0, 99, 92, 3, 7.0f / 15}, // but not the fade-out
        {0, 99, 99, 0, 0},
        {0, 9, 3, 0, 0.2f}, // shorter than both fades: the smaller factor (in 0.2, out 0.4)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "time " << c.time << " offset " << c.frameOffset);
        at(c.start, c.end, c.time, c.frameOffset);
        render.drawState.alpha = 0.5f;
        auto f = make<FadeFilter>();
        EXPECT_EQ(f->filterVideo(render, nullptr), nullptr);
        EXPECT_NEAR(render.drawState.alpha, 0.5f * c.alpha, 1e-6);
    }
}

// ---- ワイプ ----

TEST_F(PlacementFilterTest, WipeMasksPerPhase)
{
    const Image in = solid(40, 24, {0.5f, 0.25f, 0.75f, 1});
    const Resource::Transition& circle = resources->transitionList.transitions[0];
    const struct {
        double time;
        bool inverted;
        float mask; // progress of the mask drawn; < 0: untouched
    } cases[] = {
        {6, true, 1 - 0.4f}, // fade-in, inverted: 1 - p and the mask's complement
        {50, false, -1},     // between the phases: untouched
        {90, false, 0.6f},   // fade-out, plain
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "time " << c.time);
        at(0, 99, c.time);
        auto f = make<WipeFilter>();
        f->invertIn.value = true;
        f->blur.setValue(3, 0);
        auto image = upload(in);
        Media::ResourceBuffer* raw = image.get();
        auto out = f->filterVideo(render, std::move(image));
        EXPECT_EQ(out.get(), raw); // drawn in place
        const Image got = download(*out);
        if (c.mask < 0) {
            EXPECT_TRUE(near(got, in, 0));
            continue;
        }
        const std::vector<float> mask = alphaOf(*circle.createMask(40, 24, c.mask, 3, true));
        const Image want = Ref::generate(40, 24, [&](int x, int y) {
            const float a = mask[size_t(y) * 40 + x];
            return Ref::scaled(in.at(x, y), c.inverted ? 1 - a : a);
        });
        EXPECT_TRUE(near(got, want, 4e-3f));
    }

    // Every wipe through the same call (the clock and line wipes on the
    // registered clip filters); a type outside the list leaves the picture.
    at(0, 99, 9);
    for (size_t kind : {size_t(1), size_t(2), size_t(3), size_t(4), size_t(5), size_t(6),
                        resources->transitionList.transitions.size()}) {
        SCOPED_TRACE(kind);
        auto f = make<WipeFilter>();
        f->kind.value = static_cast<int>(kind);
        f->keepAspect.value = false;
        const Image got = download(*f->filterVideo(render, upload(in)));
        if (kind >= resources->transitionList.transitions.size()) {
            EXPECT_TRUE(near(got, in, 0));
            continue;
        }
        const std::vector<float> mask =
            alphaOf(*resources->transitionList.transitions[kind].createMask(40, 24, 0.6f, 2, false));
        if (kind >= 2 && kind <= 4) { // clock and lines at 0.6: about 60 % open
            EXPECT_NEAR(coverage(mask), 0.6 * 40 * 24, 0.08 * 40 * 24);
        }
        EXPECT_TRUE(near(got, Ref::generate(40, 24, [&](int x, int y) {
                             return Ref::scaled(in.at(x, y), mask[size_t(y) * 40 + x]);
                         }), 4e-3f));
    }
}

// ---- 振動 ----

TEST_F(PlacementFilterTest, QuakeTerms)
{
    const float pi = 3.14159265f;
    const struct {
        double period;
        bool complex;
        std::function<float(int)> wave; // of the frames since the start
    } cases[] = {
        {2, false, [&](int t) { return std::sin(pi * t / 2); }},
        {1, false, [&](int t) { return std::cos(pi * t); }}, // period 1 shakes
        {8, true, [&](int t) {
             return std::sin(pi * t / 8) + std::sin(pi * t / 4) / 2 + std::sin(pi * t / 2) / 4 +
                    std::cos(pi * t) / 8;
         }},
        {5, true, [&](int t) { return std::sin(pi * t / 5) + std::sin(pi * t / 2) / 2 + std::cos(pi * t) / 4; }},
    };
    for (const auto& c : cases) {
        for (int t = 0; t < 12; ++t) {
            SCOPED_TRACE(testing::Message() << "period " << c.period << " frame " << t);
            at(10, 99, 10 + t);
            auto f = make<QuakeFilter>();
            f->period.setValue(c.period, 0);
            f->complex.value = c.complex;
            f->randomStrength.value = false;
            f->x.setValue(10, 0);
            f->y.setValue(-4, 0);
            f->z.setValue(3, 0);
            render.drawState.x = 1;
            EXPECT_EQ(f->filterVideo(render, nullptr), nullptr);
            const float w = c.wave(t);
            EXPECT_NEAR(render.drawState.x, 1 + 10 * w, 1e-4);
            EXPECT_NEAR(render.drawState.y, -4 * w, 1e-4);
            EXPECT_NEAR(render.drawState.z, 3 * w, 1e-4);
        }
    }
}

TEST_F(PlacementFilterTest, QuakeRandomStrengthsAreRepeatable)
{
    auto f = make<QuakeFilter>();
    f->period.setValue(4, 0);
    auto shake = [&](int time, int index, int layer) {
        at(10, 99, time);
        render.index = index;
        render.layer = layer;
        return f->displacement(render);
    };
    for (int time = 10; time < 30; ++time) {
        SCOPED_TRACE(time);
        const QuakeFilter::Offset a = shake(time, 2, 3), b = shake(time, 2, 3);
        EXPECT_EQ(a.x, b.x); // the same object and frame: the same shake
        EXPECT_EQ(a.y, b.y);
        // Each half period's strengths from the shared seed generator.
        const int k = (time - 10) / 4;
        const uint32_t h = ((((((99u << 4) ^ 2u) << 4) ^ 10u) << 8) ^ 0u) ^ 3u;
        uint64_t g = SeedRandom::start(static_cast<int32_t>(h), k);
        const float u1 = SeedRandom::unit(SeedRandom::next(g)), u2 = SeedRandom::unit(SeedRandom::next(g));
        const float w = std::sin(3.14159265f * (time - 10) / 4);
        EXPECT_NEAR(a.x, u1 * 10 * w, 1e-4);
        EXPECT_NEAR(a.y, u2 * 10 * w, 1e-4);
        EXPECT_EQ(a.z, 0);
    }
    // Another copy index shakes otherwise.
    int differ = 0;
    for (int time = 11; time < 30; time += 4)
        differ += shake(time, 2, 3).x != shake(time, 5, 3).x;
    EXPECT_GT(differ, 0);
}

// ---- オブジェクト分割 ----

TEST_F(PlacementFilterTest, ObjectDivideDrawsEachPieceThroughTheRestOfTheChain)
{
    const Image in = fixture(100, 4);
    auto divide = make<ObjectDivide>();
    divide->columns.setValue(3, 0);
    divide->rows.setValue(1, 0);
    auto after = make<BasicAlpha>();
    after->alpha.setValue(50, 0);
    Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
    auto recorder = chainWithRecorder(render, *object, target, {divide, after},
                                      [this](const Media::ResourceBuffer& b) { return download(b); });
    render.index = 1;
    render.num = 2;
    EXPECT_EQ(divide->filterVideo(render, upload(in)), nullptr);
    ASSERT_EQ(recorder->draws.size(), 3u);
    const int lefts[] = {0, 33, 66}, widths[] = {33, 33, 34};
    const float xs[] = {-33.5f, -0.5f, 33};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const OutputRecorder::Draw& d = recorder->draws[size_t(i)];
        EXPECT_EQ(d.picture.width, widths[i]);
        EXPECT_EQ(d.picture.height, 4);
        EXPECT_TRUE(near(d.picture, Ref::canvas(in, widths[i], 4, -lefts[i], 0), 0));
        EXPECT_FLOAT_EQ(d.state.x, xs[i]);
        EXPECT_FLOAT_EQ(d.state.y, 0);
        EXPECT_FLOAT_EQ(d.state.alpha, 0.5f); // the filter after it ran once on each piece
        EXPECT_EQ(d.index, 3 + i);
        EXPECT_EQ(d.num, 6);
    }
    EXPECT_TRUE(render.skipOutputTransform);
    EXPECT_FLOAT_EQ(render.drawState.alpha, 1);
}

TEST_F(PlacementFilterTest, ObjectDivideSkipsPiecesOfNoPixels)
{
    // 100 columns on 50 pixels: every other piece would be 0 wide.
    const Image in = fixture(50, 3);
    auto divide = make<ObjectDivide>();
    divide->columns.setValue(100, 0);
    divide->rows.setValue(1, 0);
    Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
    auto recorder = chainWithRecorder(render, *object, target, {divide},
                                      [this](const Media::ResourceBuffer& b) { return download(b); });
    EXPECT_EQ(divide->filterVideo(render, upload(in)), nullptr);
    ASSERT_EQ(recorder->draws.size(), 50u);
    for (size_t i = 0; i < recorder->draws.size(); ++i) {
        const OutputRecorder::Draw& d = recorder->draws[i];
        EXPECT_EQ(d.index, int(2 * i + 1)); // the skipped pieces still count
        EXPECT_EQ(d.picture.width, 1);
        EXPECT_TRUE(near(d.picture, Ref::canvas(in, 1, 3, -int(i), 0), 0));
    }
    EXPECT_EQ(render.index, 100);
}

// ---- 画像ループ ----

// The picture shifted by (dx, dy) pixels with wrap-around, over a canvas.
Image wrapped(const Image& in, int width, int height, int dx, int dy)
{
    auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
    return Ref::generate(width, height,
                         [&](int x, int y) { return in.at(wrap(x + dx, in.width), wrap(y + dy, in.height)); });
}

TEST_F(PlacementFilterTest, ImageLoopTilesTheCanvas)
{
    const Image in = fixture(100, 50); // a transparent margin and a half-transparent block
    const struct {
        double columns, rows, offsetX, offsetY;
        int width, height, dx, dy;
    } cases[] = {
        {1, 1, 0, 0, 100, 50, 0, 0},      // the defaults: the picture itself
        {3, 2, 0, 0, 300, 100, 0, 0},     // 3 x 2 repeats
        {3, 2, 0.5, 0, 300, 100, 50, 0},  // every tile starts at the middle column
        {2, 3, -0.25, 1.4, 200, 150, -25, 20}, // both ways, past a whole picture
        {2.5, 1.4, 0, 0, 300, 50, 0, 0},  // counts rounded, halves away from zero
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.columns << " x " << c.rows << " offset " << c.offsetX << ", "
                                        << c.offsetY);
        // A dropped opaque picture of the output's size: the canvas the pool
        // hands back must not show through the transparent parts.
        upload(solid(c.width, c.height, {1, 0, 0, 1})).reset();
        auto f = make<ImageLoop>();
        f->columns.setValue(c.columns, 0);
        f->rows.setValue(c.rows, 0);
        f->offsetX.setValue(c.offsetX, 0);
        f->offsetY.setValue(c.offsetY, 0);
        const Image got = filter(*f, in);
        EXPECT_TRUE(near(got, wrapped(in, c.width, c.height, c.dx, c.dy)));
        if (c.offsetX == 0.5) {
            const Image middle = Ref::generate(1, 100, [&](int, int y) { return in.at(50, y % 50); });
            for (int tile = 0; tile < 3; ++tile)
                EXPECT_TRUE(near(Ref::generate(1, 100, [&](int, int y) { return got.at(100 * tile, y); }), middle))
                    << "tile " << tile;
        }
    }
    // 100 repeats of 200 pixels pass the largest side: the canvas is cut at
    // 16384, the tiles keep their size.
    const Image wide = fixture(200, 5);
    auto f = make<ImageLoop>();
    f->columns.setValue(100, 0);
    EXPECT_TRUE(near(filter(*f, wide), wrapped(wide, 16384, 5, 0, 0)));
}

TEST_F(PlacementFilterTest, ImageLoopDrawsEachTileAsAnObject)
{
    const Image in = fixture(10, 6);
    auto loop = make<ImageLoop>();
    loop->columns.setValue(3, 0);
    loop->rows.setValue(2, 0);
    loop->offsetX.setValue(0.5, 0);
    loop->individual.value = true;
    auto after = make<BasicAlpha>();
    after->alpha.setValue(50, 0);
    Media::RenderBuffer target(Media::Format::R16G16B16A16Float);
    auto recorder = chainWithRecorder(render, *object, target, {loop, after},
                                      [this](const Media::ResourceBuffer& b) { return download(b); });
    render.index = 1;
    render.num = 2;
    render.drawState.x = 7;
    upload(solid(10, 6, {1, 0, 0, 1})).reset();
    EXPECT_EQ(loop->filterVideo(render, upload(in)), nullptr);
    ASSERT_EQ(recorder->draws.size(), 6u);
    const Image tile = wrapped(in, 10, 6, 5, 0);
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const OutputRecorder::Draw& d = recorder->draws[size_t(i)];
        EXPECT_EQ(d.index, 6 + i); // counting on from the object's index x 6
        EXPECT_EQ(d.num, 12);
        EXPECT_TRUE(near(d.picture, tile));
        EXPECT_FLOAT_EQ(d.state.x, 7 + (i % 3 - 1) * 10.0f); // rows of three, centred
        EXPECT_FLOAT_EQ(d.state.y, (i / 3 - 0.5f) * 6);
        EXPECT_FLOAT_EQ(d.state.alpha, 0.5f); // the filter after it ran once on each tile
    }
    EXPECT_EQ(render.index, 12);
    EXPECT_TRUE(render.skipOutputTransform);
    EXPECT_FLOAT_EQ(render.drawState.alpha, 1);
    EXPECT_FLOAT_EQ(render.drawState.x, 7);
}

// ---- オフスクリーン描画 ----

// The input of the test object: one picture, made anew for each frame.
class PictureInput : public EffectBase {
public:
    using Made = std::unique_ptr<Media::ResourceBuffer>;
    explicit PictureInput(std::function<Made()> make)
        : EffectBase(L"テスト入力", EffectType::Input, MediaType::Video, MediaType::Video, L""), make_(std::move(make))
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<PictureInput>(make_); }
    Made inputVideo(Render::RenderObject&) override { return make_(); }

private:
    std::function<Made()> make_;
};

TEST_F(PlacementFilterTest, TempDrawDrawsInFrameSpaceOnceAndTheOutputCompositesDirectly)
{
    const int FW = 40, FH = 30;
    scene->width = FW;
    scene->height = FH;
    const Image in = fixture(10, 6);
    auto input = std::make_shared<PictureInput>([&] { return upload(in); });
    auto output = std::dynamic_pointer_cast<VideoOutput>(effects->createEffect(VideoOutput::Name));
    ASSERT_TRUE(output);
    output->x.setValue(4, 0);
    output->y.setValue(-3, 0);
    auto first = make<TempDraw>(), second = make<TempDraw>();
    auto alpha = make<BasicAlpha>();
    alpha->alpha.setValue(50, 0);
    object->effects = {input, output, first, alpha, second};
    Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
    frame.createTexture2D(FW, FH);
    auto reset = [&] {
        at(0, 99, 5);
        render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
        render.drawState.target = &frame;
        Shader::ShaderList::published()->copyShader.copyToRenderBuffer(frame, *upload(blank(FW, FH)));
    };
    // The object at (2, 1) before the filters, the output adding (4, -3):
    // its top-left corner lands at (15 + 6, 12 - 2) of the frame.
    const Image placed = Ref::canvas(in, FW, FH, 21, 10);

    // The first one draws the object where the output would, and resets the placement.
    reset();
    render.drawState.x = 2;
    render.drawState.y = 1;
    render.drawState.sz = 2;
    upload(solid(FW, FH, {1, 0, 0, 1})).reset();
    std::unique_ptr<Media::ResourceBuffer> drawn = first->filterVideo(render, upload(in));
    ASSERT_TRUE(drawn);
    EXPECT_TRUE(near(download(*drawn), placed));
    EXPECT_TRUE(render.offscreenDrawn);
    EXPECT_TRUE(render.focusFixedSize);
    EXPECT_EQ(render.drawState.x, 0);
    EXPECT_EQ(render.drawState.y, 0);
    EXPECT_EQ(render.drawState.sz, 1);
    // The second one passes the picture on unchanged.
    Media::ResourceBuffer* raw = drawn.get();
    EXPECT_EQ(second->filterVideo(render, std::move(drawn)).get(), raw);

    // The whole chain: drawn once, faded by the filter between, and
    // composited unmoved (the output's X and Y are not added again).
    reset();
    render.drawState.x = 2;
    render.drawState.y = 1;
    render.renderObject();
    EXPECT_TRUE(render.offscreenDrawn);
    EXPECT_TRUE(near(download(*frame.createResourceBuffer(true)),
                     Ref::generate(FW, FH, [&](int x, int y) { return Ref::scaled(placed.at(x, y), 0.5f); })));
}

} // namespace
} // namespace FilterTest
