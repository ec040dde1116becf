#include "effects/filters/clip/mask_filter.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "media/state_list.h"

#include "effects/filters/clip/mask.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

bool MaskPlacement::place(const Render::RenderObject& object, const EffectItemMaskSelect& source, int size, float d,
                          int blur, bool fit, int pictureWidth, int pictureHeight)
{
    using namespace FilterPass;
    mask = source.getMaskBuffer(object, size, size);
    if (!mask || mask->empty() || mask->getWidth() == 0 || mask->getHeight() == 0) {
        mask.reset();
        return false;
    }
    const float v = static_cast<float>(size) / static_cast<float>(std::max(widthOf(*mask), heightOf(*mask)));
    if (blur > 0)
        mask = EffectService::Get()->getDefaultEffect<BokashiFilter>()->blurImage(std::move(mask), blur, 0,
                                                                                 BokashiFilter::Grow);
    if (fit) {
        width = static_cast<float>(pictureWidth);
        height = static_cast<float>(pictureHeight);
        return true;
    }
    width = static_cast<float>(widthOf(*mask)) * v;
    height = static_cast<float>(heightOf(*mask)) * v;
    if (d > 0)
        width *= 1 - d;
    if (d < 0)
        height *= 1 + d;
    return true;
}

MaskResource::MaskResource() { FilterPass::load(shader, mask_ps_hlsl); }

MaskFilter::MaskFilter() : ShaderFilterEffect(Name, L"クリッピング"), source(items, L"マスクの種類", 1, &fitScene)
{
    EffectItemNumber::makeGroup(point, {&x, &y});
    pointItems = &point;
}

void MaskFilter::preInputVideo(Render::RenderObject& object) { source.preLoad(object); }

Picture MaskFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int s = roundToInt(size.getValue(object));
    const float d = static_cast<float>(aspect.getValue(object) * 0.01);
    if (s < 1 || (!fit.value && (d <= -1 || d >= 1))) {
        // A mask without area: nothing stays, or, inverted, everything.
        if (!invert.value) {
            const float clear[4] = {0, 0, 0, 0};
            picture->clearRenderTargetView(clear);
        }
        return picture;
    }
    const int w = widthOf(*picture), h = heightOf(*picture);
    MaskPlacement placed;
    if (!placed.place(object, source, s, d, roundToInt(blur.getValue(object)), fit.value, w, h))
        return picture;
    const float r = static_cast<float>(rotation.getValue(object) * 3.14159265358979323846 / 180);
    MaskResource::Block& b = common->constants.block;
    b.offset[0] = -static_cast<float>(w) / 2 - static_cast<float>(x.getValue(object));
    b.offset[1] = -static_cast<float>(h) / 2 - static_cast<float>(y.getValue(object));
    b.inverseMaskSize[0] = 1 / placed.width;
    b.inverseMaskSize[1] = 1 / placed.height;
    b.angleS = std::sin(r);
    b.angleC = std::cos(r);
    common->constants.upload();
    bindSampler(Shader::SamplerStateList::LinearBorder);
    const uint32_t blend = invert.value ? Shader::BlendStateList::MultiplyInverseAlpha : Shader::BlendStateList::MultiplyAlpha;
    common->shader.draw(*picture, *placed.mask, &common->constants.buffer, Shader::BlendStateList::published()->get(blend));
    return picture;
}

} // namespace Effect
