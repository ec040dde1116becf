#pragma once
// The 40-byte header of a device-independent bitmap (DIB), as pictures are
// exchanged with plug-ins and the clipboard.
#include <cstdint>

namespace System {

struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // positive: rows stored bottom-up
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0; // 0: uncompressed RGB
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40, "the DIB header is 40 bytes");

constexpr uint32_t BitmapCompressionRgb = 0;

// Bytes of one DIB row: width × bitCount / 8 rounded up to a multiple of 4.
// In 64 bits: a header's width comes from outside and may be as large as int
// allows (callers check the header's sizes after).
constexpr int64_t dibStride(int64_t width, int bitCount)
{
    return ((width * bitCount / 8) + 3) & ~int64_t(3);
}

} // namespace System
