// The older object file import and alias placement. Prints, in ms (median and
// worst of 11 rounds):
// - the import of a generated older object file (CP932) of 1,000 objects over
//   10 layers, each with a source and an output of eight moving number items,
//   a third of them chained to the object before (target: under 100 ms);
// - the placement of an object alias of 100 such objects as one undoable edit
//   (target: under 20 ms).
// No other program does this work, so there is no peer to run beside it.
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/files/tso_file.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const wchar_t* const ItemNames[8] = {L"X", L"Y", L"Z", L"拡大率", L"透明度", L"回転", L"再生速度", L"音量"};

template <uint8_t Type>
class BenchEffect : public Effect::EffectBase {
public:
    BenchEffect()
        : EffectBase(Type == Effect::EffectType::Input ? L"画像ファイル" : L"標準描画", Type, 1, 1, L"bench")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchEffect>(); }
    Effect::EffectItemNumber items8[8] = {{items, ItemNames[0], 0, -9999, 9999, 0.1},  {items, ItemNames[1], 0, -9999, 9999, 0.1},
                                          {items, ItemNames[2], 0, -9999, 9999, 0.1},  {items, ItemNames[3], 100, 0, 5000, 0.01},
                                          {items, ItemNames[4], 0, 0, 100, 0.1},       {items, ItemNames[5], 0, -3600, 3600, 0.01},
                                          {items, ItemNames[6], 100, -2000, 2000, 0.1}, {items, ItemNames[7], 100, 0, 500, 0.1}};
};

void registerBenchEffects(Effect::EffectService& service)
{
    service.registerEffect<BenchEffect<Effect::EffectType::Input>>();
    service.registerEffect<BenchEffect<Effect::EffectType::Output>>();
}

double msOf(const std::function<void()>& f)
{
    const Clock::time_point start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void print(const char* what, std::vector<double>& ms, int target)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-10s median %8.3f ms, worst %8.3f ms (target: under %d ms) %s\n", what, ms[ms.size() / 2],
                ms.back(), target, ms[ms.size() / 2] < target ? "met" : "NOT met");
}

void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string olderFile()
{
    std::string text = "[tessel]\r\nwidth=1920\r\nheight=1080\r\nrate=30\r\nscale=1\r\naudio_rate=48000\r\n";
    int n = 0;
    for (int layer = 1; layer <= 10; ++layer) {
        for (int i = 0; i < 100; ++i, ++n) {
            // Every third object continues the one before without a gap.
            const bool chained = i % 3 == 2;
            const int start = i * 100 + 1 - (chained ? 40 : 0);
            const std::string section = std::to_string(n);
            text += "[" + section + "]\r\nlayer=" + std::to_string(layer) + "\r\nstart=" + std::to_string(start) +
                    "\r\nend=" + std::to_string(i * 100 + 60) + "\r\n";
            if (chained)
                text += "chain=1\r\n";
            for (int e = 0; e < 2; ++e) {
                text += "[" + section + "." + std::to_string(e) + "]\r\n_name=" + (e == 0 ? "画像ファイル" : "標準描画") + "\r\n";
                for (const wchar_t* name : ItemNames)
                    text += System::wideToUtf8(name) + "=" + std::to_string(i) + ",200,1\r\n";
            }
        }
    }
    return System::wideToAnsi(System::utf8ToWide(text));
}

std::string objectAlias()
{
    std::string text;
    for (int n = 0; n < 100; ++n) {
        const std::string section = std::to_string(n);
        const int start = (n / 10) * 100;
        text += "[" + section + "]\r\nlayer=" + std::to_string(n % 10) + "\r\nframe=" + std::to_string(start) + "," +
                std::to_string(start + 30) + "," + std::to_string(start + 89) + "\r\n";
        for (int e = 0; e < 2; ++e) {
            text += "[" + section + "." + std::to_string(e) + "]\r\neffect.name=" + (e == 0 ? "画像ファイル" : "標準描画") +
                    "\r\n";
            for (const wchar_t* name : ItemNames)
                text += System::wideToUtf8(name) + "=10.0,20.0,30.0,直線移動\r\n";
        }
    }
    return text;
}

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    Setting::SettingService::Get()->effect.loadText("[OldScript.trackmode]\r\n1=直線移動\r\n", L"effect.conf", false);
    Effect::EffectService::builtInEffects = {registerBenchEffects, nullptr};
    services.acquire<Effect::EffectService>();
    services.acquire<Event::EventService>();
    Undo::UndoService& undo = *services.acquire<Undo::UndoService>();
    Edit::EditService& edit = *services.acquire<Edit::EditService>();

    const std::string folder = "/tmp/velmora_bench_alias_" + std::to_string(getpid());
    const std::string tso = folder + ".tso";
    const std::string alias = folder + ".object";
    writeFile(tso, olderFile());
    writeFile(alias, objectAlias());

    std::vector<double> import;
    size_t placed = 0, mids = 0;
    for (int round = 0; round < 11; ++round) {
        Edit::Scene scene(1, 1);
        int failed = 0;
        import.push_back(msOf([&] { failed = Edit::ProjectConvert::loadSceneFromTso(scene, System::utf8ToWide(tso).c_str()); }));
        placed = mids = 0;
        for (int layer = 0; layer < scene.layerCount(); ++layer) {
            for (const auto& object : scene.getLayer(layer).objects) {
                placed += object->layer == layer;
                mids += object->layer == layer ? object->midPoints.size() : 0;
            }
        }
        if (failed)
            std::printf("  %d objects failed\n", failed);
    }
    std::printf("older object file, 1,000 objects (CP932, %zu bytes): %zu objects placed, %zu chain joints\n",
                olderFile().size(), placed, mids);
    print("import", import, 100);

    std::vector<double> placement;
    size_t aliasObjects = 0;
    for (int round = 0; round < 11; ++round) {
        placement.push_back(msOf([&] { Edit::EditCommand::loadObjectAlias(System::utf8ToWide(alias).c_str(), 0, 0); }));
        const Edit::Scene& scene = *edit.currentScene;
        aliasObjects = 0;
        for (int layer = 0; layer < scene.layerCount(); ++layer)
            for (const auto& object : scene.getLayer(layer).objects)
                aliasObjects += object->layer == layer;
        undo.undo();
    }
    std::printf("object alias of 100 objects over 10 layers: %zu objects placed\n", aliasObjects);
    print("placement", placement, 20);
    std::remove(tso.c_str());
    std::remove(alias.c_str());
    return 0;
}
