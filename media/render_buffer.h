#pragma once
// A frame or scene render target (optionally multi-sampled) with five
// companion pictures made on demand for 3D drawing, and the frame's lights.
#include "media/direct3d_service.h"
#include "media/texture_views.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Media {

class ResourceBuffer;
class ImageBuffer;
class PendingImage;

class RenderBuffer : public TextureViews {
public:
    explicit RenderBuffer(Format format, SampleDesc samples = SampleDesc{});
    ~RenderBuffer();

    uint32_t getWidth() const { return width_; }
    uint32_t getHeight() const { return height_; }
    Format getFormat() const { return format_; }
    uint32_t getSampleCount() const { return sampleCount_; }
    uint32_t getSampleQuality() const { return sampleQuality_; }
    // Does nothing when the size is unchanged; companions keep their size.
    void createTexture2D(uint32_t width, uint32_t height);
    // The size alone, for a frame that is measured before it is drawn; a
    // texture of another size is released (createTexture2D makes it again).
    void setSize(uint32_t width, uint32_t height);

    ResourceBuffer& getDepthBuffer();
    ResourceBuffer& getTransparentBuffer();
    ResourceBuffer& getTransparentDepthBuffer();
    ResourceBuffer& getNormalBuffer();
    ResourceBuffer& getNormalTransparentBuffer();

    // The five companions in the order above; null where not made yet.
    std::array<ResourceBuffer*, 5> getCompanions() const
    {
        return {depth_.get(), transparent_.get(), transparentDepth_.get(), normal_.get(), normalTransparent_.get()};
    }

    // 32-byte light records appended by the camera light effects.
    using Light = std::array<uint8_t, 32>;
    std::vector<Light>& getLights() { return lights_; }

    // The frame as a new working-format picture: resolved when multi-sampled;
    // copied, or drawn opaque (alpha 1) when copy is false.
    std::unique_ptr<ResourceBuffer> createResourceBuffer(bool copy);
    // The frame read back in its own format (a multi-sampled frame resolved
    // first); empty before the texture is made.
    std::shared_ptr<ImageBuffer> readImageBuffer();
    // The frame in a memory format, un-premultiplied when straightAlpha is set
    // (8-bit formats).
    std::shared_ptr<ImageBuffer> createImageBuffer(Format format, bool straightAlpha);
    // The two above in two steps: the device's part and the copy into
    // read-back memory are recorded and submitted now (the context's thread),
    // and the picture is made when the read-back is finished, on any thread,
    // while the frame's texture may already serve the next frame. Null before
    // the texture is made.
    std::unique_ptr<PendingImage> startRead();
    std::unique_ptr<PendingImage> startImageBuffer(Format format, bool straightAlpha);

private:
    // The working-format frame as an opaque 8-bit picture, converted on the
    // processor from the read-back texels: what the copy-opaque pass and an
    // 8-bit read-back give, without the full-frame pass.
    std::unique_ptr<PendingImage> startOpaque();
    // A single-sampled copy of this multi-sampled frame.
    std::unique_ptr<RenderBuffer> resolved();
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    Format format_;
    uint32_t sampleCount_ = 1;
    uint32_t sampleQuality_ = 0;
    std::unique_ptr<ResourceBuffer> depth_, transparent_, transparentDepth_, normal_, normalTransparent_;
    std::vector<Light> lights_;
};

} // namespace Media
