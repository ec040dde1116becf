// Measures in one run:
// - each sample-format conversion of audio blocks on one second of 48 kHz
//   stereo, in samples per second and GB/s of the bytes it reads and writes,
//   beside memcpy moving as many bytes (a copy reads and writes each of its
//   bytes, so it copies half the conversion's total);
// - 2048-point transforms per second, and display bands of one second of 48 kHz
//   stereo as a multiple of real time;
// - decoding rates beside ffmpeg -threads 1 (decode_bench.cpp).
// Arguments name the parts to run (conversions, spectra, decoding; all when none).
#include "bench/audio_bench.h"
#include "media/audio_buffer.h"
#include "media/audio_fft.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace AudioBench {

double secondsPerRun(const std::function<void()>& run, double atLeast)
{
    using Clock = std::chrono::steady_clock;
    run(); // warm up
    double best = 1e30;
    for (int round = 0; round < 3; ++round) {
        int n = 0;
        auto start = Clock::now();
        double elapsed = 0;
        do {
            run();
            ++n;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < atLeast / 3);
        best = std::min(best, elapsed / n);
    }
    return best;
}

} // namespace AudioBench

namespace {
using AudioBench::secondsPerRun;
constexpr uint32_t Rate = 48000;

std::vector<float> noise(uint32_t n, uint32_t seed)
{
    std::vector<float> out(n);
    for (auto& v : out) {
        seed = seed * 1664525 + 1013904223;
        v = float(int32_t(seed) >> 8) / 8388608.0f * 1.2f;
    }
    return out;
}

void fillRaw(Media::RawAudioBuffer& raw, uint32_t tag, uint32_t bits, uint32_t samples)
{
    raw.formatTag = tag;
    raw.bitsPerSample = bits;
    raw.channels = 2;
    raw.sampleCount = int32_t(samples);
    raw.buffer.allocMemory(samples * 2 * (bits / 8));
    auto values = noise(raw.buffer.size, 3);
    uint8_t* p = static_cast<uint8_t*>(raw.buffer.data);
    for (uint32_t i = 0; i < raw.buffer.size; ++i)
        p[i] = uint8_t(int32_t(values[i] * 127));
    if (tag == Media::WaveFormatIeeeFloat)
        std::memcpy(p, noise(samples * 2, 5).data(), raw.buffer.size);
}

// read and written: the bytes of the conversion's input and output.
void reportConversion(const char* name, uint32_t samples, size_t read, size_t written, double seconds)
{
    static std::vector<char> from, to;
    const size_t copied = (read + written) / 2;
    from.assign(copied, 1);
    to.assign(copied, 0);
    double copy = secondsPerRun([&] { std::memcpy(to.data(), from.data(), copied); }, 0.3);
    double rate = double(read + written) / seconds / 1e9, copyRate = double(2 * copied) / copy / 1e9;
    std::printf("  %-26s %7.1f M samples/s  %6.2f GB/s   memcpy of %3zu KB %6.2f GB/s   %4.0f%% of memcpy\n", name,
                samples / seconds / 1e6, rate, copied >> 10, copyRate, 100 * rate / copyRate);
}

void conversions()
{
    std::printf("conversions, 1 s of %u Hz stereo (%u sample frames), bytes read and written:\n", Rate, Rate);
    struct In {
        const char* name;
        uint32_t tag, bits;
    } inputs[] = {{"16-bit stereo -> block", 1, 16}, {"24-bit stereo -> block", 1, 24}, {"float stereo -> block", 3, 32}};
    for (const In& in : inputs) {
        Media::RawAudioBuffer raw;
        fillRaw(raw, in.tag, in.bits, Rate);
        double s = secondsPerRun([&] { Media::AudioBlockBuffer block(raw); }, 0.3);
        reportConversion(in.name, Rate, size_t(Rate) * 2 * (in.bits / 8), size_t(Rate) * 8, s);
    }
    Media::AudioBlockBuffer block;
    block.allocate(Rate, 2);
    auto left = noise(Rate, 7), right = noise(Rate, 9);
    std::memcpy(block.getChannel(0), left.data(), Rate * 4);
    std::memcpy(block.getChannel(1), right.data(), Rate * 4);
    struct Out {
        const char* name;
        uint32_t tag, bits, channels;
        int32_t align;
    } outputs[] = {{"block -> 16-bit stereo", 1, 16, 2, 4}, {"block -> float stereo", 3, 32, 2, 8},
                   {"block -> float mono mix", 3, 32, 1, 4}};
    for (const Out& o : outputs) {
        Media::AudioBuffer out;
        out.formatTag = o.tag;
        out.bitsPerSample = o.bits;
        out.channels = o.channels;
        out.blockAlign = o.align;
        double s = secondsPerRun([&] { out.convertTo(block); }, 0.3);
        reportConversion(o.name, Rate, size_t(Rate) * 8, size_t(Rate) * o.align, s);
    }
}

void spectra()
{
    std::vector<float> re = noise(Media::AudioFft::Size, 11), im(Media::AudioFft::Size);
    std::vector<float> source = re;
    double s = secondsPerRun(
        [&] {
            std::memcpy(re.data(), source.data(), re.size() * 4);
            std::memset(im.data(), 0, im.size() * 4);
            Media::AudioFft::transform(re.data(), im.data());
        },
        0.5);
    std::printf("2048-point transforms: %.0f per second on one core\n", 1 / s);

    Media::AudioBlockBuffer block;
    block.allocate(Rate, 2);
    auto left = noise(Rate, 13), right = noise(Rate, 17);
    std::memcpy(block.getChannel(0), left.data(), Rate * 4);
    std::memcpy(block.getChannel(1), right.data(), Rate * 4);
    for (int count : {64, 1024}) {
        double bands = secondsPerRun([&] { block.getSpectrumBands(count); }, 0.5);
        std::printf("spectrum bands (%d) of 1 s of 48 kHz stereo: %.2f ms, %.0fx real time\n", count, bands * 1e3,
                    1 / bands);
    }
    double spectrum = secondsPerRun([&] { block.getSpectrum(); }, 0.3);
    std::printf("spectrum (1024 bins) of the same block: %.3f ms\n", spectrum * 1e3);
}
} // namespace

int main(int argc, char** argv)
{
    auto wanted = [&](const char* part) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strcmp(argv[i], part) == 0)
                return true;
        return false;
    };
    if (wanted("conversions"))
        conversions();
    if (wanted("spectra"))
        spectra();
    if (wanted("decoding"))
        AudioBench::decoding();
    return 0;
}
