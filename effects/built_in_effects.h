#pragma once
// The built-in effect classes in their registration order, which is the
// default menu order: the table the program entry installs into
// Effect::EffectService::builtInEffects before the effect service is built.
#include "effect/effect_service.h"

namespace Effect {

EffectService::BuiltInEffects builtInEffectTable();

} // namespace Effect
