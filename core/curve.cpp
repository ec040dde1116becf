#include "core/curve.h"

#include <algorithm>
#include <cmath>

double solveCubicBezier(double x0, double x1, double x2, double x3, double x, double tolerance)
{
    const double d = x3 - x0;
    if (!(d > 0))
        return 0.5;
    auto unit = [](double v) { return v == v ? std::clamp(v, 0.0, 1.0) : 0.0; };
    const double X = unit((x - x0) / d);
    const double P1 = unit((x1 - x0) / d);
    const double P2 = unit((x2 - x0) / d);

    // With both handles inside [0, 1] the curve's x never falls as t grows, so the
    // root stays bracketed in [lo, hi]: a Newton step that would leave the bracket
    // (or a flat spot) is replaced by bisection, and t never leaves [0, 1].
    double lo = 0.0, hi = 1.0;
    double t = X;
    for (int step = 0; step < 64; ++step) {
        const double u = 1.0 - t;
        const double f = 3.0 * P1 * t * u * u + 3.0 * P2 * t * t * u + t * t * t - X;
        if (std::fabs(f) < tolerance)
            return t;
        if (f < 0)
            lo = t;
        else
            hi = t;
        const double slope = P1 * (3.0 - 12.0 * t + 9.0 * t * t) + P2 * (6.0 * t - 9.0 * t * t) + 3.0 * t * t;
        double next = slope != 0.0 ? t - f / slope : lo - 1.0;
        if (!(next > lo && next < hi))
            next = 0.5 * (lo + hi);
        t = next;
    }
    return std::clamp(t, 0.0, 1.0);
}

void calcCurvePoint3D(double t, const CurvePoint3D& p0, const CurvePoint3D& p1, const CurvePoint3D& p2,
                      const CurvePoint3D& p3, CurvePoint3D& out)
{
    auto length = [](const CurvePoint3D& a, const CurvePoint3D& b) {
        return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) + (a.z - b.z) * (a.z - b.z));
    };
    const double r = length(p1, p0);
    const double u = length(p2, p1);
    const double w = length(p3, p2);
    if (!(u > 0)) {
        out = p1;
        return;
    }
    const double s = 1.0 - t;
    const double b0 = s * s * s, b1 = 3.0 * t * s * s, b2 = 3.0 * t * t * s, b3 = t * t * t;
    auto coordinate = [&](double c0, double c1, double c2, double c3) {
        const double h1 = c1 + (r * (c2 - c1) + u * (c1 - c0)) / (2.0 * (u + r));
        const double h2 = c2 - (u * (c3 - c2) + w * (c2 - c1)) / (2.0 * (w + u));
        return b0 * c1 + b1 * h1 + b2 * h2 + b3 * c2;
    };
    out.x = coordinate(p0.x, p1.x, p2.x, p3.x);
    out.y = coordinate(p0.y, p1.y, p2.y, p3.y);
    out.z = coordinate(p0.z, p1.z, p2.z, p3.z);
}

double smoothRandomValue(double a, double b, double c)
{
    const double s = (b - c) * (b - c) + (a - b) * (a - b);
    const double q = s + (c - a) * (c - a);
    if (q < 1.0)
        return b;
    return b + s * (c - a) / (2.0 * q);
}
