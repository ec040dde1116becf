#pragma once
// Sound inside the program: planar float blocks (AudioBlockBuffer), the raw
// PCM bytes readers deliver (RawAudioBuffer), interleaved output in 16-bit PCM
// or float (AudioBuffer) and the timeline's waveform summary (WaveformBuffer).
//
// A block's arrays are 32-byte aligned and padded to whole groups of eight
// floats; vectorised loops may read and write that padding.
#include "core/file.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Media {

constexpr uint32_t WaveFormatPcm = 1;
constexpr uint32_t WaveFormatIeeeFloat = 3;

// Interleaved PCM or float bytes as a reader delivers them.
struct RawAudioBuffer {
    System::AlignedBuffer buffer; // size: channels × (bits / 8) × samples
    uint32_t formatTag = WaveFormatPcm;
    int32_t sampleCount = 0;
    uint32_t bitsPerSample = 16;
    int32_t channels = 2;
};

class AudioBlockBuffer {
public:
    AudioBlockBuffer() = default;
    // Converts raw bytes: float 32-bit mono or stereo, PCM 16 or 24-bit mono or
    // stereo (mono PCM becomes a stereo block with equal channels). Any other
    // format throws "invalid convert audio format.".
    explicit AudioBlockBuffer(const RawAudioBuffer& raw);
    AudioBlockBuffer(const AudioBlockBuffer&) = delete;
    AudioBlockBuffer& operator=(const AudioBlockBuffer&) = delete;

    // Sets the counts and (re)allocates the arrays; old samples are not kept.
    void allocate(uint32_t samples, uint32_t channels);
    void clear();
    void clearFrom(uint32_t index);
    std::unique_ptr<AudioBlockBuffer> clone() const;
    // Copies source samples [from, to) to index onwards, cut at this block's
    // end; returns index + the samples copied.
    uint32_t copyFrom(uint32_t index, const AudioBlockBuffer& source, uint32_t from, uint32_t to);
    // Channel 0 is left, 1 right; a mono block answers its one array for both.
    float* getChannel(uint32_t channel);
    const float* getChannel(uint32_t channel) const;

    // 1024 magnitudes (0..32767) of the last 2048-sample window of the mono mix.
    std::vector<float> getSpectrum() const;
    // min(count, 1024) display bands (0..32767) with peak hold over the block.
    std::vector<float> getSpectrumBands(int count) const;

    // First array: the mono channel, or the right channel of a stereo block.
    System::AlignedBuffer first;
    // Second array: the left channel of a stereo block; empty in a mono block.
    System::AlignedBuffer second;
    uint32_t channels = 0;
    uint32_t samples = 0; // per channel
};

// Interleaved samples at the edge of the program. The owner sets block align,
// format tag, bits and channels before converting.
struct AudioBuffer {
    System::AlignedBuffer data; // size: bytes written by the last conversion
    int32_t sampleCount = 0;
    int32_t blockAlign = 0;
    uint32_t formatTag = 0;
    uint32_t bitsPerSample = 0;
    uint32_t channels = 0;

    // Writes the block as 16-bit stereo (rounded to even, saturated), float
    // stereo, or a float mono sum (right + left, not halved). Other formats
    // throw "audio format not supported." and leave this buffer unchanged.
    void convertTo(const AudioBlockBuffer& block);
};

// The timeline's waveform of a whole file: 128 columns of (min, max) bytes per
// audio block, byte b standing for the sample value b / 128 - 1.
struct WaveformBuffer {
    static constexpr uint32_t ColumnsPerBlock = 128;

    System::AlignedBuffer bytes;
    uint32_t columns = 0;

    // Room for blockCount blocks, all zero.
    void allocate(uint32_t blockCount);
    // Writes block blockIndex's columns (zeros for a null block); nothing when
    // the buffer has no room for it.
    void setBlock(const AudioBlockBuffer* block, int blockIndex);
};

} // namespace Media
