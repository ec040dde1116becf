// The image, audio and waveform caches over an in-test reader: one decode
// for many callers, the keys of tracks and scenes, scene frames and blocks
// that are only ever rendered by their preload, the resampler against a
// double-precision box filter, and the waveform's bytes and its queue.
#include "core/text.h"
#include "tests/render/media_cache_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <thread>

using namespace CacheTest;

namespace {

class MediaCache : public CacheFixture {
protected:
    Cache::ImageCache& images() { return *caches->imageCache; }
    Cache::AudioCache& audio() { return *caches->audioCache; }
    Cache::WaveformCache& waveforms() { return *caches->waveformCache; }
};

TEST_F(MediaCache, TwoThreadsGettingOneImageDecodeItOnce)
{
    addTone(L"/m/still.tone", {});
    closeGate();
    std::shared_ptr<Media::ImageBuffer> a, b;
    TestKit::finishWithin(20000, [&] {
        std::thread first([&] { a = images().getImage(L"/m/still.tone"); });
        toneTable().readStarted.wait();
        std::thread second([&] { b = images().getImage(L"/m/still.tone"); });
        openGate();
        first.join();
        second.join();
    }, "two gets of one image");
    ASSERT_TRUE(a);
    EXPECT_EQ(a, b);
    EXPECT_EQ(toneTable().videoReads, 1);
    // Later gets and preloads are served from the cache.
    images().preloadImage(L"/m/still.tone");
    EXPECT_EQ(images().getImage(L"/m/still.tone"), a);
    EXPECT_EQ(toneTable().videoReads, 1);
    EXPECT_FALSE(images().getImage(L"/m/unknown.tone"));
}

TEST_F(MediaCache, MovieFramesAreKeyedByTrackAndFrame)
{
    addTone(L"/m/movie.tone", {});
    TestKit::finishWithin(20000, [&] {
        // 0.5 s at 30 fps is frame 15, limited by the file to its last frame 9.
        auto track0 = images().getMovieImage(L"/m/movie.tone", 0, 0.1);
        auto track1 = images().getMovieImage(L"/m/movie.tone", 1, 0.1);
        auto track10 = images().getMovieImage(L"/m/movie.tone", 10, 0.5);
        auto track50 = images().getMovieImage(L"/m/movie.tone", 50, 0.2);
        ASSERT_TRUE(track0 && track1 && track10 && track50);
        EXPECT_EQ(track0->row(0)[0], 3);
        EXPECT_EQ(track1->row(0)[0], 13);
        EXPECT_EQ(track10->row(0)[0], 109);
        EXPECT_EQ(track50->row(0)[0], 506 % 256);
    }, "movie frames");
    std::list<Cache::ImageCacheKey> keys = images().cache.keys();
    std::vector<std::pair<std::wstring, int>> found;
    for (const auto& k : keys)
        found.emplace_back(k.name, k.number);
    std::sort(found.begin(), found.end());
    const std::vector<std::pair<std::wstring, int>> expected{
        {L"/m/movie.tone", 3}, {L":1/m/movie.tone", 3}, {L"::/m/movie.tone", 9}, {L":b/m/movie.tone", 6}};
    EXPECT_EQ(found, expected);
    EXPECT_EQ(TestKit::errorText([&] { images().getMovieImage(L"/m/movie.tone", 51, 0); }).substr(0, 19),
              "invalid track index");
    EXPECT_EQ(TestKit::errorText([&] { images().preloadMovieImage(L"/m/movie.tone", 51, 0); }).substr(0, 19),
              "invalid track index");
}

TEST_F(MediaCache, MoviesDecodeSideBySideEachInTurnAndAheadWhenReadInOrder)
{
    const std::wstring files[3] = {L"/m/a.tone", L"/m/b.tone", L"/m/c.tone"};
    for (const std::wstring& f : files)
        addTone(f, {});
    closeGate();
    TestKit::finishWithin(20000, [&] {
        // Frames 0, 1, 2 of each movie asked for in order, as frames render.
        for (int frame = 0; frame < 3; ++frame)
            for (const std::wstring& f : files)
                images().preloadMovieImage(f, 0, frame / 30.0);
        // All three movies are being read at once while the gate holds them.
        while (toneTable().readingVideo.load() < 3)
            std::this_thread::yield();
        openGate();
        for (const std::wstring& f : files)
            for (int frame = 0; frame < 3; ++frame) {
                auto image = images().getMovieImage(f, 0, frame / 30.0);
                ASSERT_TRUE(image);
                EXPECT_EQ(image->row(0)[0], frame);
            }
        // The frame after them was read ahead; a movie asked out of order is not.
        for (const std::wstring& f : files) {
            auto ahead = images().cache.findOrWait({f, 3});
            ASSERT_TRUE(ahead);
            EXPECT_EQ(ahead->row(0)[0], 3);
        }
        images().preloadMovieImage(files[0], 0, 7 / 30.0);
        images().preloadMovieImage(files[0], 0, 5 / 30.0);
        EXPECT_TRUE(images().cache.findOrWait({files[0], 5}));
    }, "three movies");
    EXPECT_EQ(toneTable().videoReads, 14);
    EXPECT_EQ(toneTable().mostOfOneFile, 1);
    EXPECT_FALSE(images().cache.find({files[0], 8}));
    EXPECT_FALSE(images().cache.find({files[0], 6}));
}

TEST_F(MediaCache, SceneNamesFramesAndSceneChanges)
{
    Edit::Scene& s3 = *edit->project.getScene(3);
    s3.videoRate = 30;
    s3.videoScale = 1;
    edit->project.getScene(30);
    EXPECT_EQ(Cache::makeSceneFileName(3), L"*3");
    EXPECT_EQ(Cache::makeSceneFileName(-4), L"*-4");
    EXPECT_EQ(Cache::getSceneFromFileName(L"*3"), &s3);
    EXPECT_EQ(Cache::getSceneFromFileName(L"* 3abc"), &s3);
    for (const wchar_t* none : {L"*", L"*0", L"*x", L"*7"})
        EXPECT_EQ(Cache::getSceneFromFileName(none), nullptr) << System::wideToUtf8(none);
    EXPECT_EQ(edit->project.scenes.count(7), 0u); // looked up, not created

    struct Case {
        double seconds;
        int frame;
    };
    for (const Case c : {Case{0.5, 15}, Case{0.51, 15}, Case{-0.5, -15}, Case{1e12, 0}})
        EXPECT_EQ(Cache::sceneFrameAt(s3, c.seconds), c.frame) << c.seconds;

    auto picture = Media::ImageBuffer::create(Media::Format::B8G8R8A8Unorm, 1, 1);
    for (int frame : {0, 15})
        for (const wchar_t* name : {L"*3", L"*30"})
            images().cache.put({name, frame}, picture, 4);
    Event::EventService::Get()->sceneChanged(3);
    std::vector<std::wstring> names;
    for (const auto& k : images().cache.keys())
        names.push_back(k.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"*30", L"*30"}));
}

TEST_F(MediaCache, LoweringTheSizeEvictsTheLeastRecentlyUsed)
{
    images().setCacheSize(768); // whatever an earlier test of this process stored
    for (const wchar_t* name : {L"a", L"b", L"c"})
        images().cache.put({name, 0}, Media::ImageBuffer::create(Media::Format::B8G8R8A8Unorm, 1, 1), 600 << 10);
    images().cache.find({L"a", 0});
    images().setCacheSize(1);
    std::vector<std::wstring> names;
    for (const auto& k : images().cache.keys())
        names.push_back(k.name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a"}));
    EXPECT_EQ(images().imageCacheSize, 1);
}

// ---- the resampler ----

// The source as the reader serves it: silence before 0 and past the end.
double sourceAt(const Tone& tone, int64_t n, int channel)
{
    if (n < 0 || n >= tone.samples)
        return 0.0;
    return toneSample(n, tone.channels == 2 ? channel : 0);
}

// The average of the source over each output sample's interval, in double
// precision; silence from the first sample that reaches a missing block.
std::vector<std::vector<double>> boxFilter(const Tone& tone, int64_t num, uint32_t den, uint32_t count, double offset,
                                           double speed)
{
    const int64_t rate = tone.rate;
    const int64_t step = speed == 1.0 ? rate : std::llround(std::fabs(rate * speed));
    int64_t a = num * step;
    if (offset != 0)
        a = std::max<int64_t>(a + std::llround(double(uint64_t(den) * rate) * offset), 0);
    std::vector<std::vector<double>> out(2, std::vector<double>(count, 0.0));
    uint32_t produced = count;
    for (uint32_t j = 0; j < count; ++j) {
        const int64_t lo = a + int64_t(j) * step, hi = lo + step;
        const int64_t firstSample = lo >= 0 ? lo / den : -((-lo + den - 1) / den);
        bool missing = false;
        double sum[2] = {0, 0};
        for (int64_t n = firstSample; n * int64_t(den) < hi; ++n) {
            if (n >= 0 && tone.missing.count(int(n / rate)))
                missing = true;
            const int64_t overlap = std::min(hi, (n + 1) * int64_t(den)) - std::max(lo, n * int64_t(den));
            for (int c = 0; c < 2; ++c)
                sum[c] += double(overlap) * sourceAt(tone, n, c);
        }
        if (missing) {
            produced = j;
            break;
        }
        for (int c = 0; c < 2; ++c)
            out[c][j] = sum[c] / double(step);
    }
    if (speed < 0)
        for (auto& channel : out)
            std::reverse(channel.begin(), channel.begin() + produced);
    return out;
}

TEST_F(MediaCache, ResamplerMatchesADoublePrecisionBoxFilter)
{
    struct Case {
        const char* what;
        Tone tone;
        int64_t num;
        uint32_t den, count;
        double offset, speed;
        bool exact;
    };
    const Tone stereo48{48000, 2, 48000 * 3, {}};
    const Tone mono48{48000, 1, 48000 * 3, {}};
    const Tone gap{48000, 2, 48000 * 4, {1}};
    const Case cases[] = {
        {"speed 1 copies", stereo48, 1000, 48000, 1600, 0, 1.0, true},
        {"speed 1 across a block boundary", stereo48, 47500, 48000, 1600, 0, 1.0, true},
        {"speed 2 averages pairs", stereo48, 1000, 48000, 1600, 0, 2.0, false},
        {"speed -1 reverses", stereo48, 1000, 48000, 1600, 0, -1.0, true},
        {"48000 read at 44100", stereo48, 44100 / 2, 44100, 1470, 0, 1.0, false},
        {"half speed", stereo48, 1000, 48000, 1600, 0, 0.5, false},
        {"mono feeds both channels", mono48, 1000, 48000, 1600, 0, 1.0, true},
        {"offset before the start", stereo48, 100, 48000, 1600, -1.0, 1.0, true},
        {"offset into the source", stereo48, 100, 44100, 1470, 0.25, 1.0, false},
        {"missing middle block", gap, 47000, 48000, 1600, 0, 1.0, true},
        {"missing middle block backwards", gap, 47000, 48000, 1600, 0, -1.0, true},
        {"negative position", stereo48, -100, 48000, 1600, 0, 1.0, true},
        {"negative position, other rate", stereo48, -100, 44100, 1470, 0, 1.0, false},
        {"past the end", stereo48, 48000 * 3 - 50, 48000, 1600, 0, 1.0, true},
        {"speed 1 over two block boundaries", stereo48, 47990, 48000, 48020, 0, 1.0, true},
        {"speed 1 at 44100", Tone{44100, 2, 44100 * 3, {}}, 44000, 44100, 1470, 0, 1.0, true},
        {"offset on a sample's edge", stereo48, 100, 48000, 1600, 0.5, 1.0, true},
        {"offset inside a sample", stereo48, 100, 48000, 1600, 1.0 / 96000, 1.0, false},
        {"short last block, speed 1", Tone{48000, 2, 48000 * 2 + 700, {}}, 96000 + 100, 48000, 1600, 0, 1.0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = L"/m/" + System::utf8ToWide(c.what) + L".tone";
        addTone(path, c.tone);
        std::unique_ptr<Media::AudioBlockBuffer> got;
        TestKit::finishWithin(20000, [&] {
            audio().preloadAudio(path, 0, {c.num, c.den}, c.count, c.offset, c.speed);
            got = audio().getAudio(path, 0, {c.num, c.den}, c.count, c.offset, c.speed);
        }, c.what);
        ASSERT_TRUE(got);
        ASSERT_EQ(got->samples, c.count);
        ASSERT_EQ(got->channels, 2u);
        const auto expected = boxFilter(c.tone, c.num, c.den, c.count, c.offset, c.speed);
        for (uint32_t j = 0; j < c.count; ++j)
            for (int channel = 0; channel < 2; ++channel) {
                const float v = got->getChannel(channel)[j];
                // Exact: bit for bit (the source holds -0, which a sum makes +0).
                if (c.exact)
                    ASSERT_EQ(std::bit_cast<uint32_t>(v), std::bit_cast<uint32_t>(float(expected[channel][j])))
                        << j << " channel " << channel << " " << v;
                else
                    ASSERT_NEAR(v, expected[channel][j], 2e-6) << j << " channel " << channel;
            }
    }
}

TEST_F(MediaCache, AudioWithoutASourceOrBlocks)
{
    addTone(L"/m/dead.tone", Tone{48000, 2, 48000, {0}});
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(audio().getAudio(L"/m/none.tone", 0, {0, 48000}, 100, 0, 1));
        EXPECT_FALSE(audio().getAudio(L"*99", 0, {0, 48000}, 100, 0, 1));
        auto silent = audio().getAudio(L"/m/dead.tone", 0, {0, 48000}, 100, 0, 1);
        ASSERT_TRUE(silent);
        EXPECT_EQ(*std::max_element(silent->getChannel(0), silent->getChannel(0) + 100), 0.0f);
        auto zeroRate = audio().getAudio(L"/m/dead.tone", 0, {0, 0}, 100, 0, 1);
        ASSERT_TRUE(zeroRate);
        EXPECT_EQ(zeroRate->getChannel(1)[99], 0.0f);
    }, "audio without blocks");
    EXPECT_EQ(TestKit::errorText([&] { audio().getAudio(L"/m/dead.tone", 51, {0, 48000}, 1, 0, 1); }).substr(0, 19),
              "invalid track index");
}

TEST_F(MediaCache, SceneBlocksRenderOnlyFromTheirPreload)
{
    Edit::Scene& other = *edit->project.getScene(2);
    other.audioRate = 48000;
    other.videoRate = 30;
    other.videoScale = 1;
    other.lastFrame = 89;
    Placed placed = sound(0, 0, 89, AudioTest::dc(0.25f, -0.5f), &other);
    other.updateLayerObject();
    const Cache::AudioPlayPosition at{24000, 48000};
    TestKit::finishWithin(30000, [&] {
        // Never preloaded: silence at once, and nothing claimed.
        auto before = audio().getAudio(L"*2", 0, at, 1600, 0, 1);
        ASSERT_TRUE(before);
        EXPECT_EQ(before->getChannel(0)[0], 0.0f);
        // Off the planning thread the preload leaves the scene alone.
        audio().preloadAudio(L"*2", 0, at, 1600, 0, 1);
        EXPECT_EQ(audio().cache.size(), 0u);

        onAudioPlanningThread([&] { audio().preloadAudio(L"*2", 0, at, 1600, 0, 1); });
        auto after = audio().getAudio(L"*2", 0, at, 1600, 0, 1);
        ASSERT_TRUE(after);
        EXPECT_EQ(after->getChannel(0)[0], 0.25f);
        EXPECT_EQ(after->getChannel(1)[1599], -0.5f);

        // An edit of the scene drops its blocks.
        Event::EventService::Get()->sceneChanged(2);
        EXPECT_EQ(audio().cache.size(), 0u);
        // A block whose render fails releases its claim: the get answers silence.
        placed.sound->prepareThrows = true;
        onAudioPlanningThread([&] { audio().preloadAudio(L"*2", 0, at, 1600, 0, 1); });
        EXPECT_EQ(audio().getAudio(L"*2", 0, at, 1600, 0, 1)->getChannel(0)[0], 0.0f);
        EXPECT_EQ(audio().cache.size(), 0u);
    }, "scene blocks");
}

// ---- the waveform ----

TEST_F(MediaCache, WaveformOfATwoAndAHalfSecondFile)
{
    addTone(L"/m/wave.tone", Tone{8000, 2, 20000, {}});
    std::shared_ptr<Media::WaveformBuffer> wave;
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/wave.tone", 0));
        waveforms().cache.worker.wait();
        wave = waveforms().getWaveform(L"/m/wave.tone", 0);
    }, "waveform build");
    ASSERT_TRUE(wave);
    ASSERT_EQ(wave->columns, 384u);
    ASSERT_EQ(wave->bytes.size, 768u);
    // Golden bytes: every column of the sound holds (min, max) of its samples
    // of both channels as (v + 1) x 128; past 2.5 s the reader's silence (128, 128).
    const auto* bytes = static_cast<const uint8_t*>(wave->bytes.data);
    auto columnOf = [&](int column) {
        const int block = column / 128, c = column % 128;
        const int start = int((8000ull * c) >> 7), end = int((8000ull * (c + 1)) >> 7);
        float lo = 0, hi = 0;
        for (int s = start; s < end; ++s)
            for (int ch = 0; ch < 2; ++ch) {
                const int64_t n = int64_t(block) * 8000 + s;
                const float v = n < 20000 ? toneSample(n, ch) : 0.0f;
                lo = std::min(lo, v), hi = std::max(hi, v);
            }
        return std::pair<int, int>(int((lo + 1) * 128), int((hi + 1) * 128));
    };
    EXPECT_LT(bytes[0], 128);
    EXPECT_GT(bytes[1], 128);
    for (int column = 0; column < 384; ++column) {
        ASSERT_EQ(bytes[2 * column], columnOf(column).first) << column;
        ASSERT_EQ(bytes[2 * column + 1], columnOf(column).second) << column;
    }
    EXPECT_EQ(bytes[2 * 320], 128);
    EXPECT_EQ(bytes[767], 128);
    // Track 1 of the same file is a waveform of its own.
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/wave.tone", 1));
        waveforms().cache.worker.wait();
        EXPECT_TRUE(waveforms().getWaveform(L"/m/wave.tone", 1));
    }, "second track");
    EXPECT_EQ(waveforms().cache.size(), 2u);
}

TEST_F(MediaCache, ThirdWaitingWaveformRequestIsNotQueued)
{
    for (const wchar_t* path : {L"/m/w1.tone", L"/m/w2.tone", L"/m/w3.tone", L"/m/w4.tone"})
        addTone(path, Tone{8000, 1, 8000, {}});
    closeGate();
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/w1.tone", 0));
        toneTable().readStarted.wait(); // the first build runs, held in its read
        EXPECT_FALSE(waveforms().getWaveform(L"/m/w2.tone", 0));
        EXPECT_FALSE(waveforms().getWaveform(L"/m/w3.tone", 0));
        EXPECT_EQ(waveforms().cache.worker.queuedCount(), 2u);
        EXPECT_FALSE(waveforms().getWaveform(L"/m/w4.tone", 0));
        EXPECT_EQ(waveforms().cache.worker.queuedCount(), 2u);
        openGate();
        waveforms().cache.worker.wait();
    }, "waveform queue");
    for (const wchar_t* path : {L"/m/w1.tone", L"/m/w2.tone", L"/m/w3.tone"})
        EXPECT_TRUE(waveforms().cache.find({path, 0})) << System::wideToUtf8(path);
    EXPECT_FALSE(waveforms().cache.find({L"/m/w4.tone", 0}));
}

TEST_F(MediaCache, SwitchingScenesAbandonsABuildAndTheNextPaintStartsOver)
{
    addTone(L"/m/long.tone", Tone{8000, 1, 8000 * 5, {}});
    auto gate = closeGate();
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/long.tone", 0));
        toneTable().readStarted.wait();
        // The switch waits for the build, which ends at its next block.
        std::thread opener([&] {
            while (!waveforms().cancel.load())
                std::this_thread::yield();
            openGate();
        });
        edit->setCurrentScene(0);
        opener.join();
    }, "drain");
    EXPECT_FALSE(waveforms().cache.find({L"/m/long.tone", 0}));
    EXPECT_EQ(toneTable().audioReads, 1);
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/long.tone", 0));
        waveforms().cache.worker.wait();
    }, "rebuild");
    EXPECT_TRUE(waveforms().getWaveform(L"/m/long.tone", 0));
    EXPECT_EQ(toneTable().audioReads, 5); // block 0 was cached by the audio cache
}

TEST_F(MediaCache, WaveformBuildsGiveWayToExportAndNeedARate)
{
    addTone(L"/m/norate.tone", Tone{0, 1, 100, {}});
    addTone(L"/m/exported.tone", Tone{8000, 1, 8000, {}});
    TestKit::finishWithin(20000, [&] {
        EXPECT_FALSE(waveforms().getWaveform(L"/m/norate.tone", 0));
        Cache::WaveformCache::exportRunning = true;
        EXPECT_FALSE(waveforms().getWaveform(L"/m/exported.tone", 0));
        waveforms().cache.worker.wait();
        Cache::WaveformCache::exportRunning = false;
    }, "no waveform");
    EXPECT_EQ(waveforms().cache.size(), 0u);
    EXPECT_EQ(toneTable().audioReads, 0);
}

} // namespace
