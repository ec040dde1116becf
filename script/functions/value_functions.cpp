// What a script reads of its object and others (getvalue, getpoint,
// getoption), how it changes the object's drawing (setoption), and filters it
// runs on its image (effect).
#include "core/failure.h"
#include "core/text.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/movement.h"
#include "effects/objects/script_effect.h"
#include "media/resource_buffer.h"
#include "media/state_list.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_object.h"
#include "render/resource_cache.h"
#include "script/functions/function_bodies.h"
#include "script/functions/script_keywords.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>
#include <cstdlib>

namespace Plugin::ScriptFunctions {

using namespace ScriptCall;

namespace {

const Lua::Api& lua()
{
    return LuaInstance::api();
}

double frameRate(const Render::RenderObject& r)
{
    return r.scene ? double(r.scene->videoRate) / r.scene->videoScale : 30.0;
}

bool isMediaSource(const Edit::Object& object)
{
    return !object.effects.empty() && object.effects.front()->effectType == Effect::EffectType::Input;
}

// A decimal number that strtod reads whole (spaces around it allowed).
bool isNumericText(const std::string& text)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    while (end && *end == ' ')
        ++end;
    return end != text.c_str() && end && *end == 0;
}

// "layer" [spaces] number [spaces] ["." property]: makes the object of that
// layer at the frame the evaluation object. Returns the property text.
std::string evaluateLayer(Render::RenderObject& r, const std::string& target)
{
    const size_t dot = target.find('.', 5);
    const std::string property = dot == std::string::npos ? std::string() : target.substr(dot + 1);
    std::string digits;
    for (char c : target.substr(5, dot == std::string::npos ? std::string::npos : dot - 5))
        if (c != ' ')
            digits += c;
    char* end = nullptr;
    const long layer = digits.empty() ? 0 : std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != 0) {
        logScript("invalid layer parameter");
        return property;
    }
    if (!r.scene || layer < 1 || layer > INT32_MAX)
        return property;
    const std::shared_ptr<Edit::Object>& found =
        r.scene->findObject(static_cast<int>(layer - 1), r.frame, Effect::MediaType::Video);
    if (found && isMediaSource(*found) && found != r.object) {
        // The other object as its own output places it: a drawing state of its own.
        Render::RenderObject::DrawState fresh;
        fresh.target = r.drawState.target;
        r.drawState = fresh;
        r.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{found});
        r.resetObject(found);
    }
    return property;
}

} // namespace

// getvalue(target [, time [, section]]).
int getvalue(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject r = run.getRenderVideoTarget();
    size_t length = 0;
    const char* text = checkString(L, 1, &length);
    const std::string target(text, length);
    if (target == "scenechange") {
        lua().lua_pushnumber(L, run.sceneChangeProgress);
        return 1;
    }
    const Effect::EffectItemNumber* item = nullptr;
    if (lua().lua_type(L, 1) == Lua::LUA_TNUMBER || isNumericText(target))
        item = getTrackItemByName(run, target);
    std::string property = target;
    if (!item && target.starts_with("layer"))
        property = evaluateLayer(r, target);
    if (!item && r.object && !isMediaSource(*r.object) && r.objectList && !r.objectList->empty())
        r.resetObject(r.objectList->front());
    const int first = r.object ? r.object->start : 0;
    const int last = r.object ? r.object->end : 0;
    const int count = lua().lua_gettop(L);
    if (count >= 2) {
        double frame = checkNumber(L, 2) * frameRate(r) + first;
        if (count >= 3) {
            const Lua::lua_Integer s = checkInteger(L, 3);
            if (s < 0) {
                frame += last - first;
            } else if (s > 0) {
                const std::vector<int>& points = r.object ? r.object->midPoints : std::vector<int>{};
                frame += size_t(s) <= points.size() ? points[size_t(s) - 1] : last - first;
            }
        }
        r.setTime(frame);
    }
    if (item) {
        lua().lua_pushnumber(L, static_cast<float>(item->getValue(r)));
        return 1;
    }
    if (property == "time") {
        lua().lua_pushnumber(L, (r.time - first) / frameRate(r));
        return 1;
    }
    Render::RenderObject::DrawState view;
    if (r.object && isMediaSource(*r.object))
        view = r.getOutputView();
    double value = 0;
    if (property == "x")
        value = view.x;
    else if (property == "y")
        value = view.y;
    else if (property == "z")
        value = view.z;
    else if (property == "rx")
        value = view.rx;
    else if (property == "ry")
        value = view.ry;
    else if (property == "rz")
        value = view.rz;
    else if (property == "alpha")
        value = view.alpha;
    else if (property == "zoom")
        value = 100.0 * std::max({view.sx, view.sy, view.sz});
    else if (property == "aspect")
        value = view.sx <= 0 && view.sy <= 0 ? 0.0
                : view.sx < view.sy          ? 1.0 - double(view.sx) / view.sy
                                             : double(view.sy) / view.sx - 1.0;
    else
        fail("invalid get value target=%s", property.c_str());
    lua().lua_pushnumber(L, value);
    return 1;
}

namespace {

const Effect::EffectItemNumber& movementItem(const LuaInstance& run)
{
    if (!run.movement || !run.trackItem || !run.itemObject)
        throw System::makeException("Plugin::ScriptPluginInstance::getMovement", "not movement script.", nullptr);
    return *run.trackItem;
}

void pushItemValue(Lua::lua_State* L, const Effect::EffectItemNumber& item, Lua::lua_Integer index)
{
    if (item.values.empty())
        throw System::makeException("Effect::EffectItemNumber::clampValueIndex", "item value index out of range.",
                                    nullptr);
    const Lua::lua_Integer clamped = std::clamp<Lua::lua_Integer>(index, 0, Lua::lua_Integer(item.values.size()) - 1);
    lua().lua_pushnumber(L, item.getIndexValue(static_cast<int>(clamped)));
}

// Seconds from the object's first frame.
double secondsOf(const Render::RenderObject& r, double frame)
{
    return (frame - (r.object ? r.object->start : 0)) / frameRate(r);
}

} // namespace

// getpoint(index [, link offset [, count]]) or getpoint(keyword [, option]).
int getpoint(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const Effect::EffectItemNumber& item = movementItem(run);
    const Render::RenderObject& r = *run.itemObject;
    const int count = lua().lua_gettop(L);
    if (lua().lua_type(L, 1) == Lua::LUA_TNUMBER) {
        const Lua::lua_Integer index = checkInteger(L, 1);
        if (count < 2) {
            pushItemValue(L, item, index);
            return 1;
        }
        const Lua::lua_Integer offset = checkInteger(L, 2);
        const Lua::lua_Integer n = count >= 3 ? checkInteger(L, 3) : 1;
        if (n < 1)
            return 0;
        const Effect::EffectItemNumber::Group* group = item.group;
        const Lua::lua_Integer size = group && !group->empty() ? Lua::lua_Integer(group->size()) : 1;
        Lua::lua_Integer own = 0;
        if (group)
            own = std::find(group->begin(), group->end(), &item) - group->begin();
        for (Lua::lua_Integer j = 0; j < n; ++j) {
            const Lua::lua_Integer at = (((j + own + offset) % size) + size) % size;
            const Effect::EffectItemNumber* member = group ? (*group)[size_t(at)] : &item;
            if (member->movement != item.movement || member->flags != item.flags)
                member = &item;
            pushItemValue(L, *member, index);
        }
        return static_cast<int>(n);
    }
    const std::string key = checkString(L, 1);
    const Edit::Object* object = r.object.get();
    const int first = object ? object->start : 0;
    const int last = object ? object->end : 0;
    if (key == "index") {
        lua().lua_pushnumber(L, item.getSectionPosition(r, r.time));
        return 1;
    }
    if (key == "num") {
        lua().lua_pushinteger(L, static_cast<Lua::lua_Integer>(item.values.size()));
        return 1;
    }
    if (key == "param") {
        const std::vector<double>& params = item.getMovementParams();
        if (params.empty())
            fail("no set param");
        lua().lua_pushnumber(L, params.front());
        return 1;
    }
    if (key == "accelerate" || key == "decelerate") {
        lua().lua_pushboolean(L, (item.flags & (key == "accelerate" ? 1 : 2)) != 0);
        return 1;
    }
    if (key == "time") {
        if (count < 2) {
            lua().lua_pushnumber(L, secondsOf(r, r.time));
            return 1;
        }
        const Lua::lua_Integer s = checkInteger(L, 2);
        const std::vector<int> points = object ? object->midPoints : std::vector<int>{};
        int frame = first;
        if (s >= Lua::lua_Integer(item.values.size()) - 1 && s > 0)
            frame = last;
        else if (s > 0)
            frame = size_t(s) <= points.size() ? first + points[size_t(s) - 1] : last + 1;
        lua().lua_pushnumber(L, secondsOf(r, frame));
        return 1;
    }
    if (key == "timecontrol") {
        if (!run.targetSection)
            throw System::makeException("Plugin::ScriptPluginInstance::getTargetSection", "not movement script.",
                                        nullptr);
        const Render::SectionPosition& section = *run.targetSection;
        const double p = item.applyCurve(section.sectionTime / std::max(section.sectionLength, 1));
        const std::string option = count >= 2 ? checkString(L, 2) : "";
        if (option == "index")
            lua().lua_pushnumber(L, item.getSectionPosition(r, first + (last - first) * p));
        else if (option == "time")
            lua().lua_pushnumber(L, p * (last - first) / frameRate(r));
        else
            fail("invalid get point timecontrol option=%s", option.c_str());
        return 1;
    }
    if (key == "framerate") {
        lua().lua_pushnumber(L, frameRate(r));
        return 1;
    }
    if (key == "link") {
        const Effect::EffectItemNumber::Group* group = item.group;
        Lua::lua_Integer own = 0, size = 1;
        if (group && !group->empty()) {
            own = std::find(group->begin(), group->end(), &item) - group->begin();
            size = Lua::lua_Integer(group->size());
        }
        lua().lua_pushinteger(L, own);
        lua().lua_pushinteger(L, size);
        return 2;
    }
    fail("invalid get point target=%s", key.c_str());
}

namespace {

// The effect reached by walking n effects from the running one in the
// object's chain; null past either end.
const Effect::EffectBase* walkChain(const Render::RenderObject& r, const Effect::EffectBase& from, Lua::lua_Integer n,
                                    bool enabledOnly)
{
    if (!r.object)
        return nullptr;
    const auto& effects = r.object->effects;
    auto at = std::find_if(effects.begin(), effects.end(), [&](const auto& e) { return e.get() == &from; });
    if (at == effects.end())
        return nullptr;
    Lua::lua_Integer i = at - effects.begin();
    const Lua::lua_Integer step = n < 0 ? -1 : 1;
    for (Lua::lua_Integer left = n < 0 ? -n : n; left > 0;) {
        i += step;
        if (i < 0 || i >= Lua::lua_Integer(effects.size()))
            return nullptr;
        if (!enabledOnly || !effects[size_t(i)]->disable)
            --left;
    }
    return effects[size_t(i)].get();
}

Render::ControlView& cameraOf(Render::RenderObject& r)
{
    if (!r.drawState.cameraControl)
        fail("no camera control");
    return *r.drawState.cameraControl;
}

} // namespace

// getoption(name [, arguments]).
int getoption(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const std::string name = checkString(L, 1);
    const Lua::Api& api = lua();
    if (name == "section_num") {
        const Render::RenderObject* r = run.renderTarget ? run.renderTarget : run.itemObject;
        api.lua_pushinteger(L, r && r->object ? Lua::lua_Integer(r->object->midPoints.size()) + 1 : 1);
        return 1;
    }
    Render::RenderObject& r = run.getRenderVideoTarget();
    if (name == "track_mode") {
        const std::string track = checkString(L, 2);
        const Effect::EffectItemNumber* item = getTrackItemByName(run, track);
        if (!item)
            fail("invalid track name=%s", track.c_str());
        if (!item->movement || std::wstring_view(item->movement->name) == L"移動無し")
            api.lua_pushinteger(L, 0);
        else
            api.lua_pushstring(L, System::wideToUtf8(item->movement->name).c_str());
        return 1;
    }
    if (name == "multi_object") {
        api.lua_pushboolean(L, r.num != 1);
        return 1;
    }
    if (name == "camera_mode") {
        api.lua_pushboolean(L, r.drawState.cameraControl != nullptr);
        return 1;
    }
    if (name == "camera_param") {
        const Edit::CameraState& c = cameraOf(r).camera;
        api.lua_createtable(L, 0, 11);
        const std::pair<const char*, float> fields[] = {
            {"x", c.position.x}, {"y", c.position.y}, {"z", c.position.z}, {"tx", c.target.x}, {"ty", c.target.y},
            {"tz", c.target.z},  {"rz", c.tilt},      {"d", c.focalDistance}, {"ux", -c.up.x},   {"uy", -c.up.y},
            {"uz", -c.up.z},
        };
        for (const auto& [key, value] : fields) {
            api.lua_pushnumber(L, value);
            api.lua_setfield(L, -2, key);
        }
        return 1;
    }
    if (name == "gui") {
        api.lua_pushboolean(L, r.anchors != nullptr);
        return 1;
    }
    if (name == "script_name") {
        const int count = api.lua_gettop(L);
        const Lua::lua_Integer n = count >= 2 ? checkInteger(L, 2) : 0;
        const bool enabledOnly = count >= 3 && api.lua_toboolean(L, 3);
        const Effect::EffectBase* reached = walkChain(r, run.getEffect(), n, enabledOnly);
        std::string text;
        if (reached && reached->effectType == Effect::EffectType::Filter &&
            dynamic_cast<const Effect::ScriptEffect*>(reached))
            text = System::wideToUtf8(reached->name);
        api.lua_pushstring(L, text.c_str());
        return 1;
    }
    fail("invalid get option name=%s", name.c_str());
}

// setoption(name, value [, arguments]).
int setoption(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    const std::string name = checkString(L, 1);
    const Lua::Api& api = lua();
    if (name == "antialias" || name == "shadow")
        return 0;
    if (name == "draw_state") {
        run.drawn = api.lua_toboolean(L, 2) != 0;
        return 0;
    }
    Render::RenderObject& r = run.getRenderVideoTarget();
    Render::RenderObject::DrawState& s = r.drawState;
    if (name == "focus_mode") {
        if (std::string_view(checkString(L, 2)) == "fixed_size")
            r.focusFixedSize = true;
        return 0;
    }
    if (name == "drawtarget" || name == "dst") {
        const std::string_view kind = ScriptKeywords::bufferName(checkString(L, 2));
        if (kind == "tempbuffer") {
            if (api.lua_gettop(L) >= 4) {
                const int width = static_cast<int>(checkInteger(L, 3));
                const int height = static_cast<int>(checkInteger(L, 4));
                run.drawTarget = r.resourceCache ? r.resourceCache->getOrCreate("tempbuffer", width, height) : nullptr;
                if (run.drawTarget && !run.drawTarget->empty()) {
                    const float clear[4] = {0, 0, 0, 0};
                    run.drawTarget->clearRenderTargetView(clear);
                }
            } else {
                run.drawTarget = r.resourceCache ? r.resourceCache->findBuffer("tempbuffer") : nullptr;
            }
        } else if (kind == "framebuffer") {
            run.drawTarget.reset();
        } else {
            fail("invalid drawtarget type=%s", checkString(L, 2));
        }
        return 0;
    }
    if (name == "sampler") {
        const std::string_view kind = checkString(L, 2);
        const int entry = kind == "clip" ? 0 : kind == "clamp" ? 1 : kind == "loop" ? 2 : -1;
        Shader::SamplerStateList* samplers = Shader::SamplerStateList::published();
        s.samplerState = entry >= 0 && samplers ? samplers->get(static_cast<uint32_t>(entry)) : nullptr;
        return 0;
    }
    if (name == "blend") {
        if (api.lua_type(L, 2) == Lua::LUA_TNUMBER) {
            s.blendMode = static_cast<int>(std::clamp<Lua::lua_Integer>(checkInteger(L, 2), 0, 23));
        } else {
            const char* kind = checkString(L, 2);
            const int mode = ScriptKeywords::blendMode(kind);
            if (mode < 0)
                fail("invalid blend type=%s", kind);
            s.blendMode = mode;
        }
        return 0;
    }
    if (name == "culling") {
        s.culling = checkInteger(L, 2) != 0;
        return 0;
    }
    if (name == "billboard") {
        s.billboard = static_cast<int>(checkInteger(L, 2));
        return 0;
    }
    if (name == "camera_param") {
        Edit::CameraState& c = cameraOf(r).camera;
        auto field = [&](const char* key) {
            api.lua_getfield(L, 2, key);
            const float value = static_cast<float>(api.lua_tonumber(L, -1));
            api.pop(L, 1);
            return value;
        };
        if (api.lua_type(L, 2) != Lua::LUA_TTABLE)
            fail("bad argument #2 to 'setoption' (table expected)");
        c.position.x = field("x");
        c.position.y = field("y");
        c.position.z = field("z");
        c.target.x = field("tx");
        c.target.y = field("ty");
        c.target.z = field("tz");
        c.tilt = field("rz");
        c.focalDistance = field("d");
        c.up.x = -field("ux");
        c.up.y = -field("uy");
        c.up.z = -field("uz");
        return 0;
    }
    logScript("invalid set option name=%s", name.c_str());
    return 0;
}

// effect() runs the filters after this one; effect(name, parameter, value, ...)
// runs a new instance of the named filter.
int effect(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    if (!run.objectBuffer || run.objectBuffer->getWidth() == 0 || run.objectBuffer->getHeight() == 0)
        return 0;
    const Lua::Api& api = lua();
    const int count = api.lua_gettop(L);
    if (count < 1) {
        run.getObjValues();
        Effect::EffectBase& self = run.getEffect();
        run.objectBuffer = r.applyFilterEffectsWithoutAnchor(std::move(run.objectBuffer), &self, &r);
        return 0;
    }
    const std::string name = checkString(L, 1);
    const std::wstring wideName = System::utf8ToWide(name);
    Effect::EffectService* service = Effect::EffectService::Get();
    std::shared_ptr<Effect::EffectBase> filter = service ? service->createEffect(wideName.c_str()) : nullptr;
    if (!filter || filter->effectType != Effect::EffectType::Filter ||
        (filter->mediaType != Effect::MediaType::Video && filter->mediaType != Effect::MediaType::VideoAudio)) {
        logScript("invalid filter effect. effect=%s", name.c_str());
        return 0;
    }
    for (int i = 3; i <= count; i += 2) {
        const std::string parameter = checkString(L, i - 1);
        const std::string value = checkString(L, i);
        const bool number = api.lua_type(L, i) == Lua::LUA_TNUMBER;
        const std::wstring wideParameter = System::utf8ToWide(parameter);
        auto exact = std::find_if(filter->items.begin(), filter->items.end(),
                                  [&](const Effect::EffectItem* item) { return item->name == wideParameter; });
        if (exact != filter->items.end()) {
            if (number)
                (*exact)->fromScriptString(value);
            else
                (*exact)->fromString(value);
        } else if (Effect::EffectItem* older = Effect::EffectBase::findItem(*filter, wideParameter)) {
            older->fromTsoString(value, wideParameter, filter->name, number);
        } else {
            logScript("invalid filter effect param. effect=%s param=%s", name.c_str(), parameter.c_str());
        }
    }
    run.getObjValues();
    run.objectBuffer = filter->filterVideo(r, std::move(run.objectBuffer));
    return 0;
}

} // namespace Plugin::ScriptFunctions
