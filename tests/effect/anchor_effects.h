#pragma once
// Effects with handles for the anchor tests and benchmark: an output that
// places its object by X, Y, Z, zoom and rotation, a source with a size, and
// a filter with an X/Y point of its own.
#include "effect/move_effect.h"

#include <memory>

namespace AnchorTest {

using DrawState = Render::RenderObject::DrawState;

class TestOutput : public Effect::MoveEffect {
public:
    TestOutput()
        : MoveEffect(L"出力", Effect::EffectType::Output, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト")
    {
        Effect::EffectItemNumber::makeGroup(position, {&x, &y, &z});
        pointItems = &position;
        zoomItem = &zoom;
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestOutput>(); }
    DrawState getOutputView(Render::RenderObject& object) override
    {
        DrawState s = getPositionedView(object);
        const float k = static_cast<float>(zoom.getValue(object) * 0.01);
        s.sx *= k;
        s.sy *= k;
        s.sz *= k;
        s.rz += static_cast<float>(rotation.getValue(object));
        return s;
    }

    Effect::EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    Effect::EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    Effect::EffectItemNumber z{items, L"Z", 0, -100000, 100000, 0.01};
    Effect::EffectItemNumber zoom{items, L"拡大率", 100, 0, 5000, 0.01};
    Effect::EffectItemNumber rotation{items, L"回転", 0, -3600, 3600, 0.01};
    Effect::EffectItemNumber::Group position;
};

class TestSource : public Effect::EffectBase {
public:
    TestSource()
        : EffectBase(L"図形", Effect::EffectType::Input, Effect::MediaType::Video, Effect::MediaType::Video, L"テスト")
    {
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestSource>(); }
    Effect::EffectItemNumber size{items, L"サイズ", 100, 0, 4000, 1};
};

class TestPointFilter : public Effect::MoveXYAnchorEffect {
public:
    TestPointFilter()
        : MoveXYAnchorEffect(L"中心点", Effect::EffectType::Filter, Effect::MediaType::Video,
                             Effect::MediaType::Video, L"テスト")
    {
        Effect::EffectItemNumber::makeGroup(point, {&x, &y});
        pointItems = &point;
    }
    std::shared_ptr<EffectBase> create() override { return std::make_shared<TestPointFilter>(); }

    Effect::EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    Effect::EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    Effect::EffectItemNumber::Group point;
};

} // namespace AnchorTest
