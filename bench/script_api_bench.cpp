// Script functions per engine, as runs per second of a whole effect run (the
// instance made, "obj" in and out, the chunk run, the instance destroyed,
// the device finished):
//   - a per-object script that moves obj.x (target 20,000 runs/s);
//   - one that reads and writes every pixel of a 256 x 256 object (target 20);
//   - one that draws 1,000 drawpoly quads of 32 x 32 into the frame (target 10).
// Beside each, the bare interpreter doing the same script work on plain Lua
// values (the reads and writes on a table, the quad corners computed), as the
// peer, and the ratio. The device is whatever the Vulkan loader finds
// (lavapipe here). Rates by the wall clock; uptime is printed with them.
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_service.h"
#include "effect/script_service.h"
#include "effects/objects/basic_output.h"
#include "effects/objects/script_effect_kinds.h"
#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "platform/gpu/gpu.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "render/resource_cache.h"
#include "script/lua_script.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

double seconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Runs f until at least the time or the count is used up; runs per second.
template <class F>
double rate(double minimum, int maximum, F&& f)
{
    f(); // warm: the library, the state, the pipelines
    const double start = seconds();
    int n = 0;
    while (n < maximum && (n == 0 || seconds() - start < minimum)) {
        f();
        ++n;
    }
    return n / (seconds() - start);
}

// The bare interpreter's runs per second of the chunk, by its own clock.
double bareRate(const char* program, const std::string& chunk, int count)
{
    const std::string path = "/tmp/velmora-script-api-bench.lua";
    FILE* file = std::fopen(path.c_str(), "w");
    if (!file)
        return -1;
    std::fprintf(file, "obj = {ox = 0, w = 256, h = 256}\nlocal f = loadstring([==[%s]==])\n"
                       "local n = %d local t = os.clock() for i = 1, n do f() end io.write(n / (os.clock() - t))\n",
                 chunk.c_str(), count);
    std::fclose(file);
    FILE* pipe = popen((std::string(program) + " " + path).c_str(), "r");
    if (!pipe)
        return -1;
    double value = -1;
    if (std::fscanf(pipe, "%lf", &value) != 1)
        value = -1;
    pclose(pipe);
    return value;
}

struct Work {
    const char* name;
    std::string script; // ours
    std::string bare;   // the same script work on plain values
    bool picture;
    double target;
    int count;
};

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Media::Direct3DService>();
    Shader::SamplerStateList samplers;
    Shader::BlendStateList blends;
    Shader::RasterizerStateList rasterizers;
    Shader::ShaderList shaders;
    Effect::EffectService* effects = services.acquire<Effect::EffectService>();
    auto* engines = services.acquire<Plugin::ScriptService>();
    engines->registerPlugin<Plugin::LuaScript>();
    engines->registerPlugin<Plugin::LuaJitScript>();
    effects->registerEffect<Effect::VideoOutput>();

    Edit::Scene scene(1, 0);
    scene.width = 640;
    scene.height = 360;
    auto object = std::make_shared<Edit::Object>();
    object->start = 0;
    object->end = 299;
    object->layer = 0;
    object->effects.push_back(effects->createEffect(Effect::VideoOutput::Name)); // stands in for an input
    object->effects.push_back(effects->createEffect(Effect::VideoOutput::Name));
    Media::RenderBuffer frame(Media::Format::R16G16B16A16Float);
    frame.createTexture2D(640, 360);
    Render::ResourceCache cache(int64_t{1} << 24);
    Render::RenderObject render;
    render.scene = &scene;
    render.frame = 10;
    render.time = 10;
    render.resetObject(object);
    render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});
    render.drawState.target = &frame;
    render.resourceCache = &cache;
    Media::ResourceBuffer source(256, 256);
    const float grey[4] = {0.5f, 0.25f, 0.125f, 1};
    source.clearRenderTargetView(grey);

    const std::string pixels = "for y = 0, obj.h - 1 do for x = 0, obj.w - 1 do"
                               " local c, a = obj.getpixel(x, y) obj.putpixel(x, y, 16777215 - c, a) end end";
    const std::string barePixels = "local t = pixels or {} pixels = t for y = 0, obj.h - 1 do for x = 0, obj.w - 1 do"
                                   " local i = y * 256 + x local c = t[i] or 0 t[i] = 16777215 - c end end";
    const std::string quads = "for i = 0, 999 do local x = (i % 40) * 16 - 320 local y = math.floor(i / 40) * 12 - 180"
                              " obj.drawpoly(x, y, 0, x + 32, y, 0, x + 32, y + 32, 0, x, y + 32, 0) end";
    const std::string bareQuads = "local q = {} for i = 0, 999 do local x = (i % 40) * 16 - 320"
                                  " local y = math.floor(i / 40) * 12 - 180"
                                  " q[1], q[2], q[4], q[5] = x, y, x + 32, y end";
    const Work works[] = {
        {"move obj.x", "obj.ox = obj.ox + 1", "obj.ox = obj.ox + 1", false, 20000, 200000},
        {"every pixel 256x256", pixels, barePixels, true, 20, 20},
        {"1000 drawpoly 32x32", quads, bareQuads, true, 10, 50},
    };

    std::printf("script functions, runs per second (wall clock)\n");
    std::fflush(stdout);
    std::system("uptime");
    std::printf("%-8s %-22s %12s %12s %10s %10s %s\n", "engine", "work", "ours", "bare Lua", "ratio", "target", "");
    for (const char* key : {"lua", "luaJIT"}) {
        const char* program = std::string_view(key) == "lua" ? "lua5.1" : "luajit";
        for (const Work& w : works) {
            auto prototype = std::make_shared<Effect::ScriptFilter>(L"");
            prototype->createCommonResource();
            prototype->setScriptSection({L"bench", w.script}, L"/scripts", nullptr, key);
            auto effect = std::dynamic_pointer_cast<Effect::ScriptFilter>(prototype->create());
            effect->shareResource(*prototype);
            Plugin::ScriptPlugin& engine = *effect->getScript()->engine;
            Media::Direct3DService* d3d = Media::Direct3DService::Get();
            const double ours = rate(1.0, w.count, [&] {
                render.drawState = Render::RenderObject::DrawState{};
                render.drawState.target = &frame;
                auto run = engine.createEffectInstance(*effect, render);
                std::unique_ptr<Media::ResourceBuffer> picture = w.picture ? source.clone() : nullptr;
                run->setObjectBuffer(picture);
                run->executeEffect(w.script);
                run->takeObjectBuffer(picture);
                d3d->context->finish();
            });
            const double bare = bareRate(program, w.bare, w.picture ? 20 : 200000);
            std::printf("%-8s %-22s %12.1f %12.1f %10.3f %10.0f %s\n", key, w.name, ours, bare,
                        bare > 0 ? ours / bare : 0.0, w.target, ours >= w.target ? "met" : "missed");
            std::fflush(stdout);
        }
    }
    return 0;
}
