#pragma once
// What the colour, time-control and text windows edit: one item of one
// effect of one object, and the labels that name it in their headers and
// target menus.
#include <memory>
#include <string>
#include <vector>

namespace Edit { class Object; }
namespace Effect {
class EffectBase;
class EffectItem;
} // namespace Effect

namespace Component {

struct EffectItemTarget {
    std::shared_ptr<Edit::Object> object;
    std::shared_ptr<Effect::EffectBase> effect;
    Effect::EffectItem* item = nullptr; // null: no target

    explicit operator bool() const { return item != nullptr; }
};

// "<effect> [<item>]"; the effect is the object's top effect when the target is its output.
std::wstring colorTargetLabel(const EffectItemTarget& target);
// "<effect> [<item>,<next>,...]": the item first, then the rest of its group in order, wrapping round.
std::wstring numberTargetLabel(const EffectItemTarget& target);
// The number items whose movement has the time-control curve, one per group (its first member).
std::vector<EffectItemTarget> timeControlTargets(const std::shared_ptr<Edit::Object>& object);
// The first text item of the object's top effect when that is the text object "テキスト"; else empty.
EffectItemTarget textTarget(const std::shared_ptr<Edit::Object>& object);

} // namespace Component
