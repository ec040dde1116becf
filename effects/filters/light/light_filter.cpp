#include "effects/filters/light/light_filter.h"

#include "effects/filters/light/list_draw.h"
#include "media/state_list.h"

#include "effects/filters/light/light_h.ps.hlsl.h"
#include "effects/filters/light/light_h_grow.ps.hlsl.h"
#include "effects/filters/light/light_v_alpha.ps.hlsl.h"
#include "effects/filters/light/light_v_grow_alpha.ps.hlsl.h"
#include "effects/filters/light/light_v_inverse_alpha.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;
using Shader::BlendStateList;

LightResource::LightResource()
{
    load(horizontalGrowShader, light_h_grow_ps_hlsl);
    load(verticalGrowAlphaShader, light_v_grow_alpha_ps_hlsl);
    load(horizontalShader, light_h_ps_hlsl);
    load(verticalAlphaShader, light_v_alpha_ps_hlsl);
    load(verticalInverseAlphaShader, light_v_inverse_alpha_ps_hlsl);
}

LightFilter::LightFilter() : ShaderFilterEffect(Name, L"光効果") {}

void LightFilter::drawWindow(Media::PixelShader& shader, Media::ResourceBuffer& target, Media::ResourceBuffer& source,
                             float divive, Platform::Gpu::BlendState* blend)
{
    common->constants.block.divive = divive;
    common->constants.upload();
    shader.draw(target, source, &common->constants.buffer, blend);
}

Picture LightFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const float s = static_cast<float>(strength.getValue(object) * 0.01);
    const int f = roundToInt(spread.getValue(object));
    const float q = static_cast<float>(ratio.getValue(object) * 0.01);
    float inner = s, outer = s;
    if (q > 0)
        inner = (1 - q) * s;
    else if (q < 0)
        outer = (1 + q) * s;

    LightResource::Block& b = common->constants.block;
    const ColorF c = colour.getColor(object);
    b.color[0] = c.r;
    b.color[1] = c.g;
    b.color[2] = c.b;
    b.color[3] = 1;
    b.range = f;
    const float window = static_cast<float>(2 * f + 1);
    const int W = widthOf(*picture), H = heightOf(*picture);

    if (inner > 0) {
        Picture column = newPicture(W, H);
        drawWindow(backLight.value ? common->verticalInverseAlphaShader : common->verticalAlphaShader, *column,
                   *picture, 1 / window, nullptr);
        const float E = backLight.value ? inner : inner * 0.5f;
        drawWindow(common->horizontalShader, *picture, *column, E / window,
                   ListDraw::blend(BlendStateList::AddInsideTarget));
    }
    if (outer > 0) {
        Picture column = newPicture(W, H + 2 * f);
        drawWindow(common->verticalGrowAlphaShader, *column, *picture, 1 / window, nullptr);
        Picture halo = newPicture(W + 2 * f, H + 2 * f);
        drawWindow(common->horizontalGrowShader, *halo, *column, outer / window, nullptr);
        ListDraw::copyOffset(*halo, *picture, -f, -f, ListDraw::blend(BlendStateList::Over));
        return halo;
    }
    return picture;
}

} // namespace Effect
