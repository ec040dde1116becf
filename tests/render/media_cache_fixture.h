#pragma once
// The media caches' world: the audio test world (events, effects, edit
// service with scenes, an audio worker) plus the input service with an
// in-test reader and the image, audio and waveform caches.
//
// The reader takes "*.tone" files described by a table the test fills: a
// sample rate, one or two channels, a length in samples, blocks that cannot
// be read, and ten frames at 30 fps whose one pixel holds the frame number.
// Reads can be held on a gate, and are counted.
#include "io/input/input_file.h"
#include "io/input/input_plugin.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "media/image_buffer.h"
#include "media/image_service.h"
#include "render/cache/audio_cache.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/cache/waveform_cache.h"
#include "tests/render/audio_fixture.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>

namespace CacheTest {

struct Tone {
    int rate = 48000;
    int channels = 2;
    int64_t samples = 48000 * 3;
    std::set<int> missing; // blocks that cannot be read
};

// Source sample n of a channel (0 left, 1 right) of a track: values that tell
// samples, channels and tracks apart.
inline float toneSample(int64_t n, int channel, int track = 0)
{
    const float v = static_cast<float>((n * 7919) % 1000) / 1000.0f - 0.5f;
    const float sample = channel == 0 ? v : -0.5f * v;
    // Track 0 keeps the right channel's -0 (n % 1000 == 500), which a sum turns into +0.
    return track ? sample + 0.01f * static_cast<float>(track) : sample;
}

struct ToneTable {
    std::mutex mutex;
    std::map<std::wstring, Tone> tones;
    std::atomic<int> videoReads{0}, audioReads{0};
    // Picture reads under way, in all and by file, and the most of one file at once.
    std::atomic<int> readingVideo{0};
    std::map<std::wstring, int> readingFile;
    int mostOfOneFile = 0;
    // While set, every read waits for it to open.
    std::shared_ptr<Sync::Event> gate;
    Sync::Event readStarted; // set by every read as it begins
};
inline ToneTable& toneTable()
{
    static ToneTable table;
    return table;
}

class ToneFile : public Plugin::InputFile {
public:
    ToneFile(Tone tone, int track, std::wstring name) : tone(std::move(tone)), track(track), name(std::move(name))
    {
        flags = FlagVideo | FlagAudio;
        frameCount = 10;
        rate = 30;
        scale = 1;
        width = height = 1;
        pixelFormat = static_cast<int32_t>(Media::Format::B8G8R8A8Unorm);
        sampleRate = this->tone.rate;
        channelCount = this->tone.channels;
        audioSampleCount = this->tone.samples;
        audioFormatTag = 3;
        bitsPerSample = 32;
    }
    static void waitForGate()
    {
        toneTable().readStarted.set();
        std::shared_ptr<Sync::Event> gate;
        {
            std::lock_guard lock(toneTable().mutex);
            gate = toneTable().gate;
        }
        if (gate)
            gate->wait();
    }
    std::shared_ptr<Media::ImageBuffer> readVideo(int frame) override
    {
        ToneTable& table = toneTable();
        ++table.videoReads;
        {
            std::lock_guard lock(table.mutex);
            table.mostOfOneFile = std::max(table.mostOfOneFile, ++table.readingFile[name]);
        }
        ++table.readingVideo;
        waitForGate();
        --table.readingVideo;
        {
            std::lock_guard lock(table.mutex);
            --table.readingFile[name];
        }
        auto image = Media::ImageBuffer::create(Media::Format::B8G8R8A8Unorm, 1, 1);
        image->row(0)[0] = static_cast<uint8_t>(frame + 10 * track);
        return image;
    }
    std::shared_ptr<Media::AudioBlockBuffer> readAudio(int block) override
    {
        ++toneTable().audioReads;
        waitForGate();
        if (tone.missing.count(block))
            return nullptr;
        auto out = std::make_shared<Media::AudioBlockBuffer>();
        out->allocate(static_cast<uint32_t>(tone.rate), static_cast<uint32_t>(tone.channels));
        for (int i = 0; i < tone.rate; ++i) {
            const int64_t n = int64_t(block) * tone.rate + i;
            const bool inside = n < tone.samples;
            // First array: right or mono; second: left.
            out->getChannel(1)[i] = inside ? toneSample(n, tone.channels == 2 ? 1 : 0, track) : 0.0f;
            if (tone.channels == 2)
                out->getChannel(0)[i] = inside ? toneSample(n, 0, track) : 0.0f;
        }
        return out;
    }
    Tone tone;
    int track;
    std::wstring name; // path and track
};

class ToneReader : public Plugin::InputPlugin {
public:
    ToneReader()
    {
        name = L"Tone";
        fileFilter = std::wstring(L"Tone (*.tone)\0*.tone\0", 21);
        capability = CapabilityVideo | CapabilityAudio;
    }
    std::shared_ptr<Plugin::InputFile> openFile(const std::wstring& path, int track) override
    {
        std::lock_guard lock(toneTable().mutex);
        auto found = toneTable().tones.find(path);
        if (found == toneTable().tones.end())
            return nullptr;
        return std::make_shared<ToneFile>(found->second, track, path + L"|" + std::to_wstring(track));
    }
};

class CacheFixture : public AudioTest::AudioFixture {
protected:
    void SetUp() override
    {
        AudioFixture::SetUp();
        services.acquire<Media::ImageService>();
        input = services.acquire<Plugin::InputService>();
        input->registerPlugin<ToneReader>();
        input->updateExtTypeList();
        caches = services.acquire<Cache::CacheService>();
        caches->audioCache->audioWorker = worker.get();
        ToneTable& table = toneTable();
        std::lock_guard lock(table.mutex);
        table.tones.clear();
        table.videoReads = 0;
        table.audioReads = 0;
        table.readingVideo = 0;
        table.readingFile.clear();
        table.mostOfOneFile = 0;
        table.gate.reset();
        table.readStarted.reset();
    }
    void TearDown() override
    {
        openGate();
        AudioFixture::TearDown();
    }
    void addTone(const std::wstring& path, Tone tone)
    {
        std::lock_guard lock(toneTable().mutex);
        toneTable().tones[path] = std::move(tone);
    }
    std::shared_ptr<Sync::Event> closeGate()
    {
        std::lock_guard lock(toneTable().mutex);
        toneTable().readStarted.reset();
        toneTable().gate = std::make_shared<Sync::Event>();
        return toneTable().gate;
    }
    void openGate()
    {
        std::shared_ptr<Sync::Event> gate;
        {
            std::lock_guard lock(toneTable().mutex);
            gate = std::move(toneTable().gate);
        }
        if (gate)
            gate->set();
    }
    // Runs f on the audio worker's planning thread and waits for it.
    template <class F>
    void onAudioPlanningThread(F f)
    {
        worker->requestThread.request(3, [&] { f(); });
        worker->requestThread.wait();
    }

    Plugin::InputService* input = nullptr;
    Cache::CacheService* caches = nullptr;
};

} // namespace CacheTest
