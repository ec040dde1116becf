#include "effects/filters/blur/bokeh_filter.h"

#include "effect/effect_item_file.h"
#include "media/state_list.h"

#include "effects/filters/blur/bokeh_fixed.ps.hlsl.h"
#include "effects/filters/blur/bokeh_grow.ps.hlsl.h"
#include "effects/filters/blur/bokeh_reduced.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;

namespace {
// No aperture at all (a figure index outside the list): no weight anywhere,
// transparent black on the exponential scale (stored less e: 0).
Picture clearNoWeight(Picture out)
{
    const float clear[4] = {0, 0, 0, 0};
    out->clearRenderTargetView(clear);
    return out;
}
} // namespace

BokehResource::BokehResource()
{
    load(growShader, bokeh_grow_ps_hlsl);
    load(fixedShader, bokeh_fixed_ps_hlsl);
    load(reducedShader, bokeh_reduced_ps_hlsl);
}

BokehFilter::BokehFilter()
    : ShaderFilterEffect(Name, L"ぼかし"), shape(items, L"形状", 1, EffectItemFigureSelect::getFigureList())
{
}

Picture BokehFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    Shader::ShaderList& list = shaderList();
    const float g = 1.0f + 0.15f * static_cast<float>(light.getValue(object));
    Picture bright = newPicture(widthOf(*picture), heightOf(*picture));
    writeListBlock(g);
    list.expandShader.draw(*bright, *picture, &list.constantBuffer);
    picture.reset();
    bright = bokehBlur(std::move(bright), shape.value, roundToInt(range.getValue(object)), fixedSize.value);
    Picture out = newPicture(widthOf(*bright), heightOf(*bright));
    writeListBlock(1.0f / g);
    list.compressShader.draw(*out, *bright, &list.constantBuffer);
    return out;
}

Picture BokehFilter::bokehBlur(Picture image, int shapeIndex, int radius, bool fixed)
{
    if (radius <= 0)
        return image;
    const int W = widthOf(*image), H = heightOf(*image);
    const int outW = fixed ? W : W + 2 * radius, outH = fixed ? H : H + 2 * radius;
    const int e = 2 * radius + 1;
    Picture out = newPicture(outW, outH);
    BokehResource::Block& b = common->constants.block;
    if (e <= MaxKernel) {
        Picture mask = figureList->createFigureMask(shapeIndex, e, e);
        if (!mask || mask->empty())
            return clearNoWeight(std::move(out));
        b = {};
        b.offset[0] = static_cast<float>(W - outW - e) * 0.5f;
        b.offset[1] = static_cast<float>(H + e - outH) * 0.5f;
        b.sampleNum = e;
        common->constants.upload();
        Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, common->constants.buffer.buffer.get());
        (fixed ? common->fixedShader : common->growShader).drawTwoSources(*out, *image, *mask);
        return out;
    }

    const int t = e / MaxKernel + 1;
    const int k = (t + e) / t;
    Picture mask = figureList->createFigureMask(shapeIndex, k, k);
    if (!mask || mask->empty())
        return clearNoWeight(std::move(out));
    image = shrinkImage(std::move(image), static_cast<unsigned>(t));
    const float fw = static_cast<float>(W), fh = static_cast<float>(H), ft = static_cast<float>(t);
    const float sx = static_cast<float>(W - outW) * 0.5f, sy = static_cast<float>(H - outH) * 0.5f;
    b = {};
    b.ratio[0] = 1.0f / fw;
    b.ratio[1] = 1.0f / fh;
    b.step[0] = ft / fw;
    b.step[1] = ft / fh;
    b.offset[0] = (sx - ft * static_cast<float>(k - 1) / 2) / fw;
    b.offset[1] = (ft * static_cast<float>(k + 1) / 2 + sy) / fh;
    b.sampleNum = k;
    common->constants.upload();
    Direct3D->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, common->constants.buffer.buffer.get());
    bindSampler(fixed ? Shader::SamplerStateList::LinearClamp : Shader::SamplerStateList::LinearBorder);
    common->reducedShader.drawTwoSources(*out, *image, *mask);
    return out;
}

Picture BokehFilter::shrinkImage(Picture image, unsigned t)
{
    Shader::ShaderList& list = shaderList();
    const int n = static_cast<int>(t);
    const int W = widthOf(*image), H = heightOf(*image);
    const int32_t block[2] = {n, 0};
    Picture rows = newPicture(W, (H + n - 1) / n);
    writeListBlock(block);
    list.shrinkVerticalShader.draw(*rows, *image, &list.constantBuffer);
    image.reset();
    Picture out = newPicture((W + n - 1) / n, heightOf(*rows));
    list.shrinkHorizontalShader.draw(*out, *rows, &list.constantBuffer);
    return out;
}

} // namespace Effect
