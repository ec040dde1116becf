#include "effects/filters/deform/displacement_filter.h"

#include "effects/filters/clip/mask_filter.h"
#include "media/direct3d_service.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/edit/update_section.h"

#include "effects/filters/deform/displacement_move.ps.hlsl.h"
#include "effects/filters/deform/displacement_rotate.ps.hlsl.h"

#include <cmath>

namespace Effect {

namespace {

constexpr double Pi = 3.14159265358979323846;

std::shared_ptr<EffectItemSelect::SharedList> methods()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        l->insert(DisplacementFilter::Move, L"移動変形");
        l->insert(DisplacementFilter::Scale, L"拡大変形");
        l->insert(DisplacementFilter::Rotate, L"回転変形");
        return l;
    }();
    return list;
}

// One axis of the scale amount: g > 0 samples at 1 / (g + 1) of the distance
// for a map value of 0.5, g <= 0 at 1 - g times it.
float scaleAmount(double g) { return static_cast<float>(g > 0 ? 2 / (g + 1) - 2 : -2 * g); }

} // namespace

DisplacementResource::DisplacementResource()
{
    FilterPass::load(shaders[0], displacement_move_ps_hlsl);
    FilterPass::load(shaders[1], displacement_rotate_ps_hlsl);
}

DisplacementFilter::DisplacementFilter()
    : ShaderFilterEffect(Name, L"変形"), method(items, L"変形方法", Move, methods()),
      source(items, L"マップの種類", 1, &fitScene)
{
    method.notify = true;
    EffectItemNumber::makeGroup(point, {&x, &y});
    pointItems = &point;
    DisplacementFilter::updateItemState();
}

void DisplacementFilter::preInputVideo(Render::RenderObject& object) { source.preLoad(object); }

Picture DisplacementFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const int type = method.value;
    const int s = roundToInt(size.getValue(object));
    if (s <= 0)
        return picture;
    const float d = static_cast<float>(aspect.getValue(object) * 0.01);
    if (!fit.value && (d <= -1 || d >= 1))
        return picture;
    const int w = widthOf(*picture), h = heightOf(*picture);
    MaskPlacement map;
    if (!map.place(object, source, s, d, roundToInt(blur.getValue(object)), fit.value, w, h))
        return picture;

    DisplacementResource::Block& b = common->constants.block;
    switch (type) {
    case Move:
        b.len[0] = static_cast<float>(moveX.getValue(object) * 2);
        b.len[1] = static_cast<float>(moveY.getValue(object) * 2);
        break;
    case Scale: {
        const double S = scale.getValue(object) / 100, V = scaleAspect.getValue(object) / 100;
        const double gx = V > 0 ? S * (1 - V) : S, gy = V < 0 ? S * (1 + V) : S;
        b.len[0] = scaleAmount(gx);
        b.len[1] = scaleAmount(gy);
        break;
    }
    case Rotate:
        b.len[0] = static_cast<float>(turn.getValue(object) / 100 * (-4 * Pi));
        b.len[1] = 0;
        break;
    default: return nullptr;
    }
    const double r = rotation.getValue(object) * Pi / 180;
    b.type = type;
    b.offset[0] = -static_cast<float>(w) / 2 - static_cast<float>(x.getValue(object));
    b.offset[1] = -static_cast<float>(h) / 2 - static_cast<float>(y.getValue(object));
    b.inverseMaskSize[0] = 1 / map.width;
    b.inverseMaskSize[1] = 1 / map.height;
    b.angleS = static_cast<float>(std::sin(r));
    b.angleC = static_cast<float>(std::cos(r));
    common->constants.upload();

    Picture out = newPicture(w, h);
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0,
                                                       common->constants.buffer.buffer.get());
    bindSampler(Shader::SamplerStateList::LinearBorder);
    common->shaders[type == Rotate ? 1 : 0].drawTwoSources(*out, *picture, *map.mask);
    return out;
}

bool DisplacementFilter::itemEvent(ItemEvent& event)
{
    if (event.code == ItemEvent::ItemChanged && event.update) {
        event.update->updateSettingList = true;
        event.update->updateTimeSetting = true;
        event.update->updateColorSetting = true;
        event.update->updateTextSetting = true;
    }
    return false;
}

void DisplacementFilter::updateItemState()
{
    for (EffectItemNumber* item : {&moveX, &moveY, &scale, &scaleAspect, &turn})
        item->visible = false;
    switch (method.value) {
    case Move: moveX.visible = moveY.visible = true; break;
    case Scale: scale.visible = scaleAspect.visible = true; break;
    case Rotate: turn.visible = true; break;
    default: break;
    }
}

} // namespace Effect
