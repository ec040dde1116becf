#include "core/failure.h"
#include "media/image_buffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Media;

TEST(ImageBuffer, PitchIsPaddedTo32BytesAndUnknownFormatsAreRefused)
{
    auto image = ImageBuffer::create(Format::B8G8R8A8Unorm, 100, 2);
    EXPECT_EQ(image->pitch, 416u);
    EXPECT_EQ(image->buffer.size, 832u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(image->data()) % 32, 0u);
    EXPECT_EQ(ImageBuffer::getDefaultPitchSize(Format::Yuy2, 3), 32u);
    try {
        ImageBuffer::getDefaultPitchSize(Format(99), 4);
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("image format not supported."), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("dxgi format = 99"), std::string::npos);
    }
    BitmapInfoHeader h;
    EXPECT_THROW(ImageBuffer::getBitmapInfoHeader(h, Format::R8G8B8A8Unorm, 4, 4), std::exception);
    ImageBuffer::getBitmapInfoHeader(h, Format::B8G8R8X8Unorm, 3, 2);
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, 0u);
    EXPECT_EQ(h.biSizeImage, 24u); // rows of 9 bytes rounded to 12
    ImageBuffer::getBitmapInfoHeader(h, Format::R16G16B16A16Snorm, 3, 2);
    EXPECT_EQ(h.biCompression, makeFourCC('Y', 'C', '4', '8'));
}

TEST(ImageBuffer, TwentyFourBitBitmapsAreBottomUpWithAZeroFourthByte)
{
    auto image = ImageBuffer::create(Format::B8G8R8X8Unorm, 3, 2);
    BitmapInfoHeader h;
    ImageBuffer::getBitmapInfoHeader(h, Format::B8G8R8X8Unorm, 3, 2);
    std::vector<uint8_t> dib(24);
    for (size_t i = 0; i < dib.size(); ++i)
        dib[i] = static_cast<uint8_t>(i + 1);
    image->copyFromBitmap(h, dib.data(), dib.size());
    EXPECT_EQ(image->pitch, 32u);
    const uint8_t* bottom = image->row(1); // the DIB's first row
    EXPECT_EQ(std::vector<uint8_t>(bottom, bottom + 12), (std::vector<uint8_t>{1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}));
    const uint8_t* top = image->row(0);
    EXPECT_EQ(top[0], 13);
    std::vector<uint8_t> back(24, 0xEE);
    image->copyToBitmap(h, back.data(), back.size());
    for (size_t row = 0; row < 2; ++row) // the padding of each row is left alone
        EXPECT_EQ(0, std::memcmp(back.data() + row * 12, dib.data() + row * 12, 9));
}

TEST(ImageBuffer, TwentyFourBitRowsOfEveryWidthRoundTripAndKeepTheirPadding)
{
    // Pixels move a word at a time but the last one bytewise: short rows, and
    // rows whose padding is 1, 2 or 3 bytes.
    for (uint32_t w : {1u, 2u, 3u, 5u, 7u}) {
        SCOPED_TRACE(w);
        const uint32_t h = 2, stride = ImageBuffer::getBitmapStride(24, w);
        BitmapInfoHeader header;
        ImageBuffer::getBitmapInfoHeader(header, Format::B8G8R8X8Unorm, w, h);
        std::vector<uint8_t> dib(size_t(stride) * h);
        for (size_t i = 0; i < dib.size(); ++i)
            dib[i] = static_cast<uint8_t>(i * 11 + 1);
        auto image = ImageBuffer::create(Format::B8G8R8X8Unorm, w, h);
        image->copyFromBitmap(header, dib.data(), dib.size());
        for (uint32_t x = 0; x < w; ++x)
            EXPECT_EQ(image->row(h - 1)[4 * x + 3], 0) << x;
        std::vector<uint8_t> back(dib.size(), 0xEE);
        image->copyToBitmap(header, back.data(), back.size());
        for (uint32_t row = 0; row < h; ++row) {
            EXPECT_EQ(0, std::memcmp(back.data() + row * stride, dib.data() + row * stride, 3 * w));
            for (uint32_t i = 3 * w; i < stride; ++i)
                EXPECT_EQ(back[row * stride + i], 0xEE) << "padding byte " << i;
        }
    }
}

TEST(ImageBuffer, EveryBitmapFormRoundTrips)
{
    for (Format format : {Format::R16G16B16A16Float, Format::R16G16B16A16Unorm, Format::R16G16B16A16Snorm, Format::B8G8R8A8Unorm, Format::Yuy2}) {
        SCOPED_TRACE(dxgiNumber(format));
        const uint32_t w = 6, h = 3;
        BitmapInfoHeader header;
        ImageBuffer::getBitmapInfoHeader(header, format, w, h);
        std::vector<uint8_t> dib(header.biSizeImage);
        for (size_t i = 0; i < dib.size(); ++i)
            dib[i] = static_cast<uint8_t>(i * 7 + dxgiNumber(format));
        auto image = ImageBuffer::create(format, w, h);
        image->copyFromBitmap(header, dib.data(), dib.size());
        std::vector<uint8_t> back(dib.size());
        image->copyToBitmap(header, back.data(), back.size());
        EXPECT_EQ(back, dib);
    }
    // 48-bit pixels gain a zero fourth value.
    auto yc = ImageBuffer::create(Format::R16G16B16A16Snorm, 1, 1);
    BitmapInfoHeader header;
    ImageBuffer::getBitmapInfoHeader(header, Format::R16G16B16A16Snorm, 1, 1);
    const uint16_t px[4] = {100, 200, 300, 0xFFFF};
    yc->copyFromBitmap(header, px, 8);
    const auto* got = reinterpret_cast<const uint16_t*>(yc->data());
    EXPECT_EQ(got[3], 0);
    EXPECT_EQ(got[2], 300);
}

TEST(ImageBuffer, BitmapsThatDoNotCoverThePictureAreRefused)
{
    auto image = ImageBuffer::create(Format::B8G8R8A8Unorm, 4, 4);
    std::memset(image->data(), 0x55, image->buffer.size);
    BitmapInfoHeader h;
    ImageBuffer::getBitmapInfoHeader(h, Format::B8G8R8A8Unorm, 4, 4);
    std::vector<uint8_t> dib(h.biSizeImage, 1);
    // Too short a buffer, a narrower or a shorter bitmap: nothing is read.
    EXPECT_THROW(image->copyFromBitmap(h, dib.data(), dib.size() - 1), std::exception);
    BitmapInfoHeader narrow = h;
    narrow.biWidth = 2;
    EXPECT_THROW(image->copyFromBitmap(narrow, dib.data(), dib.size()), std::exception);
    BitmapInfoHeader shorter = h;
    shorter.biHeight = 3;
    EXPECT_THROW(image->copyFromBitmap(shorter, dib.data(), dib.size()), std::exception);
    EXPECT_EQ(image->data()[0], 0x55);
    EXPECT_THROW(image->copyToBitmap(h, dib.data(), dib.size() - 4), std::exception);
    // A bit count that does not fit the format gives a zero picture.
    BitmapInfoHeader other = h;
    other.biBitCount = 24;
    image->copyFromBitmap(other, dib.data(), dib.size());
    EXPECT_EQ(image->data()[0], 0);
}

TEST(ImageBuffer, ANegativeHeightMeansTopDownRows)
{
    for (Format format : {Format::B8G8R8A8Unorm, Format::B8G8R8X8Unorm}) {
        SCOPED_TRACE(dxgiNumber(format));
        BitmapInfoHeader up;
        ImageBuffer::getBitmapInfoHeader(up, format, 2, 3);
        BitmapInfoHeader down = up;
        down.biHeight = -3;
        const uint32_t stride = ImageBuffer::getBitmapStride(up.biBitCount, 2);
        std::vector<uint8_t> dib(up.biSizeImage);
        for (size_t i = 0; i < dib.size(); ++i)
            dib[i] = static_cast<uint8_t>(i / stride + 1); // every byte names its row
        auto image = ImageBuffer::create(format, 2, 3);
        image->copyFromBitmap(down, dib.data(), dib.size());
        EXPECT_EQ(image->row(0)[0], 1);
        EXPECT_EQ(image->row(2)[0], 3);
        image->copyFromBitmap(up, dib.data(), dib.size());
        EXPECT_EQ(image->row(0)[0], 3);
        std::vector<uint8_t> back(dib.size(), 0);
        image->copyToBitmap(down, back.data(), back.size());
        EXPECT_EQ(back[0], 3); // the picture's top row first
        EXPECT_EQ(back[2 * stride], 1);
    }
}

TEST(ImageBuffer, AnEmptyPictureCopiesNothingEitherWay)
{
    // No memory behind the picture: nothing may be copied from or to it (a
    // null pointer given to memcpy, even for no bytes, is undefined).
    for (Format format : {Format::R16G16B16A16Float, Format::B8G8R8A8Unorm, Format::Yuy2}) {
        SCOPED_TRACE(dxgiNumber(format));
        auto image = ImageBuffer::create(format, 0, 0);
        ASSERT_EQ(image->data(), nullptr);
        BitmapInfoHeader h;
        ImageBuffer::getBitmapInfoHeader(h, format, 0, 0);
        EXPECT_EQ(h.biSizeImage, 0u);
        image->copyFromBitmap(h, nullptr, 0);
        image->copyToBitmap(h, nullptr, 0);
    }
}
