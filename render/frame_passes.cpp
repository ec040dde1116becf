#include "render/frame_passes.h"

#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include <cstring>
#include <initializer_list>

namespace Render::FramePass {

namespace {

using Platform::Gpu::Stage;

constexpr float Transparent[4] = {0, 0, 0, 0};

Platform::Gpu::View* shaderView(Media::RenderBuffer& buffer)
{
    buffer.createShaderResourceView();
    return buffer.shaderResourceView.get();
}

Platform::Gpu::View* shaderView(Media::ResourceBuffer& buffer)
{
    if (!buffer.shaderResourceView)
        buffer.createShaderResourceView();
    return buffer.shaderResourceView.get();
}

// Draws one full-frame pass of the shader with the sources at t0.. and
// unbinds them and the target afterwards.
void drawPass(Media::RenderBuffer& target, Media::PixelShader& shader, std::initializer_list<Platform::Gpu::View*> sources,
              uint32_t blend)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    d3d->setRenderBufferTarget(target);
    d3d->bindShaderResources(sources);
    shader.drawQuad(Shader::BlendStateList::published()->get(blend), nullptr);
    d3d->unbindShaderResources(static_cast<uint32_t>(sources.size()));
    d3d->unbindTargets();
}

} // namespace

void clearTarget(Media::RenderBuffer& target, int width, int height)
{
    if (width <= 0 || height <= 0)
        return;
    target.createTexture2D(static_cast<uint32_t>(width), static_cast<uint32_t>(height));
    if (!target.renderTargetView)
        target.createRenderTargetView();
    Media::Direct3DService::Get()->context->clearRenderTarget(*target.renderTargetView, Transparent);
}

void prepareClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot)
{
    if (!frame.texture)
        return;
    Platform::Gpu::Context& context = *Media::Direct3DService::Get()->context;
    if (snapshot.width != frame.width || snapshot.height != frame.height || !snapshot.buffer)
        snapshot.resize(static_cast<int>(frame.width), static_cast<int>(frame.height));
    if (frame.sampleCount != 1)
        context.resolve(*snapshot.buffer, *frame.texture);
    else
        context.copyTexture(*snapshot.buffer, *frame.texture);
    clearTarget(mask, static_cast<int>(frame.width), static_cast<int>(frame.height));
}

void compositeClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot)
{
    if (!frame.texture || !mask.texture || !snapshot.buffer)
        return;
    drawPass(frame, Shader::ShaderList::published()->clipCompositeShader, {shaderView(snapshot), shaderView(mask)},
             Shader::BlendStateList::SecondSourceKeep);
}

void tintClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, const float colour[4])
{
    if (!frame.texture || !mask.texture)
        return;
    Shader::ShaderList& list = *Shader::ShaderList::published();
    std::memcpy(list.constants, colour, 16);
    list.updateConstants();
    Media::Direct3DService::Get()->bindConstantBuffer(Stage::Pixel, 0, list.constantBuffer.buffer.get());
    drawPass(frame, list.colorMaskShader, {shaderView(mask)}, Shader::BlendStateList::Over);
}

} // namespace Render::FramePass
