// The outputs: where 標準描画 and 基本出力 place an object (their drawing
// state, case by case), 基本出力's two routes, and the sounding outputs'
// gains, exact mixing and group factors, and the CommonResource the drawing
// outputs share.
#include "tests/effects/objects/draw_fixture.h"

#include "effects/objects/audio_output.h"
#include "effects/objects/basic_output.h"
#include "media/audio_buffer.h"
#include "platform/gpu/gpu.h"
#include "render/render_audio_object.h"

using DrawTest::DrawState;
using TestKit::Picture;
using TestKit::Pixel;

namespace {

class OutputEffectTest : public DrawTest::DrawFixture {};

} // namespace

TEST_F(OutputEffectTest, StandardOutputViewCases)
{
    auto out = useOutput<Effect::VideoOutput>();
    struct Case {
        const char* name;
        std::function<void(Effect::BasicOutput&, Render::RenderObject&)> set;
        std::function<void(const DrawState&)> check;
    };
    const Case cases[] = {
        {"zoom 100 and aspect 0 keep the zoom exactly", [](auto&, auto& r) { r.drawState.sx = 0.3f; },
         [](const DrawState& s) { EXPECT_EQ(s.sx, 0.3f); EXPECT_EQ(s.sy, 1.0f); }},
        {"aspect 100 collapses x", [](auto& o, auto&) { o.aspect.setValue(100, 0); },
         [](const DrawState& s) { EXPECT_EQ(s.sx, 0.0f); EXPECT_EQ(s.sy, 1.0f); }},
        {"aspect -100 collapses y", [](auto& o, auto&) { o.aspect.setValue(-100, 0); },
         [](const DrawState& s) { EXPECT_EQ(s.sx, 1.0f); EXPECT_EQ(s.sy, 0.0f); }},
        {"aspect 50 at zoom 200", [](auto& o, auto&) { o.aspect.setValue(50, 0); o.zoom.setValue(200, 0); },
         [](const DrawState& s) { EXPECT_EQ(s.sx, 1.0f); EXPECT_EQ(s.sy, 2.0f); EXPECT_EQ(s.sz, 2.0f); }},
        {"transparency 100 gives alpha 0", [](auto& o, auto&) { o.transparency.setValue(100, 0); },
         [](const DrawState& s) { EXPECT_EQ(s.alpha, 0.0f); }},
        {"通常 keeps a blend mode set before", [](auto&, auto& r) { r.drawState.blendMode = 5; },
         [](const DrawState& s) { EXPECT_EQ(s.blendMode, 5); }},
        {"another mode replaces it", [](auto& o, auto& r) { r.drawState.blendMode = 5; o.blendMode.value = 3; },
         [](const DrawState& s) { EXPECT_EQ(s.blendMode, 3); }},
        {"position, rotation and centre add",
         [](auto& o, auto& r) {
             r.drawState.x = 1;
             o.x.setValue(10.5, 0);
             o.y.setValue(-2, 0);
             o.z.setValue(3, 0);
             o.rotationZ.setValue(30, 0);
             o.centerX.setValue(4, 0);
         },
         [](const DrawState& s) {
             EXPECT_EQ(s.x, 11.5f); EXPECT_EQ(s.y, -2.0f); EXPECT_EQ(s.z, 3.0f);
             EXPECT_EQ(s.rz, 30.0f); EXPECT_EQ(s.cx, 4.0f);
         }},
        {"keep-shape ignores rotation, centre, zoom and aspect but not alpha or blend",
         [](auto& o, auto& r) {
             r.skipOutputTransform = true;
             o.rotationX.setValue(10, 0); o.centerY.setValue(5, 0); o.zoom.setValue(300, 0);
             o.aspect.setValue(20, 0); o.transparency.setValue(25, 0); o.blendMode.value = 1; o.x.setValue(7, 0);
         },
         [](const DrawState& s) {
             EXPECT_EQ(s.rx, 0.0f); EXPECT_EQ(s.cy, 0.0f); EXPECT_EQ(s.sx, 1.0f); EXPECT_EQ(s.sy, 1.0f);
             EXPECT_EQ(s.alpha, 0.75f); EXPECT_EQ(s.blendMode, 1); EXPECT_EQ(s.x, 7.0f);
         }},
        {"keep-position ignores X, Y and Z",
         [](auto& o, auto& r) { r.skipOutputPosition = true; o.x.setValue(7, 0); o.zoom.setValue(50, 0); },
         [](const DrawState& s) { EXPECT_EQ(s.x, 0.0f); EXPECT_EQ(s.sx, 0.5f); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto fresh = std::dynamic_pointer_cast<Effect::VideoOutput>(out->create());
        object->effects[1] = fresh;
        render.drawState = DrawState{};
        render.skipOutputTransform = render.skipOutputPosition = false;
        c.set(*fresh, render);
        c.check(render.getOutputView());
    }
}

TEST_F(OutputEffectTest, BasicOutputRoundsHalvesAwayAndTakesTheDirectRouteOnlyWhenAligned)
{
    auto out = useOutput<Effect::SimpleOutput>();
    for (auto [value, want] : {std::pair{10.5, 11.0f}, {-10.5, -11.0f}, {10.4, 10.0f}}) {
        out->x.setValue(value, 0);
        EXPECT_EQ(render.getOutputView().x, want) << value;
    }
    out->x.setValue(1, 0);
    out->y.setValue(2, 0);
    const Picture texels = fixture(4, 4, 5);
    auto picture = upload(texels, 4, 4);
    const Picture background(size_t(W) * H, Pixel{0, 0, 0, 0});

    // Pixel-aligned: composited directly, and the object itself moves by X, Y.
    render.drawState.x = 2;
    useCamera();
    auto frame = makeFrame(W, H, background);
    render.drawState.target = frame.get();
    std::unique_ptr<Media::ResourceBuffer> owned = upload(texels, 4, 4);
    out->outputVideo(render, *frame, owned);
    EXPECT_EQ(render.drawState.x, 3.0f);
    EXPECT_EQ(render.drawState.y, 2.0f);
    const Picture direct = readFrame(*frame);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(direct[size_t(8 + 2 - 2 + y) * W + 8 + 3 - 2 + x][c], texels[size_t(y) * 4 + x][c], 2e-3f);

    // A quarter pixel off: drawn with geometry in plain screen space, the camera dropped.
    render.drawState.x = 2.25f;
    render.drawState.y = 0;
    frame = makeFrame(W, H, background);
    render.drawState.target = frame.get();
    out->outputVideo(render, *frame, owned);
    EXPECT_EQ(render.drawState.x, 2.25f);
    EXPECT_FALSE(render.drawState.cameraControl);
    EXPECT_FALSE(frame->getCompanions()[0]) << "the camera's depth path was taken";
    EXPECT_NE(readFrame(*frame), direct);

    // Zoom 50 always takes the geometric route: half size around the position.
    render.drawState = DrawState{};
    out->x.setValue(0, 0);
    out->y.setValue(0, 0);
    out->zoom.setValue(50, 0);
    frame = makeFrame(W, H, background);
    render.drawState.target = frame.get();
    out->outputVideo(render, *frame, owned);
    const Picture half = readFrame(*frame);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            if (x < 7 || x >= 9 || y < 7 || y >= 9) {
                ASSERT_EQ(half[size_t(y) * W + x][3], 0.0f) << x << "," << y;
            }
        }
}

TEST_F(OutputEffectTest, StandardOutputCompositesAnOffscreenPictureByTheObjectsOwnPosition)
{
    auto out = useOutput<Effect::VideoOutput>();
    out->x.setValue(5, 0); // ignored by the direct composite
    const Picture texels = fixture(W, H, 8);
    std::unique_ptr<Media::ResourceBuffer> owned = upload(texels, W, H);
    render.offscreenDrawn = true;
    render.drawState.x = -1;
    auto frame = makeFrame(W, H, Picture(size_t(W) * H, Pixel{0, 0, 0, 0}));
    render.drawState.target = frame.get();
    out->outputVideo(render, *frame, owned);
    const Picture got = readFrame(*frame);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Pixel want = x + 1 < W ? texels[size_t(y) * W + x + 1] : Pixel{0, 0, 0, 0};
            for (int c = 0; c < 4; ++c)
                ASSERT_NEAR(got[size_t(y) * W + x][c], want[c], 2e-3f) << x << "," << y;
        }
}

namespace {

std::unique_ptr<Media::AudioBlockBuffer> block(uint32_t samples, uint32_t channels, float left, float right)
{
    auto b = std::make_unique<Media::AudioBlockBuffer>();
    b->allocate(samples, channels);
    for (uint32_t i = 0; i < samples; ++i) {
        b->getChannel(0)[i] = left;
        b->getChannel(1)[i] = right; // the same array for mono
    }
    return b;
}

} // namespace

TEST_F(OutputEffectTest, AudioOutputGainsAndBalance)
{
    auto out = std::dynamic_pointer_cast<Effect::AudioOutput>(effects->createEffect(Effect::AudioOutput::Name));
    ASSERT_TRUE(out);
    struct Case {
        double volume, balance;
        float left, right;
    };
    for (const Case c : {Case{100, 0, 1, 1}, Case{0, 0, 0, 0}, Case{1000, 0, 10, 10}, Case{100, 100, 0, 1},
                         Case{100, -50, 1, 0.5f}, Case{50, 50, 0.25f, 0.5f}}) {
        SCOPED_TRACE(testing::Message() << c.volume << " " << c.balance);
        out->volume.setValue(c.volume, 0);
        out->balance.setValue(c.balance, 0);
        Render::RenderAudioObject audio;
        audio.scene = scene.get();
        audio.resetObject(object);
        auto target = block(16, 2, 0.5f, 0.25f);
        std::unique_ptr<Media::AudioBlockBuffer> source = block(16, 2, 0.4f, 0.2f);
        out->outputAudio(audio, *target, source);
        EXPECT_NEAR(target->getChannel(0)[3], 0.5f + c.left * 0.4f, 1e-6f);
        EXPECT_NEAR(target->getChannel(1)[3], 0.25f + c.right * 0.2f, 1e-6f);
    }
}

TEST_F(OutputEffectTest, MixingAddsExactlyTheShorterLength)
{
    struct Case {
        uint32_t target, source, targetChannels, sourceChannels;
    };
    for (const Case c : {Case{20, 11, 2, 2}, Case{11, 20, 2, 2}, Case{13, 13, 1, 2}, Case{13, 5, 2, 1}, Case{0, 8, 2, 2}}) {
        SCOPED_TRACE(testing::Message() << c.target << " <- " << c.source);
        Render::RenderAudioObject audio;
        audio.leftGain = 0.5f;
        audio.rightGain = 2;
        auto target = block(c.target, c.targetChannels, 1, 1);
        auto source = block(c.source, c.sourceChannels, 0.25f, 0.5f);
        // Whatever lies in the source's padding past its samples must not be mixed.
        const uint32_t padded = (c.source + 7) / 8 * 8;
        for (uint32_t i = c.source; i < padded; ++i)
            for (uint32_t ch = 0; ch < 2; ++ch)
                source->getChannel(ch)[i] = 1000;
        Effect::OutputAudioEffect::mixAudio(audio, *target, *source);
        const float left = c.sourceChannels == 1 ? 0.5f : 0.25f; // a mono source feeds both sides
        for (uint32_t i = 0; i < c.target; ++i) {
            const bool mixed = i < c.source;
            if (c.targetChannels == 1) {
                EXPECT_FLOAT_EQ(target->getChannel(0)[i], mixed ? 1 + 0.5f * left + 2 * 0.5f : 1) << i;
            } else {
                EXPECT_FLOAT_EQ(target->getChannel(0)[i], mixed ? 1 + 0.5f * left : 1) << i;
                EXPECT_FLOAT_EQ(target->getChannel(1)[i], mixed ? 1 + 2 * 0.5f : 1) << i;
            }
        }
    }
}

TEST_F(OutputEffectTest, TheGroupAudioControlsGainsJoinTheMix)
{
    // The enclosing group audio control's factors stay 1 until a control sets them.
    auto group = std::make_shared<Render::ControlView>(std::make_shared<Edit::Object>(), nullptr);
    auto movie = std::dynamic_pointer_cast<Effect::MovieOutput>(effects->createEffect(Effect::MovieOutput::Name));
    ASSERT_TRUE(movie);
    struct Case {
        float groupLeft, groupRight;
        double volume;
        float left, right;
    };
    for (const Case c : {Case{1, 1, 100, 1, 1}, Case{0.5f, 1, 100, 0.5f, 1}, Case{0.5f, 1, 50, 0.25f, 0.5f},
                         Case{1, 0, 200, 2, 0}}) {
        SCOPED_TRACE(testing::Message() << c.groupLeft << " " << c.groupRight << " " << c.volume);
        group->leftFactor = c.groupLeft;
        group->rightFactor = c.groupRight;
        movie->volume.setValue(c.volume, 0);
        Render::RenderAudioObject audio;
        audio.scene = scene.get();
        audio.resetObject(object);
        audio.groupAudioControl = group;
        auto target = block(16, 2, 0, 0);
        std::unique_ptr<Media::AudioBlockBuffer> source = block(16, 2, 0.4f, 0.2f);
        movie->outputAudio(audio, *target, source);
        EXPECT_FLOAT_EQ(target->getChannel(0)[15], c.left * 0.4f);
        EXPECT_FLOAT_EQ(target->getChannel(1)[15], c.right * 0.2f);
        EXPECT_EQ(audio.leftGain, float(c.volume * 0.01)) << "the object's own gains exclude the group's";
    }
}

TEST_F(OutputEffectTest, TheDrawingOutputsShareOneCommonResourcePerClass)
{
    auto video = std::dynamic_pointer_cast<Effect::VideoOutput>(effects->createEffect(Effect::VideoOutput::Name));
    auto again = std::dynamic_pointer_cast<Effect::VideoOutput>(effects->createEffect(Effect::VideoOutput::Name));
    auto movie = std::dynamic_pointer_cast<Effect::MovieOutput>(effects->createEffect(Effect::MovieOutput::Name));
    ASSERT_TRUE(video && again && movie);
    ASSERT_TRUE(video->common);
    EXPECT_EQ(video->common, again->common);
    EXPECT_NE(video->common, movie->common) << "one record per registered class";
    ASSERT_TRUE(movie->common && movie->common->constants.buffer);
    EXPECT_EQ(movie->common->constants.buffer->size(), 160u);
    // An instance made outside the registry holds none until it is handed one.
    auto loose = std::make_shared<Effect::VideoOutput>();
    EXPECT_FALSE(loose->common);
    loose->shareResource(*video);
    EXPECT_EQ(loose->common, video->common);
}
