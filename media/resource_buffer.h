#pragma once
// A picture on the graphics processor: one single-sampled 2D texture with its
// views made on first use. Effects hand these from one to the next.
#include "media/direct3d_service.h"
#include "media/shader_resource.h"
#include "media/texture_views.h"

#include <cstdint>
#include <memory>

namespace Media {

class ImageBuffer;
class RenderTargetDirect3D;

class ResourceBuffer : public Resource::ShaderResource, public Resource::ShaderStateResource, public TextureViews {
public:
    static constexpr uint32_t MaxSize = 16384;

    // Working format. Sides above 16384 are clamped; a negative side makes an
    // empty buffer (as does 0 x 0); contents are undefined.
    ResourceBuffer(int width, int height);
    ResourceBuffer(int width, int height, Format format);
    // The texture made with initialData (rowPitch bytes per row of the
    // format's memory form), sized as above.
    ResourceBuffer(int width, int height, Format format, const void* initialData, uint32_t rowPitch);
    // The picture uploaded and converted into the working format. options:
    // YUV colour table (entry + 1, 0 = by height) and full range for YUY2.
    ResourceBuffer(const ImageBuffer& picture, const int options[2]);
    ~ResourceBuffer();

    static std::unique_ptr<ResourceBuffer> create(int width, int height, Format format);
    static std::unique_ptr<ResourceBuffer> createFromImage(const std::shared_ptr<ImageBuffer>& picture,
                                                           const int options[2]);

    uint32_t getWidth() const { return width_; }
    uint32_t getHeight() const { return height_; }
    Format getFormat() const { return format_; }
    bool empty() const { return !getTexture(); }

    // (Re)creates the texture at the current size, with initial data of
    // rowPitch bytes per row when given.
    void createTexture2D(const void* initialData = nullptr, uint32_t rowPitch = 0);
    // Releases the views and the texture.
    void release();
    // Sets a new size (clamped as in the constructor) and re-creates the texture.
    void resize(int width, int height);

    // Writes processor memory (the format's memory form) into the picture.
    void updateFromMemory(const void* data, uint32_t rowPitch);
    void clearUnorderedAccessView(float value);
    void clearRenderTargetView(const float color[4]);
    // Copies the source box (x, y, width, height) to (0, 0); the part of the
    // box outside the source or this buffer is left out.
    void copyRegion(const ResourceBuffer& source, int x, int y, int width, int height);
    std::unique_ptr<ResourceBuffer> clone() const;
    std::unique_ptr<ResourceBuffer> copyToCanvas(int newWidth, int newHeight, int x, int y) const;
    // Reads the picture back into a new memory picture of the same format
    // (YUY2 containers come back as Yuy2).
    std::shared_ptr<ImageBuffer> readImageBuffer() const;
    // A 2D drawing target over this picture (media/render_target_direct3d.h).
    RenderTargetDirect3D getSurface();

private:
    void setClampedSize(int width, int height);
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    Format format_ = Format::Unknown;
};

} // namespace Media
