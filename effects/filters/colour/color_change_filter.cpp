#include "effects/filters/colour/color_change_filter.h"

#include "core/failure.h"
#include "effect/effect_service.h"
#include "effects/filters/key/chroma_key_filter.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/colour/color_change.ps.hlsl.h"
#include "effects/filters/colour/color_change_boundary.ps.hlsl.h"

namespace Effect {

ColorChangeResource::ColorChangeResource()
{
    FilterPass::load(shader, color_change_ps_hlsl);
    FilterPass::load(boundaryShader, color_change_boundary_ps_hlsl);
}

ColorChangeFilter::ColorChangeFilter() : ShaderFilterEffect(Name, L"色調整") {}

Picture ColorChangeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    if (before.none || after.none)
        return picture;
    const int b = roundToInt(boundary.getValue(object));
    EffectService* effects = EffectService::Get();
    if (!effects)
        throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found",
                                    "Effect::ChromaKeyFilter");
    ChromaKeyFilter* key = effects->getDefaultEffect<ChromaKeyFilter>();
    const ColorF from = before.getColor(object), to = after.getColor(object);
    const float keyColor[4] = {from.r, from.g, from.b, 1};
    Picture map;
    key->makeKeyMap(map, *picture, keyColor, static_cast<float>(hueRange.getValue(object)),
                    static_cast<float>(saturationRange.getValue(object)), b, false, false);

    ColorChangeResource::Block& k = common->constants.block;
    auto yuv = [](const ColorF& c, float& y, float& u, float& v) {
        y = 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
        u = -0.169f * c.r - 0.331f * c.g + 0.5f * c.b;
        v = 0.5f * c.r - 0.419f * c.g - 0.081f * c.b;
    };
    yuv(to, k.afterY, k.afterU, k.afterV);
    yuv(from, k.beforeY, k.beforeU, k.beforeV);
    if (k.beforeY < 0.001f)
        k.beforeY = 0.001f;
    k.range = b;
    k.divie = boundaryDivide(b);
    k.correct = colorCorrection.value ? 1.0f : 0.0f;
    common->constants.upload();
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                       common->constants.buffer.buffer.get());
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    (b < 1 ? common->shader : common->boundaryShader).drawTwoSources(*out, *picture, *map);
    return out;
}

} // namespace Effect
