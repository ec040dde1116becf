// The button input and the slider input on real events: the colour field's
// typing sequence, Enter and Escape, one gesture end per gesture, fallbacks;
// the slider's text, drag rates and modifiers, its field, its buttons, the
// wheel, steps that are not powers of ten and wide direct drags.
#include "tests/ui/controls_fixture.h"
#include "ui/window/controls/button_input_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/slider_input_control.h"

#include <cmath>

using namespace ControlsTest;
using namespace Control;
namespace Key = Platform::Ui::Key;

namespace {
class InputControls : public ControlsFixture {
protected:
    void TearDown() override
    {
        SliderInputControl::readSettings = nullptr;
        ControlsFixture::TearDown();
    }
    // A box at (20, 20) of the given size to build an input in.
    LayoutControl& area(int width, int height)
    {
        boxes.push_back(std::make_unique<LayoutControl>(box(), 20, 20 + 40 * int(boxes.size()), width, height));
        return *boxes.back();
    }
    struct Counts {
        int change = 0, begin = 0, end = 0;
    };
    std::vector<std::unique_ptr<LayoutControl>> boxes;
};

const wchar_t* const ColourPattern = L"^([0-9a-zA-Z]{6}|)$";
} // namespace

TEST_F(InputControls, TheColourFieldTakesSixDigitsAndEndsEachGestureOnce)
{
    ButtonInputControl input(area(120, 24), 0, 120);
    input.pattern = ColourPattern;
    input.edit.charFilter = L"[0-9a-zA-Z]";
    input.emptyText = L"未指定";
    input.setText(L"112233", true, false);
    Counts n;
    std::vector<std::wstring> values;
    input.onChange = [&](ButtonInputControl& i) { ++n.change, values.push_back(i.value); };
    input.onChangeBegin = [&](ButtonInputControl&) { ++n.begin; };
    input.onChangeEnd = [&](ButtonInputControl&) { ++n.end; };
    show();
    EXPECT_TRUE(input.button.visible);
    EXPECT_FALSE(input.edit.visible);

    // Opening and leaving without typing ends nothing.
    Input::click(cx(input), cy(input));
    EXPECT_TRUE(input.edit.visible && input.edit.focused);
    EXPECT_EQ(input.edit.selectionEnd - input.edit.selectionStart, 6) << "the value fully selected";
    key(Key::Escape);
    EXPECT_TRUE(input.button.visible);
    EXPECT_EQ(n.end, 0);

    Input::click(cx(input), cy(input));
    type(L"abcd");
    EXPECT_EQ(input.value, L"112233") << "four digits do not match";
    EXPECT_EQ(n.change, 0);
    EXPECT_EQ(n.begin, 1);
    type(L"ef");
    EXPECT_EQ(input.value, L"abcdef");
    EXPECT_EQ(values, std::vector<std::wstring>{L"abcdef"});
    type(L" ");
    EXPECT_EQ(input.edit.text, L"abcdef") << "the character filter";
    key(Key::Return);
    EXPECT_EQ(n.end, 1);
    EXPECT_FALSE(input.edit.visible);

    // Emptied: the empty alternative matches and the face shows the placeholder.
    Input::click(cx(input), cy(input));
    key(Key::Back);
    EXPECT_EQ(input.value, L"");
    key(Key::Escape);
    EXPECT_EQ(n.begin, 2);
    EXPECT_EQ(n.end, 2);
    const Window::Rect face = input.button.rect;
    Input::move(400, 400);
    Input::wait();
    input.procPaint();
    EXPECT_TRUE(hasInk({face.x, face.y, face.width, face.height}, colour(Brushes::ButtonBody))) << "未指定 shows";
}

TEST_F(InputControls, SetTextFallsBackAndADisabledInputCannotBeTabbedInto)
{
    ButtonInputControl input(area(120, 24), 0, 120);
    input.pattern = ColourPattern;
    int changes = 0;
    input.onChange = [&](ButtonInputControl&) { ++changes; };
    input.setText(L"xyz", true, true);
    EXPECT_EQ(input.value, L"") << "no match and no fallback";
    input.fallback = L"000000";
    input.setText(L"xyz", true, true);
    EXPECT_EQ(input.value, L"000000");
    EXPECT_EQ(input.edit.text, L"000000");
    input.setText(L"000000", false, true);
    EXPECT_EQ(changes, 3) << "no comparison with the old value";

    ButtonInputControl other(area(120, 24), 0, 120);
    auto group = std::make_shared<FocusGroupArray>();
    other.edit.setGroup(group);
    input.edit.setGroup(group);
    input.enabled = false;
    show();
    EXPECT_EQ(pixel(cx(input), cy(input)), colour(Brushes::Grouping));
    Input::click(cx(other), cy(other));
    ASSERT_TRUE(other.edit.focused);
    key(Key::Tab);
    EXPECT_TRUE(other.edit.focused);
    EXPECT_FALSE(input.edit.visible);
    input.enabled = true;
    key(Key::Tab);
    EXPECT_TRUE(input.edit.focused) << "Tab opens the next field";
    EXPECT_FALSE(other.edit.visible);
}

TEST_F(InputControls, TheSliderShowsStepsWithTheirDecimals)
{
    SliderInputControl slider(area(300, 24), 0, 0, 24);
    struct Case {
        double def, min, max, step, value;
        const wchar_t* text;
        int denominator, decimals;
    };
    for (const Case& c : {Case{0.5, 0, 100, 0.01, 0.5, L"0.50", 100, 2}, Case{0, -1, 1, 0.01, -0.05, L"-0.05", 100, 2},
                          Case{0, -100, 100, 0.01, -12.34, L"-12.34", 100, 2}, Case{0, 0, 100, 1, 7, L"7", 1, 0},
                          Case{1.5, 0, 10, 0.5, 1.5, L"1.5", 2, 1}, Case{0, 0, 10, 0.25, 0.75, L"0.75", 4, 2},
                          Case{0, 0, 10, 0.2, 0.4, L"0.4", 5, 1}, Case{0, 0, 1, 0.001, 0.007, L"0.007", 1000, 3}}) {
        SCOPED_TRACE(c.text);
        slider.setRange(c.def, c.min, c.max, c.step);
        EXPECT_EQ(slider.denominator, c.denominator);
        EXPECT_EQ(slider.decimals, c.decimals);
        slider.setValue(c.value);
        EXPECT_EQ(slider.text, c.text);
        EXPECT_NEAR(slider.getValue(), c.value, 1e-9);
    }
    slider.setRange(0.5, 0, 100, 0.01);
    EXPECT_EQ(slider.value, 50);
    EXPECT_EQ(slider.text, L"0.50");
}

TEST_F(InputControls, DragRatesFollowTheModeAndShiftContinuesFromTheCurrentValue)
{
    SliderSettings settings;
    settings.moveMode = 0;
    SliderInputControl::readSettings = [&settings] { return settings; };
    SliderInputControl slider(area(400, 24), 0, 0, 24);
    slider.setRange(0, -100, 100, 0.01);
    show();
    EXPECT_FLOAT_EQ(slider.stepsPerPixel, 100);
    EXPECT_EQ(slider.snapUnit, 100);
    EXPECT_EQ(slider.fineUnit, 10);
    Counts n;
    slider.onChangeBegin = [&](SliderInputControl&) { ++n.begin; };
    slider.onChangeEnd = [&](SliderInputControl&) { ++n.end; };
    const int x = cx(slider.face), y = cy(slider.face);
    Input::press(x, y);
    Input::wait(600); // past the double-click time, any movement drags
    Input::move(x + 10, y, Input::None, Input::Left);
    Input::wait();
    EXPECT_EQ(slider.value, 1000) << "whole units: 10 pixels × 100 steps";
    Input::move(x + 12, y, Input::Shift, Input::Left);
    Input::wait();
    EXPECT_EQ(slider.value, 1000) << "Shift pressed mid-drag does not jump";
    Input::move(x + 15, y, Input::Shift, Input::Left);
    Input::wait();
    EXPECT_EQ(slider.value, 1030) << "fine: 3 pixels × 10 steps from the current value";
    Input::release(x + 15, y, Input::Left, Input::Shift);
    Input::wait();
    EXPECT_EQ(n.begin, 1);
    EXPECT_EQ(n.end, 1);
    EXPECT_FALSE(slider.edit.visible) << "a drag does not open the field";

    // Mode 1: the range over the screen's width.
    settings.moveMode = 1;
    slider.setRange(0, 0, 2000, 1);
    const int screen = Platform::Ui::queryMachineFacts().screenWidth;
    EXPECT_FLOAT_EQ(slider.stepsPerPixel, std::max(0.05f, std::min(10.0f, 2000.0f / float(screen))));
    EXPECT_EQ(slider.snapUnit, 1);
    EXPECT_EQ(slider.fineUnit, 1);
    Input::wait(600);
    Input::press(x, y);
    Input::move(x + 50, y, Input::None, Input::Left); // beyond the drag distance
    Input::release(x + 50, y);
    Input::wait();
    EXPECT_EQ(slider.value, int(std::lround(50 * slider.stepsPerPixel)));
}

TEST_F(InputControls, AClickOpensTheFieldForTypingAndEmptyTextGivesTheDefault)
{
    SliderInputControl slider(area(400, 24), 0, 0, 24);
    slider.setRange(2.5, 0, 10, 0.01);
    Counts n;
    slider.onChange = [&](SliderInputControl&) { ++n.change; };
    slider.onChangeBegin = [&](SliderInputControl&) { ++n.begin; };
    slider.onChangeEnd = [&](SliderInputControl&) { ++n.end; };
    show();
    Input::click(cx(slider.face), cy(slider.face));
    Input::wait();
    ASSERT_TRUE(slider.edit.visible);
    EXPECT_TRUE(slider.edit.focused);
    EXPECT_EQ(slider.edit.selectionEnd, int(slider.text.size())) << "the whole text selected";
    EXPECT_FALSE(mouse->ime.imeEnabled) << "numbers are typed without the input method";
    const int endsBefore = n.end;
    type(L"12");
    EXPECT_EQ(slider.value, 1000) << "12 held at the maximum 10";
    key(Key::Return);
    EXPECT_EQ(n.end, endsBefore + 1) << "Enter ends the typing gesture once";
    EXPECT_EQ(n.begin, n.end);
    EXPECT_FALSE(slider.edit.visible);
    EXPECT_EQ(slider.text, L"10.00");

    Input::wait(600);
    Input::click(cx(slider.face), cy(slider.face));
    key('A', Input::Control);
    key(Key::Back);
    EXPECT_EQ(slider.value, 250) << "emptied: the default";
    // The wheel in the field: the field's text again, plus a step for a turn towards the user.
    Input::wheel(cx(slider.edit), cy(slider.edit), -120);
    Input::wait();
    EXPECT_EQ(slider.edit.text, L"2.50");
    Input::wheel(cx(slider.edit), cy(slider.edit), -120);
    Input::wait();
    EXPECT_EQ(slider.value, 251);
    EXPECT_EQ(slider.edit.text, L"2.51");
    key(Key::Escape);
    Input::wait(600);
    Input::wheel(cx(slider.face), cy(slider.face), -120);
    Input::wait();
    EXPECT_EQ(slider.value, 251) << "not on the face";
}

TEST_F(InputControls, StepButtonsHideByWidthAndBySetting)
{
    SliderInputControl wide(area(400, 24), 0, 0, 24);
    SliderInputControl narrow(area(wide.editWidth + 10, 24), 0, 0, 24);
    SliderInputControl hidden(area(400, 24), 0, 0, 24);
    hidden.buttonsHidden = true;
    for (SliderInputControl* s : {&wide, &narrow, &hidden})
        s->setRange(5, 0, 10, 1);
    show();
    EXPECT_TRUE(wide.decrement.visible && wide.increment.visible);
    EXPECT_EQ(wide.face.rect.width, 400 - 24);
    EXPECT_FALSE(narrow.decrement.visible);
    EXPECT_EQ(narrow.face.rect.width, narrow.rect.width);
    EXPECT_FALSE(hidden.increment.visible);
    int ends = 0;
    wide.onChangeEnd = [&](SliderInputControl&) { ++ends; };
    Input::click(wide.increment.rect.x + 6, cy(wide));
    EXPECT_EQ(wide.value, 6);
    EXPECT_EQ(ends, 1);
    Input::wait(600);
    Input::click(wide.decrement.rect.x + 6, cy(wide));
    Input::wait(600);
    Input::click(wide.decrement.rect.x + 6, cy(wide));
    EXPECT_EQ(wide.value, 4);
    // The step buttons' icons and the face's text.
    wide.procPaint();
    EXPECT_GT(countColour(wide.decrement.rect, colour(Brushes::ButtonBody)) +
                  countColour(wide.decrement.rect, colour(Brushes::ButtonBodyHover)),
              0);
    EXPECT_TRUE(hasInk({wide.face.rect.x + 4, wide.face.rect.y + 2, wide.face.rect.width - 8, wide.face.rect.height - 4},
                       colour(Brushes::ButtonBody)));
}

TEST_F(InputControls, StepsThatAreNotPowersOfTenShowAndTypeRight)
{
    SliderInputControl slider(area(400, 24), 0, 0, 24);
    slider.setRange(1.5, 0, 10, 0.5);
    EXPECT_EQ(slider.text, L"1.5") << "not 3";
    show();
    Input::click(cx(slider.face), cy(slider.face));
    type(L"3");
    EXPECT_EQ(slider.value, 6);
    EXPECT_DOUBLE_EQ(slider.getValue(), 3.0);
    EXPECT_EQ(slider.text, L"3.0");
}

TEST_F(InputControls, ADirectDragOverAWideRangeDoesNotOverflow)
{
    SliderSettings settings;
    settings.directMove = 1;
    SliderInputControl::readSettings = [&settings] { return settings; };
    SliderInputControl slider(area(1000, 24), 0, 0, 24);
    slider.setRange(0, 0, 2e8, 1);
    show();
    const Window::Rect face = slider.face.rect;
    Input::press(face.x + face.width / 2, cy(slider.face));
    Input::wait();
    EXPECT_EQ(slider.value, 100000000);
    Input::move(face.x + face.width * 3 / 4, cy(slider.face), Input::None, Input::Left);
    Input::wait();
    EXPECT_EQ(slider.value, int(int64_t(face.width * 3 / 4) * 200000000 / face.width));
    Input::release(face.x + face.width * 3 / 4, cy(slider.face));
    Input::wait();
    EXPECT_FALSE(slider.edit.visible) << "in direct mode only a double click opens the field";
}
