#include "project/model/effect_manager.h"

#include "core/failure.h"
#include "effect/effect_base.h"
#include "effect/effect_define.h"
#include "effect/effect_service.h"
#include "effect/movement.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <algorithm>
#include <climits>

namespace Edit {

using Effect::EffectType;
using Effect::MediaType;

bool fits(uint8_t x, uint8_t y)
{
    if (x == y || x == MediaType::Any)
        return true;
    if ((y == MediaType::Video || y == MediaType::Audio) && x == MediaType::VideoAudio)
        return true;
    return y == MediaType::VideoAudio && x != MediaType::Camera;
}

namespace {

[[noreturn]] void refuse(const char* place, const char* message)
{
    throw System::makeException(place, message, nullptr);
}

bool isFilter(const EffectManager::EffectPtr& effect)
{
    return effect->effectType == EffectType::Filter;
}

// Calls f(item) for every number item of the effect.
template <class F>
void forEachNumber(const Effect::EffectBase& effect, F&& f)
{
    for (Effect::EffectItem* item : effect.items) {
        if (auto* number = dynamic_cast<Effect::EffectItemNumber*>(item))
            f(*number);
    }
}

// The four built-in effects that turn the layers below into their range.
constexpr const wchar_t* LayerControlNames[] = {L"グループ制御", L"カメラ制御", L"グループ制御(音声)",
                                                L"時間制御(オブジェクト)"};

} // namespace

EffectManager::EffectManager() : effectService(Effect::EffectService::Get()) {}

EffectManager::~EffectManager() = default;

Effect::EffectService& EffectManager::registry() const
{
    if (!effectService)
        throw System::makeException("Edit::EffectManager", "effect service not running.", nullptr);
    return *effectService;
}

EffectManager::EffectPtr EffectManager::newInstance(Effect::EffectDefine& define) const
{
    return define.createEffect();
}

uint8_t EffectManager::objectMedia() const
{
    return effects.front()->objectMediaType;
}

EffectManager::EffectPtr* EffectManager::setEffectByDefine(Effect::EffectDefine& define)
{
    switch (define.getEffectType()) {
    case EffectType::Input: return setInputEffect(define);
    case EffectType::Output: return setOutputEffect(define);
    case EffectType::Filter: return setFilterEffect(define);
    case EffectType::Control: return setControlEffect(define);
    default: refuse("Edit::EffectManager::setEffectByDefine", "invalid effect type.");
    }
}

EffectManager::EffectPtr* EffectManager::setInputEffect(Effect::EffectDefine& define)
{
    constexpr const char* Place = "Edit::EffectManager::setInputEffect";
    if (effects.empty()) {
        effects.push_back(newInstance(define));
        try {
            setOutputEffect(registry().getOutputEffect(define));
        } catch (...) {
            effects.clear();
            throw;
        }
        return &effects[0];
    }
    if (effects[0]->effectType != EffectType::Input)
        refuse(Place, "different effect type.");
    if (define.isSame(effects[0].get()))
        return &effects[0];
    const uint8_t media = objectMedia();
    for (size_t i = 1; i < effects.size(); ++i) {
        if (!fits(effects[i]->mediaType, media))
            refuse(Place, "different filter effect type.");
    }
    effects[0] = newInstance(define);
    return &effects[0];
}

EffectManager::EffectPtr* EffectManager::setOutputEffect(Effect::EffectDefine& define)
{
    constexpr const char* Place = "Edit::EffectManager::setOutputEffect";
    if (effects.empty()) {
        Effect::EffectDefine* input =
            define.getMediaType() == MediaType::Video ? define.prototype->getDefaultInputEffect() : nullptr;
        if (!input)
            refuse(Place, "not exist input effect.");
        EffectPtr output = newInstance(define);
        effects.push_back(newInstance(*input));
        effects.push_back(std::move(output));
        return &effects[1];
    }
    if (effects[0]->effectType != EffectType::Input || !fits(define.getMediaType(), objectMedia()))
        refuse(Place, "different effect type.");
    if (effects.size() == 1)
        effects.push_back(newInstance(define));
    else if (!define.isSame(effects[1].get()))
        effects[1] = newInstance(define);
    return &effects[1];
}

EffectManager::EffectPtr* EffectManager::setFilterEffect(Effect::EffectDefine& define)
{
    if (!effects.empty() && !fits(define.getMediaType(), objectMedia()))
        refuse("Edit::EffectManager::setFilterEffect", "different effect type.");
    effects.push_back(newInstance(define));
    return &effects.back();
}

EffectManager::EffectPtr* EffectManager::setControlEffect(Effect::EffectDefine& define)
{
    // Only a scene change object (object media 5) may become another control object.
    if (!effects.empty() &&
        (effects[0]->effectType != EffectType::Control || objectMedia() != MediaType::SceneChange))
        refuse("Edit::EffectManager::setControlEffect", "can not change control effect.");
    EffectPtr effect = newInstance(define);
    // By identity of the registered built-in definition, never by the text of a name.
    bool control = false;
    Effect::EffectService& service = registry();
    for (const wchar_t* name : LayerControlNames) {
        auto it = service.effects.find(name);
        control |= it != service.effects.end() && &it->second == &define;
    }
    effects.clear();
    layerControl = control;
    effects.push_back(std::move(effect));
    return &effects[0];
}

void EffectManager::fixEffectList()
{
    if (effects.empty())
        return;
    const uint8_t a = objectMedia();
    const uint8_t b =
        effects.size() >= 2 && effects[1]->effectType == EffectType::Output ? effects[1]->mediaType : a;
    // Here the object's media are tested against each effect's own media.
    effects.erase(std::remove_if(effects.begin() + 1, effects.end(),
                                 [&](const EffectPtr& e) { return !fits(a, e->mediaType) || !fits(b, e->mediaType); }),
                  effects.end());
    if (effects[0]->effectType != EffectType::Input)
        return;
    if (effects.size() >= 2 && effects[1]->effectType == EffectType::Output)
        return;
    Effect::EffectDefine& output = registry().getOutputEffect(registry().findEffect(effects[0]->name));
    // A filter that fits the new input stays: the output goes in front of it
    // instead of replacing it.
    effects.insert(effects.begin() + 1, newInstance(output));
}

void EffectManager::moveEffectUp(const Effect::EffectBase* effect)
{
    for (size_t i = 1; i < effects.size(); ++i) {
        if (effects[i].get() == effect) {
            if (isFilter(effects[i]) && isFilter(effects[i - 1]))
                std::swap(effects[i], effects[i - 1]);
            return;
        }
    }
}

void EffectManager::moveEffectDown(const Effect::EffectBase* effect)
{
    for (size_t i = 0; i + 1 < effects.size(); ++i) {
        if (effects[i].get() == effect) {
            if (isFilter(effects[i]) && isFilter(effects[i + 1]))
                std::swap(effects[i], effects[i + 1]);
            return;
        }
    }
}

void EffectManager::removeEffect(const Effect::EffectBase* effect)
{
    if (effects.empty())
        return;
    if (effects[0].get() == effect) {
        // The top effect decides the object's kind: only a filter followed by
        // another filter may go, which then becomes the top.
        if (effects.size() < 2 || !isFilter(effects[0]) || !isFilter(effects[1]))
            return;
        moveEffectDown(effect);
    }
    removeEffectIf([effect](const EffectPtr& e) { return e.get() == effect; });
}

void EffectManager::removeEffectIf(const std::function<bool(const EffectPtr&)>& predicate)
{
    effects.erase(std::remove_if(effects.begin(), effects.end(), predicate), effects.end());
}

EffectManager::EffectPtr* EffectManager::insertEffectAfter(const wchar_t* name,
                                                           const System::IniFile::SectionRef& section,
                                                           const Object& object, const Effect::EffectBase* after)
{
    EffectPtr* slot = setEffectByDefine(registry().findEffect(name));
    Effect::EffectBase::loadIniSectionParameter(**slot, section);
    return placeAfter(slot, object, after);
}

EffectManager::EffectPtr* EffectManager::setEffectByName(const wchar_t* name, const Object& object,
                                                         const Effect::EffectBase* after)
{
    Effect::EffectDefine& define = registry().findEffect(name);
    EffectPtr* slot = setEffectByDefine(define);
    Effect::EffectBase::setItemData(**slot, *define.getEffect());
    return placeAfter(slot, object, after);
}

EffectManager::EffectPtr* EffectManager::placeAfter(EffectPtr* slot, const Object& object,
                                                    const Effect::EffectBase* after)
{
    Effect::setEffectItemValueNum(**slot, static_cast<int>(object.midPoints.size()) + 1);
    if (!after || !isFilter(*slot) || slot != &effects.back())
        return slot;
    size_t i = effects.size() - 1;
    while (i > 0 && isFilter(effects[i - 1]) && effects[i - 1].get() != after) {
        std::swap(effects[i], effects[i - 1]);
        --i;
    }
    return &effects[i];
}

void EffectManager::copyEffectList(EffectManager& target) const
{
    // Built aside first, so a definition that is gone leaves the target as it was.
    EffectList copies;
    copies.reserve(effects.size());
    for (const EffectPtr& effect : effects) {
        EffectPtr copy = registry().findEffect(effect->name).createEffect();
        Effect::EffectBase::setItemData(*copy, *effect);
        copy->disable = effect->disable;
        copy->hide = effect->hide;
        copy->lock = effect->lock;
        copies.push_back(std::move(copy));
    }
    target.effects = std::move(copies);
    target.layerControl = layerControl;
}

EffectManager::ValueMap EffectManager::getValuesAtFrame(Scene* scene, const Object& object, int frame,
                                                        bool interpolate) const
{
    Render::RenderObject state;
    state.scene = scene;
    state.layer = object.layer;
    state.frame = frame;
    state.time = frame;
    // The render state only borrows the object for this call.
    state.object = std::shared_ptr<Object>(std::shared_ptr<Object>(), const_cast<Object*>(&object));
    state.sectionPosition.setPosition(object, frame, frame);

    const int section = object.getSectionIndex(frame);
    const int length = object.getSectionLength(section);
    // A one-frame section has no length to divide by: its start value holds.
    const double t = length > 0 ? static_cast<double>(frame - object.getSectionStart(section)) / length : 0.0;

    ValueMap values;
    for (const EffectPtr& effect : effects) {
        forEachNumber(*effect, [&](Effect::EffectItemNumber& item) {
            if (!item.movement->timeControl) {
                values[&item] = {item.getValue(state), -1};
            } else if (interpolate) {
                const double from = item.getIndexValue(section);
                const double to = item.getIndexValue(section + 1);
                values[&item] = {from + t * (to - from), -1};
            } else {
                values[&item] = {item.getValue(state), item.movement->getCurrentSection(item, state.sectionPosition)};
            }
        });
    }
    return values;
}

EffectManager::ValueMap EffectManager::getPointValues(const Object& object, int point, const Object* other)
{
    const int mids = static_cast<int>(object.midPoints.size());
    ValueMap values;
    for (size_t e = 0; e < object.effects.size(); ++e) {
        const Effect::EffectBase& effect = *object.effects[e];
        const Effect::EffectBase* counterpart =
            other ? (e < other->effects.size() ? other->effects[e].get() : nullptr) : &effect;
        if (!counterpart)
            continue;
        for (size_t k = 0; k < effect.items.size(); ++k) {
            auto* item = dynamic_cast<const Effect::EffectItemNumber*>(effect.items[k]);
            if (!item)
                continue;
            const Effect::EffectItemNumber* key =
                k < counterpart->items.size() ? dynamic_cast<const Effect::EffectItemNumber*>(counterpart->items[k])
                                              : nullptr;
            if (!key)
                continue;
            const int count = static_cast<int>(item->values.size());
            int index = 0;
            if (count >= 2 && point > 0)
                index = point >= mids + 1 ? count - 1 : count == mids + 2 ? point : 0;
            values[key] = {item->getIndexValue(index), -1};
        }
    }
    return values;
}

int EffectManager::getObjectType() const
{
    constexpr const char* Place = "Edit::EffectManager::getObjectType";
    if (effects.empty())
        refuse(Place, "not exist effect.");
    const Effect::EffectBase& top = *effects[0];
    switch (top.effectType) {
    case EffectType::Input: {
        const uint8_t media = effects.size() >= 2 ? effects[1]->mediaType : top.mediaType;
        return media == MediaType::Video ? ObjectType::Video
               : media == MediaType::Audio ? ObjectType::Audio
                                           : ObjectType::VideoAudio;
    }
    case EffectType::Filter:
        return top.mediaType == MediaType::Video ? ObjectType::VideoFilter
               : top.mediaType == MediaType::Audio ? ObjectType::AudioFilter
                                                   : ObjectType::VideoAudioFilter;
    case EffectType::Control: return ObjectType::Control;
    default: refuse(Place, "illegal top effect.");
    }
}

} // namespace Edit
