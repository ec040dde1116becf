#pragma once
// An opened media file: what a reader found in it, and its frames and
// one-second audio blocks on request. Held by shared pointers: the input
// service's open-file cache, the pre-load caches and the media objects share
// one opened file.
#include <cstdint>
#include <memory>

namespace Media {
class AudioBlockBuffer;
class ImageBuffer;
} // namespace Media

namespace Plugin {

class InputPlugin;

class InputFile {
public:
    // Bits of flags.
    static constexpr uint32_t FlagVideo = 1;
    static constexpr uint32_t FlagAudio = 2;
    static constexpr uint32_t FlagMultiTrack = 4; // the track counts are meaningful
    static constexpr uint32_t FlagTimeToFrame = 8; // the reader converts times to frames itself

    InputFile() = default;
    virtual ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The picture of a frame in pixelFormat; null when the file has no open
    // video. The base throws "not implement.".
    virtual std::shared_ptr<Media::ImageBuffer> readVideo(int frame);
    // Samples block × sampleRate to (block + 1) × sampleRate − 1, padded with
    // silence past the end; null when the file has no open audio. The base
    // throws "not implement.".
    virtual std::shared_ptr<Media::AudioBlockBuffer> readAudio(int block);
    // The frame shown at a time: seconds × rate / scale rounded (halves away
    // from zero), limited to 0 .. frameCount − 1.
    virtual int timeToFrame(double seconds);

    InputPlugin* reader = nullptr; // set by the input service when it opens the file
    uint32_t flags = 0;
    int32_t frameCount = 0;
    int32_t pixelFormat = 0; // the DXGI number of the pictures readVideo returns
    int32_t width = 0;
    int32_t height = 0;
    uint32_t rate = 0; // frames per second = rate / scale
    uint32_t scale = 0;
    int32_t videoTrackCount = 0;
    int64_t audioSampleCount = 0; // sample frames at sampleRate
    int32_t audioFormatTag = 0;   // 1 PCM, 3 float
    int32_t bitsPerSample = 0;    // 16 or 24 with PCM, 32 with float
    int32_t channelCount = 0;
    int32_t sampleRate = 0;
    int32_t audioTrackCount = 0;
};

} // namespace Plugin
