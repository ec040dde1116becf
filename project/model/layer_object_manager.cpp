#include "project/model/layer_object_manager.h"

#include "core/failure.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_service.h"
#include "project/model/layer.h"
#include "project/model/object.h"

#include <algorithm>

namespace Edit {

namespace {
const std::shared_ptr<Object> noObject;
// A layer-control object whose layer range is 0 controls every layer below it.
constexpr int AllLayersBelow = 1000000;
} // namespace

LayerObjectManager::LayerObjectManager() = default;

LayerObjectManager::~LayerObjectManager()
{
    // Objects outlive the scene when others hold them: they are no longer placed.
    layers.forEach([](int index, LayerObjectList& list) {
        for (auto& object : list.objects) {
            if (object->layer == index)
                object->layer = -1;
        }
    });
}

void LayerObjectManager::ensureLayer(int layer)
{
    if (layer < 0 || layer >= LayerLimit)
        throw System::makeException("Edit::LayerObjectManager::ensureLayer", "invalid layer number.",
                                    std::to_string(layer).c_str());
    layers.grow(layer + 1);
}

const LayerObjectList& LayerObjectManager::getLayer(int layer) const
{
    static const LayerObjectList empty(-1);
    const LayerObjectList* list = layers.find(layer);
    return list ? *list : empty;
}

LayerObjectList& LayerObjectManager::layerList(int layer)
{
    ensureLayer(layer);
    return layers.at(layer);
}

LayerObjectList& LayerObjectManager::placedList(const Object& object)
{
    if (object.layer < 0 || object.layer >= layers.size())
        throw System::makeException("Edit::LayerObjectManager::placedList", "invalid layer number.",
                                    std::to_string(object.layer).c_str());
    return layers.at(object.layer);
}

std::shared_ptr<Object>& LayerObjectManager::addObject(int layer, int start, int end)
{
    LayerObjectList& list = layerList(layer);
    auto object = std::make_shared<Object>();
    object->layer = layer;
    object->start = start;
    object->end = end;
    list.objects.push_back(std::move(object));
    list.needSort = true;
    list.needRangeUpdate = true;
    return list.objects.back();
}

std::shared_ptr<Object>& LayerObjectManager::createObject(const wchar_t* effectName, int layer, int start, int end)
{
    std::shared_ptr<Object>& slot = addObject(layer, start, end);
    const std::shared_ptr<Object> object = slot;
    try {
        Effect::EffectDefine& define = object->registry().findEffect(effectName);
        Effect::EffectBase& top = **object->setEffectByDefine(define);
        Effect::EffectBase::setItemData(top, *define.getEffect());
        for (const auto& effect : object->effects)
            Effect::setEffectItemValueNum(*effect, 1);
        if (object->layerControl)
            layers.at(layer).needRangeUpdate = true;
    } catch (...) {
        layers.at(layer).removeObject(object.get());
        object->layer = -1;
        throw;
    }
    return slot;
}

void LayerObjectManager::moveObjectLayer(const std::shared_ptr<Object>& object, int layer)
{
    LayerObjectList& list = layerList(layer);
    auto listed = [&] {
        return std::any_of(list.objects.begin(), list.objects.end(), [&](const auto& o) { return o == object; });
    };
    if (object->layer == layer && listed())
        return;
    if (object->layer >= 0 && object->layer < layers.size() && object->layer != layer) {
        LayerObjectList& old = layers.at(object->layer);
        old.needRemove = true;
        old.needRangeUpdate |= object->layerControl;
    }
    object->layer = layer;
    // An object taken off this layer earlier in the transaction may still have
    // its entry here; it is not entered twice.
    if (!(list.needRemove && listed()))
        list.objects.push_back(object);
    list.needSort = true;
    list.needRangeUpdate |= object->layerControl;
}

void LayerObjectManager::removeObject(Object& object)
{
    if (object.layer < 0)
        return;
    if (object.layer < layers.size()) {
        LayerObjectList& list = layers.at(object.layer);
        list.needRemove = true;
        list.needRangeUpdate |= object.layerControl;
    }
    object.layer = -1;
}

// ---- layers ----

std::shared_ptr<Layer> LayerObjectManager::insertLayer(int layer, std::shared_ptr<Layer> record)
{
    int index = lastLayer + 1;
    if (layer > index) {
        // Beyond the used layers every layer is empty: nothing needs to move.
        ensureLayer(layer);
        index = layer;
    } else {
        ensureLayer(index);
        if (moveLayer(index, layer))
            index = layer;
    }
    LayerObjectList& list = layers.at(index);
    if (record) {
        list.layer->index = -1;
        record->index = index;
        list.layer = std::move(record);
    } else {
        list.replaceLayer();
    }
    return list.layer;
}

std::shared_ptr<Layer> LayerObjectManager::deleteLayer(int layer)
{
    if (layer < 0 || layer >= layers.size())
        return nullptr;
    LayerObjectList& list = layers.at(layer);
    for (auto& object : list.objects) {
        if (object->layer == layer)
            object->layer = -1;
    }
    list.objects.clear();
    list.controlRanges.clear();
    list.needSort = list.needRemove = list.needRangeUpdate = false;
    int index = layer;
    // Only a layer among the used ones moves behind them; beyond them the
    // order of the empty layers stays.
    if (layer < lastLayer && moveLayer(layer, lastLayer))
        index = lastLayer;
    return layers.at(index).replaceLayer();
}

bool LayerObjectManager::moveLayer(int from, int to)
{
    const int count = layers.size();
    if (from == to || from < 0 || to < 0 || from >= count || to >= count)
        return false;
    auto renumber = [this](int from, int to) {
        if (LayerObjectList* list = layers.find(from)) {
            for (auto& object : list->objects) {
                if (object->layer == from)
                    object->layer = to;
            }
        }
    };
    const int step = to > from ? 1 : -1;
    for (int i = from; i != to; i += step) {
        renumber(i, i + step);
        renumber(i + step, i);
        layers.swap(i, i + step);
    }
    return true;
}

void LayerObjectManager::clearLayer()
{
    layers.forEach([](int, LayerObjectList& list) {
        for (auto& object : list.objects)
            object->layer = -1;
        list.layer->index = -1;
    });
    layers.reset();
    updateLayerObject();
}

void LayerObjectManager::updateLayerObject()
{
    lastLayer = 0;
    lastFrame = 0;
    layers.forEach([this](int i, LayerObjectList& list) {
        if (list.needRemove) {
            list.objects.erase(std::remove_if(list.objects.begin(), list.objects.end(),
                                              [i](const auto& o) { return o->layer != i; }),
                               list.objects.end());
            list.needRemove = false;
        }
        if (list.needSort) {
            std::stable_sort(list.objects.begin(), list.objects.end(),
                             [](const auto& a, const auto& b) { return a->start < b->start; });
            list.needSort = false;
        }
        if (list.needRangeUpdate) {
            list.controlRanges.clear();
            for (const auto& object : list.objects) {
                if (!object->layerControl || object->effects.empty())
                    continue;
                int range = 0;
                if (const Effect::EffectItemLayerRange* item = object->effects[0]->getLayerRange())
                    range = item->value;
                list.controlRanges.push_back({object->start, object->end, range == 0 ? AllLayersBelow : range});
            }
            list.needRangeUpdate = false;
        }
        if (!list.objects.empty()) {
            // Objects read from a file may overlap: the greatest end counts, not the last object's.
            for (const auto& object : list.objects)
                lastFrame = std::max(lastFrame, object->end);
            lastLayer = i;
        }
    });
}

void LayerObjectManager::enumControlRange(int targetLayer, int from, int to,
                                          const std::function<void(int, int, bool)>& callback) const
{
    const int count = std::min(targetLayer, layers.size());
    for (int i = 0; i < count; ++i) {
        const LayerObjectList* list = layers.find(i);
        if (!list)
            continue;
        const std::vector<ControlRange>& ranges = list->controlRanges;
        auto it = std::lower_bound(ranges.begin(), ranges.end(), from,
                                   [](const ControlRange& r, int f) { return r.end < f; });
        for (; it != ranges.end() && it->start <= to; ++it) {
            if (it->end < from)
                continue;
            const long long reach = static_cast<long long>(i) + it->layerRange;
            if (reach < targetLayer)
                continue;
            callback(it->start, it->end, reach == targetLayer);
        }
    }
}

const std::shared_ptr<Object>& LayerObjectManager::findObject(int layer, int frame, uint8_t media) const
{
    const LayerObjectList* found = layers.find(layer);
    if (!found)
        return noObject;
    const LayerObjectList& list = *found;
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
