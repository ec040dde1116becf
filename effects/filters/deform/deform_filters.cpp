#include "effects/filters/deform/deform_filters.h"

#include "media/resource_service.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"

#include "effects/filters/deform/polar.ps.hlsl.h"
#include "effects/filters/deform/raster_horizontal.ps.hlsl.h"
#include "effects/filters/deform/raster_horizontal_random.ps.hlsl.h"
#include "effects/filters/deform/raster_vertical.ps.hlsl.h"
#include "effects/filters/deform/raster_vertical_random.ps.hlsl.h"
#include "effects/filters/deform/ripple.ps.hlsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

namespace {
constexpr double Pi = 3.14159265358979323846;
}

double elapsedSeconds(const Render::RenderObject& object)
{
    const int start = object.object ? object.object->start : 0;
    const double rate = object.scene ? object.scene->videoRate : 30;
    const double scale = object.scene ? object.scene->videoScale : 1;
    return (object.time - start) * scale / rate;
}

// ---- 波紋 ----

RippleResource::RippleResource() { FilterPass::load(shader, ripple_ps_hlsl); }

RippleFilter::RippleFilter() : ShaderFilterEffect(Name, L"変形")
{
    EffectItemNumber::makeGroup(center, {&centerX, &centerY});
    pointItems = &center;
}

Picture RippleFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int w = widthOf(*picture), h = heightOf(*picture);
    Picture out = newPicture(w, h);
    RippleResource::Block& b = common->constants.block;
    b.center[0] = static_cast<float>(w) / 2 + static_cast<float>(centerX.getValue(object));
    b.center[1] = static_cast<float>(h) / 2 + static_cast<float>(centerY.getValue(object));
    b.multiply[0] = static_cast<float>(1 / (2 * width.getValue(object)));
    b.multiply[1] = static_cast<float>(height.getValue(object) / 2);
    b.offset = static_cast<float>(elapsedSeconds(object) * speed.getValue(object));
    b.interval = interval.value + 1;
    b.rippleNum = b.interval * count.value;
    b.amplifier = b.interval * amplify.value;
    common->constants.upload();
    bindSampler(Shader::SamplerStateList::LinearBorder);
    common->shader.draw(*out, *picture, &common->constants.buffer);
    return out;
}

// ---- ラスター ----

RasterResource::RasterResource()
{
    FilterPass::load(shaders[0], raster_horizontal_ps_hlsl);
    FilterPass::load(shaders[1], raster_vertical_ps_hlsl);
    FilterPass::load(shaders[2], raster_horizontal_random_ps_hlsl);
    FilterPass::load(shaders[3], raster_vertical_random_ps_hlsl);
}

RasterFilter::RasterFilter() : ShaderFilterEffect(Name, L"変形") {}

Picture RasterFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int a = roundToInt(amplitude.getValue(object)), lambda = roundToInt(wavelength.getValue(object));
    if (a == 0 || lambda == 0)
        return picture;
    const int w = widthOf(*picture), h = heightOf(*picture);
    const bool columns = vertical.value;
    Picture out = columns ? newPicture(w, h + 2 * a) : newPicture(w + 2 * a, h);
    RasterResource::Block& b = common->constants.block;
    b.type = random.value ? 1 : 0;
    b.length = static_cast<float>(a);
    b.PI2divideRange = static_cast<float>(2 * Pi / lambda);
    b.divideRange = 1.0f / static_cast<float>(lambda);
    const double phase = elapsedSeconds(object) * period.getValue(object) * lambda;
    const int t = columns ? w : h;
    b.cycle = static_cast<float>(lambda * (t / lambda + 1) - t / 2.0 + phase);
    common->constants.upload();
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                       common->constants.buffer.buffer.get());
    Media::PixelShader& shader = common->shaders[(columns ? 1 : 0) + (random.value ? 2 : 0)];
    if (!random.value) {
        shader.drawNoConstant(*out, *picture);
        return out;
    }
    const std::shared_ptr<Media::ResourceBuffer> noise = Resource::ResourceService::Get()->noiseTexture.get();
    shader.drawTwoSources(*out, *picture, *noise);
    return out;
}

// ---- 極座標変換 ----

PolarResource::PolarResource() { FilterPass::load(shader, polar_ps_hlsl); }

PolarFilter::PolarFilter() : ShaderFilterEffect(Name, L"変形") {}

Picture PolarFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int w = widthOf(*picture), h = heightOf(*picture);
    const float e = static_cast<float>(centerWidth.getValue(object));
    const float R = static_cast<float>(zoom.getValue(object) / 100 * (w + h) / Pi) + e;
    double rot = rotation.getValue(object);
    while (rot < 0)
        rot += 360;
    PolarResource::Block& b = common->constants.block;
    b.rsize = R;
    b.offset = e;
    b.pix = static_cast<float>(rot * 2 * Pi / 360 + 3.5 * Pi);
    b.pia = static_cast<float>(spiral.getValue(object) * 2 * Pi / (R - e));
    b.pio = std::min(std::fabs(b.pia * static_cast<float>(w) * 2 * std::sqrt(2.0f) / static_cast<float>(2 * Pi)),
                     static_cast<float>(w));
    b.kx = static_cast<float>(w / (2 * Pi));
    b.ky = (static_cast<float>(h) + e) / R;
    common->constants.upload();
    object.drawState.cx = 0;
    object.drawState.cy = 0;
    const int side = static_cast<int>(std::ceil(2 * R));
    Picture out = newPicture(side, side);
    bindSampler(Shader::SamplerStateList::LinearMirrorUBorderVW);
    common->shader.draw(*out, *picture, &common->constants.buffer);
    return out;
}

// ---- リサイズ ----

ResizeFilter::ResizeFilter() : FilterEffect(Name, L"変形") {}

Picture ResizeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int w = widthOf(*picture), h = heightOf(*picture);
    const double s = zoom.getValue(object) / 100;
    double bx, by;
    if (pixels.value) {
        bx = static_cast<double>(roundToInt(x.getValue(object))) / w;
        by = static_cast<double>(roundToInt(y.getValue(object))) / h;
    } else {
        bx = x.getValue(object) / 100;
        by = y.getValue(object) / 100;
    }
    const float sx = static_cast<float>(s * bx), sy = static_cast<float>(s * by);
    if (sx == 1 && sy == 1)
        return picture;
    if (sx <= 0 || sy <= 0)
        return nullptr;
    const float fw = std::round(static_cast<float>(w) * sx), fh = std::round(static_cast<float>(h) * sy);
    if (fw < 1 || fh < 1)
        return nullptr;
    Picture out = newPicture(static_cast<int>(std::min(fw, 16384.0f)), static_cast<int>(std::min(fh, 16384.0f)));
    Shader::ShaderList& list = shaderList();
    if (nearest.value) {
        bindSampler(Shader::SamplerStateList::PointClamp);
        list.sampleShader.drawNoConstant(*out, *picture);
        return out;
    }
    bindSampler(Shader::SamplerStateList::LinearClamp);
    const float inverseRatio[2] = {1 / sx, 1 / sy};
    writeListBlock(inverseRatio);
    list.resampleShader.draw(*out, *picture, &list.constantBuffer);
    return out;
}

} // namespace Effect
