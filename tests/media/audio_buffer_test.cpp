#include "media/audio_buffer.h"
#include "tests/media/audio_fixture.h"
#include "tests/support/riff.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

using namespace Media;
using AudioFixture::makeBlock;
using AudioFixture::makeRaw;

namespace {

struct BlockCase {
    const char* name;
    uint32_t tag, bits;
    int channels;
    std::vector<uint8_t> bytes;
    uint32_t blockChannels;
    std::vector<float> left, right;
};

std::vector<uint8_t> floats(std::initializer_list<float> values)
{
    std::vector<uint8_t> out(values.size() * 4);
    std::memcpy(out.data(), values.begin(), out.size());
    return out;
}

} // namespace

TEST(AudioBlock, RawFormatsConvertByTheirScales)
{
    const float top24 = 8388607.0f / 8388608.0f;
    const BlockCase cases[] = {
        {"float stereo", 3, 32, 2, floats({1.5f, -1.2f, 0.25f, 0.0f}), 2, {1.5f, 0.25f}, {-1.2f, 0.0f}},
        {"float mono stays mono", 3, 32, 1, floats({0.5f, -2.0f}), 1, {0.5f, -2.0f}, {0.5f, -2.0f}},
        {"16-bit stereo", 1, 16, 2, {0x00, 0x80, 0x00, 0x40, 0xFF, 0x7F, 0xFF, 0xFF}, 2, {-1.0f, 32767.0f / 32768},
         {0.5f, -1.0f / 32768}},
        {"16-bit mono doubles", 1, 16, 1, {0x00, 0xC0, 0x01, 0x00}, 2, {-0.5f, 1.0f / 32768}, {-0.5f, 1.0f / 32768}},
        {"16-bit mono of one byte", 1, 16, 1, {0x7F}, 2, {}, {}},
        {"24-bit stereo", 1, 24, 2, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F}, 2, {-1.0f}, {top24}},
        {"24-bit mono doubles", 1, 24, 1, {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0xC0}, 2, {top24, -0.5f}, {top24, -0.5f}},
        {"trailing partial frame", 1, 24, 2, {0, 0, 0x40, 0, 0, 0x20, 1, 2}, 2, {0.5f}, {0.25f}},
    };
    for (const BlockCase& c : cases) {
        SCOPED_TRACE(c.name);
        AudioBlockBuffer block(*makeRaw(c.tag, c.bits, c.channels, c.bytes));
        ASSERT_EQ(block.channels, c.blockChannels);
        ASSERT_EQ(block.samples, c.left.size());
        EXPECT_EQ(block.first.size, block.samples * 4);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block.first.data) % 32, 0u);
        if (c.blockChannels == 1) {
            EXPECT_EQ(block.second.data, nullptr);
        }
        for (size_t i = 0; i < c.left.size(); ++i) {
            EXPECT_EQ(block.getChannel(0)[i], c.left[i]) << i;
            EXPECT_EQ(block.getChannel(1)[i], c.right[i]) << i;
        }
    }
}

// Long buffers go through the eight-frame group kernels, short ones only
// through the per-frame tail: every byte pattern in every position of a group
// must give what the per-sample formula gives.
TEST(AudioBlock, GroupKernelsMatchThePerSampleFormulas)
{
    const uint32_t frames = 8 * 37 + 5;
    uint32_t seed = 5;
    auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
    struct Case {
        const char* name;
        uint32_t tag, bits;
        int channels;
    };
    const Case inputs[] = {{"16-bit stereo", 1, 16, 2}, {"16-bit mono", 1, 16, 1}, {"24-bit stereo", 1, 24, 2},
                           {"24-bit mono", 1, 24, 1},   {"float stereo", 3, 32, 2}, {"float mono", 3, 32, 1}};
    for (const Case& c : inputs) {
        SCOPED_TRACE(c.name);
        const uint32_t width = c.bits / 8;
        std::vector<uint8_t> bytes(frames * width * uint32_t(c.channels));
        for (uint8_t& b : bytes)
            b = uint8_t(next() >> 24);
        auto sample = [&](uint32_t index) {
            const uint8_t* p = bytes.data() + size_t(index) * width;
            if (c.tag == 3) {
                float v;
                std::memcpy(&v, p, 4);
                return v;
            }
            if (c.bits == 16)
                return float(int16_t(p[0] | p[1] << 8)) / 32768.0f;
            return float(int32_t(uint32_t(p[0]) << 8 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 24)) / 2147483648.0f;
        };
        AudioBlockBuffer block(*makeRaw(c.tag, c.bits, c.channels, bytes));
        ASSERT_EQ(block.samples, frames);
        for (uint32_t i = 0; i < frames; ++i) {
            const float left = sample(c.channels == 2 ? 2 * i : i), right = c.channels == 2 ? sample(2 * i + 1) : left;
            // Same bits (NaN patterns of float input included).
            ASSERT_EQ(std::memcmp(&block.getChannel(0)[i], &left, 4), 0) << i;
            ASSERT_EQ(std::memcmp(&block.getChannel(1)[i], &right, 4), 0) << i;
        }
    }

    // Outputs: values around every rounding and saturation edge, NaN and infinities.
    const float specials[] = {0.0f, -0.0f, 0.5f / 32768, 1.5f / 32768, -2.5f / 32768, 32766.5f / 32768, 1.0f,
                              -1.0f, -1.00002f, 2.0f, -2.0f, 70000.0f, -70000.0f, 1e30f, -1e30f,
                              std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                              std::numeric_limits<float>::quiet_NaN()};
    std::vector<float> left(frames), right(frames);
    for (uint32_t i = 0; i < frames; ++i) {
        left[i] = i % 3 == 0 ? specials[next() % std::size(specials)] : float(int32_t(next())) / 1.5e9f;
        right[i] = i % 5 == 0 ? specials[next() % std::size(specials)] : float(int32_t(next())) / 1.5e9f;
    }
    auto pcm16 = [](float v) -> int16_t {
        if (std::isnan(v))
            return -32768;
        return int16_t(std::clamp(std::nearbyint(double(v) * 32768.0), -32768.0, 32767.0));
    };
    auto block = makeBlock(left, right);
    AudioBuffer pcm;
    pcm.formatTag = 1;
    pcm.bitsPerSample = 16;
    pcm.channels = 2;
    pcm.blockAlign = 4;
    pcm.convertTo(*block);
    AudioBuffer mix;
    mix.formatTag = 3;
    mix.bitsPerSample = 32;
    mix.channels = 1;
    mix.blockAlign = 4;
    mix.convertTo(*block);
    const auto* out = static_cast<const int16_t*>(pcm.data.data);
    const auto* sum = static_cast<const float*>(mix.data.data);
    for (uint32_t i = 0; i < frames; ++i) {
        ASSERT_EQ(out[2 * i], pcm16(left[i])) << i << " " << left[i];
        ASSERT_EQ(out[2 * i + 1], pcm16(right[i])) << i << " " << right[i];
        const float expected = right[i] + left[i];
        ASSERT_EQ(std::memcmp(&sum[i], &expected, 4), 0) << i;
    }
}

TEST(AudioBlock, UnsupportedRawFormatThrowsWithItsNote)
{
    EXPECT_EQ(TestKit::errorText([] { AudioBlockBuffer b(*makeRaw(1, 8, 2, {1, 2})); }),
              "invalid convert audio format.\n\n[Note]\nformat=1 bit=8 channel=2\n\n[Place]\n"
              "Media::AudioBlockBuffer::AudioBlockBuffer()");
    EXPECT_NE(TestKit::errorText([] { AudioBlockBuffer b(*makeRaw(3, 32, 6, {})); }), "(no error)");
}

TEST(AudioBlock, ConvertToWritesEachFormat)
{
    struct Case {
        const char* name;
        uint32_t tag, bits, channels;
        int32_t align;
        bool monoBlock;
        std::vector<float> left, right;
        std::vector<uint8_t> expected;
    };
    auto pcm = [](std::initializer_list<int16_t> v) {
        std::vector<uint8_t> out(v.size() * 2);
        std::memcpy(out.data(), v.begin(), out.size());
        return out;
    };
    const float half = 0.5f / 32768, oneHalf = 1.5f / 32768, twoHalf = 2.5f / 32768;
    const Case cases[] = {
        {"16-bit saturates", 1, 16, 2, 4, false, {1.5f, 1.0f}, {-1.2f, -1.0f}, pcm({32767, -32768, 32767, -32768})},
        {"16-bit ties to even", 1, 16, 2, 4, false, {half, twoHalf, -half}, {oneHalf, -oneHalf, 0.25f},
         pcm({0, 2, 2, -2, 0, 8192})},
        {"float stereo copies", 3, 32, 2, 8, false, {1.5f, -0.25f}, {-3.0f, 0.125f}, floats({1.5f, -3.0f, -0.25f, 0.125f})},
        {"float mono sums", 3, 32, 1, 4, false, {0.5f, 0.75f}, {0.25f, -1.0f}, floats({0.75f, -0.25f})},
        {"float mono doubles a mono block", 3, 32, 1, 4, true, {0.5f, -0.75f}, {}, floats({1.0f, -1.5f})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto block = c.monoBlock ? makeBlock(c.left) : makeBlock(c.left, c.right);
        AudioBuffer out;
        out.formatTag = c.tag;
        out.bitsPerSample = c.bits;
        out.channels = c.channels;
        out.blockAlign = c.align;
        out.convertTo(*block);
        EXPECT_EQ(out.sampleCount, int32_t(c.left.size()));
        ASSERT_EQ(out.data.size, c.expected.size());
        EXPECT_EQ(std::memcmp(out.data.data, c.expected.data(), c.expected.size()), 0);
    }
}

TEST(AudioBlock, ConvertToRefusesOtherFormatsAndKeepsTheBuffer)
{
    auto block = makeBlock({0.5f}, {0.5f});
    struct { uint32_t tag, bits, channels; int32_t align; } cases[] = {
        {1, 16, 1, 2}, {1, 24, 2, 6}, {3, 64, 2, 16}, {3, 32, 2, 4} /* align too small for the frames */};
    for (auto c : cases) {
        AudioBuffer out;
        out.formatTag = c.tag;
        out.bitsPerSample = c.bits;
        out.channels = c.channels;
        out.blockAlign = c.align;
        std::string text = TestKit::errorText([&] { out.convertTo(*block); });
        EXPECT_EQ(text, "audio format not supported.\n\n[Note]\nformat = " + std::to_string(c.tag) +
                            ", bit = " + std::to_string(c.bits) + ", ch = " + std::to_string(c.channels) +
                            "\n\n[Place]\nMedia::AudioBuffer::convertTo()");
        EXPECT_EQ(out.data.data, nullptr);
        EXPECT_EQ(out.sampleCount, 0);
    }
}

// Every count of a group and one more: the eight-frame groups must stay inside
// the data (the AddressSanitizer build of this test catches a write past it).
TEST(AudioBlock, FloatStereoConvertStaysInsideItsDataForEveryCount)
{
    for (uint32_t n = 1; n <= 9; ++n) {
        std::vector<float> left(n), right(n);
        for (uint32_t i = 0; i < n; ++i) {
            left[i] = float(i);
            right[i] = -float(i);
        }
        auto block = makeBlock(left, right);
        for (int pcm = 0; pcm < 2; ++pcm) {
            AudioBuffer out;
            out.channels = 2;
            out.formatTag = pcm ? 1 : 3;
            out.bitsPerSample = pcm ? 16 : 32;
            out.blockAlign = pcm ? 4 : 8;
            out.convertTo(*block);
            ASSERT_EQ(out.data.size, n * uint32_t(out.blockAlign));
            EXPECT_GE(out.data.capacity, (n + 7) / 8 * 8 * uint32_t(out.blockAlign));
            if (!pcm) {
                EXPECT_EQ(static_cast<float*>(out.data.data)[2 * n - 1], -float(n - 1));
            }
        }
    }
}

TEST(AudioBlock, CopyFromCutsAndOrdersChannels)
{
    auto source = makeBlock({1, 2, 3, 4}, {-1, -2, -3, -4});
    struct Case {
        const char* name;
        uint32_t destSamples, destChannels, index, from, to;
        uint32_t expectedReturn;
        std::vector<float> left, right;
    };
    const Case cases[] = {
        {"plain", 4, 2, 1, 0, 2, 3, {0, 1, 2, 0}, {0, -1, -2, 0}},
        {"cut at the destination's end", 3, 2, 2, 0, 4, 3, {0, 0, 1}, {0, 0, -1}},
        {"from equals to", 4, 2, 1, 2, 2, 1, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"from after to", 4, 2, 1, 3, 2, 1, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"index at the end", 4, 2, 4, 0, 4, 4, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"stereo into mono keeps the right channel", 2, 1, 0, 2, 4, 2, {-3, -4}, {-3, -4}},
        {"past the source's end", 4, 2, 0, 3, 10, 1, {4, 0, 0, 0}, {-4, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AudioBlockBuffer dest;
        dest.allocate(c.destSamples, c.destChannels);
        dest.clear();
        EXPECT_EQ(dest.copyFrom(c.index, *source, c.from, c.to), c.expectedReturn);
        for (uint32_t i = 0; i < c.destSamples; ++i) {
            EXPECT_EQ(dest.getChannel(0)[i], c.left[i]) << i;
            EXPECT_EQ(dest.getChannel(1)[i], c.right[i]) << i;
        }
    }
    auto mono = makeBlock({7, 8});
    AudioBlockBuffer dest;
    dest.allocate(2, 2);
    EXPECT_EQ(dest.copyFrom(0, *mono, 0, 2), 2u);
    EXPECT_EQ(dest.getChannel(0)[1], 8.0f);
    EXPECT_EQ(dest.getChannel(1)[1], 8.0f);
}

TEST(AudioBlock, AllocateCloneAndClearFrom)
{
    auto block = makeBlock({1, 2, 3}, {4, 5, 6});
    auto copy = block->clone();
    block->clearFrom(1);
    block->clearFrom(7);
    EXPECT_EQ(block->getChannel(0)[0], 1.0f);
    EXPECT_EQ(block->getChannel(0)[2], 0.0f);
    EXPECT_EQ(block->getChannel(1)[1], 0.0f);
    ASSERT_EQ(copy->samples, 3u);
    EXPECT_EQ(copy->getChannel(0)[2], 3.0f);
    EXPECT_EQ(copy->getChannel(1)[2], 6.0f);
    block->allocate(5, 1);
    EXPECT_EQ(block->channels, 1u);
    EXPECT_EQ(block->second.data, nullptr);
    EXPECT_EQ(block->getChannel(0), block->getChannel(1));
}

TEST(Waveform, ColumnsOfSilenceSquareWaveAndNullBlocks)
{
    WaveformBuffer wave;
    wave.allocate(3);
    ASSERT_EQ(wave.columns, 384u);
    const uint8_t* bytes = static_cast<const uint8_t*>(wave.bytes.data);

    std::vector<float> silence(1000, 0.0f);
    wave.setBlock(makeBlock(silence, silence).get(), 0);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(bytes[i], 128) << i;

    // Full-scale square wave of period 4: every column holds both extremes.
    std::vector<float> square(4800);
    for (size_t i = 0; i < square.size(); ++i)
        square[i] = (i / 2) % 2 ? -1.0f : 1.0f;
    wave.setBlock(makeBlock(square, square).get(), 1);
    for (int i = 0; i < 128; ++i) {
        ASSERT_EQ(bytes[256 + 2 * i], 0) << i;
        ASSERT_EQ(bytes[256 + 2 * i + 1], 255) << i;
    }

    // A short block: column i covers [(n·(i-1)) >> 7, (n·i) >> 7); empty ranges stay at 0.
    wave.setBlock(makeBlock({0.5f, -0.5f}).get(), 2);
    for (int i = 0; i < 128; ++i) {
        uint8_t lo = bytes[512 + 2 * i], hi = bytes[512 + 2 * i + 1];
        if (i == 63) {
            EXPECT_EQ(lo, 128);
            EXPECT_EQ(hi, 192);
        } else if (i == 127) {
            EXPECT_EQ(lo, 64);
            EXPECT_EQ(hi, 128);
        } else {
            ASSERT_EQ(lo, 128) << i;
            ASSERT_EQ(hi, 128) << i;
        }
    }

    wave.setBlock(nullptr, 0);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bytes[255], 0);
    // Beyond the columns nothing is written (the buffer would be overrun).
    wave.setBlock(makeBlock(square, square).get(), 3);
    wave.setBlock(makeBlock(square, square).get(), -1);
    EXPECT_EQ(bytes[0], 0);
}

// WAV files made by ffmpeg, read through blocks, against ffmpeg's own decode.
TEST(AudioBlock, MatchesFfmpegDecodesOfItsWavFiles)
{
    struct Case {
        const char* codec;
        int channels;
        bool toPcm; // convert to 16-bit stereo (else float stereo)
    };
    const Case cases[] = {
        {"pcm_s16le", 2, false}, {"pcm_s16le", 1, false}, {"pcm_s24le", 2, false},
        {"pcm_s24le", 1, false}, {"pcm_f32le", 2, true},  {"pcm_f32le", 1, false},
    };
    // One run makes every file, one more decodes them all (loud enough to
    // reach 16-bit saturation).
    std::string dir = TestKit::tempDir() + "/";
    std::string make = "ffmpeg -v error -nostdin -y -f lavfi -i 'aevalsrc=1.3*sin(440*2*PI*t)|0.7*sin(97*t):s=44100:d=0.3'";
    std::string decode = "ffmpeg -v error -nostdin -y";
    std::string outputs;
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string n = std::to_string(i);
        make += " -ac " + std::to_string(cases[i].channels) + " -c:a " + cases[i].codec + " '" + dir + n + ".wav'";
        decode += " -i '" + dir + n + ".wav'";
        outputs += " -map " + n + " -f " + (cases[i].toPcm ? "s16le" : "f32le") + " '" + dir + n + ".raw'";
    }
    ASSERT_EQ(TestKit::runCommand(make), 0);
    ASSERT_EQ(TestKit::runCommand(decode + outputs), 0);

    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(std::string(c.codec) + " " + std::to_string(c.channels));
        std::string decoded = TestKit::readFile(dir + std::to_string(i) + ".raw");
        // A mono file's samples go to both channels unchanged.
        std::string reference = decoded;
        if (c.channels == 1) {
            const size_t width = c.toPcm ? 2 : 4;
            reference.clear();
            for (size_t at = 0; at + width <= decoded.size(); at += width)
                reference += decoded.substr(at, width) + decoded.substr(at, width);
        }
        AudioFixture::WavFile file = AudioFixture::readWav(TestKit::readFile(dir + std::to_string(i) + ".wav"));
        AudioBlockBuffer block(*makeRaw(file.tag, file.bits, file.channels,
                                        std::vector<uint8_t>(file.data.begin(), file.data.end())));
        AudioBuffer out;
        out.channels = 2;
        out.formatTag = c.toPcm ? 1 : 3;
        out.bitsPerSample = c.toPcm ? 16 : 32;
        out.blockAlign = c.toPcm ? 4 : 8;
        out.convertTo(block);
        ASSERT_EQ(out.data.size, reference.size());
        EXPECT_EQ(std::memcmp(out.data.data, reference.data(), reference.size()), 0);
    }
}
