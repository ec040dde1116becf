#pragma once
// The audio cache: runs of samples of a file's track or of another scene at a
// play position, speed and offset, resampled to the caller's rate by a box
// filter over one-second source blocks kept in one pre-load cache keyed by
// (name, block). File blocks are read on the cache's worker; scene blocks are
// rendered by the audio worker's planning thread and handed in when finished.
#include "core/config.h"
#include "render/cache/cache_key.h"
#include "render/cache/image_cache.h"
#include "render/cache/pre_load_cache.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Media { class AudioBlockBuffer; }
namespace Render { class RenderAudioWorker; }

namespace Cache {

// Where a run of output samples starts in the source: block, sample in it,
// and the part of that sample already consumed in 1/den of a sample; each
// output sample consumes step / den source samples.
struct AudioReadPosition {
    int32_t block = 0;
    int32_t blockLength = 0; // the source rate: one block is one second
    int32_t sample = 0;
    int32_t remainder = 0;
    int32_t den = 0;
    int32_t step = 0;
};

// A play time of num / den seconds; den is the rate of the samples produced.
struct AudioPlayPosition {
    int64_t num = 0;
    uint32_t den = 0;
};

class AudioCache {
public:
    using Store = System::PreLoadCache<AudioCacheKey, Media::AudioBlockBuffer, CacheKeyHash>;
    static constexpr int QueueBound = 16;

    AudioCache(Plugin::InputService* input, Event::EventService* events);
    ~AudioCache();
    AudioCache(const AudioCache&) = delete;
    AudioCache& operator=(const AudioCache&) = delete;

    // count stereo samples of the source (a file's track, or a scene "*" + id)
    // read from speed × num / den + offset seconds on, at rate den; a negative
    // speed reads the same run backwards. Waits for the blocks it needs. Null
    // when the source has no sample rate; silence where a block cannot be had
    // and before the source's start. A scene block is only waited for while its
    // render is pending (preloadAudio starts it). A track above 50 throws.
    std::unique_ptr<Media::AudioBlockBuffer> getAudio(const std::wstring& name, unsigned track,
                                                      AudioPlayPosition position, uint32_t count, double offset,
                                                      double speed);
    // Starts loading (or rendering) every block getAudio with the same
    // arguments reads. Scene blocks render from the audio worker's planning
    // thread only: elsewhere they are left alone.
    void preloadAudio(const std::wstring& name, unsigned track, AudioPlayPosition position, uint32_t count,
                      double offset, double speed);
    // The scene's audio rate, or that of the file opened for audio; 0 when none.
    int getSampleRate(const std::wstring& name);
    // Drops every cached block of the scene (an edit changed it).
    void sceneChanged(int sceneId);
    void setCacheSize(int megabytes);
    // The loader of a file block: reads it through the input service and puts it.
    Store::Loader blockLoader(const AudioCacheKey& key);

    static AudioReadPosition calcPosition(AudioPlayPosition position, int rate, double offset, double speed);

    // The worker that renders scene blocks; null: the render service's.
    Render::RenderAudioWorker* audioWorker = nullptr;

    Plugin::InputService* input;
    System::Config::Section settings{"Cache"};
    int audioCacheSize = 64; // megabytes
    Store cache;

private:
    Render::RenderAudioWorker* sceneRenderer() const;
    std::shared_ptr<Media::AudioBlockBuffer> block(const std::wstring& name, bool scene, int index);

    System::Config::Int audioCacheSizeValue{settings, "AudioCacheSize", &audioCacheSize, 64};
    ListenerToken token{this};
};

// Bytes of sample memory: an audio cache entry's size.
int64_t audioByteSize(const Media::AudioBlockBuffer& block);

} // namespace Cache
