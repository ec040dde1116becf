// The device layer on the software Vulkan driver with validation on: picture
// round trips in every format, shader compilation and reflection, and the
// lifetime of objects the device may still be using.
#include "platform/gpu/gpu.h"
#include "platform/gpu/hlsl_compiler.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace Platform::Gpu;

namespace {

struct GpuLayer : ::testing::Test {
    static std::vector<std::string>& messages()
    {
        static std::vector<std::string> m;
        return m;
    }
    void SetUp() override
    {
        TestKit::useSoftwareGpu();
        messages().clear();
        setValidationHandler([](const char* m) { messages().push_back(m); });
        DeviceOptions options;
        options.validation = true;
        ASSERT_EQ(Device::create(options, &device), Ok);
    }
    void TearDown() override
    {
        device.reset();
        setValidationHandler(nullptr);
        for (const auto& m : messages())
            ADD_FAILURE() << "validation: " << m;
    }
    std::unique_ptr<Device> device;

    ShaderPtr compile(const char* source, Stage stage)
    {
        CompileResult r = compileHlsl(source, "test.hlsl", "main", stage, nullptr);
        EXPECT_TRUE(r.ok) << r.log;
        ShaderPtr shader;
        EXPECT_EQ(device->createShader(stage, r.spirv.data(), r.spirv.size() * 4, &shader), Ok);
        return shader;
    }

    std::vector<uint8_t> readBack(Texture& texture)
    {
        StagingPtr staging;
        EXPECT_EQ(device->createStaging(texture.width(), texture.height(), texture.format(), &staging), Ok);
        device->context().copyToStaging(*staging, texture);
        const uint8_t* p = device->context().mapStaging(*staging);
        FormatInfo fi = formatInfo(texture.format());
        uint32_t rowBytes = (texture.width() + fi.blockWidth - 1) / fi.blockWidth * fi.texelBytes;
        std::vector<uint8_t> bytes;
        for (uint32_t y = 0; y < texture.height(); ++y)
            bytes.insert(bytes.end(), p + size_t(y) * staging->rowPitch(), p + size_t(y) * staging->rowPitch() + rowBytes);
        return bytes;
    }
};

std::vector<uint8_t> pattern(size_t n, uint32_t seed)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        v[i] = static_cast<uint8_t>(seed >> 24);
    }
    return v;
}

} // namespace

TEST_F(GpuLayer, EveryFormatRoundTripsExactlyThroughUploadAndReadBack)
{
    // Widths chosen so that rows are not multiples of any alignment.
    for (Format format : {Format::R32G32B32A32Float, Format::R16G16B16A16Float, Format::R16G16B16A16Unorm,
                          Format::R16G16B16A16Snorm, Format::R8G8B8A8Unorm, Format::R32Float, Format::A8Unorm,
                          Format::G8R8G8B8Unorm, Format::B8G8R8A8Unorm, Format::B8G8R8X8Unorm}) {
        SCOPED_TRACE(formatInfo(format).name);
        FormatInfo fi = formatInfo(format);
        const uint32_t width = 18, height = 7;
        uint32_t rowBytes = (width + fi.blockWidth - 1) / fi.blockWidth * fi.texelBytes;
        uint32_t pitch = rowBytes + 12; // padded rows in memory
        std::vector<uint8_t> data = pattern(size_t(pitch) * height, dxgiNumber(format));
        if (format == Format::R32G32B32A32Float || format == Format::R16G16B16A16Float || format == Format::R32Float) {
            // Keep float patterns free of NaN payloads, which need not survive.
            for (size_t i = 0; i < data.size(); ++i)
                if ((format == Format::R16G16B16A16Float ? i % 2 == 1 : i % 4 == 3))
                    data[i] &= 0x3F;
        }
        if (format == Format::R16G16B16A16Snorm) // -32768 and -32767 both mean -1
            for (size_t i = 1; i < data.size(); i += 2)
                if (data[i] == 0x80)
                    data[i] = 0x81;
        TexturePtr texture;
        ASSERT_EQ(device->createTexture({width, height, format, BindShaderResource}, data.data(), pitch, &texture), Ok);
        std::vector<uint8_t> back = readBack(*texture);
        for (uint32_t y = 0; y < height; ++y)
            ASSERT_EQ(0, std::memcmp(back.data() + size_t(y) * rowBytes, data.data() + size_t(y) * pitch, rowBytes))
                << "row " << y;

        // The same through an update of an existing texture.
        TexturePtr second;
        ASSERT_EQ(device->createTexture({width, height, format, BindShaderResource}, nullptr, 0, &second), Ok);
        device->context().updateTexture(*second, nullptr, data.data(), pitch);
        EXPECT_EQ(readBack(*second), back);
    }
}

TEST_F(GpuLayer, RejectsSizesAndFormatsItCannotHold)
{
    TexturePtr t;
    EXPECT_EQ(device->createTexture({0, 5, Format::R16G16B16A16Float, BindShaderResource}, nullptr, 0, &t), ErrorInvalidArg);
    EXPECT_EQ(device->createTexture({16385, 5, Format::R16G16B16A16Float, BindShaderResource}, nullptr, 0, &t), ErrorInvalidArg);
    EXPECT_EQ(device->createTexture({4, 4, Format(1107), BindShaderResource}, nullptr, 0, &t), ErrorInvalidArg);
    EXPECT_EQ(device->createTexture({4, 4, Format::Yuy2, BindShaderResource}, nullptr, 0, &t), ErrorInvalidArg);
    // Unordered access to a multi-sampled picture is refused, as the platform does.
    EXPECT_EQ(device->createTexture({4, 4, Format::R16G16B16A16Float, BindRenderTarget | BindUnorderedAccess, 4}, nullptr, 0, &t), ErrorInvalidArg);
    EXPECT_EQ(device->createTexture({4, 4, Format::R16G16B16A16Float, BindRenderTarget, 4}, nullptr, 0, &t), Ok);
    t.reset();
    EXPECT_FALSE(t);
    StagingPtr s;
    EXPECT_EQ(device->createStaging(0, 1, Format::R16G16B16A16Float, &s), ErrorInvalidArg);
}

TEST_F(GpuLayer, CompileErrorsReportTheirLine)
{
    CompileResult r = compileHlsl("float4 main(float4 p : SV_Position) : SV_Target\n{\n  return undefinedName;\n}\n",
                                  "broken.hlsl", "main", Stage::Pixel, nullptr);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.log.find("broken.hlsl:3"), std::string::npos) << r.log;
    EXPECT_NE(r.log.find("undefinedName"), std::string::npos) << r.log;
}

TEST_F(GpuLayer, RegistersLandOnTheOneBindingScheme)
{
    ShaderPtr ps = compile(R"(
        Texture2D<float4> a : register(t0);
        Texture2D<float4> b : register(t3);
        SamplerState s : register(s1);
        RWTexture2D<float> u : register(u2);
        cbuffer C : register(b1) { float4 k; };
        float4 main(float4 p : SV_Position, float4 uv : TEXCOORD) : SV_Target
        {
            u[int2(p.xy)] = 1;
            return a.Load(int3(0, 0, 0)) + b.SampleLevel(s, uv.xy, 0) + k;
        })",
                           Stage::Pixel);
    ASSERT_TRUE(ps);
    std::vector<std::pair<BindingKind, uint32_t>> got;
    for (const ShaderBinding& b : ps->info().bindings)
        got.emplace_back(b.kind, b.binding);
    std::vector<std::pair<BindingKind, uint32_t>> want = {{BindingKind::ConstantBuffer, 1},
                                                          {BindingKind::Texture, 16},
                                                          {BindingKind::Texture, 19},
                                                          {BindingKind::Sampler, 33},
                                                          {BindingKind::StorageImage, 50}};
    EXPECT_EQ(got, want);
    ASSERT_EQ(ps->info().inputs.size(), 2u);
    EXPECT_TRUE(ps->info().inputs[0].position);
    EXPECT_EQ(ps->info().inputs[1].semantic, "TEXCOORD");
    EXPECT_EQ(ps->info().inputs[1].components, 4u);

    ShaderPtr vs = compile(R"(
        cbuffer C : register(b0) { float4x4 m; };
        float4 main(float3 p : POSITION, float2 uv : TEXUV) : SV_Position { return mul(float4(p, uv.x), m); })",
                           Stage::Vertex);
    ASSERT_TRUE(vs);
    ASSERT_EQ(vs->info().bindings.size(), 1u);
    EXPECT_EQ(vs->info().bindings[0].binding, VertexConstantBufferBase);
    ASSERT_EQ(vs->info().inputs.size(), 2u);
    EXPECT_EQ(vs->info().inputs[0].semantic, "POSITION");
    EXPECT_EQ(vs->info().inputs[1].semantic, "TEXUV");
}

TEST_F(GpuLayer, ObjectsDroppedWhileTheDeviceUsesThemAreFreedSafely)
{
    ShaderPtr vs = compile("float4 main(float4 p : POSITION) : SV_Position { return p; }", Stage::Vertex);
    ShaderPtr ps = compile(R"(
        Texture2D<float4> t : register(t0);
        float4 main(float4 p : SV_Position) : SV_Target { return t.Load(int3(p.xy, 0)) * 0.5; })",
                           Stage::Pixel);
    const float quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    auto vertices = std::make_shared<Buffer>(static_cast<uint32_t>(sizeof(quad)), quad);
    VertexLayout layout;
    layout.attributes.push_back({0, AttributeFormat::RGB32, ComponentType::Float32, 0});
    Context& c = device->context();
    std::vector<uint8_t> ones(8 * 8 * 4, 200);
    TexturePtr target;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &target), Ok);
    ViewPtr rtv;
    ASSERT_EQ(device->createView(target, ViewKind::RenderTarget, &rtv), Ok);
    for (int i = 0; i < 3; ++i) {
        TexturePtr source;
        ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource}, ones.data(), 32, &source), Ok);
        ViewPtr srv;
        ASSERT_EQ(device->createView(source, ViewKind::ShaderResource, &srv), Ok);
        View* views[] = {rtv.get()};
        c.setRenderTargets(1, views);
        c.setViewport({0, 0, 8, 8, 0, 1});
        View* sources[] = {srv.get()};
        c.setShaderResources(Stage::Pixel, 0, 1, sources);
        c.setVertexShader(vs.get(), &layout);
        c.setPixelShader(ps.get());
        c.setTopology(5);
        c.setVertexBuffer(vertices.get(), 12, 0);
        c.draw(4, 0);
        // Unbound and dropped before the work is submitted.
        c.setShaderResources(Stage::Pixel, 0, 1, nullptr);
        srv.reset();
        source.reset();
    }
    ps.reset(); // its pipelines go too
    c.finish();
    std::vector<uint8_t> back = readBack(*target);
    for (uint8_t b : back)
        ASSERT_EQ(b, 100);
}

TEST_F(GpuLayer, PicturesCanBeMadeOnAnyThread)
{
    // Creation with initial data from several threads while the context is idle
    // on this one; each picture then reads back on the context's thread.
    constexpr int Threads = 4, PerThread = 8;
    std::vector<TexturePtr> made(Threads * PerThread);
    std::vector<std::thread> threads;
    for (int t = 0; t < Threads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < PerThread; ++i) {
                std::vector<uint8_t> bytes(16 * 16 * 4, static_cast<uint8_t>(t * PerThread + i));
                EXPECT_EQ(device->createTexture({16, 16, Format::R8G8B8A8Unorm, BindShaderResource}, bytes.data(), 64,
                                                &made[size_t(t) * PerThread + i]),
                          Ok);
            }
        });
    for (auto& t : threads)
        t.join();
    for (size_t i = 0; i < made.size(); ++i) {
        ASSERT_TRUE(made[i]);
        std::vector<uint8_t> back = readBack(*made[i]);
        ASSERT_EQ(back.front(), i);
        ASSERT_EQ(back.back(), i);
    }
}

TEST_F(GpuLayer, EveryDrawUsesTheViewportSetBeforeIt)
{
    // Draws into one target keep one pass; a new viewport between them must
    // still reach the later draw.
    ShaderPtr vs = compile("float4 main(float4 p : POSITION) : SV_Position { return p; }", Stage::Vertex);
    ShaderPtr ps = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(1, 1, 1, 1); }", Stage::Pixel);
    const float quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    auto vertices = std::make_shared<Buffer>(static_cast<uint32_t>(sizeof(quad)), quad);
    VertexLayout layout;
    layout.attributes.push_back({0, AttributeFormat::RGB32, ComponentType::Float32, 0});
    TexturePtr target;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &target), Ok);
    ViewPtr rtv;
    ASSERT_EQ(device->createView(target, ViewKind::RenderTarget, &rtv), Ok);
    Context& c = device->context();
    const float zero[4] = {0, 0, 0, 0};
    c.clearRenderTarget(*rtv, zero);
    View* views[] = {rtv.get()};
    c.setRenderTargets(1, views);
    c.setVertexShader(vs.get(), &layout);
    c.setPixelShader(ps.get());
    c.setTopology(5);
    c.setVertexBuffer(vertices.get(), 12, 0);
    c.setViewport({0, 0, 4, 4, 0, 1});
    c.draw(4, 0);
    c.setViewport({4, 4, 4, 4, 0, 1});
    c.draw(4, 0);
    c.setRenderTargets(0, nullptr);
    std::vector<uint8_t> back = readBack(*target);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            const bool covered = (x < 4 && y < 4) || (x >= 4 && y >= 4);
            ASSERT_EQ(back[(y * 8 + x) * 4], covered ? 255 : 0) << x << "," << y;
        }
}

TEST_F(GpuLayer, InitialDataIsReadOnlyUpToTheLastRowsPixels)
{
    // The picture's memory ends with the pixels of its last row, right before
    // a page that cannot be read: rows after the first are padded, the last
    // is not. Both a texel-aligned and an unaligned row pitch.
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    auto* region = static_cast<uint8_t*>(::mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(region, MAP_FAILED);
    ASSERT_EQ(::mprotect(region + page, page, PROT_NONE), 0);
    const uint32_t width = 18, height = 3, rowBytes = width * 4;
    for (uint32_t pitch : {100u, 102u}) {
        SCOPED_TRACE(pitch);
        const size_t used = size_t(pitch) * (height - 1) + rowBytes;
        uint8_t* data = region + page - used;
        std::vector<uint8_t> bytes = pattern(used, pitch);
        std::memcpy(data, bytes.data(), used);
        TexturePtr texture;
        ASSERT_EQ(device->createTexture({width, height, Format::R8G8B8A8Unorm, BindShaderResource}, data, pitch, &texture), Ok);
        std::vector<uint8_t> back = readBack(*texture);
        for (uint32_t y = 0; y < height; ++y)
            ASSERT_EQ(0, std::memcmp(back.data() + size_t(y) * rowBytes, data + size_t(y) * pitch, rowBytes)) << y;
    }
    ::munmap(region, 2 * page);
}

TEST_F(GpuLayer, BoundShadersStayAliveUntilReplaced)
{
    // The caller drops its shaders while they are bound: the next draw still
    // uses them, as the platform's context keeps what is bound.
    ShaderPtr vs = compile("float4 main(float4 p : POSITION) : SV_Position { return p; }", Stage::Vertex);
    ShaderPtr ps = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(0, 1, 0, 1); }", Stage::Pixel);
    const float quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
    auto vertices = std::make_shared<Buffer>(static_cast<uint32_t>(sizeof(quad)), quad);
    VertexLayout layout;
    layout.attributes.push_back({0, AttributeFormat::RGB32, ComponentType::Float32, 0});
    TexturePtr target;
    ASSERT_EQ(device->createTexture({4, 4, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &target), Ok);
    ViewPtr rtv;
    ASSERT_EQ(device->createView(target, ViewKind::RenderTarget, &rtv), Ok);
    Context& c = device->context();
    c.setVertexShader(vs.get(), &layout);
    c.setPixelShader(ps.get());
    vs.reset();
    ps.reset();
    c.finish(); // a submission in between: nothing bound may be freed by it
    View* views[] = {rtv.get()};
    c.setRenderTargets(1, views);
    c.setViewport({0, 0, 4, 4, 0, 1});
    c.setTopology(5);
    c.setVertexBuffer(vertices.get(), 12, 0);
    c.draw(4, 0);
    c.setRenderTargets(0, nullptr);
    std::vector<uint8_t> back = readBack(*target);
    EXPECT_EQ(back[1], 255);
    EXPECT_EQ(back[back.size() - 3], 255);
    c.setVertexShader(nullptr, nullptr);
    c.setPixelShader(nullptr);
    c.finish();
}

namespace {
// A full-target quad drawn with one pixel shader into one 8x8 RGBA8 target.
struct QuadKit {
    QuadKit(GpuLayer& layer)
        : vs(layer.compile("float4 main(float4 p : POSITION) : SV_Position { return p; }", Stage::Vertex))
    {
        const float quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
        vertices = std::make_shared<Buffer>(static_cast<uint32_t>(sizeof(quad)), quad);
        layout.attributes.push_back({0, AttributeFormat::RGB32, ComponentType::Float32, 0});
    }
    void draw(Context& c, View* target, Shader* ps, float width = 8)
    {
        View* views[] = {target};
        c.setRenderTargets(1, views);
        c.setViewport({0, 0, width, 8, 0, 1});
        c.setVertexShader(vs.get(), &layout);
        c.setPixelShader(ps);
        c.setTopology(5);
        c.setVertexBuffer(vertices.get(), 12, 0);
        c.draw(4, 0);
        c.setRenderTargets(0, nullptr);
    }
    ShaderPtr vs;
    BufferPtr vertices;
    VertexLayout layout;
};
} // namespace

TEST_F(GpuLayer, ADrawIntoAPictureMadeWhereADroppedOneStoodReachesTheNewPicture)
{
    // The first picture is dropped while its pass is still open; the next one
    // of the same size often lands at the same address. Its draw must start a
    // pass of its own instead of recording into the old picture's.
    QuadKit kit(*this);
    ShaderPtr red = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(1, 0, 0, 1); }", Stage::Pixel);
    ShaderPtr green = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(0, 1, 0, 1); }", Stage::Pixel);
    Context& c = device->context();
    for (int round = 0; round < 8; ++round) {
        SCOPED_TRACE(round);
        TexturePtr first;
        ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &first), Ok);
        const uint64_t firstId = first->id();
        ViewPtr firstView;
        ASSERT_EQ(device->createView(first, ViewKind::RenderTarget, &firstView), Ok);
        kit.draw(c, firstView.get(), red.get());
        firstView.reset();
        first.reset();

        // Made with contents, so it needs no first layout change (which would end the pass anyway).
        const std::vector<uint8_t> blue(8 * 8 * 4, 0);
        TexturePtr second;
        ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, blue.data(), 32, &second), Ok);
        EXPECT_NE(second->id(), firstId);
        ViewPtr secondView;
        ASSERT_EQ(device->createView(second, ViewKind::RenderTarget, &secondView), Ok);
        kit.draw(c, secondView.get(), green.get());
        std::vector<uint8_t> back = readBack(*second);
        for (size_t i = 0; i < back.size(); i += 4)
            ASSERT_EQ((std::vector<uint8_t>{back[i], back[i + 1], back[i + 2], back[i + 3]}),
                      (std::vector<uint8_t>{0, 255, 0, 255}))
                << "pixel " << i / 4;
    }
}

TEST_F(GpuLayer, AClearCountsBeforeEveryLaterUseOfThePicture)
{
    // A colour clear waits for the next pass into the picture and is done by
    // its start; any other use first records the clear. Each case draws red
    // into the left half (or uses the picture otherwise) and checks every
    // pixel against what an immediate clear would give.
    QuadKit kit(*this);
    ShaderPtr red = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(1, 0, 0, 1); }", Stage::Pixel);
    ShaderPtr copy = compile(R"(
        Texture2D<float4> source : register(t0);
        float4 main(float4 p : SV_Position) : SV_Target { return source.Load(int3(p.xy, 0)); })",
                             Stage::Pixel);
    const float blue[4] = {0, 0, 1, 1}, green[4] = {0, 1, 0, 1};
    using Pixel = std::array<uint8_t, 4>;
    const Pixel R{255, 0, 0, 255}, G{0, 255, 0, 255}, B{0, 0, 255, 255};
    struct Case {
        const char* name;
        Pixel left, right; // expected halves of the picture read back
        bool folded;       // done by a pass's start
    };
    const Case cases[] = {
        {"draw into part of it", R, B, true},
        {"upload into the right half, then draw", R, G, false},
        {"cleared twice, then draw", R, G, true},
        {"another picture cleared meanwhile, then draw", R, B, false}, // one clear waits at a time
        {"sampled by a draw into another picture", B, B, false},
        {"read back without a draw", B, B, false},
    };
    Context& c = device->context();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        const std::string name = k.name;
        TexturePtr picture, other;
        const TextureDesc desc{8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget};
        // Garbage in the picture: an immediate clear would hide a lost one.
        const std::vector<uint8_t> noise = pattern(8 * 8 * 4, 7);
        ASSERT_EQ(device->createTexture(desc, noise.data(), 32, &picture), Ok);
        ASSERT_EQ(device->createTexture(desc, nullptr, 0, &other), Ok);
        ViewPtr rtv, srv, otherRtv;
        ASSERT_EQ(device->createView(picture, ViewKind::RenderTarget, &rtv), Ok);
        ASSERT_EQ(device->createView(picture, ViewKind::ShaderResource, &srv), Ok);
        ASSERT_EQ(device->createView(other, ViewKind::RenderTarget, &otherRtv), Ok);
        const Context::Counters before = c.counters();
        c.clearRenderTarget(*rtv, blue);
        std::vector<uint8_t> back;
        if (name.rfind("upload", 0) == 0) {
            std::vector<uint8_t> half(4 * 8 * 4);
            for (size_t i = 0; i < half.size(); i += 4)
                std::memcpy(&half[i], G.data(), 4);
            const Box right{4, 0, 8, 8};
            c.updateTexture(*picture, &right, half.data(), 16);
            kit.draw(c, rtv.get(), red.get(), 4);
        } else if (name.rfind("cleared twice", 0) == 0) {
            c.clearRenderTarget(*rtv, green);
            kit.draw(c, rtv.get(), red.get(), 4);
        } else if (name.rfind("another", 0) == 0) {
            c.clearRenderTarget(*otherRtv, green);
            kit.draw(c, rtv.get(), red.get(), 4);
            const std::vector<uint8_t> o = readBack(*other);
            for (size_t i = 0; i < o.size(); i += 4)
                ASSERT_EQ((Pixel{o[i], o[i + 1], o[i + 2], o[i + 3]}), G) << "other picture, pixel " << i / 4;
        } else if (name.rfind("sampled", 0) == 0) {
            View* sources[] = {srv.get()};
            c.setShaderResources(Stage::Pixel, 0, 1, sources);
            kit.draw(c, otherRtv.get(), copy.get());
            c.setShaderResources(Stage::Pixel, 0, 0, nullptr);
            const std::vector<uint8_t> o = readBack(*other);
            for (size_t i = 0; i < o.size(); i += 4)
                ASSERT_EQ((Pixel{o[i], o[i + 1], o[i + 2], o[i + 3]}), B) << "copy, pixel " << i / 4;
        } else if (name.rfind("draw", 0) == 0) {
            kit.draw(c, rtv.get(), red.get(), 4);
        }
        back = readBack(*picture);
        for (size_t i = 0; i < back.size(); i += 4) {
            const Pixel want = (i / 4) % 8 < 4 ? k.left : k.right;
            ASSERT_EQ((Pixel{back[i], back[i + 1], back[i + 2], back[i + 3]}), want) << "pixel " << i / 4;
        }
        const Context::Counters after = c.counters();
        EXPECT_EQ(after.foldedClears - before.foldedClears, k.folded ? 1u : 0u);
    }
}

TEST_F(GpuLayer, ADrawSamplesWhatAnEarlierDrawStoredThroughAStorageView)
{
    // The first draw writes a picture through a storage view while rendering
    // into the target; the second, into the same target, samples that picture.
    // Synchronisation validation reports the read if no barrier stands between.
    QuadKit kit(*this);
    ShaderPtr store = compile(R"(
        RWTexture2D<float4> stored : register(u1);
        float4 main(float4 p : SV_Position) : SV_Target
        {
            stored[int2(p.xy)] = float4(p.x / 8, p.y / 8, 0.5, 1);
            return float4(0, 0, 0, 0);
        })",
                              Stage::Pixel);
    ShaderPtr sample = compile(R"(
        Texture2D<float4> stored : register(t0);
        float4 main(float4 p : SV_Position) : SV_Target { return stored.Load(int3(p.xy, 0)); })",
                               Stage::Pixel);
    TexturePtr target, picture;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &target), Ok);
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindUnorderedAccess}, nullptr, 0, &picture), Ok);
    ViewPtr rtv, uav, srv;
    ASSERT_EQ(device->createView(target, ViewKind::RenderTarget, &rtv), Ok);
    ASSERT_EQ(device->createView(picture, ViewKind::UnorderedAccess, &uav), Ok);
    ASSERT_EQ(device->createView(picture, ViewKind::ShaderResource, &srv), Ok);
    Context& c = device->context();
    View* targets[] = {rtv.get()};
    View* storage[] = {uav.get()};
    c.setRenderTargets(1, targets);
    c.setPixelUnorderedAccessViews(1, 1, storage);
    c.setViewport({0, 0, 8, 8, 0, 1});
    c.setVertexShader(kit.vs.get(), &kit.layout);
    c.setPixelShader(store.get());
    c.setTopology(5);
    c.setVertexBuffer(kit.vertices.get(), 12, 0);
    c.draw(4, 0);
    c.setRenderTargets(1, targets); // the same target, the storage view unbound
    View* sources[] = {srv.get()};
    c.setShaderResources(Stage::Pixel, 0, 1, sources);
    c.setPixelShader(sample.get());
    c.draw(4, 0);
    c.setShaderResources(Stage::Pixel, 0, 1, nullptr);
    c.setRenderTargets(0, nullptr);
    std::vector<uint8_t> back = readBack(*target);
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 8; ++x) {
            const uint8_t* p = &back[(y * 8 + x) * 4];
            ASSERT_NEAR(p[0], (x + 0.5) / 8 * 255, 1) << x << "," << y;
            ASSERT_NEAR(p[1], (y + 0.5) / 8 * 255, 1) << x << "," << y;
            ASSERT_NEAR(p[2], 128, 1);
        }
}

TEST_F(GpuLayer, AContextUsedByASecondThreadIsReported)
{
    Context& c = device->context();
    auto useFromTwoThreads = [&] {
        ContextClaim claim(c);
        c.flush(); // the claiming thread itself may go on using it
        std::thread other([&] { c.flush(); });
        other.join();
    };
#ifndef NDEBUG
    // A debug build stops at once.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(useFromTwoThreads(), "");
    GTEST_SKIP() << "the rest checks the report of a release build";
#endif
    useFromTwoThreads();
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_NE(messages()[0].find("second thread"), std::string::npos) << messages()[0];
    messages().clear();
    // Released: the other thread may have it now, one at a time.
    std::thread later([&] { c.finish(); });
    later.join();
    c.finish();
    EXPECT_TRUE(messages().empty());
}

TEST_F(GpuLayer, ADroppedPicturesImageServesTheNextWhileEarlierWorkStillReadsIt)
{
    // The draw from the first picture is recorded, not yet submitted, when
    // the picture is dropped; the next picture of the same kind takes its
    // image at once and starts with other contents. The draw must still see
    // the old contents, the new picture the new ones.
    QuadKit kit(*this);
    ShaderPtr load = compile(R"(
        Texture2D<float4> source : register(t0);
        float4 main(float4 p : SV_Position) : SV_Target { return source.Load(int3(p.xy, 0)); })",
                             Stage::Pixel);
    Context& c = device->context();
    TexturePtr target;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &target), Ok);
    ViewPtr rtv;
    ASSERT_EQ(device->createView(target, ViewKind::RenderTarget, &rtv), Ok);
    const std::vector<uint8_t> red = [] {
        std::vector<uint8_t> v(8 * 8 * 4);
        for (size_t i = 0; i < v.size(); i += 4)
            v[i] = v[i + 3] = 255;
        return v;
    }();
    const std::vector<uint8_t> green = [] {
        std::vector<uint8_t> v(8 * 8 * 4);
        for (size_t i = 0; i < v.size(); i += 4)
            v[i + 1] = v[i + 3] = 255;
        return v;
    }();
    TexturePtr first;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource}, red.data(), 32, &first), Ok);
    ViewPtr srv;
    ASSERT_EQ(device->createView(first, ViewKind::ShaderResource, &srv), Ok);
    View* sources[] = {srv.get()};
    c.setShaderResources(Stage::Pixel, 0, 1, sources);
    kit.draw(c, rtv.get(), load.get());
    c.setShaderResources(Stage::Pixel, 0, 1, nullptr);
    srv.reset();
    first.reset();

    const uint64_t before = device->memory().images;
    TexturePtr second;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource}, green.data(), 32, &second), Ok);
    EXPECT_EQ(device->memory().images, before) << "the dropped picture's image was not taken";
    EXPECT_EQ(readBack(*target), red);
    EXPECT_EQ(readBack(*second), green);
}

TEST_F(GpuLayer, AChainOfNewPicturesKeepsTwoImagesAlive)
{
    // Filters make a new picture per pass and drop the one before: the images
    // of the dropped ones serve the next passes instead of piling up.
    QuadKit kit(*this);
    ShaderPtr load = compile(R"(
        Texture2D<float4> source : register(t0);
        float4 main(float4 p : SV_Position) : SV_Target { return source.Load(int3(p.xy, 0)) + float4(4.0 / 255, 0, 0, 0); })",
                             Stage::Pixel);
    Context& c = device->context();
    const std::vector<uint8_t> zero(8 * 8 * 4, 0);
    TexturePtr current;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, zero.data(), 32, &current), Ok);
    const uint64_t picture = device->memory().images;
    device->resetMemoryPeak();
    for (int pass = 0; pass < 20; ++pass) {
        TexturePtr next;
        ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &next), Ok);
        ViewPtr srv, rtv;
        ASSERT_EQ(device->createView(current, ViewKind::ShaderResource, &srv), Ok);
        ASSERT_EQ(device->createView(next, ViewKind::RenderTarget, &rtv), Ok);
        View* sources[] = {srv.get()};
        c.setShaderResources(Stage::Pixel, 0, 1, sources);
        kit.draw(c, rtv.get(), load.get());
        c.setShaderResources(Stage::Pixel, 0, 1, nullptr);
        current = next;
    }
    EXPECT_LE(device->memory().imagesPeak, 2 * picture);
    std::vector<uint8_t> back = readBack(*current);
    EXPECT_EQ(back[0], 20 * 4); // every pass saw the one before
}

TEST_F(GpuLayer, AReadBackWaitsOnlyForItsOwnCopy)
{
    // The copy is submitted with the work before it; work recorded after it
    // stays unsubmitted while the copy is mapped.
    QuadKit kit(*this);
    ShaderPtr white = compile("float4 main(float4 p : SV_Position) : SV_Target { return float4(1, 1, 1, 1); }", Stage::Pixel);
    std::vector<uint8_t> bytes = pattern(8 * 8 * 4, 3);
    TexturePtr picture, other;
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource}, bytes.data(), 32, &picture), Ok);
    ASSERT_EQ(device->createTexture({8, 8, Format::R8G8B8A8Unorm, BindShaderResource | BindRenderTarget}, nullptr, 0, &other), Ok);
    ViewPtr rtv;
    ASSERT_EQ(device->createView(other, ViewKind::RenderTarget, &rtv), Ok);
    StagingPtr staging;
    ASSERT_EQ(device->createStaging(8, 8, Format::R8G8B8A8Unorm, &staging), Ok);
    Context& c = device->context();
    c.copyToStaging(*staging, *picture);
    kit.draw(c, rtv.get(), white.get()); // the next frame's work
    const uint64_t submits = c.counters().submits;
    const uint8_t* p = c.mapStaging(*staging);
    EXPECT_EQ(c.counters().submits, submits);
    for (uint32_t y = 0; y < 8; ++y)
        ASSERT_EQ(0, std::memcmp(p + y * staging->rowPitch(), bytes.data() + y * 32, 32)) << y;
    c.finish();
}

TEST_F(GpuLayer, PictureSizedUploadsGoOutInBoundedSubmissionsAndKeepTheirData)
{
    // Without a flush of their own, uploads of 8 MB each are submitted a few
    // at a time (their memory returns to the pool), and every picture still
    // holds what was uploaded into it, before and after each submission.
    constexpr uint32_t Side = 1024, Pitch = Side * 8;
    Context& c = device->context();
    std::vector<TexturePtr> pictures(6);
    std::vector<std::vector<uint8_t>> data;
    const uint64_t submits = c.counters().submits;
    for (size_t i = 0; i < pictures.size(); ++i) {
        ASSERT_EQ(device->createTexture({Side, Side, Format::R16G16B16A16Unorm, BindShaderResource}, nullptr, 0,
                                        &pictures[i]),
                  Ok);
        data.push_back(pattern(size_t(Pitch) * Side, static_cast<uint32_t>(i + 1)));
        c.updateTexture(*pictures[i], nullptr, data.back().data(), Pitch);
    }
    EXPECT_GE(c.counters().submits - submits, 2u);
    for (size_t i = 0; i < pictures.size(); ++i)
        EXPECT_TRUE(readBack(*pictures[i]) == data[i]) << "picture " << i;
}

TEST_F(GpuLayer, PooledImagesNobodyAsksForAreFreedAfterAFewSubmissions)
{
    TexturePtr picture;
    ASSERT_EQ(device->createTexture({64, 64, Format::R16G16B16A16Float, BindShaderResource}, nullptr, 0, &picture), Ok);
    const uint64_t alive = device->memory().images;
    picture.reset();
    EXPECT_EQ(device->memory().pooled, alive);
    for (int i = 0; i < 12; ++i)
        device->context().flush();
    device->context().finish();
    EXPECT_EQ(device->memory().pooled, 0u);
    EXPECT_EQ(device->memory().images, 0u);
}

TEST_F(GpuLayer, ThePipelineCacheIsKeptInItsFileAndAForeignFileIsIgnored)
{
    const std::string path = TestKit::tempDir() + "/pipelines.bin";
    auto drawOnce = [&](Device& d) {
        CompileResult vs = compileHlsl("float4 main(float4 p : POSITION) : SV_Position { return p; }", "vs", "main",
                                       Stage::Vertex, nullptr);
        CompileResult ps = compileHlsl("float4 main(float4 p : SV_Position) : SV_Target { return 1; }", "ps", "main",
                                       Stage::Pixel, nullptr);
        ShaderPtr v, f;
        ASSERT_EQ(d.createShader(Stage::Vertex, vs.spirv.data(), vs.spirv.size() * 4, &v), Ok);
        ASSERT_EQ(d.createShader(Stage::Pixel, ps.spirv.data(), ps.spirv.size() * 4, &f), Ok);
        const float quad[4][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0}};
        auto vertices = std::make_shared<Buffer>(static_cast<uint32_t>(sizeof(quad)), quad);
        VertexLayout layout;
        layout.attributes.push_back({0, AttributeFormat::RGB32, ComponentType::Float32, 0});
        TexturePtr target;
        ASSERT_EQ(d.createTexture({4, 4, Format::R8G8B8A8Unorm, BindRenderTarget}, nullptr, 0, &target), Ok);
        ViewPtr rtv;
        ASSERT_EQ(d.createView(target, ViewKind::RenderTarget, &rtv), Ok);
        Context& c = d.context();
        View* views[] = {rtv.get()};
        c.setRenderTargets(1, views);
        c.setViewport({0, 0, 4, 4, 0, 1});
        c.setVertexShader(v.get(), &layout);
        c.setPixelShader(f.get());
        c.setTopology(5);
        c.setVertexBuffer(vertices.get(), 12, 0);
        c.draw(4, 0);
        c.setRenderTargets(0, nullptr);
        c.setVertexShader(nullptr, nullptr);
        c.setPixelShader(nullptr);
        c.finish();
    };
    device.reset();
    for (const char* damaged : {"", "not a pipeline cache at all, but long enough to hold a header"}) {
        SCOPED_TRACE(damaged);
        TestKit::writeFile(path, damaged);
        DeviceOptions options{.validation = true, .pipelineCachePath = path};
        ASSERT_EQ(Device::create(options, &device), Ok);
        EXPECT_EQ(device->facts().pipelineCacheLoaded, 0u);
        drawOnce(*device);
        EXPECT_EQ(device->context().counters().pipelines, 1u);
        device.reset();
        const std::string saved = TestKit::readFile(path);
        ASSERT_GE(saved.size(), 32u); // the driver's own header at least
        EXPECT_NE(saved, damaged);

        // The second start takes the file, and with a driver that keeps
        // pipelines in it, builds none.
        ASSERT_EQ(Device::create(options, &device), Ok);
        EXPECT_EQ(device->facts().pipelineCacheLoaded, saved.size());
        drawOnce(*device);
        Context::Counters counters = device->context().counters();
        EXPECT_EQ(counters.pipelines, 1u);
        if (saved.size() > 32) {
            EXPECT_EQ(counters.pipelinesFromCache, 1u);
        }
        device.reset();
    }
}

TEST(HlslCompiler, SourceThatCrashesTheCompilerIsACompileError)
{
    // Malformed HLSL that ends the compiler: the compile fails with a log that
    // says so, and the next compile works as before.
    for (const char* source : {"float main(float){", "float4 main(float4 p : SV_Position) : SV_Target { return p"}) {
        SCOPED_TRACE(source);
        CompileResult r = compileHlsl(source, "user.hlsl", "main", Stage::Pixel, nullptr);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.spirv.empty());
        EXPECT_NE(r.log.find("user.hlsl"), std::string::npos) << r.log;
    }
    CompileResult good = compileHlsl("float4 main(float4 p : SV_Position) : SV_Target { return p; }", "good.hlsl",
                                     "main", Stage::Pixel, nullptr);
    EXPECT_TRUE(good.ok) << good.log;
    EXPECT_FALSE(good.spirv.empty());
}

TEST(HlslCompiler, IncludesAreReadByTheCallingProcess)
{
    std::vector<std::pair<std::string, std::string>> asked;
    IncludeReader reader = [&](const std::string& name, const std::string& includer, std::string& text) {
        asked.emplace_back(name, includer);
        if (name != "colour.hlsli")
            return false;
        text = "float4 colour() { return float4(0, 1, 0, 1); }\n";
        return true;
    };
    CompileResult r = compileHlsl("#include \"colour.hlsli\"\nfloat4 main(float4 p : SV_Position) : SV_Target { return colour(); }",
                                  "/shaders/main.hlsl", "main", Stage::Pixel, reader);
    EXPECT_TRUE(r.ok) << r.log;
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].first, "colour.hlsli");
    EXPECT_EQ(asked[0].second, "/shaders/main.hlsl");
    CompileResult missing = compileHlsl("#include \"absent.hlsli\"\nfloat4 main() : SV_Target { return 0; }", "m.hlsl",
                                        "main", Stage::Pixel, reader);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.log.find("absent.hlsli"), std::string::npos) << missing.log;
}

namespace {
// One instruction: the opcode and word count, then the operands, then a
// literal string when given (nul-terminated, padded to whole words).
std::vector<uint32_t> instruction(uint32_t op, std::vector<uint32_t> operands, const std::string& text = {})
{
    if (!text.empty()) {
        std::string bytes = text;
        bytes.resize((text.size() / 4 + 1) * 4, '\0');
        for (size_t i = 0; i < bytes.size(); i += 4) {
            uint32_t w;
            std::memcpy(&w, bytes.data() + i, 4);
            operands.push_back(w);
        }
    }
    std::vector<uint32_t> words{(uint32_t(operands.size() + 1) << 16) | op};
    words.insert(words.end(), operands.begin(), operands.end());
    return words;
}
} // namespace

TEST(SpirvReflection, MalformedModulesAreRefusedInsteadOfReadPast)
{
    CompileResult vs = compileHlsl("float4 main(float4 p : POSITION, float2 uv : TEXCOORD1) : SV_Position { return p + uv.x; }",
                                   "vs", "main", Stage::Vertex, nullptr);
    ASSERT_TRUE(vs.ok) << vs.log;
    ShaderInfo info;
    ASSERT_TRUE(reflectShader(vs.spirv.data(), vs.spirv.size(), info));

    // An instruction whose word count leaves out an operand that is read,
    // last in the module so that the missing word lies past its end.
    const std::vector<std::pair<const char*, std::vector<uint32_t>>> shortened = {
        {"OpExecutionMode LocalSize", instruction(16, {1, 17, 8, 8})},
        {"OpTypeInt", instruction(21, {900, 32})},
        {"OpTypeVector", instruction(23, {900, 1})},
        {"OpTypeImage", instruction(25, {900, 1, 1, 0, 0, 0, 2})},
        {"OpTypePointer", instruction(32, {900, 1})},
        {"OpVariable", instruction(59, {900, 901})},
        {"OpDecorate Location", instruction(71, {900, 30})},
        {"OpDecorateString", instruction(5632, {900, 5635})},
        {"OpSpecConstant", instruction(50, {900, 901})},
        {"empty instruction", {0u}},
        {"word count past the end", {(9u << 16) | 25u, 900, 1}},
    };
    for (const auto& [what, extra] : shortened) {
        SCOPED_TRACE(what);
        std::vector<uint32_t> words = vs.spirv;
        words.insert(words.end(), extra.begin(), extra.end());
        EXPECT_FALSE(reflectShader(words.data(), words.size(), info));
    }

    // The semantic's index must fit 32 bits: the largest does, one more fails.
    auto withSemantic = [&](const std::string& semantic) {
        std::vector<uint32_t> words(vs.spirv.begin(), vs.spirv.begin() + 5);
        for (size_t i = 5; i < vs.spirv.size();) {
            const uint32_t length = vs.spirv[i] >> 16;
            std::vector<uint32_t> one(vs.spirv.begin() + i, vs.spirv.begin() + i + length);
            if ((one[0] & 0xFFFF) == 5632 && one[2] == 5635 &&
                std::string(reinterpret_cast<const char*>(&one[3])).rfind("TEXCOORD", 0) == 0)
                one = instruction(5632, {one[1], 5635}, semantic);
            words.insert(words.end(), one.begin(), one.end());
            i += length;
        }
        return words;
    };
    std::vector<uint32_t> largest = withSemantic("TEXCOORD4294967295");
    ASSERT_TRUE(reflectShader(largest.data(), largest.size(), info));
    ASSERT_EQ(info.inputs.size(), 2u);
    EXPECT_EQ(info.inputs[1].semantic, "TEXCOORD");
    EXPECT_EQ(info.inputs[1].semanticIndex, 4294967295u);
    for (const char* tooLarge : {"TEXCOORD4294967296", "TEXCOORD99999999999999999999999999"}) {
        std::vector<uint32_t> words = withSemantic(tooLarge);
        EXPECT_FALSE(reflectShader(words.data(), words.size(), info)) << tooLarge;
    }
}
