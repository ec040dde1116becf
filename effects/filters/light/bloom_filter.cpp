#include "effects/filters/light/bloom_filter.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/light/list_draw.h"
#include "media/state_list.h"

namespace Effect {

using namespace FilterPass;

BloomFilter::BloomFilter() : FilterEffect(Name, L"光効果") {}

float BloomFilter::gain(float e) { return e <= 1 ? 1.25f * e : 1.25f * (3 * e - 2); }

std::array<int, 4> BloomFilter::radii(int spread, int speed)
{
    const int d = speed + 50;
    std::array<int, 4> r{spread, 0, 0, 0};
    for (size_t i = 1; i < r.size(); ++i)
        r[i] = d * r[i - 1] / 100;
    return r;
}

Picture BloomFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    BokashiFilter& blurCore = *EffectService::Get()->getDefaultEffect<BokashiFilter>();
    const int W = widthOf(*picture), H = heightOf(*picture);
    const ColorF tint = colour.getColor(object);
    Picture light = ListDraw::extractLight(*picture, static_cast<float>(threshold.getValue(object) * 0.01),
                                           gain(static_cast<float>(strength.getValue(object) * 0.01)),
                                           colour.none ? nullptr : &tint);
    const int L = roundToInt(spread.getValue(object));
    Picture canvas = fixedSize.value ? picture->copyToCanvas(W, H, 0, 0)
                                     : picture->copyToCanvas(W + 2 * L, H + 2 * L, L, L);
    picture.reset();

    const std::array<int, 4> r = radii(L, roundToInt(speed.getValue(object)));
    Platform::Gpu::BlendState* add = ListDraw::blend(Shader::BlendStateList::AddColorOver);
    const int mode = fixedSize.value ? BokashiFilter::Transparent : BokashiFilter::Grow;
    for (size_t i = 0; i < r.size(); ++i) {
        Picture layer = i + 1 < r.size() ? light->clone() : std::move(light);
        layer = blurCore.blurImage(std::move(layer), r[i], 0, mode);
        if (widthOf(*layer) == widthOf(*canvas) && heightOf(*layer) == heightOf(*canvas))
            shaderList().copyShader.drawNoConstant(*canvas, *layer, add);
        else
            ListDraw::copyOffset(*canvas, *layer, (widthOf(*layer) - widthOf(*canvas)) / 2,
                                 (heightOf(*layer) - heightOf(*canvas)) / 2, add);
    }
    return canvas;
}

} // namespace Effect
