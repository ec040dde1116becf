// Vector and matrix math: row vectors, products applied left to right, inverse.
#include "core/math.h"

#include <gtest/gtest.h>

using namespace Math;

namespace {

float4x4 rows(std::initializer_list<std::initializer_list<float>> values)
{
    float4x4 m;
    int i = 0;
    for (const auto& row : values) {
        int j = 0;
        for (float v : row)
            m.m[i][j++] = v;
        ++i;
    }
    return m;
}

void expectNear(const float4x4& a, const float4x4& b, float tolerance)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            EXPECT_NEAR(a.m[i][j], b.m[i][j], tolerance) << "row " << i << " column " << j;
}

} // namespace

TEST(Math, ProductAndTransformAgainstHandComputedValues)
{
    const float4x4 a = rows({{1, 2, 0, 0}, {0, 1, 3, 0}, {4, 0, 1, 0}, {1, 1, 1, 1}});
    const float4x4 b = rows({{2, 0, 0, 1}, {0, 3, 0, 0}, {1, 0, 1, 0}, {0, 0, 0, 1}});
    // Row i of a x b is row i of a times b.
    expectNear(a * b, rows({{2, 6, 0, 1}, {3, 3, 3, 0}, {9, 0, 1, 4}, {3, 3, 1, 2}}), 0);
    // A row vector through a then b equals it through a x b.
    const float4 v{1, -2, 3, 1};
    const float4 viaA = v * a;
    EXPECT_FLOAT_EQ(viaA.x, 1 + 12 + 1);
    EXPECT_FLOAT_EQ(viaA.y, 2 - 2 + 1);
    EXPECT_FLOAT_EQ(viaA.z, -6 + 3 + 1);
    EXPECT_FLOAT_EQ(viaA.w, 1);
    const float4 chained = viaA * b, combined = v * (a * b);
    EXPECT_FLOAT_EQ(chained.x, combined.x);
    EXPECT_FLOAT_EQ(chained.y, combined.y);
    EXPECT_FLOAT_EQ(chained.z, combined.z);
    EXPECT_FLOAT_EQ(chained.w, combined.w);
    // Translation sits in the last row and applies after the rotation on its left.
    const float4 p = float4{1, 0, 0, 1} * (rotationZ(90) * translation(10, 20, 30));
    EXPECT_NEAR(p.x, 10, 1e-5);
    EXPECT_NEAR(p.y, 21, 1e-5);
    EXPECT_NEAR(p.z, 30, 1e-5);
}

TEST(Math, InverseAgainstHandComputedValuesAndIdentity)
{
    // diag(2, 4, 8) then translation (1, 2, 3): the inverse scales by the
    // reciprocals and moves by minus the scaled translation.
    const float4x4 m = scaling(2, 4, 8) * translation(1, 2, 3);
    expectNear(inverse(m), rows({{0.5f, 0, 0, 0}, {0, 0.25f, 0, 0}, {0, 0, 0.125f, 0}, {-0.5f, -0.5f, -0.375f, 1}}),
               1e-7f);

    const float4x4 cases[] = {
        m,
        rotationX(30) * rotationY(-70) * rotationZ(200) * translation(-500, 12, 7),
        rows({{2048.f / 1920, 0, 0, 0}, {0, -2048.f / 1080, 0, 0}, {0, 0, 0, 1}, {0, 0, 51.2f, 0}}), // a projection
        rows({{1, 2, 3, 4}, {0, 1, 4, 2}, {5, 6, 0, 1}, {1, 0, 1, 7}}),
    };
    // Float products of entries up to 500: rounding of a few units in 1e-5.
    for (const float4x4& c : cases) {
        expectNear(c * inverse(c), identity(), 1e-4f);
        expectNear(inverse(c) * c, identity(), 1e-4f);
    }
}

TEST(Math, SingularInverseIsNotFinite)
{
    const float4 p = float4{1, 1, 0, 1} * inverse(scaling(0, 1, 1));
    EXPECT_FALSE(isFinite(p));
    EXPECT_TRUE(isFinite(float4{1, 1, 0, 1} * inverse(scaling(2, 1, 1))));
}

TEST(Math, RotationsTurnTheAxesTheirWay)
{
    struct Case {
        float4x4 rotation;
        float4 from, to;
    };
    const Case cases[] = {
        {rotationZ(90), {1, 0, 0, 1}, {0, 1, 0, 1}},
        {rotationY(90), {0, 0, 1, 1}, {1, 0, 0, 1}},
        {rotationX(90), {0, 1, 0, 1}, {0, 0, 1, 1}},
        // About a unit axis: the coordinate axes turn as the three above, and a
        // third of a turn about the diagonal carries x to y.
        {rotationNormal({0, 0, 1}, 90), {1, 0, 0, 1}, {0, 1, 0, 1}},
        {rotationNormal({0, 1, 0}, 90), {0, 0, 1, 1}, {1, 0, 0, 1}},
        {rotationNormal({1, 0, 0}, 90), {0, 1, 0, 1}, {0, 0, 1, 1}},
        {rotationNormal({0.57735027f, 0.57735027f, 0.57735027f}, 120), {1, 0, 0, 1}, {0, 1, 0, 1}},
        {rotationNormal({0, 0, -1}, -30), {1, 0, 0, 1}, {0.8660254f, 0.5f, 0, 1}},
    };
    for (const Case& c : cases) {
        const float4 r = c.from * c.rotation;
        EXPECT_NEAR(r.x, c.to.x, 1e-6);
        EXPECT_NEAR(r.y, c.to.y, 1e-6);
        EXPECT_NEAR(r.z, c.to.z, 1e-6);
    }
}
