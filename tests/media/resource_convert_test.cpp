// Conversions between the working format and the memory formats: every
// format both ways against its formula, YUY2 against ffmpeg's own conversion,
// and the YUV colour tables of system.conf.
#include "core/file.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "media/render_buffer.h"
#include "media/resource_convert.h"
#include "media/video_decompressor.h"
#include "media/yuv_format.h"
#include "tests/media/gpu_fixture.h"
#include "tests/support/riff.h"

#include <cmath>
#include <cstdio>
#include <cstring>

using namespace Media;
using TestKit::Picture;
using TestKit::Pixel;
using TestKit::errorText;

using ResourceConvertTest = TestKit::GpuFixture;

namespace {

// A colour space by its luma weights, as the standards define it.
struct Matrix {
    const char* name; // as in system.conf and on ffmpeg's command line
    const char* ffmpeg;
    double kr, kb;
    // Y in 0..1, Cb and Cr in -0.5..0.5.
    void toYuv(const double rgb[3], double yuv[3]) const
    {
        const double kg = 1 - kr - kb;
        yuv[0] = kr * rgb[0] + kg * rgb[1] + kb * rgb[2];
        yuv[1] = (rgb[2] - yuv[0]) / (2 * (1 - kb));
        yuv[2] = (rgb[0] - yuv[0]) / (2 * (1 - kr));
    }
    void toRgb(const double yuv[3], double rgb[3]) const
    {
        const double kg = 1 - kr - kb;
        rgb[0] = yuv[0] + 2 * (1 - kr) * yuv[2];
        rgb[2] = yuv[0] + 2 * (1 - kb) * yuv[1];
        rgb[1] = (yuv[0] - kr * rgb[0] - kb * rgb[2]) / kg;
    }
};
const Matrix Bt601{"BT.601", "bt601", 0.299, 0.114};
const Matrix Bt709{"BT.709", "bt709", 0.2126, 0.0722};
const Matrix Bt2020{"BT.2020", "bt2020nc", 0.2627, 0.0593};

int code(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0))); }

// The working-format frame holding the picture.
std::unique_ptr<RenderBuffer> frameOf(Shader::ShaderList& shaders, std::unique_ptr<ResourceBuffer> content)
{
    auto frame = std::make_unique<RenderBuffer>(Format::R16G16B16A16Float);
    frame->createTexture2D(content->getWidth(), content->getHeight());
    shaders.copyShader.copyToRenderBuffer(*frame, *content);
    return frame;
}

std::string tempPath(const std::string& name) { return TestKit::tempDir() + "/" + name; }

} // namespace

TEST(YUVformat, TablesAreReadUpToTheFirstGapAndChosenByHeight)
{
    System::IniFile file;
    file.loadText("[YUV2RGB]\n0=low,0,1,0,0,0,1,0,0,0,1\n1=high,720,1,0,0,0,1,0,0,0,1\n3=ignored,0,1,0,0,0,1,0,0,0,1\n"
                  "[RGB2YUV]\n0=a,0,1,0,0,0,1,0,0,0,1\n1=b,720,1,0,0,0,1,0,0,0,1\n2=b,720,1,0,0,0,1,0,0,0,1\n"
                  "3=c,480,1,0,0,0,1,0,0,0,1\n",
                  L"system.conf", false);
    TestKit::LogCapture log;
    YUVformat::InitializeColorTable(file);
    const auto& in = YUVformat::yuvToRgbTable();
    ASSERT_EQ(in.size(), 2u); // "3" follows a gap
    EXPECT_TRUE(log.contains("INFO|Media::YUVformat::InitializeColorTable|[YUV2RGB] 1: high"));
    EXPECT_TRUE(log.contains("INFO|Media::YUVformat::InitializeColorTable|[RGB2YUV] 3: c"));

    struct Case {
        int requested;
        uint32_t height;
        size_t want;
    };
    for (const Case& c : {Case{-1, 1080, 1}, Case{-1, 480, 0}, Case{-1, 720, 1}, Case{0, 1080, 0}, Case{8, 480, 1}}) {
        SCOPED_TRACE(testing::Message() << c.requested << " at " << c.height);
        EXPECT_EQ(&YUVformat::select(in, c.requested, c.height), &in[c.want]);
    }
    // Equal minimum heights: the later entry; a smaller minimum after a larger
    // one is never chosen over it.
    const auto& out = YUVformat::rgbToYuvTable();
    EXPECT_EQ(YUVformat::chooseByHeight(out, 720), 2u);
    EXPECT_EQ(YUVformat::chooseByHeight(out, 1080), 2u);
    EXPECT_EQ(YUVformat::chooseByHeight(out, 500), 3u);
    // Names: the first entry of a name; unknown and empty names are 0.
    EXPECT_EQ(YUVformat::findColorSpace(L"b"), 2);
    EXPECT_EQ(YUVformat::findColorSpace(L"c"), 4);
    EXPECT_EQ(YUVformat::findColorSpace(L"nope"), 0);
    EXPECT_EQ(YUVformat::findColorSpace(L""), 0);
}

TEST(YUVformat, MalformedOrMissingEntriesStopTheTables)
{
    struct Case {
        const char* text;
        const char* want;
    };
    const Case cases[] = {
        {"[YUV2RGB]\n0=a,0,1,0,0,0,1,0,0,0,1\n1=ten,0,1,0,0,0,1,0,0,0\n[RGB2YUV]\n0=a,0,1,0,0,0,1,0,0,0,1\n",
         "yuv color setting invalid"},
        {"[YUV2RGB]\n0=a,0,1,0,0,0,1,0,0,0,1\n[RGB2YUV]\n0=a,x,1,0,0,0,1,0,0,0,1\n", "invalid format(int)"},
        {"[YUV2RGB]\n0=a,0,1,0,0,0,1,0,0,0,1\n[RGB2YUV]\n1=a,0,1,0,0,0,1,0,0,0,1\n", "no yuv color setting"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        System::IniFile file;
        file.loadText(c.text, L"/conf/system.conf", false);
        std::string text = errorText([&] { YUVformat::InitializeColorTable(file); });
        EXPECT_NE(text.find(c.want), std::string::npos) << text;
        EXPECT_TRUE(YUVformat::yuvToRgbTable().empty()); // nothing half-built is kept
    }
    System::IniFile file;
    file.loadText("[YUV2RGB]\n0=a,0,1,0,0,0,1,0,0,0,1\n1=ten,0,1,0,0,0,1,0,0,0\n[RGB2YUV]\n0=a,0,1,0,0,0,1,0,0,0,1\n",
                  L"/conf/system.conf", false);
    std::string text = errorText([&] { YUVformat::InitializeColorTable(file); });
    EXPECT_NE(text.find("section=YUV2RGB key=1"), std::string::npos) << text; // the note names the entry
    EXPECT_NE(text.find("Media::YUVformat::ColorValues::ColorValues"), std::string::npos) << text;
}

TEST(YUVformat, AMalformedInstalledEntryStopsTheDevice)
{
    TestKit::useSoftwareGpu();
    TestKit::UserFile conf("system.conf", "[RGB2YUV]\n0=BT.601,0,1,2,3\n");
    System::ServiceReference<Setting::SettingService> settings;
    std::string text = errorText([] { System::ServiceReference<Direct3DService> d3d; });
    EXPECT_NE(text.find("yuv color setting invalid"), std::string::npos) << text;
    EXPECT_EQ(Direct3DService::Get(), nullptr);
}

TEST_F(ResourceConvertTest, EveryMemoryFormatComesIntoTheWorkingFormat)
{
    // Straight colours with alpha, exact in 8 bits.
    const int w = 4, h = 2;
    const uint8_t rgba[w * h][4] = {{255, 0, 0, 255}, {0, 128, 255, 128}, {10, 20, 30, 0},    {255, 255, 255, 51},
                                    {64, 32, 16, 204}, {1, 2, 3, 255},    {200, 100, 50, 25}, {0, 0, 0, 255}};
    const int options[2] = {0, 0};
    for (Format format : {Format::R8G8B8A8Unorm, Format::B8G8R8A8Unorm, Format::B8G8R8X8Unorm}) {
        SCOPED_TRACE(dxgiNumber(format));
        auto image = ImageBuffer::create(format, w, h);
        Picture want(w * h);
        for (int i = 0; i < w * h; ++i) {
            const uint8_t* c = rgba[i];
            uint8_t* p = image->row(i / w) + 4 * (i % w);
            const bool bgr = format != Format::R8G8B8A8Unorm;
            p[0] = bgr ? c[2] : c[0];
            p[1] = c[1];
            p[2] = bgr ? c[0] : c[2];
            p[3] = format == Format::B8G8R8X8Unorm ? 0 : c[3]; // the fourth byte of RGB24 is padding
            float a = format == Format::B8G8R8X8Unorm ? 1.0f : c[3] / 255.0f;
            want[i] = {TestKit::toHalf(c[0] / 255.0f * a), TestKit::toHalf(c[1] / 255.0f * a),
                       TestKit::toHalf(c[2] / 255.0f * a), TestKit::toHalf(a)};
        }
        ResourceBuffer buffer(*image, options);
        EXPECT_TRUE(TestKit::nearPicture(download(buffer), want, w, 2e-3f));
    }
    // 16-bit pictures are premultiplied already and copied.
    for (Format format : {Format::R16G16B16A16Float, Format::R16G16B16A16Unorm}) {
        SCOPED_TRACE(dxgiNumber(format));
        auto image = ImageBuffer::create(format, w, h);
        Picture want(w * h);
        for (int i = 0; i < w * h; ++i) {
            auto* p = reinterpret_cast<uint16_t*>(image->row(i / w)) + 4 * (i % w);
            for (int c = 0; c < 4; ++c) {
                float v = rgba[i][c] / 255.0f * (c == 3 ? 1.0f : rgba[i][3] / 255.0f);
                p[c] = format == Format::R16G16B16A16Float ? TestKit::floatToHalf(v) : static_cast<uint16_t>(std::lround(v * 65535));
                want[i][c] = TestKit::toHalf(v);
            }
        }
        ResourceBuffer buffer(*image, options);
        EXPECT_TRUE(TestKit::nearPicture(download(buffer), want, w, 2e-3f));
    }
    // YC48: Y 0..4096 for 0..1, Cb and Cr -2048..2048, through the first entry
    // of [YUV2RGB] (BT.601) for a short picture; alpha becomes 1.
    auto yc = ImageBuffer::create(Format::R16G16B16A16Snorm, w, h);
    const int16_t ycc[w * h][3] = {{4096, 0, 0},      {0, 0, 0},       {2048, 1000, -500}, {1200, -2048, 2047},
                                   {3000, 300, 300}, {4800, -100, 0}, {-200, 0, 0},       {2048, -600, 900}};
    Picture want(w * h);
    for (int i = 0; i < w * h; ++i) {
        auto* p = reinterpret_cast<int16_t*>(yc->row(i / w)) + 4 * (i % w);
        p[0] = ycc[i][0], p[1] = ycc[i][1], p[2] = ycc[i][2], p[3] = 0;
        double yuv[3] = {ycc[i][0] / 4096.0, ycc[i][1] / 4096.0, ycc[i][2] / 4096.0}, rgb[3];
        Bt601.toRgb(yuv, rgb);
        want[i] = {TestKit::toHalf(float(rgb[0])), TestKit::toHalf(float(rgb[1])), TestKit::toHalf(float(rgb[2])), 1};
    }
    ResourceBuffer fromYc(*yc, options);
    EXPECT_TRUE(TestKit::nearPicture(download(fromYc), want, w, 3e-3f));
}

TEST_F(ResourceConvertTest, OpaquePicturesComeInAsTheNearestHalfOfEveryByte)
{
    // RGB24 pictures are written into the working format on the processor in
    // bands of rows: every byte value, rows over three bands (the last short)
    // and a fourth byte that must be ignored. Each texel is the nearest half
    // of byte / 255 with alpha 1; the device's copy-opaque pass (which may
    // round toward zero) is at most one unit in the last place away.
    const uint32_t w = 2048, h = 130;
    auto image = ImageBuffer::create(Format::B8G8R8X8Unorm, w, h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            uint8_t* p = image->row(y) + 4 * x;
            p[0] = uint8_t(x + y), p[1] = uint8_t(x * 7 + y), p[2] = uint8_t(x * 13 + y * 3), p[3] = 0x5A;
        }
    const int options[2] = {0, 0};
    ResourceBuffer uploaded(*image, options);
    ResourceBuffer converted(1, 1);
    ResourceConvert(*d3d, shaders.get()).convert(*image, converted, options);
    auto got = uploaded.readImageBuffer(), pass = converted.readImageBuffer();
    ASSERT_EQ(got->width, w);
    ASSERT_EQ(got->height, h);
    int wrong = 0, farFromPass = 0;
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t* s = image->row(y);
        const uint16_t* g = reinterpret_cast<const uint16_t*>(got->row(y));
        const uint16_t* d = reinterpret_cast<const uint16_t*>(pass->row(y));
        for (uint32_t x = 0; x < w; ++x) {
            const uint16_t want[4] = {TestKit::floatToHalf(s[4 * x + 2] / 255.0f),
                                      TestKit::floatToHalf(s[4 * x + 1] / 255.0f),
                                      TestKit::floatToHalf(s[4 * x] / 255.0f), 0x3C00};
            for (int c = 0; c < 4; ++c) {
                wrong += g[4 * x + c] != want[c];
                farFromPass += std::abs(int(g[4 * x + c]) - int(d[4 * x + c])) > 1;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(farFromPass, 0);
}

TEST_F(ResourceConvertTest, FramesGoOutToEveryMemoryFormat)
{
    const int w = 4, h = 2;
    const Picture straight = {{1, 0, 0, 1},       {0, 0.5f, 1, 0.5f}, {0.2f, 0.4f, 0.6f, 0}, {1, 1, 1, 0.25f},
                              {0.25f, 0.125f, 0.0625f, 0.75f}, {1.5f, -0.25f, 0.5f, 1}, {0.8f, 0.4f, 0.2f, 0.1f},
                              {0, 0, 0, 1}};
    Picture premultiplied(straight.size());
    for (size_t i = 0; i < straight.size(); ++i)
        for (int c = 0; c < 4; ++c)
            premultiplied[i][c] = TestKit::toHalf(c == 3 ? straight[i][3] : straight[i][c] * straight[i][3]);
    auto frame = frameOf(*shaders, upload(premultiplied, w, h));
    auto sat = [](float v) { return std::clamp(v, 0.0f, 1.0f); };

    for (bool straightAlpha : {true, false})
        for (Format format : {Format::R8G8B8A8Unorm, Format::B8G8R8A8Unorm}) {
            SCOPED_TRACE(testing::Message() << dxgiNumber(format) << (straightAlpha ? " straight" : " premultiplied"));
            auto image = frame->createImageBuffer(format, straightAlpha);
            ASSERT_EQ(image->format, format);
            for (int i = 0; i < w * h; ++i) {
                const Pixel& p = premultiplied[i];
                const uint8_t* got = image->row(i / w) + 4 * (i % w);
                for (int c = 0; c < 4; ++c) {
                    float v = c == 3 ? p[3] : straightAlpha ? (p[3] > 0 ? p[c] / p[3] : 0.0f) : std::min(p[c], p[3]);
                    int byte = format == Format::B8G8R8A8Unorm && c != 3 ? 2 - c : c;
                    EXPECT_NEAR(got[byte], std::lround(sat(v) * 255), 1) << "pixel " << i << " channel " << c;
                }
            }
        }
    auto rgb24 = frame->createImageBuffer(Format::B8G8R8X8Unorm, false);
    auto pa64 = frame->createImageBuffer(Format::R16G16B16A16Unorm, false);
    auto yc48 = frame->createImageBuffer(Format::R16G16B16A16Snorm, false);
    ASSERT_EQ(yc48->format, Format::R16G16B16A16Snorm);
    for (int i = 0; i < w * h; ++i) {
        SCOPED_TRACE(i);
        const Pixel& p = premultiplied[i];
        const uint8_t* bgrx = rgb24->row(i / w) + 4 * (i % w);
        const auto* pa = reinterpret_cast<const uint16_t*>(pa64->row(i / w)) + 4 * (i % w);
        const auto* ycc = reinterpret_cast<const int16_t*>(yc48->row(i / w)) + 4 * (i % w);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(bgrx[2 - c], std::lround(sat(p[c]) * 255), 1);
            EXPECT_NEAR(pa[c], std::lround(sat(p[c]) * 65535), 2);
        }
        EXPECT_NEAR(pa[3], std::lround(p[3] * 65535), 2);
        // YC48 from the saturated premultiplied colour, the fourth value the alpha.
        double rgb[3] = {sat(p[0]), sat(p[1]), sat(p[2])}, yuv[3];
        Bt601.toYuv(rgb, yuv);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(ycc[c], yuv[c] * 4096, 1.5) << "channel " << c;
        EXPECT_NEAR(ycc[3], p[3] * 32767, 1);
    }
}

TEST_F(ResourceConvertTest, RgbFramesComeOutAsTheCopyOpaquePassWritesThemForEveryHalf)
{
    // An RGB24 frame is read back and turned to bytes on the processor: every
    // one of the 65536 halves (NaN, infinities, negatives and subnormals among
    // them) in each colour channel, against the device's copy-opaque pass
    // into an 8-bit picture.
    const uint32_t w = 256, h = 256;
    auto texels = ImageBuffer::create(Format::R16G16B16A16Float, w, h);
    for (uint32_t i = 0; i < w * h; ++i) {
        auto* t = reinterpret_cast<uint16_t*>(texels->row(i / w)) + 4 * (i % w);
        t[0] = uint16_t(i), t[1] = uint16_t(i + 21845), t[2] = uint16_t(i * 7 + 3), t[3] = uint16_t(i * 3);
    }
    const int options[2] = {0, 0};
    auto frame = frameOf(*shaders, std::make_unique<ResourceBuffer>(*texels, options));
    auto got = frame->createImageBuffer(Format::B8G8R8X8Unorm, true);
    RenderBuffer pass(Format::B8G8R8X8Unorm);
    pass.createTexture2D(w, h);
    shaders->copyOpaqueShader.drawViewToRenderBuffer(pass, frame->getShaderResourceView());
    auto want = pass.readImageBuffer();
    ASSERT_EQ(got->format, Format::B8G8R8X8Unorm);
    int different = 0, notOpaque = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* g = got->row(y) + 4 * x;
            const uint8_t* d = want->row(y) + 4 * x;
            different += g[0] != d[0] || g[1] != d[1] || g[2] != d[2];
            notOpaque += g[3] != 255;
        }
    EXPECT_EQ(different, 0);
    EXPECT_EQ(notOpaque, 0);
    // A few reds by their formula: 0.5, 1/255 (as a half), just above 1, -1, NaN.
    auto red = [&](uint32_t i) { return got->row(i / w)[4 * (i % w) + 2]; };
    EXPECT_EQ(red(0x3800), 128);
    EXPECT_EQ(red(0x1C04), 1);
    EXPECT_EQ(red(0x3C01), 255);
    EXPECT_EQ(red(0xBC00), 0);
    EXPECT_EQ(red(0x7E00), 0);
}

TEST_F(ResourceConvertTest, YuvEntriesAreChosenByHeightOrByName)
{
    // One saturated colour, where the two matrices differ most.
    const double red[3] = {0.9, 0.1, 0.2};
    auto yuy2For = [&](const Matrix& m, int height) {
        auto image = ImageBuffer::create(Format::Yuy2, 2, height);
        double yuv[3];
        m.toYuv(red, yuv);
        for (int y = 0; y < height; ++y) {
            uint8_t* p = image->row(y);
            p[0] = p[2] = static_cast<uint8_t>(code(16 + 219 * yuv[0]));
            p[1] = static_cast<uint8_t>(code(128 + 224 * yuv[1]));
            p[3] = static_cast<uint8_t>(code(128 + 224 * yuv[2]));
        }
        return image;
    };
    auto redOf = [&](const ImageBuffer& image, int option) {
        const int options[2] = {option, 0};
        ResourceBuffer buffer(image, options);
        return download(buffer)[0][0];
    };
    // 480 lines: entry 0 (BT.601); 720 lines and more: entry 1 (BT.709).
    EXPECT_NEAR(redOf(*yuy2For(Bt601, 480), 0), 0.9f, 0.01f);
    EXPECT_NEAR(redOf(*yuy2For(Bt709, 720), 0), 0.9f, 0.01f);
    EXPECT_NEAR(redOf(*yuy2For(Bt601, 720), 1), 0.9f, 0.01f); // entry 0 asked for
    EXPECT_NEAR(redOf(*yuy2For(Bt2020, 480), 9), 0.9f, 0.01f); // beyond the table: the last entry
    EXPECT_GT(std::fabs(redOf(*yuy2For(Bt601, 720), 0) - 0.9f), 0.03f);

    // Frames: by height unless "OutputYUVColorSpace" names an entry.
    Picture pixels(2 * 720, Pixel{0.9f, 0.1f, 0.2f, 1});
    auto frame = frameOf(*shaders, upload(pixels, 2, 720));
    auto lumaOf = [&] { return frame->createImageBuffer(Format::Yuy2, false)->row(0)[0]; };
    double yuv[3];
    Bt709.toYuv(red, yuv);
    EXPECT_NEAR(lumaOf(), 16 + 219 * yuv[0], 1);
    d3d->OutputYUVColorSpace = L"BT.601";
    Bt601.toYuv(red, yuv);
    EXPECT_NEAR(lumaOf(), 16 + 219 * yuv[0], 1);
    d3d->OutputYUVColorSpace = L"no such space"; // unknown: by height again
    Bt709.toYuv(red, yuv);
    EXPECT_NEAR(lumaOf(), 16 + 219 * yuv[0], 1);
}

TEST_F(ResourceConvertTest, Yuy2PairsShareTheChromaOfTheirEvenPixel)
{
    // In: width 6, every pair with its own chroma; both pixels of a pair get it.
    auto image = ImageBuffer::create(Format::Yuy2, 6, 1);
    const uint8_t bytes[12] = {100, 60, 120, 200, 80, 128, 90, 128, 150, 220, 50, 30};
    std::memcpy(image->row(0), bytes, sizeof(bytes));
    const int full[2] = {1, 1};
    ResourceBuffer buffer(*image, full);
    Picture got = download(buffer);
    for (int x = 0; x < 6; ++x) {
        const uint8_t* pair = bytes + 4 * (x / 2);
        double yuv[3] = {(x % 2 ? pair[2] : pair[0]) / 255.0, (pair[1] - 128) / 255.0, (pair[3] - 128) / 255.0}, rgb[3];
        Bt601.toRgb(yuv, rgb);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(got[x][c], rgb[c], 4e-3) << "pixel " << x << " channel " << c;
    }
    // Out: the chroma of pixels 0, 2, 4 is kept; an odd last pixel repeats its luma.
    for (int width : {6, 5}) {
        SCOPED_TRACE(width);
        Picture pixels(width);
        for (int x = 0; x < width; ++x)
            pixels[x] = {x * 0.2f, 1 - x * 0.15f, (x % 2) * 0.9f, 1};
        auto frame = frameOf(*shaders, upload(pixels, width, 1));
        d3d->OutputYUVColorRange = 1;
        auto out = frame->createImageBuffer(Format::Yuy2, false);
        ASSERT_EQ(out->pitch, ImageBuffer::getDefaultPitchSize(Format::Yuy2, width));
        for (int x = 0; x < width; x += 2) {
            const uint8_t* pair = out->row(0) + 2 * x;
            double rgb[3] = {TestKit::toHalf(pixels[x][0]), TestKit::toHalf(pixels[x][1]), pixels[x][2]}, yuv[3];
            Bt601.toYuv(rgb, yuv);
            EXPECT_NEAR(pair[0], 255 * yuv[0], 1);
            EXPECT_NEAR(pair[1], 128 + 255 * yuv[1], 1);
            EXPECT_NEAR(pair[3], 128 + 255 * yuv[2], 1);
            if (x + 1 == width) {
                EXPECT_EQ(pair[2], pair[0]);
            }
        }
    }
}

TEST_F(ResourceConvertTest, Yuy2MatchesFfmpegForBothMatricesAndRanges)
{
    // Colour blocks of 8 x 2 pixels: ffmpeg's chroma filters see one chroma
    // inside a block, so every pixel has one right answer.
    const int w = 64, h = 8;
    std::string rgb24(size_t(w) * h * 3, '\0');
    uint32_t seed = 11;
    Picture working(size_t(w) * h);
    for (int by = 0; by < h; by += 2)
        for (int bx = 0; bx < w; bx += 8) {
            uint8_t c[3];
            for (uint8_t& v : c) {
                seed = seed * 1664525u + 1013904223u;
                v = static_cast<uint8_t>(seed >> 24);
            }
            if (bx == 0)
                c[0] = c[1] = c[2] = static_cast<uint8_t>(by * 85 / 2); // greys, black and white
            for (int y = by; y < by + 2; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    std::memcpy(&rgb24[(size_t(y) * w + x) * 3], c, 3);
                    working[size_t(y) * w + x] = {c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f, 1};
                }
        }
    TestKit::writeFile(tempPath("source.rgb"), rgb24);
    auto frame = frameOf(*shaders, upload(working, w, h));

    for (const Matrix* m : {&Bt601, &Bt709})
        for (int fullRange : {0, 1}) {
            SCOPED_TRACE(testing::Message() << m->name << (fullRange ? " full" : " limited"));
            const std::string range = fullRange ? "pc" : "tv";
            const std::string size = std::to_string(w) + "x" + std::to_string(h);
            std::string command = "ffmpeg -v error -y -f rawvideo -pix_fmt rgb24 -s " + size + " -i '" +
                                  tempPath("source.rgb") + "' -vf scale=out_color_matrix=" + m->ffmpeg +
                                  ":out_range=" + range + " -pix_fmt yuyv422 -f rawvideo '" + tempPath("ffmpeg.yuy2") +
                                  "' && ffmpeg -v error -y -f rawvideo -pix_fmt yuyv422 -s " + size + " -i '" +
                                  tempPath("ffmpeg.yuy2") + "' -vf scale=in_color_matrix=" + m->ffmpeg + ":in_range=" +
                                  range + ":flags=bilinear+accurate_rnd+full_chroma_int -pix_fmt rgb24 -f rawvideo '" +
                                  tempPath("ffmpeg.rgb") + "'";
            ASSERT_EQ(TestKit::runCommand(command), 0) << command;
            const std::string reference = TestKit::readFile(tempPath("ffmpeg.yuy2"));
            const std::string decoded = TestKit::readFile(tempPath("ffmpeg.rgb"));
            ASSERT_EQ(reference.size(), size_t(w) * h * 2);
            ASSERT_EQ(decoded.size(), size_t(w) * h * 3);

            // Ours from RGB against ffmpeg's YUY2, byte by byte.
            d3d->OutputYUVColorSpace = System::utf8ToWide(m->name);
            d3d->OutputYUVColorRange = fullRange;
            auto ours = frame->createImageBuffer(Format::Yuy2, false);
            int worst = 0;
            for (int y = 0; y < h; ++y)
                for (int i = 0; i < w * 2; ++i)
                    worst = std::max(worst, std::abs(int(ours->row(y)[i]) - int(uint8_t(reference[size_t(y) * w * 2 + i]))));
            EXPECT_LE(worst, 1);

            // ffmpeg's YUY2 into the working format against ffmpeg's own RGB.
            auto yuy2 = ImageBuffer::create(Format::Yuy2, w, h);
            for (int y = 0; y < h; ++y)
                std::memcpy(yuy2->row(y), reference.data() + size_t(y) * w * 2, size_t(w) * 2);
            const int options[2] = {m == &Bt601 ? 1 : 2, fullRange};
            ResourceBuffer converted(*yuy2, options);
            Picture got = download(converted);
            worst = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (x % 8 == 0 || x % 8 == 7)
                        continue; // beside another block ffmpeg interpolates chroma
                    for (int c = 0; c < 3; ++c) {
                        int want = uint8_t(decoded[(size_t(y) * w + x) * 3 + c]);
                        worst = std::max(worst, std::abs(code(got[size_t(y) * w + x][c] * 255.0) - want));
                    }
                    EXPECT_EQ(got[size_t(y) * w + x][3], 1.0f);
                }
            EXPECT_LE(worst, 1);
        }
}

TEST(ResourceConvert, AnotherWorkingFormatRefusesEveryConversion)
{
    TestKit::useSoftwareGpu();
    std::unique_ptr<TestKit::UserFile> conf = std::make_unique<TestKit::UserFile>("system.conf", "[Config]\nPixelFormat=28\n");
    System::ServiceReference<Setting::SettingService> settings;
    System::ServiceReference<Direct3DService> d3d;
    conf.reset(); // read once at start
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    auto image = ImageBuffer::create(Format::B8G8R8A8Unorm, 2, 2);
    const int options[2] = {0, 0};
    std::string text = errorText([&] { ResourceBuffer buffer(*image, options); });
    EXPECT_NE(text.find("unsupported convert format."), std::string::npos) << text;
    EXPECT_NE(text.find("DXGI format 87 -> 28"), std::string::npos) << text;
    RenderBuffer frame(Format::R8G8B8A8Unorm);
    frame.createTexture2D(2, 2);
    text = errorText([&] { frame.createImageBuffer(Format::Yuy2, false); });
    EXPECT_NE(text.find("DXGI format 28 -> 107"), std::string::npos) << text;
}

// Decoded pictures whose stream declares its YUV matrix are converted with it
// when the choice is automatic: JPEG-based streams are BT.601 at any height,
// where the height rule would take BT.709 for 1080 lines. Undeclared pictures
// keep the height rule, and a matrix the user chose still wins.
TEST_F(ResourceConvertTest, DecodedPicturesUseTheMatrixTheirStreamDeclares)
{
    const int w = 1920, h = 1080;
    const std::string avi = tempPath("hd.avi"), rgb = tempPath("hd.rgb"), huff = tempPath("hd-huffyuv.avi");
    ASSERT_EQ(TestKit::runCommand("ffmpeg -v error -nostdin -y -f lavfi -i smptehdbars=s=1920x1080 -frames:v 1 -c:v mjpeg "
                                  "-pix_fmt yuvj422p -q:v 2 '" + avi + "' -frames:v 1 -c:v huffyuv -pix_fmt yuv422p '" + huff +
                                  "' && ffmpeg -v error -nostdin -y -i '" + avi + "' -f rawvideo -pix_fmt rgb24 '" + rgb + "'"),
              0);
    auto decode = [&](const std::string& path) {
        const auto chunks = TestKit::walkRiff(TestKit::readFile(path));
        VideoDecompressor d;
        const std::string& format = TestKit::findChunk(chunks, "strf")->data;
        d.sourceFormat.allocMemory(uint32_t(format.size()));
        std::memcpy(d.sourceFormat.data, format.data(), format.size());
        auto image = ImageBuffer::create(Format::Yuy2, w, h);
        int64_t position = 0;
        const std::string& packet = TestKit::findChunk(chunks, "00dc")->data;
        if (!d.open(TestKit::readLe32(TestKit::findChunk(chunks, "strh")->data, 4)) || !d.begin(FourCCYuy2, 16) ||
            !d.send(packet.data(), uint32_t(packet.size()), false, 0))
            return std::shared_ptr<ImageBuffer>();
        d.drain();
        if (!d.receive(position) || !d.copyPicture(*image))
            return std::shared_ptr<ImageBuffer>();
        return image;
    };
    auto mjpeg = decode(avi);
    ASSERT_TRUE(mjpeg);
    EXPECT_EQ(mjpeg->yuvMatrix, YuvMatrix::Bt601);
    auto untagged = decode(huff);
    ASSERT_TRUE(untagged);
    EXPECT_EQ(untagged->yuvMatrix, YuvMatrix::Unknown);

    // ffmpeg's RGB decode, compared inside the bars (away from their edges,
    // where the two sides place chroma differently).
    const std::string reference = TestKit::readFile(rgb);
    ASSERT_EQ(reference.size(), size_t(w) * h * 3);
    auto worstAgainstFfmpeg = [&](const int options[2]) {
        ResourceBuffer converted(*mjpeg, options);
        const Picture got = download(converted);
        int worst = 0;
        for (int y = 0; y < h; y += 3)
            for (int x = 4; x < w - 4; ++x) {
                const uint8_t* at = reinterpret_cast<const uint8_t*>(reference.data()) + (size_t(y) * w + x) * 3;
                if (std::memcmp(at - 12, at, 3) != 0 || std::memcmp(at + 12, at, 3) != 0)
                    continue;
                for (int c = 0; c < 3; ++c) {
                    const float v = got[size_t(y) * w + x][c];
                    EXPECT_TRUE(std::isfinite(v));
                    worst = std::max(worst, std::abs(code(v * 255.0) - int(at[c])));
                }
            }
        return worst;
    };
    const int automatic[2] = {0, 0}, chosen709[2] = {2, 0};
    EXPECT_LE(worstAgainstFfmpeg(automatic), 2);
    EXPECT_GT(worstAgainstFfmpeg(chosen709), 20);

    // An undeclared picture of 1080 lines still takes BT.709 by its height.
    ResourceBuffer byHeight(*untagged, automatic), named709(*untagged, chosen709);
    const Picture a = download(byHeight), b = download(named709);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i += 997)
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(a[i][c], b[i][c]) << i;
}
