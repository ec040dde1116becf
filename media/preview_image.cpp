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
    if (!frame.texture)
        return;
    std::unique_ptr<ResourceBuffer> resolved;
    Platform::Gpu::View* view = nullptr;
    if (frame.sampleCount == 1) {
        frame.createShaderResourceView();
        view = frame.shaderResourceView.get();
    } else {
        resolved = frame.createResourceBuffer(true);
        resolved->createShaderResourceView();
        view = resolved->shaderResourceView.get();
    }
    RenderBuffer copy(Format::R8G8B8A8Unorm);
    copy.createTexture2D(frame.width, frame.height);
    shaderList->copyShader.drawViewToRenderBuffer(copy, view);
    CpuAccessBuffer staging(frame.width, frame.height, Format::R8G8B8A8Unorm);
    Direct3D->context->copyToStaging(*staging.texture, *copy.texture);
    CpuAccessBuffer::Mapping map(staging);
    std::lock_guard<std::mutex> lock(mutex);
    picture.setSize(frame.width, frame.height, map.rowPitch);
    std::memcpy(picture.data(), map.data, size_t(frame.height) * map.rowPitch);
}

} // namespace Media
