// The imaging service's encodes and built-in pictures, checked with ImageMagick.
#include "core/text.h"
#include "media/image_service.h"
#include "platform/draw/resources.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <string>
#include <vector>

namespace {
class ImageServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        services.acquire<Media::ImageService>();
    }
    System::ServiceStack services;
    Media::ImageService& images() { return *Media::ImageService::Get(); }
};

} // namespace

TEST_F(ImageServiceTest, EncodersReportTheFormatTheyWrote)
{
    std::vector<uint8_t> pixels(8 * 4 * 4, 0x80); // 8x4, premultiplied grey at half alpha
    const std::wstring png = System::fromLocalPath(TestKit::tempDir() + "/out.png");
    Media::ImageFormat container = Media::ImageFormat::ContainerPng;
    images().saveToFile(png.c_str(), pixels.data(), 8, 4, 32, Media::ImageFormat::Pixel32bppPBGRA, container, nullptr,
                        nullptr);
    EXPECT_EQ(container, Media::ImageFormat::Pixel32bppBGRA);
    std::string info;
    ASSERT_EQ(TestKit::runCommand("identify -format '%m %w %h %[channels]' '" + TestKit::tempDir() + "/out.png'", &info), 0);
    EXPECT_EQ(info, "PNG 8 4 srgba"); // it carries alpha

    const std::wstring jpg = System::fromLocalPath(TestKit::tempDir() + "/out.jpg");
    container = Media::ImageFormat::ContainerJpeg;
    const wchar_t* names[] = {L"ImageQuality"};
    const float values[] = {0.5f};
    images().saveToFile(jpg.c_str(), pixels.data(), 8, 4, 32, Media::ImageFormat::Pixel32bppBGR, container, names, values);
    EXPECT_EQ(container, Media::ImageFormat::Pixel24bppBGR);
    ASSERT_EQ(TestKit::runCommand("identify -format '%m %Q' '" + TestKit::tempDir() + "/out.jpg'", &info), 0);
    EXPECT_EQ(info, "JPEG 50");
}

TEST_F(ImageServiceTest, FailedSavesNameTheCallAndLeaveNoFile)
{
    uint8_t pixel[4] = {};
    const std::wstring missing = System::fromLocalPath(TestKit::tempDir() + "/absent/x.png");
    Media::ImageFormat container = Media::ImageFormat::ContainerPng;
    std::string text = TestKit::errorText([&] {
        images().saveToFile(missing.c_str(), pixel, 1, 1, 4, Media::ImageFormat::Pixel32bppBGRA, container, nullptr,
                            nullptr);
    });
    EXPECT_NE(text.find("stream->InitializeFromFilename() failed."), std::string::npos) << text;
    EXPECT_NE(text.find("Media::ImageService::saveToFile()"), std::string::npos);

    const std::wstring bad = System::fromLocalPath(TestKit::tempDir() + "/bad.png");
    text = TestKit::errorText([&] {
        images().saveToFile(bad.c_str(), pixel, 1, 1, 4, Media::ImageFormat::Pixel24bppBGR, container, nullptr, nullptr);
    });
    EXPECT_NE(text.find("IWICFormatConverter can not convert."), std::string::npos) << text;
    auto files = TestKit::listFolder(TestKit::tempDir());
    EXPECT_EQ(std::count(files.begin(), files.end(), "bad.png"), 0);
}

TEST_F(ImageServiceTest, BuiltInPicturesDecodePremultiplied)
{
    const std::string path = TestKit::tempDir() + "/icon.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 3x2 'xc:rgba(255,0,0,0.5)' PNG32:'" + path + "'"), 0);
    static std::string bytes; // lives as long as the program, as built-in data does
    bytes = TestKit::readFile(path);
    Media::ImageService::registerResource(L"#101", bytes.data(), bytes.size());
    auto bitmap = images().loadFromResource(101, nullptr);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width(), 3);
    EXPECT_EQ(bitmap->height(), 2);
    EXPECT_NEAR(bitmap->bits()[2], 128, 1); // red premultiplied by one half
    EXPECT_NEAR(bitmap->bits()[3], 128, 1);

    std::string text = TestKit::errorText([&] { images().loadFromResource(L"NOTHING", nullptr); });
    EXPECT_NE(text.find("FindResource() failed."), std::string::npos) << text;
    EXPECT_NE(text.find("Media::ImageService::loadFromResource()"), std::string::npos);
}
