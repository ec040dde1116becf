// The object settings window: the section state the controls show, the
// number control's sliders per section view mode, and the write-back of
// every control kind (undo steps, the effect told, the same item of the
// other selected objects).
#include "core/event_service.h"
#include "tests/ui/settings_fixture.h"
#include "ui/settings/controls/button_controls.h"
#include "ui/settings/controls/color_control.h"
#include "ui/settings/controls/file_controls.h"
#include "ui/settings/controls/integer_controls.h"
#include "ui/settings/controls/number_control.h"
#include "ui/settings/controls/select_controls.h"

#include <cmath>
#include <functional>

using namespace SettingsTest;

namespace {

class SettingWindow : public SettingsFixture {};

// A slider gesture as the slider runs it: begin, one value, end.
void slide(Control::SliderInputControl& slider, double value)
{
    slider.onChangeBegin(slider);
    slider.applyValue(std::llround(value * slider.denominator));
    slider.onChangeEnd(slider);
}

} // namespace

TEST_F(SettingWindow, TheSectionStateFollowsTheModeAndTheHalfWayFrame)
{
    // Object 100..199 (100 frames); with a mid-point at offset 40 its sections
    // are 100..139 and 140..199.
    struct Case {
        int mode;
        bool midPoint;
        int frame, section, point, count;
    };
    const Case cases[] = {
        {2, false, 100, 0, 0, 1}, {2, false, 149, 0, 0, 1}, {2, false, 150, 0, 1, 1}, {0, false, 150, 1, 1, 1},
        {1, false, 150, 1, 1, 1}, {2, true, 120, 0, 0, 2},  // exactly half-way keeps the start
        {2, true, 121, 0, 1, 2},  {0, true, 121, 1, 1, 2},  {2, true, 140, 1, 1, 2}, // the mid-point's frame
        {0, true, 169, 1, 1, 2},  {0, true, 170, 2, 2, 2},  {2, true, 170, 1, 2, 2},
    };
    for (const Case& c : cases) {
        auto object = place(c.frame, 100, 199);
        if (c.midPoint)
            object->midPoints = {40};
        setting().options.sectionViewMode = c.mode;
        setting().setTarget(object);
        setting().updateSection(c.frame);
        EXPECT_EQ(setting().currentSection, c.section) << c.mode << " " << c.frame;
        EXPECT_EQ(setting().currentPoint, c.point) << c.mode << " " << c.frame;
        EXPECT_EQ(setting().sectionCount, c.count);
    }
}

TEST_F(SettingWindow, TheNumberControlShowsTheSectionsSlidersPerMode)
{
    // Two mid-points: three sections, four values 1, 2, 3, 4.
    auto object = placeAll(0, 0, 99);
    AllKinds& all = kinds(object);
    setMovement(all.number, L"直線移動");
    object->midPoints = {30, 60};
    all.number.resizeValues(4);
    for (int i = 0; i < 4; ++i)
        all.number.setValue(i + 1, i);
    auto* one = object->effects[0].get();
    (void)one;
    struct Case {
        int mode, cursor;
        bool endShown;
        int index;
        const wchar_t *start, *end;
    };
    const Case cases[] = {
        {2, 80, true, 2, L"3.00", L"4.00"}, // the last section: next-to-last and last
        {2, 10, true, 0, L"1.00", L"2.00"},
        {1, 80, false, 3, L"4.00", nullptr}, // four values: no sections, the nearest point
        {0, 50, false, 2, L"3.00", nullptr},
        {0, 10, false, 0, L"1.00", nullptr},
    };
    for (const Case& c : cases) {
        setting().options.sectionViewMode = c.mode;
        scene().cursorFrame = c.cursor;
        setting().setTarget(nullptr);
        setting().setTarget(object);
        auto* number = control<Component::NumberItemControl>(all.number);
        ASSERT_TRUE(number);
        EXPECT_EQ(number->endShown, c.endShown) << c.mode;
        EXPECT_EQ(number->endSlider.visible, c.endShown);
        EXPECT_EQ(number->sectionIndex, c.index) << c.mode << " " << c.cursor;
        EXPECT_EQ(number->startSlider.text, c.start);
        if (c.end)
            EXPECT_EQ(number->endSlider.text, c.end);
    }

    // Mode 1 with one section (two values): both sliders.
    auto two = placeAll(1, 0, 99);
    setMovement(kinds(two).number, L"直線移動");
    kinds(two).number.resizeValues(2);
    setting().options.sectionViewMode = 1;
    setting().setTarget(two);
    EXPECT_TRUE(control<Component::NumberItemControl>(kinds(two).number)->endShown);

    // One value ("移動無し"): no end slider in any mode, and the start slider
    // writes value 0 whatever the section.
    auto single = placeAll(2, 0, 99);
    single->midPoints = {30, 60};
    scene().cursorFrame = 80;
    for (int mode : {0, 1, 2}) {
        setting().options.sectionViewMode = mode;
        setting().setTarget(nullptr);
        setting().setTarget(single);
        auto* number = control<Component::NumberItemControl>(kinds(single).number);
        ASSERT_TRUE(number);
        EXPECT_FALSE(number->endShown);
        slide(number->startSlider, 7.5);
        EXPECT_EQ(kinds(single).number.values, std::vector<int32_t>{750});
    }
}

TEST_F(SettingWindow, ANarrowNumberControlGivesEachSlider1Pixel)
{
    auto object = placeAll(0);
    setMovement(kinds(object).number, L"直線移動");
    kinds(object).number.resizeValues(2);
    setting().setTarget(object);
    auto* number = control<Component::NumberItemControl>(kinds(object).number);
    ASSERT_TRUE(number && number->endShown);
    EXPECT_GT(number->startSlider.placeWidth, 100) << "the window is wide";
    number->setRect(0, 0, number->headerWidth + 3 * number->marginWidth + 5, 22);
    number->procMove();
    EXPECT_EQ(number->startSlider.placeWidth, 1);
    EXPECT_EQ(number->endSlider.placeWidth, 1);
    EXPECT_EQ(number->endSlider.placeX, -1);
}

TEST_F(SettingWindow, AnItemWithoutValuesShowsItsDefaultAndIgnoresWrites)
{
    auto object = placeAll(0);
    AllKinds& all = kinds(object);
    all.number.defaultValue = 250;
    setting().setTarget(object);
    auto* number = control<Component::NumberItemControl>(all.number);
    all.number.values.clear();
    scene().cursorFrame = 99;
    setting().updateCursorFrame(99);
    ASSERT_NO_THROW(number->updateValue());
    EXPECT_EQ(number->startSlider.text, L"2.50");
    EXPECT_NO_THROW(number->writeValue(1.0, 0));
    EXPECT_TRUE(all.number.values.empty());
}

TEST_F(SettingWindow, NumbersAreStoredInStepsRoundedAwayFromZeroAndHeldToTheRange)
{
    auto object = placeAll(0);
    setting().setTarget(object);
    auto* number = control<Component::NumberItemControl>(kinds(object).number);
    struct Case {
        double value;
        int32_t stored;
    };
    for (const Case c : {Case{0.125, 13}, Case{-0.125, -13}, Case{150.0, 10000}, Case{-1e9, -10000}}) {
        number->writeValue(c.value, 0);
        EXPECT_EQ(kinds(object).number.values[0], c.stored) << c.value;
    }
    // The maximum wins when the range is upside down.
    kinds(object).number.minValue = 500;
    kinds(object).number.maxValue = 100;
    number->writeValue(0.0, 0);
    EXPECT_EQ(kinds(object).number.values[0], 100);
}

// Every control kind writes back the same way: one undo step per change or
// gesture, the effect told or not, the same item of the other selected
// object changed or not.
TEST_F(SettingWindow, EveryControlKindWritesBackByItsRule)
{
    auto project = edit->project.getSceneList();
    struct Case {
        const char* name;
        std::function<void(SettingWindow&, AllKinds&)> act;
        std::function<bool(const AllKinds&)> changed;
        bool notified;
        bool propagated;
    };
    using C = Component::EffectItemRowControl;
    (void)sizeof(C);
    const Case cases[] = {
        {"number", [](SettingWindow& t, AllKinds& a) { slide(t.control<Component::NumberItemControl>(a.number)->startSlider, 2.5); },
         [](const AllKinds& a) { return a.number.values[0] == 250; }, true, true},
        {"integer", [](SettingWindow& t, AllKinds& a) { slide(t.control<Component::EffectItemIntegerControl>(a.integer)->slider, 7); },
         [](const AllKinds& a) { return a.integer.value == 7; }, false, false},
        {"check", [](SettingWindow& t, AllKinds& a) { t.control<Component::EffectItemCheckControl>(a.check)->rowCallback(); },
         [](const AllKinds& a) { return a.check.value; }, true, true},
        {"check button", [](SettingWindow& t, AllKinds& a) { t.control<Component::EffectItemCheckButtonControl>(a.left)->rowCallback(); },
         [](const AllKinds& a) { return a.left.value; }, false, false},
        {"choice button", [](SettingWindow& t, AllKinds& a) { t.control<Component::EffectItemSelectButtonControl>(a.choice)->select(2); },
         [](const AllKinds& a) { return a.choice.value == 2; }, false, false},
        {"select", [](SettingWindow& t, AllKinds& a) { t.control<Component::EffectItemSelectControl>(a.select)->select(1); },
         [](const AllKinds& a) { return a.select.value == 1; }, true, false},
        {"colour typed", [](SettingWindow& t, AllKinds& a) {
             auto* c = t.control<Component::EffectItemColorControl>(a.color);
             c->hex.onChangeBegin(c->hex);
             c->hex.setText(L"ff8000", true, true);
             c->hex.onChangeEnd(c->hex);
         },
         [](const AllKinds& a) { return a.color.r == 255 && a.color.g == 128 && a.color.b == 0; }, false, true},
        {"colour picked", [](SettingWindow& t, AllKinds& a) {
             const uint8_t rgb[3] = {1, 2, 3};
             t.control<Component::EffectItemColorControl>(a.color)->applyColor(rgb);
         },
         [](const AllKinds& a) { return a.color.r == 1 && a.color.g == 2 && a.color.b == 3; }, false, false},
        {"file", [](SettingWindow& t, AllKinds& a) { t.control<Component::FileItemControl>(a.file)->updateFile(L"/tmp/a.png"); },
         [](const AllKinds& a) { return a.file.path == L"/tmp/a.png"; }, true, false},
        {"scene", [](SettingWindow& t, AllKinds& a) { t.control<Component::EffectItemSceneControl>(a.scene)->selectScene(3); },
         [](const AllKinds& a) { return a.scene.value == 3; }, true, false},
        {"string", [](SettingWindow& t, AllKinds& a) {
             auto* c = t.control<Component::EffectItemStringControl>(a.string);
             c->edit.procChar(L'x');
         },
         [](const AllKinds& a) { return a.string.text == L"x"; }, false, false},
        {"text", [](SettingWindow& t, AllKinds& a) {
             auto* c = t.control<Component::EffectItemTextControl>(a.text);
             c->edit.caret = 3;
             c->edit.procChar(L'd');
         },
         [](const AllKinds& a) { return a.text.text == L"abcd"; }, true, false},
    };
    int layer = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto focused = placeAll(layer++);
        auto other = placeAll(layer++);
        scene().selection.clear();
        select({other}); // the focus object need not be selected
        focus(focused);
        AllKinds& mine = kinds(focused);
        AllKinds& theirs = kinds(other);
        const size_t before = undoable();
        mine.heard.clear();
        c.act(*this, mine);
        EXPECT_TRUE(c.changed(mine));
        EXPECT_EQ(undoable(), before + 1) << "one undo step";
        EXPECT_EQ(!mine.heard.empty(), c.notified);
        EXPECT_TRUE(theirs.heard.empty()) << "the other object's effect is never told";
        EXPECT_EQ(c.changed(theirs), c.propagated);
        ASSERT_TRUE(undo->undo());
        EXPECT_FALSE(c.changed(mine)) << "undo restores the focus object";
        EXPECT_FALSE(c.changed(theirs)) << "and the other object in the same step";
    }
}

TEST_F(SettingWindow, OnlyMatchingSelectedObjectsTakeANumber)
{
    auto focused = placeAll(0);
    auto same = placeAll(1);
    auto otherMovement = placeAll(2);
    auto otherCount = placeAll(3);
    auto shorter = place(4, 0, 99);                       // no filter at that place in the chain
    auto different = place(5, 0, 99, {L"ぼかし"});          // another effect there
    for (const auto& o : {focused, same, otherMovement, otherCount}) {
        setMovement(kinds(o).number, L"直線移動");
        kinds(o).number.resizeValues(2);
    }
    setMovement(kinds(otherMovement).number, L"補間移動");
    kinds(otherMovement).number.resizeValues(2);
    kinds(otherCount).number.resizeValues(3);
    select({focused, same, otherMovement, otherCount, shorter, different});
    setting().options.sectionViewMode = 2;
    focus(focused);
    auto* number = control<Component::NumberItemControl>(kinds(focused).number);
    ASSERT_TRUE(number && number->endShown);
    slide(number->endSlider, 4.0); // the end slider of section 0 writes value 1
    EXPECT_EQ(kinds(focused).number.values[1], 400);
    EXPECT_EQ(kinds(same).number.values[1], 400);
    EXPECT_EQ(kinds(otherMovement).number.values[1], 0);
    EXPECT_EQ(kinds(otherCount).number.values[1], 0);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(kinds(same).number.values[1], 0);
}

TEST_F(SettingWindow, AThrowingItemEventStillEndsTheTransaction)
{
    auto object = placeAll(0);
    focus(object);
    kinds(object).throwOnChange = true;
    const size_t before = steps();
    auto* check = control<Component::EffectItemCheckControl>(kinds(object).check);
    EXPECT_THROW(check->writeCheck(true), std::runtime_error);
    EXPECT_EQ(steps(), before + 1) << "the recorded step was committed";
    EXPECT_FALSE(undo->recording);
    // The lock is free again: another transaction opens.
    kinds(object).throwOnChange = false;
    check->writeCheck(false);
    EXPECT_EQ(steps(), before + 2);
}

TEST_F(SettingWindow, ItemsWithoutARowGetNoControl)
{
    auto object = placeAll(0);
    kinds(object).check.visible = false;
    focus(object);
    EXPECT_FALSE(control<Component::EffectItemBaseControl>(kinds(object).hidden));
    EXPECT_FALSE(control<Component::EffectItemBaseControl>(kinds(object).yuv));
    EXPECT_FALSE(control<Component::EffectItemBaseControl>(kinds(object).check));
    // The two half-row toggles share a row; the first keeps the margin, the second not.
    auto* left = control<Component::EffectItemCheckButtonControl>(kinds(object).left);
    auto* right = control<Component::EffectItemCheckButtonControl>(kinds(object).right);
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->rect.y, right->rect.y);
    EXPECT_EQ(left->rect.x + left->rect.width, right->rect.x);
    EXPECT_EQ(left->box.placeX, left->marginWidth);
    EXPECT_EQ(right->box.placeX, 0);
    // A file control of a kind without a file refuses one.
    auto* integer = control<Component::EffectItemIntegerControl>(kinds(object).integer);
    EXPECT_THROW(integer->updateFile(L"x"), std::exception);
}
