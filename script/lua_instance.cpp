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

#include <algorithm>
#include <climits>
#include <cstring>
#include <cstdio>

namespace Plugin {

namespace {

thread_local LuaInstance* currentRun = nullptr;
thread_local const Lua::Api* currentApi = nullptr;

// The runs of the engine on this thread's chain from the innermost.
int nestingDepth(const LuaBase& engine)
{
    int depth = 0;
    for (const LuaInstance* run = currentRun; run; run = run->previousRun())
        depth += &run->engine == &engine;
    return depth;
}

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

// Makes a run the current one for one of its calls into the interpreter,
// also when an instance made after it (and not yet destroyed) is current.
struct MakeCurrent {
    LuaInstance* run = currentRun;
    const Lua::Api* api = currentApi;
    MakeCurrent(LuaInstance* self, const Lua::Api* selfApi)
    {
        currentRun = self;
        currentApi = selfApi;
    }
    ~MakeCurrent()
    {
        currentRun = run;
        currentApi = api;
    }
};

constexpr const char* SectionPlace = "Plugin::LuaInstance::VariableAccessSection::VariableAccessSection";

} // namespace

// The functions the protected accesses call. Each runs in protected mode and
// owns nothing, so an error a script's metamethod raises unwinds through it
// safely (Lua 5.1 longjmps). Each leaves one result: false when "obj" is not
// a table.
struct LuaInstance::Host {
    static int packagePath(Lua::lua_State* L)
    {
        const LuaInstance& run = *currentRun;
        const Lua::Api& a = *currentApi;
        a.lua_getfield(L, Lua::LUA_GLOBALSINDEX, "package");
        // A script may have replaced "package": only a table gets the paths.
        if (a.lua_type(L, -1) == Lua::LUA_TTABLE) {
            a.lua_pushstring(L, run.packagePath_.c_str());
            a.lua_setfield(L, -2, "path");
            a.lua_pushstring(L, run.packageCPath_.c_str());
            a.lua_setfield(L, -2, "cpath");
        }
        a.lua_pushboolean(L, 1);
        return 1;
    }

    static bool pushObj(const Lua::Api& a, Lua::lua_State* L)
    {
        a.lua_getfield(L, Lua::LUA_GLOBALSINDEX, "obj");
        if (a.lua_type(L, -1) == Lua::LUA_TTABLE)
            return true;
        a.lua_pushboolean(L, 0);
        return false;
    }

    static int write(Lua::lua_State* L)
    {
        const LuaInstance& run = *currentRun;
        const Lua::Api& a = *currentApi;
        if (!pushObj(a, L))
            return 1;
        for (const FieldAccess& field : run.writes_) {
            if (field.boolean)
                a.lua_pushboolean(L, field.value != 0);
            else
                a.lua_pushnumber(L, field.value);
            a.lua_setfield(L, -2, field.name);
        }
        a.lua_pushboolean(L, 1);
        return 1;
    }

    static int read(Lua::lua_State* L)
    {
        LuaInstance& run = *currentRun;
        const Lua::Api& a = *currentApi;
        if (!pushObj(a, L))
            return 1;
        for (FieldAccess& field : run.reads_) {
            a.lua_getfield(L, -1, field.name);
            field.value = a.lua_tonumber(L, -1);
            a.pop(L, 1);
        }
        a.lua_pushboolean(L, 1);
        return 1;
    }

    // t[1..n] = the values, on the table setArray left in the registry.
    static int setArray(Lua::lua_State* L)
    {
        const LuaInstance& run = *currentRun;
        const Lua::Api& a = *currentApi;
        a.lua_getfield(L, Lua::LUA_REGISTRYINDEX, ArrayKey);
        for (size_t i = 0; i < run.arrayValues_->size(); ++i) {
            a.lua_pushinteger(L, static_cast<Lua::lua_Integer>(i + 1));
            a.lua_pushnumber(L, (*run.arrayValues_)[i]);
            a.lua_settable(L, -3);
        }
        return 0;
    }
    static constexpr const char* ArrayKey = "velmora.array";
};

bool LuaInstance::setArray(Lua::lua_State* L, int index, const std::vector<float>& values, std::string& error)
{
    const Lua::Api& a = engine.api;
    a.lua_settop(L, index);
    a.lua_setfield(L, Lua::LUA_REGISTRYINDEX, Host::ArrayKey);
    arrayValues_ = &values;
    a.lua_pushlightuserdata(L, reinterpret_cast<void*>(&Host::setArray));
    a.lua_rawget(L, Lua::LUA_REGISTRYINDEX);
    const int status = a.lua_pcall(L, 0, 0, 0);
    arrayValues_ = nullptr;
    if (status != 0) {
        size_t length = 0;
        const char* text = a.lua_tolstring(L, -1, &length);
        error = text ? std::string(text, length) : std::string("(error object is not a string)");
    }
    a.lua_settop(L, index - 1);
    a.lua_pushnil(L);
    a.lua_setfield(L, Lua::LUA_REGISTRYINDEX, Host::ArrayKey);
    return status == 0;
}

void LuaInstance::registerHostFunctions(const Lua::Api& a, Lua::lua_State* L)
{
    // Each function is kept in the registry under its own address, where a
    // raw read finds it whatever a script does to the globals.
    const Lua::luaL_Reg functions[] = {{"packagePath", Host::packagePath},
                                       {"write", Host::write},
                                       {"read", Host::read},
                                       {"setArray", Host::setArray},
                                       {nullptr, nullptr}};
    a.lua_createtable(L, 0, 4);
    a.luaL_register(L, nullptr, functions);
    for (const Lua::luaL_Reg* f = functions; f->name; ++f) {
        a.lua_pushlightuserdata(L, reinterpret_cast<void*>(f->func));
        a.lua_getfield(L, -2, f->name);
        a.lua_settable(L, Lua::LUA_REGISTRYINDEX);
    }
    a.pop(L, 1);
}

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
    : lock_(LuaBase::engineLock()), engine(engine), state(engine.createLuaState(nestingDepth(engine))),
      previousInstance_(currentRun), previousApi_(currentApi)
{
    this->script = script;
    currentRun = this;
    currentApi = &engine.api;
}

LuaInstance::~LuaInstance()
{
    engine.releaseLuaState(state, crashed_);
    currentRun = previousInstance_;
    currentApi = previousApi_;
}

LuaInstance::LockRelease::LockRelease()
{
    for (LuaInstance* run = currentRun; run; run = run->previousInstance_) {
        if (run->lock_.owns_lock()) {
            run->lock_.unlock();
            released_.push_back(run);
        }
    }
}

LuaInstance::LockRelease::~LockRelease()
{
    for (auto run = released_.rbegin(); run != released_.rend(); ++run)
        (*run)->lock_.lock();
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
    const std::string folder = System::wideToUtf8(script ? script->folder : std::wstring());
    packagePath_ = folder + "/?.lua";
    packageCPath_ = folder + "/?.so";
    callHost(Host::packagePath, "Plugin::LuaInstance::setPackagePath");
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

int LuaInstance::protectedCall(int results, const char* place)
{
    int status = 0;
    try {
        System::guardedCall("lua.pcall", place, [&] { status = engine.api.lua_pcall(state, 0, results, 0); });
    } catch (...) {
        // The state was left in the middle of a call: it is not used again.
        crashed_ = true;
        throw;
    }
    return status;
}

void LuaInstance::runChunk(const std::string& chunk, int results, const char* place)
{
    const Lua::Api& a = engine.api;
    MakeCurrent current(this, &a);
    keptException = nullptr;
    if (a.luaL_loadstring(state, chunk.c_str()) != 0)
        reportScriptError(chunk);
    if (protectedCall(results, place) != 0) {
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

bool LuaInstance::callHost(Lua::lua_CFunction function, const char* place)
{
    const Lua::Api& a = engine.api;
    MakeCurrent current(this, &a);
    const int top = a.lua_gettop(state);
    a.lua_pushlightuserdata(state, reinterpret_cast<void*>(function));
    a.lua_rawget(state, Lua::LUA_REGISTRYINDEX);
    if (protectedCall(1, place) != 0)
        reportScriptError(std::string());
    const bool done = a.lua_toboolean(state, -1) != 0;
    a.lua_settop(state, top);
    return done;
}

void LuaInstance::reportScriptError(const std::string& chunk)
{
    const Lua::Api& a = engine.api;
    size_t length = 0;
    const char* text = a.lua_tolstring(state, -1, &length);
    const std::string message = text ? std::string(text, length) : std::string("(error object is not a string)");
    a.pop(state, 1);
    const std::string report = chunk.empty() ? message : formatErrorReport(message, chunk);
    System::Log::script(script ? script->name : std::wstring(), L"%s", System::utf8ToWide(report).c_str());
    throw System::Exception(System::wideToAnsi(System::utf8ToWide(message)));
}

// ---- "obj" and the declared parameters ----

LuaInstance::VariableAccessSection::VariableAccessSection(LuaInstance& run) : run_(run)
{
    run.writes_.clear();
    run.reads_.clear();
}

LuaInstance::VariableAccessSection::~VariableAccessSection()
{
    run_.writes_.clear();
    run_.reads_.clear();
}

void LuaInstance::VariableAccessSection::commit()
{
    run_.commitFields();
}

void LuaInstance::commitFields()
{
    for (const FieldAccess& field : writes_)
        if (std::find(written_.begin(), written_.end(), field.name) == written_.end())
            written_.push_back(field.name);
    const bool done = callHost(Host::write, SectionPlace);
    writes_.clear();
    if (!done)
        throw System::makeException(SectionPlace, "obj table not defined", nullptr);
}

double LuaInstance::getFieldNumber(const char* name)
{
    if (!writes_.empty())
        commitFields();
    for (const FieldAccess& field : reads_)
        if (field.name == name || std::strcmp(field.name, name) == 0)
            return field.value;
    // A field the set-up did not write: read on its own.
    reads_.assign(1, FieldAccess{name, 0, false});
    const bool done = callHost(Host::read, SectionPlace);
    const double value = reads_.front().value;
    reads_.clear();
    if (!done)
        throw System::makeException(SectionPlace, "obj table not defined", nullptr);
    return value;
}

void LuaInstance::setFieldNumber(const char* name, double value)
{
    writes_.push_back({name, value, false});
}

void LuaInstance::setFieldBoolean(const char* name, bool value)
{
    writes_.push_back({name, value ? 1.0 : 0.0, true});
}

void LuaInstance::setObjValues()
{
    VariableAccessSection section(*this);
    ScriptPluginInstance::setObjValues();
    section.commit();
}

void LuaInstance::getObjValues()
{
    VariableAccessSection section(*this);
    // What the set-up wrote is read back in one protected call.
    for (const char* name : written_)
        reads_.push_back({name, 0, false});
    if (!callHost(Host::read, SectionPlace))
        throw System::makeException(SectionPlace, "obj table not defined", nullptr);
    ScriptPluginInstance::getObjValues();
}

void LuaInstance::setScriptVariables()
{
    using Kind = Effect::EffectItemKind;
    std::string& prefix = scriptPrefix();
    prefix.clear();
    VariableAccessSection section(*this);
    auto* owner = dynamic_cast<Effect::ScriptEffect*>(effect);
    if (!owner) {
        section.commit();
        return;
    }
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
    section.commit();
}

} // namespace Plugin
