#include "effects/filters/audio/audio_filters.h"

#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_audio_object.h"

#include <algorithm>

namespace Effect {

namespace {

constexpr const wchar_t* Category = L"音声効果";

float single(double v) { return static_cast<float>(v); }
uint32_t wholeGroups(uint32_t samples) { return (samples + 7u) & ~7u; }
float* samplesOf(System::AlignedBuffer& array) { return static_cast<float*>(array.data); }
bool stereo(const Media::AudioBlockBuffer& block) { return block.channels >= 2 && block.second.data; }

} // namespace

namespace AudioLoops {

void ramp(Media::AudioBlockBuffer& block, float g0, float step)
{
    const uint32_t n = wholeGroups(block.samples);
    float* arrays[2] = {samplesOf(block.first), stereo(block) ? samplesOf(block.second) : nullptr};
    for (float* p : arrays) {
        if (!p)
            continue;
        for (uint32_t i = 0; i < n; i += 8)
            for (uint32_t k = 0; k < 8; ++k)
                p[i + k] *= g0 + static_cast<float>(i + k) * step;
    }
}

void mix(Media::AudioBlockBuffer& block, float wRight, float wLeft)
{
    const uint32_t n = wholeGroups(block.samples);
    float* right = samplesOf(block.first);
    if (!right)
        return;
    if (!stereo(block)) {
        const float w = wRight + wLeft;
        for (uint32_t i = 0; i < n; i += 8)
            for (uint32_t k = 0; k < 8; ++k)
                right[i + k] *= w;
        return;
    }
    float* left = samplesOf(block.second);
    for (uint32_t i = 0; i < n; i += 8)
        for (uint32_t k = 0; k < 8; ++k) {
            const float m = wRight * right[i + k] + wLeft * left[i + k];
            right[i + k] = m;
            left[i + k] = m;
        }
}

} // namespace AudioLoops

AudioVolume::AudioVolume() : FilterEffect(Name, Category, MediaType::Audio) {}

AudioBlock AudioVolume::filterAudio(Render::RenderObject& object, AudioBlock block)
{
    Render::RenderAudioObject& audio = Render::RenderAudioObject::from(object);
    const float v = single(volume.getValue(object) * 0.01);
    audio.leftGain *= v;
    audio.rightGain *= v;
    const float p = single(balance.getValue(object) * 0.01);
    if (p > 0)
        audio.leftGain *= 1.0f - p;
    else if (p < 0)
        audio.rightGain *= 1.0f + p;
    return block;
}

AudioFadeFilter::AudioFadeFilter() : FilterEffect(Name, Category, MediaType::Audio) {}

AudioBlock AudioFadeFilter::filterAudio(Render::RenderObject& object, AudioBlock block)
{
    if (!block || block->samples == 0 || !object.scene || !object.object || object.scene->videoRate <= 0)
        return block;
    const double in = single(fadeIn.getValue(object));
    const double out = single(fadeOut.getValue(object));
    const double d = static_cast<double>(object.scene->videoScale) / object.scene->videoRate;
    const double s = object.object->start, e = object.object->end;
    const double t = (object.time - s) * d;
    const double r = (e - s) * d - t;
    auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };

    double g0 = 1, g1 = 1;
    if (in > 0 && in > t) {
        g0 = unit(t / in);
        g1 = unit((t + d) / in);
    }
    if (out > 0 && out > r) {
        g0 = std::min(g0, unit(r / out));
        g1 = std::min(g1, unit((r - d) / out));
    }
    if (g0 == 1 && g1 == 1)
        return block;
    const float first = single(g0);
    AudioLoops::ramp(*block, first, (single(g1) - first) / static_cast<float>(block->samples));
    return block;
}

AudioMonoFilter::AudioMonoFilter() : FilterEffect(Name, Category, MediaType::Audio) {}

AudioBlock AudioMonoFilter::filterAudio(Render::RenderObject& object, AudioBlock block)
{
    if (!block || block->samples == 0)
        return block;
    const float q = single(ratio.getValue(object) * 0.01);
    const float wRight = q < 0 ? 1.0f + q : 1.0f;
    const float wLeft = q > 0 ? 1.0f - q : 1.0f;
    AudioLoops::mix(*block, wRight, wLeft);
    return block;
}

} // namespace Effect
