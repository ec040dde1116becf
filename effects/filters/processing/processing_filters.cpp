#include "effects/filters/processing/processing_filters.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/bokashi_filter.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/processing/deinterlace.ps.hlsl.h"
#include "effects/filters/processing/mosaic.ps.hlsl.h"
#include "effects/filters/processing/noise_reduction.ps.hlsl.h"
#include "effects/filters/processing/sharpen.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;

namespace {
constexpr const wchar_t* Category = L"加工";

std::shared_ptr<EffectItemSelect::SharedList> methodList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        l->insert(0, L"奇数");
        l->insert(1, L"偶数");
        l->insert(2, L"二重化");
        return l;
    }();
    return list;
}

// Binds the list's constant buffer at pixel slot 0 for the class shaders.
void bindListBlock()
{
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                      shaderList().constantBuffer.buffer.get());
}
} // namespace

ProcessingResource::ProcessingResource(const uint32_t* code, size_t bytes) { shader.loadFromMemory(code, bytes); }
SharpenResource::SharpenResource() : ProcessingResource(sharpen_ps_hlsl, sizeof sharpen_ps_hlsl) {}
NoiseReductionResource::NoiseReductionResource()
    : ProcessingResource(noise_reduction_ps_hlsl, sizeof noise_reduction_ps_hlsl)
{
}
DeinterlaceResource::DeinterlaceResource() : ProcessingResource(deinterlace_ps_hlsl, sizeof deinterlace_ps_hlsl) {}
MosaicResource::MosaicResource() : ProcessingResource(mosaic_ps_hlsl, sizeof mosaic_ps_hlsl) {}

// ---- シャープ ----

ShapeFilter::ShapeFilter() : ShaderFilterEffect(Name, Category) {}

Picture ShapeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    BokashiFilter& blurCore = *EffectService::Get()->getDefaultEffect<BokashiFilter>();
    Picture blurred =
        blurCore.blurImage(picture->clone(), roundToInt(range.getValue(object)), 0, BokashiFilter::Clamp);
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    writeListBlock(static_cast<float>(strength.getValue(object) * 0.01));
    bindListBlock();
    common->shader.drawTwoSources(*out, *picture, *blurred);
    return out;
}

// ---- ノイズ除去 ----

NoiseReductionFilter::NoiseReductionFilter() : ShaderFilterEffect(Name, Category) {}

Picture NoiseReductionFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int r = roundToInt(range.getValue(object));
    const float window = static_cast<float>(2 * r + 1);
    struct {
        int32_t range;
        float level;
        float limit;
    } block{r, static_cast<float>(strength.getValue(object) * 0.01) / (window * window),
            static_cast<float>(threshold.getValue(object)) / 512.0f};
    writeListBlock(block);
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.draw(*out, *picture, &shaderList().constantBuffer);
    return out;
}

// ---- インターレース解除 ----

DeinterlaceFilter::DeinterlaceFilter() : ShaderFilterEffect(Name, Category), method(items, L"解除方法", Odd, methodList())
{
}

Picture DeinterlaceFilter::filterVideo(Render::RenderObject&, Picture picture)
{
    writeListBlock(static_cast<int32_t>(method.value));
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.draw(*out, *picture, &shaderList().constantBuffer);
    return out;
}

// ---- モザイク ----

MosaicFilter::MosaicFilter() : ShaderFilterEffect(Name, Category) {}

Picture MosaicFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const int a = roundToInt(size.getValue(object));
    if (a < 2)
        return picture;
    Shader::ShaderList& list = shaderList();
    const uint32_t W = picture->getWidth(), H = picture->getHeight(), step = static_cast<uint32_t>(a);
    // Blocks aligned so that an edge falls on the picture's centre.
    const int ox = static_cast<int>((W % (2 * step)) / 2), oy = static_cast<int>((H % (2 * step)) / 2);
    const int nx = static_cast<int>(W / step), ny = static_cast<int>(H / step);

    const int32_t columns[2] = {a, oy - a};
    writeListBlock(columns);
    Picture t1 = newPicture(static_cast<int>(W), ny + 2);
    list.shrinkVerticalShader.draw(*t1, *picture, &list.constantBuffer);
    const int32_t rows[2] = {a, ox - a};
    writeListBlock(rows);
    Picture t2 = newPicture(nx + 2, ny + 2);
    picture.reset();
    list.shrinkHorizontalShader.draw(*t2, *t1, &list.constantBuffer);
    t1.reset();

    const float expand[3] = {static_cast<float>(a - ox), static_cast<float>(a - oy), static_cast<float>(a)};
    writeListBlock(expand);
    Picture out = newPicture(static_cast<int>(W), static_cast<int>(H));
    common->shader.draw(*out, *t2, &list.constantBuffer);
    return out;
}

} // namespace Effect
