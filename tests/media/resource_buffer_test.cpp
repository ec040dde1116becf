#include "media/cpu_access_buffer.h"
#include "media/preview_image.h"
#include "media/render_buffer.h"
#include "tests/media/gpu_fixture.h"

using namespace Media;
using TestKit::Picture;
using TestKit::Pixel;
using TestKit::errorText;

using ResourceBufferTest = TestKit::GpuFixture;

namespace {
// A picture whose pixel (x, y) is (x, y, 0, 1) (exact in half precision).
Picture coordinates(int w, int h)
{
    Picture p(size_t(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p[size_t(y) * w + x] = {float(x), float(y), 0, 1};
    return p;
}
} // namespace

TEST_F(ResourceBufferTest, SizesAreClampedAndNegativeSizesAreEmpty)
{
    ResourceBuffer wide(20000, 10);
    EXPECT_EQ(wide.getWidth(), 16384u);
    EXPECT_EQ(wide.getHeight(), 10u);
    EXPECT_FALSE(wide.empty());
    ResourceBuffer none(0, 0);
    EXPECT_TRUE(none.empty());
    // A negative side used to wrap to the largest size.
    ResourceBuffer negative(-3, 10);
    EXPECT_TRUE(negative.empty());
    EXPECT_EQ(negative.getWidth(), 0u);
    try {
        ResourceBuffer thin(0, 5);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("Direct3D.device->CreateTexture2D() failed."), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Media::ResourceBuffer::createTexture2D()"), std::string::npos);
    }
}

TEST_F(ResourceBufferTest, ViewsAreMadeOnceAndAFailedOneNamesItsOwner)
{
    // Both kinds of picture make their views the same way: on first use, kept
    // until the texture goes; a view the texture cannot have is reported with
    // the call and the owning class's method.
    ResourceBuffer picture(4, 4, Format::B8G8R8A8Unorm); // shader resource only
    Platform::Gpu::View* view = picture.getShaderResourceView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(picture.getShaderResourceView(), view);
    std::string text = errorText([&] { picture.getRenderTargetView(); });
    EXPECT_NE(text.find("Direct3D.device->CreateRenderTargetView() failed."), std::string::npos) << text;
    EXPECT_NE(text.find("Media::ResourceBuffer::createRenderTargetView()"), std::string::npos) << text;
    picture.resize(2, 2);
    EXPECT_NE(picture.getShaderResourceView(), nullptr); // a new texture, a new view

    RenderBuffer frame(Format::R16G16B16A16Float, SampleDesc{4, 0}); // multi-sampled: a target only
    frame.createTexture2D(4, 4);
    EXPECT_NE(frame.getRenderTargetView(), nullptr);
    text = errorText([&] { frame.getShaderResourceView(); });
    EXPECT_NE(text.find("Direct3D.device->CreateShaderResourceView() failed."), std::string::npos) << text;
    EXPECT_NE(text.find("Media::RenderBuffer::createShaderResourceView()"), std::string::npos) << text;
    RenderBuffer empty(Format::R16G16B16A16Float);
    EXPECT_EQ(empty.getRenderTargetView(), nullptr); // no texture, no view
}

TEST_F(ResourceBufferTest, EveryFormatRoundTripsThroughUploadAndReadBack)
{
    for (Format format : {Format::R16G16B16A16Float, Format::R16G16B16A16Unorm, Format::R16G16B16A16Snorm,
                          Format::R8G8B8A8Unorm, Format::R32Float, Format::A8Unorm, Format::B8G8R8A8Unorm,
                          Format::B8G8R8X8Unorm, Format::Yuy2}) {
        SCOPED_TRACE(dxgiNumber(format));
        const int w = 10, h = 3;
        auto image = ImageBuffer::create(format, w, h);
        for (uint32_t i = 0; i < image->buffer.size; ++i)
            image->data()[i] = static_cast<uint8_t>((i * 37 + dxgiNumber(format)) & 0x3F); // no NaN or -32768 patterns
        auto buffer = ResourceBuffer::create(w, h, format);
        buffer->updateFromMemory(image->data(), image->pitch);
        auto back = buffer->readImageBuffer();
        ASSERT_EQ(back->format, format);
        uint32_t rowBytes = format == Format::Yuy2 ? w * 2 : w * Platform::Gpu::formatInfo(format).texelBytes;
        for (int y = 0; y < h; ++y)
            EXPECT_EQ(0, std::memcmp(back->row(y), image->row(y), rowBytes)) << "row " << y;
    }
}

TEST_F(ResourceBufferTest, PicturesInOtherFormatsAreConvertedIntoTheWorkingFormat)
{
    const int options[2] = {0, 0};
    struct Case {
        Format format;
        std::vector<uint8_t> pixel;
        Pixel want;
    };
    const Case cases[] = {
        {Format::R8G8B8A8Unorm, {255, 0, 102, 128}, {128 / 255.f, 0, 102 / 255.f * 128 / 255.f, 128 / 255.f}}, // premultiplied
        {Format::B8G8R8A8Unorm, {0, 51, 255, 255}, {1, 0.2f, 0, 1}}, // B, G, R, A
        {Format::B8G8R8X8Unorm, {0, 51, 255, 0}, {1, 0.2f, 0, 1}},   // alpha becomes one
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(dxgiNumber(c.format));
        auto image = ImageBuffer::create(c.format, 2, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                std::memcpy(image->row(y) + 4 * x, c.pixel.data(), 4);
        ResourceBuffer buffer(*image, options);
        EXPECT_EQ(buffer.getFormat(), Format::R16G16B16A16Float);
        EXPECT_TRUE(TestKit::nearPicture(download(buffer), Picture(4, c.want), 2));
    }
}

TEST_F(ResourceBufferTest, CopyRegionKeepsTheBoxInsideBothPictures)
{
    const int sw = 8, sh = 6;
    auto source = upload(coordinates(sw, sh), sw, sh);
    struct Case {
        const char* name;
        int destW, destH, x, y, w, h;
    };
    // Destination pixel (i, j) gets source (x + i, y + j) where both exist;
    // everything else keeps its fill.
    const Case cases[] = {
        {"inside", 4, 4, 2, 1, 4, 4},     {"box wider than destination", 3, 3, 1, 1, 6, 6},
        {"box past the source", 6, 6, 5, 4, 6, 6}, {"box left of the source", 4, 4, -2, 0, 4, 4},
        {"box outside", 4, 4, 20, 20, 4, 4},  {"destination wider than box", 8, 8, 0, 0, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Pixel fill = {-1, -1, -1, -1};
        auto dest = target(c.destW, c.destH, fill);
        dest->copyRegion(*source, c.x, c.y, c.w, c.h);
        Picture want(size_t(c.destW) * c.destH, fill);
        for (int j = 0; j < c.destH; ++j)
            for (int i = 0; i < c.destW; ++i) {
                int sx = c.x + i, sy = c.y + j;
                if (i < c.w && j < c.h && sx >= 0 && sy >= 0 && sx < sw && sy < sh)
                    want[size_t(j) * c.destW + i] = {float(sx), float(sy), 0, 1};
            }
        EXPECT_TRUE(TestKit::nearPicture(download(*dest), want, c.destW));
    }
}

TEST_F(ResourceBufferTest, CopyToCanvasPlacesThePictureAndCutsWhatFallsOutside)
{
    const int sw = 5, sh = 4;
    auto source = upload(coordinates(sw, sh), sw, sh);
    struct Case {
        int w, h, x, y;
    };
    for (const Case& c : {Case{8, 8, 2, 3}, Case{4, 4, -2, -1}, Case{6, 3, 3, 0}, Case{4, 4, -9, 0}}) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        auto canvas = source->copyToCanvas(c.w, c.h, c.x, c.y);
        Picture want(size_t(c.w) * c.h, Pixel{0, 0, 0, 0});
        for (int j = 0; j < c.h; ++j)
            for (int i = 0; i < c.w; ++i) {
                int sx = i - c.x, sy = j - c.y;
                if (sx >= 0 && sy >= 0 && sx < sw && sy < sh)
                    want[size_t(j) * c.w + i] = {float(sx), float(sy), 0, 1};
            }
        EXPECT_TRUE(TestKit::nearPicture(download(*canvas), want, c.w));
    }
    auto copy = source->clone();
    EXPECT_TRUE(TestKit::nearPicture(download(*copy), coordinates(sw, sh), sw));
}

TEST_F(ResourceBufferTest, RenderBuffersKeepTheirTextureAndMakeCompanionsOnDemand)
{
    RenderBuffer frame(Format::R16G16B16A16Float);
    frame.createTexture2D(6, 4);
    auto* texture = frame.getTexture();
    auto* view = frame.getRenderTargetView();
    frame.createTexture2D(6, 4);
    EXPECT_EQ(frame.getTexture(), texture);
    EXPECT_EQ(frame.getRenderTargetView(), view);

    auto readFloat = [&](ResourceBuffer& b) {
        auto image = b.readImageBuffer();
        float v;
        std::memcpy(&v, image->data(), 4);
        return v;
    };
    EXPECT_EQ(readFloat(frame.getDepthBuffer()), 1e10f);
    EXPECT_EQ(frame.getDepthBuffer().getFormat(), Format::R32Float);
    EXPECT_EQ(readFloat(frame.getTransparentDepthBuffer()), 1e10f);
    EXPECT_EQ(download(frame.getNormalBuffer())[0], (Pixel{0, 0, 0, -1}));
    EXPECT_EQ(download(frame.getTransparentBuffer())[0], (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(&frame.getDepthBuffer(), frame.getCompanions()[0]); // made once
}

TEST_F(ResourceBufferTest, FramesComeBackInMemoryFormats)
{
    RenderBuffer frame(Format::R16G16B16A16Float);
    frame.createTexture2D(1000, 2);
    auto content = upload(Picture(2000, Pixel{0.25f, 0.5f, 0, 0.5f}), 1000, 2);
    shaders->copyShader.copyToRenderBuffer(frame, *content);

    // The picture's pitch is the driver's row pitch.
    auto raw = frame.readImageBuffer();
    CpuAccessBuffer staging(1000, 2, Format::R16G16B16A16Float);
    EXPECT_EQ(raw->pitch, staging.texture->rowPitch());
    EXPECT_EQ(TestKit::halfToFloat(reinterpret_cast<const uint16_t*>(raw->row(1))[4 * 999 + 1]), 0.5f);

    auto straight = frame.createImageBuffer(Format::R8G8B8A8Unorm, true);
    EXPECT_EQ(std::vector<uint8_t>(straight->data(), straight->data() + 4), (std::vector<uint8_t>{128, 255, 0, 128}));
    auto premultiplied = frame.createImageBuffer(Format::B8G8R8A8Unorm, false);
    EXPECT_EQ(std::vector<uint8_t>(premultiplied->data(), premultiplied->data() + 4),
              (std::vector<uint8_t>{0, 128, 64, 128}));
    auto opaque = frame.createResourceBuffer(false);
    EXPECT_EQ(download(*opaque)[0], (Pixel{0.25f, 0.5f, 0, 1}));
    auto copied = frame.createResourceBuffer(true);
    EXPECT_EQ(download(*copied)[0], (Pixel{0.25f, 0.5f, 0, 0.5f}));

    PreviewImage preview;
    preview.setRenderBuffer(frame);
    EXPECT_EQ(preview.picture.width, 1000u);
    EXPECT_EQ(std::vector<uint8_t>(preview.picture.row(1), preview.picture.row(1) + 4),
              (std::vector<uint8_t>{64, 128, 0, 128}));
}

TEST_F(ResourceBufferTest, MultiSampledFramesAreResolvedForEveryReader)
{
    // A multi-sampled frame in the working format (no unordered access for it).
    RenderBuffer frame(Format::R16G16B16A16Float, SampleDesc{4, 0});
    frame.createTexture2D(6, 4);
    const Picture pixels = fixture(6, 4, 17);
    auto content = upload(pixels, 6, 4);
    shaders->copyShader.copyToRenderBuffer(frame, *content);

    auto raw = frame.readImageBuffer();
    ASSERT_TRUE(raw);
    for (int i = 0; i < 24; ++i)
        for (int c = 0; c < 4; ++c)
            ASSERT_EQ(TestKit::halfToFloat(reinterpret_cast<const uint16_t*>(raw->row(i / 6))[4 * (i % 6) + c]), pixels[i][c])
                << i;
    EXPECT_TRUE(TestKit::nearPicture(download(*frame.createResourceBuffer(true)), pixels, 6));
    auto bytes = frame.createImageBuffer(Format::R8G8B8A8Unorm, false);
    EXPECT_NEAR(bytes->row(3)[4 * 5 + 3], pixels[23][3] * 255, 1);
    PreviewImage preview;
    preview.setRenderBuffer(frame);
    EXPECT_EQ(preview.picture.width, 6u);
    EXPECT_NEAR(preview.picture.row(0)[0], std::min(pixels[0][0], 1.0f) * 255, 1);

    RenderBuffer never(Format::R16G16B16A16Float);
    EXPECT_EQ(never.readImageBuffer(), nullptr); // no texture yet
}
