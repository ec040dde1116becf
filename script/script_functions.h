#pragma once
// The native functions scripts call: the two registration tables every new
// interpreter state receives, and the rule every function follows.
//
// The rule. Lua 5.1 raises its errors with longjmp, which skips C++
// destructors, and no C++ exception may cross the interpreter's frames. So a
// function is written in two parts:
//   - its body, `int body(Lua::lua_State* L)`: ordinary C++ that may own
//     objects and throw. It reads arguments only through the readers below,
//     which never raise, and calls no interpreter function that raises
//     (luaL_check*, luaL_error). To stop the script with a message it throws
//     ScriptCall::fail(...). A standard exception ("not effect script.") ends
//     the run: the run keeps it and rethrows it after its protected call.
//     It returns the number of results it pushed.
//   - its trampoline, ScriptCall::function<body>: a plain function that owns
//     nothing. It calls the body and, once the body's frames are gone, raises
//     the interpreter error the body asked for: a bad argument through the
//     engine's own check (so the message is the engine's), a message through
//     luaL_error.
// A table entry is {"name", ScriptCall::function<body>}. Bodies reach their
// run through LuaInstance::current() and the engine through LuaInstance::api().
#include "script/lua_api.h"

#include <cstdint>
#include <string>

namespace Plugin {

namespace ScriptCall {

using Body = int (*)(Lua::lua_State* L);

// Runs body; a negative result means an error waits to be raised.
int enter(Body body, Lua::lua_State* L);
// Raises the waiting error; never returns.
int raise(Lua::lua_State* L);

template <Body body>
int function(Lua::lua_State* L)
{
    const int results = enter(body, L);
    return results >= 0 ? results : raise(L);
}

// Argument readers: as luaL_checknumber, luaL_checkinteger and
// luaL_checklstring, but a bad argument throws; the trampoline then lets the
// engine raise its own argument error.
Lua::lua_Number checkNumber(Lua::lua_State* L, int index);
Lua::lua_Integer checkInteger(Lua::lua_State* L, int index);
const char* checkString(Lua::lua_State* L, int index, size_t* length = nullptr);

// Stops the script with the formatted message (luaL_error's, with the
// script's position before it).
[[noreturn]] void fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace ScriptCall

// The registration tables, each ended by {nullptr, nullptr}: the globals
// (under "_G") and the functions of "obj". Their order is fixed; functions are
// added in their places as they are built.
extern const Lua::luaL_Reg GlobalFunctions[];
extern const Lua::luaL_Reg ObjectFunctions[];

// "rand": an integer in [min(a, b), max(a, b)], the same for the same seed
// and frame. Widths and seeds are 64-bit, so the whole int range works.
int64_t scriptRandom(int32_t a, int32_t b, int64_t seed, int64_t frame);

} // namespace Plugin
