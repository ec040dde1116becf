#pragma once
// A frame or scene render target (optionally multi-sampled) with five
// companion pictures made on demand for 3D drawing, and the frame's lights.
#include "media/direct3d_service.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Platform::Gpu {
class Texture;
class View;
} // namespace Platform::Gpu

namespace Media {

class ResourceBuffer;
class ImageBuffer;

class RenderBuffer : public Direct3DInstance {
public:
    explicit RenderBuffer(uint32_t format, SampleDesc samples = SampleDesc{});
    ~RenderBuffer();
    RenderBuffer(const RenderBuffer&) = delete;
    RenderBuffer& operator=(const RenderBuffer&) = delete;

    uint32_t getFormat() const { return format; }
    // Does nothing when the size is unchanged; companions keep their size.
    void createTexture2D(uint32_t width, uint32_t height);
    void createRenderTargetView();
    void createShaderResourceView();
    void createUnorderedAccessView();

    ResourceBuffer& getDepthBuffer();
    ResourceBuffer& getTransparentBuffer();
    ResourceBuffer& getTransparentDepthBuffer();
    ResourceBuffer& getNormalBuffer();
    ResourceBuffer& getNormalTransparentBuffer();

    // The frame as a new working-format picture: resolved when multi-sampled;
    // copied, or drawn opaque (alpha 1) when copy is false.
    std::unique_ptr<ResourceBuffer> createResourceBuffer(bool copy);
    // The frame read back in its own format (a multi-sampled frame resolved
    // first); empty before the texture is made.
    std::shared_ptr<ImageBuffer> readImageBuffer();
    // The frame in a memory format, un-premultiplied when straightAlpha is set
    // (8-bit formats).
    std::shared_ptr<ImageBuffer> createImageBuffer(uint32_t format, bool straightAlpha);

    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t format = 0;
    uint32_t sampleCount = 1;
    uint32_t sampleQuality = 0;
    std::shared_ptr<Platform::Gpu::Texture> texture;
    std::shared_ptr<Platform::Gpu::View> renderTargetView;
    std::shared_ptr<Platform::Gpu::View> shaderResourceView;
    std::shared_ptr<Platform::Gpu::View> unorderedAccessView;
    std::unique_ptr<ResourceBuffer> depth, transparent, transparentDepth, normal, normalTransparent;
    // 32-byte light records appended by the camera light effects.
    std::vector<std::array<uint8_t, 32>> lights;

private:
    void releaseViews();
    // A single-sampled copy of this multi-sampled frame.
    std::unique_ptr<RenderBuffer> resolved();
};

} // namespace Media
