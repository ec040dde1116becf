#include "effects/filters/placement/transition_filters.h"

#include "effect/resource_lists.h"
#include "effects/filters/light/list_draw.h"
#include "effects/filters/processing/seed_random.h"
#include "media/state_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"

#include <algorithm>
#include <cmath>

namespace Effect {

using namespace FilterPass;

namespace {
constexpr const wchar_t* Category = L"切り替え効果";
double single(double v) { return static_cast<float>(v); }
} // namespace

FadePhase fadePhase(const Render::RenderObject& object, double in, double out)
{
    FadePhase phase;
    if (!object.scene || !object.object || object.scene->videoRate <= 0)
        return phase;
    in = single(in);
    out = single(out);
    const double d = static_cast<double>(object.scene->videoScale) / object.scene->videoRate;
    const double s = object.object->start, e = object.object->end, f = object.time;
    const double t = (f - s - object.frameOffset) * d;
    const double r = (e - s) * d - (f - s) * d;
    double p = 1;
    if (in > 0 && in > t) {
        p = std::clamp(t / in, 0.0, 1.0);
        phase.clause = FadePhase::In;
    }
    if (out > 0 && r < out) {
        p = std::min(p, std::clamp(r / out, 0.0, 1.0));
        phase.clause = FadePhase::Out;
    }
    phase.progress = static_cast<float>(p);
    return phase;
}

// ---- フェード ----

FadeFilter::FadeFilter() : FilterEffect(Name, Category) {}

Picture FadeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    object.drawState.alpha *= fadePhase(object, fadeIn.getValue(object), fadeOut.getValue(object)).progress;
    return picture;
}

// ---- ワイプ ----

WipeFilter::WipeFilter() : FilterEffect(Name, Category), kind(items, L"ワイプの種類", 0, getTransitionList()) {}

Picture WipeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const FadePhase phase = fadePhase(object, fadeIn.getValue(object), fadeOut.getValue(object));
    if (phase.progress == 1 || !transitionList || kind.value < 0 ||
        static_cast<size_t>(kind.value) >= transitionList->transitions.size())
        return picture;
    const bool invert = phase.clause == FadePhase::In ? invertIn.value : invertOut.value;
    const float q = invert ? 1 - phase.progress : phase.progress;
    Picture mask = transitionList->transitions[static_cast<size_t>(kind.value)].createMask(
        picture->getWidth(), picture->getHeight(), q, roundToInt(blur.getValue(object)), keepAspect.value);
    if (!mask || mask->empty())
        return picture;
    shaderList().copyShader.drawNoConstant(
        *picture, *mask,
        ListDraw::blend(invert ? Shader::BlendStateList::MultiplyInverseAlpha : Shader::BlendStateList::MultiplyAlpha));
    return picture;
}

// ---- 振動 ----

QuakeFilter::QuakeFilter() : FilterEffect(Name, L"アニメーション効果") {}

QuakeFilter::Offset QuakeFilter::term(const Render::RenderObject& object, int m, int32_t salt, float X, float Y,
                                      float Z) const
{
    const int start = object.object ? object.object->start : 0, end = object.object ? object.object->end : 0;
    const double u = (object.time - start) / m;
    const double k = std::floor(u);
    const int64_t K = static_cast<int64_t>(k);
    float phi = static_cast<float>(u - k) * 3.14159265f;
    if (K % 2 != 0)
        phi += 3.14159265f;
    // At a period of one frame every sine would fall on a whole multiple of π
    // and the object would stand still: the cosine shakes it.
    const float w = m == 1 ? std::cos(phi) : std::sin(phi);
    if (!randomStrength.value)
        return {X * w, Y * w, Z * w};

    uint32_t h = static_cast<uint32_t>(end) << 4;
    h = (h ^ static_cast<uint32_t>(object.index)) << 4;
    h = (h ^ static_cast<uint32_t>(start)) << 8;
    h = (h ^ static_cast<uint32_t>(salt)) ^ static_cast<uint32_t>(object.layer);
    uint64_t g = SeedRandom::start(static_cast<int32_t>(h), K);
    const float u1 = SeedRandom::unit(SeedRandom::next(g));
    const float u2 = SeedRandom::unit(SeedRandom::next(g));
    const float u3 = SeedRandom::unit(SeedRandom::next(g));
    return {u1 * X * w, u2 * Y * w, u3 * Z * w};
}

QuakeFilter::Offset QuakeFilter::displacement(const Render::RenderObject& object) const
{
    const int n = roundToInt(period.getValue(object));
    const float X = static_cast<float>(x.getValue(object)), Y = static_cast<float>(y.getValue(object)),
                Z = static_cast<float>(z.getValue(object));
    Offset d;
    if (n < 1)
        return d;
    if (!complex.value)
        return term(object, n, 0, X, Y, Z);
    float weight = 1;
    int i = 0;
    for (int m = n; m >= 1; m /= 2, ++i, weight *= 0.5f) {
        const Offset t = term(object, m, Salt * i, X, Y, Z);
        d.x += t.x * weight;
        d.y += t.y * weight;
        d.z += t.z * weight;
    }
    return d;
}

Picture QuakeFilter::filterVideo(Render::RenderObject& object, Picture picture)
{
    const Offset d = displacement(object);
    object.drawState.x += d.x;
    object.drawState.y += d.y;
    object.drawState.z += d.z;
    return picture;
}

} // namespace Effect
