#pragma once
// A picture in memory in one of the external pixel formats:
// rows top-down, each padded to 32 bytes, memory aligned to 32 bytes.
#include "core/bitmap_info.h"
#include "core/file.h"
#include "platform/gpu/format.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Media {

using Format = Platform::Gpu::Format;
using Platform::Gpu::dxgiNumber;
using Platform::Gpu::makeFourCC;

// The device-independent bitmap header of plug-ins and the clipboard.
using BitmapInfoHeader = System::BitmapInfoHeader;

// The YUV matrix a decoder found declared for a picture's stream; Unknown
// leaves the choice to the picture's height.
enum class YuvMatrix : uint8_t { Unknown, Bt601, Bt709, Bt2020 };

class ImageBuffer {
public:
    static std::shared_ptr<ImageBuffer> create(Format format, uint32_t width, uint32_t height);

    // Pitch 0 means the format's default pitch. Contents are not cleared.
    void setSize(uint32_t width, uint32_t height, uint32_t pitch);
    static uint32_t getDefaultPitchSize(Format format, uint32_t width);
    static void getBitmapInfoHeader(BitmapInfoHeader& out, Format format, uint32_t width, uint32_t height);
    // Bytes of one DIB row of the given bit count and width (rounded to 4).
    static uint32_t getBitmapStride(uint32_t bitCount, uint32_t width);

    // Reads a DIB whose header must describe this picture's width and height
    // and whose bits hold at least bitsSize bytes; throws otherwise. A bit
    // count that does not fit the format gives a zero picture. 24 and 32-bit
    // rows are bottom-up, or top-down when the header's height is negative.
    void copyFromBitmap(const BitmapInfoHeader& header, const void* bits, size_t bitsSize);
    // Writes the picture as a DIB of the header's bit count (same checks);
    // a bit count that does not fit the format writes nothing.
    void copyToBitmap(const BitmapInfoHeader& header, void* bits, size_t bitsSize) const;

    uint8_t* data() { return static_cast<uint8_t*>(buffer.data); }
    const uint8_t* data() const { return static_cast<const uint8_t*>(buffer.data); }
    uint8_t* row(uint32_t y) { return data() + size_t(y) * pitch; }
    const uint8_t* row(uint32_t y) const { return data() + size_t(y) * pitch; }

    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t pitch = 0;
    Format format = Format::Unknown;
    YuvMatrix yuvMatrix = YuvMatrix::Unknown;
    System::AlignedBuffer buffer;
};

} // namespace Media
