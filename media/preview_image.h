#pragma once
// The processor copy of a rendered frame that the preview shows: 8-bit RGBA,
// written by the render side and read by the window, always under the mutex.
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/shader_resource.h"

#include <mutex>

namespace Media {

class RenderBuffer;

class PreviewImage : public Resource::ShaderResource, public Resource::ShaderStateResource, public Direct3DInstance {
public:
    PreviewImage();
    void setRenderBuffer(RenderBuffer& frame);

    ImageBuffer picture;
    std::mutex mutex;
};

} // namespace Media
