#include "effects/filters/blur/border_blur_filter.h"

#include "platform/gpu/gpu.h"

#include "effects/filters/blur/border_blur_alpha_h.ps.hlsl.h"
#include "effects/filters/blur/border_blur_alpha_v.ps.hlsl.h"
#include "effects/filters/blur/border_blur_combine.ps.hlsl.h"
#include "effects/filters/blur/border_blur_fade.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;

BorderBlurResource::BorderBlurResource()
{
    load(edgeFadeShader, border_blur_fade_ps_hlsl);
    load(combineShader, border_blur_combine_ps_hlsl);
    load(horizontalAlphaShader, border_blur_alpha_h_ps_hlsl);
    load(verticalAlphaShader, border_blur_alpha_v_ps_hlsl);
}

BorderBlurFilter::BorderBlurFilter() : ShaderFilterEffect(Name, L"ぼかし") {}

Picture BorderBlurFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int R = roundToInt(range.getValue(object));
    const float a = static_cast<float>(aspect.getValue(object) * 0.01);
    int rh = R, rv = R;
    if (a > 0) {
        rv = static_cast<int>((1.0f - a) * static_cast<float>(R));
        rv = rv < 1 ? 0 : rv;
    } else if (a < 0) {
        rh = static_cast<int>((1.0f + a) * static_cast<float>(R));
        rh = rh < 1 ? 0 : rh;
    }
    struct {
        int32_t range[2];
        float divive[2];
    } block{{rh, rv}, {1.0f / static_cast<float>(2 * rh + 1), 1.0f / static_cast<float>(2 * rv + 1)}};
    writeListBlock(block);
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    d3d->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, shaderList().constantBuffer.buffer.get());

    const int W = widthOf(*picture), H = heightOf(*picture);
    Picture out = newPicture(W, H);
    if (!alphaBorder.value) {
        common->edgeFadeShader.drawNoConstant(*out, *picture);
        return out;
    }
    common->verticalAlphaShader.drawNoConstant(*out, *picture);
    Picture blurred = newPicture(W, H);
    common->horizontalAlphaShader.drawNoConstant(*blurred, *out);
    common->combineShader.drawTwoSources(*out, *picture, *blurred);
    return out;
}

} // namespace Effect
