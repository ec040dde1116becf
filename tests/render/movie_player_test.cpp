// The preview player on the graphics device and the timed null sound device,
// paced by the main loop as in the program: read-ahead lengths, playing to
// the end, stopping back to the cursor or at the frame shown, edits stopping
// playback, recovery from a voice that ran dry, the level meters, a scene
// slower than one frame a second, and waveform builds giving way to playback.
#include "media/xaudio2_service.h"
#include "platform/audio/audio.h"
#include "platform/ui/main_thread.h"
#include "project/edit/update_section.h"
#include "render/movie_player.h"
#include "tests/render/media_cache_fixture.h"
#include "tests/render/render_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace RenderTest;

namespace {

void registerPlayerEffects(Effect::EffectService& s)
{
    registerRenderEffects(s);
    s.registerEffect<AudioTest::TestSound>();
    s.registerEffect<AudioTest::TestSoundOutput>();
}

class Player : public RenderFixture {
protected:
    // As the render fixture, with the sound service (null device) before the
    // render service, whose player takes it at construction.
    void SetUp() override
    {
        GpuFixture::SetUp();
        Platform::Ui::initializeApplication();
        Platform::Audio::useNullDevice(true);
        services.acquire<Event::EventService>();
        services.acquire<Media::XAudio2Service>();
        Effect::EffectService::builtInEffects = {registerPlayerEffects, nullptr};
        services.acquire<Effect::EffectService>();
        Effect::EffectService::builtInEffects = {};
        services.acquire<Undo::UndoService>();
        edit = services.acquire<Edit::EditService>();
        services.acquire<Render::RenderService>();
        worker = &Render::RenderService::Get()->videoWorker;
        player = &Render::RenderService::Get()->player;
        // Commands an earlier test of this process left for the main thread
        // (a failed render's exception) are not this test's.
        for (bool pending = true; pending;) {
            try {
                Platform::Ui::processMessages(0);
                pending = false;
            } catch (const std::exception&) {
            }
        }
        project = &edit->project;
        useScene(edit->currentScene.get());
        scene->audioRate = 48000;
    }
    void TearDown() override
    {
        if (player->isPlaying())
            player->stop(true);
        RenderFixture::TearDown();
        Platform::Audio::useNullDevice(false);
    }

    AudioTest::TestSound* sound(int start, int end, AudioTest::Signal signal)
    {
        auto& object = scene->createObject(AudioTest::TestSound::Name, 1, start, end);
        auto* effect = dynamic_cast<AudioTest::TestSound*>(object->effects[0].get());
        effect->signal = std::move(signal);
        return effect;
    }
    bool runUntil(const std::function<bool()>& done, int timeoutMs = 20000)
    {
        return Platform::Ui::processMessagesUntil(done, timeoutMs);
    }
    size_t meterRecords()
    {
        std::lock_guard lock(player->meterMutex);
        return player->meterQueue.size();
    }

    Render::MoviePlayer* player = nullptr;
};

TEST_F(Player, ReadAheadAndMeterWindowsFollowTheRateAndBufferTime)
{
    struct Case {
        int bufferTime, rate, scale;
        int videoAhead, audioAhead, holdFrames, rmsWindow;
        float decay;
    };
    const Case cases[] = {
        {500, 30, 1, 15, 30, 90, 12, 2.0f},
        {0, 30, 1, 2, 30, 90, 12, 2.0f},
        {2000, 60, 1, 120, 120, 180, 24, 1.0f},
        {500, 1, 3, 2, 2, 1, 1, 60.0f}, // a third of a frame a second
    };
    image(0, 0, 9, {1, 0, 0, 1});
    scene->updateLayerObject();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + "/" + std::to_string(c.scale) + " " + std::to_string(c.bufferTime));
        scene->videoRate = c.rate;
        scene->videoScale = c.scale;
        player->bufferTime = c.bufferTime;
        player->play(false);
        EXPECT_EQ(player->videoAhead, c.videoAhead);
        EXPECT_EQ(player->audioAhead, c.audioAhead);
        EXPECT_EQ(player->meterLeft.holdFrames, c.holdFrames);
        EXPECT_EQ(player->meterLeft.decayPerFrame, c.decay);
        EXPECT_EQ(player->rmsRight.windowSize, c.rmsWindow);
        player->stop(true);
    }
}

TEST_F(Player, PlaysToTheEndAndStopsThere)
{
    image(0, 0, 14, {1, 0, 0, 1});
    scene->updateLayerObject();
    std::vector<int> shown;
    Event::EventService::Get()->videoFrameRendered.push_back([&](Render::RenderTaskType type, int frame) {
        EXPECT_EQ(type, Render::RenderTaskType::Playback);
        shown.push_back(frame);
    });
    std::vector<bool> states;
    Event::EventService::Get()->playStateChanged.push_back([&](bool playing) { states.push_back(playing); });
    for (int cursor : {0, 14}) {
        SCOPED_TRACE(cursor);
        shown.clear();
        scene->cursorFrame = cursor;
        // The clock waits for the whole read-ahead (the range here), so no
        // frame falls behind it before it is rendered, however busy the machine.
        player->play(true);
        EXPECT_TRUE(scene->playing);
        player->play(false); // nothing while playing
        ASSERT_TRUE(runUntil([&] { return !player->isPlaying(); }));
        EXPECT_EQ(scene->cursorFrame, 14);
        EXPECT_FALSE(scene->playing);
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.back(), 14);
        EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
        const auto& seen = player->statistics;
        EXPECT_EQ(int(shown.size()), seen.shown);
        EXPECT_EQ(seen.discarded, 0);
        EXPECT_EQ(seen.shown + seen.dropped, 15 - cursor);
    }
    EXPECT_EQ(states, (std::vector<bool>{true, false, true, false}));
}

TEST_F(Player, StopReturnsToTheCursorOrKeepsTheFrameShown)
{
    image(0, 0, 299, {1, 0, 0, 1});
    scene->updateLayerObject();
    for (bool returnToCursor : {true, false}) {
        SCOPED_TRACE(returnToCursor);
        scene->cursorFrame = 5;
        player->play(false);
        ASSERT_TRUE(runUntil([&] { return player->statistics.shown >= 3; }));
        player->stop(returnToCursor);
        EXPECT_FALSE(player->isPlaying());
        EXPECT_EQ(scene->cursorFrame, returnToCursor ? 5 : scene->playFrame);
        EXPECT_GE(scene->playFrame, 7);
        EXPECT_TRUE(player->videoQueue.empty());
        EXPECT_TRUE(player->audioQueue.empty());
        EXPECT_EQ(meterRecords(), 0u);
    }
    // The display menu's toggles.
    Render::togglePlayStop(*player);
    EXPECT_TRUE(player->isPlaying());
    Render::togglePlayStop(*player);
    EXPECT_FALSE(player->isPlaying());
}

TEST_F(Player, AnEditStopsPlayback)
{
    image(0, 0, 299, {1, 0, 0, 1});
    scene->updateLayerObject();
    player->play(false);
    ASSERT_TRUE(runUntil([&] { return player->statistics.shown >= 1; }));
    {
        Edit::UpdateSection update(*edit);
        EXPECT_FALSE(player->isPlaying()); // stopped before the lock was taken
    }
    player->play(false);
    std::shared_ptr<Edit::Object> none;
    Event::EventService::Get()->editChanged(none);
    EXPECT_FALSE(player->isPlaying());
    player->play(false);
    Event::EventService::Get()->sceneChanged(scene->id);
    EXPECT_FALSE(player->isPlaying());
}

TEST_F(Player, LevelMetersOfSilenceSquareWaveAndNegativeSound)
{
    // Left a full-scale square wave, right only negative.
    sound(0, 59, [](int64_t s, int channel) { return channel == 0 ? (s % 2 ? 1.0f : -1.0f) : -1.0f; });
    image(0, 0, 200, {1, 0, 0, 1});
    scene->updateLayerObject();
    player->play(false);
    ASSERT_TRUE(runUntil([&] { return meterRecords() >= 14; }));
    std::deque<Render::MeterRecord> records;
    {
        std::lock_guard lock(player->meterMutex);
        records = player->meterQueue;
    }
    player->stop(true);
    std::sort(records.begin(), records.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
    for (size_t k = 0; k < 14; ++k) {
        SCOPED_TRACE(k);
        ASSERT_EQ(records[k].frame, int(k));
        EXPECT_EQ(records[k].left.level, 0.0f);
        EXPECT_EQ(records[k].left.hold, 0.0f);
        EXPECT_EQ(records[k].right.level, -60.0f);
        EXPECT_EQ(records[k].left.unused, -60.0f);
        // The RMS window holds 12 frames at 30 fps: full from the twelfth on.
        const double rms = k >= 11 ? 0.0 : 20 * std::log10(std::sqrt((k + 1) / 12.0));
        EXPECT_NEAR(records[k].left.rms, rms, 1e-4);
        EXPECT_NEAR(records[k].right.rms, rms, 1e-4);
    }

    // Silence: -60 everywhere.
    scene->cursorFrame = 100;
    player->play(false);
    ASSERT_TRUE(runUntil([&] { return meterRecords() >= 3; }));
    std::lock_guard lock(player->meterMutex);
    for (const Render::MeterRecord& r : player->meterQueue)
        for (const auto* ch : {&r.left, &r.right}) {
            EXPECT_EQ(ch->level, -60.0f);
            EXPECT_EQ(ch->rms, -60.0f);
            EXPECT_EQ(ch->hold, -60.0f);
        }
}

TEST_F(Player, SoundRestartsASecondLaterWhenTheVoiceRunsDry)
{
    // The sound of frame 20 on renders only once the voice has run dry.
    Sync::Event slowRender;
    std::atomic<bool> held{false};
    sound(0, 299, [&](int64_t s, int) {
        if (s >= 20 * 1600 && !held.exchange(true))
            slowRender.wait();
        return 0.5f;
    });
    image(0, 0, 299, {1, 0, 0, 1});
    scene->updateLayerObject();
    Media::XAudio2Service* audio = Media::XAudio2Service::Get();
    player->play(false);
    // Once the sound before frame 20 is queued in the voice and played out,
    // the slow render finishes.
    Platform::Audio::Voice* voice = audio->sourceVoice.get();
    ASSERT_TRUE(voice);
    std::atomic<bool> stopWatching{false};
    std::thread watcher([&] {
        while (!stopWatching.load() && !(held.load() && voice->buffersQueued() > 0))
            std::this_thread::yield();
        while (!stopWatching.load() && voice->buffersQueued() > 0)
            std::this_thread::yield();
        slowRender.set();
    });
    const bool recovered = runUntil([&] { return player->statistics.underruns >= 1; }, 30000);
    const int restartFrame = player->nextAudioFrame;
    const int shownBefore = player->statistics.shown;
    stopWatching = true;
    watcher.join();
    ASSERT_TRUE(recovered);
    EXPECT_TRUE(player->isPlaying()); // the picture goes on
    EXPECT_GT(restartFrame, 20);
    EXPECT_GT(player->startTime, player->getClock());
    ASSERT_TRUE(runUntil([&] { return audio->playing && player->statistics.shown > shownBefore + 30; }, 30000));
    EXPECT_EQ(player->statistics.underruns, 1);
}

TEST_F(Player, PlaybackStartAbandonsAWaveformBuild)
{
    services.acquire<Media::ImageService>();
    auto* input = services.acquire<Plugin::InputService>();
    input->registerPlugin<CacheTest::ToneReader>();
    input->updateExtTypeList();
    auto* caches = services.acquire<Cache::CacheService>();
    CacheTest::ToneTable& table = CacheTest::toneTable();
    {
        std::lock_guard lock(table.mutex);
        table.tones[L"/m/long.tone"] = CacheTest::Tone{8000, 1, 8000 * 4, {}};
        table.audioReads = 0;
        table.readStarted.reset();
        table.gate = std::make_shared<Sync::Event>();
    }
    image(0, 0, 299, {1, 0, 0, 1});
    scene->updateLayerObject();
    Cache::WaveformCache& waveforms = *caches->waveformCache;
    TestKit::finishWithin(30000, [&] {
        EXPECT_FALSE(waveforms.getWaveform(L"/m/long.tone", 0));
        table.readStarted.wait();
        player->play(false);
        table.gate->set();
        waveforms.cache.worker.wait();
        EXPECT_FALSE(waveforms.cache.find({L"/m/long.tone", 0}));
        EXPECT_EQ(table.audioReads, 1);
        player->stop(true);
        table.gate.reset();
        EXPECT_FALSE(waveforms.getWaveform(L"/m/long.tone", 0));
        waveforms.cache.worker.wait();
        EXPECT_TRUE(waveforms.getWaveform(L"/m/long.tone", 0));
    }, "waveform and playback");
}

} // namespace
