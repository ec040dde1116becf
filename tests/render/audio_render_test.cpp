// The audio worker: frame sample ranges, the mix with nested group audio
// controls, what sounds and what does not, scene blocks against frames
// rendered one by one, and the pre-rendered sound the video side waits for.
#include "core/sync.h"
#include "project/edit/update_section.h"
#include "tests/render/audio_fixture.h"

#include <optional>
#include <thread>

using namespace AudioTest;
using Render::RenderTaskType;

namespace {

int64_t sampleAt(int64_t rate, int64_t frame, int videoRate, int videoScale)
{
    return std::llround(static_cast<double>(rate) * frame * videoScale / videoRate);
}

} // namespace

class AudioRender : public AudioFixture {
protected:
    // Block b of the scene, made on the planning thread as a scene object's preparation would.
    std::shared_ptr<Media::AudioBlockBuffer> sceneBlock(int b)
    {
        scene->updateLayerObject();
        std::shared_ptr<Media::AudioBlockBuffer> got;
        Sync::Event done;
        TestKit::finishWithin(60000, [&] {
            worker->requestThread.request(3, [&] {
                worker->planningScenes.clear();
                worker->createSceneAudioBlock(scene, b, [&](std::shared_ptr<Media::AudioBlockBuffer> block) {
                    got = std::move(block);
                    done.set();
                });
            });
            done.wait();
        }, "scene block");
        return got;
    }
};

TEST_F(AudioRender, FramesCoverTheirSampleRangesExactly)
{
    struct Case {
        int audioRate, videoRate, videoScale;
    };
    for (const Case c : {Case{48000, 30000, 1001}, Case{44100, 30, 1}, Case{8000, 24000, 1001}}) {
        SCOPED_TRACE(std::to_string(c.audioRate) + " Hz at " + std::to_string(c.videoRate) + "/" +
                     std::to_string(c.videoScale));
        setRates(c.audioRate, c.videoRate, c.videoScale);
        for (const auto& o : std::vector(scene->getLayer(0).objects))
            scene->removeObject(*o);
        sound(0, 0, 999, ramp());
        for (int first : {0, 97}) {
            const std::vector<Frame> frames = render(first, 40);
            ASSERT_EQ(frames.size(), 40u);
            std::vector<float> left;
            for (const Frame& f : frames) {
                const int64_t count = sampleAt(c.audioRate, f.frame + 1, c.videoRate, c.videoScale) -
                                      sampleAt(c.audioRate, f.frame, c.videoRate, c.videoScale);
                ASSERT_EQ(int64_t(f.left.size()), count) << "frame " << f.frame;
                if (c.audioRate == 48000) {
                    EXPECT_TRUE(count == 1601 || count == 1602) << count;
                }
                left.insert(left.end(), f.left.begin(), f.left.end());
            }
            const int64_t start = sampleAt(c.audioRate, first, c.videoRate, c.videoScale);
            ASSERT_EQ(int64_t(left.size()), sampleAt(c.audioRate, first + 40, c.videoRate, c.videoScale) - start);
            // The frames join without a gap or an overlap.
            for (size_t i = 0; i < left.size(); ++i)
                ASSERT_EQ(left[i], ramp()(start + int64_t(i), 0)) << "sample " << i;
        }
    }
}

TEST_F(AudioRender, NestedGroupGainsAndPanMultiply)
{
    setRates(48000, 30, 1);
    groupAudio(0, 0, 50, 50);  // every layer below; left x 0.5
    groupAudio(1, 2, 80, -25); // layers 2 and 3; right x 0.75
    sound(2, 0, 99, dc(1, 1));
    Placed mono = sound(3, 0, 99, dc(0.5f, 0.5f));
    mono.sound->mono = true;
    mono.output->volume = 50;
    mono.output->pan = 40;
    sound(5, 0, 99, dc(1, -1)); // governed by the outer group only
    const Frame f = renderOne(10);

    // outer (0.25, 0.5); inner (0.8, 0.6) x outer = (0.2, 0.3).
    const float left = 1 * 0.2f + 0.5f * (0.5f * 0.6f) * 0.2f + 1 * 0.25f;
    const float right = 1 * 0.3f + 0.5f * 0.5f * 0.3f - 1 * 0.5f;
    ASSERT_EQ(f.left.size(), 1600u);
    for (size_t i = 0; i < f.left.size(); ++i) {
        ASSERT_NEAR(f.left[i], left, 1e-6f) << i;
        ASSERT_NEAR(f.right[i], right, 1e-6f) << i;
    }
}

TEST_F(AudioRender, GroupBalanceAtItsEndsSilencesOneSide)
{
    setRates(48000, 30, 1);
    struct Case {
        double balance;
        float left, right;
    };
    for (const Case c : {Case{100, 0, 2}, Case{-100, 2, 0}, Case{0, 2, 2}}) {
        SCOPED_TRACE(c.balance);
        clearScene();
        groupAudio(0, 0, 200, c.balance);
        sound(1, 0, 99, dc(1, 1));
        const Frame f = renderOne(3);
        ASSERT_FALSE(f.left.empty());
        EXPECT_FLOAT_EQ(f.left[7], c.left);
        EXPECT_FLOAT_EQ(f.right[7], c.right);
    }
}

TEST_F(AudioRender, OnlySoundingObjectsAndTheirFiltersMix)
{
    setRates(48000, 30, 1);
    // A source with sound whose object shows only the picture.
    auto& movie = scene->createObject(TestMovie::Name, 0, 0, 99);
    movie->effects[1] = std::make_shared<TestPictureOutput>();
    // A filter that leaves no samples ends the chain: the object adds nothing.
    Placed silenced = sound(1, 0, 99, dc(1, 1));
    auto* ends = dynamic_cast<TestSoundFilter*>(
        silenced.object->setFilterEffect(Effect::EffectService::Get()->findEffect(TestSoundFilter::Name))->get());
    ends->empties = true;
    // Its own filter and the filter object below it scale the third.
    Placed scaled = sound(2, 0, 99, dc(0.25f, 0.25f));
    dynamic_cast<TestSoundFilter*>(
        scaled.object->setFilterEffect(Effect::EffectService::Get()->findEffect(TestSoundFilter::Name))->get())
        ->gain = 2;
    auto& filterObject = scene->createObject(TestSoundFilter::Name, 3, 0, 99);
    dynamic_cast<TestSoundFilter*>(filterObject->effects[0].get())->gain = 3;
    // A filter that shortens the samples: what lay behind the new end must not be heard.
    Placed shortened = sound(4, 0, 99, dc(0.125f, 0.125f));
    auto* cut = dynamic_cast<TestSoundFilter*>(
        shortened.object->setFilterEffect(Effect::EffectService::Get()->findEffect(TestSoundFilter::Name))->get());
    cut->keep = 3;

    const Frame f = renderOne(5);
    ASSERT_EQ(f.left.size(), 1600u);
    for (size_t i = 0; i < f.left.size(); ++i) {
        const float expected = 1.5f + (i < 3 ? 0.125f : 0.0f);
        ASSERT_EQ(f.left[i], expected) << i;
        ASSERT_EQ(f.right[i], expected) << i;
    }
}

TEST_F(AudioRender, SceneBlockEqualsItsFramesRenderedOneByOne)
{
    struct Case {
        int audioRate, videoRate, videoScale, block, lastFrame;
    };
    // Block 2 at 30 fps starts exactly on frame 60; block 3 at 30000/1001
    // starts inside frame 89 and reaches past the scene's last frame.
    for (const Case c : {Case{48000, 30, 1, 2, 299}, Case{44100, 30000, 1001, 3, 100}}) {
        SCOPED_TRACE("block " + std::to_string(c.block));
        setRates(c.audioRate, c.videoRate, c.videoScale);
        for (int layer = 0; layer < scene->layerCount(); ++layer)
            for (const auto& o : std::vector(scene->getLayer(layer).objects))
                scene->removeObject(*o);
        sound(0, 0, c.lastFrame, ramp());
        sound(1, 70, c.lastFrame, dc(0.25f, -0.25f));
        const std::shared_ptr<Media::AudioBlockBuffer> block = sceneBlock(c.block);
        ASSERT_TRUE(block);
        ASSERT_EQ(block->samples, uint32_t(c.audioRate));

        const int64_t first = int64_t(c.block) * c.audioRate;
        const int firstFrame = int(first * c.videoRate / (int64_t(c.audioRate) * c.videoScale));
        const int frames = c.videoRate / c.videoScale + 2;
        std::vector<float> left(c.audioRate, 0.0f), right(c.audioRate, 0.0f);
        for (const Frame& f : render(firstFrame, frames)) {
            if (f.frame > scene->lastFrame)
                continue;
            const int64_t start = sampleAt(c.audioRate, f.frame, c.videoRate, c.videoScale);
            for (size_t i = 0; i < f.left.size(); ++i) {
                const int64_t at = start + int64_t(i) - first;
                if (at >= 0 && at < c.audioRate) {
                    left[at] = f.left[i];
                    right[at] = f.right[i];
                }
            }
        }
        for (int i = 0; i < c.audioRate; ++i) {
            ASSERT_EQ(block->getChannel(0)[i], left[i]) << i;
            ASSERT_EQ(block->getChannel(1)[i], right[i]) << i;
        }
        if (c.lastFrame == 100) { // the tail past the last frame is silent
            EXPECT_EQ(block->getChannel(0)[c.audioRate - 1], 0.0f);
        }
    }
}

TEST_F(AudioRender, SceneBlockOffThePlanningThreadIsEmptyAtOnce)
{
    sound(0, 0, 99, dc(1, 1));
    scene->updateLayerObject();
    bool called = false;
    worker->createSceneAudioBlock(scene, 0, [&](std::shared_ptr<Media::AudioBlockBuffer> block) {
        called = true;
        EXPECT_FALSE(block);
    });
    EXPECT_TRUE(called);
}

TEST_F(AudioRender, PendingEditWhileAFrameWaitsForPreRenderedSound)
{
    setRates(48000, 30, 1);
    sound(0, 0, 99, dc(0.5f, 0.5f));
    scene->updateLayerObject();
    Sync::Event editStarting;
    edit->stopPlayback = [&] { editStarting.set(); };
    TestKit::finishWithin(30000, [&] {
        std::thread video([&] {
            // The video side holds the lock shared while its object waits for the sound.
            std::optional<Edit::ReadSection> read(std::in_place, *edit);
            std::thread editor([&] { Edit::UpdateSection update(*edit); });
            editStarting.wait();
            auto pre = worker->preRenderAudio(scene, 3);
            auto& buffer = static_cast<Render::RenderAudioWorker::RenderingBuffer&>(*pre);
            buffer.event.wait();
            EXPECT_FALSE(buffer.failed);
            ASSERT_EQ(buffer.block.samples, 1600u);
            EXPECT_EQ(buffer.block.getChannel(0)[0], 0.5f);
            read.reset();
            editor.join();
        });
        video.join();
    }, "pre-rendered sound with an edit waiting");
    edit->stopPlayback = nullptr;
}

TEST_F(AudioRender, PreRenderedSoundIsMarkedFailedRatherThanNeverSet)
{
    Placed placed = sound(0, 0, 99, dc(1, 1));
    placed.sound->prepareThrows = true;
    scene->updateLayerObject();
    TestKit::finishWithin(30000, [&] {
        auto pre = worker->preRenderAudio(scene, 0);
        auto& thrown = static_cast<Render::RenderAudioWorker::RenderingBuffer&>(*pre);
        thrown.event.wait();
        EXPECT_TRUE(thrown.failed);

        // A worker that stops before the request runs.
        placed.sound->prepareThrows = false;
        Sync::Event started, release;
        worker->requestThread.request(3, [&] {
            started.set();
            release.wait();
        });
        started.wait();
        auto dropped = worker->preRenderAudio(scene, 0);
        std::thread stopper([&] { worker->requestThread.stop(); });
        while (worker->requestThread.isRunning())
            std::this_thread::yield();
        release.set();
        stopper.join();
        auto& never = static_cast<Render::RenderAudioWorker::RenderingBuffer&>(*dropped);
        never.event.wait();
        EXPECT_TRUE(never.failed);
    }, "failed pre-rendered sound");
}
