#pragma once
// The cache service: the four shared scratch buffers that media reads and
// exports fill one at a time, then the pre-load caches of pictures, sound and
// waveforms.
//
// A reader locks a buffer's mutex for the whole of one read, sets its format
// header, grows its memory and fills it. Every video read of every input file
// is serialised by the input frame buffer, every audio read by the input audio
// buffer; a plug-in module's own lock is taken after the buffer's.
#include "core/bitmap_info.h"
#include "core/file.h"
#include "core/service.h"

#include <cstdint>
#include <memory>
#include <mutex>

namespace Cache {

class AudioCache;
class ImageCache;
class WaveformCache;

// The format of interleaved samples held in an audio scratch buffer.
struct AudioFormatHeader {
    uint32_t formatTag = 0;
    uint32_t sampleRate = 0;
    uint32_t bitsPerSample = 0;
    uint32_t channels = 0;
};

template <class Header>
struct ScratchBuffer {
    std::mutex mutex;
    Header header;
    System::AlignedBuffer memory; // only grows
};
using FrameScratchBuffer = ScratchBuffer<System::BitmapInfoHeader>;
using AudioScratchBuffer = ScratchBuffer<AudioFormatHeader>;

// The four buffers. Each is published through its static pointer when that
// pointer is still null, and the pointer is reset when the buffers that
// published it go. Readers reach the buffers through the pointers, so a
// program part that has no cache service (a test, a benchmark) publishes a
// set of its own.
struct ScratchBuffers {
    ScratchBuffers();
    ~ScratchBuffers();
    ScratchBuffers(const ScratchBuffers&) = delete;
    ScratchBuffers& operator=(const ScratchBuffers&) = delete;

    FrameScratchBuffer inputFrame;  // video of input files (AVI, plug-in modules)
    AudioScratchBuffer inputAudio;  // audio of input files (AVI, WAV, plug-in modules)
    FrameScratchBuffer exportFrame; // frames handed to writers
    AudioScratchBuffer exportAudio; // sound handed to output modules

    // The published buffers; each accessor throws "scratch buffer not ready."
    // while none is published.
    static FrameScratchBuffer& inputFrameBuffer();
    static AudioScratchBuffer& inputAudioBuffer();
    static FrameScratchBuffer& exportFrameBuffer();
    static AudioScratchBuffer& exportAudioBuffer();

private:
    bool published_[4] = {};
};

// Built after the input service; its caches read files through it. At the
// end the waveform, audio and image caches stop and go in that order.
class CacheService : public System::Singleton<CacheService> {
public:
    CacheService();
    ~CacheService();
    CacheService(const CacheService&) = delete;
    CacheService& operator=(const CacheService&) = delete;

    ScratchBuffers scratch;
    std::unique_ptr<ImageCache> imageCache;
    std::unique_ptr<AudioCache> audioCache;
    std::unique_ptr<WaveformCache> waveformCache;
};

// Gives an effect the cache service it was built with.
class CacheInstance {
public:
    CacheInstance() : cacheService(CacheService::Get()) {}

protected:
    CacheService* cacheService;
};

} // namespace Cache
