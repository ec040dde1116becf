#include "effect/effect_service.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/module_trust_list.h"
#include "core/report.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/movement.h"
#include "effect/resource_lists.h"

#include <algorithm>

namespace Effect {

EffectService::BuiltInEffects EffectService::builtInEffects;
EffectService::ScriptEffects EffectService::scriptEffects;

namespace {

bool selectorKeeps(uint8_t selector, uint8_t type, bool bringsInput)
{
    switch (selector) {
    case 0:
        return true;
    case EffectType::ObjectMenu:
        return type == EffectType::Input || type == EffectType::Control || type == EffectType::ObjectAlias ||
               bringsInput;
    case EffectType::FilterMenu:
        return type == EffectType::Filter || type == EffectType::EffectAlias;
    default:
        return type == selector;
    }
}

} // namespace

EffectService::EffectService() : trustList(Plugin::ModuleTrustList::Get())
{
    // Built-in effects name their figures and wipes as they are made.
    fillResourceLists();
    registerMovements();
    NoMove::instance = findMovement(L"移動無し").movement.get();
    LinearSpeed::instance = findMovement(L"直線移動(時間制御)").movement.get();
    MovieRange::instance = findMovement(L"再生範囲").movement.get();
    if (builtInEffects.beforeScripts)
        builtInEffects.beforeScripts(*this);
    registerScript();
    if (builtInEffects.afterScripts)
        builtInEffects.afterScripts(*this);
    reloadAlias();
    movementParams.reloadMovementParams();
    palette.reloadPalette();
    ready = true;
}

EffectService::~EffectService()
{
    aliases.clear();
    effects.clear();
    // Items must not outlive the service; the pointers are cleared so a late use fails plainly.
    NoMove::instance = nullptr;
    LinearSpeed::instance = nullptr;
    MovieRange::instance = nullptr;
    movements.clear();
}

void EffectService::registerMovements()
{
    registerMovement<NoMove>();
    registerMovement<MovieRange>();
    registerMovement<LinearMove>();
    registerMovement<LinearSpeed>();
    registerMovement<InterpolationMove>();
    registerMovement<InterpolationSpeed>();
    registerMovement<RandomMove>();
    registerMovement<TeleportationMove>();
}

void EffectService::reportFailure(bool movement, const std::type_info& type, const std::exception& e)
{
    System::Report::showError(movement ? "Failed to register movement. [%s]\n\n%s"
                                       : "Failed to register effect. [%s]\n\n%s",
                              System::typeName(type).c_str(), e.what());
}

bool EffectService::addEffect(const std::shared_ptr<EffectBase>& instance, const std::type_info& type)
{
    const int order = orderCounter++;
    const std::wstring key = instance->name;
    auto [it, inserted] = effects.try_emplace(key, instance, order);
    if (!inserted) {
        System::Report::showError(L"Failed to register effect. [%s]\n\n%s", instance->name,
                                  L"Duplicate effects with the same key exist.");
        return false;
    }
    try {
        instance->createCommonResource();
        System::Log::info("Effect::EffectService::registerEffect", L"register effect [%s]", instance->name);
        instance->initializeDefault();
    } catch (const std::exception& e) {
        effects.erase(it);
        reportFailure(false, type, e);
        return false;
    }
    return true;
}

bool EffectService::addMovement(const std::shared_ptr<MovementBase>& instance, const std::type_info&)
{
    const int order = orderCounter++;
    auto [it, inserted] = movements.try_emplace(std::wstring(instance->name), instance, order);
    if (!inserted) {
        System::Report::showError(L"Failed to register movement. [%s]\n\n%s", instance->name,
                                  L"Duplicate movements with the same key exist.");
        return false;
    }
    System::Log::info("Effect::EffectService::registerMovement", L"register movement [%s]", instance->name);
    return true;
}

EffectDefine& EffectService::findEffect(const wchar_t* name)
{
    auto it = effects.find(name);
    if (it == effects.end())
        throw System::makeFormatException("Effect::EffectService::findEffect", "not found effect.", L"%s", name);
    return it->second;
}

std::wstring EffectService::convertOldEffectName(const wchar_t* name)
{
    auto* settings = Setting::SettingService::Get();
    if (!settings)
        return name;
    const System::IniFile::SectionRef section = settings->effect.getSection("OldScript");
    const System::IniFile::VALUE* value = section.section().find(System::wideToUtf8(name));
    return value ? value->toString() : std::wstring(name);
}

EffectDefine& EffectService::findOldEffect(const wchar_t* name)
{
    auto it = effects.find(name);
    if (it != effects.end())
        return it->second;
    const std::wstring mapped = convertOldEffectName(name);
    return findEffect(mapped.c_str());
}

std::shared_ptr<EffectBase> EffectService::createEffect(const wchar_t* name)
{
    auto it = effects.find(name);
    return it == effects.end() ? nullptr : it->second.createEffect();
}

EffectBase* EffectService::findPrototype(const wchar_t* name)
{
    auto it = effects.find(name);
    return it == effects.end() ? nullptr : it->second.prototype.get();
}

void EffectService::throwDefaultEffectNotFound(const std::type_info& type)
{
    throw System::makeException("Effect::EffectService::getDefaultEffect", "default effect not found",
                                System::typeName(type).c_str());
}

EffectDefine& EffectService::getOutputEffect(const EffectDefine& input)
{
    const EffectBase& effect = *input.prototype;
    switch (effect.mediaType) {
    case MediaType::VideoAudio:
        return findEffect(L"映像再生");
    case MediaType::Video:
        return findEffect(std::wstring_view(effect.name) == L"フレームバッファ" ? L"基本出力" : L"標準描画");
    case MediaType::Audio:
        return findEffect(L"音声再生");
    default:
        throw System::makeException("Effect::EffectService::getOutputEffect", "invalid input effect type.", nullptr);
    }
}

MovementDefine& EffectService::findMovement(const wchar_t* name)
{
    auto it = movements.find(name);
    if (it == movements.end())
        throw System::makeException("Effect::EffectService::findMovement", "not found movement.", nullptr);
    return it->second;
}

MovementBase* EffectService::findMovementInstance(const wchar_t* name)
{
    EffectService* service = Get();
    if (!service)
        throw System::makeException("Effect::EffectService::findMovement", "not found movement.", nullptr);
    return service->findMovement(name).movement.get();
}

std::vector<EffectMenuDefine*> EffectService::getEffectMenuList(uint8_t selector, uint8_t media, uint8_t objectMedia)
{
    std::vector<EffectMenuDefine*> list;
    for (auto& [name, define] : effects) {
        const uint8_t type = define.getEffectType();
        if (selector != 0 && !selectorKeeps(selector, type,
                                            selector == EffectType::ObjectMenu &&
                                                define.prototype->getDefaultInputEffect() != nullptr))
            continue;
        if (!mediaCompatible(define.getMediaType(), media) || !mediaCompatible(define.getObjectMediaType(), objectMedia))
            continue;
        list.push_back(&define);
    }
    for (auto& alias : aliases) {
        if (!selectorKeeps(selector, alias->getEffectType(), false))
            continue;
        if (!mediaCompatible(alias->getMediaType(), media) || !mediaCompatible(alias->getObjectMediaType(), objectMedia))
            continue;
        list.push_back(alias.get());
    }
    sortByOrder(list);
    return list;
}

std::vector<const wchar_t*> EffectService::getEffectLabelList()
{
    std::vector<EffectMenuDefine*> all;
    for (auto& [name, define] : effects)
        all.push_back(&define);
    for (auto& alias : aliases)
        all.push_back(alias.get());
    sortByOrder(all);
    return distinctLabels(all);
}

std::vector<MovementDefine*> EffectService::getMovementList(MovementListFilter filter)
{
    std::vector<MovementDefine*> list;
    for (auto& [name, define] : movements) {
        if (define.movement->listed)
            list.push_back(&define);
    }
    if (filter)
        filter(list);
    filter = nullptr;
    sortByOrder(list);
    return list;
}

} // namespace Effect
