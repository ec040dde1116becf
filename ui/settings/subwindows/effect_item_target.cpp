#include "ui/settings/subwindows/effect_item_target.h"

#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/effect_types.h"
#include "effect/movement.h"
#include "project/model/object.h"

#include <algorithm>
#include <cwchar>

namespace Component {

namespace {

std::wstring effectPart(const EffectItemTarget& target)
{
    const Effect::EffectBase* named = target.effect.get();
    if (named && named->effectType == Effect::EffectType::Output && target.object && !target.object->effects.empty())
        named = target.object->effects.front().get();
    return named ? Effect::translatedEffectText(named->name) : std::wstring();
}

std::wstring itemName(const Effect::EffectItem& item)
{
    return Effect::translatedEffectText(item.name.c_str());
}

} // namespace

std::wstring colorTargetLabel(const EffectItemTarget& target)
{
    if (!target)
        return {};
    return effectPart(target) + L" [" + itemName(*target.item) + L"]";
}

std::wstring numberTargetLabel(const EffectItemTarget& target)
{
    const auto* number = dynamic_cast<const Effect::EffectItemNumber*>(target.item);
    if (!number)
        return {};
    std::vector<const Effect::EffectItemNumber*> group;
    if (number->group)
        group.assign(number->group->begin(), number->group->end());
    else
        group.push_back(number);
    const auto found = std::find(group.begin(), group.end(), number);
    const size_t p = found == group.end() ? 0 : size_t(found - group.begin());
    std::wstring label = effectPart(target) + L" [";
    for (size_t i = 0; i < group.size(); ++i) {
        label += itemName(*group[(p + i) % group.size()]);
        label += i + 1 < group.size() ? L"," : L"]";
    }
    return label;
}

std::vector<EffectItemTarget> timeControlTargets(const std::shared_ptr<Edit::Object>& object)
{
    std::vector<EffectItemTarget> targets;
    if (!object)
        return targets;
    for (const auto& effect : object->effects) {
        for (Effect::EffectItem* item : effect->items) {
            auto* number = dynamic_cast<Effect::EffectItemNumber*>(item);
            if (!number || item->kind != Effect::EffectItemKind::Number || !number->movement ||
                !number->movement->timeControl)
                continue;
            if (number->group && number->group->size() > 1 && number->group->front() != number)
                continue; // a group is edited through its first member
            targets.push_back({object, effect, item});
        }
    }
    return targets;
}

EffectItemTarget textTarget(const std::shared_ptr<Edit::Object>& object)
{
    if (!object || object->effects.empty())
        return {};
    const auto& top = object->effects.front();
    if (std::wcscmp(top->name, L"テキスト") != 0)
        return {};
    for (Effect::EffectItem* item : top->items)
        if (item->kind == Effect::EffectItemKind::Text)
            return {object, top, item};
    return {};
}

} // namespace Component
