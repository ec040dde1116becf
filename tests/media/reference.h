#pragma once
// Processor references for the picture shaders, written from their formulas.
#include "tests/media/gpu_fixture.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace Reference {

using TestKit::Picture;
using TestKit::Pixel;

inline Pixel at(const Picture& p, int w, int h, int x, int y)
{
    if (x < 0 || y < 0 || x >= w || y >= h)
        return {0, 0, 0, 0};
    return p[size_t(y) * w + x];
}

inline float lum(const Pixel& c) { return c[0] * 0.299f + c[1] * 0.587f + c[2] * 0.114f; }
inline float sat(float v) { return v > 0 ? std::min(v, 1.0f) : 0.0f; }

// Address modes of the platform: 1 wrap, 2 mirror, 3 clamp, 4 border.
inline int address(int i, int n, int mode, bool& border)
{
    switch (mode) {
    case 1: return ((i % n) + n) % n;
    case 2: {
        int period = 2 * n, m = ((i % period) + period) % period;
        return m < n ? m : period - 1 - m;
    }
    case 4:
        if (i < 0 || i >= n)
            border = true;
        return std::clamp(i, 0, n - 1);
    default: return std::clamp(i, 0, n - 1);
    }
}

// borderColour stands where the border mode reads outside the picture.
inline Pixel fetch(const Picture& p, int w, int h, int x, int y, int modeU, int modeV,
                   const Pixel& borderColour = {0, 0, 0, 0})
{
    bool border = false;
    int ax = address(x, w, modeU, border), ay = address(y, h, modeV, border);
    return border ? borderColour : p[size_t(ay) * w + ax];
}

// One sample at normalised (u, v): linear or point filtering.
inline Pixel sample(const Picture& p, int w, int h, float u, float v, bool linear, int modeU, int modeV,
                    const Pixel& borderColour = {0, 0, 0, 0})
{
    if (!linear)
        return fetch(p, w, h, int(std::floor(u * w)), int(std::floor(v * h)), modeU, modeV, borderColour);
    float fx = u * w - 0.5f, fy = v * h - 0.5f;
    int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
    float ax = fx - x0, ay = fy - y0;
    Pixel out{};
    auto f = [&](int x, int y) { return fetch(p, w, h, x, y, modeU, modeV, borderColour); };
    for (int c = 0; c < 4; ++c) {
        float a = f(x0, y0)[c] * (1 - ax) + f(x0 + 1, y0)[c] * ax;
        float b = f(x0, y0 + 1)[c] * (1 - ax) + f(x0 + 1, y0 + 1)[c] * ax;
        out[c] = a * (1 - ay) + b * ay;
    }
    return out;
}

inline Pixel blendMode(int mode, const Pixel& s, const Pixel& d, float alpha)
{
    const float sa = s[3];
    Pixel out{};
    auto ycc = [](float r, float g, float b) {
        return std::array<float, 3>{r * 0.299f + g * 0.587f + b * 0.114f, r * -0.169f + g * -0.331f + b * 0.5f,
                                    r * 0.5f + g * -0.419f + b * -0.081f};
    };
    auto rgb = [](float y, float cb, float cr) {
        return std::array<float, 3>{y + 1.402f * cr, y - 0.344f * cb - 0.714f * cr, y + 1.722f * cb};
    };
    auto normalized = [](Pixel v) {
        if (v[3] == 0)
            return Pixel{0, 0, 0, 0};
        float a = v[3];
        return Pixel{v[0] / a, v[1] / a, v[2] / a, 1};
    };
    auto scaled = [](float k, Pixel v) { return Pixel{k * v[0], k * v[1], k * v[2], k * v[3]}; };
    auto sum = [](Pixel a, Pixel b) { return Pixel{a[0] + b[0], a[1] + b[1], a[2] + b[2], a[3] + b[3]}; };
    switch (mode) {
    case 20: return scaled(std::min(sa * alpha + d[3], 1.0f), normalized(sum(scaled(alpha, s), d)));
    case 21:
        return scaled(std::min(sa * alpha + d[3], 1.0f), normalized(sum(scaled(alpha, s), scaled(1 - sa * alpha, d))));
    case 22: return scaled(std::max(d[3], sa * alpha), normalized(sum(scaled(alpha, s), d)));
    case 23: return scaled(std::max(d[3] - sa * alpha, 0.0f), normalized(d));
    case 8:
    case 9: {
        auto ys = ycc(s[0], s[1], s[2]), yd = ycc(sa * d[0], sa * d[1], sa * d[2]);
        auto c = mode == 8 ? rgb(ys[0], yd[1], yd[2]) : rgb(yd[0], ys[1], ys[2]);
        return {c[0] * alpha, c[1] * alpha, c[2] * alpha, sa * alpha};
    }
    default: break;
    }
    for (int c = 0; c < 3; ++c) {
        float sc = s[c], dc = d[c], r;
        switch (mode) {
        case 1: r = sc + dc * sa; break;
        case 2: r = dc * sa - sc; break;
        case 3: r = dc * sc; break;
        case 4: r = sc + dc * (sa - sc); break;
        case 5: r = dc < 0.5f ? 2 * dc * sc : 2 * (sc + dc * (sa - sc)) - sa; break;
        case 6: r = std::max(sc, sa * dc); break;
        case 7: r = std::min(sc, sa * dc); break;
        case 10: r = std::clamp(dc * sa + sc - sa, 0.0f, sa); break;
        case 11: r = std::clamp(dc * sa + 2 * sc - sa, 0.0f, sa); break;
        case 12: r = std::fabs(dc * sa - sc); break;
        default: r = sc; break;
        }
        out[c] = r * alpha;
    }
    out[3] = sa * alpha;
    return out;
}

} // namespace Reference
