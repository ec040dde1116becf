#include "media/audio_buffer.h"

#include "core/failure.h"
#include "media/audio_vector.h"

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

// The kernels work on whole groups of eight frames. The arithmetic per sample
// is that of the scalar readers above, so results do not depend on the path.
using namespace AudioVector;

// Two halves of 16 loaded bytes holding four 24-bit samples each, from byte
// lo of the first half and byte hi of the second, as eight floats: each
// sample goes to the top three bytes of a 32-bit lane (as readPcm24 does).
template <int lo, int hi>
inline void fromPcm24(Float8& out, const uint8_t* first, const uint8_t* second)
{
    Bytes16 a, b;
    load(a, first);
    load(b, second);
    const Bytes32 bytes = __builtin_shufflevector(a, b, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17,
                                                  18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31);
    // Each lane takes its sample's bytes one place up; the byte below is cleared.
    const Bytes32 lanes = __builtin_shufflevector(
        bytes, bytes, lo, lo, lo + 1, lo + 2, lo + 3, lo + 3, lo + 4, lo + 5, lo + 6, lo + 6, lo + 7, lo + 8, lo + 9,
        lo + 9, lo + 10, lo + 11, 16 + hi, 16 + hi, 17 + hi, 18 + hi, 19 + hi, 19 + hi, 20 + hi, 21 + hi, 22 + hi,
        22 + hi, 23 + hi, 24 + hi, 25 + hi, 25 + hi, 26 + hi, 27 + hi);
    Int8 v;
    std::memcpy(&v, &lanes, sizeof v);
    out = __builtin_convertvector(v & int32_t(0xFFFFFF00), Float8) * Scale24;
}

// Interleaved raw frames into planar floats. Stereo goes to left (the second
// array) and right (the first); mono to left only.
VELMORA_AUDIO_KERNEL
void readFloatStereo(const uint8_t* in, float* __restrict left, float* __restrict right, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g, in += 64) {
        Float8 a, b;
        load(a, in);
        load(b, in + 32);
        store(left + Group * g, __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14));
        store(right + Group * g, __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15));
    }
}

void readFloatMono(const uint8_t* in, float* __restrict left, uint32_t groups)
{
    std::memcpy(left, in, size_t(groups) * Group * 4);
}

// A frame is one 32-bit lane: left in its low half, right in its high half.
VELMORA_AUDIO_KERNEL
void readPcm16Stereo(const uint8_t* in, float* __restrict left, float* __restrict right, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g, in += 32) {
        Int8 frames;
        load(frames, in);
        store(left + Group * g, __builtin_convertvector((frames << 16) >> 16, Float8) * Scale16);
        store(right + Group * g, __builtin_convertvector(frames >> 16, Float8) * Scale16);
    }
}

VELMORA_AUDIO_KERNEL
void readPcm16Mono(const uint8_t* in, float* __restrict left, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g, in += 16) {
        Short8 v;
        load(v, in);
        store(left + Group * g, __builtin_convertvector(v, Float8) * Scale16);
    }
}

// 48 bytes per group, loaded as 16 bytes at 0, 12, 24 and 32 (the last one
// ends at the group's end: its samples start at its byte 4). The halves are
// paired so that one in-lane shuffle each splits the frames: a holds frames
// 0, 1 | 4, 5 and b frames 2, 3 | 6, 7.
VELMORA_AUDIO_KERNEL
void readPcm24Stereo(const uint8_t* in, float* __restrict left, float* __restrict right, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g, in += 48) {
        Float8 a, b;
        fromPcm24<0, 0>(a, in, in + 24);
        fromPcm24<0, 4>(b, in + 12, in + 32);
        store(left + Group * g, __builtin_shufflevector(a, b, 0, 2, 8, 10, 4, 6, 12, 14));
        store(right + Group * g, __builtin_shufflevector(a, b, 1, 3, 9, 11, 5, 7, 13, 15));
    }
}

VELMORA_AUDIO_KERNEL
void readPcm24Mono(const uint8_t* in, float* __restrict left, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g, in += 24) {
        Float8 v;
        fromPcm24<0, 4>(v, in, in + 8);
        store(left + Group * g, v);
    }
}

using StereoKernel = void (*)(const uint8_t*, float* __restrict, float* __restrict, uint32_t);
using MonoKernel = void (*)(const uint8_t*, float* __restrict, uint32_t);

// Whole groups through the kernel; the tail reads only the frames that exist.
template <uint32_t width, float (*read)(const uint8_t*)>
void readInterleaved(const uint8_t* src, uint32_t samples, float* left, float* right, StereoKernel stereo,
                     MonoKernel mono)
{
    const uint32_t perFrame = right ? 2 : 1;
    const uint32_t groups = samples / Group, whole = groups * Group;
    if (right)
        stereo(src, left, right, groups);
    else
        mono(src, left, groups);
    for (uint32_t i = whole; i < samples; ++i) {
        const uint8_t* in = src + size_t(i) * perFrame * width;
        left[i] = read(in);
        if (right)
            right[i] = read(in + width);
    }
}

// Eight floats to eight 16-bit values, each in the low half of a 32-bit lane:
// × 32768, saturated, rounded to even; a NaN saturates low, as the processor's
// packing does. Both clamps run in float, the lower one first (it is the
// processor's max, which gives its second operand for a NaN). Adding
// 1.5 × 2^23 then rounds to even and leaves the integer in the low bits of
// the sum's representation: the lanes need no conversion.
inline void toPcm16(Int8& out, const Float8& in)
{
    const Float8 lo = {-32768.0f, -32768.0f, -32768.0f, -32768.0f, -32768.0f, -32768.0f, -32768.0f, -32768.0f};
    const Float8 top = {32767.0f, 32767.0f, 32767.0f, 32767.0f, 32767.0f, 32767.0f, 32767.0f, 32767.0f};
    Float8 v = in * 32768.0f;
    v = v > lo ? v : lo;
    v = v < top ? v : top;
    v += 12582912.0f;
    std::memcpy(&out, &v, sizeof out);
}

// A frame is one 32-bit lane: left in its low half, right in its high half.
VELMORA_AUDIO_KERNEL
void interleavePcm16(const float* __restrict left, const float* __restrict right, int16_t* __restrict out,
                     uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g) {
        Float8 a, b;
        load(a, left + Group * g);
        load(b, right + Group * g);
        Int8 l, r;
        toPcm16(l, a);
        toPcm16(r, b);
        store(out + 2 * Group * g, (r << 16) | (l & 0xFFFF));
    }
}

VELMORA_AUDIO_KERNEL
void interleaveFloat(const float* __restrict left, const float* __restrict right, float* __restrict out,
                     uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g) {
        Float8 l, r;
        load(l, left + Group * g);
        load(r, right + Group * g);
        store(out + 2 * Group * g, __builtin_shufflevector(l, r, 0, 8, 1, 9, 2, 10, 3, 11));
        store(out + 2 * Group * g + Group, __builtin_shufflevector(l, r, 4, 12, 5, 13, 6, 14, 7, 15));
    }
}

VELMORA_AUDIO_KERNEL
void mixMono(const float* __restrict a, const float* __restrict b, float* __restrict out, uint32_t groups)
{
    for (uint32_t g = 0; g < groups; ++g) {
        Float8 x, y;
        load(x, a + Group * g);
        load(y, b + Group * g);
        store(out + Group * g, x + y);
    }
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
        readInterleaved<4, readFloat>(src, samples, getChannel(0), getChannel(1), readFloatStereo, readFloatMono);
    } else if (tag == WaveFormatIeeeFloat && bits == 32 && ch == 1) {
        allocate(n / 4, 1);
        readInterleaved<4, readFloat>(src, samples, getChannel(0), nullptr, readFloatStereo, readFloatMono);
    } else if (tag == WaveFormatPcm && bits == 16 && ch == 2) {
        allocate(n / 4, 2);
        readInterleaved<2, readPcm16>(src, samples, getChannel(0), getChannel(1), readPcm16Stereo, readPcm16Mono);
    } else if (tag == WaveFormatPcm && bits == 24 && ch == 2) {
        allocate(n / 6, 2);
        readInterleaved<3, readPcm24>(src, samples, getChannel(0), getChannel(1), readPcm24Stereo, readPcm24Mono);
    } else if (tag == WaveFormatPcm && (bits == 16 || bits == 24) && ch == 1) {
        // Mono PCM becomes a stereo block whose channels are equal.
        allocate(n / (bits / 8), 2);
        if (bits == 16)
            readInterleaved<2, readPcm16>(src, samples, getChannel(0), nullptr, readPcm16Stereo, readPcm16Mono);
        else
            readInterleaved<3, readPcm24>(src, samples, getChannel(0), nullptr, readPcm24Stereo, readPcm24Mono);
        if (samples > 0)
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
