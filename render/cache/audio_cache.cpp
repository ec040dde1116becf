#include "render/cache/audio_cache.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "project/model/scene.h"
#include "render/render_audio_worker.h"
#include "render/render_service.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Cache {

namespace {

// Source samples one output sample consumes, in 1/den of a sample.
int64_t stepOf(int rate, double speed)
{
    if (speed == 1.0)
        return rate;
    return std::llround(std::fabs(static_cast<double>(rate) * speed));
}

// The first output sample's start in the source, in 1/den of a sample. With
// an offset, a start before the source's beginning becomes its beginning;
// without one a negative play position stays negative (silence there).
int64_t startOf(AudioPlayPosition position, int rate, double offset, int64_t step)
{
    int64_t a = position.num * step;
    if (offset != 0) {
        const double span = static_cast<double>(static_cast<uint64_t>(position.den) * static_cast<uint64_t>(rate));
        a += std::llround(span * offset);
        if (a <= 0)
            a = 0;
    }
    return a;
}

void reverse(Media::AudioBlockBuffer& out, uint32_t count)
{
    std::reverse(out.getChannel(0), out.getChannel(0) + count);
    std::reverse(out.getChannel(1), out.getChannel(1) + count);
}

// A block is planned for at most this many seconds ahead in one call.
constexpr int64_t MaxPreloadBlocks = 3600;

} // namespace

int64_t audioByteSize(const Media::AudioBlockBuffer& block)
{
    return static_cast<int64_t>(block.channels) * block.samples * 4;
}

AudioCache::AudioCache(Plugin::InputService* inputService, Event::EventService* events) : input(inputService)
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    cache.setLimit(static_cast<int64_t>(audioCacheSize) << 20);
    cache.worker.semaphore.setMax(QueueBound);
    if (events) {
        events->sceneChanged.push_back([alive = token.alive](int id) {
            if (*alive)
                static_cast<AudioCache*>(*alive)->sceneChanged(id);
        });
    }
}

AudioCache::~AudioCache()
{
    cache.stop();
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
}

void AudioCache::setCacheSize(int megabytes)
{
    audioCacheSize = megabytes;
    cache.setLimit(static_cast<int64_t>(megabytes) << 20);
}

AudioReadPosition AudioCache::calcPosition(AudioPlayPosition position, int rate, double offset, double speed)
{
    AudioReadPosition p;
    p.blockLength = rate;
    p.den = static_cast<int32_t>(position.den);
    if (rate <= 0 || position.den == 0)
        return p; // step 0: nothing to read
    const int64_t step = stepOf(rate, speed);
    const int64_t a = startOf(position, rate, offset, step);
    const int64_t den = position.den;
    p.block = static_cast<int32_t>((a / den) / rate);
    p.sample = static_cast<int32_t>((a / den) % rate);
    p.remainder = static_cast<int32_t>(a % den);
    p.step = static_cast<int32_t>(step);
    return p;
}

int AudioCache::getSampleRate(const std::wstring& name)
{
    if (isSceneFileName(name)) {
        const Edit::Scene* scene = getSceneFromFileName(name);
        return scene ? std::max(scene->audioRate, 0) : 0;
    }
    if (!input)
        return 0;
    std::shared_ptr<Plugin::InputFile> file = input->getInputFile(name, Plugin::InputService::TypeAudio);
    return file ? std::max(file->sampleRate, 0) : 0;
}

AudioCache::Store::Loader AudioCache::blockLoader(const AudioCacheKey& key)
{
    return [this, key] {
        if (!input)
            return;
        std::shared_ptr<Plugin::InputFile> file = input->getInputFile(key.name, Plugin::InputService::TypeAudio);
        if (!file)
            return;
        std::shared_ptr<Media::AudioBlockBuffer> block = file->readAudio(key.number);
        if (block)
            cache.put(key, block, audioByteSize(*block));
    };
}

std::shared_ptr<Media::AudioBlockBuffer> AudioCache::block(const std::wstring& name, bool scene, int index)
{
    if (index < 0)
        return nullptr;
    const AudioCacheKey key{name, index};
    // A scene block is rendered only by the preload that claimed it: a get
    // never claims one, it waits for a pending render or finds nothing.
    return scene ? cache.findOrWait(key) : cache.get(key, blockLoader(key));
}

std::unique_ptr<Media::AudioBlockBuffer> AudioCache::getAudio(const std::wstring& sourceName, unsigned track,
                                                              AudioPlayPosition position, uint32_t count,
                                                              double offset, double speed)
{
    const std::wstring name = Plugin::InputService::MakeMultiTrackFileName(sourceName, track);
    const int rate = getSampleRate(name);
    if (rate <= 0)
        return nullptr;
    const bool scene = isSceneFileName(name);
    auto out = std::make_unique<Media::AudioBlockBuffer>();
    out->allocate(count, 2);
    const int64_t step = position.den ? stepOf(rate, speed) : 0;
    if (step <= 0) {
        out->clear();
        return out;
    }
    const int64_t den = position.den;
    int64_t a = startOf(position, rate, offset, step);

    // Output samples before the source's start are silence. (Only a play
    // position before 0 without an offset starts there, and it starts a whole
    // number of output samples early.)
    uint32_t j = 0;
    if (a < 0) {
        const int64_t before = (-a + step - 1) / step;
        j = static_cast<uint32_t>(std::min<int64_t>(before, count));
        std::fill(out->getChannel(0), out->getChannel(0) + j, 0.0f);
        std::fill(out->getChannel(1), out->getChannel(1) + j, 0.0f);
        a += before * step;
    }
    if (j == count) {
        out->clear();
        return out;
    }
    int64_t b = (a / den) / rate;
    int64_t i = (a / den) % rate;
    int64_t left = den - a % den;
    std::shared_ptr<Media::AudioBlockBuffer> src = block(name, scene, static_cast<int>(b));
    if (!src) {
        out->clear();
        return out;
    }
    const float* src0 = src->getChannel(1); // first array: right, or the only one
    const float* src1 = src->getChannel(0); // second array: left, or the only one
    int64_t avail = src->samples;
    float* out0 = out->getChannel(1);
    float* out1 = out->getChannel(0);
    const float stepf = static_cast<float>(step);
    // The next block, fetched only once a sample of it is needed; false past
    // the last one, where the rest of the output is silence.
    auto nextBlock = [&] {
        src = b + 1 > INT32_MAX ? nullptr : block(name, scene, static_cast<int>(++b));
        if (!src)
            return false;
        src0 = src->getChannel(1);
        src1 = src->getChannel(0);
        avail = src->samples;
        i = 0;
        return true;
    };
    auto ended = [&] {
        if (speed < 0)
            reverse(*out, j);
        out->clearFrom(j);
        return std::move(out);
    };

    // One source sample per output sample, starting on a sample's edge (speed
    // 1 at the source's rate): whole runs are copied. Adding to 0 as the
    // general loop does keeps its result bit for bit (a -0 becomes +0).
    if (step == den && left == den) {
        while (j < count) {
            if (i == rate && !nextBlock())
                return ended();
            const int64_t run = std::min<int64_t>(count - j, rate - i);
            const int64_t copied = std::clamp<int64_t>(avail - i, 0, run);
            for (int64_t k = 0; k < copied; ++k) {
                out0[j + k] = 0.0f + src0[i + k];
                out1[j + k] = 0.0f + src1[i + k];
            }
            std::fill(out0 + j + copied, out0 + j + run, 0.0f);
            std::fill(out1 + j + copied, out1 + j + run, 0.0f);
            j += static_cast<uint32_t>(run);
            i += run;
        }
    }

    for (; j < count; ++j) {
        int64_t need = step;
        float sum0 = 0, sum1 = 0;
        while (need > 0) {
            if (i == rate && !nextBlock())
                return ended();
            const int64_t take = std::min(need, left);
            const float weight = take == step ? 1.0f : static_cast<float>(take) / stepf;
            if (i < avail) { // a short block is silence past its end
                sum0 += weight * src0[i];
                sum1 += weight * src1[i];
            }
            need -= take;
            left -= take;
            if (left == 0) {
                left = den;
                ++i;
            }
        }
        out0[j] = sum0;
        out1[j] = sum1;
    }
    if (speed < 0)
        reverse(*out, count);
    return out;
}

Render::RenderAudioWorker* AudioCache::sceneRenderer() const
{
    if (audioWorker)
        return audioWorker;
    Render::RenderService* render = Render::RenderService::Get();
    return render ? &render->audioWorker : nullptr;
}

void AudioCache::preloadAudio(const std::wstring& sourceName, unsigned track, AudioPlayPosition position,
                              uint32_t count, double offset, double speed)
{
    const std::wstring name = Plugin::InputService::MakeMultiTrackFileName(sourceName, track);
    const int rate = getSampleRate(name);
    if (rate <= 0)
        return;
    Edit::Scene* scene = nullptr;
    Render::RenderAudioWorker* renderer = nullptr;
    if (isSceneFileName(name)) {
        scene = getSceneFromFileName(name);
        renderer = sceneRenderer();
        // Off the planning thread a render would wait on the bounded object
        // queue it feeds, or race on the planning set.
        if (!scene || !renderer || !renderer->onPlanningThread())
            return;
    }
    const int64_t first = std::max<int64_t>(calcPosition(position, rate, offset, speed).block, 0);
    const int64_t last =
        calcPosition({position.num + static_cast<int64_t>(count), position.den}, rate, offset, speed).block;
    for (int64_t b = first; b <= std::min(last, first + MaxPreloadBlocks); ++b) {
        const AudioCacheKey key{name, static_cast<int>(b)};
        if (!scene) {
            cache.preload(key, blockLoader(key));
        } else if (cache.claim(key)) {
            // The callback runs on every path; an empty block releases the claim.
            renderer->createSceneAudioBlock(scene, key.number, [this, key](std::shared_ptr<Media::AudioBlockBuffer> block) {
                const int64_t size = block ? audioByteSize(*block) : 0;
                cache.put(key, std::move(block), size);
            });
        }
    }
}

void AudioCache::sceneChanged(int sceneId)
{
    const std::wstring name = makeSceneFileName(sceneId);
    cache.removeIf([&name](const AudioCacheKey& key) { return key.name == name; });
}

} // namespace Cache
