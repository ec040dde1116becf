#include "core/file.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/pixel_shader.h"
#include "platform/ui/application.h"
#include "tests/media/gpu_fixture.h"

using namespace Media;

TEST(Direct3DService, StartUpLogsTheDeviceWarnsOnceAndStoresItsSettings)
{
    TestKit::useSoftwareGpu();
    int boxes = 0;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        ++boxes;
        EXPECT_EQ(box.caption, L"Velmora Tessel2");
        EXPECT_EQ(box.icon, Platform::Ui::BoxIcon::Warning);
        EXPECT_NE(box.text.find(L"D3D ROVs not supported."), std::wstring::npos);
        return Platform::Ui::BoxAnswer::Ok;
    });
    std::string ini = TestKit::tempDir() + "/velmora2/velmora2.ini";
    {
        System::ServiceReference<Setting::SettingService> settings;
        TestKit::LogCapture log;
        {
            System::ServiceReference<Direct3DService> d3d;
            EXPECT_EQ(Direct3DService::Get()->PixelFormat, Format::R16G16B16A16Float); // the installed system.conf
            EXPECT_EQ(Direct3DService::Get()->MaskFormat, Format::A8Unorm);
            EXPECT_EQ(Direct3DService::Get()->sampleDesc.count, 1u);
        }
        EXPECT_TRUE(log.contains("D3D feature level : 0x0000b100"));
        EXPECT_TRUE(log.contains("D3D ROVsSupported : 0")); // the software driver has no interlock
        std::vector<std::string> formats;
        for (const auto& line : log.lines())
            if (line.find("Texture2D Supported : ") != std::string::npos)
                formats.push_back(line.substr(line.find("DXGI_FORMAT_")));
        std::vector<std::string> want = {
            "DXGI_FORMAT_R8G8B8A8_UNORM Texture2D Supported : 1",      "DXGI_FORMAT_B8G8R8A8_UNORM Texture2D Supported : 1",
            "DXGI_FORMAT_A8_UNORM Texture2D Supported : 1",            "DXGI_FORMAT_R16G16B16A16_FLOAT Texture2D Supported : 1",
            "DXGI_FORMAT_G8R8_G8B8_UNORM Texture2D Supported : 1",     "DXGI_FORMAT_R16G16B16A16_UNORM Texture2D Supported : 1",
            "DXGI_FORMAT_R16G16B16A16_SNORM Texture2D Supported : 1",
        };
        EXPECT_EQ(formats, want);
    }
    Platform::Ui::setMessageBoxAnswerer(nullptr);
    EXPECT_EQ(boxes, 1);
    // A first run stores the section with its defaults.
    std::string text = TestKit::readFile(ini);
    for (const char* line : {"MultiSampleCount=8", "MaxAnisotropy=16", "HighDpiMode=1", "OutputYUVColorSpace=",
                             "OutputYUVColorRange=0"})
        EXPECT_NE(text.find(line), std::string::npos) << line << " in\n" << text;
    // The pipeline cache is kept beside the settings for the next start.
    EXPECT_GE(TestKit::readFile(TestKit::tempDir() + "/velmora2/PipelineCache.bin").size(), 32u);
}

TEST(Direct3DService, WorkingAndMaskFormatsComeFromTheSystemConfiguration)
{
    TestKit::useSoftwareGpu();
    TestKit::UserFile conf("system.conf", "[Config]\nPixelFormat=28\nMaskFormat=x\n");
    System::ServiceReference<Setting::SettingService> settings;
    System::ServiceReference<Direct3DService> d3d;
    EXPECT_EQ(Direct3DService::Get()->PixelFormat, Format::R8G8B8A8Unorm);
    EXPECT_EQ(Direct3DService::Get()->MaskFormat, Format::A8Unorm); // unreadable: the default
    ResourceBuffer buffer(4, 4);
    EXPECT_EQ(buffer.getFormat(), Format::R8G8B8A8Unorm);
}

using BoundStateCache = TestKit::GpuFixture;

TEST_F(BoundStateCache, BindsReachTheContextOnlyWhenTheObjectOrFactorChanges)
{
    auto source = upload(fixture(4, 4), 4, 4);
    auto out = target(4, 4);
    d3d->bindCounts = {};
    shaders->copyShader.drawNoConstant(*out, *source);
    shaders->copyShader.drawNoConstant(*out, *source);
    EXPECT_EQ(d3d->bindCounts.pixelShader, 1u);
    EXPECT_EQ(d3d->bindCounts.vertexShader, 1u);
    EXPECT_EQ(d3d->bindCounts.rasterizerState, 1u);
    EXPECT_EQ(d3d->bindCounts.blendState, 1u);
    shaders->premultiplyShader.drawNoConstant(*out, *source);
    shaders->copyShader.drawNoConstant(*out, *source);
    EXPECT_EQ(d3d->bindCounts.pixelShader, 3u);

    // The same blend state with another factor is bound again; with the same
    // factor it is not.
    Media::RenderBuffer frame(Format::R16G16B16A16Float);
    frame.createTexture2D(4, 4);
    const float half[4] = {0.5f, 0.5f, 0.5f, 0.5f}, quarter[4] = {0.25f, 0.25f, 0.25f, 0.25f};
    d3d->bindCounts = {};
    shaders->copyShader.drawToRenderBufferNoConstant(frame, *source, half, blends->get(19));
    shaders->copyShader.drawToRenderBufferNoConstant(frame, *source, half, blends->get(19));
    shaders->copyShader.drawToRenderBufferNoConstant(frame, *source, quarter, blends->get(19));
    EXPECT_EQ(d3d->bindCounts.blendState, 2u);
}

TEST_F(BoundStateCache, ComputeShaderDispatchedTwiceBindsOnce)
{
    Media::ComputeShader shader;
    shader.loadFromSource("fill.hlsl", R"(
        RWTexture2D<float4> target : register(u0);
        [numthreads(4, 4, 1)] void main(uint3 id : SV_DispatchThreadID) { target[id.xy] = float4(1, 0.5, 0.25, 1); })",
                          "main");
    auto picture = std::make_unique<ResourceBuffer>(8, 8);
    d3d->setComputeUnorderedAccessView(0, *picture);
    d3d->bindCounts = {};
    shader.dispatch(2, 2, 1);
    shader.dispatch(2, 2, 1);
    EXPECT_EQ(d3d->bindCounts.computeShader, 1u);
    Platform::Gpu::View* none = nullptr;
    d3d->context->setComputeUnorderedAccessViews(0, 1, &none);
    for (const auto& p : download(*picture))
        ASSERT_EQ(p, (TestKit::Pixel{1, 0.5f, 0.25f, 1}));
}

TEST_F(BoundStateCache, PixelShadersWriteUnorderedAccessPicturesBesideTheTarget)
{
    // The script declares full-precision storage; the pictures bound are a
    // depth picture and a working-format picture.
    PixelShader shader;
    shader.loadFromSource("depth.hlsl", R"(
        RWTexture2D<float> depth : register(u1);
        RWTexture2D<float4> normals : register(u2);
        float4 main(float4 pos : SV_Position) : SV_Target
        {
            int2 p = int2(pos.xy);
            depth[p] = depth[p] + 1;
            normals[p] = float4(0.5, 0.25, p.x, 1);
            return float4(1, 0, 0, 1);
        })",
                          "main");
    RenderBuffer frame(Format::R16G16B16A16Float);
    frame.createTexture2D(6, 4);
    ResourceBuffer& depth = frame.getDepthBuffer();
    depth.clearUnorderedAccessView(0.0f);
    ResourceBuffer& normals = frame.getNormalBuffer();
    Platform::Gpu::View* views[2] = {depth.getUnorderedAccessView(), normals.getUnorderedAccessView()};
    // Each draw sees what the one before it wrote.
    for (int i = 0; i < 3; ++i) {
        d3d->setRenderBufferTargetAndUnorderedAccessViews(frame, 2, views);
        shader.drawQuad(nullptr, nullptr);
    }
    d3d->context->setRenderTargets(0, nullptr);
    auto image = depth.readImageBuffer();
    for (uint32_t y = 0; y < 4; ++y)
        for (uint32_t x = 0; x < 6; ++x) {
            float v;
            std::memcpy(&v, image->row(y) + 4 * x, 4);
            ASSERT_EQ(v, 3.0f) << x << "," << y;
        }
    TestKit::Picture n = download(normals);
    EXPECT_EQ(n[5], (TestKit::Pixel{0.5f, 0.25f, 5, 1}));
    EXPECT_EQ(download(*frame.createResourceBuffer(true))[0], (TestKit::Pixel{1, 0, 0, 1}));
}
