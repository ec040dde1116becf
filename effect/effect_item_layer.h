#pragma once
// Scene and layer items: a scene id, the number of layers a control object
// acts on, and the target layer of the camera.
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"

namespace Effect {

// A scene id (kind 11).
class EffectItemScene : public EffectItemBase<EffectItemScene, EffectItemInteger> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemScene(EffectItemList& owner, std::wstring name, int value = 0, int minValue = 0,
                    int maxValue = 1000000);
};

// How many layers below a control object it acts on (kind 12; 0 means all).
class EffectItemLayerRange : public EffectItemBase<EffectItemLayerRange, EffectItemInteger> {
public:
    std::shared_ptr<Component::EffectItemBaseControl> createControl(Window::ControlContainer& container,
                                                                    const std::shared_ptr<EffectBase>& owner) override;
    EffectItemLayerRange(EffectItemList& owner, std::wstring name, int value = 0, int minValue = 0,
                         int maxValue = 1000, const wchar_t* zeroText = nullptr);
};

// A number item whose values are layer numbers (1 for the first layer, 0 for none).
class EffectItemLayerObject : public EffectItemBase<EffectItemLayerObject, EffectItemNumber> {
public:
    EffectItemLayerObject(EffectItemList& owner, std::wstring name, double defaultValue = 0.0,
                          double minValue = 0.0, double maxValue = 1000.0);

    struct Position {
        float x, y, z;
    };
    // The position at which the objects on the target layers are drawn, moving
    // between the section points as this item moves. Reads only: the per-point
    // positions are gathered into local items.
    Position getPosition(const Render::RenderObject& object) const;
};

} // namespace Effect
