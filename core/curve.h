#pragma once
// Curve shaping shared by easing curves, the random movement and scripts. Pure
// functions, safe on any thread.

// The parameter t in [0, 1] at which a cubic Bezier whose control points have
// the x coordinates x0..x3 reaches x (clamped into [x0, x3]). 0.5 when x3 <= x0.
double solveCubicBezier(double x0, double x1, double x2, double x3, double x, double tolerance);

struct CurvePoint3D {
    double x, y, z;
};

// The point at t (0 to 1) of the smooth segment from p1 to p2, shaped by the
// neighbours p0 before and p3 after.
void calcCurvePoint3D(double t, const CurvePoint3D& p0, const CurvePoint3D& p1, const CurvePoint3D& p2,
                      const CurvePoint3D& p3, CurvePoint3D& out);

// The handle value for b between its neighbours a and c, joining successive
// random values with smooth segments.
double smoothRandomValue(double a, double b, double c);
