#pragma once
// Processor references of the list draws the light, decoration and placement
// filters compose with: the blend states over premultiplied pictures, the
// offset copy, the flat colour and the light extraction.
#include "tests/effects/filters/filter_reference.h"

#include <functional>

namespace FilterTest::Ref {

using BlendFn = std::function<Pixel(const Pixel& src, const Pixel& dst)>;

inline Pixel over(const Pixel& s, const Pixel& d)
{
    return {s[0] + d[0] * (1 - s[3]), s[1] + d[1] * (1 - s[3]), s[2] + d[2] * (1 - s[3]), s[3] + d[3] * (1 - s[3])};
}
// Entry 11: colours added, alpha as over.
inline Pixel addOver(const Pixel& s, const Pixel& d)
{
    return {s[0] + d[0], s[1] + d[1], s[2] + d[2], s[3] + d[3] * (1 - s[3])};
}
// Entry 12: colours added, alpha as behind.
inline Pixel addBehind(const Pixel& s, const Pixel& d)
{
    return {s[0] + d[0], s[1] + d[1], s[2] + d[2], s[3] * (1 - d[3]) + d[3]};
}
// Entry 7: the target times the source alpha.
inline Pixel scaleBy(const Pixel& s, const Pixel& d) { return scaled(d, s[3]); }
// Entry 8: the target times one minus the source alpha.
inline Pixel scaleByInverse(const Pixel& s, const Pixel& d) { return scaled(d, 1 - s[3]); }
// Entry 14: the source times the target alpha.
inline Pixel colourise(const Pixel& s, const Pixel& d) { return scaled(s, d[3]); }
// Entry 16: the target colour times the source alpha, its alpha kept.
inline Pixel darken(const Pixel& s, const Pixel& d) { return {d[0] * s[3], d[1] * s[3], d[2] * s[3], d[3]}; }
// Entry 18: the source added inside the target.
inline Pixel addInside(const Pixel& s, const Pixel& d)
{
    return {s[0] * d[3] + d[0], s[1] * d[3] + d[1], s[2] * d[3] + d[2], d[3]};
}
inline Pixel replace(const Pixel& s, const Pixel&) { return s; }

// target(P) blended with source(P + (dx, dy)).
inline Image copyOffset(const Image& target, const Image& source, int dx, int dy, const BlendFn& blend)
{
    return generate(target.width, target.height,
                    [&](int x, int y) { return blend(source.at(x + dx, y + dy), target.at(x, y)); });
}
inline Image fill(const Image& target, const Pixel& colour, const BlendFn& blend)
{
    return generate(target.width, target.height, [&](int x, int y) { return blend(colour, target.at(x, y)); });
}
// The picture in the middle of a transparent canvas, at (x, y).
inline Image canvas(const Image& in, int width, int height, int x, int y)
{
    return generate(width, height, [&](int px, int py) { return in.at(px - x, py - y); });
}

inline Image extractLight(const Image& in, float threshold, float gain, const Pixel* tint = nullptr)
{
    Image light = generate(in.width, in.height, [&](int x, int y) {
        const Pixel c = in.at(x, y);
        const float k = std::max(c[0] * 0.299f + c[1] * 0.587f + c[2] * 0.114f - threshold, 0.0f) * gain;
        return Pixel{std::min(c[0] * k, gain), std::min(c[1] * k, gain), std::min(c[2] * k, gain), std::min(k, 1.0f)};
    });
    return tint ? fill(light, *tint, colourise) : light;
}

// One box pass per axis, growing by the radius on every side.
inline Image boxBlur(const Image& in, int r) { return boxPass(boxPass(in, true, r, 0), false, r, 0); }

} // namespace FilterTest::Ref
