#pragma once
// Processor references of the key and colour filters: the colour model, the
// chroma key's map and the boundary smoothing of key maps.
#include "tests/effects/filters/filter_reference.h"

#include <array>

namespace FilterTest::Ref {

using Yuv = std::array<float, 3>;

inline Yuv toYuv(float r, float g, float b)
{
    return {0.299f * r + 0.587f * g + 0.114f * b, -0.169f * r - 0.331f * g + 0.5f * b, 0.5f * r - 0.419f * g - 0.081f * b};
}
inline Yuv toYuv(const Pixel& p) { return toYuv(p[0], p[1], p[2]); }
inline std::array<float, 3> fromYuv(const Yuv& c)
{
    return {c[0] + 1.402f * c[2], c[0] - 0.344f * c[1] - 0.714f * c[2], c[0] + 1.772f * c[1]};
}
inline Pixel unpremultiplied(const Pixel& p) { return {p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]}; }
inline float safeSat(float v) { return v > 0 ? std::min(v, 1.0f) : 0.0f; } // NaN gives 0

struct KeyBlock {
    float keyH, keyS, lenH, lenS, keyU, keyV;
    int range;
    float divie, correct, transparent;
};

inline KeyBlock keyBlock(const float key[3], float hue, float saturation, int b, bool correct, bool transparent)
{
    KeyBlock k{};
    const Yuv c = toYuv(key[0], key[1], key[2]);
    k.keyU = c[1];
    k.keyV = c[2];
    k.keyH = std::atan2(k.keyV, k.keyU) / 3.14159265f;
    const float s = std::hypot(k.keyU, k.keyV);
    k.keyS = s < 0.001f ? 0.001f : s;
    k.lenH = hue / 256;
    k.lenS = saturation * k.keyS / 256;
    k.range = b;
    k.divie = 1.0f / float((2 * b + 1) * (2 * b + 1));
    k.correct = correct ? 1.0f : 0.0f;
    k.transparent = transparent ? 0.0f : 1.0f;
    return k;
}

inline Image keyMap(const Image& in, const KeyBlock& k)
{
    return generate(in.width, in.height, [&](int x, int y) {
        const Pixel p = in.at(x, y);
        if (p[3] < 0.001f)
            return Pixel{0, 0, 0, 0};
        const Yuv c = toYuv(unpremultiplied(p));
        const float angle = (c[1] == 0 && c[2] == 0) ? 0.0f : std::atan2(c[2], c[1]);
        float d = std::fabs(angle / 3.14159265f - k.keyH);
        if (d >= 1)
            d = 2 - d;
        const float chroma = std::hypot(c[1], c[2]);
        const float dx = std::max(d - k.lenH, 0.0f), dy = std::max(std::fabs(chroma - k.keyS) - k.lenS, 0.0f);
        return Pixel{std::max(std::fabs(k.keyS - chroma) / k.keyS, 8 * dx), c[1], c[2], std::min(8 * (dx + dy), 1.0f)};
    });
}

// The key alpha w at (x, y) eased over its neighbourhood of boundary b.
inline float boundaryFactor(const Image& map, int x, int y, float w, int b, float divie)
{
    float sum = 0;
    for (int j = -b; j <= b; ++j)
        for (int i = -b; i <= b; ++i)
            sum += map.at(std::clamp(x + i, 0, map.width - 1), std::clamp(y + j, 0, map.height - 1))[3];
    return std::max(0.0f, 1 + float(b) * (w * sum * divie - 1));
}

} // namespace FilterTest::Ref
