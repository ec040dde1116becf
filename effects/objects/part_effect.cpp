#include "effects/objects/part_effect.h"

#include "effect/effect_types.h"
#include "effects/filters/clip/mask_filter.h"
#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/model/scene.h"

#include "effects/objects/part_effect.ps.hlsl.h"

#include <cmath>
#include <cstring>

namespace Effect {

namespace {

using Platform::Gpu::Stage;

int nearest(double v) { return static_cast<int>(std::lround(v)); }

// Binds the constants and draws the picture into the frame with the blend state.
void drawOffset(Media::RenderBuffer& frame, Media::ResourceBuffer& picture, int dx, int dy)
{
    Shader::ShaderList& shaders = *Shader::ShaderList::published();
    const int32_t offset[4] = {dx, dy, 0, 0};
    std::memcpy(shaders.constants, offset, sizeof(offset));
    shaders.updateConstants();
    shaders.copyOffsetShader.drawToRenderBuffer(
        frame, picture, &shaders.constantBuffer,
        Shader::BlendStateList::published()->get(Shader::BlendStateList::Opaque));
}

} // namespace

PartEffect::CommonResource::CommonResource()
{
    shader.loadFromMemory(part_effect_ps_hlsl, sizeof(part_effect_ps_hlsl));
    const uint8_t zero[32] = {};
    Media::ConstantBufferCommon::create(constants, zero, sizeof(zero));
}

PartEffect::PartEffect()
    : MoveXYAnchorEffect(Name, EffectType::Control, MediaType::Video, MediaType::Video, L""),
      source(items, L"マスクの種類", 1, &fitScene)
{
    // The label order of the items: the mask select sits after ぼかし.
    EffectItemNumber::makeGroup(point, {&x, &y});
    pointItems = &point;
}

void PartEffect::createCommonResource() { common = std::make_shared<CommonResource>(); }

void PartEffect::shareResource(EffectBase& prototype) { common = dynamic_cast<PartEffect&>(prototype).common; }

void PartEffect::preInputVideo(Render::RenderObject& object) { source.preLoad(object); }

Render::RenderObject::DrawState PartEffect::getOutputView(Render::RenderObject& object)
{
    Render::RenderObject::DrawState state = object.drawState;
    state.x = state.y = state.z = 0;
    state.cx = state.cy = state.cz = 0;
    return state;
}

void PartEffect::setEffectAnchor(Render::RenderObject& object, const std::shared_ptr<EffectBase>& self, int width,
                                 int height)
{
    if (!isWholePicture())
        MoveXYAnchorEffect::setEffectAnchor(object, self, width, height);
}

void PartEffect::controlVideo(Render::RenderObject& object)
{
    object.drawState.cameraControl.reset();
    object.drawState.groupControl.reset();
    Media::RenderBuffer* frame = object.drawState.target;
    if (!frame || !frame->getTexture() || !object.scene)
        return;
    const int width = static_cast<int>(frame->getWidth()), height = static_cast<int>(frame->getHeight());

    object.collectFilterObjects(MediaType::Video);
    std::unique_ptr<Media::ResourceBuffer> filtered =
        object.applyFilterEffects(frame->createResourceBuffer(true), nullptr);
    object.objectList.reset();
    if (!filtered || filtered->empty())
        return;

    // Filters may grow the picture or move its origin: the offset keeps it on the frame.
    const Render::RenderObject::DrawState& state = object.drawState;
    const int dx = nearest((static_cast<double>(filtered->getWidth()) - width) * 0.5 + state.cx - state.x);
    const int dy = nearest((static_cast<double>(filtered->getHeight()) - height) * 0.5 + state.cy - state.y);
    const int s = nearest(size.getValue(object));
    const float c = static_cast<float>(aspect.getValue(object) * 0.01);
    const double angle = rotation.getValue(object) * 3.14159265358979323846 / 180;
    const bool inverted = invert.value;

    if (isWholePicture()) {
        if (!inverted)
            drawOffset(*frame, *filtered, dx, dy);
        return;
    }
    if (s < 1 || c <= -1 || c >= 1) {
        // A mask without area: everything is outside it.
        if (inverted)
            drawOffset(*frame, *filtered, dx, dy);
        return;
    }
    // No mask, or one without a side (an empty temporary buffer): nothing is
    // inside it, and its scale would divide by zero.
    MaskPlacement placed;
    if (!placed.place(object, source, s, c, nearest(blur.getValue(object)), false, width, height))
        return;

    struct {
        int32_t offset[2];
        float offsetMask[2];
        float inverseMaskSize[2];
        float angleS;
        float angleC;
    } block{{dx, dy},
            {-static_cast<float>(width) / 2 - static_cast<float>(x.getValue(object)),
             -static_cast<float>(height) / 2 - static_cast<float>(y.getValue(object))},
            {1 / placed.width, 1 / placed.height},
            static_cast<float>(std::sin(angle)),
            static_cast<float>(std::cos(angle))};
    static_assert(sizeof(block) == 32);
    common->constants.update(&block);
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    d3d->bindConstantBuffer(Stage::Pixel, 0, common->constants.buffer.get());
    d3d->bindSampler(0, Shader::SamplerStateList::published()->get(Shader::SamplerStateList::LinearBorder));
    const uint32_t blend = inverted ? Shader::BlendStateList::SecondSourceKeep : Shader::BlendStateList::SecondSourceMix;
    common->shader.drawTwoSourcesToRenderBuffer(*frame, *filtered, *placed.mask,
                                                Shader::BlendStateList::published()->get(blend));
}

} // namespace Effect
