// Vertex lists: transformed copies, the shared centred quad, whole quads
// only, the shared single-quad strip, folded quads, and the split of
// overlapping primitives into separate draws for the depth shaders.
#include "tests/media/object_fixture.h"

#include "media/pixel_shader.h"
#include "media/shader_list.h"
#include "media/vertex_shader.h"

using namespace Media;
using TestKit::Picture;
using TestKit::Pixel;

namespace {

class VertexListTest : public TestKit::ObjectFixture {
protected:
    uint64_t draws() const { return d3d->context->counters().draws; }
};

void addSquare(VertexListQuadPosColor& list, float x, float y, float size, float z, const Pixel& c)
{
    const float xs[4] = {x, x + size, x + size, x}, ys[4] = {y, y, y + size, y + size};
    for (int k = 0; k < 4; ++k)
        list.vertices.push_back({xs[k], ys[k], z, c[0], c[1], c[2], c[3]});
}

} // namespace

TEST(VertexList, AppendTransformedKeepsTheTypeAndUsesRowVectors)
{
    auto uv = std::make_shared<VertexListQuadPosUv>();
    uv->vertices = {{1, 2, 3, 0.25f, 0.5f, 0.8f, 7}, {-1, 0, 2, 1, 0, 1, 8}};
    auto color = std::make_shared<VertexListQuadPosColor>();
    color->vertices = {{0, 0, 0, 1, 1, 1, 1}};

    auto target = std::static_pointer_cast<VertexListQuadPosUv>(uv->createEmpty());
    ASSERT_TRUE(target->isEmpty());
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    target->appendTransformed(color, identity, 1); // another vertex type: nothing
    EXPECT_TRUE(target->isEmpty());
    target->appendTransformed(uv, identity, 0.5f);
    ASSERT_EQ(target->vertices.size(), 2u);
    EXPECT_EQ(target->vertices[0].alpha, 0.4f);
    EXPECT_EQ(target->vertices[0].extra, 7u);
    EXPECT_EQ(target->vertices[1].u, 1.0f);

    // Row vector times matrix: the fourth row translates, the fourth column
    // gives w, and the position is divided by it.
    const float m[16] = {2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0.5f, 10, 20, 30, 1};
    target->vertices.clear();
    target->appendTransformed(uv, m, 1);
    const XYZ_UV& v = target->vertices[0]; // (1, 2, 3) -> (12, 22, 33) / (1 + 1.5)
    EXPECT_FLOAT_EQ(v.x, 12 / 2.5f);
    EXPECT_FLOAT_EQ(v.y, 22 / 2.5f);
    EXPECT_FLOAT_EQ(v.z, 33 / 2.5f);

    // Normals: T(p + n) - T(p), not renormalised.
    auto normals = std::make_shared<VertexListQuadPosColorNorm>();
    normals->vertices = {{1, 1, 1, 0, 0, -1, 1, 0, 0, 0.6f}};
    const float scale[16] = {3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 2, 0, 5, 5, 5, 1};
    normals->appendTransformed(normals, scale, 0.5f); // onto itself
    ASSERT_EQ(normals->vertices.size(), 2u);
    const XYZ_COL_NORM& n = normals->vertices[1];
    EXPECT_FLOAT_EQ(n.x, 8);
    EXPECT_FLOAT_EQ(n.z, 7);
    EXPECT_FLOAT_EQ(n.nz, -2);
    EXPECT_FLOAT_EQ(n.nx, 0);
    EXPECT_FLOAT_EQ(n.a, 0.3f);
    EXPECT_EQ(n.r, 1.0f);
}

TEST(VertexList, TheCentredQuadIsSharedAndOverwritten)
{
    auto a = VertexListQuadPosUvCommon::getCenteredQuad(100, 50);
    ASSERT_EQ(a->vertices.size(), 4u);
    EXPECT_EQ(a->vertices[0].x, -50.0f);
    EXPECT_EQ(a->vertices[0].y, -25.0f);
    EXPECT_EQ(a->vertices[2].x, 50.0f);
    EXPECT_EQ(a->vertices[2].v, 1.0f);
    EXPECT_EQ(a->vertices[3].u, 0.0f);
    EXPECT_EQ(a->vertices[1].alpha, 1.0f);
    auto b = VertexListQuadPosUvCommon::getCenteredQuad(3, 4);
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(a->vertices[1].x, 1.5f);
    EXPECT_EQ(std::dynamic_pointer_cast<VertexListQuadPosUvCommon>(a->createEmpty()), nullptr); // a plain PosUv list
}

TEST_F(VertexListTest, OnlyWholeQuadsAreDrawn)
{
    const Pixel white = {1, 1, 1, 1};
    struct Case {
        int vertices;
        int quadsDrawn;
    };
    for (const Case& c : {Case{0, 0}, Case{3, 0}, Case{5, 1}, Case{8, 2}}) {
        SCOPED_TRACE(c.vertices);
        auto frame = makeFrame(8, 4, Picture(32, Pixel{0, 0, 0, 0}));
        VertexListQuadPosColor list;
        addSquare(list, 0, 0, 4, 0.5f, white);
        addSquare(list, 4, 0, 4, 0.5f, white);
        list.vertices.resize(c.vertices);
        uint64_t before = draws();
        drawObject(*frame, list, ObjectDraw::Companions::None, pixelProjection(8, 4));
        EXPECT_EQ(draws() - before, c.quadsDrawn ? 1u : 0u);
        Picture got = readFrame(*frame);
        EXPECT_EQ(got[1][3], c.quadsDrawn >= 1 ? 1.0f : 0.0f);
        EXPECT_EQ(got[5][3], c.quadsDrawn >= 2 ? 1.0f : 0.0f);
    }
}

TEST_F(VertexListTest, SingleQuadsReuseTheSharedStrip)
{
    auto frame = makeFrame(4, 4, Picture(16, Pixel{0, 0, 0, 0}));
    VertexListQuadPosColor list;
    addSquare(list, 0, 0, 2, 0.5f, {1, 0, 0, 1});
    drawObject(*frame, list, ObjectDraw::Companions::None, pixelProjection(4, 4));
    auto strip = shaders->singleQuadBuffer.buffer;
    ASSERT_TRUE(strip);
    list.vertices.clear();
    addSquare(list, 2, 2, 2, 0.5f, {0, 0, 1, 1});
    drawObject(*frame, list, ObjectDraw::Companions::None, pixelProjection(4, 4));
    EXPECT_EQ(shaders->singleQuadBuffer.buffer, strip); // updated in place
    Picture got = readFrame(*frame);
    EXPECT_EQ(got[0], (Pixel{1, 0, 0, 1}));
    EXPECT_EQ(got[15], (Pixel{0, 0, 1, 1}));
    EXPECT_EQ(got[3], (Pixel{0, 0, 0, 0}));
}

TEST_F(VertexListTest, FoldedQuadsAreSplitAlongTheOtherDiagonal)
{
    // A dart: P2 lies inside the triangle P0-P1-P3, so the halves along the
    // P1-P3 diagonal face opposite ways. Split along P0-P2 it covers the dart
    // and leaves its notch empty.
    auto frame = makeFrame(16, 16, Picture(256, Pixel{0, 0, 0, 0}));
    VertexListQuadPosColor list;
    const float z = depthZ(100);
    list.vertices = {{0, 0, z, 1, 1, 1, 1}, {16, 0, z, 1, 1, 1, 1}, {4, 4, z, 1, 1, 1, 1}, {0, 16, z, 1, 1, 1, 1}};
    drawObject(*frame, list, ObjectDraw::Companions::DepthNormal, pixelProjection(16, 16));
    Picture got = readFrame(*frame);
    EXPECT_EQ(got[0 * 16 + 1], (Pixel{1, 1, 1, 1}));
    EXPECT_EQ(got[8 * 16 + 0], (Pixel{1, 1, 1, 1}));
    EXPECT_EQ(got[3 * 16 + 6], (Pixel{0, 0, 0, 0})); // the notch
    EXPECT_EQ(download(frame->getNormalBuffer())[1], (Pixel{0, 0, -1, 0}));
}

TEST_F(VertexListTest, HugeQuadsStillGetAUnitNormal)
{
    // Corners near 1e20: the squared length of the summed cross products
    // overflows single precision, which would make every component NaN.
    const float unit = 1e19f;
    auto frame = makeFrame(16, 16, Picture(256, Pixel{0, 0, 0, 0}));
    ObjectConstant constants = pixelProjection(16, 16);
    constants.projection[0][0] /= unit;
    constants.projection[1][1] /= unit;
    VertexListQuadPosColor list;
    addSquare(list, 0, 0, 16 * unit, depthZ(100), {1, 1, 1, 1});
    drawObject(*frame, list, ObjectDraw::Companions::DepthNormal, constants);
    EXPECT_EQ(download(frame->getNormalBuffer())[17], (Pixel{0, 0, -1, 0}));
    EXPECT_EQ(readFrame(*frame)[17], (Pixel{1, 1, 1, 1}));
}

TEST_F(VertexListTest, OverlappingPrimitivesOfTheDepthShadersGoToSeparateDraws)
{
    if (d3d->device->facts().fragmentInterlock)
        GTEST_SKIP() << "the device orders pixel access itself";
    const Pixel glass = {0.5f, 0.5f, 0.5f, 0.5f};
    struct Case {
        const char* name;
        std::vector<std::array<float, 2>> squares; // top-left corners of 4 x 4 squares, in order
        bool depth;
        uint64_t draws;
    };
    const std::vector<Case> cases = {
        {"overlapping, depth", {{0, 0}, {2, 2}, {1, 1}}, true, 3},
        {"apart, depth", {{0, 0}, {20, 0}, {0, 20}, {20, 20}}, true, 1},
        {"the third overlaps the first", {{0, 0}, {20, 20}, {2, 2}, {40, 0}}, true, 2},
        {"overlapping, no depth", {{0, 0}, {2, 2}, {1, 1}}, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto frame = makeFrame(64, 48, Picture(64 * 48, Pixel{0, 0, 0, 1}));
        VertexListQuadPosColor list;
        for (const auto& s : c.squares)
            addSquare(list, s[0], s[1], 4, depthZ(100), glass);
        uint64_t before = draws();
        drawObject(*frame, list,
                   c.depth ? ObjectDraw::Companions::Depth : ObjectDraw::Companions::None, pixelProjection(64, 48));
        EXPECT_EQ(draws() - before, c.draws);
    }

    // A folded quad with stored normals keeps its diagonal: its two halves
    // overlap on screen and are drawn one after the other.
    auto frame = makeFrame(16, 16, Picture(256, Pixel{0, 0, 0, 0}));
    VertexListQuadPosColorNorm folded;
    const float z = depthZ(100);
    for (auto [x, y] : {std::pair{0.0f, 0.0f}, {16.0f, 0.0f}, {4.0f, 4.0f}, {0.0f, 16.0f}})
        folded.vertices.push_back({x, y, z, 0, 0, -1, 1, 1, 1, 1});
    uint64_t before = draws();
    drawObject(*frame, folded, ObjectDraw::Companions::DepthNormal, pixelProjection(16, 16));
    EXPECT_EQ(draws() - before, 2u);
    // The notch is covered twice: opaque, then at the same depth at half strength.
    EXPECT_EQ(readFrame(*frame)[3 * 16 + 6], (Pixel{1, 1, 1, 1}));
}

TEST_F(VertexListTest, SingleQuadsAreWrittenAsAStripWithOneNormal)
{
    // The shared strip holds P0, P1, P3, P2; without stored normals each quad
    // gets one from its corners (a flat quad faces -z, a degenerate one gets
    // zero).
    struct Case {
        const char* name;
        float corners[4][2];
        float normal[3];
    };
    const Case cases[] = {
        {"flat", {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}, {0, 0, -1}},
        {"degenerate", {{2, 2}, {2, 2}, {2, 2}, {2, 2}}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto frame = makeFrame(4, 4, Picture(16, Pixel{0, 0, 0, 0}));
        VertexListQuadPosColor list;
        for (int k = 0; k < 4; ++k)
            list.vertices.push_back({c.corners[k][0], c.corners[k][1], 0.5f, 0.1f * k, 0, 0, 1});
        drawObject(*frame, list, ObjectDraw::Companions::None, pixelProjection(4, 4), nullptr, nullptr, 6, true);
        const auto& strip = shaders->singleQuadNormalBuffer.vertices;
        const int order[4] = {0, 1, 3, 2};
        for (int k = 0; k < 4; ++k) {
            float v[10];
            std::memcpy(v, strip.data() + 40 * k, 40);
            const XYZ_COL& from = list.vertices[size_t(order[k])];
            EXPECT_EQ(v[0], from.x) << k;
            EXPECT_EQ(v[1], from.y) << k;
            EXPECT_EQ(v[6], from.r) << k; // the colour follows the normal
            for (int i = 0; i < 3; ++i)
                EXPECT_EQ(v[3 + i], c.normal[i]) << k;
        }
    }
}

TEST(VertexShader, InputLayoutFollowsTheSignature)
{
    // One element per input, packed in signature order; a four-component
    // position or normal is fed three floats.
    TestKit::useSoftwareGpu();
    System::ServiceReference<Media::Direct3DService> d3d;
    Media::ShaderBlob blob;
    Media::ShaderCompile::compileFromMemory(blob, "layout.hlsl", R"(
        float4 main(float4 p : POSITION, float4 n : NORMAL, float2 uv : TEXUV, float c : COLOR,
                    int3 i : INDEX, uint4 u : FLAGS) : SV_Position
        {
            return p + n + float4(uv, c, 0) + float4(i, 0) + float4(u);
        })",
                                            "main", "vs_5_0");
    Media::VertexShader shader;
    shader.loadFromMemory(blob.data(), blob.size());
    using Platform::Gpu::AttributeFormat;
    using Platform::Gpu::ComponentType;
    struct Want {
        AttributeFormat format;
        ComponentType type;
        uint32_t offset;
    };
    const Want want[] = {
        {AttributeFormat::RGB32, ComponentType::Float32, 0},  {AttributeFormat::RGB32, ComponentType::Float32, 12},
        {AttributeFormat::RG32, ComponentType::Float32, 24},  {AttributeFormat::R32, ComponentType::Float32, 32},
        {AttributeFormat::RGB32, ComponentType::SInt32, 36},  {AttributeFormat::RGBA32, ComponentType::UInt32, 48},
    };
    const auto& attributes = shader.inputLayout.attributes;
    ASSERT_EQ(attributes.size(), std::size(want));
    for (size_t k = 0; k < attributes.size(); ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(attributes[k].format, want[k].format);
        EXPECT_EQ(attributes[k].type, want[k].type);
        EXPECT_EQ(attributes[k].offset, want[k].offset);
    }
}
