#include "effects/filters/light/diffusion_filter.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/light/list_draw.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/light/diffusion.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;

DiffusionResource::DiffusionResource() { load(diffusionShader, diffusion_ps_hlsl); }

DiffusionFilter::DiffusionFilter() : ShaderFilterEffect(Name, L"光効果") {}

Picture DiffusionFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    BokashiFilter& blurCore = *EffectService::Get()->getDefaultEffect<BokashiFilter>();
    const int W = widthOf(*picture), H = heightOf(*picture);
    const int o = roundToInt(spread.getValue(object));
    Picture blurred = blurCore.blurImage(picture->clone(), o,
                                         0, fixedSize.value ? BokashiFilter::Transparent : BokashiFilter::Grow);
    const int bw = widthOf(*blurred), bh = heightOf(*blurred);
    Picture canvas = picture->copyToCanvas(bw, bh, (bw - W) / 2, (bh - H) / 2);

    struct {
        int32_t offset[2];
        float level;
    } block{{(W - bw) / 2, (H - bh) / 2}, static_cast<float>(strength.getValue(object) * 0.01)};
    writeListBlock(block);
    Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, shaderList().constantBuffer.buffer.get());
    common->diffusionShader.drawTwoSources(*canvas, *blurred, *picture,
                                           ListDraw::blend(Shader::BlendStateList::Over));
    return canvas;
}

} // namespace Effect
