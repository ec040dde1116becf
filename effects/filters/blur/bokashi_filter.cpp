#include "effects/filters/blur/bokashi_filter.h"

#include "core/failure.h"
#include "effect/effect_service.h"
#include "media/resource_service.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/blur/box_blur_clamp_h.ps.hlsl.h"
#include "effects/filters/blur/box_blur_clamp_v.ps.hlsl.h"
#include "effects/filters/blur/box_blur_grow_h.cs.glsl.h"
#include "effects/filters/blur/box_blur_grow_h.ps.hlsl.h"
#include "effects/filters/blur/box_blur_grow_v.cs.glsl.h"
#include "effects/filters/blur/box_blur_grow_v.ps.hlsl.h"
#include "effects/filters/blur/box_blur_transparent_h.ps.hlsl.h"
#include "effects/filters/blur/box_blur_transparent_v.ps.hlsl.h"
#include "effects/filters/blur/box_tent_clamp_h.cs.glsl.h"
#include "effects/filters/blur/box_tent_clamp_v.cs.glsl.h"
#include "effects/filters/blur/box_tent_grow_h.cs.glsl.h"
#include "effects/filters/blur/box_tent_grow_v.cs.glsl.h"
#include "effects/filters/blur/box_tent_transparent_h.cs.glsl.h"
#include "effects/filters/blur/box_tent_transparent_v.cs.glsl.h"

namespace Effect {

using namespace FilterPass;
using Platform::Gpu::Stage;

BokashiResource::BokashiResource()
{
    load(pixelShaders[0], box_blur_grow_h_ps_hlsl);
    load(pixelShaders[1], box_blur_grow_v_ps_hlsl);
    load(pixelShaders[2], box_blur_transparent_h_ps_hlsl);
    load(pixelShaders[3], box_blur_transparent_v_ps_hlsl);
    load(pixelShaders[4], box_blur_clamp_h_ps_hlsl);
    load(pixelShaders[5], box_blur_clamp_v_ps_hlsl);
    load(computeShaders[0], box_blur_grow_h_cs_glsl);
    load(computeShaders[1], box_blur_grow_v_cs_glsl);
    load(tentShaders[0], box_tent_grow_h_cs_glsl);
    load(tentShaders[1], box_tent_grow_v_cs_glsl);
    load(tentShaders[2], box_tent_transparent_h_cs_glsl);
    load(tentShaders[3], box_tent_transparent_v_cs_glsl);
    load(tentShaders[4], box_tent_clamp_h_cs_glsl);
    load(tentShaders[5], box_tent_clamp_v_cs_glsl);
}

BokashiFilter::BokashiFilter() : ShaderFilterEffect(Name, L"ぼかし") {}

void BokashiFilter::createCommonResource()
{
    ShaderFilterEffect::createCommonResource();
    Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return;
    resources->transitionCores.blurImage = [](Picture& out, Picture picture, int range, float aspect, int mode) {
        EffectService* effects = EffectService::Get();
        if (!effects)
            throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found",
                                        "Effect::BokashiFilter");
        out = effects->getDefaultEffect<BokashiFilter>()->blurImage(std::move(picture), range, aspect, mode);
    };
}

Picture BokashiFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int L = roundToInt(light.getValue(object));
    const int mode = fixedSize.value ? Clamp : Grow;
    const int R = roundToInt(range.getValue(object));
    const float a = static_cast<float>(aspect.getValue(object) * 0.01);
    if (L <= 0)
        return blurImage(std::move(picture), R, a, mode);

    // Bright areas spread more light: blurred on an exponential scale.
    const float g = 1.0f + 0.15f * static_cast<float>(L);
    Shader::ShaderList& list = shaderList();
    Picture bright = newPicture(widthOf(*picture), heightOf(*picture));
    writeListBlock(g);
    list.expandShader.draw(*bright, *picture, &list.constantBuffer);
    picture.reset();
    bright = blurImage(std::move(bright), R, a, mode);
    Picture out = newPicture(widthOf(*bright), heightOf(*bright));
    writeListBlock(1.0f / g);
    list.compressShader.draw(*out, *bright, &list.constantBuffer);
    return out;
}

namespace {
// The vertical and horizontal radii of range at aspect.
void axisRadii(int range, float aspect, int& rv, int& rh)
{
    rv = range, rh = range;
    if (aspect > 0) {
        rv = static_cast<int>((1.0f - aspect) * static_cast<float>(range));
        rv = rv < 1 ? 0 : rv;
    } else if (aspect < 0) {
        rh = static_cast<int>((1.0f + aspect) * static_cast<float>(range));
        rh = rh < 1 ? 0 : rh;
    }
}
} // namespace

Picture BokashiFilter::blurImage(Picture image, int range, float aspect, int mode)
{
    int rv = 0, rh = 0;
    axisRadii(range, aspect, rv, rh);
    return blurImage(std::move(image), range, aspect, mode, rv + rh >= ComputeRange ? Path::Compute : Path::Pixel);
}

Picture BokashiFilter::blurImage(Picture image, int range, float aspect, int mode, Path path)
{
    if (range <= 0)
        return image;
    int rv = 0, rh = 0;
    axisRadii(range, aspect, rv, rh);
    return runPasses(std::move(image), rv, rh, mode, path);
}

Picture BokashiFilter::runPasses(Picture image, int rv, int rh, int mode, Path path)
{
    if (path == Path::Compute) {
        // The boxes of the two axes commute: both vertical ones, then both
        // horizontal ones, give the picture of the alternating order.
        Direct3D->bindConstantBuffer(Stage::Compute, 0, common->tentConstants.buffer.buffer.get());
        image = tentPass(std::move(image), true, rv - rv / 2, rv / 2, mode);
        return tentPass(std::move(image), false, rh - rh / 2, rh / 2, mode);
    }
    Direct3D->bindConstantBuffer(Stage::Pixel, 0, common->constants.buffer.buffer.get());
    image = pass(std::move(image), true, rv - rv / 2, mode, path);
    image = pass(std::move(image), false, rh - rh / 2, mode, path);
    image = pass(std::move(image), true, rv / 2, mode, path);
    return pass(std::move(image), false, rh / 2, mode, path);
}

Picture BokashiFilter::pass(Picture image, bool vertical, int radius, int mode, Path path)
{
    const int grow = mode == Grow ? 2 * radius : 0;
    const int w = widthOf(*image) + (vertical ? 0 : grow);
    const int h = heightOf(*image) + (vertical ? grow : 0);
    // Only the growing box runs one box at a time on the compute path
    // (boxBlur); the other modes' compute passes go through tentPass.
    if (path == Path::Compute)
        return blurPassCompute(std::move(image), common->computeShaders[vertical ? 1 : 0], w, h, radius, vertical);
    return blurPass(std::move(image), common->pixelShaders[mode * 2 + (vertical ? 1 : 0)], w, h, radius);
}

Picture BokashiFilter::tentPass(Picture image, bool vertical, int a, int b, int mode)
{
    if (a == 0)
        return image;
    const int grow = mode == Grow ? 2 * (a + b) : 0;
    Picture out = newPicture(widthOf(*image) + (vertical ? 0 : grow), heightOf(*image) + (vertical ? grow : 0));
    common->tentConstants.block = {widthOf(*out), heightOf(*out), a, b,
                                   1.0f / static_cast<float>((2 * a + 1) * (2 * b + 1)), {}};
    common->tentConstants.upload();
    Platform::Gpu::View* source = image->getShaderResourceView();
    Platform::Gpu::Context& context = *Direct3D->context;
    context.setShaderResources(Stage::Compute, 0, 1, &source);
    Direct3D->setComputeUnorderedAccessView(0, *out);
    const uint32_t lines = static_cast<uint32_t>(vertical ? widthOf(*out) : heightOf(*out));
    common->tentShaders[mode * 2 + (vertical ? 1 : 0)].dispatch((lines + LinesPerGroup - 1) / LinesPerGroup, 1, 1);
    context.setShaderResources(Stage::Compute, 0, 1, nullptr);
    context.setComputeUnorderedAccessViews(0, 1, nullptr);
    return out;
}

Picture BokashiFilter::boxBlur(Picture image, unsigned radius)
{
    if (radius == 0)
        return image;
    const int r = static_cast<int>(std::min<unsigned>(radius, Media::ResourceBuffer::MaxSize));
    const Path path = 4 * r >= ComputeRange ? Path::Compute : Path::Pixel;
    Direct3D->bindConstantBuffer(path == Path::Compute ? Stage::Compute : Stage::Pixel, 0,
                                 common->constants.buffer.buffer.get());
    image = pass(std::move(image), true, r, Grow, path);
    return pass(std::move(image), false, r, Grow, path);
}

Picture BokashiFilter::blurPass(Picture image, Media::PixelShader& shader, int width, int height, int radius)
{
    if (radius == 0)
        return image;
    Picture out = newPicture(width, height);
    common->constants.block = {widthOf(*out), heightOf(*out), radius, 1.0f / static_cast<float>(2 * radius + 1)};
    common->constants.upload();
    shader.drawNoConstant(*out, *image);
    return out;
}

Picture BokashiFilter::blurPassCompute(Picture image, Media::ComputeShader& shader, int width, int height, int radius,
                                       bool vertical)
{
    if (radius == 0)
        return image;
    Picture out = newPicture(width, height);
    common->constants.block = {widthOf(*out), heightOf(*out), radius, 1.0f / static_cast<float>(2 * radius + 1)};
    common->constants.upload();
    Platform::Gpu::View* source = image->getShaderResourceView();
    Platform::Gpu::Context& context = *Direct3D->context;
    context.setShaderResources(Stage::Compute, 0, 1, &source);
    Direct3D->setComputeUnorderedAccessView(0, *out);
    const uint32_t lines = static_cast<uint32_t>(vertical ? widthOf(*out) : heightOf(*out));
    shader.dispatch((lines + LinesPerGroup - 1) / LinesPerGroup, 1, 1);
    context.setShaderResources(Stage::Compute, 0, 1, nullptr);
    context.setComputeUnorderedAccessViews(0, 1, nullptr);
    return out;
}

} // namespace Effect
