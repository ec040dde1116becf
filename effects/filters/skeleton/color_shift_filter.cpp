#include "effects/filters/skeleton/color_shift_filter.h"

#include "media/state_list.h"

#include "effects/filters/skeleton/color_shift.ps.hlsl.h"

#include <cmath>

namespace Effect {

namespace {
std::shared_ptr<EffectItemSelect::SharedList> kindList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"赤緑A", L"赤青A", L"緑青A", L"赤緑B", L"赤青B", L"緑青B"};
        for (int i = 0; i < 6; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}
} // namespace

ColorShiftResource::ColorShiftResource() { FilterPass::load(shader, color_shift_ps_hlsl); }

ColorShiftFilter::ColorShiftFilter() : ShaderFilterEffect(Name, L"光効果"), kind(items, L"色ずれの種類", 0, kindList()) {}

Picture ColorShiftFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const float theta = static_cast<float>(angle.getValue(object) * 3.14159265358979323846 / 180.0);
    const float d = static_cast<float>(width.getValue(object));
    const float sx = -std::sin(theta) * d, sy = std::cos(theta) * d;
    // The 0.001 keeps a shift of exactly n pixels (up to rounding) at n.
    const int mx = static_cast<int>(std::ceil(std::fabs(sx) - 0.001f));
    const int my = static_cast<int>(std::ceil(std::fabs(sy) - 0.001f));
    const int w = widthOf(*picture), h = heightOf(*picture);

    ColorShiftResource::Block& b = common->constants.block;
    b.inverseSize[0] = 1.0f / static_cast<float>(w);
    b.inverseSize[1] = 1.0f / static_cast<float>(h);
    b.offset[0] = static_cast<float>(-mx);
    b.offset[1] = static_cast<float>(-my);
    b.alpha = static_cast<float>(strength.getValue(object) * 0.01);
    const float t[2] = {sx / static_cast<float>(w), sy / static_cast<float>(h)};
    const float zero[2] = {0, 0}, minus[2] = {-t[0], -t[1]};
    const float *r, *g, *bl;
    switch (kind.value) {
    case 0:
    case 3: r = t, g = minus, bl = zero; break;
    case 1:
    case 4: r = t, g = zero, bl = minus; break;
    case 2:
    case 5: r = zero, g = t, bl = minus; break;
    default: return picture; // a kind outside the list: the input unchanged
    }
    b.mode = kind.value / 3;
    std::memcpy(b.offsetR, r, sizeof b.offsetR);
    std::memcpy(b.offsetG, g, sizeof b.offsetG);
    std::memcpy(b.offsetB, bl, sizeof b.offsetB);

    Picture out = newPicture(w + 2 * mx, h + 2 * my);
    common->constants.upload();
    bindSampler(Shader::SamplerStateList::LinearBorder);
    common->shader.draw(*out, *picture, &common->constants.buffer);
    return out;
}

} // namespace Effect
