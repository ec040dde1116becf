#include "script/lua_base.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/script_file_parser.h"
#include "effect/script_movement.h"
#include "platform/os/module.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>

namespace Lua {

const char* const EntryNames[EntryCount] = {
    "luaL_checknumber", "luaL_checkinteger", "luaL_checklstring", "lua_pcall",         "lua_tolstring",
    "luaL_loadstring",  "lua_settop",        "luaL_register",     "luaL_openlibs",     "luaL_newstate",
    "lua_close",        "lua_pushnumber",    "lua_setfield",      "lua_pushnil",       "lua_getfield",
    "lua_tonumber",     "lua_tointeger",     "lua_pushinteger",   "lua_gettop",        "lua_createtable",
    "lua_pushboolean",  "lua_isnumber",      "lua_isstring",      "lua_sethook",       "luaL_error",
    "lua_settable",     "lua_type",          "lua_gettable",      "lua_pushstring",    "lua_pushlightuserdata",
    "lua_touserdata",   "lua_toboolean",     "lua_isuserdata",    "lua_newuserdata",   "lua_next",
    "lua_objlen",       "lua_rawget",
};

} // namespace Lua

namespace Plugin {

// ---- LuaModule ----

LuaModule::~LuaModule()
{
    freeModule();
}

void LuaModule::loadModule(const std::wstring& fileName)
{
    constexpr const char* Place = "Plugin::LuaModule::loadModule";
    if (module_)
        return;
    System::Log::info(Place, L"load script module [%s]", fileName.c_str());
    std::string error;
    void* module = Platform::Os::loadModule(System::toLocalPath(fileName), error);
    if (!module)
        throw System::makeException(Place, "LoadLibrary() failed.", error.c_str());
    Lua::Api bound{};
    auto* entries = reinterpret_cast<void**>(&bound);
    for (int i = 0; i < Lua::EntryCount; ++i) {
        entries[i] = Platform::Os::findSymbol(module, Lua::EntryNames[i], error);
        if (!entries[i]) {
            Platform::Os::freeModule(module);
            throw System::makeException(Place, "GetProcAddress() failed.", error.c_str());
        }
    }
    api = bound;
    module_ = module;
}

void LuaModule::freeModule()
{
    if (!module_)
        return;
    System::Log::info("Plugin::LuaModule::freeModule", "free script module");
    Platform::Os::freeModule(module_);
    module_ = nullptr;
    api = {};
}

// ---- LuaBase ----

LuaBase::LuaBase(std::wstring displayName, std::string key, std::wstring moduleFileName)
    : ScriptPlugin(std::move(displayName), std::move(key), std::move(moduleFileName))
{
}

LuaBase::~LuaBase()
{
    std::lock_guard lock(engineLock());
    for (const PooledState& p : pool) {
        if (p.state)
            api.lua_close(p.state);
    }
    pool.clear();
    freeModule();
}

std::recursive_mutex& LuaBase::engineLock()
{
    static std::recursive_mutex lock;
    return lock;
}

Lua::lua_State* LuaBase::createLuaState(int depth)
{
    constexpr const char* Place = "Plugin::LuaBase::createLuaState";
    if (depth >= MaxDepth)
        throw System::makeException(Place, "lua recursive call limit exceeded.", nullptr);
    auto slot = std::find_if(pool.begin(), pool.end(), [](const PooledState& p) { return !p.held; });
    if (slot != pool.end() && slot->state) {
        slot->held = true;
        return slot->state;
    }
    loadModule(moduleFileName);
    Lua::lua_State* state = api.luaL_newstate();
    if (!state)
        throw System::makeException(Place, "luaL_newstate() failed.", nullptr);
    api.luaL_openlibs(state);
    api.luaL_register(state, "_G", GlobalFunctions);
    api.luaL_register(state, "obj", ObjectFunctions);
    LuaInstance::registerHostFunctions(api, state);
    api.lua_settop(state, 0);
    // Under the lock nobody else touched the pool meanwhile: the slot found stands.
    if (slot == pool.end())
        slot = pool.insert(pool.end(), PooledState{});
    *slot = {state, true};
    return state;
}

int LuaBase::heldCount() const
{
    return static_cast<int>(std::count_if(pool.begin(), pool.end(), [](const PooledState& p) { return p.held; }));
}

void LuaBase::releaseLuaState(Lua::lua_State* state, bool abandoned)
{
    for (PooledState& p : pool) {
        if (p.state == state && p.held) {
            p.held = false;
            // A state a crash left half-way is not touched again (closing it
            // could crash too): it is left to the process.
            if (abandoned)
                p.state = nullptr;
            return;
        }
    }
}

std::unique_ptr<ScriptPluginInstance> LuaBase::createMovementInstance(const Effect::ScriptMovement& movement,
                                                                      const Effect::EffectItemNumber& item,
                                                                      const Render::SectionPosition& position,
                                                                      const Render::RenderObject& object)
{
    auto instance = std::make_unique<LuaInstance>(*this, movement.getScript());
    instance->itemObject = &object;
    instance->movement = &movement;
    instance->trackItem = &item;
    instance->targetSection = &position;
    return instance;
}

std::unique_ptr<ScriptPluginInstance> LuaBase::createEffectInstance(Effect::EffectBase& effect,
                                                                    Render::RenderObject& object)
{
    auto* parser = dynamic_cast<Effect::ScriptFileParser*>(&effect);
    auto instance = std::make_unique<LuaInstance>(*this, parser ? parser->getScript() : nullptr);
    instance->itemObject = &object;
    instance->renderTarget = &object;
    instance->effect = &effect;
    return instance;
}

} // namespace Plugin
