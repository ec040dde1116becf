#pragma once
// What the effect targets share: the services effects run under, an effect with
// one item of most kinds (short names the fuzzer can hit), and objects to
// evaluate number items on.
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_button.h"
#include "effect/effect_item_color.h"
#include "effect/effect_item_file.h"
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_select.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_service.h"
#include "project/model/object.h"
#include "render/render_object.h"
#include "tests/fuzz/fuzz_services.h"

#include <memory>
#include <string>

namespace Fuzz {

inline void startEffectServices()
{
    startServices<Setting::SettingService, Effect::EffectService>();
}

class SampleEffect : public Effect::EffectBase {
public:
    SampleEffect()
        : EffectBase(L"sample", Effect::EffectType::Filter, Effect::MediaType::Video, Effect::MediaType::Video, L"")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SampleEffect>(); }

    static std::shared_ptr<Effect::EffectItemSelect::SharedList> choices()
    {
        auto list = Effect::EffectItemSelect::SharedList::create();
        list->insert(0, L"zero");
        list->insert(1, L"one");
        list->insert(5, L"five");
        return list;
    }

    Effect::EffectItemNumber x{items, L"x", 0.0, -10000.0, 10000.0, 0.1};
    Effect::EffectItemNumber n{items, L"n", 100.0, 0.0, 800.0, 0.01};
    Effect::EffectItemNumber w{items, L"w", 1.0, -1e6, 1e6, 0.001};
    Effect::EffectItemInteger i{items, L"i", 1, -5, 99};
    Effect::EffectItemLayerRange range{items, L"r"};
    Effect::EffectItemCheck c{items, L"c", false};
    Effect::EffectItemText t{items, L"t", L""};
    Effect::EffectItemString s{items, L"s", L""};
    Effect::EffectItemColor color{items, L"col", 255, 255, 255};
    Effect::EffectItemColor none{items, L"none", 0, 0, 0, Effect::EffectItemKind::ColorOrNone, true};
    Effect::EffectItemSelect select{items, L"sel", 1, choices()};
    Effect::EffectItemFile file{items, L"f", L"any\0*.*\0\0"};
    Effect::EffectItemYUV yuv{items, L"yuv"};
};

// An object over frames [start, end] with mid points, rendered at a time.
inline std::shared_ptr<Edit::Object> makeObject(int start, int end, std::vector<int> midPoints)
{
    auto object = std::make_shared<Edit::Object>();
    object->start = start;
    object->end = end;
    object->midPoints = std::move(midPoints);
    object->layer = 0;
    return object;
}

inline Render::RenderObject renderAt(const std::shared_ptr<Edit::Object>& object, double time)
{
    Render::RenderObject r;
    r.frame = time >= -2e9 && time <= 2e9 ? static_cast<int>(time) : 0;
    r.time = time;
    r.resetObject(object);
    return r;
}

} // namespace Fuzz
