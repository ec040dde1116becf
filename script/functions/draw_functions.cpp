// obj.draw and obj.drawpoly: the script draws the object image (or coloured
// quads) itself, into the frame through the object's own output, or into the
// draw target it chose with a drawing state of its own.
#include "effects/objects/basic_output.h"
#include "effects/objects/output_shader_effect.h"
#include "media/resource_buffer.h"
#include "media/vertex_list.h"
#include "project/model/object.h"
#include "render/render_object.h"
#include "script/functions/function_bodies.h"
#include "script/functions/script_keywords.h"
#include "script/lua_instance.h"
#include "script/script_functions.h"

#include <algorithm>

namespace Plugin {

using namespace ScriptCall;

namespace {

const Lua::Api& lua()
{
    return LuaInstance::api();
}

bool usable(const Media::ResourceBuffer* picture)
{
    return picture && !picture->empty() && picture->getWidth() > 0 && picture->getHeight() > 0;
}

// The drawing state of a draw into the draw target: blend mode and sampler
// from the object, the rest from the call.
Render::RenderObject::DrawState targetState(const Render::RenderObject& r)
{
    Render::RenderObject::DrawState state;
    state.blendMode = r.drawState.blendMode;
    state.samplerState = r.drawState.samplerState;
    state.culling = false;
    return state;
}

// Draws through the drawing core of the base object's output, when that is a
// standard output; otherwise draws nothing.
void drawWithOutput(Render::RenderObject& r, const Render::RenderObject::DrawState& state,
                    Media::ResourceBuffer& target, Media::ResourceBuffer* image, Media::VertexList* list)
{
    if (!r.objectList || r.objectList->empty())
        return;
    const Edit::Object& base = *r.objectList->front();
    if (base.effects.size() < 2)
        return;
    if (auto* output = dynamic_cast<Effect::BasicOutput*>(base.effects[1].get()))
        output->shader.drawPolygon(state, target, image, list);
}

// Draws with a copy of the object's render through its own output, and marks
// the object drawn.
void drawIntoFrame(LuaInstance& run, Render::RenderObject& copy)
{
    std::unique_ptr<Media::ResourceBuffer>& picture = run.objectBuffer;
    run.drawn = true;
    if (!copy.drawState.target)
        return;
    if (usable(picture.get())) {
        copy.outputVideo(picture);
    } else {
        // Coloured quads need no image: the output draws a placeholder the
        // colour shaders never read.
        std::unique_ptr<Media::ResourceBuffer> placeholder = std::make_unique<Media::ResourceBuffer>(1, 1);
        const float clear[4] = {0, 0, 0, 0};
        placeholder->clearRenderTargetView(clear);
        copy.outputVideo(placeholder);
    }
}

// The quad list of a script table: m numbers per quad (20, 28, 32 or 40);
// null when a quad is not a table or has another count.
template <class ListType>
std::shared_ptr<Media::VertexList> buildQuadList(Lua::lua_State* L, int index, size_t count, size_t m,
                                                 const Media::ResourceBuffer* image)
{
    const Lua::Api& api = lua();
    auto list = std::make_shared<ListType>();
    list->vertices.reserve(count * 4);
    std::vector<float> values;
    const float w = image ? float(image->getWidth()) : 1.0f;
    const float h = image ? float(image->getHeight()) : 1.0f;
    for (size_t i = 1; i <= count; ++i) {
        api.lua_pushinteger(L, static_cast<Lua::lua_Integer>(i));
        api.lua_gettable(L, index);
        if (api.lua_type(L, -1) != Lua::LUA_TTABLE) {
            api.pop(L, 1);
            return nullptr;
        }
        values.clear();
        const int quad = api.lua_gettop(L);
        api.lua_pushnil(L);
        while (api.lua_next(L, quad)) {
            values.push_back(static_cast<float>(checkNumber(L, -1)));
            api.pop(L, 1);
        }
        api.pop(L, 1);
        if (values.size() != m)
            return nullptr;
        const float* p = values.data();
        for (int c = 0; c < 4; ++c) {
            typename decltype(list->vertices)::value_type v{};
            v.x = p[3 * c];
            v.y = p[3 * c + 1];
            v.z = p[3 * c + 2];
            if constexpr (std::is_same_v<ListType, Media::VertexListQuadPosUv> ||
                          std::is_same_v<ListType, Media::VertexListQuadPosUvNorm>) {
                v.u = p[12 + 2 * c] / w;
                v.v = p[12 + 2 * c + 1] / h;
                v.alpha = 1;
                if constexpr (std::is_same_v<ListType, Media::VertexListQuadPosUvNorm>) {
                    v.nx = p[20 + 3 * c];
                    v.ny = p[20 + 3 * c + 1];
                    v.nz = p[20 + 3 * c + 2];
                }
            } else {
                v.r = p[12 + 4 * c];
                v.g = p[12 + 4 * c + 1];
                v.b = p[12 + 4 * c + 2];
                v.a = p[12 + 4 * c + 3];
                if constexpr (std::is_same_v<ListType, Media::VertexListQuadPosColorNorm>) {
                    v.nx = p[28 + 3 * c];
                    v.ny = p[28 + 3 * c + 1];
                    v.nz = p[28 + 3 * c + 2];
                }
            }
            list->vertices.push_back(v);
        }
    }
    return list;
}

// Draws the list (with the call alpha) into the draw target or the frame.
void drawList(LuaInstance& run, Render::RenderObject& r, const std::shared_ptr<Media::VertexList>& list, float alpha)
{
    if (run.drawTarget) {
        Render::RenderObject::DrawState state = targetState(r);
        state.alpha = alpha;
        drawWithOutput(r, state, *run.drawTarget, run.objectBuffer.get(), list.get());
        return;
    }
    Render::RenderObject copy = r;
    copy.vertices = list;
    copy.drawState.alpha *= alpha;
    drawIntoFrame(run, copy);
}

} // namespace

namespace ScriptFunctions {

// draw([ox [, oy [, oz [, zoom [, alpha [, rx [, ry [, rz]]]]]]]]).
int draw(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    if (!usable(run.objectBuffer.get()))
        return 0;
    const int count = lua().lua_gettop(L);
    double a[8] = {0, 0, 0, 1, 1, 0, 0, 0};
    for (int i = 0; i < 8 && i < count; ++i)
        a[i] = checkNumber(L, i + 1);
    if (run.drawTarget) {
        Render::RenderObject::DrawState state = targetState(r);
        state.x = float(a[0]);
        state.y = float(a[1]);
        state.z = float(a[2]);
        state.sx = state.sy = state.sz = float(a[3]);
        state.alpha = float(a[4]);
        state.rx = float(a[5]);
        state.ry = float(a[6]);
        state.rz = float(a[7]);
        drawWithOutput(r, state, *run.drawTarget, run.objectBuffer.get(), nullptr);
        return 0;
    }
    run.getObjValues();
    Render::RenderObject copy = r;
    Render::RenderObject::DrawState& s = copy.drawState;
    s.x += float(a[0]);
    s.y += float(a[1]);
    s.z += float(a[2]);
    s.sx *= float(a[3]);
    s.sy *= float(a[3]);
    s.sz *= float(a[3]);
    s.alpha *= float(a[4]);
    s.rx += float(a[5]);
    s.ry += float(a[6]);
    s.rz += float(a[7]);
    drawIntoFrame(run, copy);
    return 0;
}

// drawpoly(12 corner numbers [, 8 uv numbers in pixels [, alpha]]) or
// drawpoly(quad table [, alpha]).
int drawpoly(Lua::lua_State* L)
{
    LuaInstance& run = *LuaInstance::current();
    Render::RenderObject& r = run.getRenderVideoTarget();
    const Lua::Api& api = lua();
    const int count = api.lua_gettop(L);
    if (api.lua_type(L, 1) == Lua::LUA_TTABLE) {
        const size_t quads = api.lua_objlen(L, 1);
        api.lua_pushinteger(L, 1);
        api.lua_gettable(L, 1);
        const bool table = api.lua_type(L, -1) == Lua::LUA_TTABLE;
        const size_t m = table ? api.lua_objlen(L, -1) : 0;
        api.pop(L, 1);
        if (!table)
            fail("argument not table");
        const float alpha = count >= 2 ? static_cast<float>(checkNumber(L, 2)) : 1.0f;
        const bool textured = m == 20 || m == 32;
        if (textured && !usable(run.objectBuffer.get()))
            return 0;
        const Media::ResourceBuffer* image = run.objectBuffer.get();
        std::shared_ptr<Media::VertexList> list;
        switch (m) {
        case 20: list = buildQuadList<Media::VertexListQuadPosUv>(L, 1, quads, m, image); break;
        case 28: list = buildQuadList<Media::VertexListQuadPosColor>(L, 1, quads, m, image); break;
        case 32: list = buildQuadList<Media::VertexListQuadPosUvNorm>(L, 1, quads, m, image); break;
        case 40: list = buildQuadList<Media::VertexListQuadPosColorNorm>(L, 1, quads, m, image); break;
        default: break;
        }
        if (!list)
            fail("invalid number of argument");
        run.getObjValues();
        drawList(run, r, list, alpha);
        return 0;
    }
    if (!usable(run.objectBuffer.get()))
        return 0;
    float p[12];
    for (int i = 0; i < 12; ++i)
        p[i] = static_cast<float>(checkNumber(L, i + 1));
    float uv[8] = {0, 0, 1, 0, 1, 1, 0, 1};
    float alpha = 1;
    if (count >= 13) {
        const float w = float(run.objectBuffer->getWidth()), h = float(run.objectBuffer->getHeight());
        for (int i = 0; i < 8; ++i)
            uv[i] = std::clamp(static_cast<float>(checkNumber(L, 13 + i)) / (i % 2 ? h : w), 0.0f, 1.0f);
        if (count >= 21)
            alpha = static_cast<float>(checkNumber(L, 21));
    }
    run.getObjValues();
    // The shared one-quad list, rewritten in place: nothing is allocated per call.
    std::shared_ptr<Media::VertexListQuadPosUvCommon> quad =
        Media::VertexListQuadPosUvCommon::getCenteredQuad(run.objectBuffer->getWidth(), run.objectBuffer->getHeight());
    for (int c = 0; c < 4; ++c)
        quad->vertices[size_t(c)] = {p[3 * c], p[3 * c + 1], p[3 * c + 2], uv[2 * c], uv[2 * c + 1], 1.0f, 0};
    drawList(run, r, quad, alpha);
    return 0;
}

} // namespace ScriptFunctions

} // namespace Plugin
