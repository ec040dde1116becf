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
    Media::Direct3DService::Get()->context->clearRenderTarget(*target.getRenderTargetView(), Transparent);
}

void prepareClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot)
{
    if (!frame.getTexture())
        return;
    Platform::Gpu::Context& context = *Media::Direct3DService::Get()->context;
    const uint32_t width = frame.getWidth(), height = frame.getHeight();
    if (snapshot.getWidth() != width || snapshot.getHeight() != height || snapshot.empty())
        snapshot.resize(static_cast<int>(width), static_cast<int>(height));
    if (frame.getSampleCount() != 1)
        context.resolve(*snapshot.getTexture(), *frame.getTexture());
    else
        context.copyTexture(*snapshot.getTexture(), *frame.getTexture());
    clearTarget(mask, static_cast<int>(width), static_cast<int>(height));
}

void compositeClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, Media::ResourceBuffer& snapshot)
{
    if (!frame.getTexture() || !mask.getTexture() || snapshot.empty())
        return;
    drawPass(frame, Shader::ShaderList::published()->clipCompositeShader,
             {snapshot.getShaderResourceView(), mask.getShaderResourceView()}, Shader::BlendStateList::SecondSourceKeep);
}

void tintClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, const float colour[4])
{
    if (!frame.getTexture() || !mask.getTexture())
        return;
    Shader::ShaderList& list = *Shader::ShaderList::published();
    std::memcpy(list.constants, colour, 16);
    list.updateConstants();
    Media::Direct3DService::Get()->bindConstantBuffer(Stage::Pixel, 0, list.constantBuffer.buffer.get());
    drawPass(frame, list.colorMaskShader, {mask.getShaderResourceView()}, Shader::BlendStateList::Over);
}

} // namespace Render::FramePass
