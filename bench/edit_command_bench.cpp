// Editing commands on a scene of 1,000 objects over 10 layers (each with a
// source and an output of eight moving number items and two mid points).
// Prints, in ms (median and worst of 11 rounds, target: each under 50 ms):
// - split at one frame with all 1,000 objects as targets (one object of each
//   layer lies across the frame), its undo and its redo;
// - a range cut with gap closing over frames that cut 20 objects, take 290
//   whole and move 190, its undo and its redo.
// No other program does this work, so there is no peer to run beside it.
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "project/edit/edit_command.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A source or an output with eight number items, as the built-in ones carry.
template <uint8_t Type>
class BenchEffect : public Effect::EffectBase {
public:
    BenchEffect()
        : EffectBase(Type == Effect::EffectType::Input ? L"画像ファイル" : L"標準描画", Type, 1, 1, L"bench")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<BenchEffect>(); }
    Effect::EffectItemNumber items8[8] = {{items, L"X", 0, -9999, 9999, 0.1},     {items, L"Y", 0, -9999, 9999, 0.1},
                                          {items, L"Z", 0, -9999, 9999, 0.1},     {items, L"拡大率", 100, 0, 5000, 0.01},
                                          {items, L"透明度", 0, 0, 100, 0.1},     {items, L"回転", 0, -3600, 3600, 0.01},
                                          {items, L"再生速度", 100, -2000, 2000, 0.1}, {items, L"音量", 100, 0, 500, 0.1}};
};

void registerBenchEffects(Effect::EffectService& service)
{
    service.registerEffect<BenchEffect<Effect::EffectType::Input>>();
    service.registerEffect<BenchEffect<Effect::EffectType::Output>>();
}

struct Figures {
    std::vector<double> command, undo, redo;
};

double msOf(const std::function<void()>& f)
{
    const Clock::time_point start = Clock::now();
    f();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void print(const char* what, std::vector<double>& ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("  %-8s median %7.3f ms, worst %7.3f ms (target: under 50 ms)\n", what, ms[ms.size() / 2], ms.back());
}

// The placed objects of the scene and the changes of the newest undo step.
struct Count {
    size_t objects = 0;
    size_t changes = 0;
};
Count count(const Edit::Scene& scene, const Undo::UndoService& undo)
{
    Count c;
    for (int layer = 0; layer < scene.layerCount(); ++layer)
        for (const auto& object : scene.getLayer(layer).objects)
            c.objects += object->layer == layer;
    if (undo.history && !undo.history->steps.empty())
        c.changes = undo.history->steps.front().size();
    return c;
}

// Rounds of: the command, its undo, its redo, then an undo to start again.
void measure(const char* name, const Edit::Scene& scene, Undo::UndoService& undo, const std::function<void()>& prepare,
             const std::function<void()>& command)
{
    Figures figures;
    Count before, after, undone;
    for (int round = 0; round < 11; ++round) {
        prepare();
        before = count(scene, undo);
        figures.command.push_back(msOf(command));
        after = count(scene, undo);
        figures.undo.push_back(msOf([&] { undo.undo(); }));
        undone = count(scene, undo);
        figures.redo.push_back(msOf([&] { undo.redo(); }));
        undo.undo();
    }
    std::printf("%s %zu objects, %zu after the command (%zu recorded changes), %zu after its undo\n", name,
                before.objects, after.objects, after.changes, undone.objects);
    print("command", figures.command);
    print("undo", figures.undo);
    print("redo", figures.redo);
}

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    Effect::EffectService::builtInEffects = {registerBenchEffects, nullptr};
    services.acquire<Effect::EffectService>();
    services.acquire<Event::EventService>();
    Undo::UndoService& undo = *services.acquire<Undo::UndoService>();
    Edit::EditService& edit = *services.acquire<Edit::EditService>();
    Edit::Scene& scene = *edit.currentScene;
    Effect::EffectService& registry = *Effect::EffectService::Get();
    Effect::MovementBase* linear = registry.findMovement(L"直線移動").movement.get();

    constexpr int Layers = 10, PerLayer = 100;
    {
        Edit::UpdateSection update(edit);
        update.updateLayerObject = true;
        for (int layer = 0; layer < Layers; ++layer) {
            for (int i = 0; i < PerLayer; ++i) {
                const std::shared_ptr<Edit::Object> object =
                    scene.createObject(L"画像ファイル", layer, i * 100, i * 100 + 89);
                for (const auto& effect : object->effects) {
                    for (Effect::EffectItem* item : effect->items) {
                        auto& number = dynamic_cast<Effect::EffectItemNumber&>(*item);
                        number.setMovement(linear);
                        number.resizeValues(2);
                        number.setValue(10.0 * layer, 1);
                    }
                }
                object->addMidPoint(i * 100 + 30);
                object->addMidPoint(i * 100 + 60);
            }
        }
    }
    auto selectAll = [&] {
        scene.selection.clear();
        scene.layers.forEach([&](int, const Edit::LayerObjectList& list) {
            for (const auto& object : list.objects)
                scene.selection.addObject(object, scene);
        });
    };

    measure("split at one frame, 1,000 objects as targets:", scene, undo, selectAll,
            [] { Edit::EditCommand::splitObject(5045); });
    measure("range cut with gap closing, 1,000 objects as targets:", scene, undo,
            [&] {
                selectAll();
                scene.frameSelectionStart = 5045;
                scene.frameSelectionEnd = 8044;
                scene.cursorFrame = 9000;
            },
            [] { Edit::EditCommand::cutObject(true); });
    return 0;
}
