#include "script/script_functions.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_item_number.h"
#include "effect/script_file_parser.h"
#include "io/output/output_service.h"
#include "project/model/object.h"
#include "render/render_object.h"
#include "script/functions/function_bodies.h"
#include "script/lua_instance.h"

#include <cstdarg>
#include <exception>

namespace Plugin {

namespace ScriptCall {

namespace {

// What a body left for its trampoline to raise.
struct PendingError {
    enum class Kind { None, Number, Integer, String, Message } kind = Kind::None;
    int index = 0;
    std::string message;
};
thread_local PendingError pending;

struct ArgumentError {
    PendingError::Kind kind;
    int index;
};

struct MessageError {
    std::string message;
};

} // namespace

int enter(Body body, Lua::lua_State* L)
{
    try {
        return body(L);
    } catch (const ArgumentError& e) {
        pending.kind = e.kind;
        pending.index = e.index;
    } catch (const MessageError& e) {
        pending.kind = PendingError::Kind::Message;
        pending.message = e.message;
    } catch (const std::exception& e) {
        // Ends the run: the interpreter unwinds the script, and the run
        // rethrows this exception after its protected call.
        if (LuaInstance* run = LuaInstance::current())
            run->keptException = std::current_exception();
        pending.kind = PendingError::Kind::Message;
        pending.message = e.what();
    }
    return -1;
}

int raise(Lua::lua_State* L)
{
    const Lua::Api& api = LuaInstance::api();
    const PendingError::Kind kind = pending.kind;
    pending.kind = PendingError::Kind::None;
    // The engine's own checks raise their own argument errors.
    switch (kind) {
    case PendingError::Kind::Number: api.luaL_checknumber(L, pending.index); break;
    case PendingError::Kind::Integer: api.luaL_checkinteger(L, pending.index); break;
    case PendingError::Kind::String: api.luaL_checklstring(L, pending.index, nullptr); break;
    case PendingError::Kind::Message: return api.luaL_error(L, "%s", pending.message.c_str());
    case PendingError::Kind::None: break;
    }
    return api.luaL_error(L, "bad argument #%d", pending.index);
}

Lua::lua_Number checkNumber(Lua::lua_State* L, int index)
{
    const Lua::Api& api = LuaInstance::api();
    const Lua::lua_Number value = api.lua_tonumber(L, index);
    if (value == 0 && !api.lua_isnumber(L, index))
        throw ArgumentError{PendingError::Kind::Number, index};
    return value;
}

Lua::lua_Integer checkInteger(Lua::lua_State* L, int index)
{
    const Lua::Api& api = LuaInstance::api();
    const Lua::lua_Integer value = api.lua_tointeger(L, index);
    if (value == 0 && !api.lua_isnumber(L, index))
        throw ArgumentError{PendingError::Kind::Integer, index};
    return value;
}

const char* checkString(Lua::lua_State* L, int index, size_t* length)
{
    const Lua::Api& api = LuaInstance::api();
    const char* text = api.lua_isstring(L, index) ? api.lua_tolstring(L, index, length) : nullptr;
    if (!text)
        throw ArgumentError{PendingError::Kind::String, index};
    return text;
}

void fail(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    System::formatNarrowV(buffer, sizeof buffer, format, args);
    va_end(args);
    throw MessageError{buffer};
}

} // namespace ScriptCall

int64_t scriptRandom(int32_t a, int32_t b, int64_t seed, int64_t frame)
{
    const int64_t lo = std::min(a, b), hi = std::max(a, b);
    const uint64_t c = static_cast<uint64_t>(seed), f = static_cast<uint64_t>(frame);
    uint64_t x = c * 135829u + f * 97553u;
    x = ((x << 17) ^ x ^ 0x137BD137BD137BD1u) + c;
    x = ((x >> 19) ^ x ^ 0x37BD137BD137BD13u) + f;
    x = ((x << 41) ^ x ^ 0x7BD137BD137BD137u) + c;
    x = ((x >> 47) ^ x ^ 0xBD137BD137BD137Bu) + f;
    uint64_t y = x * 97555u - (x / 135829u) * 135829u;
    y = (y << 17) ^ y ^ 0x137BD137BD137BD1u;
    y = (y >> 19) ^ y ^ 0x37BD137BD137BD13u;
    y = (y << 41) ^ y ^ 0x7BD137BD137BD137u;
    y = (y >> 47) ^ y ^ 0xBD137BD137BD137Bu;
    const uint64_t width = static_cast<uint64_t>(hi - lo + 1); // 1 to 2^32
    return lo + static_cast<int64_t>(y % width);
}

namespace {

using namespace ScriptCall;

// mes(text): appends the text to the run's message text.
int mes(Lua::lua_State* L)
{
    size_t length = 0;
    const char* text = checkString(L, 1, &length);
    LuaInstance::current()->messageText += System::utf8ToWide(std::string_view(text, length));
    return 0;
}

// rand(a, b [, seed [, frame]]): the same number for the same object, seed and frame.
int rand(Lua::lua_State* L)
{
    const int32_t a = static_cast<int32_t>(checkInteger(L, 1));
    const int32_t b = static_cast<int32_t>(checkInteger(L, 2));
    const LuaInstance& run = *LuaInstance::current();
    const Render::RenderObject* item = run.itemObject;
    uint32_t s = 0;
    int64_t frame = 0;
    if (item) {
        s = static_cast<uint32_t>(item->object ? item->object->layer : 0) * 1913u;
        frame = int64_t(item->frame) - item->frameOffset;
    }
    if (run.renderTarget)
        s ^= static_cast<uint32_t>(run.renderTarget->index) * 757u;
    if (run.trackItem)
        s ^= static_cast<uint32_t>(run.trackItem->getDefineHash());
    int64_t seed = static_cast<int32_t>(s);
    const int count = LuaInstance::api().lua_gettop(L);
    if (count >= 3) {
        const int64_t g = checkInteger(L, 3);
        // A negative seed leaves the object out.
        seed = g < 0 ? static_cast<int64_t>(0 - static_cast<uint64_t>(g))
                     : static_cast<int64_t>(static_cast<uint64_t>(seed) + static_cast<uint64_t>(g));
    }
    if (count >= 4)
        frame = checkInteger(L, 4);
    LuaInstance::api().lua_pushinteger(L, static_cast<Lua::lua_Integer>(scriptRandom(a, b, seed, frame)));
    return 1;
}

// debug_print(text): a log line in the script's name.
int debugPrint(Lua::lua_State* L)
{
    size_t length = 0;
    const char* text = checkString(L, 1, &length);
    const LuaInstance& run = *LuaInstance::current();
    System::Log::script(run.script ? run.script->name : std::wstring(), L"%s",
                        System::utf8ToWide(std::string_view(text, length)).c_str());
    return 0;
}

// obj.getinfo(name).
int getinfo(Lua::lua_State* L)
{
    const char* name = checkString(L, 1);
    const Lua::Api& api = LuaInstance::api();
    const std::string_view key = name;
    if (key == "script_path") {
        const LuaInstance& run = *LuaInstance::current();
        const std::string folder = System::wideToUtf8(run.script ? run.script->folder : std::wstring()) + "/";
        api.lua_pushstring(L, folder.c_str());
        return 1;
    }
    if (key == "saving") {
        api.lua_pushboolean(L, OutputService::isExporting() ? 1 : 0);
        return 1;
    }
    if (key == "image_max") {
        api.lua_pushinteger(L, 16384);
        api.lua_pushinteger(L, 16384);
        return 2;
    }
    fail("invalid get info name=%s", name);
}

} // namespace

namespace F = ScriptFunctions;

const Lua::luaL_Reg GlobalFunctions[] = {
    {"OR", function<F::bitOr>},
    {"AND", function<F::bitAnd>},
    {"XOR", function<F::bitXor>},
    {"SHIFT", function<F::shift>},
    {"RGB", function<F::rgb>},
    {"HSV", function<F::hsv>},
    {"mes", function<mes>},
    {"rand", function<rand>},
    {"rotation", function<F::rotation>},
    {"setfont", function<F::setfont>},
    {"debug_print", function<debugPrint>},
    {nullptr, nullptr},
};

const Lua::luaL_Reg ObjectFunctions[] = {
    {"getpoint", function<F::getpoint>},
    {"mes", function<mes>},
    {"rand", function<rand>},
    {"interpolation", function<F::interpolation>},
    {"effect", function<F::effect>},
    {"draw", function<F::draw>},
    {"load", function<F::load>},
    {"setfont", function<F::setfont>},
    {"drawpoly", function<F::drawpoly>},
    {"pixelshader", function<F::pixelshader>},
    {"computeshader", function<F::computeshader>},
    {"setoption", function<F::setoption>},
    {"getoption", function<F::getoption>},
    {"getvalue", function<F::getvalue>},
    {"setanchor", function<F::setanchor>},
    {"getaudio", function<F::getaudio>},
    {"copybuffer", function<F::copybuffer>},
    {"clearbuffer", function<F::clearbuffer>},
    {"getpixel", function<F::getpixel>},
    {"putpixel", function<F::putpixel>},
    {"copypixel", function<F::copypixel>},
    {"pixeloption", function<F::pixeloption>},
    {"getpixeldata", function<F::unsupported>},
    {"putpixeldata", function<F::unsupported>},
    {"filter", function<F::unsupported>},
    {"getinfo", function<getinfo>},
    {nullptr, nullptr},
};

} // namespace Plugin
