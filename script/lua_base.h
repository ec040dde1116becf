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
    // order two threads can take. A run lets it go only to wait for another
    // thread that may run scripts (LuaInstance::LockRelease).
    static std::recursive_mutex& engineLock();

    // Under the lock: a state for a run nested `depth` runs of this engine
    // deep on its thread (0 for the outermost): the first pooled state no run
    // holds, made (library loaded, the function tables registered) when there
    // is none; a fifth depth throws "lua recursive call limit exceeded.".
    // Nested runs take their states in order, so each depth finds the one it
    // had; a state held by a run waiting without the lock stays out of reach.
    Lua::lua_State* createLuaState(int depth);
    // The state goes back to the pool. abandoned: it crashed, so it is dropped
    // without closing and its slot makes a new one at its next use.
    void releaseLuaState(Lua::lua_State* state, bool abandoned);

    // The number of pooled states runs hold now.
    int heldCount() const;

    struct PooledState {
        Lua::lua_State* state = nullptr; // null: abandoned, or not made yet
        bool held = false;
    };
    std::vector<PooledState> pool;
};

} // namespace Plugin
