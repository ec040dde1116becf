// Edit transactions and undo. Prints:
// - transactions per second that move one object (of 1,000 on 10 layers)
//   with undo recording (target: at least 20,000);
// - undo and redo of one step that deleted 1,000 objects, in ms (target:
//   under 10 ms each), median and worst of 21 rounds.
// No other program does this work, so there is no peer to run beside it.
#include "core/event_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "project/edit/edit_service.h"
#include "project/edit/undo_service.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "project/model/scene.h"

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    services.acquire<Event::EventService>();
    Undo::UndoService& undo = *services.acquire<Undo::UndoService>();
    Edit::EditService& edit = *services.acquire<Edit::EditService>();
    Edit::Scene& scene = *edit.currentScene;

    constexpr int Layers = 10, PerLayer = 100;
    std::vector<std::shared_ptr<Edit::Object>> objects;
    {
        Edit::UpdateSection update(edit);
        update.updateLayerObject = true;
        for (int layer = 0; layer < Layers; ++layer)
            for (int i = 0; i < PerLayer; ++i)
                objects.push_back(scene.addObject(layer, i * 100, i * 100 + 89));
    }

    // One object moves right frame by frame: each move is one undoable transaction.
    const std::shared_ptr<Edit::Object> moving = objects[PerLayer - 1];
    constexpr int Moves = 200000;
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < Moves; ++i) {
        Edit::UpdateSection update(edit);
        update.openUndoStep();
        update.updateLayerObject = true;
        update.notifyEdit = true;
        undo.addObjectUpdate(moving);
        ++moving->start;
        ++moving->end;
    }
    const double moveMs = msSince(start);
    std::printf("transactions per second, one object moved with undo: %.0f (target: at least 20000)\n",
                Moves / (moveMs / 1000.0));

    // Every object deleted in one step, then undone and redone.
    {
        Edit::UpdateSection update(edit);
        update.openUndoStep();
        update.updateLayerObject = true;
        for (const auto& object : objects) {
            undo.addObjectCreateDelete(object);
            scene.removeObject(*object);
        }
    }
    // The placed objects, to show that each round's undo and redo did their work.
    auto placed = [&] {
        size_t count = 0;
        for (int layer = 0; layer < scene.layerCount(); ++layer)
            for (const auto& object : scene.getLayer(layer).objects)
                count += object->layer == layer;
        return count;
    };
    std::vector<double> undoMs, redoMs;
    size_t afterUndo = SIZE_MAX, afterRedo = 0;
    for (int round = 0; round < 21; ++round) {
        Clock::time_point t = Clock::now();
        const bool undone = undo.undo();
        undoMs.push_back(msSince(t));
        afterUndo = std::min(afterUndo, undone ? placed() : 0);
        t = Clock::now();
        const bool redone = undo.redo();
        redoMs.push_back(msSince(t));
        afterRedo = std::max(afterRedo, redone ? placed() : SIZE_MAX);
    }
    std::sort(undoMs.begin(), undoMs.end());
    std::sort(redoMs.begin(), redoMs.end());
    std::printf("undo of a step that deleted %zu objects: median %.3f ms, worst %.3f ms (target: under 10 ms)\n",
                objects.size(), undoMs[undoMs.size() / 2], undoMs.back());
    std::printf("redo of that step: median %.3f ms, worst %.3f ms (target: under 10 ms)\n", redoMs[redoMs.size() / 2],
                redoMs.back());
    // Every undo must put all objects back and every redo remove them all.
    std::printf("objects placed after each undo: %zu, after each redo: %zu\n", afterUndo, afterRedo);
    return afterUndo == objects.size() && afterRedo == 0 ? 0 : 1;
}
