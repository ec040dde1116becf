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

} // namespace Platform::Gpu
