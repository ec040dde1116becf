#include "media/resource_buffer.h"

#include "core/failure.h"
#include "media/cpu_access_buffer.h"
#include "media/image_buffer.h"
#include "media/resource_convert.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace Media {

namespace {
constexpr const char* Owner = "Media::ResourceBuffer";

uint32_t bindFlagsFor(const Direct3DService& d3d, Format format)
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

// The half-precision form of byte / 255, rounded to the nearest (ties to
// even) as the device stores a float into a working-format picture.
uint16_t halfOfByte(uint32_t byte)
{
    const float f = static_cast<float>(byte) / 255.0f;
    if (f == 0)
        return 0;
    int e = 0;
    const float m = std::frexp(f, &e); // f = m x 2^e, m in [0.5, 1); never below the half normals
    int exponent = e + 14;
    uint32_t mantissa = static_cast<uint32_t>(std::nearbyint(std::ldexp(double(m), 11))) - 0x400;
    if (mantissa == 0x400) {
        mantissa = 0;
        ++exponent;
    }
    return static_cast<uint16_t>((exponent << 10) | mantissa);
}

constexpr uint64_t HalfOne = 0x3C00;

// An opaque 8-bit picture (B, G, R, unused) written into the working-format
// texture on the processor, a band of rows at a time: the values the
// copy-opaque pass would write, without uploading the 8-bit picture and
// running a full-picture pass over it.
void uploadOpaque(const ImageBuffer& picture, Platform::Gpu::Context& context, Platform::Gpu::Texture& texture,
                  uint32_t width, uint32_t height)
{
    static const std::array<uint64_t, 256> half = [] {
        std::array<uint64_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i)
            t[i] = halfOfByte(i);
        return t;
    }();
    const uint32_t bandRows = std::max<uint32_t>(1, (1u << 20) / (width * 8));
    thread_local std::vector<uint64_t> band;
    band.resize(size_t(width) * bandRows);
    for (uint32_t top = 0; top < height; top += bandRows) {
        const uint32_t rows = std::min(bandRows, height - top);
        for (uint32_t y = 0; y < rows; ++y) {
            const uint8_t* s = picture.row(top + y);
            uint64_t* d = band.data() + size_t(y) * width;
            for (uint32_t x = 0; x < width; ++x, s += 4)
                d[x] = half[s[2]] | half[s[1]] << 16 | half[s[0]] << 32 | HalfOne << 48;
        }
        const Platform::Gpu::Box box{0, top, width, top + rows};
        context.updateTexture(texture, &box, band.data(), width * 8);
    }
}
} // namespace

void ResourceBuffer::setClampedSize(int w, int h)
{
    // A negative side is an empty request, never a huge one.
    if (w < 0 || h < 0)
        w = h = 0;
    width_ = clampSide(w);
    height_ = clampSide(h);
}

ResourceBuffer::ResourceBuffer(int w, int h) : ResourceBuffer(w, h, Direct3DService::Get()->PixelFormat) {}

ResourceBuffer::ResourceBuffer(int w, int h, Format fmt) : ResourceBuffer(w, h, fmt, nullptr, 0) {}

ResourceBuffer::ResourceBuffer(int w, int h, Format fmt, const void* initialData, uint32_t rowPitch)
    : TextureViews(Owner), format_(fmt == Format::Yuy2 ? Format::G8R8G8B8Unorm : fmt)
{
    setClampedSize(w, h);
    if (width_ != 0 || height_ != 0)
        createTexture2D(initialData, rowPitch);
}

ResourceBuffer::ResourceBuffer(const ImageBuffer& picture, const int options[2])
    : TextureViews(Owner), format_(Direct3D->PixelFormat)
{
    if (picture.format == format_) {
        setClampedSize(static_cast<int>(std::min<uint32_t>(picture.width, 0x7FFFFFFF)),
                       static_cast<int>(std::min<uint32_t>(picture.height, 0x7FFFFFFF)));
        if (width_ != picture.width || height_ != picture.height)
            throw System::makeFormatException("Media::ResourceBuffer::ResourceBuffer", "image too large.",
                                              L"%u x %u", picture.width, picture.height);
        createTexture2D(picture.data(), picture.pitch);
    } else if (picture.format == Format::B8G8R8X8Unorm && format_ == Format::R16G16B16A16Float && picture.width &&
               picture.height) {
        setClampedSize(static_cast<int>(std::min<uint32_t>(picture.width, MaxSize)),
                       static_cast<int>(std::min<uint32_t>(picture.height, MaxSize)));
        createTexture2D();
        uploadOpaque(picture, *Direct3D->context, *getTexture(), width_, height_);
    } else {
        ResourceConvert(*Direct3D, shaderList).convert(picture, *this, options);
    }
}

ResourceBuffer::~ResourceBuffer() = default;

std::unique_ptr<ResourceBuffer> ResourceBuffer::create(int w, int h, Format fmt)
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
    releaseTexture();
}

void ResourceBuffer::resize(int w, int h)
{
    setClampedSize(w, h);
    release();
    if (width_ != 0 || height_ != 0)
        createTexture2D();
}

void ResourceBuffer::createTexture2D(const void* initialData, uint32_t rowPitch)
{
    Platform::Gpu::TextureDesc desc;
    desc.width = width_;
    desc.height = height_;
    desc.format = format_;
    desc.bind = bindFlagsFor(*Direct3D, format_);
    makeTexture(desc, initialData, rowPitch);
}

void ResourceBuffer::updateFromMemory(const void* data, uint32_t rowPitch)
{
    if (!empty())
        Direct3D->context->updateTexture(*getTexture(), nullptr, data, rowPitch);
}

void ResourceBuffer::clearUnorderedAccessView(float value)
{
    if (empty())
        return;
    const float v[4] = {value, value, value, value};
    Direct3D->context->clearUnorderedAccessFloat(*getUnorderedAccessView(), v);
}

void ResourceBuffer::clearRenderTargetView(const float color[4])
{
    if (!empty())
        Direct3D->context->clearRenderTarget(*getRenderTargetView(), color);
}

void ResourceBuffer::copyRegion(const ResourceBuffer& source, int x, int y, int w, int h)
{
    if (empty() || source.empty() || w <= 0 || h <= 0)
        return;
    // Keep the box inside the source and the copy inside this buffer.
    int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t(x) + w, source.width_);
    int64_t bottom = std::min<int64_t>(int64_t(y) + h, source.height_);
    right = std::min<int64_t>(right, left + width_);
    bottom = std::min<int64_t>(bottom, top + height_);
    if (left >= right || top >= bottom)
        return;
    // A box that starts left of or above the source lands where it would have.
    uint32_t dx = static_cast<uint32_t>(left - x), dy = static_cast<uint32_t>(top - y);
    if (dx >= width_ || dy >= height_)
        return;
    Platform::Gpu::Box box{static_cast<uint32_t>(left), static_cast<uint32_t>(top), static_cast<uint32_t>(right),
                           static_cast<uint32_t>(bottom)};
    Direct3D->context->copyRegion(*getTexture(), dx, dy, *source.getTexture(), box);
}

std::unique_ptr<ResourceBuffer> ResourceBuffer::clone() const
{
    auto copy = std::make_unique<ResourceBuffer>(static_cast<int>(width_), static_cast<int>(height_), Direct3D->PixelFormat);
    if (!empty() && !copy->empty())
        Direct3D->context->copyTexture(*copy->getTexture(), *getTexture());
    return copy;
}

std::unique_ptr<ResourceBuffer> ResourceBuffer::copyToCanvas(int newWidth, int newHeight, int x, int y) const
{
    auto canvas = std::make_unique<ResourceBuffer>(newWidth, newHeight, Direct3D->PixelFormat);
    if (canvas->empty())
        return canvas;
    const float zero[4] = {0, 0, 0, 0};
    canvas->clearRenderTargetView(zero);
    int64_t srcLeft = std::max<int64_t>(-int64_t(x), 0), srcTop = std::max<int64_t>(-int64_t(y), 0);
    int64_t dstX = std::max(x, 0), dstY = std::max(y, 0);
    int64_t srcRight = std::min<int64_t>(width_, srcLeft + canvas->width_ - dstX);
    int64_t srcBottom = std::min<int64_t>(height_, srcTop + canvas->height_ - dstY);
    if (!empty() && dstX < canvas->width_ && dstY < canvas->height_ && srcLeft < srcRight && srcTop < srcBottom) {
        Platform::Gpu::Box box{static_cast<uint32_t>(srcLeft), static_cast<uint32_t>(srcTop),
                               static_cast<uint32_t>(srcRight), static_cast<uint32_t>(srcBottom)};
        Direct3D->context->copyRegion(*canvas->getTexture(), static_cast<uint32_t>(dstX), static_cast<uint32_t>(dstY),
                                      *getTexture(), box);
    }
    return canvas;
}

std::shared_ptr<ImageBuffer> ResourceBuffer::readImageBuffer() const
{
    if (empty())
        return nullptr;
    CpuAccessBuffer staging(width_, height_, format_);
    staging.copyFrom(*getTexture());
    CpuAccessBuffer::Mapping map(staging);
    auto image = ImageBuffer::create(format_ == Format::G8R8G8B8Unorm ? Format::Yuy2 : format_, width_, height_);
    const Platform::Gpu::FormatInfo fi = Platform::Gpu::formatInfo(format_);
    const uint32_t used = fi.texelBytes * ((width_ + fi.blockWidth - 1) / fi.blockWidth);
    const uint32_t rowBytes = std::min({map.rowPitch, image->pitch, used});
    for (uint32_t row = 0; row < height_; ++row)
        std::memcpy(image->row(row), map.data + size_t(row) * map.rowPitch, rowBytes);
    return image;
}

} // namespace Media
