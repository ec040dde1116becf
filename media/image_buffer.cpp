#include "media/image_buffer.h"

#include "core/failure.h"
#include "platform/gpu/format.h"

#include <cstdlib>
#include <cstring>

namespace Media {

namespace {
void checkBitmap(const char* place, const BitmapInfoHeader& h, uint32_t width, uint32_t height, size_t bitsSize)
{
    int64_t rows = h.biHeight < 0 ? -int64_t(h.biHeight) : int64_t(h.biHeight);
    if (h.biWidth != int64_t(width) || rows != int64_t(height))
        throw System::makeFormatException(place, "bitmap size does not match the picture.",
                                          L"bitmap %d x %d, picture %u x %u", h.biWidth, h.biHeight, width, height);
    uint64_t need = uint64_t(ImageBuffer::getBitmapStride(h.biBitCount, width)) * height;
    if (bitsSize < need)
        throw System::makeFormatException(place, "bitmap data too short.", L"%llu bytes, %llu needed",
                                          static_cast<unsigned long long>(bitsSize),
                                          static_cast<unsigned long long>(need));
}

// A YUY2 row holds whole pixel pairs: an odd last pixel has its pair's chroma.
size_t yuy2RowBytes(uint32_t width)
{
    return size_t((width + 1) / 2) * 4;
}

// A row of three-byte pixels to four-byte ones, the fourth byte 0. A word is
// moved per pixel: the four bytes at a pixel hold its three in the low ones
// (the last pixel, whose fourth byte lies past the row, is moved bytewise).
void expandRow24(const uint8_t* s, uint8_t* d, uint32_t width)
{
    uint32_t x = 0;
    for (; x + 1 < width; ++x) {
        uint32_t v;
        std::memcpy(&v, s + 3 * size_t(x), 4);
        v &= 0x00FFFFFFu;
        std::memcpy(d + 4 * size_t(x), &v, 4);
    }
    if (x < width) {
        d[4 * x] = s[3 * x];
        d[4 * x + 1] = s[3 * x + 1];
        d[4 * x + 2] = s[3 * x + 2];
        d[4 * x + 3] = 0;
    }
}

// A row of four-byte pixels to three-byte ones, the fourth byte dropped. Each
// pixel is stored as a word whose high byte the next pixel overwrites.
void packRow32(const uint8_t* s, uint8_t* d, uint32_t width)
{
    uint32_t x = 0;
    for (; x + 1 < width; ++x) {
        uint32_t v;
        std::memcpy(&v, s + 4 * size_t(x), 4);
        std::memcpy(d + 3 * size_t(x), &v, 4);
    }
    if (x < width) {
        d[3 * x] = s[4 * x];
        d[3 * x + 1] = s[4 * x + 1];
        d[3 * x + 2] = s[4 * x + 2];
    }
}
} // namespace

std::shared_ptr<ImageBuffer> ImageBuffer::create(Format format, uint32_t width, uint32_t height)
{
    auto image = std::make_shared<ImageBuffer>();
    image->format = format;
    image->setSize(width, height, 0);
    return image;
}

uint32_t ImageBuffer::getDefaultPitchSize(Format format, uint32_t width)
{
    // External formats, and the memory copies of the masks and depth pictures.
    const uint32_t bpp = Platform::Gpu::formatInfo(format).bytesPerPixel;
    if (!bpp)
        throw System::makeFormatException("Media::ImageBuffer::getDefaultPitchSize", "image format not supported.",
                                          L"dxgi format = %d", dxgiNumber(format));
    uint64_t bytes = uint64_t(width) * bpp;
    return static_cast<uint32_t>((bytes + 31) & ~uint64_t(31));
}

void ImageBuffer::setSize(uint32_t newWidth, uint32_t newHeight, uint32_t newPitch)
{
    if (newPitch == 0)
        newPitch = getDefaultPitchSize(format, newWidth);
    uint64_t bytes = uint64_t(newHeight) * newPitch;
    if (bytes > 0xFFFFFFE0u)
        throw System::makeErrorCodeException("System::AlignedBuffer::allocMemory", System::ErrorOutOfMemory);
    buffer.allocMemory(static_cast<uint32_t>(bytes));
    width = newWidth;
    height = newHeight;
    pitch = newPitch;
}

uint32_t ImageBuffer::getBitmapStride(uint32_t bitCount, uint32_t width)
{
    return static_cast<uint32_t>(((uint64_t(bitCount) / 8 * width) + 3) & ~uint64_t(3));
}

void ImageBuffer::getBitmapInfoHeader(BitmapInfoHeader& out, Format format, uint32_t width, uint32_t height)
{
    const Platform::Gpu::FormatInfo form = Platform::Gpu::formatInfo(format);
    if (!form.bitmapBitCount)
        throw System::makeFormatException("Media::ImageBuffer::getBitmapInfoHeader", "image format not supported.",
                                          L"dxgi format = %d", dxgiNumber(format));
    out.biSize = 40;
    out.biWidth = static_cast<int32_t>(width);
    out.biHeight = static_cast<int32_t>(height);
    out.biPlanes = 1;
    out.biBitCount = form.bitmapBitCount;
    out.biCompression = form.bitmapCompression;
    out.biSizeImage = getBitmapStride(form.bitmapBitCount, width) * height;
}

void ImageBuffer::copyFromBitmap(const BitmapInfoHeader& header, const void* bits, size_t bitsSize)
{
    checkBitmap("Media::ImageBuffer::copyFromBitmap", header, width, height, bitsSize);
    if (width == 0 || height == 0)
        return; // nothing to copy (and no memory to copy into)
    if (!bits)
        throw System::makeException("Media::ImageBuffer::copyFromBitmap", "bitmap without data.", nullptr);
    const uint8_t* src = static_cast<const uint8_t*>(bits);
    const uint32_t stride = getBitmapStride(header.biBitCount, width);
    const uint16_t bc = header.biBitCount;
    // RGB bitmaps are stored bottom-up unless the height is negative.
    auto rgbRow = [&](uint32_t y) { return size_t(header.biHeight < 0 ? y : height - 1 - y) * stride; };
    if (bc == 16 && format == Format::Yuy2) {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(row(y), src + size_t(y) * stride, yuy2RowBytes(width));
    } else if (bc == 24 && format == Format::B8G8R8X8Unorm) {
        for (uint32_t y = 0; y < height; ++y) {
            expandRow24(src + rgbRow(y), row(y), width);
        }
    } else if (bc == 32 && format == Format::B8G8R8A8Unorm) {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(row(y), src + rgbRow(y), size_t(width) * 4);
    } else if (bc == 48 && format == Format::R16G16B16A16Snorm) {
        for (uint32_t y = 0; y < height; ++y) {
            const uint16_t* s = reinterpret_cast<const uint16_t*>(src + size_t(y) * stride);
            uint16_t* d = reinterpret_cast<uint16_t*>(row(y));
            for (uint32_t x = 0; x < width; ++x) {
                d[4 * x] = s[3 * x];
                d[4 * x + 1] = s[3 * x + 1];
                d[4 * x + 2] = s[3 * x + 2];
                d[4 * x + 3] = 0;
            }
        }
    } else if (bc == 64 && (format == Format::R16G16B16A16Float || format == Format::R16G16B16A16Unorm)) {
        if (stride == pitch)
            std::memcpy(data(), src, size_t(stride) * height);
        else
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(row(y), src + size_t(y) * stride, size_t(width) * 8);
    } else if (data()) {
        std::memset(data(), 0, buffer.size);
    }
}

void ImageBuffer::copyToBitmap(const BitmapInfoHeader& header, void* bits, size_t bitsSize) const
{
    checkBitmap("Media::ImageBuffer::copyToBitmap", header, width, height, bitsSize);
    if (width == 0 || height == 0)
        return;
    uint8_t* dst = static_cast<uint8_t*>(bits);
    const uint32_t stride = getBitmapStride(header.biBitCount, width);
    const uint16_t bc = header.biBitCount;
    auto rgbRow = [&](uint32_t y) { return size_t(header.biHeight < 0 ? y : height - 1 - y) * stride; };
    if (bc == 16 && format == Format::Yuy2) {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(dst + size_t(y) * stride, row(y), yuy2RowBytes(width));
    } else if (bc == 24 && format == Format::B8G8R8X8Unorm) {
        for (uint32_t y = 0; y < height; ++y) {
            packRow32(row(y), dst + rgbRow(y), width);
        }
    } else if (bc == 32 && format == Format::B8G8R8A8Unorm) {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(dst + rgbRow(y), row(y), size_t(width) * 4);
    } else if (bc == 48 && format == Format::R16G16B16A16Snorm) {
        for (uint32_t y = 0; y < height; ++y) {
            uint16_t* d = reinterpret_cast<uint16_t*>(dst + size_t(y) * stride);
            const uint16_t* s = reinterpret_cast<const uint16_t*>(row(y));
            for (uint32_t x = 0; x < width; ++x) {
                d[3 * x] = s[4 * x];
                d[3 * x + 1] = s[4 * x + 1];
                d[3 * x + 2] = s[4 * x + 2];
            }
        }
    } else if (bc == 64 && (format == Format::R16G16B16A16Float || format == Format::R16G16B16A16Unorm)) {
        if (stride == pitch)
            std::memcpy(dst, data(), size_t(stride) * height);
        else
            for (uint32_t y = 0; y < height; ++y)
                std::memcpy(dst + size_t(y) * stride, row(y), size_t(width) * 8);
    }
}

} // namespace Media
