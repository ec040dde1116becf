#include "media/preview_image.h"

#include "media/cpu_access_buffer.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "platform/gpu/gpu.h"

#include <cstring>
#include <memory>

namespace Media {

PreviewImage::PreviewImage()
{
    picture.format = Format::R8G8B8A8Unorm;
}

void PreviewImage::setRenderBuffer(RenderBuffer& frame)
{
    if (!frame.getTexture())
        return;
    std::unique_ptr<ResourceBuffer> resolved;
    Platform::Gpu::View* view = nullptr;
    if (frame.getSampleCount() == 1) {
        view = frame.getShaderResourceView();
    } else {
        resolved = frame.createResourceBuffer(true);
        view = resolved->getShaderResourceView();
    }
    const uint32_t width = frame.getWidth(), height = frame.getHeight();
    RenderBuffer copy(Format::R8G8B8A8Unorm);
    copy.createTexture2D(width, height);
    shaderList->copyShader.drawViewToRenderBuffer(copy, view);
    CpuAccessBuffer staging(width, height, Format::R8G8B8A8Unorm);
    staging.copyFrom(*copy.getTexture());
    CpuAccessBuffer::Mapping map(staging);
    std::lock_guard<std::mutex> lock(mutex);
    picture.setSize(width, height, map.rowPitch);
    std::memcpy(picture.data(), map.data, size_t(height) * map.rowPitch);
}

} // namespace Media
