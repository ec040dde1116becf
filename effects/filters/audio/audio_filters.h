#pragma once
// 音声効果: the object's sound between its input and its output. 音量調整
// changes the gains the output mixes with, 音量フェード ramps the samples at
// the object's start and end, モノラル化 mixes both channels into each.
#include "effect/effect_item_number.h"
#include "effects/filters/skeleton/filter_effect.h"
#include "media/audio_buffer.h"

#include <memory>

namespace Effect {

using AudioBlock = std::unique_ptr<Media::AudioBlockBuffer>;

// 音量調整: multiplies both gains by 音量 %, then weakens one side by 左右 %.
class AudioVolume : public FilterEffect<AudioVolume> {
public:
    static constexpr const wchar_t* Name = L"音量調整";
    AudioVolume();
    AudioBlock filterAudio(Render::RenderObject& object, AudioBlock block) override;

    EffectItemNumber volume{items, L"音量", 100, 0, 1000, 0.01};
    EffectItemNumber balance{items, L"左右", 0, -100, 100, 0.01};
};

// 音量フェード: a gain rising over イン seconds from the object's start and
// falling over アウト seconds to its end; where both act the smaller wins.
class AudioFadeFilter : public FilterEffect<AudioFadeFilter> {
public:
    static constexpr const wchar_t* Name = L"音量フェード";
    AudioFadeFilter();
    AudioBlock filterAudio(Render::RenderObject& object, AudioBlock block) override;

    EffectItemNumber fadeIn{items, L"イン", 0.5, 0, 10, 0.01};
    EffectItemNumber fadeOut{items, L"アウト", 0.5, 0, 10, 0.01};
};

// モノラル化: both channels become wR x right + wL x left; 比率 below 0
// weakens the right channel, above 0 the left one.
class AudioMonoFilter : public FilterEffect<AudioMonoFilter> {
public:
    static constexpr const wchar_t* Name = L"モノラル化";
    AudioMonoFilter();
    AudioBlock filterAudio(Render::RenderObject& object, AudioBlock block) override;

    EffectItemNumber ratio{items, L"比率", 0, -100, 100, 0.01};
};

// The sample loops, on whole groups of eight (the arrays have that room).
namespace AudioLoops {
// Sample i of each array is multiplied by g0 + i x step.
void ramp(Media::AudioBlockBuffer& block, float g0, float step);
// Both arrays become wRight x first + wLeft x second; a mono block's one
// array is multiplied by wRight + wLeft.
void mix(Media::AudioBlockBuffer& block, float wRight, float wLeft);
} // namespace AudioLoops

} // namespace Effect
