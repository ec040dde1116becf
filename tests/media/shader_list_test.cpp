// Every quad shader of the list against a processor reference of its formula
// on 16 x 16 fixtures.
#include "tests/media/reference.h"

#include "media/render_buffer.h"

#include <functional>

using namespace Media;
using Reference::at;
using TestKit::Picture;
using TestKit::Pixel;

using ShaderListTest = TestKit::GpuFixture;

namespace {
constexpr int W = 16, H = 16;

template <class T>
void put(uint8_t* bytes, size_t offset, T value)
{
    std::memcpy(bytes + offset, &value, sizeof(T));
}

// The mean of nx x ny linear samples (clamped) over the footprint of a
// target pixel that covers rx x ry source pixels.
std::function<Pixel(const Picture&, const Picture&, int, int)> resampled(float rx, float ry, int nx, int ny)
{
    return [=](const Picture& s, const Picture&, int x, int y) {
        Pixel sum{};
        for (int j = 0; j < ny; ++j)
            for (int i = 0; i < nx; ++i) {
                float u = ((x + 0.5f) * rx - rx / 2 + (i + 0.5f) * rx / nx) / W;
                float v = ((y + 0.5f) * ry - ry / 2 + (j + 0.5f) * ry / ny) / H;
                Pixel p = Reference::sample(s, W, H, u, v, true, 3, 3);
                for (int c = 0; c < 4; ++c)
                    sum[c] += p[c] / float(nx * ny);
            }
        return sum;
    };
}

struct Case {
    const char* name;
    uint32_t shader;
    std::function<void(uint8_t* constants)> parameters; // the shared 16 bytes
    std::function<Pixel(const Picture& s, const Picture& f, int x, int y)> reference;
    int targetW = W, targetH = H;
    int sampler = -1;
};
} // namespace

TEST_F(ShaderListTest, QuadShadersMatchTheirFormulas)
{
    Picture src = fixture(W, H, 3), frame = fixture(W, H, 9);
    // Values outside 0..1 for the shaders that clamp.
    Picture wild = src;
    for (size_t i = 0; i < wild.size(); i += 3)
        wild[i] = {-0.5f, 2.0f, wild[i][2], i % 2 ? 1.5f : -0.25f};
    auto source = upload(src, W, H), frameBuffer = upload(frame, W, H), wildSource = upload(wild, W, H);

    const Pixel color = {0.25f, 0.5f, 0.75f, 0.5f};
    auto constColor = [&](uint8_t* c) { std::memcpy(c, color.data(), 16); };
    std::vector<Case> cases = {
        {"copy", 2, nullptr, [](const Picture& s, const Picture&, int x, int y) { return at(s, W, H, x, y); }},
        {"fillColor", 3, constColor, [&](const Picture&, const Picture&, int, int) { return color; }},
        {"fillWhite", 4, nullptr, [](const Picture&, const Picture&, int, int) { return Pixel{1, 1, 1, 1}; }},
        {"copyOffset", 5, [](uint8_t* c) { put(c, 0, 3), put(c, 4, -2); },
         [](const Picture& s, const Picture&, int x, int y) { return at(s, W, H, x + 3, y - 2); }},
        {"copyOffsetClamp", 6, [](uint8_t* c) { put(c, 0, 3), put(c, 4, -2); },
         [](const Picture& s, const Picture&, int x, int y) {
             return at(s, W, H, std::clamp(x + 3, 0, W - 1), std::clamp(y - 2, 0, H - 1));
         }},
        {"fillColorByAlpha", 8, constColor,
         [&](const Picture& s, const Picture&, int x, int y) {
             float a = at(s, W, H, x, y)[3];
             return Pixel{color[0] * a, color[1] * a, color[2] * a, color[3] * a};
         }},
        {"multiplyAlpha", 9, [](uint8_t* c) { put(c, 0, 0.375f); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             return Pixel{p[0] * 0.375f, p[1] * 0.375f, p[2] * 0.375f, p[3] * 0.375f};
         }},
        {"copyOffsetAlpha", 10, [](uint8_t* c) { put(c, 0, 0.5f), put(c, 4, -1), put(c, 8, 2); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x - 1, y + 2);
             return Pixel{p[0] * 0.5f, p[1] * 0.5f, p[2] * 0.5f, p[3] * 0.5f};
         }},
        {"sample", 11, nullptr, [](const Picture& s, const Picture&, int x, int y) { return at(s, W, H, x, y); }, W, H,
         6},
        {"premultiply", 12, nullptr,
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             return Pixel{p[0] * p[3], p[1] * p[3], p[2] * p[3], p[3]};
         }},
        {"unpremultiply", 13, nullptr,
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             if (p[3] == 0) // no colour to recover: 0, not 0 / 0
                 return Pixel{0, 0, 0, 0};
             return Pixel{p[0] / p[3], p[1] / p[3], p[2] / p[3], p[3]};
         }},
        {"copyOpaque", 14, nullptr,
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             return Pixel{p[0], p[1], p[2], 1};
         }},
        {"shrinkHorizontal", 17, [](uint8_t* c) { put(c, 0, 3), put(c, 4, -1); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel sum{};
             for (int i = x * 3 - 1; i < x * 3 + 2; ++i)
                 for (int c = 0; c < 4; ++c)
                     sum[c] += at(s, W, H, std::clamp(i, 0, W - 1), y)[c] / 3;
             return sum;
         },
         6, H},
        {"shrinkVertical", 18, [](uint8_t* c) { put(c, 0, 4), put(c, 4, 2); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel sum{};
             for (int i = y * 4 + 2; i < y * 4 + 6; ++i)
                 for (int c = 0; c < 4; ++c)
                     sum[c] += at(s, W, H, x, std::clamp(i, 0, H - 1))[c] / 4;
             return sum;
         },
         W, 4},
        {"resample one to one", 19, [](uint8_t* c) { put(c, 0, 1.0f), put(c, 4, 1.0f); },
         [](const Picture& s, const Picture&, int x, int y) { return at(s, W, H, x, y); }, W, H, 1},
        // 3 x 3 linear samples over the pixel's 4 x 4 footprint.
        {"resample four to one", 19, [](uint8_t* c) { put(c, 0, 4.0f), put(c, 4, 4.0f); }, resampled(4, 4, 3, 3), 4,
         4, 1},
        // Once one axis reaches 1.05 both are supersampled: 16 x 2 samples.
        {"resample forty to one", 19, [](uint8_t* c) { put(c, 0, 40.0f), put(c, 4, 1.0f); }, resampled(40, 1, 16, 2), 1,
         H, 1},
        {"brightPass", 20, [](uint8_t* c) { put(c, 0, 0.2f), put(c, 4, 1.5f), put(c, 8, 0.3f); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             float w = std::max(Reference::lum(p) - 0.2f, 0.0f) * 1.5f;
             return Pixel{std::min(p[0] * w, 0.3f), std::min(p[1] * w, 0.3f), std::min(p[2] * w, 0.3f), std::min(w, 1.0f)};
         }},
        // The exponential scale is stored less e, so that transparent black is 0 on it.
        {"expand", 21, [](uint8_t* c) { put(c, 0, 2.0f); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             const float e = std::exp(1.0f);
             return Pixel{std::exp(p[0] * 2 + 1) - e, std::exp(p[1] * 2 + 1) - e, std::exp(p[2] * 2 + 1) - e, p[3]};
         }},
        {"compress", 22, [](uint8_t* c) { put(c, 0, 0.5f); },
         [](const Picture& s, const Picture&, int x, int y) {
             Pixel p = at(s, W, H, x, y);
             const float e = std::exp(1.0f);
             // Held to alpha: the colour was blurred on another scale than alpha.
             return Pixel{std::min((std::log(p[0] + e) - 1) * 0.5f, p[3]), std::min((std::log(p[1] + e) - 1) * 0.5f, p[3]),
                          std::min((std::log(p[2] + e) - 1) * 0.5f, p[3]), p[3]};
         }},
        {"luminanceMask", 23, [](uint8_t* c) { put(c, 0, 0.2f), put(c, 4, 0.7f), put(c, 8, 1.0f), put(c, 12, 1.0f); },
         [](const Picture& s, const Picture&, int x, int y) {
             float t = Reference::sat(((1 - Reference::lum(at(s, W, H, x, y))) - 0.2f) / 0.5f);
             return Pixel{0, 0, 0, t * t * (3 - 2 * t)};
         },
         W, H, 6},
        {"blendModeOffset multiply", 25, [](uint8_t* c) { put(c, 0, 3), put(c, 4, 0.75f), put(c, 8, 1), put(c, 12, 1); },
         [](const Picture& s, const Picture& f, int x, int y) {
             Pixel sp = at(s, W, H, x + 1, y + 1);
             return sp[3] < 0.001f ? Pixel{0, 0, 0, 0} : Reference::blendMode(3, sp, at(f, W, H, x, y), 0.75f);
         }},
    };
    for (int mode : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 20, 21, 22, 23, 99}) {
        cases.push_back({"blendMode", 24, [mode](uint8_t* c) { put(c, 0, mode), put(c, 4, 0.8f); },
                         [mode](const Picture& s, const Picture& f, int x, int y) {
                             Pixel sp = at(s, W, H, x, y);
                             return sp[3] < 0.001f ? Pixel{0, 0, 0, 0}
                                                   : Reference::blendMode(mode, sp, at(f, W, H, x, y), 0.8f);
                         }});
    }

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " (" << c.shader << ")");
        std::memset(shaders->constants, 0, sizeof(shaders->constants));
        if (c.parameters)
            c.parameters(shaders->constants);
        shaders->updateConstants();
        if (c.sampler >= 0) {
            Platform::Gpu::SamplerState* s = samplers->get(static_cast<uint32_t>(c.sampler));
            d3d->context->setSamplers(Platform::Gpu::Stage::Pixel, 0, 1, &s);
        }
        auto out = target(c.targetW, c.targetH);
        PixelShader& shader = shaders->quadShader(c.shader);
        if (c.shader == 24 || c.shader == 25) {
            Platform::Gpu::Buffer* constants = shaders->constantBuffer.buffer.get();
            d3d->context->setConstantBuffers(Platform::Gpu::Stage::Pixel, 0, 1, &constants);
            shader.drawTwoSources(*out, *source, *frameBuffer);
        } else {
            shader.draw(*out, *source, &shaders->constantBuffer);
        }
        Picture want(size_t(c.targetW) * c.targetH);
        for (int y = 0; y < c.targetH; ++y)
            for (int x = 0; x < c.targetW; ++x) {
                Pixel p = c.reference(src, frame, x, y);
                for (float& v : p)
                    v = TestKit::toHalf(v);
                want[size_t(y) * c.targetW + x] = p;
            }
        EXPECT_TRUE(TestKit::nearPicture(download(*out), want, c.targetW, 4e-3f));
    }

    // Clamping shaders on values outside 0..1 and NaN.
    Picture nan = src;
    nan[5] = {NAN, -1, 3, NAN};
    auto nanSource = upload(nan, W, H);
    auto saturated = target(W, H);
    shaders->saturateShader.drawNoConstant(*saturated, *nanSource);
    Picture want(nan.size());
    for (size_t i = 0; i < nan.size(); ++i)
        for (int c = 0; c < 4; ++c)
            want[i][c] = Reference::sat(nan[i][c]);
    EXPECT_TRUE(TestKit::nearPicture(download(*saturated), want, W));
    EXPECT_EQ(download(*saturated)[5], (Pixel{0, 0, 1, 0}));

    auto clamped = target(W, H);
    shaders->clampPremultipliedShader.drawNoConstant(*clamped, *wildSource);
    for (size_t i = 0; i < wild.size(); ++i)
        for (int c = 0; c < 4; ++c)
            want[i][c] = std::min(wild[i][3], std::max(wild[i][c], 0.0f));
    EXPECT_TRUE(TestKit::nearPicture(download(*clamped), want, W));
    // A NaN operand of min or max gives the other one.
    shaders->clampPremultipliedShader.drawNoConstant(*clamped, *nanSource);
    EXPECT_EQ(download(*clamped)[5], (Pixel{0, 0, 3, 0}));
}

TEST_F(ShaderListTest, ColourMatrixShadersApplyTheirRows)
{
    Picture src = fixture(W, H, 13);
    auto source = upload(src, W, H);
    float block[20] = {0.5f, 0.25f, 0.125f, 0.0f, -0.25f, 1.0f, 0.5f, 0.0f, 0.75f, -0.5f, 0.25f, 0.0f, 0, 0, 0, 1,
                       0.1f, -0.2f, 0.3f, 0.0f};
    ConstantBufferCommon matrix;
    ConstantBufferCommon::create(matrix, block, 80);
    for (uint32_t index : {0u, 1u}) {
        SCOPED_TRACE(index);
        auto out = target(W, H);
        shaders->quadShader(index).draw(*out, *source, &matrix);
        Picture want(src.size());
        for (size_t i = 0; i < src.size(); ++i) {
            float v[4];
            for (int c = 0; c < 4; ++c)
                v[c] = index == 0 ? (c < 3 ? src[i][c] : 1.0f) + block[16 + c] : Reference::sat(src[i][c]);
            for (int r = 0; r < 4; ++r) {
                float sum = 0;
                for (int c = 0; c < 4; ++c)
                    sum += block[4 * r + c] * v[c];
                want[i][r] = TestKit::toHalf(index == 0 ? sum : sum + block[16 + r]);
            }
        }
        EXPECT_TRUE(TestKit::nearPicture(download(*out), want, W));
    }
}

TEST_F(ShaderListTest, ConstantUpdatesBetweenDrawsReachOnlyTheLaterDraw)
{
    auto a = target(4, 4), b = target(4, 4);
    const Pixel red = {1, 0, 0, 1}, blue = {0, 0, 1, 1};
    std::memcpy(shaders->constants, red.data(), 16);
    shaders->updateConstants();
    shaders->fillColorShader.drawGenerate(*a, &shaders->constantBuffer);
    std::memcpy(shaders->constants, blue.data(), 16);
    shaders->updateConstants();
    shaders->fillColorShader.drawGenerate(*b, &shaders->constantBuffer);
    EXPECT_EQ(download(*a)[0], red);
    EXPECT_EQ(download(*b)[0], blue);
}

TEST_F(ShaderListTest, TwoTargetsAndTwoSourcesAreBoundAndReleased)
{
    Picture p0 = fixture(W, H, 1), p1 = fixture(W, H, 2);
    auto s0 = upload(p0, W, H), s1 = upload(p1, W, H);
    auto t0 = target(W, H), t1 = target(W, H);
    Platform::Gpu::View* targets[2] = {t0->getRenderTargetView(), t1->getRenderTargetView()};
    d3d->context->setRenderTargets(2, targets);
    d3d->context->setViewport({0, 0, W, H, 0, 1});
    d3d->bindShaderResources({s0->getShaderResourceView(), s1->getShaderResourceView()});
    shaders->copyTwoTargetsShader.drawQuad(nullptr, nullptr);
    d3d->context->setRenderTargets(0, nullptr);
    EXPECT_TRUE(TestKit::nearPicture(download(*t0), p0, W));
    EXPECT_TRUE(TestKit::nearPicture(download(*t1), p1, W));

    // drawTwoSources leaves both slots free: either source can be the next target.
    auto out = target(W, H);
    shaders->quadShader(24).drawTwoSources(*out, *s0, *s1);
    shaders->copyShader.drawNoConstant(*s1, *out);
    shaders->copyShader.drawNoConstant(*s0, *out);
    EXPECT_TRUE(TestKit::nearPicture(download(*s0), download(*out), W));
}

TEST_F(ShaderListTest, ScriptShadersChooseTheirDrawRoutineFromTheirInputs)
{
    Picture p = fixture(W, H, 4);
    auto source = upload(p, W, H);
    struct Case {
        const char* source;
        bool draws;
    };
    const Case cases[] = {
        {"Texture2D t : register(t0); float4 main(float4 p : SV_Position) : SV_Target { return t.Load(int3(p.xy, 0)); }",
         true},
        // The semantic is not case-sensitive.
        {"Texture2D t : register(t0); float4 main(float4 p : SV_POSITION) : SV_Target { return t.Load(int3(p.xy, 0)); }",
         true},
        {"Texture2D t : register(t0); float4 main(float4 p : SV_Position, float4 c : COLOR) : SV_Target "
         "{ return t.Load(int3(p.xy, 0)) * c; }",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        PixelShader shader;
        shader.loadFromSource("script.hlsl", c.source, "main");
        auto out = target(W, H);
        shader.drawNoConstant(*out, *source);
        EXPECT_TRUE(TestKit::nearPicture(download(*out), c.draws ? p : Picture(p.size(), Pixel{0, 0, 0, 0}), W));
    }
    // Loading another shader into the same object chooses its routine anew:
    // one with inputs the quad routines do not feed draws nothing.
    PixelShader reloaded;
    reloaded.loadFromSource("first.hlsl", cases[0].source, "main");
    reloaded.loadFromSource("second.hlsl", cases[2].source, "main");
    auto out = target(W, H);
    reloaded.drawNoConstant(*out, *source);
    EXPECT_TRUE(TestKit::nearPicture(download(*out), Picture(p.size(), Pixel{0, 0, 0, 0}), W));
    reloaded.loadFromSource("third.hlsl", cases[1].source, "main");
    reloaded.drawNoConstant(*out, *source);
    EXPECT_TRUE(TestKit::nearPicture(download(*out), p, W));

    // A compile error carries the compiler's text.
    PixelShader broken;
    try {
        broken.loadFromSource("broken.hlsl", "float4 main(float4 p : SV_Position) : SV_Target\n{\n  return nothing;\n}\n",
                              "main");
        FAIL();
    } catch (const std::exception& e) {
        std::string text = e.what();
        EXPECT_NE(text.find("D3DCompile() failed"), std::string::npos) << text;
        EXPECT_NE(text.find("broken.hlsl:3"), std::string::npos) << text;
        EXPECT_NE(text.find("Media::ShaderCompile::compileFromMemory()"), std::string::npos) << text;
    }
}

TEST_F(ShaderListTest, AlphaTargetsAndPackedSourcesBehaveAsTheirFormats)
{
    // A mask picture keeps alpha only, and reads back as (0, 0, 0, a).
    Picture p = fixture(W, H, 6);
    auto source = upload(p, W, H);
    auto mask = ResourceBuffer::create(W, H, Format::A8Unorm);
    const float clear[4] = {0, 0, 0, 0.5f};
    mask->clearRenderTargetView(clear);
    shaders->copyShader.drawNoConstant(*mask, *source, blends->get(0)); // over: a + m (1 - a)
    auto image = mask->readImageBuffer();
    for (int i = 0; i < W * H; ++i) {
        float a = p[i][3];
        ASSERT_NEAR(image->data()[(i / W) * image->pitch + i % W] / 255.0f, a + 0.5f * (1 - a), 1.5f / 255) << i;
    }
    auto back = target(W, H);
    shaders->copyShader.drawNoConstant(*back, *mask);
    EXPECT_EQ(download(*back)[0][0], 0.0f);

    // A packed 4:2:2 picture loads one texel per pixel: (U, Y, V, 1).
    auto yuy2 = ImageBuffer::create(Format::Yuy2, 4, 1);
    const uint8_t bytes[8] = {10, 20, 30, 40, 50, 60, 70, 80}; // Y0 U Y1 V | Y2 U Y3 V
    std::memcpy(yuy2->data(), bytes, 8);
    auto packed = ResourceBuffer::create(4, 1, Format::Yuy2);
    packed->updateFromMemory(yuy2->data(), yuy2->pitch);
    auto unpacked = target(4, 1);
    shaders->copyShader.drawNoConstant(*unpacked, *packed);
    Picture got = download(*unpacked);
    const int want[4][3] = {{20, 10, 40}, {20, 30, 40}, {60, 50, 80}, {60, 70, 80}};
    for (int x = 0; x < 4; ++x)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[x][c], want[x][c] / 255.0f, 1e-3f) << x << "," << c;
    EXPECT_EQ(got[0][3], 1.0f);
}
