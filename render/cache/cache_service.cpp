#include "render/cache/cache_service.h"

#include "core/event_service.h"
#include "core/failure.h"
#include "io/input/input_service.h"
#include "render/cache/audio_cache.h"
#include "render/cache/image_cache.h"
#include "render/cache/waveform_cache.h"

#include <atomic>

namespace Cache {

namespace {
std::atomic<FrameScratchBuffer*> inputFrame{nullptr};
std::atomic<AudioScratchBuffer*> inputAudio{nullptr};
std::atomic<FrameScratchBuffer*> exportFrame{nullptr};
std::atomic<AudioScratchBuffer*> exportAudio{nullptr};

template <class T>
bool publish(std::atomic<T*>& slot, T& buffer)
{
    T* expected = nullptr;
    return slot.compare_exchange_strong(expected, &buffer);
}

template <class T>
T& published(std::atomic<T*>& slot, const char* place)
{
    T* buffer = slot.load();
    if (!buffer)
        throw System::makeException(place, "scratch buffer not ready.", nullptr);
    return *buffer;
}
} // namespace

ScratchBuffers::ScratchBuffers()
{
    published_[0] = publish(Cache::inputFrame, inputFrame);
    published_[1] = publish(Cache::inputAudio, inputAudio);
    published_[2] = publish(Cache::exportFrame, exportFrame);
    published_[3] = publish(Cache::exportAudio, exportAudio);
}

ScratchBuffers::~ScratchBuffers()
{
    if (published_[0])
        Cache::inputFrame = nullptr;
    if (published_[1])
        Cache::inputAudio = nullptr;
    if (published_[2])
        Cache::exportFrame = nullptr;
    if (published_[3])
        Cache::exportAudio = nullptr;
}

CacheService::CacheService()
    : imageCache(std::make_unique<ImageCache>(Plugin::InputService::Get(), Event::EventService::Get())),
      audioCache(std::make_unique<AudioCache>(Plugin::InputService::Get(), Event::EventService::Get())),
      waveformCache(std::make_unique<WaveformCache>(Plugin::InputService::Get(), *audioCache))
{
}

CacheService::~CacheService()
{
    waveformCache.reset();
    audioCache.reset();
    imageCache.reset();
}

FrameScratchBuffer& ScratchBuffers::inputFrameBuffer()
{
    return published(Cache::inputFrame, "Cache::ScratchBuffers::inputFrameBuffer");
}

AudioScratchBuffer& ScratchBuffers::inputAudioBuffer()
{
    return published(Cache::inputAudio, "Cache::ScratchBuffers::inputAudioBuffer");
}

FrameScratchBuffer& ScratchBuffers::exportFrameBuffer()
{
    return published(Cache::exportFrame, "Cache::ScratchBuffers::exportFrameBuffer");
}

AudioScratchBuffer& ScratchBuffers::exportAudioBuffer()
{
    return published(Cache::exportAudio, "Cache::ScratchBuffers::exportAudioBuffer");
}

} // namespace Cache
