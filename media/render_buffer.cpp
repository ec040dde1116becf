#include "media/render_buffer.h"

#include "core/failure.h"
#include "media/cpu_access_buffer.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_convert.h"
#include "media/shader_list.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace Media {

namespace {

float halfValue(uint16_t h)
{
    const int exponent = (h >> 10) & 0x1F, mantissa = h & 0x3FF;
    float v;
    if (exponent == 0)
        v = std::ldexp(static_cast<float>(mantissa), -24);
    else if (exponent == 31)
        v = mantissa ? NAN : INFINITY;
    else
        v = std::ldexp(static_cast<float>(mantissa | 0x400), exponent - 25);
    return (h & 0x8000) ? -v : v;
}

// The byte a half becomes in an 8-bit picture: held to 0..1 (NaN to 0), times
// 255, rounded to the nearest; one entry for each of the 65536 halves.
const std::vector<uint8_t>& byteOfHalf()
{
    static const std::vector<uint8_t> table = [] {
        std::vector<uint8_t> t(65536);
        for (uint32_t h = 0; h < 65536; ++h) {
            const float v = halfValue(static_cast<uint16_t>(h));
            t[h] = static_cast<uint8_t>(std::lround((v > 0 ? std::min(v, 1.0f) : 0.0f) * 255.0f));
        }
        return t;
    }();
    return table;
}

} // namespace

RenderBuffer::RenderBuffer(Format fmt, SampleDesc samples)
    : TextureViews("Media::RenderBuffer"), format_(fmt), sampleCount_(samples.count ? samples.count : 1),
      sampleQuality_(samples.quality)
{
}

RenderBuffer::~RenderBuffer() = default;

void RenderBuffer::setSize(uint32_t w, uint32_t h)
{
    if (w == width_ && h == height_)
        return;
    width_ = w;
    height_ = h;
    releaseTexture();
}

void RenderBuffer::createTexture2D(uint32_t w, uint32_t h)
{
    if (getTexture() && w == width_ && h == height_)
        return;
    width_ = w;
    height_ = h;
    Platform::Gpu::TextureDesc desc;
    desc.width = w;
    desc.height = h;
    desc.format = format_;
    desc.samples = sampleCount_;
    desc.bind = Platform::Gpu::BindRenderTarget;
    if (sampleCount_ == 1)
        desc.bind |= Platform::Gpu::BindShaderResource;
    // Unordered access exists for single-sampled pictures only.
    if (format_ == Direct3D->PixelFormat && sampleCount_ == 1)
        desc.bind |= Platform::Gpu::BindUnorderedAccess;
    makeTexture(desc, nullptr, 0);
}

namespace {
ResourceBuffer& companion(std::unique_ptr<ResourceBuffer>& slot, const RenderBuffer& frame, Format format,
                          const float clear[4], bool unorderedClear)
{
    if (!slot) {
        slot = ResourceBuffer::create(static_cast<int>(frame.getWidth()), static_cast<int>(frame.getHeight()), format);
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

ResourceBuffer& RenderBuffer::getDepthBuffer() { return companion(depth_, *this, Format::R32Float, FarDepth, true); }
ResourceBuffer& RenderBuffer::getTransparentBuffer() { return companion(transparent_, *this, format_, Zero, false); }
ResourceBuffer& RenderBuffer::getTransparentDepthBuffer()
{
    return companion(transparentDepth_, *this, Format::R32Float, FarDepth, true);
}
ResourceBuffer& RenderBuffer::getNormalBuffer()
{
    return companion(normal_, *this, Format::R16G16B16A16Float, NoNormal, false);
}
ResourceBuffer& RenderBuffer::getNormalTransparentBuffer()
{
    return companion(normalTransparent_, *this, Format::R16G16B16A16Float, NoNormal, false);
}

std::unique_ptr<ResourceBuffer> RenderBuffer::createResourceBuffer(bool copy)
{
    auto result = std::make_unique<ResourceBuffer>(static_cast<int>(width_), static_cast<int>(height_), Direct3D->PixelFormat);
    if (!getTexture() || result->empty())
        return result;
    if (sampleCount_ != 1)
        Direct3D->context->resolve(*result->getTexture(), *getTexture());
    else if (copy)
        Direct3D->context->copyTexture(*result->getTexture(), *getTexture());
    else
        Shader::ShaderList::published()->copyOpaqueShader.drawFromRenderBuffer(*result, *this);
    return result;
}

std::unique_ptr<RenderBuffer> RenderBuffer::resolved()
{
    auto single = std::make_unique<RenderBuffer>(format_);
    single->createTexture2D(width_, height_);
    Direct3D->context->resolve(*single->getTexture(), *getTexture());
    return single;
}

std::shared_ptr<ImageBuffer> RenderBuffer::readImageBuffer()
{
    std::unique_ptr<PendingImage> pending = startRead();
    return pending ? pending->finish() : nullptr;
}

std::unique_ptr<PendingImage> RenderBuffer::startRead()
{
    if (!getTexture())
        return nullptr;
    // A multi-sampled frame is read through a resolved copy.
    if (sampleCount_ != 1)
        return resolved()->startRead();
    auto staging = std::make_unique<CpuAccessBuffer>(width_, height_, format_);
    staging->copyFrom(*getTexture());
    return std::make_unique<PendingImage>(
        std::move(staging), [format = format_, width = width_, height = height_](const uint8_t* data, uint32_t pitch) {
            // Rows at the read-back's pitch; what lies past a row's pixels is
            // zero, never the bytes of a picture read back before.
            auto image = ImageBuffer::create(format, width, height);
            image->setSize(width, height, pitch);
            const size_t rowBytes = size_t(Platform::Gpu::formatInfo(format).bytesPerPixel) * width;
            for (uint32_t y = 0; y < height; ++y) {
                std::memcpy(image->row(y), data + size_t(y) * pitch, rowBytes);
                std::memset(image->row(y) + rowBytes, 0, pitch - rowBytes);
            }
            return image;
        });
}

std::unique_ptr<PendingImage> RenderBuffer::startOpaque()
{
    if (!getTexture())
        return nullptr;
    auto staging = std::make_unique<CpuAccessBuffer>(width_, height_, format_);
    staging->copyFrom(*getTexture());
    return std::make_unique<PendingImage>(std::move(staging), [width = width_, height = height_](const uint8_t* data,
                                                                                              uint32_t pitch) {
        const std::vector<uint8_t>& byte = byteOfHalf();
        auto image = ImageBuffer::create(Format::B8G8R8X8Unorm, width, height);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* s = data + size_t(y) * pitch;
            uint8_t* d = image->row(y);
            for (uint32_t x = 0; x < width; ++x, s += 8, d += 4) {
                uint64_t texel;
                std::memcpy(&texel, s, 8);
                const uint32_t pixel = uint32_t(byte[(texel >> 32) & 0xFFFF]) |
                                       uint32_t(byte[(texel >> 16) & 0xFFFF]) << 8 |
                                       uint32_t(byte[texel & 0xFFFF]) << 16 | 0xFF000000u;
                std::memcpy(d, &pixel, 4);
            }
        }
        return image;
    });
}

std::shared_ptr<ImageBuffer> RenderBuffer::createImageBuffer(Format target, bool straightAlpha)
{
    std::unique_ptr<PendingImage> pending = startImageBuffer(target, straightAlpha);
    return pending ? pending->finish() : nullptr;
}

std::unique_ptr<PendingImage> RenderBuffer::startImageBuffer(Format target, bool straightAlpha)
{
    if (sampleCount_ != 1)
        return resolved()->startImageBuffer(target, straightAlpha);
    Shader::ShaderList* list = Shader::ShaderList::published();
    if (target == Format::Yuy2 || target == Format::R16G16B16A16Snorm)
        return ResourceConvert(*Direct3D, list).start(*this, target);
    if (target == Format::B8G8R8X8Unorm && format_ == Format::R16G16B16A16Float)
        return startOpaque();
    Media::PixelShader* shader = &list->copyShader;
    if (target == Format::R8G8B8A8Unorm || target == Format::B8G8R8A8Unorm)
        shader = straightAlpha ? &list->unpremultiplyShader : &list->clampPremultipliedShader;
    else if (target == Format::B8G8R8X8Unorm)
        shader = &list->copyOpaqueShader;
    RenderBuffer temporary(target);
    temporary.createTexture2D(width_, height_);
    shader->drawViewToRenderBuffer(temporary, getShaderResourceView());
    return temporary.startRead();
}

} // namespace Media
