#pragma once
// Uploads a memory picture and converts it into the working format with the
// built-in quad shaders.
#include <cstdint>

namespace Shader {
class ShaderList;
}

namespace Media {

class Direct3DService;
class ImageBuffer;
class ResourceBuffer;

class ResourceConvert {
public:
    ResourceConvert(Direct3DService& direct3d, Shader::ShaderList* shaders) : direct3d_(direct3d), shaders_(shaders) {}
    // Sets the target's size to the picture's and fills it. options[0]: YUV
    // colour table entry + 1 (0 = by height); options[1]: full-range YUY2.
    void convert(const ImageBuffer& picture, ResourceBuffer& target, const int options[2]);

private:
    Direct3DService& direct3d_;
    Shader::ShaderList* shaders_;
};

} // namespace Media
