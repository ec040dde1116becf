#pragma once
// The two script engines: Lua 5.1 and LuaJIT, each a Lua 5.1 interface in a
// shared library of the system, loaded at the first run.
#include "script/lua_base.h"

namespace Plugin {

class LuaScript final : public LuaBase {
public:
    LuaScript();
};

class LuaJitScript final : public LuaBase {
public:
    LuaJitScript();
};

} // namespace Plugin
