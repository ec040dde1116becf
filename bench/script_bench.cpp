// Start-up registration of a large user set: 1,000 trusted script files of four
// sections each (effects and movements, in the script folder and ten
// sub-folders), 500 alias files, 200 movement presets and 50 palettes; then a
// reload of the scripts (the cache-discard command). Prints the milliseconds of
// each (targets: start-up under 1,000 ms, reload under 300 ms) beside the time
// it takes only to list and read the same files, the floor of any reader (no
// other program does this work).
#include "core/file_name.h"
#include "core/module_trust_list.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_service.h"
#include "effect/script_service.h"
#include "effects/objects/script_effect_kinds.h"
#include "script/lua_script.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void write(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string section(int file, int k)
{
    return "@Effect" + std::to_string(k) + "\r\n--track0:Size,0,500," + std::to_string(k * 10) +
           "\r\n--param:" + std::to_string(file % 30) + "\r\n--information:Bench effect " + std::to_string(file) +
           "\r\n--label:Bench\\Set" + std::to_string(file % 7) +
           "\r\nlocal s = obj.track0\r\nfor i = 1, 4 do\r\n  obj.effect(\"blur\", \"size\", s * i)\r\nend\r\n";
}

// The user's folders, written once. Returns the number of bytes written.
size_t makeFixture(const fs::path& data)
{
    size_t bytes = 0;
    std::string trust;
    const char* extensions[] = {"anm2", "obj2", "tra2", "cam2"};
    for (int i = 0; i < 1000; ++i) {
        const std::string folder = i < 250 ? "" : "set" + std::to_string(i % 10);
        const std::string name = "@s" + std::to_string(i) + "." + extensions[i % 4];
        std::string text;
        for (int k = 0; k < 4; ++k)
            text += section(i, k);
        write(data / "Script" / folder / name, text);
        bytes += text.size();
        trust += "[" + (folder.empty() ? name : folder + "\\" + name) + "]\r\ntrust=1\r\n";
    }
    write(data / "module.ini", trust);
    for (int i = 0; i < 500; ++i) {
        const std::string text = "[Effect.0]\r\neffect.name=ぼかし\r\nサイズ=10\r\n";
        write(data / "Alias" / ("alias" + std::to_string(i) + (i % 2 ? ".effect" : ".object")), text);
        bytes += text.size();
    }
    for (int i = 0; i < 200; ++i) {
        const std::string text = "params=0.25,0.1," + std::to_string(i % 9) + ",1\r\n";
        write(data / "Default" / ("preset" + std::to_string(i) + ".params"), text);
        bytes += text.size();
    }
    for (int p = 0; p < 50; ++p) {
        std::string text;
        for (int i = 0; i < 64; ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "%d=%02x%02x%02x", i, (p * 5) & 255, (i * 4) & 255, (p + i) & 255);
            text += line;
            if (i % 8 == 0)
                text += "|colour" + std::to_string(p) + "_" + std::to_string(i);
            text += "\r\n";
        }
        write(data / "Default" / ("palette" + std::to_string(p) + ".palette"), text);
        bytes += text.size();
    }
    return bytes;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main()
{
    // A data folder of its own, so the user's is never touched.
    char pattern[] = "/tmp/velmora-bench-XXXXXX";
    const fs::path home = ::mkdtemp(pattern);
    ::setenv("XDG_DATA_HOME", home.c_str(), 1);
    const fs::path data = home / "velmora2";
    const size_t bytes = makeFixture(data);

    Effect::installScriptEffects();
    System::ServiceStack base;
    base.acquire<Setting::SettingService>();
    base.acquire<Plugin::ModuleTrustList>();
    auto* engines = base.acquire<Plugin::ScriptService>();
    engines->registerPlugin<Plugin::LuaScript>();
    engines->registerPlugin<Plugin::LuaJitScript>();

    std::vector<double> starts, reloads;
    size_t effects = 0, movements = 0, aliases = 0, presets = 0, colours = 0;
    for (int run = 0; run < 5; ++run) {
        System::ServiceStack stack;
        auto start = Clock::now();
        Effect::EffectService* service = stack.acquire<Effect::EffectService>();
        starts.push_back(msSince(start));
        effects = service->effects.size();
        movements = service->movements.size();
        aliases = service->aliases.size();
        presets = service->movementParams.presets.size();
        colours = service->palette.presetColors.size();
        start = Clock::now();
        service->registerScript();
        reloads.push_back(msSince(start));
    }

    // The floor: listing and reading the same files, and nothing else.
    std::vector<double> reads;
    for (int run = 0; run < 5; ++run) {
        const auto start = Clock::now();
        size_t read = 0;
        for (const auto& entry : fs::recursive_directory_iterator(data)) {
            if (!entry.is_regular_file())
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            read += text.size();
        }
        reads.push_back(msSince(start));
        if (read < bytes)
            std::fprintf(stderr, "read %zu of %zu bytes\n", read, bytes);
    }

    std::printf("registered: %zu script effects, %zu movements (8 built-in), %zu aliases, %zu presets, %zu preset "
                "colours from %.1f MB\n",
                effects, movements, aliases, presets, colours, bytes / 1e6);
    std::printf("start-up registration: first %.1f ms, then median %.1f ms (target < 1000 ms)\n", starts[0],
                median({starts.begin() + 1, starts.end()}));
    std::printf("script reload:         median %.1f ms (target < 300 ms)\n", median(reloads));
    const double read = median(reads);
    std::printf("reading the files alone: median %.1f ms; start-up / reading = %.1f, reload / reading = %.1f\n", read,
                median(starts) / read, median(reloads) / read);
    base.releaseAll();
    fs::remove_all(home);
    return 0;
}
