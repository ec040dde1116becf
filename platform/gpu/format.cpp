// The pixel formats the system uses, one row each with every fact of it.
#include "platform/gpu/gpu.h"

namespace Platform::Gpu {

namespace {
constexpr uint32_t fourCC(char a, char b, char c, char d)
{
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

// SPIR-V image formats.
constexpr uint32_t Rgba32f = 1, Rgba16f = 2, R32f = 3, Rgba8 = 4, Rgba16 = 10, R8 = 15, Rgba16Snorm = 16;

const FormatInfo formats[] = {
    // format, name, bytes, block, texel bytes, gpu, alpha only, opaque alpha, 4:2:2, storage, DIB bits, DIB compression
    {2, "DXGI_FORMAT_R32G32B32A32_FLOAT", 16, 1, 16, true, false, false, false, Rgba32f, 0, 0},
    {10, "DXGI_FORMAT_R16G16B16A16_FLOAT", 8, 1, 8, true, false, false, false, Rgba16f, 64, fourCC('H', 'F', '6', '4')},
    {11, "DXGI_FORMAT_R16G16B16A16_UNORM", 8, 1, 8, true, false, false, false, Rgba16, 64, fourCC('P', 'A', '6', '4')},
    {13, "DXGI_FORMAT_R16G16B16A16_SNORM", 8, 1, 8, true, false, false, false, Rgba16Snorm, 48, fourCC('Y', 'C', '4', '8')},
    {28, "DXGI_FORMAT_R8G8B8A8_UNORM", 4, 1, 4, true, false, false, false, Rgba8, 0, 0},
    {41, "DXGI_FORMAT_R32_FLOAT", 4, 1, 4, true, false, false, false, R32f, 0, 0},
    {65, "DXGI_FORMAT_A8_UNORM", 1, 1, 1, true, true, false, false, R8, 0, 0},
    {69, "DXGI_FORMAT_G8R8_G8B8_UNORM", 2, 2, 4, true, false, false, true, 0, 0, 0},
    {87, "DXGI_FORMAT_B8G8R8A8_UNORM", 4, 1, 4, true, false, false, false, 0, 32, 0},
    {88, "DXGI_FORMAT_B8G8R8X8_UNORM", 4, 1, 4, true, false, true, false, 0, 24, 0},
    // The memory form of packed 4:2:2 pictures; on the device they are format 69.
    {107, "DXGI_FORMAT_YUY2", 2, 2, 4, false, false, false, true, 0, 16, fourCC('Y', 'U', 'Y', '2')},
};
} // namespace

FormatInfo formatInfo(uint32_t format)
{
    for (const FormatInfo& f : formats)
        if (f.format == format)
            return f;
    return {};
}

} // namespace Platform::Gpu
