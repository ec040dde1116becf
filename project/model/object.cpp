#include "project/model/object.h"

#include "effect/effect_base.h"
#include "effect/movement.h"
#include "project/model/layer_object_list.h"
#include "project/model/scene.h"

#include <algorithm>
#include <climits>

namespace Edit {

namespace {

template <class F>
void forEachNumber(const EffectManager::EffectList& effects, F&& f)
{
    for (const EffectManager::EffectPtr& effect : effects) {
        for (Effect::EffectItem* item : effect->items) {
            if (auto* number = dynamic_cast<Effect::EffectItemNumber*>(item))
                f(*number);
        }
    }
}

// Items whose movement keeps one value per section point.
bool keepsPointValues(const Effect::EffectItemNumber& item)
{
    return item.movement->valueCount < 0 && !(item.flags & Effect::EffectItemNumber::FlagIgnoreMidPoints);
}

// Sets the value of a point from the map, for the items the map holds.
void setPointValues(const EffectManager::EffectList& effects, int point, const EffectManager::ValueMap& values)
{
    forEachNumber(effects, [&](Effect::EffectItemNumber& item) {
        if (values.count(&item))
            item.setSectionValue(point, &values);
    });
}

} // namespace

std::vector<std::shared_ptr<Object>> Group::getObjectList(const Scene& scene) const
{
    std::vector<std::shared_ptr<Object>> list;
    for (Object* member : members) {
        if (member->layer < 0)
            continue;
        const LayerObjectList& layer = scene.getLayer(member->layer);
        for (auto it = layer.lowerBoundEnd(member->start); it != layer.objects.end() && (*it)->start <= member->start;
             ++it) {
            if (it->get() == member) {
                list.push_back(*it);
                break;
            }
        }
    }
    // The set has no order of its own; callers see the members in timeline order.
    std::sort(list.begin(), list.end(), [](const std::shared_ptr<Object>& a, const std::shared_ptr<Object>& b) {
        return a->layer != b->layer ? a->layer < b->layer : a->start < b->start;
    });
    return list;
}

Object::Object() = default;

Object::~Object()
{
    if (group)
        group->members.erase(this);
}

int Object::getSectionIndex(int frame) const
{
    const long long offset = static_cast<long long>(frame) - start;
    return static_cast<int>(std::upper_bound(midPoints.begin(), midPoints.end(), offset,
                                             [](long long o, int m) { return o < m; }) -
                            midPoints.begin());
}

int Object::getSectionStart(int index) const
{
    const int n = static_cast<int>(midPoints.size());
    if (index <= 0)
        return start;
    return index <= n ? start + midPoints[index - 1] : end + 1;
}

int Object::getSectionLength(int index) const
{
    const int n = static_cast<int>(midPoints.size());
    if (n == 0)
        return end - start;
    if (index <= 0)
        return midPoints[0];
    if (index < n)
        return midPoints[index] - midPoints[index - 1];
    return end - start - midPoints[n - 1];
}

bool Object::canAddSectionAt(int frame) const
{
    const int section = getSectionIndex(frame);
    const long long inside = static_cast<long long>(frame) - getSectionStart(section);
    return inside >= 1 && inside < getSectionLength(section);
}

bool Object::canSplitSection(int frame) const
{
    const int n = static_cast<int>(midPoints.size());
    for (int i = getSectionIndex(frame); i <= n; ++i) {
        if (getSectionLength(i) >= 2)
            return true;
    }
    return false;
}

void Object::addMidPoint(int frame, const ValueMap* values)
{
    const int n = static_cast<int>(midPoints.size());
    int section = getSectionIndex(frame);
    while (section <= n && getSectionLength(section) <= 1)
        ++section;
    if (section > n)
        return;
    const int s = getSectionStart(section);
    const int e = s + getSectionLength(section);
    const int at = std::min(std::max(frame, s + 1), e - 1);
    midPoints.insert(midPoints.begin() + section, at - start);
    forEachNumber(effects, [&](Effect::EffectItemNumber& item) { item.insertSectionValue(section, values); });
}

void Object::removeMidPoint(int index)
{
    const int n = static_cast<int>(midPoints.size());
    if (index < 1 || index > n)
        return;
    // Checked before anything changes: an item without values cannot lose one.
    forEachNumber(effects, [&](Effect::EffectItemNumber& item) {
        if (keepsPointValues(item))
            item.clampValueIndex(index);
    });
    midPoints.erase(midPoints.begin() + (index - 1));
    forEachNumber(effects, [&](Effect::EffectItemNumber& item) {
        if (keepsPointValues(item))
            item.values.erase(item.values.begin() + item.clampValueIndex(index));
    });
}

void Object::copyObjectTo(Object& target) const
{
    copyEffectList(target);
    target.clipping = clipping;
    target.camera = camera;
    target.layer = layer;
    target.start = start;
    target.end = end;
    target.midPoints = midPoints;
}

bool Object::splitAt(int frame, Object& left, Object& right, Scene& scene) const
{
    if (!(start < frame && frame <= end))
        return false;
    copyObjectTo(left);
    copyObjectTo(right);
    // The copies still equal this object, so their values at the cut are this object's.
    setPointValues(left.effects, INT_MAX, left.getValuesAtFrame(&scene, left, frame - 1, true));
    setPointValues(right.effects, 0, right.getValuesAtFrame(&scene, right, frame, true));
    for (int k = static_cast<int>(midPoints.size()) - 1; k >= 0; --k) {
        const int boundary = start + midPoints[k];
        if (boundary + 1 >= frame)
            left.removeMidPoint(k + 1);
        if (boundary <= frame)
            right.removeMidPoint(k + 1);
    }
    left.end = frame - 1;
    right.start = frame;
    for (int& offset : right.midPoints)
        offset += start - frame;
    return true;
}

bool Object::joinWith(Object& left) const
{
    if (left.layer != layer || static_cast<long long>(left.end) + 1 != start)
        return false;
    const ValueMap rightEnd = getPointValues(*this, static_cast<int>(midPoints.size()) + 1, &left);
    const ValueMap leftEnd = getPointValues(left, static_cast<int>(left.midPoints.size()) + 1, nullptr);
    left.end = end;
    left.addMidPoint(start, &leftEnd);
    setPointValues(left.effects, INT_MAX, rightEnd);
    return true;
}

bool Object::sendInputItemEvent(Effect::ItemEvent& event)
{
    if (effects.empty() || effects[0]->effectType != Effect::EffectType::Input)
        return false;
    event.object = this;
    event.effect = effects[0];
    return effects[0]->itemEvent(event);
}

} // namespace Edit
