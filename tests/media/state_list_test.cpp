#include "media/vertex_shader.h"
#include "tests/media/reference.h"

#include <atomic>
#include <thread>

using namespace Media;
using TestKit::Picture;
using TestKit::Pixel;

using StateLists = TestKit::GpuFixture;

namespace {
// The platform's blend factor and operation numbers.
enum : uint8_t { Z = 1, O = 2, SC = 3, SA = 5, ISA = 6, DA = 7, IDA = 8, BF = 14, IBF = 15, S1A = 18, IS1A = 19 };
enum : uint8_t { ADD = 1, MAX = 5 };
struct BlendRow {
    bool on;
    uint8_t sc, dc, oc, sa, da, oa;
};
// The blend list as the renderer defines it.
const BlendRow BlendTable[21] = {
    {true, O, ISA, ADD, O, ISA, ADD},      {true, IDA, O, ADD, IDA, O, ADD},       {true, SA, ISA, ADD, O, ISA, ADD},
    {false, 0, 0, 0, 0, 0, 0},             {true, IS1A, S1A, ADD, IS1A, S1A, ADD}, {true, S1A, IS1A, ADD, S1A, IS1A, ADD},
    {true, IS1A, Z, ADD, IS1A, Z, ADD},    {true, Z, SA, ADD, Z, SA, ADD},         {true, Z, ISA, ADD, Z, ISA, ADD},
    {true, Z, SA, ADD, O, Z, ADD},         {true, Z, SC, ADD, Z, O, ADD},          {true, O, O, ADD, O, ISA, ADD},
    {true, O, O, ADD, IDA, O, ADD},        {true, BF, O, ADD, BF, ISA, ADD},       {true, DA, Z, ADD, DA, Z, ADD},
    {true, O, O, MAX, O, O, MAX},          {true, Z, SA, ADD, Z, O, ADD},          {true, O, O, ADD, O, O, ADD},
    {true, DA, O, ADD, Z, O, ADD},         {true, BF, IBF, ADD, BF, IBF, ADD},     {true, IBF, BF, ADD, IBF, BF, ADD},
};

float factor(uint8_t f, int c, const Pixel& s, const Pixel& s1, const Pixel& d, const float k[4])
{
    switch (f) {
    case Z: return 0;
    case O: return 1;
    case SC: return s[c];
    case SA: return s[3];
    case ISA: return 1 - s[3];
    case DA: return d[3];
    case IDA: return 1 - d[3];
    case BF: return k[c];
    case IBF: return 1 - k[c];
    case S1A: return s1[3];
    case IS1A: return 1 - s1[3];
    default: return NAN;
    }
}

Pixel blend(const BlendRow& row, const Pixel& s, const Pixel& s1, const Pixel& d, const float k[4])
{
    if (!row.on)
        return s;
    Pixel out{};
    for (int c = 0; c < 4; ++c) {
        bool alpha = c == 3;
        uint8_t sf = alpha ? row.sa : row.sc, df = alpha ? row.da : row.dc, op = alpha ? row.oa : row.oc;
        out[c] = op == MAX ? std::max(s[c], d[c])
                           : s[c] * factor(sf, c, s, s1, d, k) + d[c] * factor(df, c, s, s1, d, k);
    }
    return out;
}
} // namespace

TEST_F(StateLists, EveryBlendEntryCompositesAsItsFactorsSay)
{
    const int w = 16, h = 16;
    Picture src = fixture(w, h, 3), second = fixture(w, h, 5), dst = fixture(w, h, 11);
    auto source = upload(src, w, h), source1 = upload(second, w, h);
    // Writes the source as the first colour and the second picture as the
    // second colour (used by the dual-source entries).
    PixelShader shader;
    shader.loadFromSource("two.hlsl", R"(
        Texture2D<float4> a : register(t0);
        Texture2D<float4> b : register(t1);
        struct Output { float4 color : SV_Target0; float4 second : SV_Target1; };
        Output main(float4 pos : SV_Position)
        {
            Output o;
            o.color = a.Load(int3(pos.xy, 0));
            o.second = b.Load(int3(pos.xy, 0));
            return o;
        })",
                          "main");
    const float k[4] = {0.25f, 0.5f, 0.75f, 0.375f};
    RenderBuffer frame(Format::R16G16B16A16Float);
    frame.createTexture2D(w, h);
    for (uint32_t i = 0; i < Shader::BlendStateList::Count; ++i) {
        SCOPED_TRACE(testing::Message() << "blend entry " << i);
        auto start = upload(dst, w, h);
        shaders->copyShader.copyToRenderBuffer(frame, *start);
        d3d->setRenderBufferTarget(frame);
        d3d->bindShaderResources({source->getShaderResourceView(), source1->getShaderResourceView()});
        shader.drawQuad(blends->get(i), k);
        d3d->unbindShaderResources(2);
        auto result = frame.createResourceBuffer(true);
        Picture want(src.size());
        for (size_t p = 0; p < want.size(); ++p)
            want[p] = blend(BlendTable[i], src[p], second[p], dst[p], k);
        EXPECT_TRUE(TestKit::nearPicture(download(*result), want, w, 3e-3f));
    }
    // Entries are made once.
    EXPECT_EQ(blends->get(3), blends->get(3));
    EXPECT_EQ(blends->get(21), nullptr);
}

TEST_F(StateLists, SamplersFilterAndAddressAsListed)
{
    const int w = 4, h = 4, tw = 12, th = 12;
    Picture src = fixture(w, h, 21);
    auto source = upload(src, w, h);
    // Samples over three copies of the picture in each direction.
    PixelShader shader;
    shader.loadFromSource("wide.hlsl", R"(
        Texture2D<float4> t : register(t0);
        SamplerState s : register(s0);
        float4 main(float4 pos : SV_Position, float4 uv : TEXCOORD) : SV_Target
        {
            return t.SampleLevel(s, uv.xy * 3 - 1, 0);
        })",
                          "main");
    struct Row {
        bool linear;
        int u, v;
    };
    const Row table[7] = {{true, 4, 4}, {true, 3, 3}, {true, 1, 1}, {true, 2, 2}, {true, 2, 4}, {false, 4, 4}, {false, 3, 3}};
    for (uint32_t i = 0; i < Shader::SamplerStateList::Count; ++i) {
        SCOPED_TRACE(testing::Message() << "sampler entry " << i);
        auto out = target(tw, th);
        Platform::Gpu::SamplerState* sampler = samplers->get(i);
        d3d->context->setSamplers(Platform::Gpu::Stage::Pixel, 0, 1, &sampler);
        shader.drawNoConstant(*out, *source);
        Picture want(size_t(tw) * th);
        for (int y = 0; y < th; ++y)
            for (int x = 0; x < tw; ++x) {
                float u = (x + 0.5f) / tw * 3 - 1, v = (y + 0.5f) / th * 3 - 1;
                want[size_t(y) * tw + x] = Reference::sample(src, w, h, u, v, table[i].linear, table[i].u, table[i].v);
            }
        EXPECT_TRUE(TestKit::nearPicture(download(*out), want, tw, 1e-2f));
    }
}

TEST_F(StateLists, RasterizerEntriesCullAsListed)
{
    // Clockwise on screen: bottom left, top left, bottom right.
    const float clockwise[3][7] = {{-1, -1, 0, 0, 0, 0, 0}, {-1, 1, 0, 0, 0, 0, 0}, {1, -1, 0, 0, 0, 0, 0}};
    const float counter[3][7] = {{-1, -1, 0, 0, 0, 0, 0}, {1, -1, 0, 0, 0, 0, 0}, {-1, 1, 0, 0, 0, 0, 0}};
    struct Case {
        uint32_t entry;
        const float (*vertices)[7];
        bool drawn;
    };
    for (const Case& c : {Case{0, clockwise, true}, Case{0, counter, true}, Case{1, clockwise, true},
                          Case{1, counter, false}}) {
        SCOPED_TRACE(testing::Message() << "entry " << c.entry << (c.vertices == clockwise ? " clockwise" : " counter"));
        auto out = target(8, 8);
        d3d->setRenderTarget(*out);
        d3d->bindRasterizerState(rasterizers->get(c.entry));
        d3d->bindBlendState(blends->get(3), nullptr);
        d3d->bindVertexShader(shaders->quadUvVertexShader);
        d3d->bindPixelShader(shaders->fillWhiteShader);
        d3d->drawVertices(c.vertices);
        d3d->context->setRenderTargets(0, nullptr);
        Picture got = download(*out);
        EXPECT_EQ(got[size_t(7) * 8 + 0], c.drawn ? (Pixel{1, 1, 1, 1}) : (Pixel{0, 0, 0, 0})); // bottom left
        EXPECT_EQ(got[7], (Pixel{0, 0, 0, 0}));                                               // top right
    }
}

TEST_F(StateLists, EntriesAreMadeOnceWhenThreadsAskTogether)
{
    constexpr int Threads = 8;
    for (int round = 0; round < 20; ++round) {
        Shader::SamplerStateList samplerList;
        Shader::BlendStateList blendList;
        Shader::RasterizerStateList rasterizerList;
        std::vector<const void*> seen[Threads];
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t)
            threads.emplace_back([&, t] {
                ++ready;
                while (ready.load() < Threads) {
                }
                for (uint32_t i = 0; i < Shader::SamplerStateList::Count; ++i)
                    seen[t].push_back(samplerList.get(i));
                for (uint32_t i = 0; i < Shader::BlendStateList::Count; ++i)
                    seen[t].push_back(blendList.get(i));
                for (uint32_t i = 0; i < Shader::RasterizerStateList::Count; ++i)
                    seen[t].push_back(rasterizerList.get(i));
            });
        for (auto& thread : threads)
            thread.join();
        for (int t = 1; t < Threads; ++t)
            ASSERT_EQ(seen[t], seen[0]) << "round " << round << ", thread " << t;
        ASSERT_EQ(samplerList.get(0), seen[0][0]);
    }
}
