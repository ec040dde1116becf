#include "effects/filters/clip/angle_clip_filter.h"

#include "core/failure.h"
#include "effect/effect_service.h"
#include "media/resource_service.h"
#include "media/state_list.h"

#include "effects/filters/clip/angle_clip_narrow.ps.hlsl.h"
#include "effects/filters/clip/angle_clip_wide.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

AngleClipResource::AngleClipResource()
{
    FilterPass::load(narrowShader, angle_clip_narrow_ps_hlsl);
    FilterPass::load(wideShader, angle_clip_wide_ps_hlsl);
}

AngleClipFilter::AngleClipFilter() : ShaderFilterEffect(Name, L"クリッピング")
{
    EffectItemNumber::makeGroup(center, {&centerX, &centerY});
    pointItems = &center;
}

void AngleClipFilter::createCommonResource()
{
    ShaderFilterEffect::createCommonResource();
    Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return;
    resources->transitionCores.angleClip = [](Picture& picture, float base, float range, float x, float y, int blur,
                                              bool centerBase) {
        EffectService* effects = EffectService::Get();
        if (!effects)
            throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found",
                                        "Effect::AngleClipFilter");
        effects->getDefaultEffect<AngleClipFilter>()->clip(picture, base, range, x, y, blur, centerBase);
    };
}

Picture AngleClipFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using FilterPass::roundToInt;
    clip(picture, static_cast<float>(baseAngle.getValue(object)), static_cast<float>(rangeAngle.getValue(object)),
         static_cast<float>(centerX.getValue(object)), static_cast<float>(centerY.getValue(object)),
         roundToInt(blur.getValue(object)), centerBase.value);
    return picture;
}

void AngleClipFilter::clip(Picture& picture, float theta, float phi, float x, float y, int blurRange, bool middle)
{
    using namespace FilterPass;
    if (middle) {
        if (phi < 0)
            theta += 180;
        theta -= phi / 2;
    }
    if (phi < 0) {
        theta += phi;
        phi = -phi;
    }
    if (phi == 0)
        return;
    if (phi >= 360) {
        const float clear[4] = {0, 0, 0, 0};
        picture->clearRenderTargetView(clear);
        return;
    }
    const float toRadians = 3.14159265f / 180.0f;
    auto normal = [&](float degrees, float out[2]) {
        out[0] = -std::sin(degrees * toRadians);
        out[1] = std::cos(degrees * toRadians);
    };
    AngleClipResource::Block& b = common->constants.block;
    b.offset[0] = -(static_cast<float>(widthOf(*picture)) / 2 + x);
    b.offset[1] = -(static_cast<float>(heightOf(*picture)) / 2 + y);
    normal(theta, b.directionS);
    normal(theta + phi + 180, b.directionE);
    normal(theta + phi / 2 - 90, b.directionL);
    b.range = static_cast<float>(blurRange + 1) * 0.5f;
    b.limit = (std::max(90 - std::fabs(phi - 180), 0.0f) / 45 + std::sin(phi / 2 * toRadians) * 0.5f + 1) * b.range;
    common->constants.upload();
    Media::PixelShader& shader = phi < 180 ? common->narrowShader : common->wideShader;
    shader.drawGenerate(*picture, &common->constants.buffer,
                        Shader::BlendStateList::published()->get(Shader::BlendStateList::MultiplyAlpha));
}

} // namespace Effect
