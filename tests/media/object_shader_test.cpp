// The object shaders on small frames against the processor model of their
// rules: plain textured and coloured drawing with every blend mode, depth and
// the one-layer transparency buffer, normals, the light pass, texture
// footprints, and the single-pixel compute shaders.
#include "tests/media/object_fixture.h"

#include "media/shader_list.h"
#include "media/state_list.h"

#include <cmath>

using namespace Media;
using TestKit::FrameModel;
using TestKit::Picture;
using TestKit::Pixel;

namespace {

class ObjectShaderTest : public TestKit::ObjectFixture {};

constexpr int W = 16, H = 16;

struct Rect {
    int x0, y0, x1, y1;
    bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// A quad over the rectangle in pixel coordinates (corners top-left,
// top-right, bottom-right, bottom-left), texture coordinates 0..1.
void addQuad(VertexListQuadPosUv& list, const Rect& r, float z, float alpha)
{
    const float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
    list.vertices.push_back({x0, y0, z, 0, 0, alpha, 0});
    list.vertices.push_back({x1, y0, z, 1, 0, alpha, 0});
    list.vertices.push_back({x1, y1, z, 1, 1, alpha, 0});
    list.vertices.push_back({x0, y1, z, 0, 1, alpha, 0});
}

// A quad of one straight colour.
template <class List>
void addColorQuad(List& list, const Rect& r, float z, const Pixel& c)
{
    const float x0 = float(r.x0), y0 = float(r.y0), x1 = float(r.x1), y1 = float(r.y1);
    const float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
    for (int k = 0; k < 4; ++k) {
        typename decltype(list.vertices)::value_type v{};
        v.x = xs[k], v.y = ys[k], v.z = z;
        v.r = c[0], v.g = c[1], v.b = c[2], v.a = c[3];
        list.vertices.push_back(v);
    }
}

Pixel premultiplied(const Pixel& c, float alpha)
{
    return {c[0] * c[3] * alpha, c[1] * c[3] * alpha, c[2] * c[3] * alpha, c[3] * alpha};
}

} // namespace

TEST_F(ObjectShaderTest, PlainPathsDrawEveryBlendModeOverTheFrame)
{
    const Picture background = fixture(W, H, 5);
    const Picture texels = fixture(12, 10, 21);
    auto picture = upload(texels, 12, 10);
    const Rect r{2, 3, 14, 13};
    const Pixel color = {0.9f, 0.3f, 0.6f, 0.7f};
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 21, 22, 23})
        for (bool textured : {true, false}) {
            SCOPED_TRACE(testing::Message() << "blend " << mode << (textured ? " textured" : " coloured"));
            auto frame = makeFrame(W, H, background);
            auto frameCopy = frame->createResourceBuffer(true);
            ObjectConstant constants = pixelProjection(W, H);
            constants.alpha = 0.75f;
            constants.blend = mode;
            FrameModel model(W, H, background);
            if (textured) {
                VertexListQuadPosUv list;
                addQuad(list, r, 0.5f, 0.8f);
                drawObject(*frame, list, ObjectDraw::Companions::None, constants, picture.get(), frameCopy.get());
                for (int y = r.y0; y < r.y1; ++y)
                    for (int x = r.x0; x < r.x1; ++x)
                        model.fragment(size_t(y) * W + x, texels[size_t(y - r.y0) * 12 + (x - r.x0)], 0.75f * 0.8f,
                                       mode, background, false, 0);
            } else {
                VertexListQuadPosColor list;
                addColorQuad(list, r, 0.5f, color);
                drawObject(*frame, list, ObjectDraw::Companions::None, constants, nullptr, frameCopy.get());
                for (int y = r.y0; y < r.y1; ++y)
                    for (int x = r.x0; x < r.x1; ++x)
                        model.fragment(size_t(y) * W + x, premultiplied(color, 0.75f), 1.0f, mode, background, false, 0);
            }
            EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), model.frame, W, 4e-3f));
        }
}

TEST_F(ObjectShaderTest, DepthAndTransparencyFollowTheirRulesInDrawOrder)
{
    struct Quad {
        Rect r;
        float depth;
        Pixel color; // straight
    };
    struct Scenario {
        const char* name;
        std::vector<Quad> quads; // one list, drawn in this order
    };
    const Pixel red = {1, 0.2f, 0.1f, 1}, blue = {0.1f, 0.3f, 1, 1};
    const Pixel glassA = {0.2f, 0.9f, 0.4f, 0.5f}, glassB = {0.8f, 0.7f, 0.1f, 0.4f};
    const Rect left{1, 2, 11, 12}, right{5, 4, 15, 14};
    const std::vector<Scenario> scenarios = {
        {"opaque on the empty frame, then at the same depth", {{left, 100, red}, {right, 100, blue}}},
        {"opaque behind opaque is hidden", {{left, 100, red}, {right, 200, blue}}},
        {"within half a unit: a soft edge", {{left, 100, red}, {right, 100.3f, blue}}},
        {"translucent near, then far", {{left, 100, glassA}, {right, 150, glassB}}},
        {"translucent far, then near", {{right, 150, glassB}, {left, 100, glassA}}},
        {"translucent at equal depths", {{left, 120, glassA}, {right, 120, glassB}}},
        {"opaque in front clears the layer", {{left, 150, glassA}, {right, 100, blue}}},
        {"opaque behind keeps the layer", {{left, 100, glassA}, {right, 150, blue}}},
        {"translucent behind opaque is hidden", {{left, 100, red}, {right, 150, glassB}, {right, 90, glassA}}},
    };
    const Picture background(W * H, Pixel{0.05f, 0.1f, 0.15f, 1});
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.name);
        std::string first;
        for (int run = 0; run < 2; ++run) {
            auto frame = makeFrame(W, H, background);
            VertexListQuadPosColor list;
            FrameModel model(W, H, background);
            for (const Quad& q : s.quads) {
                addColorQuad(list, q.r, depthZ(q.depth), q.color);
                const float z = 51.2f / depthZ(q.depth);
                for (int y = q.r.y0; y < q.r.y1; ++y)
                    for (int x = q.r.x0; x < q.r.x1; ++x)
                        model.fragment(size_t(y) * W + x, premultiplied(q.color, 1), 1, 0, background, true, z);
            }
            drawObject(*frame, list, ObjectDraw::Companions::Depth, pixelProjection(W, H));
            EXPECT_TRUE(TestKit::nearFloats(readFloats(frame->getDepthBuffer()), model.depth));
            EXPECT_TRUE(TestKit::nearFloats(readFloats(frame->getTransparentDepthBuffer()), model.layerDepth));
            EXPECT_TRUE(TestKit::nearPicture(download(frame->getTransparentBuffer()), model.layer, W, 4e-3f));
            ObjectDraw::resolveTransparency(*frame);
            model.resolve();
            EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), model.frame, W, 4e-3f));
            // The same scene twice gives the same bytes.
            std::string bytes = snapshot(*frame);
            if (run == 0)
                first = bytes;
            else
                EXPECT_TRUE(bytes == first);
        }
    }
}

TEST_F(ObjectShaderTest, TexturedDepthBlendsWithTheLayerItSees)
{
    // A textured object with every alpha (opaque, translucent, empty texels)
    // behind a translucent layer, drawn with a blend mode that reads the frame.
    const Picture background = fixture(W, H, 8);
    const Picture texels = fixture(10, 10, 33);
    auto picture = upload(texels, 10, 10);
    auto frame = makeFrame(W, H, background);
    auto frameCopy = frame->createResourceBuffer(true);
    FrameModel model(W, H, background);
    const Rect glass{0, 0, 9, 9}, object{4, 4, 14, 14};
    const Pixel glassColor = {0.3f, 0.6f, 0.9f, 0.5f};

    VertexListQuadPosColor layer;
    addColorQuad(layer, glass, depthZ(100), glassColor);
    drawObject(*frame, layer, ObjectDraw::Companions::Depth, pixelProjection(W, H));
    for (int y = glass.y0; y < glass.y1; ++y)
        for (int x = glass.x0; x < glass.x1; ++x)
            model.fragment(size_t(y) * W + x, premultiplied(glassColor, 1), 1, 0, background, true, 51.2f / depthZ(100));

    for (int mode : {0, 3}) {
        SCOPED_TRACE(mode);
        ObjectConstant constants = pixelProjection(W, H);
        constants.alpha = 0.9f;
        constants.blend = mode;
        VertexListQuadPosUv list;
        const float depth = mode == 0 ? 200.0f : 60.0f; // behind the layer, then in front of everything
        addQuad(list, object, depthZ(depth), 1.0f);
        drawObject(*frame, list, ObjectDraw::Companions::Depth, constants, picture.get(), frameCopy.get());
        for (int y = object.y0; y < object.y1; ++y)
            for (int x = object.x0; x < object.x1; ++x)
                model.fragment(size_t(y) * W + x, texels[size_t(y - object.y0) * 10 + (x - object.x0)], 0.9f, mode,
                               background, true, 51.2f / depthZ(depth));
    }
    EXPECT_TRUE(TestKit::nearFloats(readFloats(frame->getDepthBuffer()), model.depth));
    EXPECT_TRUE(TestKit::nearPicture(download(frame->getTransparentBuffer()), model.layer, W, 4e-3f));
    EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), model.frame, W, 4e-3f));
}

TEST_F(ObjectShaderTest, NormalsFollowTheFaceAndTheVisibleLayer)
{
    // Stored normals, turned by normalWorld; the back face stores the negated
    // normal; a translucent fragment stores its normal where its share dominates.
    const Picture background(W * H, Pixel{0, 0, 0, 1});
    auto frame = makeFrame(W, H, background);
    FrameModel model(W, H, background);
    ObjectConstant constants = pixelProjection(W, H);
    // A quarter turn about z: (x, y, z) -> (-y, x, z).
    std::memset(constants.normalWorld, 0, sizeof(constants.normalWorld));
    constants.normalWorld[0][1] = -1;
    constants.normalWorld[1][0] = 1;
    constants.normalWorld[2][2] = 1;
    constants.shine = 0.25f;

    struct Quad {
        Rect r;
        float depth;
        Pixel color;
        float normal[3];
        bool mirrored; // corners in the other turning sense: a back face
    };
    const std::vector<Quad> quads = {
        {{0, 0, 8, 8}, 100, {1, 0, 0, 1}, {0, 0, -2}, false},
        {{8, 0, 16, 8}, 100, {0, 1, 0, 1}, {0.6f, 0, -0.8f}, true},
        {{2, 6, 12, 14}, 80, {0, 0, 1, 0.7f}, {1, 0, 0}, false},   // translucent, in front
        {{6, 8, 16, 16}, 90, {1, 1, 0, 0.2f}, {0, 1, 0}, false},   // translucent, behind the one above
        {{10, 10, 14, 16}, 70, {1, 1, 1, 1}, {0, 0, -1}, false},   // opaque, clears the layer
    };
    VertexListQuadPosColorNorm list;
    for (const Quad& q : quads) {
        const float x0 = float(q.r.x0), y0 = float(q.r.y0), x1 = float(q.r.x1), y1 = float(q.r.y1);
        float xs[4] = {x0, x1, x1, x0}, ys[4] = {y0, y0, y1, y1};
        if (q.mirrored) {
            std::swap(xs[0], xs[1]);
            std::swap(xs[2], xs[3]);
        }
        for (int k = 0; k < 4; ++k)
            list.vertices.push_back({xs[k], ys[k], depthZ(q.depth), q.normal[0], q.normal[1], q.normal[2], q.color[0],
                                     q.color[1], q.color[2], q.color[3]});
        float l = std::sqrt(q.normal[0] * q.normal[0] + q.normal[1] * q.normal[1] + q.normal[2] * q.normal[2]);
        float sign = q.mirrored ? -1.0f : 1.0f;
        Pixel n = {sign * -q.normal[1] / l, sign * q.normal[0] / l, sign * q.normal[2] / l, 0.25f};
        for (int y = q.r.y0; y < q.r.y1; ++y)
            for (int x = q.r.x0; x < q.r.x1; ++x)
                model.fragment(size_t(y) * W + x, premultiplied(q.color, 1), 1, 0, background, true,
                               51.2f / depthZ(q.depth), &n);
    }
    drawObject(*frame, list, ObjectDraw::Companions::DepthNormal, constants);
    EXPECT_TRUE(TestKit::nearPicture(download(frame->getNormalBuffer()), model.normal, W, 2e-3f));
    EXPECT_TRUE(TestKit::nearPicture(download(frame->getNormalTransparentBuffer()), model.layerNormal, W, 2e-3f));
    EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), model.frame, W, 4e-3f));

    // Normals computed for a list without them: a flat quad faces -z.
    auto flat = makeFrame(4, 4, Picture(16, Pixel{0, 0, 0, 1}));
    VertexListQuadPosUv plain;
    plain.vertices = {{0, 0, depthZ(100), 0, 0, 1, 0}, {4, 0, depthZ(100), 1, 0, 1, 0},
                      {4, 4, depthZ(100), 1, 1, 1, 0}, {0, 4, depthZ(100), 0, 1, 1, 0}};
    auto white = upload(Picture(16, Pixel{1, 1, 1, 1}), 4, 4);
    drawObject(*flat, plain, ObjectDraw::Companions::DepthNormal, pixelProjection(4, 4), white.get());
    EXPECT_EQ(download(flat->getNormalBuffer())[5], (Pixel{0, 0, -1, 0}));
}

TEST_F(ObjectShaderTest, LightPassShadesFromTheNormalBuffer)
{
    const int w = 8, h = 6;
    auto frame = makeFrame(w, h, Picture(w * h, Pixel{0.5f, 0.5f, 0.5f, 1}));
    // Normals of every kind: none (w -1), zero, tilted, with shine 0 and 1.
    Picture normals(w * h);
    for (int i = 0; i < w * h; ++i) {
        float a = i * 0.37f;
        normals[i] = {std::sin(a) * 0.6f, std::cos(a * 1.3f) * 0.5f, -1.0f, TestKit::toHalf((i % 5) * 0.25f)};
        if (i % 7 == 3)
            normals[i][3] = -1;
        if (i == 10)
            normals[i] = {0, 0, 0, 0.5f};
    }
    auto staged = upload(normals, w, h);
    frame->getNormalBuffer().copyRegion(*staged, 0, 0, w, h);
    normals = download(frame->getNormalBuffer());
    auto light = [](int32_t type, std::array<float, 3> dir, std::array<float, 4> color) {
        std::array<uint8_t, 32> r{};
        LightSource s;
        s.type = type;
        float l = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        for (int i = 0; i < 3; ++i)
            s.direction[i] = dir[i] / l;
        std::memcpy(s.color, color.data(), 16);
        std::memcpy(r.data(), &s, 32);
        return r;
    };
    frame->getLights() = {light(1, {0.3f, -0.5f, -1}, {1, 0.9f, 0.8f, 1}), light(0, {0, 0, -1}, {9, 9, 9, 9}),
                     light(1, {-0.7f, 0.2f, -0.4f}, {0.2f, 0.3f, 0.6f, 0.5f})};
    const float ambient[3] = {0.1f, 0.05f, 0.02f};
    // View directions varying linearly over the frame.
    const float v0[3] = {0.2f, -0.1f, -1}, du[3] = {-0.4f, 0, 0.1f}, dv[3] = {0, 0.3f, 0};
    float view[4][3];
    for (int c = 0; c < 3; ++c) {
        view[0][c] = v0[c];
        view[1][c] = v0[c] + du[c];
        view[2][c] = v0[c] + du[c] + dv[c];
        view[3][c] = v0[c] + dv[c];
    }
    ObjectDraw::drawLight(*frame, ambient, view, nullptr);

    auto unit = [](std::array<double, 3> v) {
        double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        return l > 0 ? std::array<double, 3>{v[0] / l, v[1] / l, v[2] / l} : std::array<double, 3>{0, 0, 0};
    };
    auto dot = [](const std::array<double, 3>& a, const std::array<double, 3>& b) {
        return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
    };
    auto sat = [](double v) { return std::clamp(v, 0.0, 1.0); };
    Picture want(w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * w + x;
            const Pixel& n = normals[i];
            if (n[3] < 0) {
                want[i] = {0.5f, 0.5f, 0.5f, 1}; // no surface: the frame stays
                continue;
            }
            double u = (x + 0.5) / w, v = (y + 0.5) / h;
            auto N = unit({n[0], n[1], n[2]});
            auto V = unit({v0[0] + u * du[0] + v * dv[0], v0[1] + u * du[1] + v * dv[1], v0[2] + u * du[2] + v * dv[2]});
            double r = 1 - n[3], a = r * r, a2 = a * a, k = 1 - a2;
            double NdotV = sat(dot(N, V)), gv = std::sqrt(NdotV * NdotV * k + a2);
            double acc[4] = {ambient[0], ambient[1], ambient[2], 0};
            for (const auto& record : frame->getLights()) {
                LightSource s;
                std::memcpy(&s, record.data(), 32);
                if (s.type != 1)
                    continue;
                std::array<double, 3> L = {s.direction[0], s.direction[1], s.direction[2]};
                auto Hv = unit({V[0] + L[0], V[1] + L[1], V[2] + L[2]});
                double F = 0.04 + 0.96 * std::pow(1 - sat(dot(Hv, L)), 5);
                double NdotL = sat(dot(N, L)), NdotH = sat(dot(N, Hv));
                double q = NdotH * NdotH * (a2 - 1) + 1;
                double D = a2 / std::max(q * q, 1e-12);
                double gl = std::sqrt(NdotL * NdotL * k + a2);
                double Vis = 0.5 / (NdotV * gl + NdotL * gv + 0.00001);
                for (int c = 0; c < 4; ++c)
                    acc[c] += (D * Vis * F + (1 - F)) * s.color[c] * NdotL;
            }
            want[i] = {TestKit::toHalf(float(acc[0])), TestKit::toHalf(float(acc[1])), TestKit::toHalf(float(acc[2])),
                       TestKit::toHalf(float(acc[3]))};
        }
    EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), want, w, 1e-2f));
}

TEST_F(ObjectShaderTest, TexturesAverageTheirFootprintWhenMinified)
{
    // Minified by 40, 2.5 and not at all: 16 x 16, 2 x 2 and 1 linear samples.
    struct Case {
        int textureSize;
        int n;
    };
    for (const Case& c : {Case{320, 16}, Case{20, 2}, Case{8, 1}}) {
        SCOPED_TRACE(c.textureSize);
        const int ts = c.textureSize, q = 8;
        Picture texels = fixture(ts, ts, 77);
        auto picture = upload(texels, ts, ts);
        auto frame = makeFrame(q, q, Picture(q * q, Pixel{0, 0, 0, 0}));
        VertexListQuadPosUv list;
        addQuad(list, Rect{0, 0, q, q}, 0.5f, 1.0f);
        drawObject(*frame, list, ObjectDraw::Companions::None, pixelProjection(q, q), picture.get(), nullptr, 1);
        Picture want(q * q);
        const float f = float(ts) / q;
        for (int y = 0; y < q; ++y)
            for (int x = 0; x < q; ++x) {
                const float u = (x + 0.5f) / q, v = (y + 0.5f) / q;
                Pixel sum{};
                for (int j = 0; j < c.n; ++j)
                    for (int i = 0; i < c.n; ++i) {
                        float su = c.n == 1 ? u : u - f / ts * 0.5f + (i + 0.5f) * f / ts / c.n;
                        float sv = c.n == 1 ? v : v - f / ts * 0.5f + (j + 0.5f) * f / ts / c.n;
                        Pixel s = Reference::sample(texels, ts, ts, su, sv, true, 3, 3);
                        for (int k = 0; k < 4; ++k)
                            sum[k] += s[k] / float(c.n * c.n);
                    }
                want[size_t(y) * q + x] = FrameModel::half(sum);
            }
        EXPECT_TRUE(TestKit::nearPicture(readFrame(*frame), want, q, 1e-2f));
    }
}

TEST_F(ObjectShaderTest, PixelComputeShadersFollowThePixelRule)
{
    const int w = 4, h = 3;
    const Picture start = fixture(w, h, 41), other = fixture(w, h, 42);
    auto dst = upload(start, w, h);
    auto src = upload(other, w, h);
    Picture model = start;
    auto blendPixel = [](const Pixel& d, const Pixel& c, int blend) {
        Pixel under = {d[0] * (1 - c[3]), d[1] * (1 - c[3]), d[2] * (1 - c[3]), d[3] * (1 - c[3])};
        Pixel add;
        switch (blend) {
        case 0: add = c; break;
        case 1: add = {d[0] * c[3] + c[0], d[1] * c[3] + c[1], d[2] * c[3] + c[2], c[3]}; break;
        case 2: add = {d[0] * c[3] - c[0], d[1] * c[3] - c[1], d[2] * c[3] - c[2], c[3]}; break;
        case 3: add = {d[0] * c[0], d[1] * c[1], d[2] * c[2], c[3]}; break;
        default: return FrameModel::half(c);
        }
        return FrameModel::half({under[0] + add[0], under[1] + add[1], under[2] + add[2], under[3] + add[3]});
    };
    struct Op {
        int kind; // 0 put, 1 copy within dst, 2 copy from src
        int dx, dy, sx, sy, blend;
    };
    const Pixel color = {0.3f, 0.2f, 0.1f, 0.5f};
    const std::vector<Op> ops = {
        {0, 1, 1, 0, 0, -1}, {0, 2, 1, 0, 0, 0}, {0, 3, 1, 0, 0, 1}, {0, 0, 2, 0, 0, 2}, {0, 1, 2, 0, 0, 3},
        {0, 2, 2, 0, 0, 7},  {0, 9, 1, 0, 0, 0}, // outside: nothing
        {1, 0, 0, 3, 2, 0},  {1, 1, 0, 2, 2, -1}, {1, 2, 0, -1, 0, -1}, // a source outside reads zero
        {2, 3, 0, 1, 1, 1},  {2, 3, 2, 0, 0, 3},  {2, -1, 0, 0, 0, 0},
    };
    ConstantBufferCommon constants;
    ConstantBufferCommon::create(constants, nullptr, 32);
    for (const Op& op : ops) {
        uint8_t bytes[32] = {};
        int32_t ints[3];
        if (op.kind == 0) {
            std::memcpy(bytes, color.data(), 16);
            ints[0] = op.dx, ints[1] = op.dy, ints[2] = op.blend;
            std::memcpy(bytes + 16, ints, 12);
        } else {
            int32_t fields[5] = {op.dx, op.dy, op.sx, op.sy, op.blend};
            std::memcpy(bytes, fields, 20);
        }
        constants.update(bytes);
        Platform::Gpu::Buffer* buffer = constants.buffer.get();
        d3d->context->setConstantBuffers(Platform::Gpu::Stage::Compute, 0, 1, &buffer);
        d3d->setComputeUnorderedAccessView(0, *dst);
        d3d->setComputeUnorderedAccessView(1, *src);
        ComputeShader& shader = op.kind == 0   ? shaders->putPixelShader
                                : op.kind == 1 ? shaders->copyPixelShader
                                               : shaders->copyPixelFromShader;
        shader.dispatch(1, 1, 1);
        if (op.dx < 0 || op.dy < 0 || op.dx >= w || op.dy >= h)
            continue;
        const bool inside = op.sx >= 0 && op.sy >= 0 && op.sx < w && op.sy < h;
        const Pixel c = op.kind == 0 ? color
                        : !inside    ? Pixel{0, 0, 0, 0}
                        : op.kind == 1 ? model[size_t(op.sy) * w + op.sx]
                                       : other[size_t(op.sy) * w + op.sx];
        Pixel& d = model[size_t(op.dy) * w + op.dx];
        d = blendPixel(d, c, op.blend);
    }
    Platform::Gpu::View* none[2] = {nullptr, nullptr};
    d3d->context->setComputeUnorderedAccessViews(0, 2, none);
    EXPECT_TRUE(TestKit::nearPicture(download(*dst), model, w, 2e-3f));
}
