#include "core/curve.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {
double bezier(double p1, double p2, double t)
{
    double u = 1 - t;
    return 3 * p1 * t * u * u + 3 * p2 * t * t * u + t * t * t;
}

// y of the CSS timing function cubic-bezier(x1, y1, x2, y2) at x, through the solver.
double ease(double x1, double y1, double x2, double y2, double x)
{
    double t = solveCubicBezier(0, x1, x2, 1, x, 1e-6);
    return bezier(y1, y2, t);
}
} // namespace

TEST(Curve, CubicBezierMatchesCssTimingFunctions)
{
    // Reference values of the CSS timing functions, computed separately by bisection
    // on the curve's x to 1e-12.
    struct Case {
        double x1, y1, x2, y2, x, y;
    } cases[] = {
        {0.25, 0.1, 0.25, 1.0, 0.25, 0.40851059},  // ease
        {0.25, 0.1, 0.25, 1.0, 0.5, 0.80240339},
        {0.25, 0.1, 0.25, 1.0, 0.75, 0.96045898},
        {0.42, 0.0, 1.0, 1.0, 0.25, 0.09346465},   // ease-in
        {0.42, 0.0, 1.0, 1.0, 0.5, 0.31535681},
        {0.0, 0.0, 0.58, 1.0, 0.5, 0.68464319},    // ease-out
        {0.42, 0.0, 0.58, 1.0, 0.1, 0.01972245},   // ease-in-out
        {0.42, 0.0, 0.58, 1.0, 0.5, 0.5},
        {0.42, 0.0, 0.58, 1.0, 0.9, 0.98027755},
        {0.68, -0.55, 0.265, 1.55, 0.3, -0.04931672}, // back-style handles beyond [0, 1] in y
        {1.0, 0.0, 0.0, 1.0, 0.5, 0.5},            // a flat spot at x = 0.5 (0.5 by symmetry)
        {1.0, 0.0, 0.0, 1.0, 0.2, 0.01742550},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(ease(c.x1, c.y1, c.x2, c.y2, c.x), c.y, 2e-5) << c.x1 << "," << c.x2 << " at " << c.x;
}

TEST(Curve, CubicBezierEdgesAndStaysInsideTheUnitRange)
{
    EXPECT_EQ(solveCubicBezier(3, 1, 2, 3, 2, 1e-6), 0.5); // x3 == x0
    EXPECT_EQ(solveCubicBezier(0, 0, 1, 1, 0.5, 1e-6), 0.5); // the start value already fits
    EXPECT_EQ(solveCubicBezier(10, 12, 18, 20, 5, 1e-6), 0.0); // below x0
    EXPECT_EQ(solveCubicBezier(10, 12, 18, 20, 25, 1e-6), 1.0); // above x3
    // Steep handles send a plain Newton step far outside [0, 1]; the answer must not.
    for (double p1 : {0.0, 0.01, 0.5, 0.99, 1.0, 3.0, -2.0}) {
        for (double p2 : {0.0, 0.02, 0.5, 0.98, 1.0, 5.0, -1.0}) {
            for (double x = 0; x <= 1.0001; x += 0.05) {
                double t = solveCubicBezier(0, p1, p2, 1, x, 1e-6);
                ASSERT_GE(t, 0.0) << p1 << "," << p2 << "," << x;
                ASSERT_LE(t, 1.0) << p1 << "," << p2 << "," << x;
                double cp1 = std::clamp(p1, 0.0, 1.0), cp2 = std::clamp(p2, 0.0, 1.0);
                ASSERT_NEAR(bezier(cp1, cp2, t), x, 1e-5) << p1 << "," << p2 << "," << x;
            }
        }
    }
}

TEST(Curve, CurvePointAndSmoothRandomValue)
{
    CurvePoint3D p0{0, 0, 0}, p1{1, 2, 3}, p2{4, 6, 3}, p3{5, 5, 5}, out{};
    calcCurvePoint3D(0, p0, p1, p2, p3, out);
    EXPECT_DOUBLE_EQ(out.x, 1);
    EXPECT_DOUBLE_EQ(out.y, 2);
    calcCurvePoint3D(1, p0, p1, p2, p3, out);
    EXPECT_DOUBLE_EQ(out.x, 4);
    EXPECT_DOUBLE_EQ(out.z, 3);
    // Midpoint: handles c1 = p1 + (r(p2-p1) + u(p1-p0)) / 2(u+r), c2 = p2 - (u(p3-p2) + w(p2-p1)) / 2(w+u),
    // worked by hand for x: r = sqrt(14), u = 5, w = sqrt(6).
    double r = std::sqrt(14.0), u = 5, w = std::sqrt(6.0);
    double c1 = 1 + (r * 3 + u * 1) / (2 * (u + r)), c2 = 4 - (u * 1 + w * 3) / (2 * (w + u));
    calcCurvePoint3D(0.5, p0, p1, p2, p3, out);
    EXPECT_NEAR(out.x, 0.125 * 1 + 0.375 * c1 + 0.375 * c2 + 0.125 * 4, 1e-12);
    for (double t : {0.0, 0.3, 1.0}) {
        calcCurvePoint3D(t, p0, p1, p1, p3, out);
        EXPECT_EQ(out.x, p1.x);
        EXPECT_EQ(out.y, p1.y);
        EXPECT_EQ(out.z, p1.z);
    }
    EXPECT_EQ(smoothRandomValue(0, 0.5, 0.6), 0.5);
    EXPECT_NEAR(smoothRandomValue(0, 10, 20), 10 + 200.0 * 20 / (2 * 600), 1e-12);
}
