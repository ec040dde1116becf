#include "effects/objects/camera_lights.h"

#include "effect/effect_types.h"
#include "media/direct3d_service.h"
#include "media/object_draw.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "render/control_view.h"

#include "effects/objects/bloom_box_h.cs.glsl.h"
#include "effects/objects/bloom_box_v.cs.glsl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Effect {

namespace {

using Platform::Gpu::Stage;

// Adds the record to the camera whose preparation runs; a light outside a
// camera's preparation has nothing to light.
void addLight(Render::RenderObject& object, const std::array<uint8_t, 32>& record)
{
    if (Render::ControlView* camera = object.drawState.cameraControl.get())
        camera->lights.push_back(record);
}

} // namespace

std::array<uint8_t, 32> makeLightRecord(int kind, const Math::float3& direction, const ColorF& colour,
                                        float brightness, float remainder)
{
    Media::LightSource light;
    light.type = kind;
    light.direction[0] = direction.x;
    light.direction[1] = direction.y;
    light.direction[2] = direction.z;
    light.color[0] = colour.r * brightness;
    light.color[1] = colour.g * brightness;
    light.color[2] = colour.b * brightness;
    light.color[3] = remainder;
    std::array<uint8_t, 32> record;
    std::memcpy(record.data(), &light, sizeof(light));
    return record;
}

// ---- 並行光源(カメラ制御) ----

CameraLight::CameraLight() : EffectBase(Name, EffectType::Filter, MediaType::Camera, MediaType::Camera, L"カメラ制御") {}

Math::float3 CameraLight::getDirection(double latitude, double longitude, double tilt)
{
    const Math::float4x4 turn = Math::rotationX(static_cast<float>(-latitude)) *
                                Math::rotationY(static_cast<float>(-longitude)) *
                                Math::rotationZ(static_cast<float>(tilt));
    const Math::float4 d = Math::float4{0, 0, -1, 1} * turn;
    return Math::normalize({d.x, d.y, d.z});
}

void CameraLight::preInputVideo(Render::RenderObject& object)
{
    const float b = static_cast<float>(brightness.getValue(object) * 0.01);
    const Math::float3 d = getDirection(latitude.getValue(object), longitude.getValue(object), tilt.getValue(object));
    addLight(object, makeLightRecord(1, d, colour.getColor(object), b, std::max(1 - b, 0.0f)));
}

// ---- 環境光(カメラ制御) ----

CameraLightAmbient::CameraLightAmbient()
    : EffectBase(Name, EffectType::Filter, MediaType::Camera, MediaType::Camera, L"カメラ制御")
{
}

void CameraLightAmbient::preInputVideo(Render::RenderObject& object)
{
    const float b = static_cast<float>(brightness.getValue(object) * 0.01);
    addLight(object, makeLightRecord(0, {}, colour.getColor(object), b, 0));
}

// ---- ライトブルーム(カメラ制御) ----

CameraLightBloom::CommonResource::CommonResource()
{
    horizontal.loadFromMemory(bloom_box_h_cs_glsl, sizeof(bloom_box_h_cs_glsl));
    vertical.loadFromMemory(bloom_box_v_cs_glsl, sizeof(bloom_box_v_cs_glsl));
    const uint8_t zero[16] = {};
    Media::ConstantBufferCommon::create(constants, zero, sizeof(zero));
}

CameraLightBloom::CameraLightBloom()
    : EffectBase(Name, EffectType::Filter, MediaType::Camera, MediaType::Camera, L"カメラ制御")
{
}

void CameraLightBloom::createCommonResource() { common = std::make_shared<CommonResource>(); }

void CameraLightBloom::shareResource(EffectBase& prototype)
{
    common = dynamic_cast<CameraLightBloom&>(prototype).common;
}

void CameraLightBloom::blur(Media::ResourceBuffer& a, Media::ResourceBuffer& b, int r)
{
    if (r <= 0)
        return;
    struct {
        int32_t range;
        float divive;
        float padding[2];
    } block{r, 1.0f / static_cast<float>(2 * r + 1), {}};
    common->constants.update(&block);
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Platform::Gpu::Context& context = *d3d->context;
    d3d->bindConstantBuffer(Stage::Compute, 0, common->constants.buffer.get());
    constexpr uint32_t LinesPerGroup = 16;
    const auto pass = [&](Media::ComputeShader& shader, Media::ResourceBuffer& from, Media::ResourceBuffer& to,
                          uint32_t lines) {
        Platform::Gpu::View* source = from.getShaderResourceView();
        context.setShaderResources(Stage::Compute, 0, 1, &source);
        d3d->setComputeUnorderedAccessView(0, to);
        shader.dispatch((lines + LinesPerGroup - 1) / LinesPerGroup, 1, 1);
        context.setShaderResources(Stage::Compute, 0, 1, nullptr);
        context.setComputeUnorderedAccessViews(0, 1, nullptr);
    };
    pass(common->horizontal, a, b, a.getHeight());
    pass(common->vertical, b, a, a.getWidth());
}

void CameraLightBloom::controlVideo(Render::RenderObject& object)
{
    Media::RenderBuffer* frame = object.drawState.target;
    const double s = strength.getValue(object) * 0.01;
    const int d = static_cast<int>(std::lround(spread.getValue(object)));
    if (!frame || !frame->getTexture() || !(s > 0) || d <= 0)
        return;
    const int width = static_cast<int>(frame->getWidth()), height = static_cast<int>(frame->getHeight());
    Media::ResourceBuffer a(width, height), b(width, height);
    Shader::ShaderList& shaders = *Shader::ShaderList::published();
    Media::Direct3DService* d3d = Media::Direct3DService::Get();

    // Only what is brighter than 1 glows.
    const float threshold[4] = {1.0f, 1.0f, 1.0f, 0.0f};
    std::memcpy(shaders.constants, threshold, sizeof(threshold));
    shaders.updateConstants();
    d3d->bindConstantBuffer(Stage::Pixel, 0, shaders.constantBuffer.buffer.get());
    shaders.brightPassShader.drawFromRenderBuffer(a, *frame);

    const float f = static_cast<float>(d * s / 800);
    const float factor[4] = {f, f, f, f};
    Platform::Gpu::BlendState* add = Shader::BlendStateList::published()->get(Shader::BlendStateList::AddByFactor);
    const int radii[5] = {d / 16, d / 16, d / 8, d / 4, d / 2};
    for (int k = 0; k < 5; ++k) {
        blur(a, b, radii[k]);
        if (k > 0)
            shaders.copyShader.drawToRenderBufferNoConstant(*frame, a, factor, add);
    }
}

} // namespace Effect
