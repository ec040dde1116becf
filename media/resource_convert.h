#pragma once
// Moves pictures between memory formats and the working format with the
// built-in quad shaders: uploads a memory picture and converts it into a
// working-format picture, and renders a frame into a YC48 or YUY2 picture
// with the output colour space and range of the Direct3D service.
#include "platform/gpu/format.h"

#include <cstdint>
#include <memory>

namespace Shader {
class ShaderList;
}

namespace Media {

class Direct3DService;
class ImageBuffer;
class PendingImage;
class ResourceBuffer;
class RenderBuffer;

class ResourceConvert {
public:
    ResourceConvert(Direct3DService& direct3d, Shader::ShaderList* shaders) : direct3d_(direct3d), shaders_(shaders) {}
    // Sets the target's size to the picture's and fills it. options[0]: YUV
    // colour table entry + 1 (0 = by height); options[1]: full-range YUY2.
    void convert(const ImageBuffer& picture, ResourceBuffer& target, const int options[2]);
    // The frame (working format, single-sampled) as a YC48 or YUY2 memory
    // picture, read back: the device's part is submitted now, the picture is
    // made when the read-back is finished.
    std::unique_ptr<PendingImage> start(RenderBuffer& frame, Platform::Gpu::Format format);

private:
    Direct3DService& direct3d_;
    Shader::ShaderList* shaders_;
};

} // namespace Media
