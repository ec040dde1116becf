#pragma once
// The process-wide owner of the graphics device: the device and its immediate
// context, the working and mask pixel formats, the "Direct3D" settings and the
// cache of shaders and states bound to the immediate context.
#include "core/config.h"
#include "core/service.h"
#include "platform/gpu/format.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace Platform::Gpu {
class Device;
class Context;
class BlendState;
class RasterState;
class SamplerState;
class Buffer;
class View;
enum class Stage : uint8_t;
} // namespace Platform::Gpu

namespace Media {

class PixelShader;
class ComputeShader;
class VertexShader;
class ResourceBuffer;
class RenderBuffer;
struct VertexBufferCommon;

struct SampleDesc {
    uint32_t count = 1;
    uint32_t quality = 0;
};

// Pixel formats by their DXGI numbers, with every fact of each in
// Platform::Gpu::formatInfo (platform/gpu/format.h).
using Format = Platform::Gpu::Format;
using Platform::Gpu::dxgiNumber;

class Direct3DService : public System::Singleton<Direct3DService> {
public:
    Direct3DService();
    ~Direct3DService();
    Direct3DService(const Direct3DService&) = delete;
    Direct3DService& operator=(const Direct3DService&) = delete;

    std::unique_ptr<Platform::Gpu::Device> device;
    Platform::Gpu::Context* context = nullptr;
    Format PixelFormat = Format::R16G16B16A16Float;
    Format MaskFormat = Format::A8Unorm;
    SampleDesc sampleDesc;

    System::Config::Section section{"Direct3D"};
    int MultiSampleCount = 8;
    int MaxAnisotropy = 16;
    int HighDpiMode = 1;
    std::wstring OutputYUVColorSpace;
    int OutputYUVColorRange = 0;

    // What is bound to the immediate context (compared by address).
    const VertexShader* currentVertexShader = nullptr;
    const PixelShader* currentPixelShader = nullptr;
    const ComputeShader* currentComputeShader = nullptr;
    Platform::Gpu::BlendState* currentBlendState = nullptr;
    float currentBlendFactor[4] = {1, 1, 1, 1};
    Platform::Gpu::RasterState* currentRasterizerState = nullptr;
    // The size of the viewport the set*Target calls made last.
    uint32_t viewportWidth = 0;
    uint32_t viewportHeight = 0;

    void setRenderTarget(ResourceBuffer& target);
    void setRenderBufferTarget(RenderBuffer& target);
    void setRenderBufferTargetAndUnorderedAccessViews(RenderBuffer& target, uint32_t count,
                                                      Platform::Gpu::View* const* views);
    void setComputeUnorderedAccessView(uint32_t slot, ResourceBuffer& buffer);
    // Narrows the viewport the set*Target call made to the box (left, top,
    // width, height): a full-target quad then covers only the box, and the
    // pixel positions its shader sees stay those of the target.
    void narrowViewport(int left, int top, int width, int height);
    void drawVertexBuffer(const VertexBufferCommon& vertices);
    // Draws count vertices of the record from the first one.
    void drawVertexBuffer(const VertexBufferCommon& vertices, uint32_t first, uint32_t count);
    // Three 28-byte vertices drawn as a triangle strip.
    void drawVertices(const void* vertices);

    // Binds through the cache: the call reaches the context only when the
    // object (and for blending, the blend factor) differs from the cached one.
    void bindVertexShader(const VertexShader& shader);
    void bindPixelShader(const PixelShader& shader);
    void bindComputeShader(const ComputeShader& shader);
    void bindBlendState(Platform::Gpu::BlendState* state, const float* blendFactor);
    void bindRasterizerState(Platform::Gpu::RasterState* state);

    // Binds that are not cached (each call reaches the context): the pixel
    // stage's shader resources from a slot on, its samplers, constant buffers
    // of a stage, and unbinding the targets (with the unordered-access views).
    void bindShaderResources(std::initializer_list<Platform::Gpu::View*> views, uint32_t firstSlot = 0);
    void unbindShaderResources(uint32_t count, uint32_t firstSlot = 0);
    void bindSampler(uint32_t slot, Platform::Gpu::SamplerState* sampler);
    void bindConstantBuffer(Platform::Gpu::Stage stage, uint32_t slot, Platform::Gpu::Buffer* buffer);
    void unbindTargets();

    // Counts of the calls that reached the context (for tests).
    struct BindCounts {
        uint32_t vertexShader = 0, pixelShader = 0, computeShader = 0, blendState = 0, rasterizerState = 0;
    };
    BindCounts bindCounts;

private:
    System::Config::Int multiSampleCountParameter{section, "MultiSampleCount", &MultiSampleCount, 8};
    System::Config::Int maxAnisotropyParameter{section, "MaxAnisotropy", &MaxAnisotropy, 16};
    System::Config::Int highDpiModeParameter{section, "HighDpiMode", &HighDpiMode, 1};
    System::Config::String outputYuvColorSpaceParameter{section, "OutputYUVColorSpace", &OutputYUVColorSpace, L""};
    System::Config::Int outputYuvColorRangeParameter{section, "OutputYUVColorRange", &OutputYUVColorRange, 0};
    std::unique_ptr<System::Config::SectionSaver> saver_;
    void setViewport(uint32_t width, uint32_t height);
};

// Base of the classes that use the device: holds the service pointer.
struct Direct3DInstance {
    Direct3DInstance() : Direct3D(Direct3DService::Get()) {}
    Direct3DService* Direct3D;
};

} // namespace Media
