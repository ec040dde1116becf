#include "media/resource_convert.h"

#include "core/failure.h"
#include "media/cpu_access_buffer.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/yuv_format.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cstring>

namespace Media {

namespace {
constexpr const char* Place = "Media::ResourceConvert::convert";

[[noreturn]] void unsupported(Format source, Format target)
{
    throw System::makeFormatException(Place, "unsupported convert format.", L"DXGI format %d -> %d", dxgiNumber(source),
                                      dxgiNumber(target));
}

// The YUV-to-RGB entry of a picture: the one the user chose (options[0] above
// 0), else the one named after the matrix its stream declares, else -1 (by
// the picture's height).
int yuvEntryOf(const ImageBuffer& picture, const int options[2])
{
    if (options && options[0] > 0)
        return options[0] - 1;
    const wchar_t* declared = picture.yuvMatrix == YuvMatrix::Bt601   ? L"BT.601"
                              : picture.yuvMatrix == YuvMatrix::Bt709  ? L"BT.709"
                              : picture.yuvMatrix == YuvMatrix::Bt2020 ? L"BT.2020"
                                                                       : nullptr;
    const std::vector<YUVformat::Entry>& table = YUVformat::yuvToRgbTable();
    for (size_t i = 0; declared && i < table.size(); ++i)
        if (table[i].name == declared)
            return int(i);
    return -1;
}

// Packs rows of (Y, Cb, Cr, A) bytes into Y0 Cb0 Y1 Cr0 per pixel pair: the
// chroma of the even pixel is kept. An odd last pixel repeats its luma.
void packYuy2(const uint8_t* source, uint32_t sourcePitch, ImageBuffer& out)
{
    const uint32_t width = out.width, pairs = width / 2;
    for (uint32_t y = 0; y < out.height; ++y) {
        const uint8_t* s = source + size_t(y) * sourcePitch;
        uint8_t* d = out.row(y);
        for (uint32_t i = 0; i < pairs; ++i) {
            uint64_t p; // two pixels (Y, Cb, Cr, A), little-endian
            std::memcpy(&p, s + 8 * i, 8);
            const uint32_t packed = static_cast<uint32_t>((p & 0xFFFFu) | ((p >> 16) & 0xFF0000u) | ((p & 0xFF0000u) << 8));
            std::memcpy(d + 4 * i, &packed, 4);
        }
        if (width & 1) {
            const uint8_t* last = s + 4 * size_t(width - 1);
            uint8_t* o = d + 4 * size_t(pairs);
            o[0] = last[0];
            o[1] = last[1];
            o[2] = last[0];
            o[3] = last[2];
        }
    }
}
} // namespace

void ResourceConvert::convert(const ImageBuffer& picture, ResourceBuffer& target, const int options[2])
{
    const Format source = picture.format == Format::Yuy2 ? Format::G8R8G8B8Unorm : picture.format;
    PixelShader* shader = nullptr;
    const YUVformat::Block* block = nullptr;
    const int requested = yuvEntryOf(picture, options);
    const bool fullRange = options && options[1] != 0;
    if (shaders_ && target.getFormat() == Format::R16G16B16A16Float) {
        switch (source) {
        case Format::R16G16B16A16Float:
        case Format::R16G16B16A16Unorm: shader = &shaders_->copyShader; break;
        case Format::R8G8B8A8Unorm:
        case Format::B8G8R8A8Unorm: shader = &shaders_->premultiplyShader; break;
        case Format::B8G8R8X8Unorm: shader = &shaders_->copyOpaqueShader; break;
        case Format::R16G16B16A16Snorm:
            shader = &shaders_->yuvToRgbShader;
            block = &YUVformat::select(YUVformat::yuvToRgbTable(), requested, picture.height).yc48;
            break;
        case Format::G8R8G8B8Unorm: {
            shader = &shaders_->yuvToRgbShader;
            const YUVformat::Entry& entry = YUVformat::select(YUVformat::yuvToRgbTable(), requested, picture.height);
            block = fullRange ? &entry.full : &entry.limited;
            break;
        }
        default: break;
        }
    }
    if (!shader)
        unsupported(source, target.getFormat());
    const int width = static_cast<int>(std::min<uint32_t>(picture.width, ResourceBuffer::MaxSize));
    const int height = static_cast<int>(std::min<uint32_t>(picture.height, ResourceBuffer::MaxSize));
    if (target.getWidth() != picture.width || target.getHeight() != picture.height || target.empty())
        target.resize(width, height);
    ResourceBuffer upload(width, height, source, picture.data(), picture.pitch);
    if (block) {
        ConstantBufferCommon constants;
        ConstantBufferCommon::create(constants, block, sizeof(*block));
        shader->draw(target, upload, &constants);
    } else {
        shader->drawNoConstant(target, upload);
    }
}

std::unique_ptr<PendingImage> ResourceConvert::start(RenderBuffer& frame, Format format)
{
    if (!shaders_ || frame.getFormat() != Format::R16G16B16A16Float ||
        (format != Format::R16G16B16A16Snorm && format != Format::Yuy2))
        unsupported(frame.getFormat(), format);
    const uint32_t width = frame.getWidth(), height = frame.getHeight();
    const std::vector<YUVformat::Entry>& table = YUVformat::rgbToYuvTable();
    const int requested = YUVformat::findColorSpace(direct3d_.OutputYUVColorSpace) - 1;
    const YUVformat::Entry& entry = YUVformat::select(table, requested, height);
    const bool yc48 = format == Format::R16G16B16A16Snorm;
    const YUVformat::Block& block = yc48 ? entry.yc48 : direct3d_.OutputYUVColorRange ? entry.full : entry.limited;

    RenderBuffer temporary(yc48 ? Format::R16G16B16A16Snorm : Format::R8G8B8A8Unorm);
    temporary.createTexture2D(width, height);
    ConstantBufferCommon constants;
    ConstantBufferCommon::create(constants, &block, sizeof(block));
    direct3d_.bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, constants.buffer.get());
    shaders_->rgbToYuvShader.drawViewToRenderBuffer(temporary, frame.getShaderResourceView());
    if (yc48)
        return temporary.startRead();

    auto staging = std::make_unique<CpuAccessBuffer>(width, height, Format::R8G8B8A8Unorm);
    staging->copyFrom(*temporary.getTexture());
    return std::make_unique<PendingImage>(std::move(staging), [width, height](const uint8_t* data, uint32_t pitch) {
        auto picture = ImageBuffer::create(Format::Yuy2, width, height);
        packYuy2(data, pitch, *picture);
        return picture;
    });
}

} // namespace Media
