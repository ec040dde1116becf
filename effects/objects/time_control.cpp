#include "effects/objects/time_control.h"

#include "effect/effect_types.h"
#include "effect/movement.h"
#include "project/model/object.h"
#include "render/render_audio_object.h"

#include <algorithm>

namespace Effect {

TimeControl::TimeControl()
    : EffectBase(Name, EffectType::Control, MediaType::VideoAudio, MediaType::SceneChange, L"オブジェクト制御")
{
}

void TimeControl::initializeDefault()
{
    position.movement = LinearSpeed::instance;
    position.values = {0, EffectItemNumber::roundValue(100.0 * position.scale)};
}

double TimeControl::mapTime(const Render::RenderObject& object, int repeatCount, int dropCount) const
{
    if (!object.object)
        return object.time;
    const int64_t start = object.object->start, end = object.object->end;
    int64_t n = int64_t(object.frame) - start;
    const int64_t held = std::max(dropCount, 1);
    n -= n % held;
    const int64_t span = std::max<int64_t>(end - start + 1, 1);
    const int64_t k = n * std::max(repeatCount, 1) % span;
    const double p = position.getValueAtFrame(object, static_cast<int>(start + k));
    return static_cast<double>(start) + p * 0.01 * static_cast<double>(end - start);
}

void TimeControl::rewrite(Render::RenderObject& object, int repeatCount, int dropCount) const
{
    const double time = mapTime(object, repeatCount, dropCount);
    object.setTime(time);
    object.frame = static_cast<int>(time); // truncated
}

void TimeControl::preInputVideo(Render::RenderObject& object) { rewrite(object, repeat.value, drop.value); }

void TimeControl::preInputAudio(Render::RenderObject& object)
{
    rewrite(object, repeat.value, 1);
    Render::RenderAudioObject::from(object).updateSampleRange();
}

} // namespace Effect
