// Number items: stored values, text form, value count, section points and handles.
#include "effect/movement.h"
#include "tests/effect/effect_fixture.h"
#include "tests/support/test_support.h"

#include <climits>
#include <cmath>

using namespace Effect;
using EffectTest::ServiceTest;

namespace {

MovementBase* movementNamed(const wchar_t* name)
{
    return EffectService::Get()->findMovement(name).movement.get();
}

} // namespace

using NumberItem = ServiceTest;

TEST_F(NumberItem, StoresValuesInStepUnits)
{
    EffectItemList items;
    EffectItemNumber item(items, L"拡大率", 100.0, 0.0, 800.0, 0.01);
    EXPECT_EQ(item.values, std::vector<int32_t>{10000});
    EXPECT_EQ(item.minValue, 0);
    EXPECT_EQ(item.maxValue, 80000);
    EXPECT_EQ(item.scale, 100);
    EXPECT_EQ(item.movement, NoMove::instance);
    EXPECT_EQ(item.toString(), "100.00");

    item.setValue(1000.0, 0);
    EXPECT_EQ(item.values[0], 80000);
    item.setValue(-5.0, 0);
    EXPECT_EQ(item.values[0], 0);
    item.setValue(2.345, 0); // halves away from zero
    EXPECT_EQ(item.values[0], 235);
    item.setValue(1.0, 1); // outside the list: nothing
    item.setValue(1.0, -1);
    EXPECT_EQ(item.values, std::vector<int32_t>{235});
}

TEST_F(NumberItem, RoundingSaturatesBeforeClamping)
{
    EffectItemList items;
    EffectItemNumber wide(items, L"w", 0.0, -3e9, 3e9, 1.0);
    EXPECT_EQ(wide.maxValue, INT32_MAX);
    EXPECT_EQ(wide.minValue, INT32_MIN);
    wide.setValue(1e12, 0);
    EXPECT_EQ(wide.values[0], INT32_MAX);
    wide.setValue(-1e12, 0);
    EXPECT_EQ(wide.values[0], INT32_MIN);
    wide.setValue(NAN, 0);
    EXPECT_EQ(wide.values[0], 0);

    EffectItemNumber narrow(items, L"n", 0.0, 10.0, 20.0, 1.0);
    narrow.setValue(1e12, 0); // far above: the maximum, not 0 clamped to the minimum
    EXPECT_EQ(narrow.values[0], 20);
}

TEST_F(NumberItem, StepsAboveTwoStillStoreWholeNumbers)
{
    EffectItemList items;
    EffectItemNumber item(items, L"n", 9.0, 0.0, 99.0, 3.0);
    EXPECT_EQ(item.scale, 1);
    EXPECT_EQ(item.toString(), "9"); // default, minimum and maximum in the units of the scale
    EXPECT_EQ(item.maxValue, 99);
    item.setValue(7.0, 0);
    EXPECT_EQ(item.toString(), "7");

    // A step whose reciprocal is no whole number: stored in units of 1/3.
    EffectItemNumber fraction(items, L"f", 2.0, -1.0, 10.0, 0.4);
    EXPECT_EQ(fraction.scale, 3);
    EXPECT_EQ(fraction.values, std::vector<int32_t>{6});
    EXPECT_EQ(fraction.minValue, -3);
    EXPECT_EQ(fraction.maxValue, 30);
    EXPECT_EQ(fraction.toString(), "2");
}

TEST_F(NumberItem, DecimalTextForm)
{
    EffectItemList items;
    EffectItemNumber item(items, L"n", 0.0, -1000.0, 1000.0, 0.01);
    struct Case {
        int32_t stored;
        const char* text;
    } cases[] = {{12345, "123.45"}, {5, "0.05"}, {-150, "-1.50"}, {0, "0.00"}, {-5, "-0.05"}, {100000, "1000.00"}};
    for (const Case& c : cases) {
        item.values = {c.stored};
        EXPECT_EQ(item.toString(), c.text);
        item.fromString(c.text);
        EXPECT_EQ(item.values[0], c.stored) << c.text;
    }
    EffectItemNumber whole(items, L"n", 7.0, 0.0, 10.0, 1.0);
    EXPECT_EQ(whole.toString(), "7");
    EffectItemNumber fine(items, L"n", 1.0, -10.0, 10.0, 0.001);
    EXPECT_EQ(fine.toString(), "1.000");
}

TEST_F(NumberItem, OtherStepsKeepTheirValueThroughSaveAndLoad)
{
    EffectItemList items;
    for (double step : {0.25, 0.2, 1.0 / 3.0, 0.0625, 1.0 / 7.0}) {
        EffectItemNumber item(items, L"n", 0.0, -100.0, 100.0, step);
        for (int32_t stored : {1, 3, -5, item.maxValue, 0}) {
            item.values = {stored};
            for (int round = 0; round < 3; ++round)
                item.fromString(item.toString());
            EXPECT_EQ(item.values[0], stored) << "step " << step << " text " << item.toString();
            EXPECT_NEAR(std::strtod(item.toString().c_str(), nullptr), double(stored) / item.scale, 0.5 / item.scale);
        }
    }
    EffectItemNumber quarter(items, L"n", 0.75, 0.0, 10.0, 0.25);
    EXPECT_EQ(quarter.toString(), "0.75");
}

TEST_F(NumberItem, TextWithMovementFlagsParametersAndCurve)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, -1000.0, 1000.0, 0.1);
    item.movement = movementNamed(L"直線移動");
    item.values = {0, 1000};
    item.flags = EffectItemNumber::FlagAccelerate;
    EXPECT_EQ(item.toString(), "0.0,100.0,直線移動,1");

    EffectItemNumber random(items, L"R", 0.0, 0.0, 100.0, 1.0);
    random.fromString("0,15,ランダム移動,4|15");
    EXPECT_EQ(random.values, (std::vector<int32_t>{0, 15}));
    EXPECT_EQ(random.flags, 4);
    EXPECT_EQ(random.params, std::vector<double>{15.0});
    EXPECT_EQ(random.toString(), "0,15,ランダム移動,4|15");
    random.fromString("0,15,ランダム移動,4|7.5|0.1,0.2,0.3,0.4"); // that movement takes no curve
    EXPECT_EQ(random.params, std::vector<double>{7.5});
    EXPECT_TRUE(random.curve.empty());
    EXPECT_EQ(random.toString(), "0,15,ランダム移動,4|7.5");

    EffectItemNumber timed(items, L"T", 0.0, -100.0, 100.0, 0.1);
    timed.fromString("1.5,2.5,直線移動(時間制御),0|0.3,0.1,0.3,0.1");
    EXPECT_EQ(timed.values, (std::vector<int32_t>{15, 25}));
    EXPECT_EQ(timed.curve, (std::vector<double>{0.3, 0.1, 0.3, 0.1}));
    EXPECT_EQ(timed.toString(), "1.5,2.5,直線移動(時間制御),0|0.3,0.1,0.3,0.1");
    timed.fromString("1.5,2.5,直線移動,0|0.3,0.1,0.3,0.1");
    EXPECT_TRUE(timed.curve.empty());

    timed.fromString("42");
    EXPECT_EQ(timed.movement, NoMove::instance);
    EXPECT_EQ(timed.values, std::vector<int32_t>{420});
    EXPECT_EQ(timed.flags, 0);

    // A fixed value count keeps only its values; "中間点無視" keeps two.
    timed.fromString("1,2,3,移動無し,0");
    EXPECT_EQ(timed.values, std::vector<int32_t>{10});
    timed.fromString("1,2,3,直線移動,4");
    EXPECT_EQ(timed.values, (std::vector<int32_t>{10, 20}));
}

TEST_F(NumberItem, RejectedTextsLeaveTheItemAsItWas)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, -1000.0, 1000.0, 0.1);
    item.fromString("1.0,2.0,直線移動,1");
    const std::string before = item.toString();
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"1,直線移動", "invalid effect parameter."},
        {"1,2,存在しない移動,0", "not found movement."},
        {"1,x,直線移動,0", "invalid stod argument"},
        {"1,2,直線移動,z", "invalid stoi argument"},
        {"abc", "invalid stod argument"},
        {"1,2,ランダム移動,4|a", "invalid stod argument"},
        {"1e999", "stod argument out of range"},
    };
    for (const Case& c : cases) {
        EXPECT_NE(TestKit::errorText([&] { item.fromString(c.text); }).find(c.error), std::string::npos) << c.text;
        EXPECT_EQ(item.toString(), before) << c.text;
    }
}

TEST_F(NumberItem, ValueCountFollowsTheMovement)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, -100.0, 100.0, 1.0);
    item.movement = movementNamed(L"直線移動");
    item.values = {1, 2, 3, 4};
    EXPECT_EQ(item.resizeValues(2), 2);
    EXPECT_EQ(item.values, (std::vector<int32_t>{1, 4})); // the end value survives
    EXPECT_EQ(item.resizeValues(5), 5);
    EXPECT_EQ(item.values, (std::vector<int32_t>{1, 4, 4, 4, 4}));
    item.flags = EffectItemNumber::FlagIgnoreMidPoints;
    EXPECT_EQ(item.resizeValues(5), 2);

    item.setMovement(MovieRange::instance);
    EXPECT_EQ(item.values.size(), 2u);
    item.setMovement(NoMove::instance);
    EXPECT_EQ(item.values, std::vector<int32_t>{1});
}

TEST_F(NumberItem, NewMovementBringsItsFlagsParametersAndCurve)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, 0.0, 100.0, 1.0);
    auto object = EffectTest::makeObject(0, 100, {30, 60});
    item.movement = movementNamed(L"補間移動");
    item.resizeValues(4);
    item.updateMovement(*object);
    EXPECT_EQ(item.flags, 3);
    EXPECT_EQ(item.values.size(), 4u);

    item.movement = movementNamed(L"ランダム移動");
    item.resizeValues(4);
    item.updateMovement(*object);
    EXPECT_EQ(item.flags, 4);
    EXPECT_EQ(item.values.size(), 2u);
    EXPECT_EQ(item.params, std::vector<double>{15.0});
}

TEST_F(NumberItem, ParametersAreReadWithoutChangingTheItem)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, 0.0, 100.0, 1.0);
    item.movement = movementNamed(L"ランダム移動");
    item.params.clear();
    EXPECT_EQ(item.getMovementParams(), std::vector<double>{15.0});
    EXPECT_TRUE(item.params.empty());
    item.params = {4.0};
    EXPECT_EQ(item.getMovementParams(), std::vector<double>{4.0});
}

TEST_F(NumberItem, EasingCurve)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, 0.0, 100.0, 1.0);
    item.movement = LinearSpeed::instance;
    item.curve = {0, 0, 0, 0}; // control points (0, 0) and (1, 1): the identity
    for (double x : {0.0, 0.1, 0.5, 0.9, 1.0})
        EXPECT_NEAR(item.applyCurve(x), x, 1e-5);

    item.curve = {0.42, 0.0, 0.0, 0.0}; // ease-in: control points (0.42, 0) and (1, 1)
    EXPECT_NEAR(item.applyCurve(0.5), 0.3153, 1e-3);
    EXPECT_LT(item.applyCurve(0.25), 0.25);

    // Two points (0, 0) and (1, 1) with zero handles are a straight segment;
    // a middle point (0.5, 0.8) bends it.
    item.curve = {0, 0, 0, 0, 1, 1, 0, 0};
    EXPECT_NEAR(item.applyCurve(0.3), 0.3, 1e-5);
    item.curve = {0, 0, 0, 0, 0.5, 0.8, 0, 0, 1, 1, 0, 0};
    EXPECT_NEAR(item.applyCurve(0.5), 0.8, 1e-5);
    EXPECT_NEAR(item.applyCurve(0.25), 0.4, 1e-5);
    EXPECT_NEAR(item.applyCurve(0.75), 0.9, 1e-5);

    for (size_t n : {5u, 6u, 7u}) {
        item.curve.assign(n, 0.3);
        EXPECT_DOUBLE_EQ(item.applyCurve(0.3), 0.3);
    }
    item.curve = {0.42, 0.0, 0.0, 0.0};
    item.movement = movementNamed(L"直線移動"); // no curve for this movement
    EXPECT_DOUBLE_EQ(item.applyCurve(0.5), 0.5);
}

TEST_F(NumberItem, CopyAndCompare)
{
    EffectItemList items;
    EffectItemNumber a(items, L"X", 0.0, 0.0, 100.0, 1.0);
    a.fromString("1,2,直線移動(時間制御),3|0.1,0.2,0.3,0.4");
    EffectItemNumber b(items, L"X", 0.0, 0.0, 100.0, 1.0);
    EXPECT_FALSE(b.isEqual(a));
    b.setData(a);
    EXPECT_TRUE(b.isEqual(a));
    auto copy = a.clone();
    EXPECT_TRUE(copy->isEqual(a));
    EXPECT_EQ(items.size(), 2u);
    b.curve[1] = NAN;
    a.curve[1] = NAN;
    EXPECT_FALSE(b.isEqual(a)); // a NaN is never equal
}

TEST_F(NumberItem, DefinitionHash)
{
    EffectItemList items;
    EffectItemNumber x(items, L"X", 0.0, 0.0, 1000.0, 1.0);
    EXPECT_EQ(x.getDefineHash(), -1128860158);
    EffectItemNumber size(items, L"サイズ😀", 100.0, 0.0, 800.0, 0.01);
    EXPECT_EQ(static_cast<uint32_t>(size.getDefineHash()), 3173549957u);
    size.values = {1, 2, 3}; // values do not take part
    EXPECT_EQ(static_cast<uint32_t>(size.getDefineHash()), 3173549957u);
}

TEST_F(NumberItem, HandlesAtSectionPoints)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, -100.0, 100.0, 1.0);
    item.movement = movementNamed(L"直線移動");
    item.values = {0, 10, 20};
    auto object = EffectTest::makeObject(0, 20, {10});
    EXPECT_FALSE(item.isAnchorEditable(EffectTest::renderAt(object, 5))); // between points
    EXPECT_TRUE(item.isAnchorEditable(EffectTest::renderAt(object, 10))); // on the mid point
    EXPECT_TRUE(item.isAnchorEditable(EffectTest::renderAt(object, 20))); // on the end frame
    EXPECT_TRUE(item.isAnchorEditable(EffectTest::renderAt(object, 0)));

    EffectItemNumber two(items, L"Y", 0.0, -100.0, 100.0, 1.0);
    two.movement = item.movement;
    two.values = {0, 5};
    EXPECT_FALSE(two.isAnchorEditable(EffectTest::renderAt(object, 10)));
    EXPECT_FALSE(two.setAnchorValue(1, *object, 50.0)); // a mid point of an item with start and end only
    EXPECT_EQ(two.values, (std::vector<int32_t>{0, 5}));
    EXPECT_TRUE(two.setAnchorValue(2, *object, 50.0));
    EXPECT_EQ(two.values, (std::vector<int32_t>{0, 50}));

    EffectItemNumber::Group group{&item, &two};
    EXPECT_TRUE(EffectItemNumber::isAnchorGroupEditable(group, EffectTest::renderAt(object, 10)));

    EXPECT_TRUE(item.addAnchorValue(1, *object, 5.0));
    EXPECT_EQ(item.values, (std::vector<int32_t>{0, 15, 20}));
    EXPECT_TRUE(item.addAnchorValue(EffectItemNumber::AllPoints, *object, 90.0));
    EXPECT_EQ(item.values, (std::vector<int32_t>{90, 100, 100})); // clamped to the maximum
    EXPECT_TRUE(item.addAnchorValue(EffectItemNumber::AllPoints, *object, 1.0)); // the first still moves
    EXPECT_FALSE(item.addAnchorValue(2, *object, 1.0));
    EXPECT_TRUE(item.setAnchorValue(EffectItemNumber::AllPoints, *object, -3.0));
    EXPECT_EQ(item.values, (std::vector<int32_t>{-3, -3, -3}));
}

TEST_F(NumberItem, InsertAndSetSectionValues)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 7.0, -100.0, 100.0, 1.0);
    item.movement = movementNamed(L"直線移動");
    item.values = {1, 2};
    item.insertSectionValue(1, nullptr);
    EXPECT_EQ(item.values, (std::vector<int32_t>{1, 7, 2}));
    item.insertSectionValue(-1, nullptr);
    EXPECT_EQ(item.values, (std::vector<int32_t>{7, 1, 7, 2}));

    EffectItemNumber::SplitMap split{{&item, {42.0, 0}}};
    item.insertSectionValue(2, &split); // the map's index wins over the point
    EXPECT_EQ(item.values, (std::vector<int32_t>{7, 42, 1, 7, 2}));
    item.setSectionValue(9, &split);
    EXPECT_EQ(item.values.back(), 42);
    item.setSectionValue(0, nullptr);
    EXPECT_EQ(item.values.front(), 7);

    item.flags = EffectItemNumber::FlagIgnoreMidPoints; // only per-point movements take points
    item.insertSectionValue(0, nullptr);
    EXPECT_EQ(item.values.size(), 5u);
    item.setMovement(NoMove::instance);
    item.insertSectionValue(0, nullptr);
    EXPECT_EQ(item.values.size(), 1u);
}

TEST_F(NumberItem, WholeObjectPositionOfAOneFrameObject)
{
    EffectItemList items;
    EffectItemNumber item(items, L"X", 0.0, 0.0, 100.0, 1.0);
    item.fromString("0,100,直線移動,4");
    auto object = EffectTest::makeObject(10, 10);
    EXPECT_DOUBLE_EQ(item.getSectionPosition(EffectTest::renderAt(object, 10), 10), 0.0);
    EXPECT_DOUBLE_EQ(item.getValue(EffectTest::renderAt(object, 10)), 0.0);
    auto longer = EffectTest::makeObject(10, 30, {5, 15});
    EXPECT_DOUBLE_EQ(item.getValue(EffectTest::renderAt(longer, 20)), 50.0); // mid points ignored
    EXPECT_DOUBLE_EQ(item.getSectionPosition(EffectTest::renderAt(longer, 20), 20), 0.5);
}

TEST(NumberItemWithoutService, CannotBeMadeOnceTheMovementsAreGone)
{
    { EffectTest::Services services; }
    EffectItemList items;
    EXPECT_NE(TestKit::errorText([&] { EffectItemNumber item(items, L"X", 0.0, 0.0, 1.0, 1.0); }).find("movements not registered."),
              std::string::npos);
    EXPECT_TRUE(items.empty());
}
