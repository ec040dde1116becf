#include "io/input/audio_reading.h"

#include "core/log.h"
#include "io/input/input_file.h"
#include "media/audio_buffer.h"
#include "media/audio_decompressor.h"
#include "platform/codec/codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace Plugin {

namespace {
constexpr uint16_t TagMsAdpcm = 0x0002;
constexpr uint16_t TagALaw = 0x0006;
constexpr uint16_t TagMuLaw = 0x0007;
constexpr uint16_t TagImaAdpcm = 0x0011;
} // namespace

bool acceptAudio(InputFile& file, Media::AudioDecompressor& decoder, bool& decoding, const char* place)
{
    Platform::Codec::AudioFormat format;
    if (!Platform::Codec::parseAudioFormat(decoder.sourceFormat.data, decoder.sourceFormat.size, format)) {
        System::Log::info(place, "audio format not supported. (format size %u)", decoder.sourceFormat.size);
        return false;
    }
    uint32_t tag = format.tag, bits = format.bitsPerSample, channels = format.channels, rate = format.sampleRate;
    // What the stored format is, for the log line of a refusal.
    auto refuse = [&](const char* reason) {
        System::Log::info(place, "audio format not supported. (%s: format tag 0x%04X, %u channels, %u bits, %u Hz)",
                          reason, unsigned(format.tag), unsigned(format.channels), unsigned(format.bitsPerSample),
                          unsigned(format.sampleRate));
        return false;
    };
    decoding = tag != System::WaveFormatTagPcm && tag != System::WaveFormatTagIeeeFloat;
    if (decoding) {
        // No decoder for the tag: its bytes are not samples, so the file has no audio.
        if (!decoder.open())
            return refuse("no decoder");
        tag = decoder.targetFormat.wFormatTag;
        bits = decoder.targetFormat.wBitsPerSample;
        channels = decoder.targetFormat.nChannels;
        rate = decoder.targetFormat.nSamplesPerSec;
    }
    const bool pcm = tag == System::WaveFormatTagPcm && (bits == 16 || bits == 24);
    const bool floats = tag == System::WaveFormatTagIeeeFloat && bits == 32;
    if (!(pcm || floats))
        return refuse("sample format");
    if (channels < 1 || channels > 2)
        return refuse("channels");
    if (rate < 1 || rate > uint32_t(SampleRateMax))
        return refuse("sample rate");
    file.audioFormatTag = int32_t(tag);
    file.bitsPerSample = int32_t(bits);
    file.channelCount = int32_t(channels);
    file.sampleRate = int32_t(rate);
    return true;
}

int64_t sampleCountOf(double samples)
{
    // NaN and negative counts are none; 2^62 is far past any real stream.
    constexpr double Max = 4611686018427387904.0;
    return samples > 0 ? int64_t(std::min(samples, Max)) : 0;
}

uint32_t samplesPerBlock(const void* bytes, uint32_t size)
{
    Platform::Codec::AudioFormat f;
    if (!Platform::Codec::parseAudioFormat(bytes, size, f) || !f.blockAlign || !f.channels)
        return 0;
    const uint32_t block = f.blockAlign, channels = f.channels;
    if (f.tag == TagMsAdpcm || f.tag == TagImaAdpcm) {
        if (f.extraSize >= 2) {
            uint16_t stored;
            std::memcpy(&stored, f.extra, 2);
            if (stored)
                return stored;
        }
        // The count the block layout gives: a header per channel, then 4-bit samples.
        if (f.tag == TagMsAdpcm && block >= 7 * channels)
            return (block - 7 * channels) * 2 / channels + 2;
        if (f.tag == TagImaAdpcm && block >= 4 * channels)
            return (block - 4 * channels) * 2 / channels + 1;
        return 0;
    }
    if (f.tag == TagALaw || f.tag == TagMuLaw)
        return block / channels;
    // A constant-rate format whose stored numbers divide exactly.
    const uint64_t product = uint64_t(f.sampleRate) * block;
    if (f.averageBytesPerSecond && product % f.averageBytesPerSecond == 0)
        return uint32_t(std::min<uint64_t>(product / f.averageBytesPerSecond, 0xFFFFFFFFu));
    return 0;
}

AudioSeek seekAudio(int64_t sample, uint32_t blockAlign, uint32_t samplesPerBlock, double bytesPerSecond,
                    uint32_t sampleRate)
{
    AudioSeek seek;
    if (sample <= 0 || !blockAlign)
        return seek;
    if (samplesPerBlock) {
        const uint64_t block = uint64_t(sample) / samplesPerBlock;
        seek.bytePosition = block * blockAlign;
        seek.skipSamples = uint64_t(sample) - block * samplesPerBlock;
        return seek;
    }
    if (sampleRate && bytesPerSecond > 0) {
        const double blocks = std::floor(double(sample) * bytesPerSecond / sampleRate / blockAlign);
        seek.bytePosition = uint64_t(std::min(blocks, 1e15)) * blockAlign;
    }
    return seek;
}

void beginAudioBlock(Cache::AudioScratchBuffer& scratch, const InputFile& file)
{
    scratch.header.formatTag = uint32_t(file.audioFormatTag);
    scratch.header.sampleRate = uint32_t(file.sampleRate);
    scratch.header.bitsPerSample = uint32_t(file.bitsPerSample);
    scratch.header.channels = uint32_t(file.channelCount);
    const uint32_t bytes = uint32_t(file.channelCount * file.bitsPerSample / 8) * uint32_t(file.sampleRate);
    scratch.memory.allocMemory(bytes);
    std::memset(scratch.memory.data, 0, bytes);
}

uint32_t decodeAudio(Media::AudioDecompressor& decoder, uint8_t* out, uint32_t size, uint64_t& skipBytes,
                     const SourceReader& source)
{
    uint32_t written = 0;
    while (written < size) {
        if (decoder.remaining) {
            if (skipBytes) {
                // Dropped bytes pass through the free part of the output.
                skipBytes -= decoder.take(out + written, uint32_t(std::min<uint64_t>(skipBytes, size - written)));
                continue;
            }
            written += decoder.take(out + written, size - written);
            continue;
        }
        const uint32_t room = decoder.sourceBuffer.size - decoder.header.sourceLength;
        const uint32_t got = room ? source(decoder.sourceBuffer.bytes() + decoder.header.sourceLength, room) : 0;
        decoder.header.sourceLength += got;
        decoder.decode();
        // Nothing decoded and nothing more to give: the end of the source, or
        // bytes the decoder cannot use.
        if (!decoder.remaining && !got)
            break;
    }
    return written;
}

std::shared_ptr<Media::AudioBlockBuffer> makeAudioBlock(Cache::AudioScratchBuffer& scratch)
{
    Media::RawAudioBuffer raw;
    raw.formatTag = scratch.header.formatTag;
    raw.bitsPerSample = scratch.header.bitsPerSample;
    raw.channels = int32_t(scratch.header.channels);
    // The raw buffer borrows the scratch memory for the conversion instead of a copy.
    struct Borrow {
        System::AlignedBuffer& a;
        System::AlignedBuffer& b;
        Borrow(System::AlignedBuffer& a, System::AlignedBuffer& b) : a(a), b(b) { swap(); }
        ~Borrow() { swap(); }
        void swap()
        {
            std::swap(a.data, b.data);
            std::swap(a.capacity, b.capacity);
            std::swap(a.size, b.size);
        }
    } borrow(raw.buffer, scratch.memory);
    raw.sampleCount = int32_t(raw.buffer.size / (raw.bitsPerSample / 8 * uint32_t(raw.channels)));
    return std::make_shared<Media::AudioBlockBuffer>(raw);
}

} // namespace Plugin
