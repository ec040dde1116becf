// Spectra of an audio block: the 1024-bin magnitude spectrum of its mono mix
// and the display bands (warped frequency axis, peak hold, dip filling and
// smoothing) that scripts and the waveform picture show.
#include "media/audio_buffer.h"
#include "media/audio_fft.h"
#include "media/audio_vector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace Media {

namespace {
constexpr int Size = AudioFft::Size;
constexpr int Bins = Size / 2;  // bins used: 0..1023
constexpr int Bands = 512;      // band powers on the warped axis
constexpr float Magnitude = 48.0f;
constexpr float Ceiling = 32767.0f;

uint32_t reverseBits(uint32_t v, int bits)
{
    uint32_t r = 0;
    for (int i = 0; i < bits; ++i, v >>= 1)
        r = (r << 1) | (v & 1);
    return r;
}

struct Tables {
    uint16_t reversed[Size];     // 11-bit reversal
    float cosine[Size / 2];      // by group: angle rev10(g) × 2π / 2048
    float sine[Size / 2];
    float edge[Bands + 1];       // band edges on the bin axis
};

const Tables& tables()
{
    static const Tables t = [] {
        Tables t{};
        for (uint32_t i = 0; i < Size; ++i)
            t.reversed[i] = uint16_t(reverseBits(i, 11));
        const float step = 2.0f * float(M_PI) / float(Size);
        for (uint32_t g = 0; g < Size / 2; ++g) {
            float theta = float(reverseBits(g, 10)) * step;
            t.cosine[g] = std::cos(theta);
            t.sine[g] = std::sin(theta);
        }
        const float q = std::pow(384.0f, 1.0f / 512.0f);
        float g = 2.0f;
        t.edge[0] = 2.0f;
        for (int e = 1; e <= Bands; ++e) {
            g *= q;
            t.edge[e] = 256.0f * std::pow(float(e) / 512.0f, 9.0f) + g;
        }
        // The top edge is the end of the used bins; rounding must not carry
        // it past the power array.
        t.edge[Bands] = float(Bins);
        return t;
    }();
    return t;
}

// Scratch of one call, 32-byte aligned, zeroed.
struct Scratch {
    alignas(32) float re[Size];
    alignas(32) float im[Size];
    alignas(32) float power[Bins + 8]; // one entry past the bins for the edge weights
    alignas(32) float band[Bands];
    alignas(32) float peak[Bands];
};

std::unique_ptr<Scratch> newScratch()
{
    auto s = std::make_unique<Scratch>();
    std::memset(s.get(), 0, sizeof(Scratch));
    return s;
}

// Reads the window starting at start, wrapping around the block's n samples.
void loadWindow(Scratch& s, const float* x, uint32_t n, uint32_t start)
{
    if (start + Size <= n) {
        std::memcpy(s.re, x + start, sizeof s.re);
    } else {
        uint32_t at = start;
        for (int k = 0; k < Size; ++k) {
            s.re[k] = x[at];
            if (++at == n)
                at = 0;
        }
    }
    std::memset(s.im, 0, sizeof s.im);
}

void powers(Scratch& s)
{
    for (int k = 0; k < Bins; k += 8)
        for (int i = k; i < k + 8; ++i)
            s.power[i] = s.re[i] * s.re[i] + s.im[i] * s.im[i];
}

// P[k] = max(P[k], min(P[k-1], P[k+1])) for k = 1..510, from the values before.
void fillDips(Scratch& s)
{
    float* filled = s.im; // free after the powers
    filled[0] = s.power[0];
    for (int k = 1; k <= 510; ++k)
        filled[k] = std::max(s.power[k], std::min(s.power[k - 1], s.power[k + 1]));
    std::memcpy(s.power + 1, filled + 1, 510 * sizeof(float));
}

void mapBands(const float* p, float* band)
{
    const float* edge = tables().edge;
    for (int e = 1; e <= Bands; ++e) {
        float f = edge[e - 1];
        const float c = edge[e];
        int h = int(f);
        float sum = 0.0f;
        if (c - f < 1.0f) {
            sum = ((float(h) + 1.0f - f) * p[h] + (f - float(h)) * p[h + 1]) * (c - f);
        } else {
            if (f != float(h)) {
                sum += (float(h) + 1.0f - f) * p[h];
                f = std::floor(f) + 1.0f;
            }
            for (int steps = int(c) - int(f); steps > 0; --steps) {
                sum += p[int(f)];
                f += 1.0f;
            }
            if (f < c)
                sum += (c - f) * p[int(f)];
        }
        band[e - 1] = sum;
    }
}

// Weighted mean of in[j-r..j+r] with weight[|d|] for offset d; neighbours
// outside 0..count-1 are left out together with their weights.
void smooth(const float* in, float* out, int count, int r, const float* weight)
{
    for (int j = 0; j < count; ++j) {
        float sum = 0.0f, weights = 0.0f;
        for (int i = std::max(0, j - r); i <= std::min(count - 1, j + r); ++i) {
            float w = weight[std::abs(i - j)];
            sum += w * in[i];
            weights += w;
        }
        out[j] = sum / weights;
    }
}

// One group: u' = u + v, v' = (u − v) × (c + i s) over half pairs.
inline void butterflies(float* __restrict ur, float* __restrict ui, int half, float c, float s)
{
    float* __restrict vr = ur + half;
    float* __restrict vi = ui + half;
    for (int k = 0; k < half; ++k) {
        const float xr = ur[k], xi = ui[k], yr = vr[k], yi = vi[k];
        ur[k] = xr + yr;
        ui[k] = xi + yi;
        const float dr = xr - yr, di = xi - yi;
        vr[k] = dr * c - di * s;
        vi[k] = dr * s + di * c;
    }
}

// A whole stage of groups of half pairs, half a multiple of eight, in vectors
// of eight pairs.
VELMORA_AUDIO_KERNEL
void butterflyStage(float* __restrict re, float* __restrict im, int half, const float* cosine, const float* sine)
{
    using namespace AudioVector;
    for (int g = 0, base = 0; base < Size; ++g, base += 2 * half) {
        const float c = cosine[g], s = sine[g];
        for (int k = base; k < base + half; k += 8) {
            Float8 xr, xi, yr, yi;
            load(xr, re + k);
            load(xi, im + k);
            load(yr, re + k + half);
            load(yi, im + k + half);
            store(re + k, xr + yr);
            store(im + k, xi + yi);
            const Float8 dr = xr - yr, di = xi - yi;
            store(re + k + half, dr * c - di * s);
            store(im + k + half, dr * s + di * c);
        }
    }
}
} // namespace

void AudioFft::transform(float* re, float* im)
{
    const Tables& t = tables();
    for (int i = 0; i < Size; ++i) {
        int r = t.reversed[i];
        if (i < r) {
            std::swap(re[i], re[r]);
            std::swap(im[i], im[r]);
        }
    }
    // Groups of one, two and four pairs element by element, wider ones eight at
    // a time with the same arithmetic (so the results do not depend on the path).
    for (int half = 1; half < 8; half *= 2)
        for (int g = 0, base = 0; base < Size; ++g, base += 2 * half)
            butterflies(re + base, im + base, half, t.cosine[g], t.sine[g]);
    for (int half = 8; half < Size; half *= 2)
        butterflyStage(re, im, half, t.cosine, t.sine);
}

std::vector<float> AudioBlockBuffer::getSpectrum() const
{
    std::vector<float> result(Bins, 0.0f);
    if (samples == 0)
        return result;
    AudioBuffer mono;
    mono.formatTag = WaveFormatIeeeFloat;
    mono.bitsPerSample = 32;
    mono.channels = 1;
    mono.blockAlign = 4;
    mono.convertTo(*this);
    auto s = newScratch();
    loadWindow(*s, static_cast<const float*>(mono.data.data), samples, (samples - 1) / Size * Size);
    AudioFft::transform(s->re, s->im);
    for (int k = 0; k < Bins; ++k)
        result[k] = std::min(std::sqrt(s->re[k] * s->re[k] + s->im[k] * s->im[k]) * Magnitude, Ceiling);
    return result;
}

std::vector<float> AudioBlockBuffer::getSpectrumBands(int count) const
{
    const int c = std::clamp(count, 1, Bins);
    auto s = newScratch();
    for (uint64_t start = 0; start < samples; start += Size) {
        for (uint32_t channel = 0; channel < 2; ++channel) {
            loadWindow(*s, getChannel(channel), samples, uint32_t(start));
            AudioFft::transform(s->re, s->im);
            powers(*s);
            fillDips(*s);
            mapBands(s->power, s->band);
            for (int e = 0; e < Bands; ++e) {
                float v = std::sqrt(s->band[e]) * Magnitude - 64.0f;
                s->peak[e] = std::max(s->peak[e], std::clamp(v, 0.0f, Ceiling));
            }
        }
    }
    float smoothed[Bands + 1];
    const float peakWeights[2] = {512.0f, 256.0f};
    smooth(s->peak, smoothed, Bands, 1, peakWeights);
    smoothed[Bands] = 0.0f;

    std::vector<float> resampled(c, 0.0f);
    if (c <= Bands) {
        for (int src = 0; src < Bands; ++src) {
            int j = (src * c + 256) / 512;
            if (j < c)
                resampled[j] = std::max(resampled[j], smoothed[src]);
        }
    } else {
        for (int j = 0; j < c; ++j) {
            double x = double(j) * 512.0 / double(c);
            int i = int(x);
            double w = double(i) + 1.0 - x;
            resampled[j] = float(w * smoothed[i] + (1.0 - w) * smoothed[i + 1]);
        }
    }

    if (c < 16)
        return resampled;
    std::vector<float> out(c);
    if (c < 128) {
        const float weights[2] = {512.0f, 2.0f * float(c)};
        smooth(resampled.data(), out.data(), c, 1, weights);
    } else {
        const int r = (2 * c) >> 8;
        float weights[Bins / 128 + 1];
        for (int d = 0; d <= r; ++d)
            weights[d] = float(r + 1 - d) * 256.0f;
        smooth(resampled.data(), out.data(), c, r, weights);
    }
    return out;
}

} // namespace Media
