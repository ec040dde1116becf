#include "media/resource_buffer.h"

#include "core/failure.h"
#include "media/cpu_access_buffer.h"
#include "media/image_buffer.h"
#include "media/resource_convert.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cstring>

namespace Media {

namespace {
uint32_t bindFlagsFor(const Direct3DService& d3d, uint32_t format)
{
    if (format == d3d.PixelFormat || format == d3d.MaskFormat || format == Format::R32Float)
        return Platform::Gpu::BindShaderResource | Platform::Gpu::BindRenderTarget | Platform::Gpu::BindUnorderedAccess;
    return Platform::Gpu::BindShaderResource;
}

uint32_t clampSide(int side)
{
    if (side <= 0)
        return 0;
    return std::min<uint32_t>(static_cast<uint32_t>(side), ResourceBuffer::MaxSize);
}
} // namespace

void ResourceBuffer::setClampedSize(int w, int h)
{
    // A negative side is an empty request, never a huge one.
    if (w < 0 || h < 0)
        w = h = 0;
    width = clampSide(w);
    height = clampSide(h);
}

ResourceBuffer::ResourceBuffer(int w, int h) : ResourceBuffer(w, h, Direct3DService::Get()->PixelFormat) {}

ResourceBuffer::ResourceBuffer(int w, int h, uint32_t fmt)
{
    format = fmt == Format::Yuy2 ? Format::G8R8G8B8Unorm : fmt;
    setClampedSize(w, h);
    if (width != 0 || height != 0)
        createTexture2D();
}

ResourceBuffer::ResourceBuffer(const ImageBuffer& picture, const int options[2])
{
    format = Direct3D->PixelFormat;
    if (picture.format == format) {
        setClampedSize(static_cast<int>(std::min<uint32_t>(picture.width, 0x7FFFFFFF)),
                       static_cast<int>(std::min<uint32_t>(picture.height, 0x7FFFFFFF)));
        if (width != picture.width || height != picture.height)
            throw System::makeFormatException("Media::ResourceBuffer::ResourceBuffer", "image too large.",
                                              L"%u x %u", picture.width, picture.height);
        createTexture2D(picture.data(), picture.pitch);
    } else {
        ResourceConvert(*Direct3D, shaderList).convert(picture, *this, options);
    }
}

ResourceBuffer::~ResourceBuffer() = default;

std::unique_ptr<ResourceBuffer> ResourceBuffer::create(int w, int h, uint32_t fmt)
{
    return std::make_unique<ResourceBuffer>(w, h, fmt);
}

std::unique_ptr<ResourceBuffer> ResourceBuffer::createFromImage(const std::shared_ptr<ImageBuffer>& picture,
                                                                const int options[2])
{
    if (!picture)
        return nullptr;
    return std::make_unique<ResourceBuffer>(*picture, options);
}

void ResourceBuffer::release()
{
    unorderedAccessView.reset();
    renderTargetView.reset();
    shaderResourceView.reset();
    buffer.reset();
}

void ResourceBuffer::resize(int w, int h)
{
    setClampedSize(w, h);
    release();
    if (width != 0 || height != 0)
        createTexture2D();
}

void ResourceBuffer::createTexture2D(const void* initialData, uint32_t rowPitch)
{
    release();
    Platform::Gpu::TextureDesc desc;
    desc.width = width;
    desc.height = height;
    desc.format = format;
    desc.bind = bindFlagsFor(*Direct3D, format);
    int32_t hr = Direct3D->device->createTexture(desc, initialData, rowPitch, &buffer);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateTexture2D", "Media::ResourceBuffer::createTexture2D", hr);
}

void ResourceBuffer::createShaderResourceView()
{
    shaderResourceView.reset();
    int32_t hr = Direct3D->device->createView(buffer, Platform::Gpu::ViewKind::ShaderResource, &shaderResourceView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateShaderResourceView",
                                           "Media::ResourceBuffer::createShaderResourceView", hr);
}

void ResourceBuffer::createRenderTargetView()
{
    renderTargetView.reset();
    int32_t hr = Direct3D->device->createView(buffer, Platform::Gpu::ViewKind::RenderTarget, &renderTargetView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateRenderTargetView",
                                           "Media::ResourceBuffer::createRenderTargetView", hr);
}

void ResourceBuffer::createUnorderedAccessView()
{
    unorderedAccessView.reset();
    int32_t hr = Direct3D->device->createView(buffer, Platform::Gpu::ViewKind::UnorderedAccess, &unorderedAccessView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateUnorderedAccessView",
                                           "Media::ResourceBuffer::createUnorderedAccessView", hr);
}

void ResourceBuffer::updateFromMemory(const void* data, uint32_t rowPitch)
{
    if (buffer)
        Direct3D->context->updateTexture(*buffer, nullptr, data, rowPitch);
}

void ResourceBuffer::clearUnorderedAccessView(float value)
{
    if (!buffer)
        return;
    if (!unorderedAccessView)
        createUnorderedAccessView();
    const float v[4] = {value, value, value, value};
    Direct3D->context->clearUnorderedAccessFloat(*unorderedAccessView, v);
}

void ResourceBuffer::clearRenderTargetView(const float color[4])
{
    if (!buffer)
        return;
    if (!renderTargetView)
        createRenderTargetView();
    Direct3D->context->clearRenderTarget(*renderTargetView, color);
}

void ResourceBuffer::copyRegion(const ResourceBuffer& source, int x, int y, int w, int h)
{
    if (!buffer || !source.buffer || w <= 0 || h <= 0)
        return;
    // Keep the box inside the source and the copy inside this buffer.
    int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t(x) + w, source.width);
    int64_t bottom = std::min<int64_t>(int64_t(y) + h, source.height);
    right = std::min<int64_t>(right, left + width);
    bottom = std::min<int64_t>(bottom, top + height);
    if (left >= right || top >= bottom)
        return;
    // A box that starts left of or above the source lands where it would have.
    uint32_t dx = static_cast<uint32_t>(left - x), dy = static_cast<uint32_t>(top - y);
    if (dx >= width || dy >= height)
        return;
    Platform::Gpu::Box box{static_cast<uint32_t>(left), static_cast<uint32_t>(top), static_cast<uint32_t>(right),
                           static_cast<uint32_t>(bottom)};
    Direct3D->context->copyRegion(*buffer, dx, dy, *source.buffer, box);
}

std::unique_ptr<ResourceBuffer> ResourceBuffer::clone() const
{
    auto copy = std::make_unique<ResourceBuffer>(static_cast<int>(width), static_cast<int>(height), Direct3D->PixelFormat);
    if (buffer && copy->buffer)
        Direct3D->context->copyTexture(*copy->buffer, *buffer);
    return copy;
}

std::unique_ptr<ResourceBuffer> ResourceBuffer::copyToCanvas(int newWidth, int newHeight, int x, int y) const
{
    auto canvas = std::make_unique<ResourceBuffer>(newWidth, newHeight, Direct3D->PixelFormat);
    if (!canvas->buffer)
        return canvas;
    const float zero[4] = {0, 0, 0, 0};
    canvas->clearRenderTargetView(zero);
    int64_t srcLeft = std::max<int64_t>(-int64_t(x), 0), srcTop = std::max<int64_t>(-int64_t(y), 0);
    int64_t dstX = std::max(x, 0), dstY = std::max(y, 0);
    int64_t srcRight = std::min<int64_t>(width, srcLeft + canvas->width - dstX);
    int64_t srcBottom = std::min<int64_t>(height, srcTop + canvas->height - dstY);
    if (buffer && dstX < canvas->width && dstY < canvas->height && srcLeft < srcRight && srcTop < srcBottom) {
        Platform::Gpu::Box box{static_cast<uint32_t>(srcLeft), static_cast<uint32_t>(srcTop),
                               static_cast<uint32_t>(srcRight), static_cast<uint32_t>(srcBottom)};
        Direct3D->context->copyRegion(*canvas->buffer, static_cast<uint32_t>(dstX), static_cast<uint32_t>(dstY),
                                      *buffer, box);
    }
    return canvas;
}

std::shared_ptr<ImageBuffer> ResourceBuffer::readImageBuffer() const
{
    if (!buffer)
        return nullptr;
    CpuAccessBuffer staging(width, height, format);
    Direct3D->context->copyToStaging(*staging.texture, *buffer);
    CpuAccessBuffer::Mapping map(staging);
    auto image = ImageBuffer::create(format == Format::G8R8G8B8Unorm ? Format::Yuy2 : format, width, height);
    uint32_t rowBytes = std::min(map.rowPitch, image->pitch);
    uint32_t used = Platform::Gpu::formatInfo(format).texelBytes * ((width + Platform::Gpu::formatInfo(format).blockWidth - 1) /
                                                                     Platform::Gpu::formatInfo(format).blockWidth);
    rowBytes = std::min(rowBytes, used);
    for (uint32_t row = 0; row < height; ++row)
        std::memcpy(image->row(row), map.data + size_t(row) * map.rowPitch, rowBytes);
    return image;
}

} // namespace Media
