// Loads and saves a generated project of 1,000 objects over two scenes (an
// input, an output and two filters with moving parameters each) and prints
// the milliseconds of each, beside only parsing the same file as ini text.
#include "core/file.h"
#include "core/ini_file.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "effect/effect_base.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "project/model/object.h"
#include "project/model/project.h"
#include "project/model/scene.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Kind {
    const wchar_t* name;
    uint8_t type, media;
    int numbers;
};

// An effect of the given kind with that many number items (and a file for inputs).
template <const Kind& K>
class BenchEffect : public Effect::EffectBase {
public:
    BenchEffect() : EffectBase(K.name, K.type, K.media, K.media, L"bench")
    {
        static const wchar_t* labels[] = {L"X", L"Y", L"Z", L"拡大率", L"透明度", L"回転", L"中心X", L"中心Y",
                                          L"強さ", L"範囲", L"明るさ", L"色相"};
        for (int i = 0; i < K.numbers; ++i)
            numbers.push_back(std::make_unique<Effect::EffectItemNumber>(items, labels[i], 0.0, -100000.0, 100000.0,
                                                                         0.01));
        if (K.type == Effect::EffectType::Input)
            file = std::make_unique<Effect::EffectItemFile>(items, L"ファイル", L"", L"");
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchEffect>(); }
    std::vector<std::unique_ptr<Effect::EffectItemNumber>> numbers;
    std::unique_ptr<Effect::EffectItemFile> file;
};

constexpr Kind Image{L"画像ファイル", 1, 1, 3};
constexpr Kind Output{L"標準描画", 2, 1, 12};
constexpr Kind Blur{L"ぼかし", 3, 1, 3};
constexpr Kind Colour{L"色調補正", 3, 1, 5};

void registerEffects(Effect::EffectService& s)
{
    s.registerEffect<BenchEffect<Image>>();
    s.registerEffect<BenchEffect<Output>>();
    s.registerEffect<BenchEffect<Blur>>();
    s.registerEffect<BenchEffect<Colour>>();
}

void build(Edit::Project& project, int objects)
{
    project.setPath(L"/projects/bench.vmp2");
    for (int i = 0; i < objects; ++i) {
        auto scene = project.getScene(i % 2 ? 1 : 0);
        const int n = i / 2;
        auto& object = scene->createObject(L"画像ファイル", n % 50, (n / 50) * 120, (n / 50) * 120 + 99);
        object->setFilterEffect(Effect::EffectService::Get()->findEffect(L"ぼかし"));
        object->setFilterEffect(Effect::EffectService::Get()->findEffect(L"色調補正"));
        object->addMidPoint(object->start + 40);
        object->effects[0]->items.back()->fromString("/media/clip_" + std::to_string(i) + ".png");
        for (size_t e = 1; e < object->effects.size(); ++e) {
            for (Effect::EffectItem* item : object->effects[e]->items)
                item->fromString(std::to_string(i % 97) + ".25," + std::to_string(i % 13) + ".5," +
                                 std::to_string(e * 10) + ".75,直線移動,0");
        }
    }
    for (auto& [id, scene] : project.scenes)
        scene->updateLayerObject();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F>
double timeMs(int runs, F&& f)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        const auto start = Clock::now();
        f();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    return median(times);
}

} // namespace

int main()
{
    Effect::EffectService::builtInEffects = {registerEffects, nullptr};
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Effect::EffectService>();

    constexpr int Objects = 1000, Runs = 15;
    Edit::Project project;
    build(project, Objects);
    const std::string path = "/tmp/velmora_bench_project_" + std::to_string(getpid()) + ".vmp2";
    const std::wstring wide = System::utf8ToWide(path);

    const double save = timeMs(Runs, [&] { project.saveProjectFile(wide.c_str()); });
    std::string bytes;
    int failed = 0;
    const double load = timeMs(Runs, [&] {
        Edit::Project read;
        failed += read.loadProjectFile(wide.c_str());
    });
    const double parse = timeMs(Runs, [&] {
        System::File file;
        file.open(wide.c_str(), System::File::ModeRead);
        bytes.resize(file.getSize());
        file.readBlock(bytes.data(), static_cast<int>(bytes.size()));
        System::IniFile ini;
        ini.loadText(bytes, wide.c_str(), false);
    });
    unlink(path.c_str());

    std::printf("project of %d objects over 2 scenes, %zu bytes, median of %d runs\n", Objects, bytes.size(), Runs);
    std::printf("load:  %8.2f ms (target under 100)\n", load);
    std::printf("save:  %8.2f ms (target under 50)\n", save);
    std::printf("ini parse of the same file: %8.2f ms\n", parse);
    std::printf("load / parse: %.2fx\n", load / parse);

    // Hostile files: 3,000 object and layer sections naming scenes the file
    // does not declare (each refused with a warning), and 1,000 declared
    // scenes each using layer 9,999. Time and the growth of the peak memory.
    std::string undeclared = "[project]\r\n[scene.0]\r\nscene=0\r\nvideo.width=64\r\nvideo.height=48\r\n"
                             "video.rate=30\r\nvideo.scale=1\r\n";
    std::string highLayers = undeclared;
    for (int i = 0; i < 3000; ++i)
        undeclared += "[" + std::to_string(i) + "]\r\nlayer=9999\r\nscene=" + std::to_string(i + 1) +
                      "\r\nframe=0,9\r\n[" + std::to_string(i) + ".0]\r\neffect.name=画像ファイル\r\n";
    for (int i = 0; i < 1000; ++i)
        highLayers += "[scene." + std::to_string(i + 1) + "]\r\nscene=" + std::to_string(i + 1) +
                      "\r\nvideo.width=64\r\nvideo.height=48\r\nvideo.rate=30\r\nvideo.scale=1\r\n";
    for (int i = 0; i < 1000; ++i)
        highLayers += "[" + std::to_string(i) + "]\r\nlayer=9999\r\nscene=" + std::to_string(i + 1) +
                      "\r\nframe=0,9\r\n[" + std::to_string(i) + ".0]\r\neffect.name=画像ファイル\r\n";
    auto statusKb = [](const char* key) {
        std::string status(8192, '\0');
        FILE* f = std::fopen("/proc/self/status", "r");
        status.resize(f ? std::fread(status.data(), 1, status.size(), f) : 0);
        if (f)
            std::fclose(f);
        const size_t at = status.find(key);
        return at == std::string::npos ? 0LL : std::stoll(status.substr(at + std::strlen(key)));
    };
    for (const auto& [label, text] : {std::pair<const char*, const std::string*>{"3,000 undeclared-scene sections",
                                                                                 &undeclared},
                                      {"1,000 scenes on layer 9,999", &highLayers}}) {
        const long long before = statusKb("VmRSS:");
        if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
        const Clock::time_point start = Clock::now();
        int dropped = 0;
        {
            Edit::Project read;
            dropped = read.loadProjectText(*text, L"hostile.vmp2");
        }
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::printf("hostile file, %s (%zu bytes): %.1f ms, peak +%.1f MB, %d objects refused (target under 1000 ms "
                    "and 50 MB)\n",
                    label, text->size(), ms, (statusKb("VmHWM:") - before) / 1024.0, dropped);
    }
    if (failed)
        std::printf("objects that failed to load: %d\n", failed);
    return failed ? 1 : 0;
}
