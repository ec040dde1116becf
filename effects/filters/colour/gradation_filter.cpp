#include "effects/filters/colour/gradation_filter.h"

#include "media/state_list.h"
#include "platform/gpu/gpu.h"

#include "effects/filters/colour/gradation.ps.hlsl.h"

#include <cmath>

namespace Effect {

namespace {
std::shared_ptr<EffectItemSelect::SharedList> shapes()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"線形", L"円形", L"矩形", L"凸形"};
        for (int i = 0; i < 4; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}
} // namespace

std::shared_ptr<EffectItemSelect::SharedList> GradationFilter::blendModes()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"通常",     L"加算",     L"減算", L"乗算", L"スクリーン", L"オーバーレイ", L"比較(明)",
                                  L"比較(暗)", L"輝度",     L"色差", L"陰影", L"明暗",       L"差分"};
        for (int i = 0; i < 13; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}

GradationResource::GradationResource() { FilterPass::load(shader, gradation_ps_hlsl); }

GradationFilter::GradationFilter()
    : ShaderFilterEffect(Name, L"色調整"), blendMode(items, L"合成モード", 0, blendModes()),
      shape(items, L"形状", 0, shapes())
{
    EffectItemNumber::makeGroup(center, {&centerX, &centerY});
    pointItems = &center;
}

Picture GradationFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    using namespace FilterPass;
    const float theta = static_cast<float>(angle.getValue(object) * 3.14159265358979323846 / 180);
    GradationResource::Block& b = common->constants.block;
    auto colour = [&](const EffectItemColor& item, float out[4]) {
        if (item.none) {
            out[0] = out[1] = out[2] = out[3] = 0;
            return;
        }
        const ColorF c = item.getColor(object);
        out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = 1;
    };
    colour(startColor, b.col0);
    colour(endColor, b.col1);
    b.offset[0] = -(static_cast<float>(widthOf(*picture)) / 2 + static_cast<float>(centerX.getValue(object)));
    b.offset[1] = -(static_cast<float>(heightOf(*picture)) / 2 + static_cast<float>(centerY.getValue(object)));
    b.direction[0] = std::sin(theta);
    b.direction[1] = -std::cos(theta);
    b.type = shape.value;
    b.range = static_cast<float>(width.getValue(object)) + (shape.value == 0 ? 1.0f : 0.0f);
    common->constants.upload();
    Picture gradient = newPicture(widthOf(*picture), heightOf(*picture));
    common->shader.draw(*gradient, *picture, &common->constants.buffer);

    const float s = static_cast<float>(strength.getValue(object) / 100);
    Shader::ShaderList& list = shaderList();
    Platform::Gpu::BlendState* over = Shader::BlendStateList::published()->get(Shader::BlendStateList::Over);
    if (blendMode.value == 0) {
        writeListBlock(s);
        list.multiplyAlphaShader.draw(*picture, *gradient, &list.constantBuffer, over);
        return picture;
    }
    Picture copy = picture->clone();
    struct {
        int32_t mode;
        float alpha;
    } const block{blendMode.value, s};
    writeListBlock(block);
    Media::Direct3DService::Get()->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, list.constantBuffer.buffer.get());
    list.blendModeShader.drawTwoSources(*picture, *gradient, *copy, over);
    return picture;
}

} // namespace Effect
