#include "media/render_target_direct3d.h"

#include "core/failure.h"
#include "media/direct2d_service.h"
#include "media/direct3d_service.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "platform/draw/target.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace Media {

namespace {
uint16_t floatToHalf(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    const uint32_t sign = (bits >> 16) & 0x8000u;
    int32_t exponent = static_cast<int32_t>((bits >> 23) & 0xFF) - 127 + 15;
    uint32_t mantissa = bits & 0x7FFFFFu;
    if (exponent <= 0) {
        if (exponent < -10)
            return static_cast<uint16_t>(sign);
        mantissa |= 0x800000u;
        const uint32_t shift = static_cast<uint32_t>(14 - exponent);
        uint32_t half = mantissa >> shift;
        const uint32_t rest = mantissa & ((1u << shift) - 1), halfway = 1u << (shift - 1);
        if (rest > halfway || (rest == halfway && (half & 1)))
            ++half;
        return static_cast<uint16_t>(sign | half);
    }
    if (exponent >= 31)
        return static_cast<uint16_t>(sign | 0x7C00u);
    uint32_t half = static_cast<uint32_t>(exponent) << 10 | mantissa >> 13;
    const uint32_t rest = mantissa & 0x1FFFu;
    if (rest > 0x1000u || (rest == 0x1000u && (half & 1)))
        ++half; // a carry into the exponent is the correct rounding
    return static_cast<uint16_t>(sign | half);
}

const uint16_t* halfTable()
{
    static const auto table = [] {
        std::array<uint16_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<size_t>(i)] = floatToHalf(i / 255.0f);
        return t;
    }();
    return table.data();
}
} // namespace

bool convertBgraToFormat(const uint8_t* source, int sourceStride, int width, int height, Format format,
                         std::vector<uint8_t>& out, uint32_t& outPitch)
{
    int bytes;
    switch (format) {
    case Format::R16G16B16A16Float:
        bytes = 8;
        break;
    case Format::R8G8B8A8Unorm:
    case Format::B8G8R8A8Unorm:
    case Format::B8G8R8X8Unorm:
        bytes = 4;
        break;
    case Format::A8Unorm:
        bytes = 1;
        break;
    default:
        return false;
    }
    outPitch = static_cast<uint32_t>(width * bytes);
    out.resize(static_cast<size_t>(outPitch) * static_cast<size_t>(height));
    const uint16_t* half = halfTable();
    for (int y = 0; y < height; ++y) {
        const uint8_t* s = source + static_cast<size_t>(y) * sourceStride;
        uint8_t* d = out.data() + static_cast<size_t>(y) * outPitch;
        switch (format) {
        case Format::R16G16B16A16Float: {
            auto* h = reinterpret_cast<uint16_t*>(d);
            for (int x = 0; x < width; ++x, s += 4, h += 4) {
                h[0] = half[s[2]];
                h[1] = half[s[1]];
                h[2] = half[s[0]];
                h[3] = half[s[3]];
            }
            break;
        }
        case Format::R8G8B8A8Unorm:
            for (int x = 0; x < width; ++x, s += 4, d += 4) {
                d[0] = s[2];
                d[1] = s[1];
                d[2] = s[0];
                d[3] = s[3];
            }
            break;
        case Format::B8G8R8A8Unorm:
            std::memcpy(d, s, static_cast<size_t>(width) * 4);
            break;
        case Format::B8G8R8X8Unorm:
            for (int x = 0; x < width; ++x, s += 4, d += 4) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
                d[3] = 255;
            }
            break;
        case Format::A8Unorm:
            for (int x = 0; x < width; ++x, s += 4)
                *d++ = s[3];
            break;
        default: // refused above
            break;
        }
    }
    return true;
}

RenderTargetDirect3D ResourceBuffer::getSurface()
{
    return RenderTargetDirect3D(*this);
}

namespace {
// Picture memory of drawing sessions, kept per thread for the next one: a
// fresh picture-sized block costs a page fault per page on every drawing.
std::vector<std::vector<uint8_t>>& spareMemory()
{
    thread_local std::vector<std::vector<uint8_t>> spare;
    return spare;
}
} // namespace

RenderTargetDirect3D::RenderTargetDirect3D(ResourceBuffer& buffer) : buffer_(&buffer)
{
    const int width = static_cast<int>(buffer.getWidth()), height = static_cast<int>(buffer.getHeight());
    const size_t bytes = size_t(width) * size_t(height) * 4;
    auto& spare = spareMemory();
    for (auto it = spare.begin(); it != spare.end(); ++it)
        if (it->size() >= bytes) {
            memory_ = std::move(*it);
            spare.erase(it);
            break;
        }
    if (memory_.size() < bytes)
        memory_.resize(bytes);
    std::memset(memory_.data(), 0, bytes); // a transparent start
    target_ = Platform::Draw::Target::createOnMemory(memory_.data(), width, height, width * 4);
}

RenderTargetDirect3D::~RenderTargetDirect3D()
{
    target_.reset();
    if (memory_.empty())
        return;
    auto& spare = spareMemory();
    spare.push_back(std::move(memory_));
    if (spare.size() > 2) // the smallest block goes
        spare.erase(std::min_element(spare.begin(), spare.end(),
                                     [](const auto& a, const auto& b) { return a.size() < b.size(); }));
}
RenderTargetDirect3D::RenderTargetDirect3D(RenderTargetDirect3D&&) noexcept = default;

void RenderTargetDirect3D::drawGeometry(const Platform::Draw::Geometry& geometry, const Platform::Draw::Brush* fill,
                                        float x, float y, const Platform::Draw::Brush* stroke, float strokeWidth,
                                        const Platform::Draw::StrokeStyle* style)
{
    Platform::Draw::TransformedGeometry placed(geometry, Platform::Draw::Matrix::translation(x, y));
    if (stroke && strokeWidth > 0)
        target_->drawGeometry(placed, *stroke, strokeWidth, style);
    if (fill)
        target_->fillGeometry(placed, *fill);
}

Widening preferredWidening()
{
    const Direct3DService* d3d = Direct3DService::Get();
    return d3d && d3d->device && !d3d->device->facts().software ? Widening::OnDevice : Widening::InMemory;
}

void RenderTargetDirect3D::upload()
{
    upload(preferredWidening());
}

void RenderTargetDirect3D::upload(Widening widening)
{
    if (buffer_->empty())
        return;
    if (widening == Widening::OnDevice && buffer_->getFormat() == Format::R16G16B16A16Float && buffer_->shaderList) {
        // The drawing is premultiplied 8-bit BGRA already: upload it as it is
        // and let the copy shader widen it into the picture.
        ResourceBuffer drawn(static_cast<int>(buffer_->getWidth()), static_cast<int>(buffer_->getHeight()),
                             Format::B8G8R8A8Unorm, target_->bits(), static_cast<uint32_t>(target_->stride()));
        buffer_->shaderList->copyShader.drawNoConstant(*buffer_, drawn);
        return;
    }
    // Kept per thread: a fresh picture-sized block costs a page fault per page
    // and a clear on every upload.
    thread_local std::vector<uint8_t> memory;
    uint32_t pitch = 0;
    if (!convertBgraToFormat(target_->bits(), target_->stride(), target_->width(), target_->height(),
                             buffer_->getFormat(), memory, pitch))
        throw System::makeFormatException("Media::RenderTargetDirect3D::upload", "image format not supported.",
                                          L"dxgi format = %d", dxgiNumber(buffer_->getFormat()));
    buffer_->updateFromMemory(memory.data(), pitch);
}

RenderTargetDirect3D::DrawSection::DrawSection(RenderTargetDirect3D& surface) : surface_(surface)
{
    if (Direct2DService* d2d = Direct2DService::Get())
        lock_ = std::unique_lock(d2d->drawLock);
    surface_.target().beginDraw();
    open_ = true;
}

void RenderTargetDirect3D::DrawSection::end()
{
    if (!open_)
        return;
    open_ = false;
    const int32_t result = surface_.target().endDraw();
    // Rasterising is over: the upload runs without the drawing lock, so other
    // workers draw their text meanwhile.
    if (lock_.owns_lock())
        lock_.unlock();
    if (result)
        throw System::makeHresultException("target->EndDraw", "Media::RenderTargetDirect3D::DrawSection::end", result);
    surface_.upload();
}

RenderTargetDirect3D::DrawSection::~DrawSection()
{
    if (open_)
        surface_.target().endDraw(); // unwinding: the picture is not uploaded
}

} // namespace Media
