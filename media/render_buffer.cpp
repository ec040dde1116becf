#include "media/render_buffer.h"

#include "core/failure.h"
#include "media/cpu_access_buffer.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_convert.h"
#include "media/shader_list.h"
#include "platform/gpu/gpu.h"

#include <cstring>

namespace Media {

RenderBuffer::RenderBuffer(uint32_t fmt, SampleDesc samples)
    : format(fmt), sampleCount(samples.count ? samples.count : 1), sampleQuality(samples.quality)
{
}

RenderBuffer::~RenderBuffer() = default;

void RenderBuffer::releaseViews()
{
    renderTargetView.reset();
    shaderResourceView.reset();
    unorderedAccessView.reset();
}

void RenderBuffer::createTexture2D(uint32_t w, uint32_t h)
{
    if (texture && w == width && h == height)
        return;
    width = w;
    height = h;
    releaseViews();
    texture.reset();
    Platform::Gpu::TextureDesc desc;
    desc.width = w;
    desc.height = h;
    desc.format = format;
    desc.samples = sampleCount;
    desc.bind = Platform::Gpu::BindRenderTarget;
    if (sampleCount == 1)
        desc.bind |= Platform::Gpu::BindShaderResource;
    // Unordered access exists for single-sampled pictures only.
    if (format == Direct3D->PixelFormat && sampleCount == 1)
        desc.bind |= Platform::Gpu::BindUnorderedAccess;
    int32_t hr = Direct3D->device->createTexture(desc, nullptr, 0, &texture);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateTexture2D", "Media::RenderBuffer::createTexture2D", hr);
}

void RenderBuffer::createRenderTargetView()
{
    renderTargetView.reset();
    int32_t hr = Direct3D->device->createView(texture, Platform::Gpu::ViewKind::RenderTarget, &renderTargetView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateRenderTargetView",
                                           "Media::RenderBuffer::createRenderTargetView", hr);
}

void RenderBuffer::createShaderResourceView()
{
    if (shaderResourceView)
        return;
    int32_t hr = Direct3D->device->createView(texture, Platform::Gpu::ViewKind::ShaderResource, &shaderResourceView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateShaderResourceView",
                                           "Media::RenderBuffer::createShaderResourceView", hr);
}

void RenderBuffer::createUnorderedAccessView()
{
    if (unorderedAccessView)
        return;
    int32_t hr = Direct3D->device->createView(texture, Platform::Gpu::ViewKind::UnorderedAccess, &unorderedAccessView);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateUnorderedAccessView",
                                           "Media::RenderBuffer::createUnorderedAccessView", hr);
}

namespace {
ResourceBuffer& companion(std::unique_ptr<ResourceBuffer>& slot, const RenderBuffer& frame, uint32_t format,
                          const float clear[4], bool unorderedClear)
{
    if (!slot) {
        slot = ResourceBuffer::create(static_cast<int>(frame.width), static_cast<int>(frame.height), format);
        if (unorderedClear)
            slot->clearUnorderedAccessView(clear[0]);
        else
            slot->clearRenderTargetView(clear);
    }
    return *slot;
}
const float FarDepth[4] = {1e10f, 1e10f, 1e10f, 1e10f};
const float Zero[4] = {0, 0, 0, 0};
const float NoNormal[4] = {0, 0, 0, -1};
} // namespace

ResourceBuffer& RenderBuffer::getDepthBuffer() { return companion(depth, *this, Format::R32Float, FarDepth, true); }
ResourceBuffer& RenderBuffer::getTransparentBuffer() { return companion(transparent, *this, format, Zero, false); }
ResourceBuffer& RenderBuffer::getTransparentDepthBuffer()
{
    return companion(transparentDepth, *this, Format::R32Float, FarDepth, true);
}
ResourceBuffer& RenderBuffer::getNormalBuffer()
{
    return companion(normal, *this, Format::R16G16B16A16Float, NoNormal, false);
}
ResourceBuffer& RenderBuffer::getNormalTransparentBuffer()
{
    return companion(normalTransparent, *this, Format::R16G16B16A16Float, NoNormal, false);
}

std::unique_ptr<ResourceBuffer> RenderBuffer::createResourceBuffer(bool copy)
{
    auto result = std::make_unique<ResourceBuffer>(static_cast<int>(width), static_cast<int>(height), Direct3D->PixelFormat);
    if (!texture || !result->buffer)
        return result;
    if (sampleCount != 1)
        Direct3D->context->resolve(*result->buffer, *texture);
    else if (copy)
        Direct3D->context->copyTexture(*result->buffer, *texture);
    else
        Shader::ShaderList::published()->copyOpaqueShader.drawFromRenderBuffer(*result, *this);
    return result;
}

std::unique_ptr<RenderBuffer> RenderBuffer::resolved()
{
    auto single = std::make_unique<RenderBuffer>(format);
    single->createTexture2D(width, height);
    Direct3D->context->resolve(*single->texture, *texture);
    return single;
}

std::shared_ptr<ImageBuffer> RenderBuffer::readImageBuffer()
{
    if (!texture)
        return nullptr;
    // A multi-sampled frame is read through a resolved copy.
    if (sampleCount != 1)
        return resolved()->readImageBuffer();
    CpuAccessBuffer staging(width, height, format);
    Direct3D->context->copyToStaging(*staging.texture, *texture);
    CpuAccessBuffer::Mapping map(staging);
    auto image = ImageBuffer::create(format, width, height);
    image->setSize(width, height, map.rowPitch);
    std::memcpy(image->data(), map.data, size_t(height) * map.rowPitch);
    return image;
}

std::shared_ptr<ImageBuffer> RenderBuffer::createImageBuffer(uint32_t target, bool straightAlpha)
{
    if (sampleCount != 1)
        return resolved()->createImageBuffer(target, straightAlpha);
    Shader::ShaderList* list = Shader::ShaderList::published();
    if (target == Format::Yuy2 || target == Format::R16G16B16A16Snorm)
        return ResourceConvert(*Direct3D, list).convert(*this, target);
    Media::PixelShader* shader = &list->copyShader;
    if (target == Format::R8G8B8A8Unorm || target == Format::B8G8R8A8Unorm)
        shader = straightAlpha ? &list->unpremultiplyShader : &list->clampPremultipliedShader;
    else if (target == Format::B8G8R8X8Unorm)
        shader = &list->copyOpaqueShader;
    RenderBuffer temporary(target);
    temporary.createTexture2D(width, height);
    createShaderResourceView();
    shader->drawViewToRenderBuffer(temporary, shaderResourceView.get());
    return temporary.readImageBuffer();
}

} // namespace Media
