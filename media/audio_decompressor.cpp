#include "media/audio_decompressor.h"

#include "core/failure.h"
#include "platform/codec/codec.h"

#include <algorithm>
#include <cstring>

namespace Media {

AudioDecompressor::AudioDecompressor() = default;
AudioDecompressor::~AudioDecompressor() = default;

bool AudioDecompressor::open()
{
    if (sourceFormat.size == 0 || !sourceFormat.data)
        return false;
    Platform::Codec::AudioFormat format;
    if (!Platform::Codec::parseAudioFormat(sourceFormat.data, sourceFormat.size, format))
        return false;
    targetFormat = System::WaveFormatEx{};
    targetFormat.wFormatTag = System::WaveFormatTagPcm;
    targetFormat.nChannels = format.channels;
    targetFormat.nSamplesPerSec = format.sampleRate;
    targetFormat.wBitsPerSample = 16;
    targetFormat.nBlockAlign = uint16_t(format.channels * 2);
    targetFormat.nAvgBytesPerSec = uint32_t(uint64_t(targetFormat.nBlockAlign) * format.sampleRate);
    if (!Platform::Codec::hasAudioDecoder(format.tag))
        return false;

    std::unique_ptr<Platform::Codec::AudioDecoder> stream;
    System::guardedCall("acmStreamOpen", "Media::AudioDecompressor::open",
                        [&] { stream = Platform::Codec::AudioDecoder::open(format); });
    if (!stream)
        return false;
    const uint32_t twoSeconds = 2 * targetFormat.nAvgBytesPerSec;
    sourceBuffer.allocMemory(twoSeconds);
    decodeBuffer.allocMemory(twoSeconds);
    stream_ = std::move(stream);
    header = StreamHeader{};
    header.destinationLength = decodeBuffer.size;
    prepared = true;
    remaining = 0;
    return true;
}

void AudioDecompressor::insertSourceData(const void* bytes, uint32_t n)
{
    if (uint64_t(header.sourceLength) + n > sourceBuffer.size)
        throw System::makeException("Media::AudioDecompressor::insertSourceData", "not enough source buffer.", nullptr);
    if (n)
        std::memcpy(sourceBuffer.bytes() + header.sourceLength, bytes, n);
    header.sourceLength += n;
}

void AudioDecompressor::decode()
{
    if (!prepared)
        return;
    header.sourceLengthUsed = 0;
    header.destinationLengthUsed = 0;
    remaining = 0;
    Platform::Codec::AudioDecoder::Result result;
    System::guardedCall("acmStreamConvert", "Media::AudioDecompressor::decode", [&] {
        result = stream_->convert(sourceBuffer.bytes(), header.sourceLength, decodeBuffer.bytes(),
                                  header.destinationLength);
    });
    header.sourceLengthUsed = result.sourceUsed;
    header.destinationLengthUsed = result.outputUsed;
    remaining = result.outputUsed;
    uint32_t left = header.sourceLength - header.sourceLengthUsed;
    if (left && header.sourceLengthUsed)
        std::memmove(sourceBuffer.bytes(), sourceBuffer.bytes() + header.sourceLengthUsed, left);
    header.sourceLength = left;
    if (result.error)
        throw System::makeFormatException("Media::AudioDecompressor::decode", "acmStreamConvert failed.",
                                          L"MMRESULT = %d", result.error);
}

uint32_t AudioDecompressor::take(void* out, uint32_t wanted)
{
    uint32_t n = std::min(remaining, wanted);
    if (n)
        std::memcpy(out, decodeBuffer.bytes() + (header.destinationLengthUsed - remaining), n);
    remaining -= n;
    return n;
}

void AudioDecompressor::discardPending()
{
    header.sourceLength = 0;
    remaining = 0;
    if (prepared)
        System::guardedCall("acmStreamReset", "Media::AudioDecompressor::discardPending", [&] { stream_->reset(); });
}

} // namespace Media
