#pragma once
// Value types of the 2D drawing layer: y points down, units are pixels.
#include <cstdint>

namespace Platform::Draw {

struct Color {
    float r = 0, g = 0, b = 0, a = 1;
};

struct Point {
    float x = 0, y = 0;
};

struct Rect {
    float left = 0, top = 0, right = 0, bottom = 0;
};

// Row-vector affine transform: x' = x m11 + y m21 + dx, y' = x m12 + y m22 + dy.
struct Matrix {
    float m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    static Matrix translation(float x, float y) { return {1, 0, 0, 1, x, y}; }
};

enum class CapStyle { Flat, Square, Round, Triangle };
enum class LineJoin { Miter, Bevel, Round, MiterOrBevel };
// Dash patterns in stroke widths: Dash {2, 2}, Dot {0, 2}, DashDot {2, 2, 0, 2},
// DashDotDot {2, 2, 0, 2, 0, 2}; Custom uses the given pattern.
enum class DashStyle { Solid, Dash, Dot, DashDot, DashDotDot, Custom };

enum class FillMode { Alternate, Winding };
enum class Interpolation { NearestNeighbor, Linear };
enum class SweepDirection { CounterClockwise, Clockwise };
enum class ArcSize { Small, Large };

// Failures of a drawing session, reported by Target::endDraw. Values are
// HRESULT-style codes so that callers can put them in their failure reports.
constexpr int32_t ResultOk = 0;
constexpr int32_t ResultFail = static_cast<int32_t>(0x80004005u);         // unspecified failure
constexpr int32_t ResultWrongState = static_cast<int32_t>(0x88990001u);   // end without begin, draw outside
constexpr int32_t ResultTargetLost = static_cast<int32_t>(0x8899000Cu);   // the surface cannot be painted
constexpr int32_t ResultInvalidArg = static_cast<int32_t>(0x80070057u);

} // namespace Platform::Draw
