#pragma once
// Shared pieces of the effect tests: the running settings and effect services,
// a small effect with one item of each common kind, and objects to render.
#include "core/service.h"
#include "core/setting_service.h"
#include "effect/effect_base.h"
#include "effect/effect_item_number.h"
#include "effect/effect_item_simple.h"
#include "effect/effect_service.h"
#include "project/model/object.h"
#include "render/render_object.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace EffectTest {

// The services the effect framework runs under, in their start-up order.
class Services {
public:
    Services()
    {
        stack_.acquire<Setting::SettingService>();
        stack_.acquire<Effect::EffectService>();
    }
    Effect::EffectService& effects() { return *Effect::EffectService::Get(); }

private:
    System::ServiceStack stack_;
};

class ServiceTest : public ::testing::Test {
protected:
    Services services;
};

// A filter with a number, a check and a text item.
class SampleFilter : public Effect::EffectBase {
public:
    static constexpr const wchar_t* Name = L"サンプル";
    SampleFilter()
        : EffectBase(Name, Effect::EffectType::Filter, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<SampleFilter>(); }

    Effect::EffectItemNumber size{items, L"サイズ", 100.0, 0.0, 800.0, 0.01};
    Effect::EffectItemCheck flag{items, L"反転", false};
    Effect::EffectItemText text{items, L"テキスト", L""};
};

// An object from start to end with the given mid-point offsets.
inline std::shared_ptr<Edit::Object> makeObject(int start, int end, std::vector<int> midPoints = {})
{
    auto object = std::make_shared<Edit::Object>();
    object->start = start;
    object->end = end;
    object->midPoints = std::move(midPoints);
    object->layer = 0;
    return object;
}

// A render object of the object at a time.
inline Render::RenderObject renderAt(const std::shared_ptr<Edit::Object>& object, double time)
{
    Render::RenderObject r;
    r.frame = static_cast<int>(time);
    r.time = time;
    r.resetObject(object);
    return r;
}

} // namespace EffectTest
