#include "effect/item_control.h"

#include "effect/effect_base.h"

namespace Component {

EffectItemBaseControl::~EffectItemBaseControl() = default;

bool EffectItemBaseControl::requestInformation()
{
    if (!informationCallback)
        return false;
    informationCallback();
    return true;
}

ItemControlPanel::~ItemControlPanel() = default;

void ItemControlPanel::bindInformation(const Effect::EffectItem& item, Effect::EffectBase& effect)
{
    EffectItemBaseControl* control = findItemControl(&item);
    if (!control)
        return;
    // The panel holds the effect for as long as its controls live.
    control->informationCallback = [&effect] {
        Effect::ItemEvent event;
        event.code = Effect::ItemEvent::ToolTip;
        effect.itemEvent(event);
    };
}

} // namespace Component
