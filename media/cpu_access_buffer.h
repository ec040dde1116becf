#pragma once
// A processor-readable copy of a picture (a staging texture). Mapping it
// waits for the graphics processor.
#include <cstdint>
#include <memory>

namespace Platform::Gpu {
class Staging;
}

namespace Media {

class CpuAccessBuffer {
public:
    CpuAccessBuffer(uint32_t width, uint32_t height, uint32_t format);
    ~CpuAccessBuffer();

    // A scoped mapping of the copy.
    struct Mapping {
        explicit Mapping(CpuAccessBuffer& buffer);
        const uint8_t* data;
        uint32_t rowPitch;
    };

    std::shared_ptr<Platform::Gpu::Staging> texture;
};

} // namespace Media
