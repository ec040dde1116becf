#include "media/cpu_access_buffer.h"

#include "core/failure.h"
#include "platform/gpu/gpu.h"

namespace Media {

CpuAccessBuffer::CpuAccessBuffer(uint32_t width, uint32_t height, Format format)
{
    int32_t hr = Direct3DService::Get()->device->createStaging(width, height, format, &texture);
    if (hr < 0)
        throw System::makeHresultException("Direct3DService::Get().device->CreateTexture2D",
                                           "Media::CpuAccessBuffer::CpuAccessBuffer", hr);
}

CpuAccessBuffer::~CpuAccessBuffer() = default;

void CpuAccessBuffer::copyFrom(Platform::Gpu::Texture& source)
{
    Direct3DService::Get()->context->copyToStaging(*texture, source);
}

CpuAccessBuffer::Mapping::Mapping(CpuAccessBuffer& buffer)
    : data(Direct3DService::Get()->context->mapStaging(*buffer.texture)), rowPitch(buffer.texture->rowPitch())
{
}

} // namespace Media
