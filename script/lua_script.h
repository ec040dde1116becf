#pragma once
// The two script engines. Each is a Lua 5.1 interface in a shared library that
// is loaded at the first run; until the engines load their libraries every
// instance they are asked for fails with "not implement.".
#include "effect/script_plugin.h"

namespace Plugin {

class LuaScript final : public ScriptPlugin {
public:
    LuaScript();
};

class LuaJitScript final : public ScriptPlugin {
public:
    LuaJitScript();
};

} // namespace Plugin
