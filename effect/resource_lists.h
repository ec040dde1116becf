#pragma once
// The option lists of figure, mask and transition items, filled from the
// resource service's figure and transition records when the effect service
// is built (the media layer keeps the records, the effect side their options).
#include "effect/effect_item_select.h"

#include <memory>

namespace Effect {

// The wipes of the wipe filter and of the scene change's wipe: option i is
// transition i of the resource service.
const std::shared_ptr<EffectItemSelect::SharedList>& getTransitionList();

// Option i of the figure and mask lists is figure i, option i of the
// transition list transition i. Values already listed keep their labels;
// without a resource service nothing changes.
void fillResourceLists();

} // namespace Effect
