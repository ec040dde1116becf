#pragma once
// The bodies of the script functions, one family per file of this folder. The
// registration tables (script/script_functions.cpp) wrap each in its
// trampoline; every body follows the rule written there.
#include "script/lua_api.h"

namespace Plugin::ScriptFunctions {

// Numbers, colours and geometry (number_functions.cpp).
int bitOr(Lua::lua_State* L);
int bitAnd(Lua::lua_State* L);
int bitXor(Lua::lua_State* L);
int shift(Lua::lua_State* L);
int rgb(Lua::lua_State* L);
int hsv(Lua::lua_State* L);
int rotation(Lua::lua_State* L);
int interpolation(Lua::lua_State* L);
// Values, options and filter calls (value_functions.cpp).
int getvalue(Lua::lua_State* L);
int getpoint(Lua::lua_State* L);
int getoption(Lua::lua_State* L);
int setoption(Lua::lua_State* L);
int effect(Lua::lua_State* L);

// Pixel access (pixel_functions.cpp).
int getpixel(Lua::lua_State* L);
int putpixel(Lua::lua_State* L);
int copypixel(Lua::lua_State* L);
int pixeloption(Lua::lua_State* L);

// Object image sources and buffers (buffer_functions.cpp).
int load(Lua::lua_State* L);
int setfont(Lua::lua_State* L);
int copybuffer(Lua::lua_State* L);
int clearbuffer(Lua::lua_State* L);

// Script shaders (shader_functions.cpp).
int pixelshader(Lua::lua_State* L);
int computeshader(Lua::lua_State* L);

// Drawing (draw_functions.cpp).
int draw(Lua::lua_State* L);
int drawpoly(Lua::lua_State* L);

// Anchors (anchor_functions.cpp).
int setanchor(Lua::lua_State* L);

// Audio access (audio_functions.cpp).
int getaudio(Lua::lua_State* L);

// getpixeldata, putpixeldata and filter.
int unsupported(Lua::lua_State* L);

} // namespace Plugin::ScriptFunctions
