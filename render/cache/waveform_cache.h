#pragma once
// The waveform cache: the timeline's picture of a file track's sound, built
// in the background through the audio cache, one block of 128 (min, max)
// columns per second. A request never waits: it answers the cached waveform,
// or queues a build (at most two wait) and answers nothing; a finished build
// tells the main thread, whose timeline asks again. Builds give way to
// playback, export and scene switching.
#include "core/config.h"
#include "render/cache/cache_key.h"
#include "render/cache/pre_load_cache.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace Media { struct WaveformBuffer; }
namespace Plugin { class InputService; }

namespace Cache {

class AudioCache;

class WaveformCache {
public:
    using Store = System::PreLoadCache<WaveformCacheKey, Media::WaveformBuffer, CacheKeyHash>;
    static constexpr int QueueBound = 2;
    // Files longer than this are drawn up to it.
    static constexpr int64_t MaxBlocks = 24 * 60 * 60;

    WaveformCache(Plugin::InputService* input, AudioCache& audio);
    ~WaveformCache();
    WaveformCache(const WaveformCache&) = delete;
    WaveformCache& operator=(const WaveformCache&) = delete;

    // Main thread: the waveform of the file's track, or empty while it is
    // built (a build is queued when fewer than two wait). A track above 50 throws.
    std::shared_ptr<Media::WaveformBuffer> getWaveform(const std::wstring& path, unsigned track);
    // Ends every queued and running build before the current scene changes.
    void drain();
    // True while builds must give way: stopping, draining, playing, exporting.
    bool shouldAbort() const;
    void setCacheSize(int megabytes);

    // Set while the scene switches (main thread), read by the builds.
    std::atomic<bool> cancel{false};
    // Whether an export runs; set by the output service (any thread may ask).
    static std::atomic<bool> exportRunning;

    Plugin::InputService* input;
    AudioCache& audio;
    System::Config::Section settings{"Cache"};
    int waveformCacheSize = 64; // megabytes
    Store cache;

private:
    // The build of one waveform, run on the cache's worker.
    void createWaveform(const WaveformCacheKey& key);

    System::Config::Int waveformCacheSizeValue{settings, "WaveformCacheSize", &waveformCacheSize, 64};
};

} // namespace Cache
