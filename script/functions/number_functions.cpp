// Bit operations, colour numbers, the quad rotation and the smooth curve:
// pure functions of their arguments (the two-colour forms read the progress
// of the object the run evaluates).
#include "core/color.h"
#include "core/curve.h"
#include "project/model/object.h"
#include "render/render_object.h"
#include "script/functions/function_bodies.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace Plugin::ScriptFunctions {

using namespace ScriptCall;

namespace {

uint32_t low32(Lua::lua_State* L, int index)
{
    return static_cast<uint32_t>(static_cast<uint64_t>(checkInteger(L, index)));
}

int pushUnsigned(Lua::lua_State* L, uint32_t value)
{
    LuaInstance::api().lua_pushnumber(L, static_cast<Lua::lua_Number>(value));
    return 1;
}

// (render time - first frame) / frame count of the object the run evaluates.
double objectProgress()
{
    const Render::RenderObject* item = LuaInstance::current()->itemObject;
    if (!item || !item->object)
        return 0;
    const Edit::Object& object = *item->object;
    return (item->time - object.start) / (double(object.end) - object.start + 1);
}

// Half away from zero, clamped to a byte.
int channel(double value)
{
    return static_cast<int>(std::clamp(std::round(value), 0.0, 255.0));
}

int pushColor(Lua::lua_State* L, int r, int g, int b)
{
    LuaInstance::api().lua_pushinteger(L, r * 65536 + g * 256 + b);
    return 1;
}

int pushHsvColor(Lua::lua_State* L, double h, double s, double v)
{
    const ColorF c = hsvToRgb(static_cast<float>(h / 360), static_cast<float>(s / 100), static_cast<float>(v / 100));
    // Rounded in single precision, as the conversion computes.
    auto byte = [](float value) {
        const float scaled = value * 255.0f;
        return std::isnan(scaled) ? 0 : static_cast<int>(std::clamp(std::round(scaled), 0.0f, 255.0f));
    };
    return pushColor(L, byte(c.r), byte(c.g), byte(c.b));
}

} // namespace

int bitOr(Lua::lua_State* L)
{
    return pushUnsigned(L, low32(L, 1) | low32(L, 2));
}

int bitAnd(Lua::lua_State* L)
{
    return pushUnsigned(L, low32(L, 1) & low32(L, 2));
}

int bitXor(Lua::lua_State* L)
{
    return pushUnsigned(L, low32(L, 1) ^ low32(L, 2));
}

// SHIFT(a, n): left by n mod 32 as a signed 32-bit number; for n < 0 right
// arithmetically by -n mod 64 on a sign-extended to 64 bits.
int shift(Lua::lua_State* L)
{
    const uint32_t a = low32(L, 1);
    const int32_t n = static_cast<int32_t>(checkInteger(L, 2));
    const Lua::Api& api = LuaInstance::api();
    if (n >= 0) {
        api.lua_pushnumber(L, static_cast<int32_t>(a << (n % 32)));
    } else {
        const int count = static_cast<int>((-static_cast<int64_t>(n)) % 64);
        api.lua_pushnumber(L, static_cast<double>(static_cast<int64_t>(static_cast<int32_t>(a)) >> count));
    }
    return 1;
}

int rgb(Lua::lua_State* L)
{
    const Lua::Api& api = LuaInstance::api();
    const int count = api.lua_gettop(L);
    if (count < 3) {
        const uint32_t col = low32(L, 1);
        api.lua_pushinteger(L, (col >> 16) & 255);
        api.lua_pushinteger(L, (col >> 8) & 255);
        api.lua_pushinteger(L, col & 255);
        return 3;
    }
    if (count < 6) {
        auto byte = [&](int index) {
            return static_cast<int>(std::clamp<Lua::lua_Integer>(checkInteger(L, index), 0, 255));
        };
        return pushColor(L, byte(1), byte(2), byte(3));
    }
    double c[6];
    for (int i = 0; i < 6; ++i)
        c[i] = static_cast<double>(checkInteger(L, i + 1));
    const double p = objectProgress();
    return pushColor(L, channel(c[0] * (1 - p) + c[3] * p), channel(c[1] * (1 - p) + c[4] * p),
                     channel(c[2] * (1 - p) + c[5] * p));
}

int hsv(Lua::lua_State* L)
{
    const Lua::Api& api = LuaInstance::api();
    const int count = api.lua_gettop(L);
    if (count < 3) {
        const uint32_t col = low32(L, 1);
        const ColorHsv h = rgbToHsv(((col >> 16) & 255) / 255.0f, ((col >> 8) & 255) / 255.0f, (col & 255) / 255.0f);
        api.lua_pushnumber(L, h.h * 360.0);
        api.lua_pushnumber(L, h.s * 100.0);
        api.lua_pushnumber(L, h.v * 100.0);
        return 3;
    }
    if (count < 6)
        return pushHsvColor(L, checkNumber(L, 1), checkNumber(L, 2), checkNumber(L, 3));
    double c[6];
    for (int i = 0; i < 6; ++i)
        c[i] = checkNumber(L, i + 1);
    const double p = objectProgress();
    return pushHsvColor(L, c[0] * (1 - p) + c[3] * p, c[1] * (1 - p) + c[4] * p, c[2] * (1 - p) + c[5] * p);
}

// rotation(x0, y0, ..., x3, y3, zoom, angle): the four points scaled and
// turned about the origin, in single precision.
int rotation(Lua::lua_State* L)
{
    const Lua::Api& api = LuaInstance::api();
    if (api.lua_gettop(L) != 10)
        return 0;
    float v[10];
    for (int i = 0; i < 10; ++i)
        v[i] = static_cast<float>(checkNumber(L, i + 1));
    const float zoom = v[8];
    const float angle = v[9] * 0.017453292f;
    const float c = std::cos(angle), s = std::sin(angle);
    for (int i = 0; i < 4; ++i) {
        const float x = v[2 * i], y = v[2 * i + 1];
        api.lua_pushnumber(L, zoom * (x * c - y * s));
        api.lua_pushnumber(L, zoom * (x * s + y * c));
    }
    return 8;
}

// interpolation(t, P0, P1, P2, P3): the smooth curve from P1 to P2 in one,
// two or three dimensions, chosen by the argument count.
int interpolation(Lua::lua_State* L)
{
    const Lua::Api& api = LuaInstance::api();
    const int count = api.lua_gettop(L);
    const int dimension = count < 9 ? 1 : count < 13 ? 2 : 3;
    const double t = checkNumber(L, 1);
    CurvePoint3D p[4] = {};
    for (int i = 0; i < 4; ++i) {
        double* c[3] = {&p[i].x, &p[i].y, &p[i].z};
        for (int d = 0; d < dimension; ++d)
            *c[d] = checkNumber(L, 2 + i * dimension + d);
    }
    CurvePoint3D out{};
    calcCurvePoint3D(t, p[0], p[1], p[2], p[3], out);
    const double result[3] = {out.x, out.y, out.z};
    for (int d = 0; d < dimension; ++d)
        api.lua_pushnumber(L, result[d]);
    return dimension;
}

int unsupported(Lua::lua_State*)
{
    fail("unsupported");
}

} // namespace Plugin::ScriptFunctions
