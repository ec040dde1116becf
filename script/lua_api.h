#pragma once
// The binary interface of a Lua 5.1 engine library, declared here so that
// neither engine is linked: each is loaded at run time and its functions are
// bound by name into one table whose order is fixed (the script functions
// index it). Only what the host calls is declared.
#include <cstddef>

namespace Lua {

struct lua_State;
struct lua_Debug;

using lua_Number = double;
using lua_Integer = std::ptrdiff_t;
using lua_CFunction = int (*)(lua_State* L);
using lua_Hook = void (*)(lua_State* L, lua_Debug* ar);

// A (name, function) pair of a registration list, ended by {nullptr, nullptr}.
struct luaL_Reg {
    const char* name;
    lua_CFunction func;
};

constexpr int LUA_REGISTRYINDEX = -10000;
constexpr int LUA_GLOBALSINDEX = -10002;
constexpr int LUA_MULTRET = -1;

constexpr int LUA_TNONE = -1;
constexpr int LUA_TNIL = 0;
constexpr int LUA_TBOOLEAN = 1;
constexpr int LUA_TLIGHTUSERDATA = 2;
constexpr int LUA_TNUMBER = 3;
constexpr int LUA_TSTRING = 4;
constexpr int LUA_TTABLE = 5;
constexpr int LUA_TFUNCTION = 6;
constexpr int LUA_TUSERDATA = 7;

constexpr int LUA_ERRRUN = 2;
constexpr int LUA_ERRSYNTAX = 3;
constexpr int LUA_ERRMEM = 4;
constexpr int LUA_ERRERR = 5;

// The bound functions, in the order of EntryNames.
struct Api {
    lua_Number (*luaL_checknumber)(lua_State* L, int narg);
    lua_Integer (*luaL_checkinteger)(lua_State* L, int narg);
    const char* (*luaL_checklstring)(lua_State* L, int narg, size_t* len);
    int (*lua_pcall)(lua_State* L, int nargs, int nresults, int errfunc);
    const char* (*lua_tolstring)(lua_State* L, int idx, size_t* len);
    int (*luaL_loadstring)(lua_State* L, const char* s);
    void (*lua_settop)(lua_State* L, int idx);
    void (*luaL_register)(lua_State* L, const char* libname, const luaL_Reg* l);
    void (*luaL_openlibs)(lua_State* L);
    lua_State* (*luaL_newstate)();
    void (*lua_close)(lua_State* L);
    void (*lua_pushnumber)(lua_State* L, lua_Number n);
    void (*lua_setfield)(lua_State* L, int idx, const char* k);
    void (*lua_pushnil)(lua_State* L);
    void (*lua_getfield)(lua_State* L, int idx, const char* k);
    lua_Number (*lua_tonumber)(lua_State* L, int idx);
    lua_Integer (*lua_tointeger)(lua_State* L, int idx);
    void (*lua_pushinteger)(lua_State* L, lua_Integer n);
    int (*lua_gettop)(lua_State* L);
    void (*lua_createtable)(lua_State* L, int narr, int nrec);
    void (*lua_pushboolean)(lua_State* L, int b);
    int (*lua_isnumber)(lua_State* L, int idx);
    int (*lua_isstring)(lua_State* L, int idx);
    int (*lua_sethook)(lua_State* L, lua_Hook func, int mask, int count);
    int (*luaL_error)(lua_State* L, const char* fmt, ...);
    void (*lua_settable)(lua_State* L, int idx);
    int (*lua_type)(lua_State* L, int idx);
    void (*lua_gettable)(lua_State* L, int idx);
    void (*lua_pushstring)(lua_State* L, const char* s);
    void (*lua_pushlightuserdata)(lua_State* L, void* p);
    void* (*lua_touserdata)(lua_State* L, int idx);
    int (*lua_toboolean)(lua_State* L, int idx);
    int (*lua_isuserdata)(lua_State* L, int idx);
    void* (*lua_newuserdata)(lua_State* L, size_t size);
    int (*lua_next)(lua_State* L, int idx);
    size_t (*lua_objlen)(lua_State* L, int idx);
    void (*lua_rawget)(lua_State* L, int idx);

    void pop(lua_State* L, int n) const { lua_settop(L, -n - 1); }
};

constexpr int EntryCount = 37;
static_assert(sizeof(Api) == EntryCount * sizeof(void*));

// The exported names, in the order of Api's members.
extern const char* const EntryNames[EntryCount];

} // namespace Lua
