// Text and figures drawn into pictures on the graphics processor (software
// Vulkan driver, validation on), and still images decoded into memory pictures.
#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/render_target_direct3d.h"
#include "media/text_draw.h"
#include "platform/draw/target.h"
#include "tests/media/gpu_fixture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

class TextOnGpu : public TestKit::GpuFixture {
protected:
    void SetUp() override
    {
        services.acquire<Setting::SettingService>();
        services.acquire<Media::ImageService>();
        services.acquire<Media::Direct2DService>();
        GpuFixture::SetUp();
    }
    void TearDown() override
    {
        GpuFixture::TearDown();
        services.releaseAll();
    }
    void prepare(Media::TextDraw& t, const wchar_t* text, float size = 40)
    {
        t.text = text;
        t.fontName = L"Noto Sans CJK JP";
        t.size = size;
        t.time = 1000;
        t.color = {1, 0, 0, 1};
        t.color2 = {0, 0, 1, 1};
    }
    System::ServiceStack services;
};

// Whether a working-format picture holds a drawing made in memory, widened to
// half floats: the driver may round toward zero, one half-float step.
::testing::AssertionResult holdsDrawing(const TestKit::Picture& gpu, uint32_t width, const Platform::Draw::Target& memory)
{
    constexpr float HalfStep = 1.0f / 2048; // of values below 1; a level of 8 bits is 8 times that
    for (int y = 0; y < memory.height(); ++y)
        for (int x = 0; x < memory.width(); ++x) {
            const uint8_t* m = memory.bits() + y * memory.stride() + x * 4;
            const TestKit::Pixel& p = gpu[size_t(y) * width + size_t(x)];
            const float want[4] = {m[2] / 255.0f, m[1] / 255.0f, m[0] / 255.0f, m[3] / 255.0f};
            for (int c = 0; c < 4; ++c)
                if (!(std::fabs(p[size_t(c)] - want[c]) <= HalfStep))
                    return ::testing::AssertionFailure() << "at " << x << "," << y << " channel " << c << ": "
                                                         << p[size_t(c)] << " for " << want[c];
        }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(TextOnGpu, EveryControlTagRendersIntoAWorkingFormatPicture)
{
    const wchar_t* texts[] = {
        L"<#00ff00,ffffff>■<s*1.5>■<@Noto Sans Mono CJK JP>i<p+4,+2,1>j<r50>k<w0.5>l",
        L"hidden<c>\n<#00ff00>■<s>■",
    };
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(System::wideToUtf8(text));
        Media::TextDraw t;
        prepare(t, text);
        t.borderFactor = 0.05f;
        t.layout(nullptr);
        ASSERT_GT(t.blockWidth(), 0);
        auto picture = target(t.blockWidth(), t.blockHeight());
        ASSERT_EQ(picture->getFormat(), d3d->PixelFormat);
        t.drawToBuffer(*picture);
        TestKit::Picture gpu = download(*picture);

        // The same pass drawn in memory: the picture holds its pixels.
        Media::TextDraw again;
        prepare(again, text);
        again.borderFactor = 0.05f;
        again.layout(nullptr);
        auto memory = Platform::Draw::Target::createPicture(again.blockWidth(), again.blockHeight());
        again.drawToTarget(*memory);
        EXPECT_TRUE(holdsDrawing(gpu, picture->getWidth(), *memory));
        long covered = 0, green = 0;
        for (const TestKit::Pixel& p : gpu) {
            covered += p[3] > 0;
            green += p[3] == 1 && p[1] == 1 && p[0] == 0 && p[2] == 0;
        }
        EXPECT_GT(covered, 1000);
        EXPECT_GT(green, 400); // the colour tag's fill
    }
}

TEST_F(TextOnGpu, BothWideningsReplaceThePictureWithTheDrawing)
{
    Media::TextDraw t;
    prepare(t, L"<#00ff00,ffffff>■A漢");
    t.borderFactor = 0.05f;
    t.shadowFactor = 0.5f; // half-transparent shadow: partial alpha throughout
    t.layout(nullptr);
    auto picture = target(t.blockWidth(), t.blockHeight());
    Media::RenderTargetDirect3D surface = picture->getSurface();
    t.drawToTarget(surface.target());
    for (Media::Widening widening : {Media::Widening::InMemory, Media::Widening::OnDevice}) {
        SCOPED_TRACE(widening == Media::Widening::OnDevice ? "on the device" : "in memory");
        const float red[4] = {1, 0, 0, 1};
        picture->clearRenderTargetView(red); // every pixel is replaced, transparent ones too
        surface.upload(widening);
        EXPECT_TRUE(holdsDrawing(download(*picture), picture->getWidth(), surface.target()));
    }
}

TEST_F(TextOnGpu, IndividualCharactersAreCutFromTheAtlas)
{
    Media::TextDraw t;
    prepare(t, L"AB\n漢");
    t.individual = true;
    t.speed = 10;
    t.layout(nullptr);
    auto atlas = target(int(std::ceil(t.widestRow)), int(std::ceil(t.atlasHeight)));
    t.drawToBuffer(*atlas);
    ASSERT_EQ(t.characters.size(), 3u);
    std::vector<uint32_t> indices;
    std::vector<float> times;
    t.splitCharacters(*atlas, [&](std::unique_ptr<Media::ResourceBuffer> picture, uint32_t index, float start, float x,
                                  float y, float z) {
        indices.push_back(index);
        times.push_back(start);
        TestKit::Picture p = download(*picture);
        float ink = 0;
        for (const auto& px : p)
            ink += px[3];
        EXPECT_GT(ink, 20) << index; // every cell holds its glyph
        EXPECT_GT(x, 0);
        EXPECT_FLOAT_EQ(z, 0);
        (void)y;
    });
    EXPECT_EQ(indices, (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_NEAR(times[2], 0.2f, 1e-6);
}

TEST_F(TextOnGpu, FiguresDrawIntoMaskPictures)
{
    auto mask = std::make_unique<Media::ResourceBuffer>(16, 8, d3d->MaskFormat);
    Media::RenderTargetDirect3D surface = mask->getSurface();
    {
        Media::RenderTargetDirect3D::DrawSection section(surface);
        Platform::Draw::PathGeometry square;
        auto* sink = square.open();
        sink->beginFigure({0, 0}, true);
        sink->addLines(std::vector<Platform::Draw::Point>{{4, 0}, {4, 4}, {0, 4}}.data(), 3);
        sink->endFigure(true);
        sink->close();
        Platform::Draw::SolidColorBrush white({1, 1, 1, 1});
        surface.drawGeometry(square, &white, 2, 2, nullptr, 0, nullptr);
        section.end();
    }
    auto image = mask->readImageBuffer();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->row(3)[3], 255);
    EXPECT_EQ(image->row(1)[3], 0);
    EXPECT_EQ(image->row(3)[7], 0);
}

TEST_F(TextOnGpu, AFailedDrawingSessionIsReportedAndNotUploaded)
{
    auto mask = std::make_unique<Media::ResourceBuffer>(8, 8, d3d->MaskFormat);
    const float transparent[4] = {0, 0, 0, 0};
    mask->clearRenderTargetView(transparent);
    Media::RenderTargetDirect3D surface = mask->getSurface();
    Media::RenderTargetDirect3D::DrawSection section(surface);
    Platform::Draw::SolidColorBrush white({1, 1, 1, 1});
    surface.target().fillRectangle({0, 0, 8, 8}, white);
    surface.target().pushAxisAlignedClip({0, 0, 4, 4}, true); // never popped: the session fails
    std::string error;
    try {
        section.end();
    } catch (const std::exception& e) {
        error = e.what();
    }
    EXPECT_NE(error.find("target->EndDraw"), std::string::npos) << error;
    auto image = mask->readImageBuffer();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->row(4)[4], 0); // nothing of the failed drawing reached the picture
}

TEST_F(TextOnGpu, StillImagesDecodeIntoRgbaPictures)
{
    const std::string png = TestKit::tempDir() + "/still.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 5x3 gradient:'rgba(255,0,0,0.2)'-'rgba(0,0,255,1)' PNG32:'" + png + "'"), 0);
    auto picture = Media::ImageService::Get()->loadFromFile(System::fromLocalPath(png).c_str());
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->format, Media::Format::R8G8B8A8Unorm);
    EXPECT_EQ(picture->width, 5u);
    EXPECT_EQ(picture->pitch, 32u);
    std::string raw = TestKit::tempDir() + "/still.rgba";
    ASSERT_EQ(TestKit::runCommand("convert '" + png + "' -depth 8 rgba:'" + raw + "'"), 0);
    std::string theirs = TestKit::readFile(raw);
    ASSERT_EQ(theirs.size(), 5u * 3 * 4);
    for (uint32_t y = 0; y < 3; ++y)
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(picture->row(y)), 20), theirs.substr(y * 20, 20)) << y;

    try {
        Media::ImageService::Get()->loadFromFile(L"/no/such/picture.png");
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("factory->CreateDecoderFromFilename() failed."), std::string::npos);
    }
}
