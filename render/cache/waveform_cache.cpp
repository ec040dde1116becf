#include "render/cache/waveform_cache.h"

#include "core/event_command.h"
#include "core/ini_file.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/audio_buffer.h"
#include "render/cache/audio_cache.h"
#include "render/movie_player.h"

#include <cmath>

namespace Cache {

std::atomic<bool> WaveformCache::exportRunning{false};

WaveformCache::WaveformCache(Plugin::InputService* inputService, AudioCache& audioCache)
    : input(inputService), audio(audioCache)
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    cache.setLimit(static_cast<int64_t>(waveformCacheSize) << 20);
    cache.worker.semaphore.setMax(QueueBound);
}

WaveformCache::~WaveformCache()
{
    cache.stop();
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
}

void WaveformCache::setCacheSize(int megabytes)
{
    waveformCacheSize = megabytes;
    cache.setLimit(static_cast<int64_t>(megabytes) << 20);
}

std::shared_ptr<Media::WaveformBuffer> WaveformCache::getWaveform(const std::wstring& path, unsigned track)
{
    const WaveformCacheKey key{Plugin::InputService::MakeMultiTrackFileName(path, track), 0};
    if (std::shared_ptr<Media::WaveformBuffer> found = cache.find(key))
        return found;
    // Beyond two waiting builds a request is not queued: the next paint asks again.
    if (cache.worker.queuedCount() < QueueBound)
        cache.preload(key, [this, key] { createWaveform(key); });
    return nullptr;
}

void WaveformCache::drain()
{
    cancel.store(true);
    cache.worker.wait();
    cancel.store(false);
}

bool WaveformCache::shouldAbort() const
{
    return !cache.worker.isRunning() || cancel.load() || exportRunning.load() ||
           Render::MoviePlayer::isPlaybackRunning();
}

void WaveformCache::createWaveform(const WaveformCacheKey& key)
{
    if (shouldAbort() || !input)
        return;
    std::shared_ptr<Plugin::InputFile> file = input->getInputFile(key.name, Plugin::InputService::TypeAudio);
    if (!file || shouldAbort())
        return;
    // A file without a rate has no length to draw.
    if (file->sampleRate <= 0 || file->audioSampleCount < 0)
        return;
    const double seconds = std::ceil(static_cast<double>(file->audioSampleCount) / file->sampleRate);
    const int64_t blocks = std::min(static_cast<int64_t>(seconds), MaxBlocks);
    auto waveform = std::make_shared<Media::WaveformBuffer>();
    waveform->allocate(static_cast<uint32_t>(blocks));
    for (int64_t i = 0; i < blocks; ++i) {
        const AudioCacheKey blockKey{key.name, static_cast<int>(i)};
        std::shared_ptr<Media::AudioBlockBuffer> block = audio.cache.get(blockKey, audio.blockLoader(blockKey));
        waveform->setBlock(block.get(), static_cast<int>(i));
        if (shouldAbort())
            return; // nothing stored: the next paint builds it again from the start
    }
    cache.put(key, std::move(waveform), blocks * 2 * Media::WaveformBuffer::ColumnsPerBlock);
    Event::postEventCommand(Event::EventCommandType::NotifyWaveform);
}

} // namespace Cache
