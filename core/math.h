#pragma once
// Small vector and 4 x 4 matrix math for placing objects, cameras and handles.
// Points are row vectors: a point p maps to p x M, and a product A x B applies
// A first, then B. Matrices are stored row by row; a translation sits in the
// last row.
namespace Math {

struct float2 {
    float x = 0, y = 0;
};

struct float3 {
    float x = 0, y = 0, z = 0;
};

struct float4 {
    float x = 0, y = 0, z = 0, w = 0;
};

struct float4x4 {
    float m[4][4] = {};
};

inline float4 operator+(const float4& a, const float4& b) { return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w}; }
inline float4 operator-(const float4& a, const float4& b) { return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w}; }
inline float4 operator*(const float4& a, float s) { return {a.x * s, a.y * s, a.z * s, a.w * s}; }

// The point (x, y, z, 1).
inline float4 point(const float3& p) { return {p.x, p.y, p.z, 1.0f}; }

// v x m.
float4 transform(const float4& v, const float4x4& m);
inline float4 operator*(const float4& v, const float4x4& m) { return transform(v, m); }
// a x b: a applied first.
float4x4 product(const float4x4& a, const float4x4& b);
inline float4x4 operator*(const float4x4& a, const float4x4& b) { return product(a, b); }
// The inverse through the cofactors over the determinant. A singular matrix
// gives infinite or NaN entries; callers that may meet one check the result.
float4x4 inverse(const float4x4& m);
// Whether all four components are finite numbers.
bool isFinite(const float4& v);

float4x4 identity();
float4x4 translation(float x, float y, float z);
float4x4 scaling(float x, float y, float z);
// Rotations by an angle in degrees, turning x towards y (Z), z towards x (Y)
// and y towards z (X).
float4x4 rotationZ(float degrees);
float4x4 rotationY(float degrees);
float4x4 rotationX(float degrees);
// The rotation by an angle in degrees about a unit axis through the origin,
// turning as rotationZ does about (0, 0, 1).
float4x4 rotationNormal(const float3& axis, float degrees);
// The left-handed view from eye looking along direction with the up vector:
// the camera's right, up and forward axes as the columns of the rotation,
// the eye moved to the origin.
float4x4 lookToLH(const float3& eye, const float3& direction, const float3& up);
// The perspective of a camera at focal distance g over a width x height
// frame: a view-space point (x, y, z) goes to clip (2gx/w, -2gy/h, g/20, z),
// so it lands g·x/z pixels right of the centre, g·y/z below it, at depth
// g/(20z); the camera's roll is rotationZ before it.
float4x4 perspective(float width, float height, float g);

inline float3 operator+(const float3& a, const float3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline float3 operator-(const float3& a, const float3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline float3 operator*(const float3& a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(const float3& a, const float3& b);
float3 cross(const float3& a, const float3& b);
float length(const float3& v);
// v scaled to length 1; the zero vector stays zero (never NaN).
float3 normalize(const float3& v);

} // namespace Math
