#include "script/lua_instance.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/text.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/script_file_parser.h"
#include "effects/objects/script_effect.h"
#include "media/resource_buffer.h"
#include "render/render_object.h"
#include "script/lua_base.h"

#include <climits>
#include <cstdio>

namespace Plugin {

namespace {

thread_local LuaInstance* currentRun = nullptr;
thread_local const Lua::Api* currentApi = nullptr;

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20;
}

// The line that starts at pos and where the next one starts (lines end at
// CR, LF or CR LF).
std::string_view takeLine(std::string_view text, size_t& pos)
{
    const size_t start = pos;
    while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n')
        ++pos;
    const std::string_view line = text.substr(start, pos - start);
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n' && (pos == start + line.size() || text[pos - 1] == '\r'))
        ++pos;
    return line;
}

// The log text of an interpreter error: "[chunk]:line: message" becomes the
// message and up to three lines of the chunk from the line before the failed
// one; any other message stays as it is.
std::string formatErrorReport(const std::string& message, std::string_view chunk)
{
    size_t i = 0;
    int depth = 0;
    bool closed = false;
    for (; i < message.size(); ++i) {
        if (message[i] == '[') {
            ++depth;
        } else if (message[i] == ']' && depth > 0) {
            if (depth == 1) {
                closed = true;
                ++i;
                break;
            }
            --depth;
        }
    }
    if (!closed || i >= message.size() || message[i] != ':')
        return message;
    ++i;
    while (i < message.size() && message[i] == ' ')
        ++i;
    const size_t numberStart = i;
    while (i < message.size() && message[i] != ':' && !isControl(message[i]))
        ++i;
    if (i >= message.size() || message[i] != ':')
        return message;
    // Leading digits count, and a number too large for an int saturates.
    long long line = 0;
    size_t digits = 0;
    for (size_t k = numberStart; k < i && message[k] >= '0' && message[k] <= '9'; ++k, ++digits)
        line = std::min<long long>(line * 10 + (message[k] - '0'), INT_MAX);
    if (digits == 0)
        return message;
    const size_t space = message.find(' ', i + 1);
    if (space == std::string::npos || space + 1 >= message.size())
        return message;
    std::string text = message.substr(space + 1);
    size_t pos = 0;
    for (long long skip = line - 2; skip > 0 && pos < chunk.size(); --skip)
        takeLine(chunk, pos);
    for (int n = 0; n < 3 && pos < chunk.size(); ++n) {
        text += "\r\n> ";
        text += takeLine(chunk, pos);
    }
    return text;
}

// "%f" of a value, as the prefix writes numbers.
std::string number(double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, "%f", value);
    return buffer;
}

template <class T>
const T& itemAs(const Effect::EffectItem& item)
{
    if (auto* p = dynamic_cast<const T*>(&item))
        return *p;
    throw System::makeException("Effect::EffectItem::to", "invalid effect item type.", nullptr);
}

} // namespace

std::string luaStringLiteral(std::string_view text)
{
    std::string literal = "\"";
    literal.reserve(text.size() + 2);
    for (const char c : text) {
        switch (c) {
        case '\\': literal += "\\\\"; break;
        case '"': literal += "\\\""; break;
        case '\n': literal += "\\n"; break;
        case '\r': literal += "\\r"; break;
        default:
            if (isControl(c) || c == 0x7F) {
                // Decimal escapes take up to three digits: always write three.
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\%03d", static_cast<unsigned char>(c));
                literal += escape;
            } else {
                literal += c;
            }
        }
    }
    literal += '"';
    return literal;
}

LuaInstance::LuaInstance(LuaBase& engine, const Effect::ScriptData* script)
    : lock_(LuaBase::engineLock()), engine(engine), state(engine.createLuaState()), previousInstance_(currentRun),
      previousApi_(currentApi)
{
    this->script = script;
    currentRun = this;
    currentApi = &engine.api;
}

LuaInstance::~LuaInstance()
{
    engine.releaseLuaState(crashed_);
    currentRun = previousInstance_;
    currentApi = previousApi_;
}

LuaInstance* LuaInstance::current()
{
    return currentRun;
}

const Lua::Api& LuaInstance::api()
{
    return *currentApi;
}

std::string& LuaInstance::scriptPrefix()
{
    thread_local std::string prefix;
    return prefix;
}

ScriptTextState& LuaInstance::textState()
{
    thread_local ScriptTextState text;
    return text;
}

// ---- the run ----

void LuaInstance::setPackagePath()
{
    const Lua::Api& a = engine.api;
    const std::string folder = System::wideToUtf8(script ? script->folder : std::wstring());
    a.lua_getfield(state, Lua::LUA_GLOBALSINDEX, "package");
    // A script may have replaced "package"; setting a field of anything else
    // would raise outside any protected call.
    if (a.lua_type(state, -1) == Lua::LUA_TTABLE) {
        a.lua_pushstring(state, (folder + "/?.lua").c_str());
        a.lua_setfield(state, -2, "path");
        a.lua_pushstring(state, (folder + "/?.so").c_str());
        a.lua_setfield(state, -2, "cpath");
    }
    a.pop(state, 1);
}

void LuaInstance::executeEffect(const std::string& text)
{
    engine.api.lua_settop(state, 0);
    textState() = ScriptTextState{};
    setPackagePath();
    setScriptVariables();
    setObjValues();
    std::string chunk = std::move(scriptPrefix());
    scriptPrefix().clear();
    chunk += text;
    runChunk(chunk, 0, "Plugin::LuaInstance::executeEffect");
    getObjValues();
    // The script drew the object itself: the output's handles are still
    // made, and the owner gets no picture to draw a second time.
    if (drawn && objectBuffer) {
        renderTarget->setOutputAnchor(static_cast<int>(objectBuffer->getWidth()),
                                      static_cast<int>(objectBuffer->getHeight()));
        objectBuffer.reset();
    }
}

double LuaInstance::executeMovement(const std::string& text)
{
    const Lua::Api& a = engine.api;
    a.lua_settop(state, 0);
    setPackagePath();
    runChunk(text, 1, "Plugin::LuaInstance::executeMovement");
    const double value = a.lua_tonumber(state, 1);
    a.lua_settop(state, 0);
    return value;
}

void LuaInstance::runChunk(const std::string& chunk, int results, const char* place)
{
    const Lua::Api& a = engine.api;
    // The running instance is the current one, also when an instance made
    // after it (and not yet destroyed) is current.
    struct Current {
        LuaInstance* run = currentRun;
        const Lua::Api* api = currentApi;
        ~Current()
        {
            currentRun = run;
            currentApi = api;
        }
    } restore;
    currentRun = this;
    currentApi = &a;
    keptException = nullptr;
    if (a.luaL_loadstring(state, chunk.c_str()) != 0)
        reportScriptError(chunk);
    int status = 0;
    try {
        System::guardedCall("lua.pcall", place, [&] { status = a.lua_pcall(state, 0, results, 0); });
    } catch (...) {
        // The state was left in the middle of a call: it is not used again.
        crashed_ = true;
        throw;
    }
    if (status != 0) {
        if (keptException) {
            a.pop(state, 1);
            std::exception_ptr kept = std::move(keptException);
            keptException = nullptr;
            std::rethrow_exception(kept);
        }
        reportScriptError(chunk);
    }
    keptException = nullptr;
}

void LuaInstance::reportScriptError(const std::string& chunk)
{
    const Lua::Api& a = engine.api;
    size_t length = 0;
    const char* text = a.lua_tolstring(state, -1, &length);
    const std::string message = text ? std::string(text, length) : std::string("(error object is not a string)");
    a.pop(state, 1);
    System::Log::script(script ? script->name : std::wstring(), L"%s",
                        System::utf8ToWide(formatErrorReport(message, chunk)).c_str());
    throw System::Exception(System::wideToAnsi(System::utf8ToWide(message)));
}

// ---- "obj" and the declared parameters ----

LuaInstance::VariableAccessSection::VariableAccessSection(LuaInstance& run) : run_(run)
{
    const Lua::Api& a = run.engine.api;
    a.lua_getfield(run.state, Lua::LUA_GLOBALSINDEX, "obj");
    if (a.lua_type(run.state, -1) != Lua::LUA_TTABLE) {
        a.pop(run.state, 1);
        throw System::makeException("Plugin::LuaInstance::VariableAccessSection::VariableAccessSection",
                                    "obj table not defined", nullptr);
    }
}

LuaInstance::VariableAccessSection::~VariableAccessSection()
{
    run_.engine.api.pop(run_.state, 1);
}

double LuaInstance::getFieldNumber(const char* name)
{
    const Lua::Api& a = engine.api;
    a.lua_getfield(state, -1, name);
    const double value = a.lua_tonumber(state, -1);
    a.pop(state, 1);
    return value;
}

void LuaInstance::setFieldNumber(const char* name, double value)
{
    engine.api.lua_pushnumber(state, value);
    engine.api.lua_setfield(state, -2, name);
}

void LuaInstance::setFieldBoolean(const char* name, bool value)
{
    engine.api.lua_pushboolean(state, value ? 1 : 0);
    engine.api.lua_setfield(state, -2, name);
}

void LuaInstance::setObjValues()
{
    VariableAccessSection section(*this);
    ScriptPluginInstance::setObjValues();
}

void LuaInstance::getObjValues()
{
    VariableAccessSection section(*this);
    ScriptPluginInstance::getObjValues();
}

void LuaInstance::setScriptVariables()
{
    using Kind = Effect::EffectItemKind;
    std::string& prefix = scriptPrefix();
    prefix.clear();
    VariableAccessSection section(*this);
    auto* owner = dynamic_cast<Effect::ScriptEffect*>(effect);
    if (!owner)
        return;
    for (const Effect::ScriptEffect::Parameter& parameter : owner->parameters) {
        const std::string& name = parameter.name;
        const Effect::EffectItem& item = *parameter.item;
        const bool local = !name.empty() && name[0] == '@';
        // The piece "name=value;" ("name=nil;" for an empty value).
        auto add = [&](const std::string& luaName, const std::string& value) {
            prefix += luaName;
            prefix += '=';
            prefix += value.empty() ? std::string("nil") : value;
            prefix += ';';
        };
        const std::string luaName = local ? name.substr(1) : name;
        switch (item.kind) {
        case Kind::Number: {
            const double value = itemAs<Effect::EffectItemNumber>(item).getValue(*itemObject);
            if (local)
                add(luaName, number(value));
            else
                setFieldNumber(name.c_str(), value);
            break;
        }
        case Kind::Check: {
            const bool value = itemAs<Effect::EffectItemCheck>(item).value;
            if (local)
                add(luaName, value ? "1" : "0");
            else
                setFieldBoolean(name.c_str(), value);
            break;
        }
        case Kind::String:
            add(luaName, luaStringLiteral(System::wideToUtf8(itemAs<Effect::EffectItemString>(item).text)));
            break;
        case Kind::ScriptString:
            add(luaName, System::wideToUtf8(itemAs<Effect::EffectItemString>(item).text));
            break;
        case Kind::ScriptString2:
            add(luaName, "{" + System::wideToUtf8(itemAs<Effect::EffectItemString>(item).text) + "}");
            break;
        case Kind::File:
            if (local)
                add(luaName, luaStringLiteral(System::wideToUtf8(itemAs<Effect::EffectItemFile>(item).path)));
            break;
        case Kind::Color:
        case Kind::ColorOrNone: {
            if (!local)
                break;
            const auto& color = itemAs<Effect::EffectItemColor>(item);
            if (item.kind == Kind::ColorOrNone && color.none)
                add(luaName, "nil");
            else
                add(luaName, number(color.r * 65536.0 + color.g * 256.0 + color.b));
            break;
        }
        case Kind::Select:
            if (local)
                add(luaName, number(itemAs<Effect::EffectItemSelect>(item).value));
            break;
        case Kind::Font:
            if (local) {
                const auto& font = itemAs<Effect::EffectItemSelect>(item);
                const bool known = font.list && font.list->labels.count(font.value);
                add(luaName, luaStringLiteral(known ? System::wideToUtf8(font.list->getLabel(font.value)) : ""));
            }
            break;
        case Kind::ScriptFigure:
            // The file's path while one is chosen, else the figure's name.
            if (local)
                add(luaName, luaStringLiteral(itemAs<Effect::EffectItemComboFile>(item).toString()));
            break;
        default:
            throw System::makeException("Plugin::LuaInstance::setScriptVariables", "not implement.", nullptr);
        }
    }
}

} // namespace Plugin
