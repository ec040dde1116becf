// Script runs per engine: runs per second of an empty effect script (an
// instance made, the object's values in and out, the chunk loaded and called,
// the instance destroyed) and evaluations per second of a movement script,
// beside the bare interpreter loading and calling the same chunk in a loop
// (lua5.1 -e, luajit -e; for luajit the faster of the JIT on and off, as its
// compiler aborts on the loop's loadstring). Target: at least half the bare
// rate. Rates are per
// second of processor time of the one thread doing the work, so that a busy
// machine does not move them.
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "effect/script_movement.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/render_object.h"
#include "script/lua_script.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

namespace {

double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec * 1e-9;
}

template <class F>
double rate(int count, F&& f)
{
    const double start = cpuSeconds();
    for (int i = 0; i < count; ++i)
        f();
    return count / (cpuSeconds() - start);
}

// The bare interpreter's rate of loading and calling the chunk, by its own clock.
double bareRate(const char* program, const std::string& chunk, int count)
{
    const std::string command = std::string(program) + " -e \"local s = '" + chunk +
                                "' local n = " + std::to_string(count) +
                                " local t = os.clock() for i = 1, n do local f = loadstring(s) f() end"
                                " io.write(n / (os.clock() - t))\"";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    double value = -1;
    if (std::fscanf(pipe, "%lf", &value) != 1)
        value = -1;
    pclose(pipe);
    return value;
}

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Effect::EffectService>();
    auto* engines = services.acquire<Plugin::ScriptService>();
    engines->registerPlugin<Plugin::LuaScript>();
    engines->registerPlugin<Plugin::LuaJitScript>();

    Edit::Scene scene(1, 0);
    auto object = std::make_shared<Edit::Object>();
    object->start = 0;
    object->end = 299;
    object->layer = 0;
    Render::RenderObject render;
    render.scene = &scene;
    render.frame = 10;
    render.time = 10;
    render.resetObject(object);
    render.objectList = std::make_shared<Render::ObjectList>(Render::ObjectList{object});

    std::printf("script runs (rates per second of processor time)\n");
    std::fflush(stdout);
    std::system("uptime");
    std::printf("%-8s %-22s %12s %12s %8s %s\n", "engine", "work", "ours", "bare", "ratio", "target 0.5");
    const char* countText = std::getenv("VELMORA_BENCH_COUNT");
    const int count = countText ? std::atoi(countText) : 20000;
    const std::string effectChunk = "";
    const std::string movementChunk = "return 1 + 2";
    for (const char* key : {"lua", "luaJIT"}) {
        const char* program = std::string_view(key) == "lua" ? "lua5.1" : "luajit";
        auto prototype = std::make_shared<Effect::ScriptFilter>(L"");
        prototype->createCommonResource();
        prototype->setScriptSection({L"bench", effectChunk}, L"/scripts", nullptr, key);
        auto effect = std::dynamic_pointer_cast<Effect::ScriptFilter>(prototype->create());
        effect->shareResource(*prototype);
        Plugin::ScriptPlugin& engine = *effect->getScript()->engine;
        auto runEffect = [&] { engine.createEffectInstance(*effect, render)->executeEffect(effectChunk); };
        runEffect(); // the library loads and the state is made
        const double effects = rate(count, runEffect);
        auto bare = [&](const std::string& chunk) {
            const double plain = bareRate(program, chunk, count);
            return program == std::string_view("luajit") ? std::max(plain, bareRate("luajit -joff", chunk, count))
                                                          : plain;
        };
        const double bareEffects = bare(effectChunk);

        Effect::EffectItemList list;
        Effect::EffectItemNumber item(list, L"X", 0, -1000, 1000, 0.01);
        Effect::ScriptMovement movement(L"bench");
        movement.setScriptSection({L"bench", movementChunk}, L"/scripts", nullptr, key);
        item.movement = &movement;
        double sum = 0;
        const double movements = rate(count, [&] { sum += item.getValue(render); });
        item.movement = Effect::NoMove::instance;
        const double bareMovements = bare(movementChunk);
        if (sum != 3.0 * count)
            std::printf("movement value wrong: %g\n", sum);

        for (const auto& [work, ours, bare] : {std::tuple{"empty effect run", effects, bareEffects},
                                              std::tuple{"movement evaluation", movements, bareMovements}}) {
            const double ratio = bare > 0 ? ours / bare : 0;
            std::printf("%-8s %-22s %12.0f %12.0f %8.2f %s\n", key, work, ours, bare, ratio, ratio >= 0.5 ? "met" : "missed");
        }
    }
    return 0;
}
