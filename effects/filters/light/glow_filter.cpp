#include "effects/filters/light/glow_filter.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/light/list_draw.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/light/glow_streak.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using namespace FilterPass;

namespace {
std::shared_ptr<EffectItemSelect::SharedList> shapeList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"通常", L"クロス(4本)", L"クロス(6本)", L"クロス(8本)", L"クロス(10本)",
                                  L"クロス(12本)", L"ライン"};
        for (int i = 0; i < 7; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}
} // namespace

GlowResource::GlowResource() { load(streakShader, glow_streak_ps_hlsl); }

GlowFilter::GlowFilter() : ShaderFilterEffect(Name, L"光効果"), shape(items, L"形状", Cross4, shapeList()) {}

Picture GlowFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using Shader::BlendStateList;
    BokashiFilter& blurCore = *EffectService::Get()->getDefaultEffect<BokashiFilter>();
    const int W = widthOf(*picture), H = heightOf(*picture);
    float gain = static_cast<float>(strength.getValue(object) * 0.01) * 32.0f;
    if (shape.value == Normal)
        gain *= 4;
    const ColorF tint = colour.getColor(object);
    Picture light = ListDraw::extractLight(*picture, static_cast<float>(threshold.getValue(object) * 0.01), gain,
                                           colour.none ? nullptr : &tint);

    const int o = roundToInt(spread.getValue(object));
    Picture canvas = fixedSize.value ? newPicture(W, H) : newPicture(W + 2 * o, H + 2 * o);
    const float clear[4] = {0, 0, 0, 0};
    canvas->clearRenderTargetView(clear);

    const float D = static_cast<float>(o);
    const float F = static_cast<float>(ratio.getValue(object) * 0.01);
    const float G = F * D;
    const float a0 = static_cast<float>(angle.getValue(object));
    Platform::Gpu::BlendState* add = ListDraw::blend(BlendStateList::AddColorOver);
    auto addCentred = [&](Media::ResourceBuffer& layer) {
        ListDraw::copyOffset(*canvas, layer, (widthOf(layer) - widthOf(*canvas)) / 2,
                             (heightOf(layer) - heightOf(*canvas)) / 2, add);
    };
    switch (shape.value) {
    case Normal: {
        Picture blur1 = blurCore.blurImage(std::move(light), o / 2, 0, BokashiFilter::Grow);
        addCentred(*blur1);
        Picture blur2 = blurCore.boxBlur(std::move(blur1), static_cast<unsigned>(o - o / 2));
        addCentred(*blur2);
        break;
    }
    case Cross4:
        streak(*canvas, *light, D, 1, a0);
        streak(*canvas, *light, G, 1, a0 + 90);
        break;
    case Cross6:
        for (float a : {a0, a0 + 120, a0 - 120})
            streak(*canvas, *light, D, F, a);
        break;
    case Cross8:
        streak(*canvas, *light, D, 1, a0);
        streak(*canvas, *light, G, 1, a0 + 45);
        streak(*canvas, *light, D, 1, a0 + 90);
        streak(*canvas, *light, G, 1, a0 - 45);
        break;
    case Cross10:
        for (float a : {a0, a0 + 72, a0 + 144, a0 + 216, a0 + 288})
            streak(*canvas, *light, D, F, a);
        break;
    case Cross12:
        for (int i = 0; i < 6; ++i)
            streak(*canvas, *light, i % 2 ? G : D, 1, a0 + 30.0f * static_cast<float>(i));
        break;
    case Line: streak(*canvas, *light, G, 1, a0 + 90); break;
    default: break;
    }
    light.reset();

    const int b = roundToInt(blur.getValue(object));
    if (b > 0)
        canvas = blurCore.boxBlur(std::move(canvas), static_cast<unsigned>(b));
    if (!lightOnly.value)
        ListDraw::copyOffset(*canvas, *picture, (W - widthOf(*canvas)) / 2, (H - heightOf(*canvas)) / 2,
                             ListDraw::blend(BlendStateList::AddColorBehind));
    return canvas;
}

void GlowFilter::streak(Media::ResourceBuffer& canvas, Media::ResourceBuffer& light, float length, float stepRatio,
                        float angleDegrees)
{
    if (!(length > 0))
        return;
    const float lw = static_cast<float>(widthOf(light)), lh = static_cast<float>(heightOf(light));
    const int n = std::max(5, static_cast<int>(std::ceil(std::min(std::hypot(lw, lh), length))));
    const float theta = static_cast<float>(angleDegrees * 3.14159265358979323846 / 180.0);
    GlowResource::Block& b = common->constants.block;
    b.step[0] = -std::sin(theta) * length / static_cast<float>(n);
    b.step[1] = std::cos(theta) * length / static_cast<float>(n);
    b.offset[0] = (lw - static_cast<float>(widthOf(canvas))) * 0.5f;
    b.offset[1] = (lh - static_cast<float>(heightOf(canvas))) * 0.5f;
    b.stepRatio = stepRatio;
    b.sampleNum = n;
    common->constants.upload();
    common->streakShader.draw(canvas, light, &common->constants.buffer,
                              ListDraw::blend(Shader::BlendStateList::AddColorOver));
}

} // namespace Effect
