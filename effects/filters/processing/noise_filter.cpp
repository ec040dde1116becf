#include "effects/filters/processing/noise_filter.h"

#include "effects/filters/light/list_draw.h"
#include "effects/filters/processing/seed_random.h"
#include "media/resource_service.h"
#include "media/state_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"

#include "effects/filters/processing/noise.ps.hlsl.h"

namespace Effect {

using namespace FilterPass;
using Shader::BlendStateList;

namespace {
std::shared_ptr<EffectItemSelect::SharedList> blendList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        l->insert(0, L"アルファ値と乗算");
        l->insert(1, L"明るさと乗算");
        return l;
    }();
    return list;
}
std::shared_ptr<EffectItemSelect::SharedList> typeList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = [] {
        auto l = EffectItemSelect::SharedList::create();
        const wchar_t* names[] = {L"Type1", L"Type2", L"Type3", L"Type4", L"Type5", L"Type6"};
        for (int i = 0; i < 6; ++i)
            l->insert(i, names[i]);
        return l;
    }();
    return list;
}
} // namespace

NoiseResource::NoiseResource() { load(shader, noise_ps_hlsl); }

NoiseFilter::NoiseFilter()
    : ShaderFilterEffect(Name, L"加工"), blend(items, L"合成モード", Alpha, blendList()),
      type(items, L"ノイズの種類", 0, typeList())
{
}

void NoiseFilter::seedOffset(int seedValue, float& x, float& y)
{
    uint64_t g = SeedRandom::start(seedValue);
    x = 256 * SeedRandom::unit(SeedRandom::next(g));
    y = 256 * SeedRandom::unit(SeedRandom::next(g));
}

Picture NoiseFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const float level = static_cast<float>(strength.getValue(object) * 0.01);
    const float limit = static_cast<float>(threshold.getValue(object) * 0.01);
    if (!(level > 0))
        return picture;
    if (level >= 2 || limit >= 1) {
        // The whole picture is masked.
        if (blend.value == Brightness) {
            ListDraw::fill(*picture, {0, 0, 0, 1}, ListDraw::blend(BlendStateList::MultiplyTargetAlpha));
        } else {
            const float clear[4] = {0, 0, 0, 0};
            picture->clearRenderTargetView(clear);
        }
        return picture;
    }

    double t = 0;
    if (object.scene && object.object && object.scene->videoRate > 0)
        t = (object.time - object.object->start) * object.scene->videoScale / object.scene->videoRate;
    NoiseResource::Block& b = common->constants.block;
    b.step[0] = 0.02734375f;
    b.step[1] = 0.06640625f;
    b.step[2] = 0.12109375f;
    b.type = type.value;
    b.level = level;
    b.limit = limit;
    b.limitRatio = 1 / (1 - limit);
    b.offset[0] = static_cast<float>(speedX.getValue(object) * t * 30);
    b.offset[1] = static_cast<float>(speedY.getValue(object) * t * 30);
    b.accelerate = static_cast<float>(change.getValue(object) * t * 3);
    b.cycle[0] = static_cast<float>(cycleX.getValue(object));
    b.cycle[1] = static_cast<float>(cycleY.getValue(object));
    float sx, sy;
    seedOffset(seed.value, sx, sy);
    b.offset[0] += sx;
    b.offset[1] += sy;
    b.offset[0] -= static_cast<float>(picture->getWidth()) * b.cycle[0] * 0.5f;
    b.offset[1] -= static_cast<float>(picture->getHeight()) * b.cycle[1] * 0.5f;
    common->constants.upload();
    bindSampler(Shader::SamplerStateList::LinearWrap);

    Resource::ResourceService* resources = Resource::ResourceService::Get();
    std::shared_ptr<Media::ResourceBuffer> table =
        type.value == WhiteNoise ? resources->permutationTexture.get() : resources->noiseTexture.get();
    common->shader.draw(*picture, *table, &common->constants.buffer,
                        ListDraw::blend(blend.value == Brightness ? BlendStateList::MultiplyColorKeepAlpha
                                                                  : BlendStateList::MultiplyAlpha));
    return picture;
}

} // namespace Effect
