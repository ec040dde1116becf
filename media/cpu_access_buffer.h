#pragma once
// A processor-readable copy of a picture (a staging texture). The copy into
// it is submitted at once; mapping it waits for that copy only, so the work
// recorded after it can run meanwhile.
#include "media/direct3d_service.h"

#include <cstdint>
#include <memory>

namespace Platform::Gpu {
class Staging;
class Texture;
} // namespace Platform::Gpu

namespace Media {

class CpuAccessBuffer {
public:
    CpuAccessBuffer(uint32_t width, uint32_t height, Format format);
    ~CpuAccessBuffer();

    // Copies the picture into this buffer (CopyResource).
    void copyFrom(Platform::Gpu::Texture& source);

    // A scoped mapping of the copy.
    struct Mapping {
        explicit Mapping(CpuAccessBuffer& buffer);
        const uint8_t* data;
        uint32_t rowPitch;
    };

    std::shared_ptr<Platform::Gpu::Staging> texture;
};

} // namespace Media
