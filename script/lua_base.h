#pragma once
// A Lua 5.1 engine: its library, loaded at the first run and bound by name,
// and a pool of interpreter states, one per nesting depth. States are never
// reset between runs: the globals a script leaves stay for the next run of
// any script of the engine at the same depth.
#include "effect/script_plugin.h"
#include "script/lua_api.h"

#include <mutex>
#include <string>
#include <vector>

namespace Plugin {

class LuaModule {
public:
    LuaModule() = default;
    ~LuaModule();
    LuaModule(const LuaModule&) = delete;
    LuaModule& operator=(const LuaModule&) = delete;

    // Loads the library by file name through the system's library path and
    // binds the 37 entry points; nothing when it is loaded. A failure throws
    // (the loader's message as note) and leaves it unloaded, so the next run
    // tries again.
    void loadModule(const std::wstring& fileName);
    void freeModule();
    bool isLoaded() const { return module_ != nullptr; }

    Lua::Api api{};

private:
    void* module_ = nullptr;
};

class LuaBase : public ScriptPlugin, public LuaModule {
public:
    static constexpr int MaxDepth = 4;

    LuaBase(std::wstring displayName, std::string key, std::wstring moduleFileName);
    // Closes the pooled states and frees the library.
    ~LuaBase() override;

    std::unique_ptr<ScriptPluginInstance> createMovementInstance(const Effect::ScriptMovement& movement,
                                                                 const Effect::EffectItemNumber& item,
                                                                 const Render::SectionPosition& position,
                                                                 const Render::RenderObject& object) override;
    std::unique_ptr<ScriptPluginInstance> createEffectInstance(Effect::EffectBase& effect,
                                                               Render::RenderObject& object) override;

    // The one lock of both engines. Runs of the two nest inside each other, so
    // one recursive lock (taken by every instance for its life) is the only
    // order two threads can take.
    static std::recursive_mutex& engineLock();

    // Under the lock: the state of the next depth, made (library loaded, the
    // function tables registered) when that depth has none; a fifth depth
    // throws "lua recursive call limit exceeded.".
    Lua::lua_State* createLuaState();
    // The innermost state goes back to the pool. abandoned: it crashed, so it
    // is dropped without closing and made anew at its next use.
    void releaseLuaState(bool abandoned);

    std::vector<Lua::lua_State*> pool; // by depth; null for an abandoned state
    int depth = 0;
};

} // namespace Plugin
