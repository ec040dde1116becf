// obj.setanchor: preview handles for points a script reads from a value list,
// from its tracks or from a table, with lines through them.
#include "core/color.h"
#include "core/math.h"
#include "core/setting_service.h"
#include "effect/anchor_list.h"
#include "effect/effect_item_number.h"
#include "effects/objects/script_effect.h"
#include "project/model/layer.h"
#include "project/model/layer_object_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "script/functions/function_bodies.h"
#include "script/functions/script_keywords.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>

namespace Plugin::ScriptFunctions {

using namespace ScriptCall;

namespace {

const Lua::Api& lua()
{
    return LuaInstance::api();
}

Math::float4 styleColour(const char* key)
{
    Setting::SettingService* settings = Setting::SettingService::Get();
    try {
        if (settings) {
            const ColorF c = settings->style.getValue("Color", key).toRGBA();
            return {c.r, c.g, c.b, c.a};
        }
    } catch (const std::exception&) {
    }
    return {1, 1, 1, 1};
}

// Whether the render gathers handles for this object now: the editing preview
// asks for them, the effect and the layer are not locked, and the object is
// the scene's focus object.
bool gathersHandles(const Render::RenderObject& r, const Effect::EffectBase& effect)
{
    if (!r.anchors || effect.lock || !r.object || !r.scene || r.scene->focusObject != r.object)
        return false;
    const int layer = r.object->layer;
    if (layer >= 0 && layer < r.scene->layerCount()) {
        const auto& record = r.scene->getLayer(layer).layer;
        if (record && record->lock)
            return false;
    }
    return true;
}

// Writes the values into the global table of that name, when it is one. The
// writes run in a protected call: a metamethod of the script's table may
// raise, and its message then stops the script.
void writeGlobalTable(LuaInstance& run, Lua::lua_State* L, const std::string& name, const std::vector<float>& values)
{
    const Lua::Api& api = lua();
    api.lua_getfield(L, Lua::LUA_GLOBALSINDEX, name.c_str());
    if (api.lua_type(L, -1) != Lua::LUA_TTABLE) {
        api.pop(L, 1);
        return;
    }
    std::string error;
    if (!run.setArray(L, api.lua_gettop(L), values, error))
        fail("%s", error.c_str());
}

} // namespace

// setanchor(value name | table, point count [, option...]) -> point count.
int setanchor(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    Effect::EffectBase& self = run.getEffect();
    const Lua::Api& api = lua();
    if (!r.object)
        return 0;
    auto owner = std::find_if(r.object->effects.begin(), r.object->effects.end(),
                              [&](const auto& e) { return e.get() == &self; });
    if (owner == r.object->effects.end())
        return 0;
    const int count = api.lua_gettop(L);
    Lua::lua_Integer n = checkInteger(L, 2);
    int d = 2, g = 1, kind = 0;
    Math::float4 colour{1, 1, 1, 1};
    for (int i = 3; i <= count; ++i) {
        if (api.lua_type(L, i) != Lua::LUA_TSTRING)
            continue;
        const std::string_view option = api.lua_tolstring(L, i, nullptr);
        if (option == "xyz")
            d = 3;
        else if (option == "inout")
            g = 2;
        else if (option == "line")
            kind = 1;
        else if (option == "loop")
            kind = 2;
        else if (option == "star")
            kind = 3;
        else if (option == "arm")
            kind = 4;
        else if (option == "color" && i + 1 <= count && api.lua_type(L, i + 1) == Lua::LUA_TNUMBER) {
            const uint32_t c = static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, ++i)));
            colour = {((c >> 16) & 255) / 255.0f, ((c >> 8) & 255) / 255.0f, (c & 255) / 255.0f, 1};
        }
    }
    auto* script = dynamic_cast<Effect::ScriptEffect*>(&self);
    const bool table = api.lua_type(L, 1) == Lua::LUA_TTABLE;
    const std::string name = table ? std::string() : checkString(L, 1);
    const bool track = !table && name == "track";
    if (track && script) {
        n = 0;
        for (int t = 0; t < d; ++t)
            if (const Effect::EffectItemNumber* item = script->getTrackItem(t))
                n = std::max<Lua::lua_Integer>(n, static_cast<Lua::lua_Integer>(item->values.size()));
    }
    if (n < 0)
        n = 0;
    if (gathersHandles(r, self)) {
        const size_t needed = size_t(d) * size_t(std::min<Lua::lua_Integer>(n, 1 << 20));
        std::vector<float> values;
        if (track)
            values = script ? script->getTrackPoints(*run.itemObject, d, static_cast<int>(n)) : std::vector<float>{};
        else if (table)
            values = readNumberTable(L, 1);
        else if (script)
            values = script->getValueList(name);
        if (values.size() < needed) {
            values.resize(needed, 0.0f);
            if (!table && !track)
                writeGlobalTable(run, L, name, values);
        }
        const Render::RenderObject::DrawState view = r.getOutputView();
        const Math::float4x4 matrix = view.getWorldMatrix() * view.getViewMatrix();
        auto point = [&](Lua::lua_Integer i) {
            const size_t at = size_t(i) * d;
            return Math::float3{values[at], values[at + 1], d == 3 ? values[at + 2] : 0.0f};
        };
        if (!table) {
            for (Lua::lua_Integer i = 0; i < n; ++i) {
                uint32_t flags = d == 3 ? 0x1000000u : 0x800000u;
                if (g == 2)
                    flags |= i < n / 2 ? 1u : 2u;
                Anchor::AnchorItem& item = r.anchors->addFilterPointAnchor(r.object, *owner, static_cast<int32_t>(i),
                                                                           point(i), matrix, flags);
                item.matrix = matrix;
                const Math::float3 p = point(i);
                item.startPoint = item.currentPoint = {p.x, p.y, p.z, 1};
                item.label = name;
                item.valueCount = static_cast<int32_t>(needed);
            }
        }
        if (kind > 0) {
            const Lua::lua_Integer c = n / g;
            auto clip = [&](const Math::float3& p) { return Math::float4{p.x, p.y, p.z, 1} * matrix; };
            const Math::float3 origin{0, 0, 0};
            for (int h = 0; h < g; ++h) {
                const Math::float4 lineColour = g == 2 ? styleColour(h == 0 ? "AnchorIn" : "AnchorOut") : colour;
                for (Lua::lua_Integer j = 0; j < c; ++j) {
                    const Math::float3 from = point(h * c + j);
                    Math::float3 to = from;
                    bool segment = true;
                    if (kind == 3)
                        to = origin;
                    else if (j < c - 1)
                        to = point(h * c + j + 1);
                    else if (kind == 2)
                        to = point(h * c);
                    else if (kind == 4)
                        to = origin;
                    else
                        segment = false;
                    if (!segment)
                        continue;
                    const Math::float4 ends[2] = {clip(from), clip(to)};
                    r.anchors->addPolyline(*owner, ends, 2, &lineColour);
                }
            }
        }
    }
    api.lua_pushinteger(L, n);
    return 1;
}

} // namespace Plugin::ScriptFunctions
