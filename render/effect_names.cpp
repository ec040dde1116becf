#include "render/effect_names.h"

#include "effect/effect_base.h"
#include "effect/effect_service.h"

namespace Render::EffectName {

const wchar_t* registered(const wchar_t* name)
{
    Effect::EffectService* service = Effect::EffectService::Get();
    if (!service)
        return nullptr;
    auto found = service->effects.find(name);
    return found == service->effects.end() ? nullptr : found->second.prototype->name;
}

bool is(const Effect::EffectBase& effect, const wchar_t* registeredName)
{
    return registeredName && effect.name == registeredName;
}

} // namespace Render::EffectName
