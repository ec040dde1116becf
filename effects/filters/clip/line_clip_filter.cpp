#include "effects/filters/clip/line_clip_filter.h"

#include "core/failure.h"
#include "effect/effect_service.h"
#include "media/resource_service.h"
#include "media/state_list.h"

#include "effects/filters/clip/line_clip_band.ps.hlsl.h"
#include "effects/filters/clip/line_clip_half.ps.hlsl.h"

#include <cmath>

namespace Effect {

LineClipResource::LineClipResource()
{
    FilterPass::load(halfPlaneShader, line_clip_half_ps_hlsl);
    FilterPass::load(bandShader, line_clip_band_ps_hlsl);
}

LineClipFilter::LineClipFilter() : ShaderFilterEffect(Name, L"クリッピング")
{
    EffectItemNumber::makeGroup(center, {&centerX, &centerY});
    pointItems = &center;
}

void LineClipFilter::createCommonResource()
{
    ShaderFilterEffect::createCommonResource();
    Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return;
    resources->transitionCores.lineClip = [](Picture& picture, float angle, int width, float x, float y, int blur) {
        EffectService* effects = EffectService::Get();
        if (!effects)
            throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found",
                                        "Effect::LineClipFilter");
        effects->getDefaultEffect<LineClipFilter>()->clip(picture, angle, width, x, y, blur);
    };
}

Picture LineClipFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using FilterPass::roundToInt;
    clip(picture, static_cast<float>(angle.getValue(object)), roundToInt(width.getValue(object)),
         static_cast<float>(centerX.getValue(object)), static_cast<float>(centerY.getValue(object)),
         roundToInt(blur.getValue(object)));
    return picture;
}

void LineClipFilter::clip(Picture& picture, float angleDegrees, int bandWidth, float x, float y, int blurRange)
{
    using namespace FilterPass;
    LineClipResource::Block& b = common->constants.block;
    const float a = angleDegrees * 3.14159265f / 180.0f;
    b.offset[0] = -(static_cast<float>(widthOf(*picture)) / 2 + x);
    b.offset[1] = -(static_cast<float>(heightOf(*picture)) / 2 + y);
    b.direction[0] = std::sin(a);
    b.direction[1] = -std::cos(a);
    b.length = static_cast<float>(blurRange + 1);
    b.range = static_cast<float>(bandWidth) * 0.5f;
    common->constants.upload();
    Media::PixelShader& shader = bandWidth == 0 ? common->halfPlaneShader : common->bandShader;
    shader.drawGenerate(*picture, &common->constants.buffer,
                        Shader::BlendStateList::published()->get(Shader::BlendStateList::MultiplyAlpha));
}

} // namespace Effect
