#include "script/functions/script_keywords.h"

#include "core/failure.h"
#include "core/hash.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_item_number.h"
#include "effects/objects/script_effect.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <cstdarg>
#include <unordered_map>

namespace Plugin {

namespace ScriptKeywords {

namespace {
struct NameHash {
    size_t operator()(std::string_view name) const { return static_cast<size_t>(System::fnv1a(name)); }
};
using Table = std::unordered_map<std::string_view, int, NameHash>;

const Table BlendNames = {
    {"none", 0},        {"add", 1},         {"sub", 2},        {"mul", 3},        {"screen", 4},    {"overlay", 5},
    {"light", 6},       {"dark", 7},        {"brightness", 8}, {"chroma", 9},     {"shadow", 10},   {"light_dark", 11},
    {"diff", 12},       {"alpha_add", 20},  {"alpha_add2", 21}, {"alpha_max", 22}, {"alpha_sub", 23},
};
} // namespace

int blendMode(std::string_view name)
{
    auto found = BlendNames.find(name);
    return found == BlendNames.end() ? -1 : found->second;
}

std::string_view bufferName(std::string_view name)
{
    if (name == "frm")
        return "framebuffer";
    if (name == "tmp")
        return "tempbuffer";
    if (name == "obj")
        return "object";
    return name;
}

bool isCacheName(std::string_view name)
{
    return name.starts_with("cache:");
}

} // namespace ScriptKeywords

const Effect::EffectItemNumber* getTrackItemByName(LuaInstance& run, const std::string& name)
{
    Effect::EffectBase& effect = run.getEffect();
    auto* script = dynamic_cast<Effect::ScriptEffect*>(&effect);
    if (!script)
        return nullptr;
    const bool digit = !name.empty() && name[0] >= '0' && name[0] <= '9';
    const Effect::EffectItem* item = script->findParameter(digit ? "track" + name : "@local " + name);
    if (!item || item->kind != Effect::EffectItemKind::Number)
        return nullptr;
    auto* number = dynamic_cast<const Effect::EffectItemNumber*>(item);
    if (!number)
        throw System::makeException("Effect::EffectItem::to", "invalid effect item type.", nullptr);
    return number;
}

std::vector<float> readNumberTable(Lua::lua_State* L, int index)
{
    std::vector<float> values;
    const Lua::Api& api = LuaInstance::api();
    if (api.lua_type(L, index) <= Lua::LUA_TNIL)
        return values;
    if (api.lua_type(L, index) != Lua::LUA_TTABLE)
        ScriptCall::fail("bad argument #%d (table expected, got %s)", index, "no table");
    const int table = index < 0 ? api.lua_gettop(L) + index + 1 : index;
    api.lua_pushnil(L);
    while (api.lua_next(L, table)) {
        values.push_back(static_cast<float>(ScriptCall::checkNumber(L, -1)));
        api.pop(L, 1);
    }
    return values;
}

void logScript(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    System::formatNarrowV(buffer, sizeof buffer, format, args);
    va_end(args);
    const LuaInstance* run = LuaInstance::current();
    System::Log::script(run && run->script ? run->script->name : std::wstring(), "%s", buffer);
}

} // namespace Plugin
