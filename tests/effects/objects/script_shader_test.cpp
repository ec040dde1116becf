// Shader blocks in script texts, compiled on the software driver: names,
// stages, failures that end the list, the first of two names, includes beside
// the script and a reload.
#include "core/text.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "media/pixel_shader.h"
#include "media/resource_buffer.h"
#include "platform/os/folder.h"
#include "script/lua_script.h"
#include "tests/media/gpu_fixture.h"
#include "tests/support/test_support.h"

using namespace Effect;
using TestKit::Pixel;

namespace {

// A pixel shader named name that fills with the colour (r, g, b).
std::string fill(const std::string& opener, const std::string& name, const char* colour)
{
    return opener + ":\nfloat4 " + name + "(float4 p : SV_Position) : SV_Target { return float4(" + colour +
           ", 1); }\n]]\n";
}

class ScriptShaders : public TestKit::GpuFixture {
protected:
    void SetUp() override
    {
        GpuFixture::SetUp();
        engines.acquire<Plugin::ScriptService>()->registerPlugin<Plugin::LuaJitScript>();
    }
    void TearDown() override
    {
        effects.clear();
        engines.releaseAll();
        GpuFixture::TearDown();
    }

    ScriptEffect::CommonResource& script(const std::string& text, const std::wstring& folder = L"/scripts")
    {
        auto effect = std::make_shared<ScriptFilter>(L"");
        effect->createCommonResource();
        effect->setScriptSection({L"shaders", text}, folder, nullptr, nullptr);
        effects.push_back(effect);
        return *effect->getCommonResource();
    }

    // The colour the pixel shader fills a 2 x 2 picture with.
    Pixel colourOf(Media::PixelShader& shader)
    {
        auto picture = target(2, 2);
        shader.drawGenerate(*picture, nullptr);
        return download(*picture)[3];
    }

    System::ServiceStack engines;
    std::vector<std::shared_ptr<ScriptEffect>> effects;
};

} // namespace

TEST_F(ScriptShaders, BlocksAreFoundByNameAndStage)
{
    TestKit::LogCapture log;
    auto& common = script("--[[pixelshader@ red :\nfloat4 red(float4 p : SV_Position) : SV_Target"
                          " { return float4(1, 0, 0, 1); }\n]]\nobj.draw()\n" +
                          fill("--[[pixelshader", "pixelshader", "0, 0, 1") +
                          "--[[computeshader@grow:\nRWTexture2D<float4> o : register(u0);\n"
                          "[numthreads(8, 8, 1)] void grow(uint3 id : SV_DispatchThreadID) { o[id.xy] = 1; }\n]]\n");
    auto red = common.getPixelShader("red");
    ASSERT_TRUE(red);
    EXPECT_EQ(colourOf(*red), (Pixel{1, 0, 0, 1}));
    auto plain = common.getPixelShader("pixelshader");
    ASSERT_TRUE(plain);
    EXPECT_EQ(colourOf(*plain), (Pixel{0, 0, 1, 1}));
    EXPECT_TRUE(common.getComputeShader("grow"));
    EXPECT_FALSE(common.getComputeShader("red"));
    EXPECT_FALSE(common.getPixelShader("grow"));
    EXPECT_FALSE(common.getPixelShader("blue"));
    EXPECT_EQ(common.getPixelShader("red"), red); // compiled once
    for (const std::string& line : log.lines())
        EXPECT_EQ(line.rfind("WARN", 0), std::string::npos) << line;
}

TEST_F(ScriptShaders, ACompileErrorEndsTheListAndTheFirstOfANameStays)
{
    TestKit::LogCapture log;
    auto& common = script(fill("--[[pixelshader@a", "a", "1, 0, 0") + "--[[pixelshader@main:\nfloat main(float){\n]]\n" +
                          fill("--[[pixelshader@c", "c", "0, 1, 0"));
    EXPECT_TRUE(common.getPixelShader("a"));
    EXPECT_FALSE(common.getPixelShader("main"));
    EXPECT_FALSE(common.getPixelShader("c"));
    EXPECT_TRUE(log.contains("WARN|Effect::ScriptEffect::CommonResource::createShaderList|script shader load faild "
                             "[shaders]\nD3DCompile() failed"));
    EXPECT_TRUE(log.contains("/scripts/shaders.main"));

    auto& twice = script(fill("--[[pixelshader@x", "x", "1, 0, 0") + fill("--[[pixelshader@x", "x", "0, 1, 0"));
    EXPECT_EQ(colourOf(*twice.getPixelShader("x")), (Pixel{1, 0, 0, 1}));

    // A block with nothing between ":" and "]]", or without "]]", ends the list.
    auto& empty = script("--[[pixelshader@e:]]\n" + fill("--[[pixelshader@f", "f", "1, 1, 1"));
    EXPECT_FALSE(empty.getPixelShader("f"));
}

TEST_F(ScriptShaders, IncludesLieBesideTheScriptAndAReloadCompilesAgain)
{
    const std::string folder = TestKit::tempDir() + "/shader scripts";
    Platform::Os::createFolders(folder);
    TestKit::writeFile(folder + "/colour.hlsli", "#define COLOUR float4(0, 1, 0, 1)\n");
    const std::string block = "--[[pixelshader@inc:\n#include \"colour.hlsli\"\n"
                              "float4 inc(float4 p : SV_Position) : SV_Target { return COLOUR; }\n]]\n";
    auto effect = std::make_shared<ScriptFilter>(L"");
    effect->createCommonResource();
    effect->setScriptSection({L"inc", block}, System::fromLocalPath(folder), nullptr, nullptr);
    effects.push_back(effect);
    auto& common = *effect->getCommonResource();
    ASSERT_TRUE(common.getPixelShader("inc"));
    EXPECT_EQ(colourOf(*common.getPixelShader("inc")), (Pixel{0, 1, 0, 1}));

    effect->reloadScriptSection({L"inc", fill("--[[pixelshader@inc", "inc", "1, 0, 1")});
    ASSERT_TRUE(common.getPixelShader("inc"));
    EXPECT_EQ(colourOf(*common.getPixelShader("inc")), (Pixel{1, 0, 1, 1}));
}
