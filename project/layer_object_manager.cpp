#include "effect/effect_base.h"
#include "project/layer.h"
#include "project/object.h"

#include <algorithm>

namespace Edit {

namespace {
const std::shared_ptr<Object> noObject;
}

LayerObjectList::LayerObjectList(int index) : layer(std::make_shared<Layer>())
{
    layer->index = index;
}

std::vector<std::shared_ptr<Object>>::const_iterator LayerObjectList::lowerBoundEnd(int frame) const
{
    return std::lower_bound(objects.begin(), objects.end(), frame,
                            [](const std::shared_ptr<Object>& o, int f) { return o->end < f; });
}

LayerObjectManager::LayerObjectManager()
{
    layers.push_back(std::make_unique<LayerObjectList>(0));
}

LayerObjectManager::~LayerObjectManager() = default;

const LayerObjectList& LayerObjectManager::getLayer(int layer) const
{
    static const LayerObjectList empty(-1);
    if (layer < 0 || layer >= static_cast<int>(layers.size()))
        return empty;
    return *layers[layer];
}

void LayerObjectManager::addObject(const std::shared_ptr<Object>& object)
{
    const int index = object->layer;
    while (static_cast<int>(layers.size()) <= index)
        layers.push_back(std::make_unique<LayerObjectList>(static_cast<int>(layers.size())));
    auto& list = layers[index]->objects;
    auto at = std::upper_bound(list.begin(), list.end(), object->start,
                               [](int s, const std::shared_ptr<Object>& o) { return s < o->start; });
    list.insert(at, object);
    lastLayer = std::max(lastLayer, index);
    lastFrame = std::max(lastFrame, object->end);
}

const std::shared_ptr<Object>& LayerObjectManager::findObject(int layer, int frame, uint8_t media) const
{
    if (layer < 0 || layer >= static_cast<int>(layers.size()))
        return noObject;
    const LayerObjectList& list = *layers[layer];
    if (list.layer->hide)
        return noObject;
    auto it = list.lowerBoundEnd(frame);
    if (it == list.objects.end() || (*it)->start > frame || (*it)->effects.empty())
        return noObject;
    const Object& object = **it;
    const Effect::EffectBase& top = *object.effects.front();
    if (top.effectType == Effect::EffectType::Filter) {
        // An object made of filters counts while any of its effects is enabled.
        bool enabled = std::any_of(object.effects.begin(), object.effects.end(),
                                   [](const std::shared_ptr<Effect::EffectBase>& e) { return !e->disable; });
        if (!enabled)
            return noObject;
    } else if (top.disable) {
        return noObject;
    }
    if (!Effect::mediaCompatible(top.mediaType, media))
        return noObject;
    return *it;
}

} // namespace Edit
