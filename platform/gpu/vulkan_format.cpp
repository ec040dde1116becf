// Pixel formats and the platform's state enumerations in Vulkan terms.
#include "platform/gpu/vulkan_private.h"

#include <stdexcept>

namespace Platform::Gpu {

int32_t toResult(VkResult r)
{
    switch (r) {
    case VK_SUCCESS: return Ok;
    case VK_ERROR_OUT_OF_HOST_MEMORY:
    case VK_ERROR_OUT_OF_DEVICE_MEMORY:
    case VK_ERROR_TOO_MANY_OBJECTS: return ErrorOutOfMemory;
    case VK_ERROR_DEVICE_LOST: return ErrorDeviceRemoved;
    case VK_ERROR_FORMAT_NOT_SUPPORTED:
    case VK_ERROR_FEATURE_NOT_PRESENT:
    case VK_ERROR_EXTENSION_NOT_PRESENT:
    case VK_ERROR_LAYER_NOT_PRESENT:
    case VK_ERROR_INCOMPATIBLE_DRIVER: return ErrorUnsupported;
    case VK_ERROR_INITIALIZATION_FAILED: return ErrorNotFound;
    default: return ErrorFail;
    }
}

void check(VkResult r, const char* what)
{
    if (r != VK_SUCCESS)
        throw std::runtime_error(std::string(what) + " failed (" + std::to_string(static_cast<int>(r)) + ")");
}

// The Vulkan column of the format table: formats Vulkan lacks are held in
// another (A8 as R8, packed 4:2:2 as RGBA8 of half width, X8 as A8). Formats
// with no texture form have none.
VkFormat vkFormat(Format format)
{
    switch (format) {
    case Format::R32G32B32A32Float: return VK_FORMAT_R32G32B32A32_SFLOAT;
    case Format::R16G16B16A16Float: return VK_FORMAT_R16G16B16A16_SFLOAT;
    case Format::R16G16B16A16Unorm: return VK_FORMAT_R16G16B16A16_UNORM;
    case Format::R16G16B16A16Snorm: return VK_FORMAT_R16G16B16A16_SNORM;
    case Format::R8G8B8A8Unorm: return VK_FORMAT_R8G8B8A8_UNORM;
    case Format::R32Float: return VK_FORMAT_R32_SFLOAT;
    case Format::A8Unorm: return VK_FORMAT_R8_UNORM;
    case Format::G8R8G8B8Unorm: return VK_FORMAT_R8G8B8A8_UNORM;
    case Format::B8G8R8A8Unorm:
    case Format::B8G8R8X8Unorm: return VK_FORMAT_B8G8R8A8_UNORM;
    default: return VK_FORMAT_UNDEFINED;
    }
}

VkComponentMapping readSwizzle(Format format)
{
    constexpr VkComponentSwizzle Same = VK_COMPONENT_SWIZZLE_IDENTITY;
    const FormatInfo fi = formatInfo(format);
    if (fi.alphaOnly) // stored in red, read as (0, 0, 0, a)
        return {VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_ZERO, VK_COMPONENT_SWIZZLE_R};
    if (fi.opaqueAlpha)
        return {Same, Same, Same, VK_COMPONENT_SWIZZLE_ONE};
    return {Same, Same, Same, Same};
}

uint32_t texelWidth(Format format, uint32_t width)
{
    const uint32_t block = formatInfo(format).blockWidth;
    return block > 1 ? (width + block - 1) / block : width;
}

VkBlendFactor blendFactor(uint8_t f, bool alphaTarget)
{
    switch (f) {
    case 1: return VK_BLEND_FACTOR_ZERO;
    case 2: return VK_BLEND_FACTOR_ONE;
    case 3: return VK_BLEND_FACTOR_SRC_COLOR;
    case 4: return VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
    case 5: return VK_BLEND_FACTOR_SRC_ALPHA;
    case 6: return VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    // An alpha-only target keeps its alpha in red.
    case 7: return alphaTarget ? VK_BLEND_FACTOR_DST_COLOR : VK_BLEND_FACTOR_DST_ALPHA;
    case 8: return alphaTarget ? VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR : VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
    case 9: return VK_BLEND_FACTOR_DST_COLOR;
    case 10: return VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
    case 11: return VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
    case 14: return alphaTarget ? VK_BLEND_FACTOR_CONSTANT_ALPHA : VK_BLEND_FACTOR_CONSTANT_COLOR;
    case 15: return alphaTarget ? VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_ALPHA : VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR;
    case 16: return VK_BLEND_FACTOR_SRC1_COLOR;
    case 17: return VK_BLEND_FACTOR_ONE_MINUS_SRC1_COLOR;
    case 18: return VK_BLEND_FACTOR_SRC1_ALPHA;
    case 19: return VK_BLEND_FACTOR_ONE_MINUS_SRC1_ALPHA;
    default: return VK_BLEND_FACTOR_ONE;
    }
}

VkBlendOp blendOp(uint8_t op)
{
    switch (op) {
    case 2: return VK_BLEND_OP_SUBTRACT;
    case 3: return VK_BLEND_OP_REVERSE_SUBTRACT;
    case 4: return VK_BLEND_OP_MIN;
    case 5: return VK_BLEND_OP_MAX;
    default: return VK_BLEND_OP_ADD;
    }
}

VkSamplerAddressMode addressMode(uint8_t a)
{
    switch (a) {
    case 1: return VK_SAMPLER_ADDRESS_MODE_REPEAT;
    case 2: return VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
    case 4: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER;
    case 5: return VK_SAMPLER_ADDRESS_MODE_MIRROR_CLAMP_TO_EDGE;
    default: return VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
    }
}

VkPrimitiveTopology topologyOf(uint32_t t)
{
    switch (t) {
    case Topology::PointList: return VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
    case Topology::LineList: return VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
    case Topology::LineStrip: return VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
    case Topology::TriangleStrip: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
    default: return VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
    }
}

VkFormat attributeFormat(const VertexAttribute& a)
{
    static const VkFormat floats[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_SFLOAT, VK_FORMAT_R32G32_SFLOAT,
                                      VK_FORMAT_R32G32B32_SFLOAT, VK_FORMAT_R32G32B32A32_SFLOAT};
    static const VkFormat sints[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_SINT, VK_FORMAT_R32G32_SINT,
                                     VK_FORMAT_R32G32B32_SINT, VK_FORMAT_R32G32B32A32_SINT};
    static const VkFormat uints[] = {VK_FORMAT_UNDEFINED, VK_FORMAT_R32_UINT, VK_FORMAT_R32G32_UINT,
                                     VK_FORMAT_R32G32B32_UINT, VK_FORMAT_R32G32B32A32_UINT};
    size_t i = static_cast<size_t>(a.format);
    if (i >= std::size(floats))
        return VK_FORMAT_UNDEFINED;
    if (a.type == ComponentType::SInt32)
        return sints[i];
    if (a.type == ComponentType::UInt32)
        return uints[i];
    return floats[i];
}

} // namespace Platform::Gpu
