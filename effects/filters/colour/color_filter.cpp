#include "effects/filters/colour/color_filter.h"

#include "platform/gpu/gpu.h"

#include "effects/filters/colour/color_adjust.ps.hlsl.h"
#include "effects/filters/colour/monochrome.ps.hlsl.h"

namespace Effect {

ColorAdjustResource::ColorAdjustResource() { FilterPass::load(shader, color_adjust_ps_hlsl); }

ColorFilter::ColorFilter() : ShaderFilterEffect(Name, L"色調整") {}

Picture ColorFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    ColorAdjustResource::Block& b = common->constants.block;
    b.contrast = static_cast<float>(contrast.getValue(object) / 100);
    b.brightness = (static_cast<float>(brightness.getValue(object) / 100) - 1.5f) * b.contrast + 0.5f;
    b.hue = static_cast<float>(hue.getValue(object) * 3.14159265358979323846 / 180);
    b.luminance = static_cast<float>(luminance.getValue(object) / 100);
    b.chroma = static_cast<float>(saturation.getValue(object) / 100);
    b.processSaturate = saturate.value ? 1 : 0;
    b.processYUV = b.hue != 0 || b.luminance != 1 || b.chroma != 1 ? 1 : 0;
    common->constants.upload();
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                       common->constants.buffer.buffer.get());
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.drawNoConstant(*out, *picture);
    return out;
}

MonochromeResource::MonochromeResource() { FilterPass::load(shader, monochrome_ps_hlsl); }

MonochromeFilter::MonochromeFilter() : ShaderFilterEffect(Name, L"色調整") {}

Picture MonochromeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const float d = static_cast<float>(strength.getValue(object) / 100);
    const ColorF c = color.getColor(object);
    MonochromeResource::Block& b = common->constants.block;
    b.level[0] = keepLuminance.value ? 0 : d;
    b.level[1] = b.level[2] = d;
    b.yuv[0] = 0.299f * c.r + 0.587f * c.g + 0.114f * c.b;
    b.yuv[1] = -0.169f * c.r - 0.331f * c.g + 0.5f * c.b;
    b.yuv[2] = 0.5f * c.r - 0.419f * c.g - 0.081f * c.b;
    common->constants.upload();
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.draw(*out, *picture, &common->constants.buffer);
    return out;
}

} // namespace Effect
