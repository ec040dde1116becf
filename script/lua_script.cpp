#include "script/lua_script.h"

namespace Plugin {

LuaScript::LuaScript() : LuaBase(L"Lua5.1.4", "lua", L"liblua5.1.so.0") {}

LuaJitScript::LuaJitScript() : LuaBase(L"LuaJIT2.1", "luaJIT", L"libluajit-5.1.so.2") {}

} // namespace Plugin
