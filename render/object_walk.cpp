#include "render/object_walk.h"

#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "render/control_view.h"

namespace Render {

namespace {
constexpr int AllLayersBelow = 1000000; // a layer range of 0
}

int layerRange(const Edit::Object& control)
{
    const Effect::EffectItemLayerRange* item = control.effects.front()->getLayerRange();
    const int range = item ? item->value : 0;
    return range == 0 ? AllLayersBelow : range;
}

int controlEnd(const Edit::Object& control)
{
    return control.layerControl ? control.layer + layerRange(control) : control.layer;
}

std::shared_ptr<ControlView> GroupWalk::enter(int layer)
{
    while (!open_.empty() && open_.back().endLayer < layer)
        open_.pop_back();
    return open_.empty() ? nullptr : open_.back().record;
}

std::shared_ptr<ControlView> GroupWalk::open(const std::shared_ptr<Edit::Object>& group)
{
    auto record = std::make_shared<ControlView>(group, open_.empty() ? nullptr : open_.back().record);
    open_.push_back({record, group->layer + layerRange(*group)});
    return record;
}

} // namespace Render
