#include "platform/gpu/gpu.h"

#include <atomic>
#include <cstring>

namespace Platform::Gpu {

namespace {
std::atomic<uint64_t> nextVersion{1};
}

Buffer::Buffer(uint32_t size, const void* data) : bytes_(size), version_(nextVersion++)
{
    if (data && size)
        std::memcpy(bytes_.data(), data, size);
}

void Buffer::update(const void* data, uint32_t offset, uint32_t size)
{
    if (offset >= bytes_.size())
        return;
    if (size > bytes_.size() - offset)
        size = static_cast<uint32_t>(bytes_.size() - offset);
    std::memcpy(bytes_.data() + offset, data, size);
    version_ = nextVersion++;
}

FormatInfo formatInfo(uint32_t format)
{
    switch (format) {
    case 2: return {2, 16, 1, 16, true};    // R32G32B32A32_FLOAT
    case 10: return {10, 8, 1, 8, true};    // R16G16B16A16_FLOAT
    case 11: return {11, 8, 1, 8, true};    // R16G16B16A16_UNORM
    case 13: return {13, 8, 1, 8, true};    // R16G16B16A16_SNORM
    case 28: return {28, 4, 1, 4, true};    // R8G8B8A8_UNORM
    case 41: return {41, 4, 1, 4, true};    // R32_FLOAT
    case 65: return {65, 1, 1, 1, true};    // A8_UNORM
    case 69: return {69, 2, 2, 4, true};    // G8R8_G8B8_UNORM
    case 87: return {87, 4, 1, 4, true};    // B8G8R8A8_UNORM
    case 88: return {88, 4, 1, 4, true};    // B8G8R8X8_UNORM
    case 107: return {107, 2, 2, 4, false}; // YUY2 (memory form of 69)
    default: return {};
    }
}

} // namespace Platform::Gpu
