#include "effects/objects/audio_output.h"

#include "media/audio_buffer.h"
#include "render/render_audio_object.h"

namespace Effect {

void OutputAudioEffect::mixAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                                 const Media::AudioBlockBuffer& source)
{
    Render::mixAudio(Render::RenderAudioObject::from(object), target, source);
}

AudioOutput::AudioOutput() : EffectBase(Name, EffectType::Output, MediaType::Audio, MediaType::Audio, L"") {}

void AudioOutput::outputAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                              std::unique_ptr<Media::AudioBlockBuffer>& block)
{
    if (!block)
        return;
    Render::RenderAudioObject& audio = Render::RenderAudioObject::from(object);
    const float v = static_cast<float>(volume.getValue(object) * 0.01);
    audio.leftGain *= v;
    audio.rightGain *= v;
    const double p = balance.getValue(object) * 0.01;
    if (p > 0)
        audio.leftGain *= static_cast<float>(1 - p);
    else if (p < 0)
        audio.rightGain *= static_cast<float>(1 + p);
    OutputAudioEffect::mixAudio(object, target, *block);
}

} // namespace Effect
