#include "effect/resource_lists.h"

#include "effect/effect_item_file.h"
#include "effect/effect_item_mask.h"
#include "media/resource_service.h"

namespace Effect {

const std::shared_ptr<EffectItemSelect::SharedList>& getTransitionList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = EffectItemSelect::SharedList::create();
    return list;
}

void fillResourceLists()
{
    const Resource::ResourceService* resources = Resource::ResourceService::Get();
    if (!resources)
        return;
    // The labels are copied: the lists outlive the service.
    const auto& figures = resources->figureList.figures;
    for (size_t i = 0; i < figures.size(); ++i) {
        EffectItemFigureSelect::getFigureList()->add(static_cast<int>(i), figures[i].name.c_str());
        EffectItemMaskSelect::getMaskList()->add(static_cast<int>(i), figures[i].name.c_str());
    }
    const auto& transitions = resources->transitionList.transitions;
    for (size_t i = 0; i < transitions.size(); ++i)
        getTransitionList()->add(static_cast<int>(i), transitions[i].name.c_str());
}

} // namespace Effect
