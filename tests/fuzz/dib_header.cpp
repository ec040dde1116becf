// Device-independent bitmaps as plug-ins and the clipboard hand them over: a
// header of 40 bytes and the pixel rows after it, read into a memory picture of
// the size the header names (or of a mismatched size), written back, and put on
// the clipboard.
#include "core/bitmap_info.h"
#include "core/clipboard.h"
#include "media/image_buffer.h"
#include "tests/fuzz/fuzz_services.h"
#include "tests/fuzz/fuzz_target.h"

#include <cstring>
#include <exception>
#include <vector>

FUZZ_TARGET(dib_header)
{
    Fuzz::Input in(data, size);
    const uint8_t choice = in.byte();
    System::BitmapInfoHeader header;
    if (in.restSize() < sizeof header)
        return;
    std::memcpy(&header, in.rest(), sizeof header);
    std::vector<uint8_t> bits(in.rest() + sizeof header, in.rest() + in.restSize());

    using Media::Format;
    static const Format formats[] = {Format::R16G16B16A16Float, Format::R16G16B16A16Unorm, Format::R16G16B16A16Snorm,
                                     Format::R8G8B8A8Unorm,     Format::R32Float,          Format::A8Unorm,
                                     Format::B8G8R8A8Unorm,     Format::B8G8R8X8Unorm,     Format::Yuy2};
    const Format format = formats[choice % std::size(formats)];
    // The picture the header names when it is small, else a small one it does not match.
    int64_t width = header.biWidth, height = header.biHeight < 0 ? -int64_t(header.biHeight) : header.biHeight;
    if (width < 0 || width > 4096 || height > 4096 || width * height > (1 << 20) || (choice & 0x80))
        width = 3, height = 2;
    try {
        auto image = Media::ImageBuffer::create(format, uint32_t(width), uint32_t(height));
        try {
            image->copyFromBitmap(header, bits.data(), bits.size());
        } catch (const std::exception&) {
        }
        try {
            image->copyToBitmap(header, bits.data(), bits.size());
        } catch (const std::exception&) {
        }
    } catch (const std::exception&) {
    }

    System::DibImage image;
    image.header = header;
    image.bits = std::move(bits);
    image.blockSize();
    if (choice & 0x40) {
        Fuzz::startServices<>([] { System::Clipboard::setImage(System::DibImage::create(1, 1, false)); });
        System::Clipboard::setImage(image);
    }
}
