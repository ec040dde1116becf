#include "effects/objects/output_shader_effect.h"

#include "media/direct3d_service.h"
#include "media/object_draw.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_list.h"
#include "platform/gpu/gpu.h"
#include "project/model/scene.h"
#include "render/control_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace Effect {

namespace {

using Media::Direct3DService;
using Shader::BlendStateList;
using Shader::RasterizerStateList;
using Shader::SamplerStateList;

Platform::Gpu::View* shaderView(Media::ResourceBuffer* buffer)
{
    return buffer ? buffer->getShaderResourceView() : nullptr;
}

void bindBlend(uint32_t entry)
{
    static const float zero[4] = {0, 0, 0, 0};
    Direct3DService::Get()->bindBlendState(BlendStateList::published()->get(entry), zero);
}

// The shared quad of the picture's size, or the object's own vertex list.
Media::VertexList& vertexListFor(const std::shared_ptr<Media::VertexList>& custom, const Media::ResourceBuffer& image)
{
    if (custom)
        return *custom;
    return *Media::VertexListQuadPosUvCommon::getCenteredQuad(image.getWidth(), image.getHeight());
}

int sceneWidth(const Render::RenderObject& object, const Media::RenderBuffer& frame)
{
    return object.scene ? object.scene->width : static_cast<int>(frame.getWidth());
}
int sceneHeight(const Render::RenderObject& object, const Media::RenderBuffer& frame)
{
    return object.scene ? object.scene->height : static_cast<int>(frame.getHeight());
}

// Nearest integer, halves away from zero.
int roundAway(double v) { return static_cast<int>(std::lround(v)); }

} // namespace

const wchar_t* const OutputShaderEffect::BlendModeNames[13] = {
    L"通常", L"加算", L"減算", L"乗算", L"スクリーン", L"オーバーレイ", L"比較(明)",
    L"比較(暗)", L"輝度", L"色差", L"陰影", L"明暗", L"差分"};

void OutputShaderEffect::setProjection(Media::ObjectConstant& constants, const Math::float4x4& worldView)
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            constants.projection[i][j] = worldView.m[j][i];
}

bool OutputShaderEffect::applyBillboard(const DrawState& state, Math::float4x4& world)
{
    const Render::ControlView* camera = state.cameraControl.get();
    if (!camera || state.billboard == 0)
        return false;
    if (state.billboard == 3) {
        // Turned so that its plane faces the camera's direction: the inverse of
        // the look from the origin along that direction.
        const Math::float3 d = camera->viewDirection;
        world = Math::inverse(Math::lookToLH({0, 0, 0}, d, {0, 1, 0})) * world;
    }
    return true;
}

Math::float4x4 OutputShaderEffect::getViewMatrix(const DrawState& state, int width, int height)
{
    if (state.cameraControl)
        return state.cameraControl->viewProjection;
    if (state.groupControl)
        return state.groupControl->groupView;
    return state.getScreenMatrix(width, height);
}

void OutputShaderEffect::setShaderState(Platform::Gpu::SamplerState* sampler, bool culling, bool customList)
{
    Direct3DService* d3d = Direct3DService::Get();
    if (!sampler)
        sampler = SamplerStateList::published()->get(customList ? SamplerStateList::LinearClamp
                                                                : SamplerStateList::LinearBorder);
    d3d->bindSampler(0, sampler);
    bindBlend(BlendStateList::Over);
    d3d->bindRasterizerState(RasterizerStateList::published()->get(culling ? RasterizerStateList::SolidCullBack
                                                                            : RasterizerStateList::Solid));
}

void OutputShaderEffect::setConstantBuffer(const Media::ObjectConstant& constants)
{
    Media::ObjectDraw::setConstants(constants);
}

void OutputShaderEffect::setDepthTarget(Media::RenderBuffer& frame)
{
    Media::ObjectDraw::setTarget(frame, Media::ObjectDraw::Companions::Depth);
}

void OutputShaderEffect::drawVertexList(Media::ResourceBuffer* image, Media::VertexList& list)
{
    Direct3DService* d3d = Direct3DService::Get();
    if (image)
        d3d->bindShaderResources({shaderView(image)});
    list.draw();
    d3d->unbindShaderResources(2);
    d3d->unbindTargets();
}

void OutputShaderEffect::drawObject(Render::RenderObject& object, Media::RenderBuffer& frame, Media::ResourceBuffer& image)
{
    const DrawState state = object.getOutputView();
    Math::float4x4 world = state.getWorldMatrix();
    if (applyBillboard(state, world))
        object.focusFixedSize = true;
    const Math::float4x4 view = getViewMatrix(state, sceneWidth(object, frame), sceneHeight(object, frame));

    Media::ObjectConstant constants;
    setProjection(constants, world * view);
    constants.alpha = state.alpha;
    constants.blend = state.blendMode >= 20 ? 0 : std::clamp(state.blendMode, 0, MaxBlendMode);
    const bool camera = state.cameraControl != nullptr;
    const bool lighting = camera && !frame.getLights().empty();
    if (lighting) {
        const Math::float4x4 normal = Math::inverse(world);
        std::memcpy(constants.normalWorld, normal.m, sizeof(constants.normalWorld));
        constants.shine = state.shine;
    }
    setConstantBuffer(constants);
    setShaderState(state.samplerState, state.culling, object.vertices != nullptr);

    Direct3DService* d3d = Direct3DService::Get();
    // The blend modes read the frame as it was: a copy lives for this draw.
    std::unique_ptr<Media::ResourceBuffer> frameCopy;
    if (constants.blend != 0) {
        frameCopy = frame.createResourceBuffer(true);
        d3d->bindShaderResources({shaderView(frameCopy.get())}, 1);
    }
    Media::VertexList& list = vertexListFor(object.vertices, image);
    if (lighting) {
        Media::ObjectDraw::setTarget(frame, Media::ObjectDraw::Companions::DepthNormal);
        list.setShaderDepthNormal();
        d3d->bindShaderResources({shaderView(&image)});
        list.drawWithNormal();
        d3d->unbindShaderResources(2);
        d3d->unbindTargets();
    } else if (camera) {
        setDepthTarget(frame);
        list.setShaderDepth();
        drawVertexList(&image, list);
    } else {
        d3d->setRenderBufferTarget(frame);
        list.setShader();
        drawVertexList(&image, list);
    }
}

void OutputShaderEffect::drawObjectDirect(Render::RenderObject& object, Media::RenderBuffer& frame,
                                          Media::ResourceBuffer& image)
{
    const DrawState& own = object.drawState;
    int offset[2];
    offset[0] = roundAway((static_cast<double>(image.getWidth()) - frame.getWidth()) * 0.5 + (own.cx - own.x));
    offset[1] = roundAway((static_cast<double>(image.getHeight()) - frame.getHeight()) * 0.5 + (own.cy - own.y));
    const DrawState view = object.getOutputView();
    const int blend = std::clamp(view.blendMode, 0, MaxBlendMode);
    // Only the picture's footprint on the frame is drawn: outside it the
    // shaders read nothing (blended over, or discarded).
    const int left = std::max(-offset[0], 0), top = std::max(-offset[1], 0);
    const int right = static_cast<int>(std::min<int64_t>(int64_t(image.getWidth()) - offset[0], frame.getWidth()));
    const int bottom = static_cast<int>(std::min<int64_t>(int64_t(image.getHeight()) - offset[1], frame.getHeight()));
    if (left >= right || top >= bottom)
        return;
    const Media::DrawArea area{left, top, right - left, bottom - top};

    Shader::ShaderList* shaders = Shader::ShaderList::published();
    Direct3DService* d3d = Direct3DService::Get();
    d3d->bindRasterizerState(RasterizerStateList::published()->get(RasterizerStateList::Solid));
    Platform::Gpu::BlendState* over = BlendStateList::published()->get(BlendStateList::Over);
    if (blend != 0) {
        std::unique_ptr<Media::ResourceBuffer> frameCopy = frame.createResourceBuffer(true);
        struct {
            int32_t blend;
            float alpha;
            int32_t offset[2];
        } block{blend, view.alpha, {offset[0], offset[1]}};
        static_assert(sizeof(block) == 16);
        std::memcpy(shaders->constants, &block, sizeof(block));
        shaders->updateConstants();
        d3d->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, shaders->constantBuffer.buffer.get());
        shaders->blendModeOffsetShader.drawTwoSourcesToRenderBuffer(frame, image, *frameCopy, over, &area);
    } else {
        struct {
            float alpha;
            int32_t offset[2];
            float padding;
        } block{view.alpha, {offset[0], offset[1]}, 0};
        static_assert(sizeof(block) == 16);
        std::memcpy(shaders->constants, &block, sizeof(block));
        shaders->updateConstants();
        shaders->copyOffsetAlphaShader.drawToRenderBuffer(frame, image, &shaders->constantBuffer, over, &area);
    }
}

void OutputShaderEffect::drawObjectOffscreen(Render::RenderObject& object, Media::ResourceBuffer& target,
                                             Media::ResourceBuffer& image)
{
    const DrawState state = object.getOutputView();
    const int width = object.scene ? object.scene->width : static_cast<int>(target.getWidth());
    const int height = object.scene ? object.scene->height : static_cast<int>(target.getHeight());
    Media::ObjectConstant constants;
    setProjection(constants, state.getWorldMatrix() * getViewMatrix(state, width, height));
    constants.alpha = 1;
    constants.blend = 0;
    setConstantBuffer(constants);
    setShaderState(state.samplerState, false, object.vertices != nullptr);
    Direct3DService::Get()->setRenderTarget(target);
    Media::VertexList& list = vertexListFor(object.vertices, image);
    list.setShader();
    drawVertexList(&image, list);
}

void OutputShaderEffect::drawObjectScreen(const DrawState& state, Media::RenderBuffer& frame,
                                          Media::ResourceBuffer& image, bool blendOver)
{
    Media::ObjectConstant constants;
    setProjection(constants, state.getObjectMatrix() * state.getScreenMatrix(static_cast<int>(frame.getWidth()),
                                                                             static_cast<int>(frame.getHeight())));
    constants.alpha = state.alpha;
    constants.blend = 0;
    setConstantBuffer(constants);
    setShaderState(state.samplerState, false, false);
    if (!blendOver)
        bindBlend(BlendStateList::Opaque);
    Direct3DService::Get()->setRenderBufferTarget(frame);
    Media::VertexList& list = vertexListFor(nullptr, image);
    list.setShader();
    drawVertexList(&image, list);
}

void OutputShaderEffect::drawPolygon(const DrawState& state, Media::ResourceBuffer& target, Media::ResourceBuffer* image,
                                     Media::VertexList* list)
{
    Media::ObjectConstant constants;
    setProjection(constants, state.getObjectMatrix() * state.getScreenMatrix(static_cast<int>(target.getWidth()),
                                                                             static_cast<int>(target.getHeight())));
    constants.alpha = state.alpha;
    constants.blend = state.blendMode;
    setConstantBuffer(constants);
    setShaderState(state.samplerState, state.culling, list != nullptr);
    Direct3DService* d3d = Direct3DService::Get();
    std::unique_ptr<Media::ResourceBuffer> targetCopy;
    if (constants.blend != 0) {
        targetCopy = target.clone();
        d3d->bindShaderResources({shaderView(targetCopy.get())}, 1);
        if (constants.blend >= 20)
            bindBlend(BlendStateList::Opaque);
    }
    Media::VertexList* drawn = list;
    if (!drawn) {
        if (!image)
            return;
        drawn = Media::VertexListQuadPosUvCommon::getCenteredQuad(image->getWidth(), image->getHeight()).get();
    }
    d3d->setRenderTarget(target);
    drawn->setShader();
    drawVertexList(image, *drawn);
}

void OutputShaderEffect::applyLights(Media::RenderBuffer& frame, const Math::float3 view[4])
{
    // Of the first 8 records, ambient ones only feed the ambient term, which is
    // summed here; the directional ones go to the shader, packed to the front
    // so that its loop runs once per directional light.
    Media::LightConstant lights;
    const auto& records = frame.getLights();
    const size_t used = std::min<size_t>(records.size(), 8);
    float remainder = 1.0f;
    float ambient[3] = {0, 0, 0};
    for (size_t i = 0; i < used; ++i) {
        Media::LightSource light;
        std::memcpy(&light, records[i].data(), sizeof(light));
        if (light.type == 0)
            for (int c = 0; c < 3; ++c)
                ambient[c] += light.color[c];
        else if (light.type == 1)
            lights.source[lights.lightNum++] = light;
        remainder *= light.color[3];
    }
    for (int c = 0; c < 3; ++c)
        lights.ambient[c] = ambient[c] + remainder;
    Media::ConstantBufferCommon block;
    Media::ConstantBufferCommon::create(block, &lights, sizeof(lights));

    // A target-filling quad in clip space carrying the view directions, in strip order.
    Shader::ShaderList* shaders = Shader::ShaderList::published();
    Media::VertexListQuadPosUvNorm quad;
    const float corners[4][2] = {{-1, 1}, {1, 1}, {1, -1}, {-1, -1}};
    for (int k = 0; k < 4; ++k)
        quad.vertices.push_back({corners[k][0], corners[k][1], 0, view[k].x, view[k].y, view[k].z, 0, 0, 1, 0});

    Direct3DService* d3d = Direct3DService::Get();
    d3d->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, block.buffer.get());
    d3d->bindRasterizerState(RasterizerStateList::published()->get(RasterizerStateList::Solid));
    bindBlend(BlendStateList::MultiplyColor);
    d3d->bindVertexShader(shaders->lightVertexShader);
    d3d->bindPixelShader(shaders->lightShader);

    d3d->setRenderBufferTarget(frame);
    d3d->bindShaderResources({shaderView(&frame.getNormalBuffer())});
    quad.drawWithNormal();
    d3d->unbindShaderResources(1);
    d3d->unbindTargets();

    d3d->setRenderTarget(frame.getTransparentBuffer());
    d3d->bindShaderResources({shaderView(&frame.getNormalTransparentBuffer())});
    quad.drawWithNormal();
    d3d->unbindShaderResources(1);
    d3d->unbindTargets();
}

void OutputShaderEffect::resolveTransparent(Media::RenderBuffer& frame)
{
    Direct3DService::Get()->bindRasterizerState(RasterizerStateList::published()->get(RasterizerStateList::Solid));
    Media::ObjectDraw::resolveTransparency(frame);
}

} // namespace Effect
