#pragma once
// Keyword tables several script functions share (narrow names, hashed with
// FNV-1a), and the run lookups the script functions need beside the instance's.
#include <string>
#include <string_view>
#include <vector>

#include "script/lua_api.h"

namespace Effect { class EffectItemNumber; }

namespace Plugin {

class LuaInstance;

namespace ScriptKeywords {

// The blend mode of a name ("add" 1, ..., "alpha_sub" 23); -1 for none.
int blendMode(std::string_view name);
// "frm", "tmp" and "obj" as "framebuffer", "tempbuffer" and "object".
std::string_view bufferName(std::string_view name);
bool isCacheName(std::string_view name);

} // namespace ScriptKeywords

// The number item a script names: "track" + name when the name begins with a
// digit, else "@local " + name, among the running effect's parameters; null
// when there is none or it is not a number. From a movement script: "not
// effect script.".
const Effect::EffectItemNumber* getTrackItemByName(LuaInstance& run, const std::string& name);

// The numbers of the table at the index in traversal order; empty for nil.
// A value that is not a number raises the engine's argument error.
std::vector<float> readNumberTable(Lua::lua_State* L, int index);

// Logs the message as the running script's (type SCRIPT).
void logScript(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace Plugin
