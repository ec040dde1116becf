#pragma once
// The registry of everything a user can put into an object's effect chain or
// onto a number item: effects, movements and aliases. Filled in one fixed
// order by the constructor; that order is the default menu order.
#include "core/service.h"
#include "effect/effect_define.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace Effect {

class EffectService : public System::Singleton<EffectService> {
public:
    // The built-in effect classes are registered in two runs: the sources,
    // outputs and filters before the script files, the script control, camera,
    // basic and audio effects after them. The program entry installs the
    // tables of the effect classes before the service is built.
    struct BuiltInEffects {
        void (*beforeScripts)(EffectService&) = nullptr;
        void (*afterScripts)(EffectService&) = nullptr;
    };
    static BuiltInEffects builtInEffects;

    EffectService();
    ~EffectService();

    // Registers an effect class: its prototype is created with args, gets the
    // next order value and its shared resource. A duplicate name or a failure
    // is shown in an error box and gives an empty pointer; start-up goes on.
    template <class T, class... Args>
    std::shared_ptr<T> registerEffect(Args&&... args)
    {
        std::shared_ptr<T> instance;
        try {
            instance = std::make_shared<T>(std::forward<Args>(args)...);
        } catch (const std::exception& e) {
            reportFailure(false, typeid(T), e);
            return nullptr;
        }
        return addEffect(instance, typeid(T)) ? instance : nullptr;
    }
    template <class T, class... Args>
    std::shared_ptr<T> registerMovement(Args&&... args)
    {
        std::shared_ptr<T> instance;
        try {
            instance = std::make_shared<T>(std::forward<Args>(args)...);
        } catch (const std::exception& e) {
            reportFailure(true, typeid(T), e);
            return nullptr;
        }
        return addMovement(instance, typeid(T)) ? instance : nullptr;
    }

    // Lookups compare the whole name exactly, never the translated text.
    EffectDefine& findEffect(const wchar_t* name);
    // As findEffect, mapping a name that is not registered through effect.conf [OldScript].
    EffectDefine& findOldEffect(const wchar_t* name);
    std::wstring convertOldEffectName(const wchar_t* name);
    // A new instance of the named effect; empty for a name that is not registered.
    std::shared_ptr<EffectBase> createEffect(const wchar_t* name);
    // The registry's own prototype of a built-in effect class T, which names
    // itself as T::Name. Callers use only its stateless operations and shared resources.
    template <class T>
    T* getDefaultEffect()
    {
        if (T* effect = dynamic_cast<T*>(findPrototype(T::Name)))
            return effect;
        throwDefaultEffectNotFound(typeid(T));
    }
    // The output effect that goes with an input effect.
    EffectDefine& getOutputEffect(const EffectDefine& input);
    MovementDefine& findMovement(const wchar_t* name);
    // The movement instance of a name through the running service.
    static MovementBase* findMovementInstance(const wchar_t* name);

    // Effects and aliases for a menu, sorted by order. selector: 0 all, 200 the
    // object menu, 201 filters, else that effect type; media values 0 mean any.
    std::vector<EffectMenuDefine*> getEffectMenuList(uint8_t selector, uint8_t media, uint8_t objectMedia);
    // The distinct non-empty labels of effects and aliases, in menu order.
    std::vector<const wchar_t*> getEffectLabelList();
    using MovementListFilter = std::function<void(std::vector<MovementDefine*>&)>;
    // The listed movements, passed through the filter, sorted by order.
    std::vector<MovementDefine*> getMovementList(MovementListFilter filter);
    // Sets the label of the first alias with that name.
    void setAliasLabel(const std::wstring& aliasName, const std::wstring& label);

    bool ready = false;
    int32_t orderCounter = 0;
    std::unordered_map<std::wstring, EffectDefine> effects;
    std::unordered_map<std::wstring, MovementDefine> movements;
    std::vector<std::unique_ptr<AliasDefine>> aliases;

private:
    bool addEffect(const std::shared_ptr<EffectBase>& instance, const std::type_info& type);
    bool addMovement(const std::shared_ptr<MovementBase>& instance, const std::type_info& type);
    void reportFailure(bool movement, const std::type_info& type, const std::exception& e);
    EffectBase* findPrototype(const wchar_t* name);
    [[noreturn]] void throwDefaultEffectNotFound(const std::type_info& type);
    void registerMovements();
};

} // namespace Effect
