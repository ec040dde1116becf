#include "project/edit/undo_items.h"

#include "core/failure.h"
#include "effect/effect_base.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_simple.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"

namespace Edit {

namespace {

// The list the object stands in now, or null when it is not placed in the scene.
LayerObjectList* presentList(Scene& scene, const Object& object)
{
    if (object.layer < 0 || object.layer >= scene.layerCount())
        return nullptr;
    return scene.layers.find(object.layer);
}

void raiseChainFlags(UpdateSection& update)
{
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
}

} // namespace

// ---- ObjectUndoUpdate ----

ObjectUndoUpdate ObjectUndoUpdate::store(const Object& object)
{
    ObjectUndoUpdate state;
    state.layer = object.layer;
    state.start = object.start;
    state.end = object.end;
    if (!object.midPoints.empty())
        state.midPoints = object.midPoints;
    return state;
}

bool ObjectUndoUpdate::commit(ObjectUndoUpdate& before, ObjectUndoUpdate& after)
{
    if (before.midPoints && after.midPoints && before.midPoints->size() == after.midPoints->size() &&
        *before.midPoints != *after.midPoints)
        return true;
    before.midPoints.reset();
    after.midPoints.reset();
    return before.layer != after.layer || before.start != after.start || before.end != after.end;
}

void ObjectUndoUpdate::restore(const std::shared_ptr<Object>& object, const ObjectUndoUpdate& state,
                               UpdateSection& update)
{
    update.updateLayerObject = true;
    update.updateSettingSection = true;
    update.updateTimeSetting = true;
    Scene& scene = *update.scene;
    object->start = state.start;
    object->end = state.end;
    if (LayerObjectList* list = presentList(scene, *object)) {
        list->needSort = true;
        list->needRangeUpdate |= object->layerControl;
    }
    if (state.layer != object->layer) {
        if (state.layer < 0)
            scene.removeObject(*object);
        else
            scene.moveObjectLayer(object, state.layer);
    }
    if (state.midPoints)
        object->midPoints = *state.midPoints;
}

// ---- ObjectUndoCreateDelete ----

ObjectUndoCreateDelete ObjectUndoCreateDelete::store(const Object& object)
{
    return {object.layer};
}

bool ObjectUndoCreateDelete::commit(ObjectUndoCreateDelete& before, ObjectUndoCreateDelete& after)
{
    return before.layer != after.layer;
}

void ObjectUndoCreateDelete::restore(const std::shared_ptr<Object>& object, const ObjectUndoCreateDelete& state,
                                     UpdateSection& update)
{
    update.updateLayerObject = true;
    if (state.layer < 0)
        update.scene->removeObject(*object);
    else
        update.scene->moveObjectLayer(object, state.layer);
}

// ---- ObjectUndoSection ----

ObjectUndoSection ObjectUndoSection::store(const Object& object)
{
    return {object.midPoints};
}

bool ObjectUndoSection::commit(ObjectUndoSection& before, ObjectUndoSection& after)
{
    return before.midPoints != after.midPoints;
}

void ObjectUndoSection::restore(const std::shared_ptr<Object>& object, const ObjectUndoSection& state,
                                UpdateSection& update)
{
    update.updateSettingSection = true;
    update.updateTimeSetting = true;
    object->midPoints = state.midPoints;
}

// ---- ObjectUndoGroup ----

ObjectUndoGroup ObjectUndoGroup::store(const Object& object)
{
    return {object.group};
}

bool ObjectUndoGroup::commit(ObjectUndoGroup& before, ObjectUndoGroup& after)
{
    return before.group != after.group;
}

void ObjectUndoGroup::restore(const std::shared_ptr<Object>& object, const ObjectUndoGroup& state, UpdateSection&)
{
    if (object->group)
        object->group->members.erase(object.get());
    object->group = state.group;
    if (object->group)
        object->group->members.insert(object.get());
}

// ---- ObjectUndoEffect ----

ObjectUndoEffect ObjectUndoEffect::store(const Object& object)
{
    return {object.effects};
}

bool ObjectUndoEffect::commit(ObjectUndoEffect& before, ObjectUndoEffect& after)
{
    return before.effects != after.effects;
}

void ObjectUndoEffect::restore(const std::shared_ptr<Object>& object, const ObjectUndoEffect& state,
                               UpdateSection& update)
{
    raiseChainFlags(update);
    object->effects = state.effects;
}

// ---- ObjectUndoFlag ----

ObjectUndoFlag ObjectUndoFlag::store(const Object& object)
{
    return {object.clipping, object.camera};
}

bool ObjectUndoFlag::commit(ObjectUndoFlag& before, ObjectUndoFlag& after)
{
    return before.clipping != after.clipping || before.camera != after.camera;
}

void ObjectUndoFlag::restore(const std::shared_ptr<Object>& object, const ObjectUndoFlag& state,
                             UpdateSection& update)
{
    raiseChainFlags(update);
    object->clipping = state.clipping;
    object->camera = state.camera;
}

// ---- ObjectUndoLayerRange ----

namespace {
Effect::EffectItemLayerRange* layerRangeOf(const Object& object)
{
    return object.effects.empty() ? nullptr : object.effects.front()->getLayerRange();
}
} // namespace

ObjectUndoLayerRange ObjectUndoLayerRange::store(const Object& object)
{
    const Effect::EffectItemLayerRange* range = layerRangeOf(object);
    return {range ? range->value : 0};
}

bool ObjectUndoLayerRange::commit(ObjectUndoLayerRange& before, ObjectUndoLayerRange& after)
{
    return before.value != after.value;
}

void ObjectUndoLayerRange::restore(const std::shared_ptr<Object>& object, const ObjectUndoLayerRange& state,
                                   UpdateSection& update)
{
    update.updateLayerObject = true;
    raiseChainFlags(update);
    if (LayerObjectList* list = presentList(*update.scene, *object))
        list->needRangeUpdate = true;
    if (Effect::EffectItemLayerRange* range = layerRangeOf(*object))
        range->value = state.value;
}

// ---- LayerUndoUpdate ----

LayerUndoUpdate LayerUndoUpdate::store(const Layer& layer)
{
    return {layer.hide, layer.lock, layer.name};
}

bool LayerUndoUpdate::commit(LayerUndoUpdate& before, LayerUndoUpdate& after)
{
    return before.hide != after.hide || before.lock != after.lock || before.name != after.name;
}

void LayerUndoUpdate::restore(const std::shared_ptr<Layer>& layer, const LayerUndoUpdate& state,
                              UpdateSection& update)
{
    update.notifyEdit = true;
    update.notifyLayer = true;
    layer->hide = state.hide;
    layer->lock = state.lock;
    layer->name = state.name;
}

// ---- LayerUndoMove ----

LayerUndoMove LayerUndoMove::store(const Layer& layer)
{
    return {layer.index};
}

bool LayerUndoMove::commit(LayerUndoMove& before, LayerUndoMove& after)
{
    return before.index != after.index;
}

void LayerUndoMove::restore(const std::shared_ptr<Layer>& layer, const LayerUndoMove& state, UpdateSection& update)
{
    update.updateLayerObject = true;
    update.notifyEdit = true;
    update.notifyLayer = true;
    update.scene->moveLayer(layer->index, state.index);
}

// ---- LayerUndoCreateDelete ----

LayerUndoCreateDelete LayerUndoCreateDelete::store(const Layer& layer)
{
    return {layer.index};
}

bool LayerUndoCreateDelete::commit(LayerUndoCreateDelete& before, LayerUndoCreateDelete& after)
{
    return before.index != after.index;
}

void LayerUndoCreateDelete::restore(const std::shared_ptr<Layer>& layer, const LayerUndoCreateDelete& state,
                                    UpdateSection& update)
{
    update.updateLayerObject = true;
    update.notifyEdit = true;
    update.notifyLayer = true;
    if (state.index < 0) {
        update.scene->deleteLayer(layer->index);
    } else {
        layer->index = state.index;
        update.scene->insertLayer(state.index, layer);
    }
}

} // namespace Edit

namespace Effect {

namespace {
void checkItemCount(size_t a, size_t b, const char* place)
{
    if (a != b)
        throw System::makeException(place, "different number of items.", nullptr);
}
} // namespace

EffectUndoUpdate EffectUndoUpdate::store(const EffectBase& effect)
{
    EffectUndoUpdate state;
    state.values.reserve(effect.items.size());
    for (const EffectItem* item : effect.items)
        state.values.push_back(item->clone());
    state.disable = effect.disable;
    state.lock = effect.lock;
    return state;
}

bool EffectUndoUpdate::commit(EffectUndoUpdate& before, EffectUndoUpdate& after)
{
    checkItemCount(before.values.size(), after.values.size(), "Effect::EffectUndoUpdate::commit");
    bool changed = before.disable != after.disable || before.lock != after.lock;
    for (size_t i = 0; i < before.values.size(); ++i) {
        std::unique_ptr<EffectItem>& a = before.values[i];
        std::unique_ptr<EffectItem>& b = after.values[i];
        if (!a || !b)
            continue;
        if (a->isEqual(*b)) {
            a.reset();
            b.reset();
            continue;
        }
        changed = true;
        auto* textA = dynamic_cast<EffectItemText*>(a.get());
        auto* textB = dynamic_cast<EffectItemText*>(b.get());
        if (textA && textB)
            EffectItemText::makeDifference(*textA, *textB);
    }
    return changed;
}

void EffectUndoUpdate::restore(const std::shared_ptr<EffectBase>& effect, const EffectUndoUpdate& state,
                               Edit::UpdateSection& update)
{
    checkItemCount(state.values.size(), effect->items.size(), "Effect::EffectUndoUpdate::restore");
    update.updateSettingList = true;
    update.updateTimeSetting = true;
    update.updateColorSetting = true;
    update.updateTextSetting = true;
    for (size_t i = 0; i < state.values.size(); ++i) {
        if (state.values[i])
            effect->items[i]->setData(*state.values[i]);
    }
    effect->disable = state.disable;
    effect->lock = state.lock;
}

bool EffectUndoUpdate::hasOnlyEffectItem(const EffectBase& effect, const EffectUndoUpdate& before,
                                         const EffectUndoUpdate& after, const EffectItem* item)
{
    checkItemCount(before.values.size(), after.values.size(), "Effect::EffectUndoUpdate::hasOnlyEffectItem");
    checkItemCount(before.values.size(), effect.items.size(), "Effect::EffectUndoUpdate::hasOnlyEffectItem");
    bool found = false;
    for (size_t i = 0; i < before.values.size(); ++i) {
        if (!before.values[i] && !after.values[i])
            continue;
        if (effect.items[i] != item)
            return false;
        found = true;
    }
    return found;
}

} // namespace Effect

namespace Component {

ColorSettingUndoUpdate ColorSettingUndoUpdate::store(const ColorSetting& setting)
{
    ColorSettingUndoUpdate state;
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 4; ++k)
            state.colors[c][k] = setting.colors[c][k];
    }
    return state;
}

bool ColorSettingUndoUpdate::commit(ColorSettingUndoUpdate& before, ColorSettingUndoUpdate& after)
{
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 4; ++k) {
            if (!(before.colors[c][k] == after.colors[c][k]))
                return true;
        }
    }
    return false;
}

void ColorSettingUndoUpdate::restore(const std::shared_ptr<ColorSetting>& setting,
                                     const ColorSettingUndoUpdate& state, Edit::UpdateSection& update)
{
    update.updateSettingValue = true;
    update.updateColorSetting = true;
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < 4; ++k)
            setting->colors[c][k] = state.colors[c][k];
    }
}

} // namespace Component
