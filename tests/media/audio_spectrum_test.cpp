#include "media/audio_buffer.h"
#include "media/audio_fft.h"
#include "tests/media/audio_fixture.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <sstream>

using namespace Media;
using AudioFixture::makeBlock;

namespace {
std::vector<float> sine(uint32_t n, double cyclesPerSample, double amplitude = 1.0, double phase = 0.0)
{
    std::vector<float> out(n);
    for (uint32_t i = 0; i < n; ++i)
        out[i] = float(amplitude * std::sin(2 * M_PI * cyclesPerSample * i + phase));
    return out;
}
} // namespace

TEST(AudioSpectrum, TransformMatchesADirectSum)
{
    std::vector<float> re(AudioFft::Size), im(AudioFft::Size);
    uint32_t seed = 7;
    for (auto& v : re) {
        seed = seed * 1664525 + 1013904223;
        v = float(int32_t(seed) >> 8) / 8388608.0f;
    }
    std::vector<float> x = re;
    AudioFft::transform(re.data(), im.data());
    for (int k : {0, 1, 2, 100, 511, 1023, 1024, 2047}) {
        std::complex<double> sum;
        for (int n = 0; n < AudioFft::Size; ++n)
            sum += double(x[n]) * std::polar(1.0, 2 * M_PI * double(k) * n / AudioFft::Size);
        EXPECT_NEAR(re[k], sum.real(), 2e-3) << k;
        EXPECT_NEAR(im[k], sum.imag(), 2e-3) << k;
    }
}

TEST(AudioSpectrum, SineAtBin100PeaksThereOnly)
{
    auto wave = sine(2048, 100.0 / 2048);
    auto spectrum = makeBlock(wave, wave)->getSpectrum();
    ASSERT_EQ(spectrum.size(), 1024u);
    EXPECT_EQ(spectrum[100], 32767.0f);
    for (int k = 0; k < 1024; ++k)
        if (k != 100) {
            ASSERT_LT(spectrum[k], 1.0f) << k;
        }
}

// A 1470-sample block is one window that repeats its first 578 samples after
// its end: the spectrum is that of the wrapped window, not of zero padding.
TEST(AudioSpectrum, ShortBlockWrapsAround)
{
    auto wave = sine(1470, 0.0137, 0.3);
    auto spectrum = makeBlock(wave)->getSpectrum();
    std::vector<float> re(2048), im(2048);
    for (int k = 0; k < 2048; ++k)
        re[k] = 2 * wave[k % 1470]; // a mono block's mix is its sample doubled
    AudioFft::transform(re.data(), im.data());
    for (int k = 0; k < 1024; ++k)
        ASSERT_NEAR(spectrum[k], std::min(std::hypot(re[k], im[k]) * 48, 32767.0f), 1e-3f * spectrum[k] + 1e-2f) << k;

    // Longer blocks use the last window, which wraps to the block's start.
    auto longer = sine(4096 + 100, 0.01);
    auto tail = makeBlock(longer)->getSpectrum();
    for (int k = 0; k < 2048; ++k) {
        re[k] = 2 * longer[(4096 + k) % longer.size()];
        im[k] = 0;
    }
    AudioFft::transform(re.data(), im.data());
    EXPECT_NEAR(tail[20], std::min(std::hypot(re[20], im[20]) * 48, 32767.0f), 1.0f);
}

TEST(AudioSpectrum, SilenceAndEmptyBlocksGiveZeros)
{
    std::vector<float> silence(3000, 0.0f);
    std::vector<float> whisper = sine(3000, 0.05, 1e-5); // below the bands' floor of 64
    struct Case {
        const char* name;
        std::unique_ptr<AudioBlockBuffer> block;
    } cases[] = {{"silence", makeBlock(silence, silence)}, {"empty", makeBlock({}, {})}, {"empty mono", makeBlock({})},
                 {"whisper", makeBlock(whisper, whisper)}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) != "whisper") {
            auto spectrum = c.block->getSpectrum();
            ASSERT_EQ(spectrum.size(), 1024u);
            EXPECT_EQ(*std::max_element(spectrum.begin(), spectrum.end()), 0.0f);
        }
        for (int count : {1, 10, 100, 512, 700, 65536}) {
            auto bands = c.block->getSpectrumBands(count);
            ASSERT_EQ(bands.size(), size_t(std::min(count, 1024)));
            EXPECT_EQ(*std::max_element(bands.begin(), bands.end()), 0.0f) << count;
        }
    }
}

// Band values against a separate pure-Python port, over a stereo block of three
// windows whose last one wraps.
TEST(AudioSpectrum, BandsMatchAnIndependentPort)
{
    const uint32_t n = 5000;
    std::vector<float> left(n), right(n);
    uint32_t seed = 1;
    auto low = sine(n, 3.0 / 2048, 0.4), mid = sine(n, 90.5 / 2048, 0.2), high = sine(n, 700.0 / 2048, 0.05, 1);
    for (uint32_t i = 0; i < n; ++i) {
        seed = seed * 1664525 + 1013904223;
        float noise = float(int32_t(seed) >> 8) / 8388608.0f * 0.01f;
        left[i] = low[i] + mid[i] + noise;
        right[i] = (i < 2500 ? high[i] : -mid[i]) + noise;
    }
    std::string path = TestKit::tempDir() + "/block.f32";
    std::string bytes(reinterpret_cast<const char*>(left.data()), n * 4);
    bytes.append(reinterpret_cast<const char*>(right.data()), n * 4);
    TestKit::writeFile(path, bytes);
    auto block = makeBlock(left, right);

    std::string output;
    ASSERT_EQ(TestKit::runCommand("python3 '" VELMORA_SOURCE_DIR "/tests/media/spectrum_bands.py' '" + path +
                                      "' 10 512 65536",
                                  &output),
              0);
    std::istringstream lines(output);
    for (int count : {10, 512, 65536}) {
        SCOPED_TRACE(count);
        std::vector<double> expected;
        for (std::string line; std::getline(lines, line) && line != "end";)
            expected.push_back(std::stod(line));
        auto bands = block->getSpectrumBands(count);
        ASSERT_EQ(bands.size(), expected.size());
        double top = *std::max_element(expected.begin(), expected.end());
        ASSERT_GT(top, 1000.0);
        int nonZero = 0;
        for (size_t j = 0; j < bands.size(); ++j) {
            // Single against double precision: a small part of the value, and a
            // little more near the floor of 64 where the square root is steep.
            EXPECT_NEAR(bands[j], expected[j], 2e-3 * expected[j] + 0.5) << j;
            nonZero += expected[j] > 0;
        }
        EXPECT_GT(nonZero, int(bands.size()) / 2);
    }
}
