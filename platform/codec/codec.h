#pragma once
// Decoders for compressed streams of AVI and WAV files: audio found by its
// format tag and decoded to interleaved signed 16-bit samples; video found by
// its FourCC and decoded frame by frame into device-independent bitmap rows.
// Stored headers are checked before use: a header whose sizes do not fit the
// bytes given opens nothing.
#include <cstdint>
#include <memory>

namespace Platform::Codec {

// The fields of a stored WAVEFORMATEX (the WAVEFORMATEXTENSIBLE form answers
// its sub-format's tag).
struct AudioFormat {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t sampleRate = 0;
    uint32_t averageBytesPerSecond = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    const uint8_t* extra = nullptr; // the bytes after the first 18, cbSize of them
    uint32_t extraSize = 0;
};

// False when the bytes are shorter than 16, or when cbSize runs past them.
bool parseAudioFormat(const void* bytes, uint32_t size, AudioFormat& out);

// Whether a decoder exists for the tag (PCM and float need none and answer false).
bool hasAudioDecoder(uint16_t tag);

class AudioDecoder {
public:
    // Null when no decoder takes the format.
    static std::unique_ptr<AudioDecoder> open(const AudioFormat& format);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    struct Result {
        uint32_t sourceUsed = 0;
        uint32_t outputUsed = 0;
        int error = 0; // the decoder's (negative) error number for a rejected packet
    };
    // Decodes whole packets (blocks, or frames found by the stream's parser)
    // from source into out until out is full or no whole packet is left; the
    // bytes not used stay with the caller. Output a packet gave beyond the room
    // left is kept and comes first next time. A rejected packet counts as used.
    Result convert(const uint8_t* source, uint32_t sourceSize, uint8_t* out, uint32_t outSize);
    // Forgets the stream's state and any kept output, for a jump.
    void reset();

    struct State;

private:
    explicit AudioDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

// Layouts of decoded frames, as bitmap rows: BGRA and BGR bottom-up with rows
// padded to 4 bytes, YUY2 top-down.
enum class VideoOutput { Yuy2, Bgra32, Bgr24 };

class VideoDecoder {
public:
    // handler: the stream header's FourCC, tried first (0 when none); header:
    // the stored BITMAPINFOHEADER and the codec data after it. Null when no
    // decoder is found or the header does not hold up.
    static std::unique_ptr<VideoDecoder> open(uint32_t handler, const void* header, uint32_t size);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    int width() const;
    int height() const;
    // YUY2 is offered by decoders of YUV pictures without alpha; BGRA and BGR
    // by every decoder.
    bool accepts(VideoOutput output) const;
    // Bytes of one decoded frame in that layout.
    uint32_t frameBytes(VideoOutput output) const;
    // Decodes one packet and writes its frame (frameBytes(output) bytes) to
    // out. False when the packet gives no frame.
    bool decode(const void* data, uint32_t size, bool keyFrame, VideoOutput output, uint8_t* out);

    struct State;

private:
    explicit VideoDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace Platform::Codec
