#pragma once
// Small builders for audio tests: raw buffers, blocks from sample lists, and
// the format and data of a WAV file.
#include "media/audio_buffer.h"
#include "tests/support/riff.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace AudioFixture {

inline std::unique_ptr<Media::RawAudioBuffer> makeRaw(uint32_t tag, uint32_t bits, int channels,
                                                     const std::vector<uint8_t>& bytes)
{
    auto holder = std::make_unique<Media::RawAudioBuffer>();
    Media::RawAudioBuffer& raw = *holder;
    raw.formatTag = tag;
    raw.bitsPerSample = bits;
    raw.channels = channels;
    raw.buffer.allocMemory(uint32_t(bytes.size()));
    if (!bytes.empty())
        std::memcpy(raw.buffer.data, bytes.data(), bytes.size());
    raw.sampleCount = bits >= 8 && channels > 0 ? int32_t(bytes.size() / (bits / 8) / channels) : 0;
    return holder;
}

// A mono block.
inline std::unique_ptr<Media::AudioBlockBuffer> makeBlock(const std::vector<float>& samples)
{
    auto block = std::make_unique<Media::AudioBlockBuffer>();
    block->allocate(uint32_t(samples.size()), 1);
    if (!samples.empty())
        std::memcpy(block->getChannel(0), samples.data(), samples.size() * 4);
    return block;
}

// A stereo block.
inline std::unique_ptr<Media::AudioBlockBuffer> makeBlock(const std::vector<float>& left, const std::vector<float>& right)
{
    auto block = std::make_unique<Media::AudioBlockBuffer>();
    block->allocate(uint32_t(left.size()), 2);
    if (!left.empty()) {
        std::memcpy(block->getChannel(0), left.data(), left.size() * 4);
        std::memcpy(block->getChannel(1), right.data(), right.size() * 4);
    }
    return block;
}

struct WavFile {
    std::string format; // the fmt chunk as stored
    std::string data;
    uint32_t tag = 0;   // the sub-format's tag for an extensible header
    uint32_t bits = 0;
    int channels = 0;
    uint32_t rate = 0;
};

inline WavFile readWav(const std::string& bytes)
{
    auto chunks = TestKit::walkRiff(bytes);
    const TestKit::RiffChunk* fmt = TestKit::findChunk(chunks, "fmt ");
    const TestKit::RiffChunk* data = TestKit::findChunk(chunks, "data");
    if (!fmt || !data)
        throw std::runtime_error("WAV file without fmt or data");
    WavFile wav;
    wav.format = fmt->data;
    wav.data = data->data;
    wav.tag = TestKit::readLe16(fmt->data, 0);
    if (wav.tag == 0xFFFE)
        wav.tag = TestKit::readLe16(fmt->data, 24);
    wav.channels = TestKit::readLe16(fmt->data, 2);
    wav.rate = TestKit::readLe32(fmt->data, 4);
    wav.bits = TestKit::readLe16(fmt->data, 14);
    return wav;
}

} // namespace AudioFixture
