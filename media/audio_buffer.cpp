#include "media/audio_buffer.h"

#include "core/failure.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace Media {

namespace {
constexpr uint32_t Group = 8; // floats per vector group
constexpr float Scale16 = 1.0f / 32768.0f;
constexpr float Scale24 = 1.0f / 2147483648.0f;

uint64_t roundUpGroup(uint32_t samples)
{
    return (uint64_t(samples) + Group - 1) & ~uint64_t(Group - 1);
}

// Allocates an array for samples floats plus its group padding, which is zeroed
// so that vectorised reads of it see defined values.
void allocateArray(System::AlignedBuffer& array, uint32_t samples)
{
    if (samples > (std::numeric_limits<uint32_t>::max() - 31) / 4)
        throw System::makeErrorCodeException("System::AlignedBuffer::allocMemory", System::ErrorOutOfMemory);
    array.allocMemory(samples * 4);
    float* p = static_cast<float*>(array.data);
    if (p)
        std::fill(p + samples, p + size_t(roundUpGroup(samples)), 0.0f);
}

// Float to 16-bit is × 32768, rounded to nearest even and saturated. Adding
// and taking away 1.5 × 2^23 rounds to even in float arithmetic (a NaN
// saturates low, as the processor's packing does).
inline float readFloat(const uint8_t* p)
{
    float v;
    std::memcpy(&v, p, 4);
    return v;
}

inline float readPcm16(const uint8_t* p)
{
    return static_cast<float>(static_cast<int16_t>(uint16_t(p[0]) | uint16_t(p[1]) << 8)) * Scale16;
}

inline float readPcm24(const uint8_t* p)
{
    int32_t v = static_cast<int32_t>(uint32_t(p[2]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[0]) << 8);
    return static_cast<float>(v) * Scale24;
}

// Interleaved samples of `width` bytes into planar floats: left (the second
// array) and right (the first), or one mono array when right is null. Whole
// groups of eight frames go through a group buffer the compiler vectorises;
// the tail reads only the frames that exist.
template <uint32_t width, float (*read)(const uint8_t*)>
void readInterleaved(const uint8_t* src, uint32_t samples, float* __restrict left, float* __restrict right)
{
    const uint32_t perFrame = right ? 2 : 1;
    const uint32_t whole = samples / Group * Group;
    for (uint32_t g = 0; g < whole; g += Group) {
        const uint8_t* in = src + size_t(g) * perFrame * width;
        float t[2 * Group];
        for (uint32_t j = 0; j < perFrame * Group; ++j)
            t[j] = read(in + j * width);
        if (right) {
            for (uint32_t i = 0; i < Group; ++i) {
                left[g + i] = t[2 * i];
                right[g + i] = t[2 * i + 1];
            }
        } else {
            for (uint32_t i = 0; i < Group; ++i)
                left[g + i] = t[i];
        }
    }
    for (uint32_t i = whole; i < samples; ++i) {
        const uint8_t* in = src + size_t(i) * perFrame * width;
        left[i] = read(in);
        if (right)
            right[i] = read(in + width);
    }
}

// The output loops: whole groups of eight frames, padding included. Each has
// a second build for processors with AVX2, chosen when the program loads.
#define VELMORA_AUDIO_KERNEL __attribute__((target_clones("avx2", "default")))

// Four floats to four 16-bit samples. Written with vector types: the compiler
// does not vectorise the clamps and the narrowing of the plain loop well.
typedef float Float4 __attribute__((vector_size(16)));
typedef int32_t Int4 __attribute__((vector_size(16)));
typedef int16_t Short4 __attribute__((vector_size(8)));
typedef int16_t Short8 __attribute__((vector_size(16)));

inline Short4 toPcm16(Float4 v)
{
    const Float4 lo = {-32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const Float4 hi = {32767.0f, 32767.0f, 32767.0f, 32767.0f};
    const Float4 magic = {12582912.0f, 12582912.0f, 12582912.0f, 12582912.0f};
    v *= 32768.0f;
    v = v > lo ? v : lo;
    v = v < hi ? v : hi;
    v = (v + magic) - magic;
    return __builtin_convertvector(__builtin_convertvector(v, Int4), Short4);
}

VELMORA_AUDIO_KERNEL
void interleavePcm16(const float* __restrict left, const float* __restrict right, int16_t* __restrict out,
                     uint32_t groups)
{
    for (uint32_t q = 0; q < 2 * groups; ++q) {
        Float4 l, r;
        std::memcpy(&l, left + 4 * q, sizeof l);
        std::memcpy(&r, right + 4 * q, sizeof r);
        Short8 o = __builtin_shufflevector(toPcm16(l), toPcm16(r), 0, 4, 1, 5, 2, 6, 3, 7);
        std::memcpy(out + 8 * q, &o, sizeof o);
    }
}

VELMORA_AUDIO_KERNEL
void interleaveFloat(const float* __restrict left, const float* __restrict right, float* __restrict out,
                     uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g) {
        const float* l = left + Group * g;
        const float* r = right + Group * g;
        float* o = out + 2 * Group * g;
        for (uint32_t i = 0; i < Group; ++i) {
            o[2 * i] = l[i];
            o[2 * i + 1] = r[i];
        }
    }
}

VELMORA_AUDIO_KERNEL
void mixMono(const float* __restrict a, const float* __restrict b, float* __restrict out, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g)
        for (uint32_t i = 0; i < Group; ++i)
            out[Group * g + i] = a[Group * g + i] + b[Group * g + i];
}

[[noreturn]] void invalidFormat(const RawAudioBuffer& raw)
{
    throw System::makeFormatException("Media::AudioBlockBuffer::AudioBlockBuffer", "invalid convert audio format.",
                                      L"format=%d bit=%d channel=%d", int(raw.formatTag), int(raw.bitsPerSample),
                                      int(raw.channels));
}
} // namespace

AudioBlockBuffer::AudioBlockBuffer(const RawAudioBuffer& raw)
{
    const uint8_t* src = static_cast<const uint8_t*>(raw.buffer.data);
    const uint32_t n = src ? raw.buffer.size : 0;
    const uint32_t tag = raw.formatTag, bits = raw.bitsPerSample;
    const int32_t ch = raw.channels;
    if (tag == WaveFormatIeeeFloat && bits == 32 && ch == 2) {
        allocate(n / 8, 2);
        readInterleaved<4, readFloat>(src, samples, getChannel(0), getChannel(1));
    } else if (tag == WaveFormatIeeeFloat && bits == 32 && ch == 1) {
        allocate(n / 4, 1);
        readInterleaved<4, readFloat>(src, samples, getChannel(0), nullptr);
    } else if (tag == WaveFormatPcm && bits == 16 && ch == 2) {
        allocate(n / 4, 2);
        readInterleaved<2, readPcm16>(src, samples, getChannel(0), getChannel(1));
    } else if (tag == WaveFormatPcm && bits == 24 && ch == 2) {
        allocate(n / 6, 2);
        readInterleaved<3, readPcm24>(src, samples, getChannel(0), getChannel(1));
    } else if (tag == WaveFormatPcm && (bits == 16 || bits == 24) && ch == 1) {
        // Mono PCM becomes a stereo block whose channels are equal.
        allocate(n / (bits / 8), 2);
        if (bits == 16)
            readInterleaved<2, readPcm16>(src, samples, getChannel(0), nullptr);
        else
            readInterleaved<3, readPcm24>(src, samples, getChannel(0), nullptr);
        std::memcpy(getChannel(1), getChannel(0), size_t(samples) * 4);
    } else {
        invalidFormat(raw);
    }
}

void AudioBlockBuffer::allocate(uint32_t sampleCount, uint32_t channelCount)
{
    samples = sampleCount;
    channels = channelCount;
    allocateArray(first, sampleCount);
    if (channelCount == 2)
        allocateArray(second, sampleCount);
    else
        second.freeMemory();
}

void AudioBlockBuffer::clear()
{
    clearFrom(0);
}

void AudioBlockBuffer::clearFrom(uint32_t index)
{
    if (index >= samples)
        return;
    std::fill(getChannel(1) + index, getChannel(1) + samples, 0.0f);
    if (channels == 2)
        std::fill(getChannel(0) + index, getChannel(0) + samples, 0.0f);
}

std::unique_ptr<AudioBlockBuffer> AudioBlockBuffer::clone() const
{
    auto copy = std::make_unique<AudioBlockBuffer>();
    copy->allocate(samples, channels);
    if (samples) {
        std::memcpy(copy->first.data, first.data, size_t(samples) * 4);
        if (channels == 2)
            std::memcpy(copy->second.data, second.data, size_t(samples) * 4);
    }
    return copy;
}

uint32_t AudioBlockBuffer::copyFrom(uint32_t index, const AudioBlockBuffer& source, uint32_t from, uint32_t to)
{
    if (from >= to || index >= samples)
        return index;
    // The source range never reaches past the source's own samples.
    to = std::min(to, source.samples);
    if (from >= to)
        return index;
    uint32_t count = std::min(to - from, samples - index);
    std::memmove(getChannel(0) + index, source.getChannel(0) + from, size_t(count) * 4);
    std::memmove(static_cast<float*>(first.data) + index, static_cast<const float*>(source.first.data) + from,
                 size_t(count) * 4);
    return index + count;
}

float* AudioBlockBuffer::getChannel(uint32_t channel)
{
    return static_cast<float*>(channel == 1 || channels != 2 ? first.data : second.data);
}

const float* AudioBlockBuffer::getChannel(uint32_t channel) const
{
    return static_cast<const float*>(channel == 1 || channels != 2 ? first.data : second.data);
}

void AudioBuffer::convertTo(const AudioBlockBuffer& block)
{
    enum { Pcm16Stereo, FloatStereo, FloatMono, Unsupported } kind = Unsupported;
    if (channels == 2 && formatTag == WaveFormatPcm && bitsPerSample == 16 && blockAlign == 4)
        kind = Pcm16Stereo;
    else if (channels == 2 && formatTag == WaveFormatIeeeFloat && bitsPerSample == 32 && blockAlign == 8)
        kind = FloatStereo;
    else if (channels == 1 && formatTag == WaveFormatIeeeFloat && bitsPerSample == 32 && blockAlign == 4)
        kind = FloatMono;
    // A block align that does not match the format would make the frames
    // overrun the data: it counts as unsupported too.
    const uint64_t padded = roundUpGroup(block.samples);
    if (kind == Unsupported || padded * uint64_t(blockAlign) > std::numeric_limits<uint32_t>::max() ||
        block.samples > uint32_t(std::numeric_limits<int32_t>::max()))
        throw System::makeFormatException("Media::AudioBuffer::convertTo", "audio format not supported.",
                                          L"format = %d, bit = %d, ch = %d", int(formatTag), int(bitsPerSample),
                                          int(channels));

    const uint32_t n = block.samples;
    // Whole groups of eight frames are written, so the data holds the frames
    // rounded up to a group.
    data.allocMemory(uint32_t(padded * uint32_t(blockAlign)));
    data.size = n * uint32_t(blockAlign);
    sampleCount = int32_t(n);
    if (n == 0)
        return;

    const uint32_t groups = uint32_t(padded / Group);
    const float* left = block.getChannel(0);
    switch (kind) {
    case Pcm16Stereo: interleavePcm16(left, block.getChannel(1), static_cast<int16_t*>(data.data), groups); break;
    case FloatStereo: interleaveFloat(left, block.getChannel(1), static_cast<float*>(data.data), groups); break;
    case FloatMono:
        mixMono(static_cast<const float*>(block.first.data), left, static_cast<float*>(data.data), groups);
        break;
    case Unsupported: break;
    }
}

void WaveformBuffer::allocate(uint32_t blockCount)
{
    if (blockCount > std::numeric_limits<uint32_t>::max() / (2 * ColumnsPerBlock))
        throw System::makeErrorCodeException("System::AlignedBuffer::allocMemory", System::ErrorOutOfMemory);
    bytes.allocMemory(blockCount * 2 * ColumnsPerBlock);
    if (bytes.data)
        std::memset(bytes.data, 0, bytes.size);
    columns = blockCount * ColumnsPerBlock;
}

void WaveformBuffer::setBlock(const AudioBlockBuffer* block, int blockIndex)
{
    if (blockIndex < 0 || uint64_t(columns) < uint64_t(blockIndex) * ColumnsPerBlock + ColumnsPerBlock)
        return;
    uint8_t* out = static_cast<uint8_t*>(bytes.data) + size_t(blockIndex) * 2 * ColumnsPerBlock;
    if (!block) {
        std::memset(out, 0, 2 * ColumnsPerBlock);
        return;
    }
    const float* a = static_cast<const float*>(block->first.data);
    const float* b = block->getChannel(0);
    auto toByte = [](float v) {
        float scaled = (v + 1.0f) * 128.0f;
        if (!(scaled > 0.0f))
            return uint8_t(0);
        return scaled >= 255.0f ? uint8_t(255) : static_cast<uint8_t>(scaled);
    };
    uint32_t start = 0;
    for (uint32_t i = 1; i <= ColumnsPerBlock; ++i) {
        uint32_t end = uint32_t((uint64_t(block->samples) * i) >> 7);
        float lo = 0.0f, hi = 0.0f;
        for (uint32_t s = start; s < end; ++s) {
            lo = std::min(lo, std::min(a[s], b[s]));
            hi = std::max(hi, std::max(a[s], b[s]));
        }
        out[2 * (i - 1)] = toByte(lo);
        out[2 * (i - 1) + 1] = toByte(hi);
        start = end;
    }
}

} // namespace Media
