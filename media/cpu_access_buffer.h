#pragma once
// A processor-readable copy of a picture (a staging texture). The copy into
// it is submitted at once; mapping it waits for that copy only, so the work
// recorded after it can run meanwhile.
#include "media/direct3d_service.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace Platform::Gpu {
class Staging;
class Texture;
} // namespace Platform::Gpu

namespace Media {

class ImageBuffer;

class CpuAccessBuffer {
public:
    CpuAccessBuffer(uint32_t width, uint32_t height, Format format);
    ~CpuAccessBuffer();

    // Copies the picture into this buffer (CopyResource).
    void copyFrom(Platform::Gpu::Texture& source);

    // A scoped mapping of the copy (the context's thread).
    struct Mapping {
        explicit Mapping(CpuAccessBuffer& buffer);
        const uint8_t* data;
        uint32_t rowPitch;
    };
    // The copy's memory once the device has made it, on any thread.
    const uint8_t* waitMapped();
    uint32_t rowPitch() const;

    std::shared_ptr<Platform::Gpu::Staging> texture;
};

// A picture being read back: the copies into read-back memory are submitted;
// finish waits for them, on any thread, and makes the picture from the memory.
class PendingImage {
public:
    using Build = std::function<std::shared_ptr<ImageBuffer>(const uint8_t* data, uint32_t rowPitch)>;
    PendingImage(std::unique_ptr<CpuAccessBuffer> staging, Build build);
    ~PendingImage();
    PendingImage(const PendingImage&) = delete;
    PendingImage& operator=(const PendingImage&) = delete;

    // The picture; empty after the first call.
    std::shared_ptr<ImageBuffer> finish();

private:
    std::unique_ptr<CpuAccessBuffer> staging_;
    Build build_;
};

} // namespace Media
