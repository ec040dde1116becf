#include "media/pixel_shader.h"

#include "core/failure.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_shader.h"
#include "platform/gpu/gpu.h"
#include "platform/gpu/hlsl_compiler.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sstream>

namespace Media {

namespace {
using Platform::Gpu::Stage;

void noDraw(PixelShader*, Platform::Gpu::BlendState*, const float*) {}

// The quad routines: the solid rasterizer state, the given blend state
// (blending off when none), the quad vertex shader, this pixel shader, four vertices.
void drawQuadWith(PixelShader* self, Platform::Gpu::BlendState* blend, const float* factor, bool withUv)
{
    Shader::ShaderList* list = Shader::ShaderList::published();
    Shader::RasterizerStateList* raster = Shader::RasterizerStateList::published();
    Shader::BlendStateList* blends = Shader::BlendStateList::published();
    Direct3DService* d3d = self->Direct3D;
    d3d->bindRasterizerState(raster->get(Shader::RasterizerStateList::Solid));
    d3d->bindBlendState(blend ? blend : blends->get(Shader::BlendStateList::Opaque), factor);
    d3d->bindVertexShader(withUv ? list->quadUvVertexShader : list->quadVertexShader);
    d3d->bindPixelShader(*self);
    d3d->drawVertexBuffer(withUv ? list->quadUvVertexBuffer : list->quadVertexBuffer);
}

void drawPositionQuad(PixelShader* self, Platform::Gpu::BlendState* blend, const float* factor)
{
    drawQuadWith(self, blend, factor, false);
}

void drawUvQuad(PixelShader* self, Platform::Gpu::BlendState* blend, const float* factor)
{
    drawQuadWith(self, blend, factor, true);
}

Platform::Gpu::View* sourceView(TextureViews& source)
{
    return source.getShaderResourceView();
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool readInclude(const std::string& name, const std::string& includer, std::string& text)
{
    std::string path = name;
    if (!name.empty() && name[0] != '/')
        path = folderOf(includer) + name;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}
} // namespace

void ConstantBufferCommon::create(ConstantBufferCommon& slot, const void* initialData, uint32_t byteSize)
{
    slot.buffer.reset();
    if (byteSize == 0 || byteSize % 16 != 0)
        throw System::makeHresultException("Direct3DService::Get().device->CreateBuffer",
                                           "Media::ConstantBufferCommon::create", Platform::Gpu::ErrorInvalidArg);
    slot.buffer = std::make_shared<Platform::Gpu::Buffer>(byteSize, initialData);
}

void ConstantBufferCommon::update(const void* data)
{
    if (buffer)
        Direct3DService::Get()->context->updateBuffer(*buffer, data);
}

ShaderBase::~ShaderBase() = default;

void ShaderCompile::compileFromMemory(ShaderBlob& out, const char* sourceName, const char* source,
                                      const char* entryPoint, const char* profile)
{
    constexpr const char* Place = "Media::ShaderCompile::compileFromMemory";
    std::string p = profile ? profile : "";
    Stage stage = p.rfind("vs_", 0) == 0 ? Stage::Vertex : p.rfind("cs_", 0) == 0 ? Stage::Compute : Stage::Pixel;
    if (p.rfind("vs_", 0) != 0 && p.rfind("cs_", 0) != 0 && p.rfind("ps_", 0) != 0)
        throw System::makeException(Place, "D3DCompile() failed", ("unknown profile " + p).c_str());
    auto result = Platform::Gpu::compileHlsl(source ? source : "", sourceName ? sourceName : "", entryPoint ? entryPoint : "main",
                                             stage, readInclude);
    if (!result.ok) {
        if (result.log.empty())
            throw System::makeHresultException("D3DCompile", Place, Platform::Gpu::ErrorFail);
        throw System::makeException(Place, "D3DCompile() failed", result.log.c_str());
    }
    // The front end declares every RWTexture2D<float4> as rgba32f; the pictures
    // bound as storage images are in the working format (rgba16f).
    std::vector<uint32_t>& words = result.spirv;
    constexpr uint32_t OpTypeImage = 25, SampledStorage = 2, FormatRgba32f = 1, FormatRgba16f = 2;
    for (size_t i = 5; i < words.size();) {
        const uint32_t count = words[i] >> 16;
        if (count == 0)
            break;
        if ((words[i] & 0xFFFF) == OpTypeImage && count >= 9 && i + 8 < words.size() &&
            words[i + 7] == SampledStorage && words[i + 8] == FormatRgba32f)
            words[i + 8] = FormatRgba16f;
        i += count;
    }
    out.resize(result.spirv.size() * 4);
    std::memcpy(out.data(), result.spirv.data(), out.size());
}

PixelShader::PixelShader() : drawFunction(noDraw) {}

PixelShader::~PixelShader()
{
    if (Direct3D && Direct3D->currentPixelShader == this)
        Direct3D->currentPixelShader = nullptr;
}

void PixelShader::loadFromMemory(const void* bytecode, size_t size)
{
    shader.reset();
    if (Direct3D->currentPixelShader == this)
        Direct3D->currentPixelShader = nullptr;
    int32_t hr = Direct3D->device->createShader(Stage::Pixel, bytecode, size, &shader);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreatePixelShader", "Media::PixelShader::loadFromMemory", hr);
    // The routine belongs to the shader it was chosen for: a new shader whose
    // inputs are not recognised draws nothing, also after another one.
    drawFunction = noDraw;
    setDrawFunction(bytecode, size);
}

void PixelShader::loadFromSource(const char* sourceName, const char* source, const char* entryPoint)
{
    ShaderBlob blob;
    compileFromMemory(blob, sourceName, source, entryPoint, "ps_5_0");
    loadFromMemory(blob.data(), blob.size());
}

void PixelShader::setDrawFunction(const void* bytecode, size_t size)
{
    using namespace Platform::Gpu;
    std::vector<uint32_t> words(size / 4);
    std::memcpy(words.data(), bytecode, words.size() * 4);
    ShaderInfo info;
    if (!reflectShader(words.data(), words.size(), info))
        throw System::makeHresultException("D3DReflect", "Media::ShaderCompile::getShaderReflection", ErrorInvalidArg);
    // Semantics are case-insensitive in the shading language, so "SV_POSITION"
    // and "SV_Position" name the same input.
    auto startsWith = [](const std::string& text, const char* prefix) {
        size_t n = std::strlen(prefix);
        if (text.size() < n)
            return false;
        for (size_t i = 0; i < n; ++i)
            if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i])
                return false;
        return true;
    };
    auto isPosition = [&](const ShaderInput& in) {
        return in.position && (in.semantic.empty() || startsWith(in.semantic, "SV_POSITION")) &&
               in.type == ComponentType::Float32;
    };
    // Inputs the shader never reads are not in its signature; the pixel
    // position is always there, so a shader that reads nothing else is a
    // position-only quad shader.
    std::vector<ShaderInput> others;
    bool badPosition = false;
    for (const ShaderInput& in : info.inputs) {
        if (in.position)
            badPosition |= !isPosition(in);
        else
            others.push_back(in);
    }
    if (badPosition)
        return;
    if (others.empty())
        drawFunction = drawPositionQuad;
    else if (others.size() == 1 && startsWith(others[0].semantic, "TEXCOORD") && others[0].type == ComponentType::Float32)
        drawFunction = drawUvQuad;
}

void PixelShader::bindSources(std::initializer_list<Platform::Gpu::View*> views)
{
    Direct3D->bindShaderResources(views);
}

void PixelShader::unbind(uint32_t sourceCount)
{
    Direct3D->unbindShaderResources(sourceCount);
    Direct3D->unbindTargets();
}

namespace {
void bindConstants(Direct3DService* d3d, ConstantBufferCommon* constants)
{
    d3d->bindConstantBuffer(Stage::Pixel, 0, constants ? constants->buffer.get() : nullptr);
}
} // namespace

void PixelShader::draw(ResourceBuffer& target, ResourceBuffer& source, ConstantBufferCommon* constants,
                       Platform::Gpu::BlendState* blend)
{
    bindConstants(Direct3D, constants);
    Direct3D->setRenderTarget(target);
    bindSources({sourceView(source)});
    drawFunction(this, blend, nullptr);
    unbind(1);
}

void PixelShader::drawNoConstant(ResourceBuffer& target, ResourceBuffer& source, Platform::Gpu::BlendState* blend)
{
    Direct3D->setRenderTarget(target);
    bindSources({sourceView(source)});
    drawFunction(this, blend, nullptr);
    unbind(1);
}

void PixelShader::drawGenerate(ResourceBuffer& target, ConstantBufferCommon* constants, Platform::Gpu::BlendState* blend)
{
    bindConstants(Direct3D, constants);
    Direct3D->setRenderTarget(target);
    drawFunction(this, blend, nullptr);
    unbind(0);
}

void PixelShader::drawTwoSources(ResourceBuffer& target, ResourceBuffer& source0, ResourceBuffer& source1,
                                 Platform::Gpu::BlendState* blend)
{
    Direct3D->setRenderTarget(target);
    bindSources({sourceView(source0), sourceView(source1)});
    drawFunction(this, blend, nullptr);
    unbind(2);
}

void PixelShader::drawFromRenderBuffer(ResourceBuffer& target, RenderBuffer& source)
{
    Direct3D->setRenderTarget(target);
    bindSources({sourceView(source)});
    drawFunction(this, nullptr, nullptr);
    unbind(1);
}

void PixelShader::drawToRenderBuffer(RenderBuffer& target, ResourceBuffer& source, ConstantBufferCommon* constants,
                                     Platform::Gpu::BlendState* blend, const DrawArea* area)
{
    bindConstants(Direct3D, constants);
    Direct3D->setRenderBufferTarget(target);
    if (area)
        Direct3D->narrowViewport(area->left, area->top, area->width, area->height);
    bindSources({sourceView(source)});
    drawFunction(this, blend, nullptr);
    unbind(1);
}

void PixelShader::drawToRenderBufferNoConstant(RenderBuffer& target, ResourceBuffer& source, const float* blendFactor,
                                               Platform::Gpu::BlendState* blend)
{
    Direct3D->setRenderBufferTarget(target);
    bindSources({sourceView(source)});
    drawFunction(this, blend, blendFactor);
    unbind(1);
}

void PixelShader::copyToRenderBuffer(RenderBuffer& target, ResourceBuffer& source)
{
    Direct3D->setRenderBufferTarget(target);
    bindSources({sourceView(source)});
    drawFunction(this, nullptr, nullptr);
    unbind(1);
}

void PixelShader::drawTwoSourcesToRenderBuffer(RenderBuffer& target, ResourceBuffer& source0, ResourceBuffer& source1,
                                               Platform::Gpu::BlendState* blend, const DrawArea* area)
{
    Direct3D->setRenderBufferTarget(target);
    if (area)
        Direct3D->narrowViewport(area->left, area->top, area->width, area->height);
    bindSources({sourceView(source0), sourceView(source1)});
    drawFunction(this, blend, nullptr);
    unbind(2);
}

void PixelShader::drawViewToRenderBuffer(RenderBuffer& target, Platform::Gpu::View* view, Platform::Gpu::BlendState* blend)
{
    Direct3D->setRenderBufferTarget(target);
    bindSources({view});
    drawFunction(this, blend, nullptr);
    unbind(1);
}

ComputeShader::~ComputeShader()
{
    if (Direct3D && Direct3D->currentComputeShader == this)
        Direct3D->currentComputeShader = nullptr;
}

void ComputeShader::loadFromMemory(const void* bytecode, size_t size)
{
    shader.reset();
    if (Direct3D->currentComputeShader == this)
        Direct3D->currentComputeShader = nullptr;
    int32_t hr = Direct3D->device->createShader(Stage::Compute, bytecode, size, &shader);
    if (hr < 0)
        throw System::makeHresultException("Direct3D.device->CreateComputeShader", "Media::ComputeShader::loadFromMemory", hr);
}

void ComputeShader::loadFromSource(const char* sourceName, const char* source, const char* entryPoint)
{
    ShaderBlob blob;
    compileFromMemory(blob, sourceName, source, entryPoint, "cs_5_0");
    loadFromMemory(blob.data(), blob.size());
}

void ComputeShader::dispatch(uint32_t x, uint32_t y, uint32_t z)
{
    Direct3D->bindComputeShader(*this);
    Direct3D->context->dispatch(x, y, z);
}

} // namespace Media
