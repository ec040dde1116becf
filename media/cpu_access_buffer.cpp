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

const uint8_t* CpuAccessBuffer::waitMapped()
{
    return Direct3DService::Get()->device->waitStaging(*texture);
}

uint32_t CpuAccessBuffer::rowPitch() const { return texture->rowPitch(); }

PendingImage::PendingImage(std::unique_ptr<CpuAccessBuffer> staging, Build build)
    : staging_(std::move(staging)), build_(std::move(build))
{
}

PendingImage::~PendingImage() = default;

std::shared_ptr<ImageBuffer> PendingImage::finish()
{
    if (!staging_ || !build_)
        return nullptr;
    const uint8_t* data = staging_->waitMapped();
    std::shared_ptr<ImageBuffer> image = build_(data, staging_->rowPitch());
    staging_.reset();
    build_ = nullptr;
    return image;
}

CpuAccessBuffer::Mapping::Mapping(CpuAccessBuffer& buffer)
    : data(Direct3DService::Get()->context->mapStaging(*buffer.texture)), rowPitch(buffer.texture->rowPitch())
{
}

} // namespace Media
