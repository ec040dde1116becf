#include "effects/filters/light/flash_filter.h"

#include "effect/effect_service.h"
#include "effects/filters/blur/blur_filter.h"
#include "effects/filters/light/list_draw.h"
#include "media/state_list.h"
#include "render/render_object.h"

namespace Effect {

using namespace FilterPass;
using Shader::BlendStateList;

namespace {
std::shared_ptr<EffectItemSelect::SharedList> modeList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        l->insert(0, L"前方に合成");
        l->insert(1, L"後方に合成");
        l->insert(2, L"光成分のみ");
        return l;
    }();
    return list;
}
} // namespace

FlashFilter::FlashFilter() : FilterEffect(Name, L"光効果"), mode(items, L"合成モード", Front, modeList()) {}

Picture FlashFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    BlurFilter& radial = *EffectService::Get()->getDefaultEffect<BlurFilter>();
    const int W = widthOf(*picture), H = heightOf(*picture);
    float cx = 0, cy = 0;
    Picture light = radial.radialBlur(*picture, cx, cy, Zoom, static_cast<float>(x.getValue(object)),
                                      static_cast<float>(y.getValue(object)), fixedSize.value);
    object.drawState.cx += cx;
    object.drawState.cy += cy;
    // The picture's place in the light: the blur's left and top growth.
    const int ox = roundToInt((static_cast<float>(W - widthOf(*light))) * 0.5f - cx);
    const int oy = roundToInt((static_cast<float>(H - heightOf(*light))) * 0.5f - cy);

    if (!colour.none)
        ListDraw::fill(*light, colour.getColor(object), ListDraw::blend(BlendStateList::MultiplyTargetAlpha));
    const float h = static_cast<float>(strength.getValue(object) * 0.01);
    if (h < 1)
        ListDraw::fill(*light, {0, 0, 0, h}, ListDraw::blend(BlendStateList::MultiplyAlpha));
    if (mode.value == Front)
        ListDraw::copyOffset(*light, *picture, ox, oy, ListDraw::blend(BlendStateList::AddColorBehind));
    else if (mode.value == Back)
        ListDraw::copyOffset(*light, *picture, ox, oy, ListDraw::blend(BlendStateList::Over));
    return light;
}

} // namespace Effect
