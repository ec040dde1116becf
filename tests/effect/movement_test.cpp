// Values over time: every built-in movement at and between section boundaries.
#include "effect/movement.h"
#include "tests/effect/effect_fixture.h"

#include <cmath>

using namespace Effect;
using EffectTest::makeObject;
using EffectTest::renderAt;

namespace {

class Movements : public EffectTest::ServiceTest {
protected:
    // An item with the movement, flags and values (display units, step 1).
    EffectItemNumber& item(const wchar_t* movement, std::vector<int32_t> values, int32_t flags = 0)
    {
        auto& i = *items_.emplace_back(std::make_unique<EffectItemNumber>(list_, L"X", 0.0, -1000.0, 1000.0, 1.0));
        i.movement = services.effects().findMovement(movement).movement.get();
        i.params = i.movement->defaultParams;
        i.values = std::move(values);
        i.flags = flags;
        return i;
    }
    static double at(const EffectItemNumber& i, const std::shared_ptr<Edit::Object>& object, double time)
    {
        return i.getValue(renderAt(object, time));
    }

    EffectItemList list_;
    std::vector<std::unique_ptr<EffectItemNumber>> items_;
};

// Three sections of ten frames: points at 0, 10, 20 and 30.
std::shared_ptr<Edit::Object> threeSections()
{
    return makeObject(0, 30, {10, 20});
}

} // namespace

TEST_F(Movements, NoMoveAndPlayRangeKeepTheFirstValue)
{
    auto object = threeSections();
    auto& still = item(L"移動無し", {5});
    auto& range = item(L"再生範囲", {5, 9});
    for (int frame : {0, 10, 17, 30}) {
        EXPECT_EQ(at(still, object, frame), 5.0);
        EXPECT_EQ(at(range, object, frame), 5.0);
    }
}

TEST_F(Movements, LinearPassesEveryPointAndIsStraightBetween)
{
    auto object = threeSections();
    auto& i = item(L"直線移動", {0, 100, 50, 200});
    const double expected[][2] = {{0, 0}, {5, 50}, {10, 100}, {15, 75}, {20, 50}, {25, 125}, {30, 200}, {12.5, 87.5}};
    for (auto& e : expected)
        EXPECT_DOUBLE_EQ(at(i, object, e[0]), e[1]) << "time " << e[0];
    EXPECT_DOUBLE_EQ(i.getValueAtFrame(renderAt(object, 0), 25), 125.0);
    EXPECT_DOUBLE_EQ(i.getValueAtTime(renderAt(object, 0), 12.5), 87.5);
}

TEST_F(Movements, LinearEasesOnlyTheFirstAndLastSection)
{
    auto single = makeObject(0, 10);
    EXPECT_DOUBLE_EQ(at(item(L"直線移動", {0, 100}), single, 5), 50.0);
    EXPECT_DOUBLE_EQ(at(item(L"直線移動", {0, 100}, 1), single, 5), 31.25); // B(0, 0, 50, 100; 0.5)
    EXPECT_DOUBLE_EQ(at(item(L"直線移動", {0, 100}, 2), single, 5), 68.75);
    EXPECT_DOUBLE_EQ(at(item(L"直線移動", {0, 100}, 3), single, 5), 50.0);

    auto object = threeSections();
    auto& eased = item(L"直線移動", {0, 100, 50, 200}, 3);
    EXPECT_DOUBLE_EQ(at(eased, object, 15), 75.0); // the middle section stays straight
    EXPECT_DOUBLE_EQ(at(eased, object, 10), 100.0);
    EXPECT_DOUBLE_EQ(at(eased, object, 30), 200.0);
    EXPECT_LT(at(eased, object, 2), 20.0);
}

TEST_F(Movements, TeleportJumpsAtEachPointAndNeverShowsTheEnd)
{
    auto object = threeSections();
    auto& i = item(L"瞬間移動", {0, 100, 50, 200});
    const double expected[][2] = {{0, 0}, {9.9, 0}, {10, 100}, {19, 100}, {20, 50}, {30, 50}};
    for (auto& e : expected)
        EXPECT_DOUBLE_EQ(at(i, object, e[0]), e[1]) << "time " << e[0];
    EXPECT_TRUE(i.movement->usesPointValue(i, 2));
    EXPECT_FALSE(i.movement->usesPointValue(i, 3));
}

TEST_F(Movements, LinearSpeedMovesAtConstantSpeedAlongThePath)
{
    // Distances 10 and 30 over sections of 80 and 20 frames: the middle point
    // is reached a quarter of the way through, whatever the section lengths.
    auto object = makeObject(0, 100, {80});
    auto& i = item(L"直線移動(時間制御)", {0, 10, 40});
    EXPECT_DOUBLE_EQ(at(i, object, 0), 0.0);
    EXPECT_DOUBLE_EQ(at(i, object, 25), 10.0);
    EXPECT_DOUBLE_EQ(at(i, object, 50), 20.0);
    EXPECT_DOUBLE_EQ(at(i, object, 100), 40.0);
    EXPECT_EQ(i.movement->getCurrentSection(i, renderAt(object, 25).sectionPosition), 0);
    EXPECT_EQ(i.movement->getCurrentSection(i, renderAt(object, 50).sectionPosition), 1);
    EXPECT_FALSE(i.movement->passesPoints);
}

TEST_F(Movements, LinearSpeedMeasuresTheGroupsPoint)
{
    // X and Y make one point: (0, 0) -> (3, 4) -> (3, 34), lengths 5 and 30.
    auto object = makeObject(0, 70, {60});
    auto& x = item(L"直線移動(時間制御)", {0, 3, 3});
    auto& y = item(L"直線移動(時間制御)", {0, 4, 34});
    EffectItemNumber::Group group;
    EffectItemNumber::makeGroup(group, {&x, &y});
    // Both reach the middle point 5 / 35 of the way through, and the point
    // stays on the straight line between its points.
    EXPECT_NEAR(at(x, object, 10), 3.0, 1e-12);
    EXPECT_NEAR(at(y, object, 10), 4.0, 1e-12);
    EXPECT_NEAR(at(x, object, 5), 1.5, 1e-12);
    EXPECT_NEAR(at(y, object, 5), 2.0, 1e-12);
    EXPECT_NEAR(at(y, object, 40), 4.0 + 30.0 * 0.5, 1e-12);

    // With a third member all three coordinates count.
    auto& z = item(L"直線移動(時間制御)", {0, 12, 12});
    EffectItemNumber::makeGroup(group, {&x, &y, &z}); // (0,0,0) -> (3,4,12) -> (3,34,12): 13 and 30
    EXPECT_NEAR(at(z, object, 70.0 * 13.0 / 43.0), 12.0, 1e-9);
    EXPECT_NEAR(at(x, object, 70.0 * 13.0 / 43.0), 3.0, 1e-9);

    // A member with other flags does not take part: x then measures itself twice (lengths 3·√2 and 0).
    y.flags = 1;
    EffectItemNumber::makeGroup(group, {&x, &y});
    EXPECT_NEAR(at(x, object, 35), 1.5, 1e-12);
}

TEST_F(Movements, LinearSpeedDoublesTheEasedSections)
{
    auto object = makeObject(0, 100, {50});
    auto& i = item(L"直線移動(時間制御)", {0, 10, 20}, 1);
    // With the first length doubled (20 + 10), the middle point lies at 2/3.
    EXPECT_NEAR(at(i, object, 200.0 / 3.0), 10.0, 1e-9);
    EXPECT_LT(at(i, object, 10), 1.5); // slower than the straight 1.5 at the eased start
}

TEST_F(Movements, InterpolationPassesThroughThePoints)
{
    auto object = threeSections();
    auto& i = item(L"補間移動", {0, 100, 50, 200});
    for (int p = 0; p < 4; ++p)
        EXPECT_NEAR(at(i, object, p * 10), i.getIndexValue(p), 1e-9) << "point " << p;
    const double middle = at(i, object, 15);
    EXPECT_GT(middle, 50.0);
    EXPECT_LT(middle, 100.0);

    auto& flat = item(L"補間移動", {7, 7, 7, 7}, 3);
    for (double t : {0.0, 3.3, 10.0, 14.0, 27.5, 30.0})
        EXPECT_NEAR(at(flat, object, t), 7.0, 1e-12);
}

TEST_F(Movements, InterpolationAcceleratesFromRest)
{
    auto object = threeSections();
    const double e = 0.001;
    auto& resting = item(L"補間移動", {0, 100, 50, 200}, 1);
    auto& moving = item(L"補間移動", {0, 100, 50, 200}, 0);
    EXPECT_LT(std::abs(at(resting, object, e) - at(resting, object, 0)), 1e-4);
    EXPECT_GT(std::abs(at(moving, object, e) - at(moving, object, 0)), 1e-3);
    // Decelerating into the end point likewise.
    auto& stopping = item(L"補間移動", {0, 100, 50, 200}, 2);
    EXPECT_LT(std::abs(at(stopping, object, 30) - at(stopping, object, 30 - e)), 1e-4);
}

TEST_F(Movements, InterpolationSpeedRunsTheCurveFromFirstToLastPoint)
{
    auto object = threeSections();
    auto& i = item(L"補間移動(時間制御)", {0, 100, 150, 200});
    EXPECT_NEAR(at(i, object, 0), 0.0, 1e-9);
    EXPECT_NEAR(at(i, object, 30), 200.0, 1e-9);
    double last = -1.0;
    for (double t = 0; t <= 30; t += 0.5) { // increasing points: the value never goes back
        const double v = at(i, object, t);
        EXPECT_GE(v, last - 1e-9) << "time " << t;
        last = v;
    }
    auto& flat = item(L"補間移動(時間制御)", {7, 7, 7, 7});
    for (double t : {0.0, 11.0, 30.0})
        EXPECT_NEAR(at(flat, object, t), 7.0, 1e-12);
    EXPECT_EQ(i.movement->getCurrentSection(i, renderAt(object, 29).sectionPosition), 2);
}

TEST_F(Movements, RandomIsReproducibleEverywhere)
{
    // Expected values come from a separate implementation of the generator.
    auto object = makeObject(30, 130);
    auto& i = item(L"ランダム移動", {0, 1000});
    i.scale = 1;
    i.minValue = 0;
    i.maxValue = 1000;
    i.flags = EffectItemNumber::FlagIgnoreMidPoints;
    Render::RenderObject r = renderAt(object, 30);
    r.layer = 2;
    r.index = 1;
    const double expected[][2] = {{30, 218.07163953781128},
                                  {45, 486.2474501132965},
                                  {60, 250.5899965763092},
                                  {67, 112.46757740248546},
                                  {97, 881.7666690463814}};
    for (auto& e : expected) {
        r.frame = static_cast<int>(e[0]);
        r.time = e[0];
        EXPECT_NEAR(i.getValue(r), e[1], 1e-9) << "frame " << e[0];
        EXPECT_NEAR(i.getValue(r), e[1], 1e-9); // the same every time
    }
    r.layer = 3; // another layer, copy or definition gives another sequence
    EXPECT_GT(std::abs(i.getValue(r) - 881.7666690463814), 1e-6);
    EXPECT_FALSE(i.movement->hasPath(i));
}

TEST_F(Movements, RandomPeriodComesFromTheItemsParameter)
{
    auto object = makeObject(0, 100);
    auto& fast = item(L"ランダム移動", {0, 100}, EffectItemNumber::FlagIgnoreMidPoints);
    auto& slow = item(L"ランダム移動", {0, 100}, EffectItemNumber::FlagIgnoreMidPoints);
    fast.params = {5.0};
    slow.params = {10.0};
    // Both pass through R(n) of the same sequence: frame 10 is n = 2 for one and n = 1 for the other.
    EXPECT_DOUBLE_EQ(at(fast, object, 5), at(slow, object, 10));
    slow.params = {0.0}; // a period below one counts as one
    EXPECT_DOUBLE_EQ(at(slow, object, 2), at(fast, object, 10));
}

TEST_F(Movements, RandomAtAnyTimeOrPeriodStaysInTheItemsRange)
{
    auto object = makeObject(0, 100);
    auto& i = item(L"ランダム移動", {0, 1000}, EffectItemNumber::FlagIgnoreMidPoints);
    i.minValue = 0;
    i.maxValue = 1000;
    const Render::RenderObject r = renderAt(object, 0);
    auto inRange = [](double v) { return v >= 0.0 && v <= 1000.0; };
    // The smoothed curve overshoots its points near 0 and 1000 on some frames.
    for (int frame = 0; frame <= 100; ++frame)
        EXPECT_PRED1(inRange, i.getValueAtFrame(r, frame)) << "frame " << frame;
    const double nan = std::nan("");
    const double cases[][2] = {{1e12, 15},  {-1e12, 15},      {1e300, 15}, {nan, 15},       {INFINITY, 15},
                               {50, 1e300}, {50, nan},        {50, -1e300}, {1e12, INFINITY}, {50, 2147483648.0}};
    for (auto& c : cases) {
        i.params = {c[1]};
        EXPECT_PRED1(inRange, i.getValueAtTime(r, c[0])) << "time " << c[0] << " period " << c[1];
    }
}

TEST_F(Movements, BaseMovementHasNoFormula)
{
    struct Bare : MovementBase {
        Bare() : MovementBase(L"bare") {}
    } bare;
    auto& i = item(L"移動無し", {0});
    try {
        bare.getValue(i, Render::SectionPosition{}, Render::RenderObject{});
        FAIL();
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("not implement."), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Effect::MovementBase::getValue"), std::string::npos);
    }
    EXPECT_EQ(bare.getCurrentSection(i, Render::SectionPosition{}), -1);
}
