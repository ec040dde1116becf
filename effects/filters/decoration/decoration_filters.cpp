#include "effects/filters/decoration/decoration_filters.h"

#include "core/static_tables.h"
#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "effects/filters/blur/bokeh_filter.h"
#include "effects/filters/light/list_draw.h"
#include "media/image_buffer.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "render/cache/image_cache.h"
#include "render/render_object.h"

#include "effects/filters/decoration/bevel.ps.hlsl.h"
#include "effects/filters/decoration/border_full_color.ps.hlsl.h"
#include "effects/filters/decoration/border_full_pattern.ps.hlsl.h"
#include "effects/filters/decoration/border_reduced_color.ps.hlsl.h"
#include "effects/filters/decoration/border_reduced_pattern.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using namespace FilterPass;
using Shader::BlendStateList;

namespace {
constexpr const wchar_t* Category = L"装飾";
}

// ---- 縁取り ----

BorderResource::BorderResource()
{
    load(fullColorShader, border_full_color_ps_hlsl);
    load(reducedColorShader, border_reduced_color_ps_hlsl);
    load(fullPatternShader, border_full_pattern_ps_hlsl);
    load(reducedPatternShader, border_reduced_pattern_ps_hlsl);
}

BorderFilter::BorderFilter()
    : ShaderFilterEffect(Name, Category), pattern(items, L"パターン画像", Tables::allFileFilter.data())
{
}

void BorderFilter::preInputVideo(Render::RenderObject&)
{
    if (!pattern.path.empty() && cacheService && cacheService->imageCache)
        cacheService->imageCache->preloadImage(pattern.path);
}

Picture BorderFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int e = roundToInt(size.getValue(object));
    if (e <= 0)
        return picture;
    Picture border = drawBorder(*picture, e, roundToInt(blur.getValue(object)), colour.getColor(object), pattern.path);
    ListDraw::copyOffset(*border, *picture, (widthOf(*picture) - widthOf(*border)) / 2,
                         (heightOf(*picture) - heightOf(*border)) / 2, ListDraw::blend(BlendStateList::Over));
    return border;
}

Picture BorderFilter::drawBorder(Media::ResourceBuffer& picture, int e, int b, const ColorF& c,
                                 const std::wstring& patternPath)
{
    // The pattern arrives with straight alpha and is uploaded premultiplied.
    Picture image;
    if (!patternPath.empty() && cacheService && cacheService->imageCache) {
        const int options[2] = {0, 0};
        image = Media::ResourceBuffer::createFromImage(cacheService->imageCache->getImage(patternPath), options);
        if (image && image->empty())
            image.reset();
    }
    const int W = widthOf(picture), H = heightOf(picture);
    Picture out = newPicture(W + 2 * e, H + 2 * e);
    BorderResource::Block& k = common->constants.block;
    k = {};
    k.color[0] = c.r;
    k.color[1] = c.g;
    k.color[2] = c.b;
    k.color[3] = c.a;
    auto limit = [b](int r) {
        const float v = static_cast<float>(b * r) / 100 + 1;
        return v * v;
    };
    Platform::Gpu::Buffer* constants = common->constants.buffer.buffer.get();
    if (e <= MaxFullSize) {
        k.offset[0] = k.offset[1] = static_cast<float>(-e);
        k.range = e;
        k.inverseRange = 1 / static_cast<float>(e);
        k.limit = limit(e);
        common->constants.upload();
        Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, constants);
        if (image)
            common->fullPatternShader.drawTwoSources(*out, picture, *image);
        else
            common->fullColorShader.drawNoConstant(*out, picture);
        return out;
    }

    const int t = e / MaxFullSize + 1;
    Picture reduced = shrinkImage(picture.clone(), static_cast<unsigned>(t));
    const int r = (e + t) / t;
    const float fw = static_cast<float>(W), fh = static_cast<float>(H), fr = static_cast<float>(r);
    k.range = r;
    k.inverseRange = 1 / fr;
    k.ratio[0] = 1 / fw;
    k.ratio[1] = 1 / fh;
    k.step[0] = static_cast<float>(2 * (t - 1) + e) / (fw * fr);
    k.step[1] = static_cast<float>(2 * (t - 1) + e) / (fh * fr);
    k.offset[0] = -static_cast<float>(e) / fw - fr * k.step[0];
    k.offset[1] = -static_cast<float>(e) / fh - fr * k.step[1];
    k.limit = limit(r);
    common->constants.upload();
    bindSampler(Shader::SamplerStateList::LinearBorder);
    Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, constants);
    if (image)
        common->reducedPatternShader.drawTwoSources(*out, *reduced, *image);
    else
        common->reducedColorShader.drawNoConstant(*out, *reduced);
    return out;
}

Picture BorderFilter::shrinkImage(Picture image, unsigned t)
{
    return EffectService::Get()->getDefaultEffect<BokehFilter>()->shrinkImage(std::move(image), t);
}

// ---- ドロップシャドウ ----

DropShadowFilter::DropShadowFilter() : FilterEffect(Name, Category) {}

Picture DropShadowFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    Picture shadow = picture->clone();
    const float k = static_cast<float>(density.getValue(object) * 0.01);
    const ColorF c = colour.getColor(object);
    ListDraw::fill(*shadow, {c.r * k, c.g * k, c.b * k, k}, ListDraw::blend(BlendStateList::MultiplyTargetAlpha));
    const int spreadPixels = roundToInt(spread.getValue(object));
    if (spreadPixels > 0)
        shadow = EffectService::Get()->getDefaultEffect<BokashiFilter>()->blurImage(std::move(shadow), spreadPixels, 0,
                                                                                   BokashiFilter::Grow);
    const int dx = roundToInt(x.getValue(object)), dy = roundToInt(y.getValue(object));
    Render::RenderObject::DrawState& state = object.drawState;

    if (separate.value) {
        state.x += static_cast<float>(dx);
        state.y += static_cast<float>(dy);
        object.outputVideo(shadow);
        state.x -= static_cast<float>(dx);
        state.y -= static_cast<float>(dy);
        return picture;
    }

    Picture canvas = newPicture(widthOf(*shadow) + std::abs(dx), heightOf(*shadow) + std::abs(dy));
    // The shadow's copy replaces every pixel of the canvas (transparent
    // outside the shadow): no clear before it.
    int ox = dx < 0 ? 0 : -dx, oy = dy < 0 ? 0 : -dy;
    ListDraw::copyOffset(*canvas, *shadow, ox, oy, nullptr);
    ox += dx - spreadPixels;
    oy += dy - spreadPixels;
    ListDraw::copyOffset(*canvas, *picture, ox, oy, ListDraw::blend(BlendStateList::Over));
    state.cx -= static_cast<float>(dx) / 2;
    state.cy -= static_cast<float>(dy) / 2;
    return canvas;
}

// ---- 凸エッジ ----

BevelResource::BevelResource() { load(shader, bevel_ps_hlsl); }

BevelFilter::BevelFilter() : ShaderFilterEffect(Name, Category) {}

Picture BevelFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const float a = static_cast<float>(angle.getValue(object) * (-3.14159265358979323846 / 180.0));
    const int W = widthOf(*picture), H = heightOf(*picture);
    const int n = std::min({roundToInt(width.getValue(object)), W / 2, H / 2});
    if (n <= 0)
        return picture;
    BevelResource::Block& b = common->constants.block;
    b.step[0] = std::sin(a);
    b.step[1] = std::cos(a);
    b.depth = static_cast<float>(height.getValue(object) * 0.5 / n);
    b.sampleNum = n;
    common->constants.upload();
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                      common->constants.buffer.buffer.get());
    Picture out = newPicture(W, H);
    common->shader.drawNoConstant(*out, *picture);
    return out;
}

} // namespace Effect
