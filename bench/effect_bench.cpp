// Evaluates number items over 100,000 frames of one object and prints
// evaluations per second for each movement, with the bytes allocated per
// evaluation (operator new is counted for the whole program).
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_item_number.h"
#include "effect/effect_service.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> allocatedBytes{0};
std::atomic<size_t> allocations{0};
} // namespace

// The replaced operators allocate with malloc, so free is their match; the
// compiler only sees the names and would warn at every inlined delete.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(size_t size)
{
    allocatedBytes += size;
    ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size)
{
    return operator new(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept
{
    std::free(p);
}

namespace {

constexpr int Frames = 100000;

struct Result {
    double perSecond;
    double bytesPerEvaluation;
    double checksum;
};

Result run(Effect::EffectItemNumber& item, const std::shared_ptr<Edit::Object>& object)
{
    Render::RenderObject r;
    r.object = object;
    double checksum = 0.0;
    // One pass to warm up, then the timed passes.
    for (int pass = 0; pass < 2; ++pass) {
        for (int frame = object->start; frame < object->start + Frames; ++frame) {
            r.frame = frame;
            r.time = frame;
            r.sectionPosition.setPosition(*object, frame, frame);
            checksum += item.getValue(r);
        }
    }
    const size_t bytesBefore = allocatedBytes.load();
    const auto begin = std::chrono::steady_clock::now();
    constexpr int Passes = 10;
    for (int pass = 0; pass < Passes; ++pass) {
        for (int frame = object->start; frame < object->start + Frames; ++frame) {
            r.frame = frame;
            r.time = frame;
            r.sectionPosition.setPosition(*object, frame, frame);
            checksum += item.getValue(r);
        }
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    const double evaluations = double(Passes) * Frames;
    return {evaluations / elapsed, double(allocatedBytes.load() - bytesBefore) / evaluations, checksum};
}

} // namespace

int main()
{
    System::ServiceStack services;
    services.acquire<Setting::SettingService>();
    auto* registry = services.acquire<Effect::EffectService>();

    // An object of 100,000 frames cut into 20 sections.
    auto object = std::make_shared<Edit::Object>();
    object->start = 0;
    object->end = Frames - 1;
    for (int i = 1; i < 20; ++i)
        object->midPoints.push_back(i * Frames / 20);
    const int points = static_cast<int>(object->midPoints.size()) + 2;

    struct Case {
        const wchar_t* movement;
        const char* label;
        bool curve;
    } cases[] = {
        {L"直線移動", "linear", false},
        {L"補間移動", "curved (smooth interpolation)", false},
        {L"直線移動(時間制御)", "linear at constant speed, easing curve", true},
        {L"補間移動(時間制御)", "curved at constant speed, easing curve", true},
        {L"ランダム移動", "random", false},
    };
    std::printf("number item evaluation over %d frames (20 sections)\n", Frames);
    for (const Case& c : cases) {
        Effect::EffectItemList items;
        Effect::EffectItemNumber x(items, L"X", 0.0, -100000.0, 100000.0, 0.01);
        Effect::EffectItemNumber y(items, L"Y", 0.0, -100000.0, 100000.0, 0.01);
        Effect::EffectItemNumber::Group group;
        Effect::EffectItemNumber::makeGroup(group, {&x, &y});
        for (Effect::EffectItemNumber* item : group) {
            item->movement = registry->findMovement(c.movement).movement.get();
            item->resizeValues(points);
            item->updateMovement(*object);
            for (int i = 0; i < static_cast<int>(item->values.size()); ++i)
                item->setValue((i * 37 % 11) * 100.0 - 500.0 + (item == &y ? i * 13.0 : 0.0), i);
            if (c.curve)
                item->curve = {0.42, 0.0, 0.58, 1.0};
        }
        const Result result = run(x, object);
        std::printf("  %-42s %12.0f evaluations/s  %.3f bytes allocated per evaluation  (checksum %.3f)\n", c.label,
                    result.perSecond, result.bytesPerEvaluation, result.checksum);
    }
    return 0;
}
