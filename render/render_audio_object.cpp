#include "render/render_audio_object.h"

#include "effect/effect_base.h"
#include "media/audio_buffer.h"
#include "media/audio_vector.h"
#include "project/model/frame_rate.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/effect_names.h"
#include "render/object_walk.h"

#include <algorithm>
#include <cmath>

namespace Render {

namespace {

using Effect::EffectType;
using Effect::MediaType;

bool emptySamples(const std::unique_ptr<Media::AudioBlockBuffer>& samples)
{
    return !samples || samples->samples == 0;
}

bool audioFilter(const Effect::EffectBase& effect)
{
    return !effect.disable && effect.effectType == EffectType::Filter &&
           (effect.mediaType == MediaType::Audio || effect.mediaType == MediaType::VideoAudio);
}

// The sample at a frame time of the scene.
int64_t sampleAt(const Edit::Scene& scene, double frames)
{
    return Edit::frameToSample(frames, scene.audioRate, scene.videoRate, scene.videoScale);
}

constexpr uint32_t Group = 8;

// Adds gain x source to the first count samples of the target: whole groups
// of eight, then the rest one by one, so nothing past count is touched.
VELMORA_AUDIO_KERNEL void addScaled(float* __restrict target, const float* __restrict source, float gain,
                                    uint32_t count)
{
    const uint32_t whole = count / Group * Group;
    for (uint32_t i = 0; i < whole; ++i)
        target[i] += gain * source[i];
    for (uint32_t i = whole; i < count; ++i)
        target[i] += gain * source[i];
}

} // namespace

void RenderAudioObject::updateSampleRange()
{
    if (!scene)
        return;
    audioRate = scene->audioRate;
    firstSample = sampleAt(*scene, time);
    sampleCount = static_cast<int>(sampleAt(*scene, frame + 1) - firstSample);
}

void RenderAudioObject::updateSampleOffset()
{
    sampleOffset = firstSample - (object && scene ? sampleAt(*scene, object->start) : 0);
}

void RenderAudioObject::collectGroupControls()
{
    if (!groupAudioControl)
        return;
    if (!objectList)
        objectList = std::make_shared<ObjectList>();
    for (const ControlView* group = groupAudioControl.get(); group; group = group->parent.get())
        if (group->object && group->object->effects.size() >= 2)
            objectList->push_back(group->object);
}

void RenderAudioObject::prepareEffects()
{
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects)
            if (!effect->disable && (effect->effectType == EffectType::Input || effect->effectType == EffectType::Filter))
                effect->preInputAudio(*this);
        return true;
    });
}

std::unique_ptr<Media::AudioBlockBuffer> RenderAudioObject::applyFilterEffects(
    std::unique_ptr<Media::AudioBlockBuffer> samples)
{
    walkObjectList([&](Edit::Object& entry) {
        for (const auto& effect : entry.effects) {
            if (!audioFilter(*effect))
                continue;
            samples = effect->filterAudio(*this, std::move(samples));
            if (emptySamples(samples))
                return false;
        }
        return true;
    });
    return samples;
}

void RenderAudioObject::outputAudio(std::unique_ptr<Media::AudioBlockBuffer>& samples)
{
    if (emptySamples(samples) || !block || !objectList || objectList->empty())
        return;
    // A filter may have written past the last sample: the mix adds whole groups.
    const uint32_t n = samples->samples;
    const uint32_t padded = (n + Group - 1) / Group * Group;
    std::fill(samples->getChannel(1) + n, samples->getChannel(1) + padded, 0.0f);
    if (samples->channels == 2)
        std::fill(samples->getChannel(0) + n, samples->getChannel(0) + padded, 0.0f);
    setObject(objectList->front());
    if (object->effects.size() >= 2)
        object->effects[1]->outputAudio(*this, *block, samples);
}

void RenderAudioObject::renderObject()
{
    if (!object || object->effects.empty())
        return;
    std::unique_ptr<Media::AudioBlockBuffer> samples = object->effects.front()->inputAudio(*this);
    if (emptySamples(samples))
        return;
    samples = applyFilterEffects(std::move(samples));
    outputAudio(samples);
}

void getGroupAudioFactors(const RenderAudioObject& object, float& left, float& right)
{
    left = right = 1.0f;
    if (const ControlView* group = object.groupAudioControl.get()) {
        left = group->leftFactor;
        right = group->rightFactor;
    }
}

void mixAudio(const RenderAudioObject& object, Media::AudioBlockBuffer& block, const Media::AudioBlockBuffer& samples)
{
    const uint32_t n = std::min(block.samples, samples.samples);
    if (n == 0)
        return;
    float groupLeft, groupRight;
    getGroupAudioFactors(object, groupLeft, groupRight);
    // Channel 0 is the left (second) array, 1 the right (first); mono answers its one array.
    addScaled(block.getChannel(0), samples.getChannel(0), object.leftGain * groupLeft, n);
    addScaled(block.getChannel(1), samples.getChannel(1), object.rightGain * groupRight, n);
}

} // namespace Render
