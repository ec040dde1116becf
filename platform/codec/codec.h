#pragma once
// Decoders for compressed streams of AVI and WAV files: audio found by its
// format tag and decoded to interleaved signed 16-bit samples; video found by
// its FourCC and decoded into packed rows.
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

// Layouts of decoded pictures, rows top-down: YUY2 (4:2:2 packed), BGRA with
// its alpha, and BGR with a fourth byte per pixel that carries nothing.
enum class VideoOutput { Yuy2, Bgra32, Bgrx32 };

// The YUV matrix a stream declares for its pictures.
enum class ColourMatrix { Unknown, Bt601, Bt709, Bt2020 };

// A video stream decoded packet by packet. Pictures come out in display order,
// possibly several packets after the packet that carried them (reordered
// pictures, decoder threads): send packets until receive gives the picture
// wanted, and drain at the end of the stream for the pictures still held.
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
    // Every picture of the stream stands alone (each packet is a key frame).
    bool intraOnly() const;

    // Sends the stream's next packet in stored order; position is handed back
    // with its picture. False when the decoder rejects it (no picture comes of it).
    bool send(const void* data, uint32_t size, bool keyFrame, int64_t position);
    // Ends the stream: receive then gives the pictures still held.
    void drain();
    // The next picture in display order and the position its packet was sent
    // with; false when the decoder needs the next packet first, or after a
    // drain, has no picture left. A picture stays until the next one or a flush.
    bool receive(int64_t& position);
    // Forgets every packet and picture held and the end of the stream (a jump).
    void flush();
    // Writes the picture received last at the header's size into rows of
    // pitch bytes. False when there is none or it cannot be converted.
    bool convert(VideoOutput output, uint8_t* out, uint32_t pitch);
    // The matrix the stream declares for the picture received last.
    ColourMatrix matrix() const;

    struct State;

private:
    explicit VideoDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> s_;
};

} // namespace Platform::Codec
