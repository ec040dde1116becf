#pragma once
// Pixel and compute shaders with the draw helpers every picture operation
// uses, shader compilation from source, and constant buffers.
//
// Every picture operation is a full-target quad whose pixel shader loads the
// source texels at the pixel's position. A pixel shader's draw routine is
// chosen once, from its input signature, when it is loaded.
#include "media/direct3d_service.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Platform::Gpu {
class Shader;
class Buffer;
class BlendState;
class View;
} // namespace Platform::Gpu

namespace Media {

class ResourceBuffer;
class RenderBuffer;

using ShaderBlob = std::vector<uint8_t>;

// A box of a draw's target (left, top, width, height): a draw given one
// shades only its pixels. For position-only shaders, whose pixels outside it
// would write nothing (a transparent colour blended over, or discarded).
struct DrawArea {
    int left = 0, top = 0, width = 0, height = 0;
};

// The slot of one constant buffer. Updating it between draws affects only the
// later draws.
struct ConstantBufferCommon {
    // Byte size must be a multiple of 16.
    static void create(ConstantBufferCommon& slot, const void* initialData, uint32_t byteSize);
    // UpdateSubresource of the whole buffer.
    void update(const void* data);

    std::shared_ptr<Platform::Gpu::Buffer> buffer;
};

class ShaderBase : public Direct3DInstance {
public:
    virtual ~ShaderBase();
    std::shared_ptr<Platform::Gpu::Shader> shader;
};

class ShaderCompile {
public:
    // Compiles HLSL text; include directives resolve relative to sourceName.
    // Profiles: "ps_5_0", "cs_5_0", "vs_5_0".
    static void compileFromMemory(ShaderBlob& out, const char* sourceName, const char* source, const char* entryPoint,
                                  const char* profile);
};

class PixelShader : public ShaderBase, public ShaderCompile {
public:
    using DrawFunction = void (*)(PixelShader* shader, Platform::Gpu::BlendState* blend, const float* blendFactor);

    PixelShader();
    ~PixelShader() override;
    PixelShader(const PixelShader&) = delete;
    PixelShader& operator=(const PixelShader&) = delete;

    void loadFromMemory(const void* bytecode, size_t size);
    void loadFromSource(const char* sourceName, const char* source, const char* entryPoint);
    void setDrawFunction(const void* bytecode, size_t size);

    void draw(ResourceBuffer& target, ResourceBuffer& source, ConstantBufferCommon* constants,
              Platform::Gpu::BlendState* blend = nullptr);
    void drawNoConstant(ResourceBuffer& target, ResourceBuffer& source, Platform::Gpu::BlendState* blend = nullptr);
    void drawGenerate(ResourceBuffer& target, ConstantBufferCommon* constants, Platform::Gpu::BlendState* blend = nullptr);
    void drawTwoSources(ResourceBuffer& target, ResourceBuffer& source0, ResourceBuffer& source1,
                        Platform::Gpu::BlendState* blend = nullptr);
    void drawFromRenderBuffer(ResourceBuffer& target, RenderBuffer& source);
    void drawToRenderBuffer(RenderBuffer& target, ResourceBuffer& source, ConstantBufferCommon* constants,
                            Platform::Gpu::BlendState* blend = nullptr, const DrawArea* area = nullptr);
    void drawToRenderBufferNoConstant(RenderBuffer& target, ResourceBuffer& source, const float* blendFactor,
                                      Platform::Gpu::BlendState* blend = nullptr);
    void copyToRenderBuffer(RenderBuffer& target, ResourceBuffer& source);
    void drawTwoSourcesToRenderBuffer(RenderBuffer& target, ResourceBuffer& source0, ResourceBuffer& source1,
                                      Platform::Gpu::BlendState* blend = nullptr, const DrawArea* area = nullptr);
    void drawViewToRenderBuffer(RenderBuffer& target, Platform::Gpu::View* view, Platform::Gpu::BlendState* blend = nullptr);

    // Runs the draw routine with the currently bound target and sources.
    void drawQuad(Platform::Gpu::BlendState* blend, const float* blendFactor) { drawFunction(this, blend, blendFactor); }

    DrawFunction drawFunction;

private:
    void bindSources(std::initializer_list<Platform::Gpu::View*> views);
    void unbind(uint32_t sourceCount);
};

class ComputeShader : public ShaderBase, public ShaderCompile {
public:
    ComputeShader() = default;
    ~ComputeShader() override;
    ComputeShader(const ComputeShader&) = delete;
    ComputeShader& operator=(const ComputeShader&) = delete;

    void loadFromMemory(const void* bytecode, size_t size);
    void loadFromSource(const char* sourceName, const char* source, const char* entryPoint);
    void dispatch(uint32_t x, uint32_t y, uint32_t z);
};

} // namespace Media
