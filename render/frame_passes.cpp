#include "render/frame_passes.h"

#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include <cstring>

namespace Render::FramePass {

namespace {

using Platform::Gpu::Stage;

constexpr float Transparent[4] = {0, 0, 0, 0};
constexpr uint32_t PremultipliedOver = 0;
constexpr uint32_t DualSourceMix = 4; // one minus and the second colour's alpha

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
void drawPass(Media::RenderBuffer& target, Media::PixelShader& shader, Platform::Gpu::View* const* sources,
              uint32_t count, uint32_t blend)
{
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    d3d->setRenderBufferTarget(target);
    d3d->context->setShaderResources(Stage::Pixel, 0, count, sources);
    shader.drawQuad(Shader::BlendStateList::published()->get(blend), nullptr);
    Platform::Gpu::View* none[2] = {nullptr, nullptr};
    d3d->context->setShaderResources(Stage::Pixel, 0, count, none);
    d3d->context->setRenderTargets(0, nullptr);
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
    Platform::Gpu::View* sources[2] = {shaderView(snapshot), shaderView(mask)};
    drawPass(frame, Shader::ShaderList::published()->clipCompositeShader, sources, 2, DualSourceMix);
}

void tintClip(Media::RenderBuffer& frame, Media::RenderBuffer& mask, const float colour[4])
{
    if (!frame.texture || !mask.texture)
        return;
    Shader::ShaderList& list = *Shader::ShaderList::published();
    std::memcpy(list.constants, colour, 16);
    list.updateConstants();
    Platform::Gpu::Buffer* constants = list.constantBuffer.buffer.get();
    Media::Direct3DService::Get()->context->setConstantBuffers(Stage::Pixel, 0, 1, &constants);
    Platform::Gpu::View* source = shaderView(mask);
    drawPass(frame, list.colorMaskShader, &source, 1, PremultipliedOver);
}

} // namespace Render::FramePass
