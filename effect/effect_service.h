#pragma once
// The registry of everything a user can put into an object's effect chain or
// onto a number item: effects, movements and aliases. Filled in one fixed
// order by the constructor; that order is the default menu order.
#include "core/service.h"
#include "effect/effect_define.h"
#include "effect/movement_params.h"
#include "effect/palette.h"

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace Plugin { class ModuleTrustList; }

namespace Effect {

class ScriptFileParser;
struct ScriptSection;

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

    // The effect classes of script files, one per kind; the program entry
    // installs them (their classes belong to the object effects) before the
    // service is built. Each makes its effect from the section name and is a
    // ScriptFileParser. Files of a kind left empty are not registered.
    struct ScriptClass {
        std::shared_ptr<EffectBase> (*create)(const wchar_t* name) = nullptr;
        const std::type_info* type = nullptr;

        template <class T>
        static ScriptClass of()
        {
            return {[](const wchar_t* name) -> std::shared_ptr<EffectBase> { return std::make_shared<T>(name); },
                    &typeid(T)};
        }
    };
    struct ScriptEffects {
        ScriptClass input;       // "obj2", "obj": custom objects
        ScriptClass filter;      // "anm2", "anm": animation effects
        ScriptClass camera;      // "cam2", "cam": camera effects
        ScriptClass sceneChange; // "scn2", "scn": scene changes
    };
    static ScriptEffects scriptEffects;

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

    // ---- script files
    // The built-in script collections, then the script folder, then each of its
    // sub-folders (one level). At start-up every section of every trusted file
    // becomes an effect or a movement; once the service is ready it only
    // refreshes the texts of the scripts registered from the same files.
    void registerScript();
    // One folder: the sub-folder of the script folder of that name, or the
    // script folder itself for null.
    void registerScriptFolder(const wchar_t* folder);
    // Every section of one file as an effect of a script class.
    void registerScriptEffect(const ScriptClass& scriptClass, const std::wstring& path, const wchar_t* folder,
                              bool builtIn, bool oldFormat, const char* engine);
    // Every section of one movement script file as a ScriptMovement.
    void registerScriptMovement(const std::wstring& path, const wchar_t* folder, bool builtIn, bool oldFormat,
                                const char* engine);
    // The rows of the script information dialog: {information or name, kind}
    // for the filters, objects, camera effects and movements of the script folder.
    std::vector<std::vector<std::wstring>> getScriptInformationList();

    // ---- aliases
    // Appends every "%Alias%/*.<extension>" file as an alias of the kind.
    void registerAlias(const wchar_t* extension, uint8_t kind);
    // Clears the alias list and registers the object aliases, then the effect
    // aliases; the alias-save commands run it after writing a file.
    void reloadAlias();
    // Sets the label of the first alias of that name and kind.
    void setAliasLabel(const std::wstring& aliasName, uint8_t kind, const std::wstring& label);

    MovementParamsManager movementParams;
    PaletteManager palette;
    Plugin::ModuleTrustList* trustList;
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
    std::shared_ptr<EffectBase> registerScriptClass(const ScriptClass& scriptClass, const wchar_t* name);
    // Registers (or, when ready, refreshes) the sections of a file. find gives the
    // registered script of a name; add registers a new one and gives its menu
    // entry and script, or null.
    using FindScript = std::function<ScriptFileParser*(const std::wstring& name)>;
    using AddScript = std::function<Menu::MenuDefineBase*(const std::wstring& name, ScriptFileParser*& script)>;
    void registerScriptSections(const std::wstring& path, const wchar_t* folder, bool builtIn, bool oldFormat,
                                const char* engine, const FindScript& find, const AddScript& add);

    // The file each script was registered from: a reload refreshes a script only
    // from that file.
    std::unordered_map<const ScriptFileParser*, std::wstring> scriptOrigins_;
};

} // namespace Effect
