#include "core/math.h"

#include <cmath>

namespace Math {

namespace {
constexpr float RadiansPerDegree = 0.017453292f;
}

float4 transform(const float4& v, const float4x4& m)
{
    const float (*r)[4] = m.m;
    return {v.x * r[0][0] + v.y * r[1][0] + v.z * r[2][0] + v.w * r[3][0],
            v.x * r[0][1] + v.y * r[1][1] + v.z * r[2][1] + v.w * r[3][1],
            v.x * r[0][2] + v.y * r[1][2] + v.z * r[2][2] + v.w * r[3][2],
            v.x * r[0][3] + v.y * r[1][3] + v.z * r[2][3] + v.w * r[3][3]};
}

float4x4 product(const float4x4& a, const float4x4& b)
{
    float4x4 c;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            c.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
    return c;
}

float4x4 inverse(const float4x4& matrix)
{
    // Cofactors from the 2 x 2 minors of the upper and lower row pairs, in
    // double so that a well-conditioned matrix comes back to float exactly.
    double a[16];
    for (int i = 0; i < 16; ++i)
        a[i] = matrix.m[i / 4][i % 4];
    const double s0 = a[0] * a[5] - a[4] * a[1];
    const double s1 = a[0] * a[6] - a[4] * a[2];
    const double s2 = a[0] * a[7] - a[4] * a[3];
    const double s3 = a[1] * a[6] - a[5] * a[2];
    const double s4 = a[1] * a[7] - a[5] * a[3];
    const double s5 = a[2] * a[7] - a[6] * a[3];
    const double c5 = a[10] * a[15] - a[14] * a[11];
    const double c4 = a[9] * a[15] - a[13] * a[11];
    const double c3 = a[9] * a[14] - a[13] * a[10];
    const double c2 = a[8] * a[15] - a[12] * a[11];
    const double c1 = a[8] * a[14] - a[12] * a[10];
    const double c0 = a[8] * a[13] - a[12] * a[9];
    const double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    const double k = 1.0 / det;
    const double r[16] = {
        (a[5] * c5 - a[6] * c4 + a[7] * c3) * k,    (-a[1] * c5 + a[2] * c4 - a[3] * c3) * k,
        (a[13] * s5 - a[14] * s4 + a[15] * s3) * k, (-a[9] * s5 + a[10] * s4 - a[11] * s3) * k,
        (-a[4] * c5 + a[6] * c2 - a[7] * c1) * k,   (a[0] * c5 - a[2] * c2 + a[3] * c1) * k,
        (-a[12] * s5 + a[14] * s2 - a[15] * s1) * k, (a[8] * s5 - a[10] * s2 + a[11] * s1) * k,
        (a[4] * c4 - a[5] * c2 + a[7] * c0) * k,    (-a[0] * c4 + a[1] * c2 - a[3] * c0) * k,
        (a[12] * s4 - a[13] * s2 + a[15] * s0) * k, (-a[8] * s4 + a[9] * s2 - a[11] * s0) * k,
        (-a[4] * c3 + a[5] * c1 - a[6] * c0) * k,   (a[0] * c3 - a[1] * c1 + a[2] * c0) * k,
        (-a[12] * s3 + a[13] * s1 - a[14] * s0) * k, (a[8] * s3 - a[9] * s1 + a[10] * s0) * k,
    };
    float4x4 out;
    for (int i = 0; i < 16; ++i)
        out.m[i / 4][i % 4] = static_cast<float>(r[i]);
    return out;
}

bool isFinite(const float4& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w);
}

float4x4 identity()
{
    return scaling(1, 1, 1);
}

float4x4 translation(float x, float y, float z)
{
    float4x4 t = identity();
    t.m[3][0] = x;
    t.m[3][1] = y;
    t.m[3][2] = z;
    return t;
}

float4x4 scaling(float x, float y, float z)
{
    float4x4 s;
    s.m[0][0] = x;
    s.m[1][1] = y;
    s.m[2][2] = z;
    s.m[3][3] = 1;
    return s;
}

float4x4 rotationZ(float degrees)
{
    const float a = degrees * RadiansPerDegree, s = std::sin(a), c = std::cos(a);
    float4x4 r = identity();
    r.m[0][0] = c;
    r.m[0][1] = s;
    r.m[1][0] = -s;
    r.m[1][1] = c;
    return r;
}

float4x4 rotationY(float degrees)
{
    const float a = degrees * RadiansPerDegree, s = std::sin(a), c = std::cos(a);
    float4x4 r = identity();
    r.m[0][0] = c;
    r.m[0][2] = -s;
    r.m[2][0] = s;
    r.m[2][2] = c;
    return r;
}

float4x4 rotationX(float degrees)
{
    const float a = degrees * RadiansPerDegree, s = std::sin(a), c = std::cos(a);
    float4x4 r = identity();
    r.m[1][1] = c;
    r.m[1][2] = s;
    r.m[2][1] = -s;
    r.m[2][2] = c;
    return r;
}

float4x4 rotationNormal(const float3& n, float degrees)
{
    // The axis-angle form for column vectors, transposed into rows.
    const float a = degrees * RadiansPerDegree, s = std::sin(a), c = std::cos(a), t = 1 - c;
    float4x4 r = identity();
    r.m[0][0] = t * n.x * n.x + c;
    r.m[0][1] = t * n.x * n.y + s * n.z;
    r.m[0][2] = t * n.x * n.z - s * n.y;
    r.m[1][0] = t * n.x * n.y - s * n.z;
    r.m[1][1] = t * n.y * n.y + c;
    r.m[1][2] = t * n.y * n.z + s * n.x;
    r.m[2][0] = t * n.x * n.z + s * n.y;
    r.m[2][1] = t * n.y * n.z - s * n.x;
    r.m[2][2] = t * n.z * n.z + c;
    return r;
}

float dot(const float3& a, const float3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

float3 cross(const float3& a, const float3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

float length(const float3& v) { return std::sqrt(dot(v, v)); }

float3 normalize(const float3& v)
{
    const float l = length(v);
    return l > 0 ? float3{v.x / l, v.y / l, v.z / l} : float3{};
}

float4x4 lookToLH(const float3& eye, const float3& direction, const float3& up)
{
    const float3 forward = normalize(direction);
    const float3 right = normalize(cross(up, forward));
    const float3 upward = cross(forward, right);
    float4x4 r = identity();
    const float3 axes[3] = {right, upward, forward};
    for (int c = 0; c < 3; ++c) {
        r.m[0][c] = (&axes[c].x)[0];
        r.m[1][c] = (&axes[c].x)[1];
        r.m[2][c] = (&axes[c].x)[2];
        r.m[3][c] = -dot(axes[c], eye);
    }
    return r;
}

float4x4 perspective(float width, float height, float g)
{
    float4x4 p;
    p.m[0][0] = 2 * g / width;
    p.m[1][1] = -2 * g / height;
    p.m[2][3] = 1;
    p.m[3][2] = g / 20;
    return p;
}

} // namespace Math
