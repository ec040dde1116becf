#include "ui/settings/subwindows/effect_sub_windows.h"

#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/movement.h"
#include "project/model/object.h"

#include <algorithm>

namespace Component {

namespace {
// Whether the object is placed and the effect still stands in its chain.
bool inChain(const Edit::Object* object, const Effect::EffectBase* effect)
{
    if (!object || object->layer == -1)
        return false;
    return std::any_of(object->effects.begin(), object->effects.end(),
                       [effect](const auto& e) { return e.get() == effect; });
}
} // namespace

void EffectTimeSettingControl::loadControlAnchors()
{
    anchors = item ? item->curve : std::vector<double>();
}

bool EffectTimeSettingControl::clearTarget()
{
    const bool had = item != nullptr;
    object.reset();
    effect.reset();
    item = nullptr;
    anchors.clear();
    return had;
}

void EffectTimeSettingComponent::setTarget(std::shared_ptr<Edit::Object> object,
                                           std::shared_ptr<Effect::EffectBase> effect, Effect::EffectItemNumber* item)
{
    control.object = std::move(object);
    control.effect = std::move(effect);
    control.item = item;
    control.loadControlAnchors();
    shown = true;
    updateHeader();
}

void EffectTimeSettingComponent::updateHeader()
{
    header = control.item ? control.item->name : std::wstring();
}

void EffectTimeSettingComponent::update()
{
    if (!control.item)
        return;
    const Effect::EffectItemNumber* item = control.item;
    if (inChain(control.object.get(), control.effect.get()) && item->movement && item->movement->timeControl) {
        control.loadControlAnchors();
        updateHeader();
    } else if (control.clearTarget()) {
        updateHeader();
    }
}

} // namespace Component
