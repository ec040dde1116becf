#include "media/cpu_access_buffer.h"

#include "core/failure.h"
#include "media/direct3d_service.h"
#include "platform/gpu/gpu.h"

namespace Media {

CpuAccessBuffer::CpuAccessBuffer(uint32_t width, uint32_t height, uint32_t format)
{
    int32_t hr = Direct3DService::Get()->device->createStaging(width, height, format, &texture);
    if (hr < 0)
        throw System::makeHresultException("Direct3DService::Get().device->CreateTexture2D",
                                           "Media::CpuAccessBuffer::CpuAccessBuffer", hr);
}

CpuAccessBuffer::~CpuAccessBuffer() = default;

CpuAccessBuffer::Mapping::Mapping(CpuAccessBuffer& buffer)
    : data(Direct3DService::Get()->context->mapStaging(*buffer.texture)), rowPitch(buffer.texture->rowPitch())
{
}

} // namespace Media
