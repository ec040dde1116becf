#include "script/lua_script.h"

namespace Plugin {

LuaScript::LuaScript() : ScriptPlugin(L"Lua5.1.4", "lua", L"liblua5.1.so.0") {}

LuaJitScript::LuaJitScript() : ScriptPlugin(L"LuaJIT2.1", "luaJIT", L"libluajit-5.1.so.2") {}

} // namespace Plugin
