#pragma once
// Processor references of the filter passes, written from their formulas:
// single-precision arithmetic, pixel centres at (x + 0.5, y + 0.5), positions
// truncated toward zero, transparent black outside a picture, and each
// intermediate picture stored in half precision as the device stores it.
#include "tests/effects/filters/filter_fixture.h"
#include "tests/media/reference.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace FilterTest::Ref {

inline Pixel scaled(const Pixel& p, float k) { return {p[0] * k, p[1] * k, p[2] * k, p[3] * k}; }
inline void add(Pixel& sum, const Pixel& p, float k = 1)
{
    for (int c = 0; c < 4; ++c)
        sum[c] += p[c] * k;
}

// Every output pixel from a function of its integer position; reads outside
// the result give `outside`.
inline Image generate(int width, int height, const std::function<Pixel(int, int)>& f,
                      const Pixel& outside = {0, 0, 0, 0})
{
    Image out = blank(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out(x, y) = f(x, y);
    out = stored(out);
    out.outside = outside;
    return out;
}

// One box pass of radius r along an axis; mode 0 grows the axis by 2r.
inline Image boxPass(const Image& in, bool vertical, int r, int mode)
{
    if (r == 0)
        return in;
    const int grow = mode == 0 ? 2 * r : 0;
    const int w = in.width + (vertical ? 0 : grow), h = in.height + (vertical ? grow : 0);
    const int first = mode == 0 ? -2 * r : -r, last = mode == 0 ? 0 : r;
    const float divide = 1.0f / static_cast<float>(2 * r + 1);
    return generate(w, h, [&](int x, int y) {
        Pixel sum{0, 0, 0, 0};
        for (int k = first; k <= last; ++k) {
            int qx = x + (vertical ? 0 : k), qy = y + (vertical ? k : 0);
            if (mode == 2) {
                qx = std::clamp(qx, 0, in.width - 1);
                qy = std::clamp(qy, 0, in.height - 1);
            }
            add(sum, in.at(qx, qy));
        }
        return scaled(sum, divide);
    }, in.outside);
}

// The radii of a range and aspect: the vertical one shortened for aspect > 0,
// the horizontal one for aspect < 0.
inline void radii(int range, float aspect, int& rv, int& rh)
{
    rv = rh = range;
    if (aspect > 0)
        rv = static_cast<int>((1.0f - aspect) * static_cast<float>(range));
    if (aspect < 0)
        rh = static_cast<int>((1.0f + aspect) * static_cast<float>(range));
    rv = rv < 1 ? 0 : rv;
    rh = rh < 1 ? 0 : rh;
}

inline Image blurImage(Image in, int range, float aspect, int mode)
{
    if (range <= 0)
        return in;
    int rv, rh;
    radii(range, aspect, rv, rh);
    in = boxPass(in, true, rv - rv / 2, mode);
    in = boxPass(in, false, rh - rh / 2, mode);
    in = boxPass(in, true, rv / 2, mode);
    return boxPass(in, false, rh / 2, mode);
}

// The brightness scales of ぼかし and レンズブラー: transparent black is
// (e, e, e, 0) on the exponential one, also outside the picture.
constexpr float E = 2.718281828f;
inline Image expand(const Image& in, float base)
{
    return generate(in.width, in.height, [&](int x, int y) {
        Pixel p = in.at(x, y);
        for (int c = 0; c < 3; ++c)
            p[c] = std::exp(1 + base * Reference::sat(p[c]));
        return p;
    }, Pixel{E, E, E, 0});
}
// Back from the exponential scale, the colour held to 0..alpha (blurred on
// another scale than alpha, it can stand above it where alpha thins out).
inline Image compress(const Image& in, float baseInverse)
{
    return generate(in.width, in.height, [&](int x, int y) {
        Pixel p = in.at(x, y);
        p[3] = Reference::sat(p[3]);
        for (int c = 0; c < 3; ++c)
            p[c] = std::clamp((std::log(p[c]) - 1) * baseInverse, 0.0f, p[3]);
        return p;
    });
}

// The mean of n samples at p + i d s from each pixel centre p of a canvas
// offset by (left, top), towards the centre.
inline Image radialBlur(const Image& in, int left, int top, int right, int bottom, float cx, float cy, int n, float s)
{
    const float step = s * 0.01f / static_cast<float>(n);
    return generate(right - left, bottom - top, [&](int x, int y) {
        const float px = x + 0.5f + left, py = y + 0.5f + top;
        const float dx = (cx - px) * step, dy = (cy - py) * step;
        Pixel sum{0, 0, 0, 0};
        for (int i = 0; i < n; ++i)
            add(sum, in.at(static_cast<int>(px + dx * i), static_cast<int>(py + dy * i)));
        return scaled(sum, 1.0f / static_cast<float>(n));
    });
}

} // namespace FilterTest::Ref
