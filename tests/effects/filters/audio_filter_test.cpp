// The audio filters exactly on the processor: 音量調整's gains, 音量フェード's
// ramp at the object's ends, モノラル化's weights, and empty blocks.
#include "effects/filters/audio/audio_filters.h"
#include "project/model/scene.h"
#include "render/render_audio_object.h"
#include "tests/effect/effect_fixture.h"

namespace FilterTest {
namespace {

using namespace Effect;

// A stereo (or mono) block of n samples: right (first array) and left.
std::unique_ptr<Media::AudioBlockBuffer> block(uint32_t n, float right, float left, uint32_t channels = 2)
{
    auto b = std::make_unique<Media::AudioBlockBuffer>();
    b->allocate(n, channels);
    for (uint32_t i = 0; i < n; ++i) {
        b->getChannel(1)[i] = right;
        if (channels == 2)
            b->getChannel(0)[i] = left;
    }
    return b;
}
const float* rightOf(const Media::AudioBlockBuffer& b) { return static_cast<const float*>(b.first.data); }
const float* leftOf(const Media::AudioBlockBuffer& b) { return static_cast<const float*>(b.second.data); }

class AudioFilterTest : public EffectTest::ServiceTest {
protected:
    AudioFilterTest() : scene(0, 0)
    {
        scene.videoRate = 30;
        scene.videoScale = 1;
        scene.audioRate = 48000;
    }
    // The render audio object of an object from start to end at a frame.
    Render::RenderAudioObject at(const std::shared_ptr<Edit::Object>& object, int frame)
    {
        Render::RenderAudioObject r;
        r.scene = &scene;
        r.frame = frame;
        r.time = frame;
        r.resetObject(object);
        return r;
    }
    Edit::Scene scene;
};

TEST_F(AudioFilterTest, VolumeMultipliesTheGainsAndLeavesTheSamples)
{
    struct Case {
        double volume, balance;
        float left, right;
    } const cases[] = {
        {200, 50, 1.0f, 2.0f},  // the left side weakened by half
        {100, -100, 1.0f, 0.0f},
        {100, 100, 0.0f, 1.0f}, // left silenced, right at full volume
        {50, 0, 0.5f, 0.5f},
        {0, 30, 0.0f, 0.0f},
    };
    auto object = EffectTest::makeObject(0, 99);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " balance " << c.balance);
        AudioVolume v;
        v.volume.setValue(c.volume, 0);
        v.balance.setValue(c.balance, 0);
        Render::RenderAudioObject r = at(object, 3);
        auto in = block(10, 0.25f, 0.5f);
        const Media::AudioBlockBuffer* raw = in.get();
        auto out = v.filterAudio(r, std::move(in));
        EXPECT_EQ(out.get(), raw);
        EXPECT_FLOAT_EQ(r.leftGain, c.left);
        EXPECT_FLOAT_EQ(r.rightGain, c.right);
        EXPECT_EQ(rightOf(*out)[9], 0.25f);
        EXPECT_EQ(leftOf(*out)[9], 0.5f);
    }
    // Two in one chain multiply.
    AudioVolume half;
    half.volume.setValue(50, 0);
    Render::RenderAudioObject r = at(object, 0);
    half.filterAudio(r, block(8, 1, 1));
    half.filterAudio(r, block(8, 1, 1));
    EXPECT_FLOAT_EQ(r.leftGain, 0.25f);
}

// The gain of every sample of a faded all-ones block equals g0 + i (g1 - g0) / n.
void expectRamp(const Media::AudioBlockBuffer& b, float g0, float g1)
{
    const float step = (g1 - g0) / static_cast<float>(b.samples);
    for (uint32_t i = 0; i < b.samples; ++i) {
        const float want = g0 + static_cast<float>(i) * step;
        ASSERT_NEAR(rightOf(b)[i], want, 1e-6f) << "sample " << i;
        if (b.channels == 2) {
            ASSERT_NEAR(leftOf(b)[i], want, 1e-6f) << "sample " << i;
        }
    }
}

TEST_F(AudioFilterTest, FadeRampsOverTheObjectsEnds)
{
    // An object of frames 0 .. 99 at 30 fps (1600 samples a frame at 48 kHz).
    auto object = EffectTest::makeObject(0, 99);
    const int e = 99;
    struct Case {
        double in, out;
        int frame;
        float g0, g1;
    } const cases[] = {
        {0.5, 0.5, e - 15, 1, 1},                 // before the fade-out: full gain
        {0.5, 0.5, e - 14, 14.0f / 15, 13.0f / 15}, // the fade-out's first block
        {0.5, 0.5, e - 1, 1.0f / 15, 0},          // ends at 0
        {0.5, 0.5, e, 0, 0},                      // the end frame is silent
        {0, 0.5, 0, 1, 1},                        // イン 0: no fade-in
        {1, 0, 0, 0, 1.0f / 30},                  // rises from 0 over the first block to d / 1
        {1, 0, 29, 29.0f / 30, 1},
        {1, 0, 30, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "in " << c.in << " out " << c.out << " frame " << c.frame);
        AudioFadeFilter fade;
        fade.fadeIn.setValue(c.in, 0);
        fade.fadeOut.setValue(c.out, 0);
        Render::RenderAudioObject r = at(object, c.frame);
        auto in = block(1600, 1, 1);
        const Media::AudioBlockBuffer* raw = in.get();
        auto out = fade.filterAudio(r, std::move(in));
        ASSERT_EQ(out.get(), raw);
        expectRamp(*out, c.g0, c.g1);
        EXPECT_FLOAT_EQ(r.leftGain, 1); // the gains are not the fade's
    }
}

TEST_F(AudioFilterTest, OverlappingFadesTakeTheSmallerGainOnAMonoBlock)
{
    // 10 frames (1/3 s) with イン 1 and アウト 1: frame 4 lies in both fades.
    auto object = EffectTest::makeObject(0, 9);
    AudioFadeFilter fade;
    fade.fadeIn.setValue(1, 0);
    fade.fadeOut.setValue(1, 0);
    const float d = 1.0f / 30;
    for (int frame : {2, 4, 7}) {
        SCOPED_TRACE(frame);
        Render::RenderAudioObject r = at(object, frame);
        auto out = fade.filterAudio(r, block(1001, 1, 0, 1));
        const float t = frame * d, rest = 9 * d - t;
        expectRamp(*out, std::min(t, rest), std::min(t + d, rest - d));
    }
}

TEST_F(AudioFilterTest, MonoMixesWithTheRatioWeights)
{
    struct Case {
        double ratio;
        float right, left, want;
        uint32_t channels;
    } const cases[] = {
        {0, 0.5f, 0.25f, 0.75f, 2},   // the sum of both, not their mean
        {-50, 0.5f, 0.25f, 0.5f, 2},  // 0.5 right + 1.0 left
        {-100, 0.5f, 0.25f, 0.25f, 2}, // the left channel only
        {100, 0.5f, 0.25f, 0.5f, 2},  // the right channel only
        {40, 0.5f, 0.25f, 0.65f, 2},  // right + 0.6 left
        {0, 0.3f, 0, 0.6f, 1},        // a mono block doubles at 0
        {-50, 0.3f, 0, 0.45f, 1},
    };
    auto object = EffectTest::makeObject(0, 99);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "ratio " << c.ratio << " channels " << c.channels);
        AudioMonoFilter mono;
        mono.ratio.setValue(c.ratio, 0);
        Render::RenderAudioObject r = at(object, 0);
        auto out = mono.filterAudio(r, block(13, c.right, c.left, c.channels));
        for (uint32_t i = 0; i < 13; ++i) {
            ASSERT_FLOAT_EQ(rightOf(*out)[i], c.want) << i;
            if (c.channels == 2) {
                ASSERT_FLOAT_EQ(leftOf(*out)[i], c.want) << i;
            }
        }
    }
}

TEST_F(AudioFilterTest, ZeroSampleBlocksComeBackUnchanged)
{
    auto object = EffectTest::makeObject(0, 9);
    AudioFadeFilter fade;
    AudioMonoFilter mono;
    AudioVolume volume;
    for (EffectBase* f : std::initializer_list<EffectBase*>{&fade, &mono, &volume}) {
        Render::RenderAudioObject r = at(object, 9);
        auto empty = std::make_unique<Media::AudioBlockBuffer>();
        empty->allocate(0, 2);
        const Media::AudioBlockBuffer* raw = empty.get();
        auto out = f->filterAudio(r, std::move(empty));
        EXPECT_EQ(out.get(), raw);
        EXPECT_EQ(out->samples, 0u);
    }
}

} // namespace
} // namespace FilterTest
