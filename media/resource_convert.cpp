#include "media/resource_convert.h"

#include "core/failure.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"

#include <algorithm>

namespace Media {

void ResourceConvert::convert(const ImageBuffer& picture, ResourceBuffer& target, const int options[2])
{
    constexpr const char* Place = "Media::ResourceConvert::convert";
    const uint32_t source = picture.format == Format::Yuy2 ? Format::G8R8G8B8Unorm : picture.format;
    PixelShader* shader = nullptr;
    if (shaders_ && target.format == Format::R16G16B16A16Float) {
        switch (source) {
        case Format::R16G16B16A16Float:
        case Format::R16G16B16A16Unorm: shader = &shaders_->copyShader; break;
        case Format::R8G8B8A8Unorm:
        case Format::B8G8R8A8Unorm: shader = &shaders_->premultiplyShader; break;
        case Format::B8G8R8X8Unorm: shader = &shaders_->copyOpaqueShader; break;
        default: break;
        }
    }
    if (!shader)
        throw System::makeFormatException(Place, "unsupported convert format.", L"DXGI format %d -> %d", source,
                                          target.format);
    if (target.width != picture.width || target.height != picture.height || !target.buffer)
        target.resize(static_cast<int>(std::min<uint32_t>(picture.width, ResourceBuffer::MaxSize)),
                      static_cast<int>(std::min<uint32_t>(picture.height, ResourceBuffer::MaxSize)));
    ResourceBuffer upload(0, 0, source);
    upload.width = std::min<uint32_t>(picture.width, ResourceBuffer::MaxSize);
    upload.height = std::min<uint32_t>(picture.height, ResourceBuffer::MaxSize);
    upload.createTexture2D(picture.data(), picture.pitch);
    shader->drawNoConstant(target, upload);
    (void)options;
}

} // namespace Media
