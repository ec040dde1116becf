// The pixel formats the system uses, one row each with every fact of it.
#include "platform/gpu/gpu.h"

namespace Platform::Gpu {

namespace {
// SPIR-V image formats.
constexpr uint32_t Rgba32f = 1, Rgba16f = 2, R32f = 3, Rgba8 = 4, Rgba16 = 10, R8 = 15, Rgba16Snorm = 16;

const FormatInfo formats[] = {
    // format, name, bytes, block, texel bytes, gpu, alpha only, opaque alpha, 4:2:2, storage, DIB bits, DIB compression
    {Format::R32G32B32A32Float, "DXGI_FORMAT_R32G32B32A32_FLOAT", 0, 1, 16, true, false, false, false, Rgba32f, 0, 0},
    {Format::R16G16B16A16Float, "DXGI_FORMAT_R16G16B16A16_FLOAT", 8, 1, 8, true, false, false, false, Rgba16f, 64, makeFourCC('H', 'F', '6', '4')},
    {Format::R16G16B16A16Unorm, "DXGI_FORMAT_R16G16B16A16_UNORM", 8, 1, 8, true, false, false, false, Rgba16, 64, makeFourCC('P', 'A', '6', '4')},
    {Format::R16G16B16A16Snorm, "DXGI_FORMAT_R16G16B16A16_SNORM", 8, 1, 8, true, false, false, false, Rgba16Snorm, 48, makeFourCC('Y', 'C', '4', '8')},
    {Format::R8G8B8A8Unorm, "DXGI_FORMAT_R8G8B8A8_UNORM", 4, 1, 4, true, false, false, false, Rgba8, 0, 0},
    {Format::R32Float, "DXGI_FORMAT_R32_FLOAT", 4, 1, 4, true, false, false, false, R32f, 0, 0},
    {Format::A8Unorm, "DXGI_FORMAT_A8_UNORM", 1, 1, 1, true, true, false, false, R8, 0, 0},
    {Format::G8R8G8B8Unorm, "DXGI_FORMAT_G8R8_G8B8_UNORM", 0, 2, 4, true, false, false, true, 0, 0, 0},
    {Format::B8G8R8A8Unorm, "DXGI_FORMAT_B8G8R8A8_UNORM", 4, 1, 4, true, false, false, false, 0, 32, 0},
    {Format::B8G8R8X8Unorm, "DXGI_FORMAT_B8G8R8X8_UNORM", 4, 1, 4, true, false, true, false, 0, 24, 0},
    // The memory form of packed 4:2:2 pictures; on the device they are G8R8G8B8Unorm.
    {Format::Yuy2, "DXGI_FORMAT_YUY2", 2, 2, 4, false, false, false, true, 0, 16, makeFourCC('Y', 'U', 'Y', '2')},
};
} // namespace

FormatInfo formatInfo(Format format)
{
    for (const FormatInfo& f : formats)
        if (f.format == format)
            return f;
    return {};
}

} // namespace Platform::Gpu
