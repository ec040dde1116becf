#pragma once
// The pixel formats of the system, and one table row of facts for each
// (platform/gpu/format.cpp); the device's own columns stay with the device.
#include <cstdint>

namespace Platform::Gpu {

// Pixel formats by their DXGI numbers (the numbers plug-ins and the stored
// settings use).
enum class Format : uint32_t {
    Unknown = 0,
    R32G32B32A32Float = 2,
    R16G16B16A16Float = 10, // the working format, premultiplied
    R16G16B16A16Unorm = 11,
    R16G16B16A16Snorm = 13, // YC48 containers
    R8G8B8A8Unorm = 28,
    R32Float = 41,           // depth
    A8Unorm = 65,            // masks
    G8R8G8B8Unorm = 69,      // YUY2 on the device
    B8G8R8A8Unorm = 87,
    B8G8R8X8Unorm = 88,
    Yuy2 = 107,              // packed 4:2:2 in memory
};
constexpr uint32_t dxgiNumber(Format format) { return static_cast<uint32_t>(format); }

constexpr uint32_t makeFourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

// Every fact of a pixel format, one row per format (platform/gpu/format.cpp).
struct FormatInfo {
    Format format = Format::Unknown;
    const char* name = "";      // DXGI name, "DXGI_FORMAT_R8G8B8A8_UNORM"
    uint32_t bytesPerPixel = 0; // of the memory form (YUY2: 2); 0: no memory form
    uint32_t blockWidth = 1;    // pixels per stored texel (packed 4:2:2: 2)
    uint32_t texelBytes = 0;    // bytes of one stored texel
    bool gpu = false;           // has a texture form
    bool alphaOnly = false;     // holds alpha alone (stored in red, read as (0, 0, 0, a))
    bool opaqueAlpha = false;   // the fourth byte is padding: alpha reads as one
    bool packed422 = false;     // YUY2: Y0 U Y1 V per pixel pair
    uint32_t storageFormat = 0; // SPIR-V image format when bound as a storage image; 0: none
    uint16_t bitmapBitCount = 0;    // DIB form for plug-ins and the clipboard; 0: none
    uint32_t bitmapCompression = 0; // DIB compression: 0 (RGB) or a FourCC
};
// The row of a format; a row of zeros when unknown.
FormatInfo formatInfo(Format format);

} // namespace Platform::Gpu
