#pragma once
// The sounding outputs: 音声再生 mixes a sound object's block into the frame's
// block with its volume and left/right balance; 映像再生 (a movie's output,
// see basic_output.h) adds its sound with a volume only. Both mix through
// OutputAudioEffect, which also applies an enclosing group audio control's gains.
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"

namespace Effect {

class OutputAudioEffect {
public:
    // Adds the source into the destination with the render object's channel
    // gains (and its group audio control's): exactly the smaller sample count
    // of the two, additive, without clipping. A mono source feeds both sides; a
    // mono destination takes both.
    static void mixAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                         const Media::AudioBlockBuffer& source);
};

class AudioOutput : public EffectBase {
public:
    static constexpr const wchar_t* Name = L"音声再生";
    AudioOutput();
    std::shared_ptr<EffectBase> create() override { return std::make_shared<AudioOutput>(); }

    // Gains x 音量 / 100, the balance's far side x (1 - |左右| / 100), then the mix.
    void outputAudio(Render::RenderObject& object, Media::AudioBlockBuffer& target,
                     std::unique_ptr<Media::AudioBlockBuffer>& block) override;

    EffectItemNumber volume{items, L"音量", 100, 0, 1000, 0.01};
    EffectItemNumber balance{items, L"左右", 0, -100, 100, 0.01};
};

} // namespace Effect
