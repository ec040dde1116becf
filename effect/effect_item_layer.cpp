#include "effect/effect_item_layer.h"

#include "effect/effect_base.h"
#include "project/model/scene.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <cmath>

namespace Effect {

EffectItemScene::EffectItemScene(EffectItemList& owner, std::wstring name, int value, int minValue, int maxValue)
    : EffectItemBase(owner, std::move(name), value, minValue, maxValue, EffectItemKind::Scene)
{
}

EffectItemLayerRange::EffectItemLayerRange(EffectItemList& owner, std::wstring name, int value, int minValue,
                                           int maxValue, const wchar_t* zeroText)
    : EffectItemBase(owner, std::move(name), value, minValue, maxValue, EffectItemKind::LayerRange, zeroText)
{
}

EffectItemLayerObject::EffectItemLayerObject(EffectItemList& owner, std::wstring name, double defaultValue,
                                             double minValue, double maxValue)
    : EffectItemBase(owner, std::move(name), defaultValue, minValue, maxValue, 1.0)
{
}

EffectItemLayerObject::Position EffectItemLayerObject::getPosition(const Render::RenderObject& object) const
{
    // X, Y and Z move like this item, with one position per stored layer number.
    EffectItemList list;
    EffectItemNumber x(list, L"X", 0.0, -100000.0, 100000.0, 0.01);
    EffectItemNumber y(list, L"Y", 0.0, -100000.0, 100000.0, 0.01);
    EffectItemNumber z(list, L"Z", 0.0, -100000.0, 100000.0, 0.01);
    Group group;
    makeGroup(group, {&x, &y, &z});
    for (EffectItemNumber* c : group) {
        c->movement = movement;
        c->flags = flags;
        c->curve = curve;
        c->params = params;
        c->values.assign(values.size(), 0);
    }

    Render::RenderObject copy = object;
    const float scaleF = static_cast<float>(x.scale);
    for (size_t i = 0; i < values.size(); ++i) {
        const int layer = static_cast<int>(values[i] / scale) - 1;
        if (layer < 0 || !object.scene || layer > object.scene->lastLayer)
            continue;
        const std::shared_ptr<Edit::Object>& target = object.scene->findObject(layer, object.frame, MediaType::Video);
        if (!target || target->effects.size() < 2 || target->effects[0]->effectType != EffectType::Input)
            continue;
        copy.setObject(target);
        const Render::RenderObject::DrawState view = target->effects[1]->getOutputView(copy);
        x.values[i] = roundValue(std::round(scaleF * view.x));
        y.values[i] = roundValue(std::round(scaleF * view.y));
        z.values[i] = roundValue(std::round(scaleF * view.z));
    }
    return Position{static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)),
                    static_cast<float>(z.getValue(object))};
}

} // namespace Effect
