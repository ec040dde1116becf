#include "media/object_draw.h"

#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "platform/gpu/gpu.h"

#include <algorithm>
#include <cstring>

namespace Media::ObjectDraw {

namespace {
using Platform::Gpu::Stage;
using Platform::Gpu::View;

View* unorderedView(ResourceBuffer& buffer)
{
    return buffer.getUnorderedAccessView();
}

View* shaderView(ResourceBuffer* buffer)
{
    return buffer ? buffer->getShaderResourceView() : nullptr;
}

void bindCompanions(RenderBuffer& frame, uint32_t count)
{
    View* views[5] = {unorderedView(frame.getDepthBuffer()), unorderedView(frame.getTransparentBuffer()),
                      unorderedView(frame.getTransparentDepthBuffer()), nullptr, nullptr};
    if (count == 5) {
        views[3] = unorderedView(frame.getNormalBuffer());
        views[4] = unorderedView(frame.getNormalTransparentBuffer());
    }
    Direct3DService::Get()->setRenderBufferTargetAndUnorderedAccessViews(frame, count, views);
}
} // namespace

void setTarget(RenderBuffer& frame, Companions companions)
{
    if (companions == Companions::None)
        Direct3DService::Get()->setRenderBufferTarget(frame);
    else
        bindCompanions(frame, companions == Companions::Depth ? 3 : 5);
}

void setConstants(const ObjectConstant& constants)
{
    Shader::ShaderList* list = Shader::ShaderList::published();
    list->objectConstantBuffer.update(&constants);
    Platform::Gpu::Buffer* buffer = list->objectConstantBuffer.buffer.get();
    Direct3DService* d3d = Direct3DService::Get();
    d3d->bindConstantBuffer(Stage::Vertex, 0, buffer);
    d3d->bindConstantBuffer(Stage::Pixel, 0, buffer);
}

void setSources(ResourceBuffer* picture, Platform::Gpu::SamplerState* sampler, ResourceBuffer* frameCopy)
{
    Direct3DService* d3d = Direct3DService::Get();
    d3d->bindShaderResources({shaderView(picture), shaderView(frameCopy)});
    d3d->bindSampler(0, sampler);
}

void clear()
{
    Direct3DService* d3d = Direct3DService::Get();
    d3d->unbindShaderResources(2);
    d3d->unbindTargets(); // also unbinds the companions
}

void resolveTransparency(RenderBuffer& frame)
{
    bindCompanions(frame, 3);
    Shader::ShaderList::published()->transparentShader.drawQuad(
        Shader::BlendStateList::published()->get(Shader::BlendStateList::Over), nullptr);
    Direct3DService::Get()->unbindTargets();
}

void drawLight(RenderBuffer& frame, const float ambient[3], const float view[4][3], Platform::Gpu::BlendState* blend)
{
    Direct3DService* d3d = Direct3DService::Get();
    Shader::ShaderList* list = Shader::ShaderList::published();
    LightConstant lights;
    lights.lightNum = static_cast<int32_t>(std::min<size_t>(frame.getLights().size(), 8));
    for (int32_t i = 0; i < lights.lightNum; ++i)
        std::memcpy(&lights.source[i], frame.getLights()[size_t(i)].data(), sizeof(LightSource));
    std::memcpy(lights.ambient, ambient, sizeof(lights.ambient));
    ConstantBufferCommon constants;
    ConstantBufferCommon::create(constants, &lights, sizeof(lights));

    // A full-target quad in clip space carrying the view directions.
    VertexListQuadPosUvNorm quad;
    const float corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k)
        quad.vertices.push_back({corners[k][0], corners[k][1], 0, view[k][0], view[k][1], view[k][2], 0, 0, 1, 0});

    d3d->setRenderBufferTarget(frame);
    d3d->bindShaderResources({shaderView(&frame.getNormalBuffer())});
    d3d->bindConstantBuffer(Stage::Pixel, 0, constants.buffer.get());
    d3d->bindRasterizerState(Shader::RasterizerStateList::published()->get(Shader::RasterizerStateList::Solid));
    d3d->bindBlendState(blend ? blend : Shader::BlendStateList::published()->get(Shader::BlendStateList::Opaque), nullptr);
    d3d->bindVertexShader(list->lightVertexShader);
    d3d->bindPixelShader(list->lightShader);
    quad.drawWithNormal();
    d3d->unbindShaderResources(1);
    d3d->unbindTargets();
}

} // namespace Media::ObjectDraw
