// obj.pixelshader and obj.computeshader with shaders of the script's own text,
// on the software driver with the validation layer on, in both engines.
#include "core/text.h"
#include "tests/script/script_gpu_fixture.h"

using namespace ScriptTest;
using TestKit::Pixel;
using TestKit::Picture;

namespace {

const char* const Shaders = R"(--[[pixelshader@invert:
Texture2D src : register(t0);
float4 invert(float4 pos : SV_Position) : SV_Target
{
    float4 c = src.Load(int3(pos.xy, 0));
    return float4(c.a - c.rgb, c.a);
}
]]
--[[pixelshader@fill:
cbuffer constants : register(b0) { float4 colour; };
float4 fill(float4 pos : SV_Position) : SV_Target { return colour; }
]]
--[[pixelshader@second:
Texture2D first : register(t0);
Texture2D other : register(t1);
float4 second(float4 pos : SV_Position) : SV_Target { return other.Load(int3(pos.xy, 0)); }
]]
--[[computeshader@split:
Texture2D<float4> src : register(t0);
RWTexture2D<float4> a : register(u0);
RWTexture2D<float4> b : register(u1);
cbuffer constants : register(b0) { float4 k; float4 k2; };
[numthreads(8, 8, 1)]
void split(uint3 id : SV_DispatchThreadID)
{
    float4 c = src.Load(int3(id.xy, 0));
    a[id.xy] = c * k.x;
    b[id.xy] = float4(k.y, k.z, k2.y, k2.x);
}
]]
)";

class ShaderFunctions : public ScriptGpu {
protected:
    std::string runShaders(const std::string& script, const char* key, std::unique_ptr<Media::ResourceBuffer>& picture)
    {
        return run(std::string(Shaders) + script, key, picture);
    }
};

Picture inverted(const Picture& p)
{
    Picture out;
    for (const Pixel& c : p)
        out.push_back({TestKit::toHalf(c[3] - c[0]), TestKit::toHalf(c[3] - c[1]), TestKit::toHalf(c[3] - c[2]), c[3]});
    return out;
}

} // namespace

TEST_F(ShaderFunctions, APixelShaderReadsItsTargetAsItWasBeforeTheCall)
{
    const Picture content = fixture(16, 16, 21);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(content, 16, 16);
        runShaders("obj.pixelshader('invert', 'object', 'object')", key, picture);
        EXPECT_TRUE(TestKit::nearPicture(download(*picture), inverted(content), 16, 1e-3f));
        // Into a temporary picture from the object; the object stays.
        picture = upload(content, 16, 16);
        runShaders("obj.copybuffer('cache:t', 'obj') obj.pixelshader('invert', {'cache:t'}, {'object'})", key, picture);
        EXPECT_TRUE(TestKit::nearPicture(download(*cache->findBuffer("cache:t")), inverted(content), 16, 1e-3f));
        EXPECT_EQ(download(*picture), content);
    }
}

TEST_F(ShaderFunctions, BlendKeywordsAndTheirErrors)
{
    // fill (0.25, 0.5, 0, 0.5) over a picture of (0.2, 0.4, 0.6, 1).
    struct Case {
        const char* blend;
        Pixel expected;
    };
    const Case cases[] = {
        {"", {0.25f, 0.5f, 0, 0.5f}},
        {", 'copy'", {0.25f, 0.5f, 0, 0.5f}},
        {", 'draw'", {0.35f, 0.7f, 0.3f, 1}},
        {", 'mask'", {0.1f, 0.2f, 0.3f, 0.5f}},
        {", 'add'", {0.45f, 0.9f, 0.6f, 1}},
    };
    for (const char* key : EngineKeys) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(key) + c.blend);
            auto picture = upload(Picture(4, Pixel{0.2f, 0.4f, 0.6f, 1}), 2, 2);
            runShaders(std::string("obj.pixelshader('fill', 'object', nil, {0.25, 0.5, 0, 0.5}") + c.blend + ")", key,
                       picture);
            EXPECT_TRUE(TestKit::nearPicture(download(*picture), Picture(4, c.expected), 2, 2e-3f));
        }
        std::unique_ptr<Media::ResourceBuffer> picture = upload(Picture(4, Pixel{}), 2, 2);
        // A failed run keeps the picture: each case starts with a new one.
        auto error = [&](const std::string& script) {
            picture = upload(Picture(4, Pixel{}), 2, 2);
            return TestKit::errorText([&] { runShaders(script, key, picture); });
        };
        EXPECT_NE(error("obj.pixelshader('fill', 'object', nil, {1}, 'over')").find("invalid shader blend mode. mode=over"),
                  std::string::npos);
        EXPECT_NE(error("obj.pixelshader('nothing', 'object')").find("invalid shader name. name=nothing"),
                  std::string::npos);
        EXPECT_NE(error("obj.computeshader('invert', 'object')").find("invalid shader name. name=invert"),
                  std::string::npos);
        const std::string two = error("obj.pixelshader('fill', {'object', 'framebuffer'})");
        EXPECT_NE(two.find("invalid shader output parameter"), std::string::npos) << two;
        TestKit::LogCapture log;
        EXPECT_NE(error("obj.computeshader('split', 'tempbuffer')").find("invalid shader output parameter"),
                  std::string::npos);
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid buffer type. name=tempbuffer"));
    }
}

TEST_F(ShaderFunctions, AComputeShaderWritesSeveralTargetsWithPaddedConstants)
{
    const Picture content = fixture(16, 16, 8);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(content, 16, 16);
        // Five numbers become eight floats: k2 = (1, 0, 0, 0). Two groups of
        // 8 x 8 per axis cover the picture; the object is read through a copy.
        runShaders("obj.copybuffer('cache:b', 'obj')"
                   " obj.computeshader('split', {'object', 'cache:b'}, 'object', {0.5, 0.25, 0.5, 0.75, 1}, 2, 2)",
                   key, picture);
        Picture half;
        for (const Pixel& p : content)
            half.push_back({p[0] * 0.5f, p[1] * 0.5f, p[2] * 0.5f, p[3] * 0.5f});
        EXPECT_TRUE(TestKit::nearPicture(download(*picture), half, 16, 1e-3f));
        EXPECT_EQ(download(*cache->findBuffer("cache:b")), Picture(256, Pixel{0.25f, 0.5f, 0, 1}));
        // Without counts one group runs: only the top-left 8 x 8.
        picture = upload(content, 16, 16);
        runShaders("obj.computeshader('split', {'object', 'framebuffer'}, 'object', {1, 0, 0, 0, 0, 0, 0, 0})", key, picture);
        EXPECT_EQ(download(*picture), content);
        const Picture framed = readFrame(*frame);
        EXPECT_EQ(framed[0], (Pixel{0, 0, 0, 0}));
        EXPECT_EQ(framed[7 * 16 + 7], (Pixel{0, 0, 0, 0}));
        EXPECT_EQ(framed[8], frameContent[8]);
        frame = makeFrame(16, 12, frameContent);
        render.drawState.target = frame.get();
    }
}

TEST_F(ShaderFunctions, AMissingSourceMovesTheFollowingOnesDown)
{
    const Picture content = fixture(4, 4, 2);
    for (const char* key : EngineKeys) {
        SCOPED_TRACE(key);
        auto picture = upload(content, 4, 4);
        TestKit::LogCapture log;
        // "tempbuffer" does not exist: the frame lands at t0 and the object at
        // t1, which "second" reads.
        runShaders("obj.copybuffer('cache:out', 'obj')"
                   " obj.pixelshader('second', 'cache:out', {'tempbuffer', 'framebuffer', 'object'})"
                   " obj.pixelshader('second', 'object', {'object', 'framebuffer'})",
                   key, picture);
        EXPECT_TRUE(log.contains("SCRIPT|probe|invalid buffer type. name=tempbuffer"));
        EXPECT_EQ(download(*cache->findBuffer("cache:out")), content);
        Picture corner;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                corner.push_back(frameContent[size_t(y) * 16 + x]);
        EXPECT_EQ(download(*picture), corner);
    }
}
