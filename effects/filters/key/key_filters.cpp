#include "effects/filters/key/key_filters.h"

#include "effects/filters/key/chroma_key_filter.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/edit/update_section.h"

#include "effects/filters/key/color_key_boundary.ps.hlsl.h"
#include "effects/filters/key/color_key_mask.ps.hlsl.h"
#include "effects/filters/key/edge_alpha.ps.hlsl.h"
#include "effects/filters/key/edge_color.ps.hlsl.h"
#include "effects/filters/key/edge_luminance.ps.hlsl.h"
#include "effects/filters/key/luminance_key.ps.hlsl.h"

namespace Effect {

// ---- カラーキー ----

ColorKeyResource::ColorKeyResource()
{
    FilterPass::load(maskShader, color_key_mask_ps_hlsl);
    FilterPass::load(boundaryShader, color_key_boundary_ps_hlsl);
}

ColorKeyFilter::ColorKeyFilter() : ShaderFilterEffect(Name, L"抽出") {}

Picture ColorKeyFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    if (keyColor.none)
        return picture;
    const int b = roundToInt(boundary.getValue(object));
    const float r = keyColor.r / 255.0f, g = keyColor.g / 255.0f, bl = keyColor.b / 255.0f;
    ColorKeyResource::Block& k = common->constants.block;
    k.key[0] = 0.299f * r + 0.587f * g + 0.114f * bl;
    k.key[1] = -0.169f * r - 0.331f * g + 0.5f * bl;
    k.key[2] = 0.5f * r - 0.419f * g - 0.081f * bl;
    k.len[0] = static_cast<float>(luminanceRange.getValue(object) / 4096);
    k.len[1] = k.len[2] = static_cast<float>(differenceRange.getValue(object) / 4096);
    k.range = b;
    k.divie = boundaryDivide(b);
    common->constants.upload();
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    d3d->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, common->constants.buffer.buffer.get());
    Picture mask = Media::ResourceBuffer::create(widthOf(*picture), heightOf(*picture), d3d->MaskFormat);
    common->maskShader.drawNoConstant(*mask, *picture);
    Platform::Gpu::BlendState* multiply = Shader::BlendStateList::published()->get(Shader::BlendStateList::MultiplyAlpha);
    if (b < 1)
        shaderList().copyShader.drawNoConstant(*picture, *mask, multiply);
    else
        common->boundaryShader.drawNoConstant(*picture, *mask, multiply);
    return picture;
}

// ---- ルミナンスキー ----

namespace {
std::shared_ptr<EffectItemSelect::SharedList> luminanceModes()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"暗い部分を透過",           L"明るい部分を透過", L"明暗部分を透過",
                                  L"明暗部分を透過(補間無し)", L"基準部分を透過",   L"基準部分を透過(補間無し)"};
        for (int i = 0; i < 6; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}
} // namespace

LuminanceKeyResource::LuminanceKeyResource() { FilterPass::load(shader, luminance_key_ps_hlsl); }

LuminanceKeyFilter::LuminanceKeyFilter() : ShaderFilterEffect(Name, L"抽出"), mode(items, L"モード", 0, luminanceModes()) {}

Picture LuminanceKeyFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    struct {
        int32_t type;
        float offset, range;
    } const block{mode.value, static_cast<float>(reference.getValue(object) / 4096),
                  static_cast<float>(range.getValue(object) / 4096)};
    writeListBlock(block);
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.draw(*out, *picture, &shaderList().constantBuffer);
    return out;
}

// ---- エッジ抽出 ----

EdgeResource::EdgeResource()
{
    FilterPass::load(shaders[0], edge_color_ps_hlsl);
    FilterPass::load(shaders[1], edge_luminance_ps_hlsl);
    FilterPass::load(shaders[2], edge_alpha_ps_hlsl);
}

EdgeFilter::EdgeFilter() : ShaderFilterEffect(Name, L"抽出")
{
    luminanceEdge.notify = true;
    alphaEdge.notify = true;
}

Picture EdgeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int shader = luminanceEdge.value ? 1 : alphaEdge.value ? 2 : 0;
    const ColorF c = color.getColor(object);
    EdgeResource::Block& k = common->constants.block;
    k.color[0] = c.r;
    k.color[1] = c.g;
    k.color[2] = c.b;
    k.color[3] = 1;
    k.limit = static_cast<float>(threshold.getValue(object) * 0.01);
    k.ratio = static_cast<float>(strength.getValue(object) * 0.01);
    common->constants.upload();
    Picture out = newPicture(widthOf(*picture), heightOf(*picture));
    common->shaders[shader].draw(*out, *picture, &common->constants.buffer);
    return out;
}

bool EdgeFilter::itemEvent(ItemEvent& event)
{
    if (event.code != ItemEvent::ItemChanged)
        return false;
    if (!(luminanceEdge.value && alphaEdge.value))
        return true;
    if (event.payload == static_cast<const EffectItem*>(&luminanceEdge))
        alphaEdge.value = false;
    else if (event.payload == static_cast<const EffectItem*>(&alphaEdge))
        luminanceEdge.value = false;
    else
        return true;
    if (event.update) {
        event.update->updateSettingValue = true;
        event.update->updateColorSetting = true;
    }
    return true;
}

} // namespace Effect
