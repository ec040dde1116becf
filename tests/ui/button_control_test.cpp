// The button family on real events: the click on the press, disabled
// buttons, text placement and trimming, repeats, check buttons, icon colours,
// the wheel button and the drag-value button.
#include "tests/ui/controls_fixture.h"
#include "ui/window/controls/button_control.h"

using namespace ControlsTest;
using namespace Control;

namespace {
class Buttons : public ControlsFixture {};

// A drag-value button holding its value, clamped to 0..100.
class VolumeButton : public Component::SliderButtonControl {
public:
    using SliderButtonControl::SliderButtonControl;
    int getValue() override { return volume; }
    std::wstring getValueText() override { return std::to_wstring(volume); }
    void setValue(int atPress, int delta) override
    {
        volume = std::clamp(atPress + delta, 0, 100);
        calls.push_back({atPress, delta});
    }
    int volume = 40;
    std::vector<std::pair<int, int>> calls;
};
} // namespace

TEST_F(Buttons, TheClickFiresOnThePressAndADisabledButtonIsNeverHit)
{
    TextButtonControl button(box(), 10, 10, 120, 30, 0);
    button.label = L"決定";
    Probe behind({0, 0, 400, 400}, 150);
    int clicks = 0;
    button.onClick = [&](ButtonControl&) { ++clicks; };
    show();
    Input::press(cx(button), cy(button));
    Input::wait();
    EXPECT_EQ(clicks, 1) << "before the release";
    EXPECT_TRUE(button.pressed);
    EXPECT_EQ(pixel(button.rect.x + 5, button.rect.y + 5), colour(Brushes::ButtonBodyPress));
    Input::release(cx(button), cy(button));
    Input::wait();
    EXPECT_EQ(clicks, 1) << "the release does not click";
    EXPECT_FALSE(button.pressed);
    EXPECT_EQ(pixel(button.rect.x + 5, button.rect.y + 5), colour(Brushes::ButtonBodyHover));

    button.enabled = false;
    button.procPaint();
    Input::click(cx(button), cy(button));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(behind.has("ldown " + std::to_string(cx(button)) + " " + std::to_string(cy(button))))
        << "a disabled button takes the press from what lies below";
    const Window::Rect inside{button.rect.x + 2, button.rect.y + 2, button.rect.width - 4, button.rect.height - 4};
    EXPECT_GT(countColour(inside, colour(Brushes::ButtonBodyDisable)), inside.width * inside.height / 2);
    EXPECT_GT(countColour(inside, colour(Brushes::TextDisable)), 0) << "the label in TextDisable";
    EXPECT_EQ(countColour(inside, colour(Brushes::Text)), 0);
    // The 2-pixel Border frame.
    EXPECT_EQ(pixel(button.rect.x, cy(button)), colour(Brushes::Border));
    EXPECT_EQ(pixel(button.rect.x + 1, cy(button)), colour(Brushes::Border));
    EXPECT_EQ(pixel(button.rect.x + button.rect.width - 1, cy(button)), colour(Brushes::Border));
}

TEST_F(Buttons, TextStylesPlaceTheLabelAndKeepItInside)
{
    struct Case {
        int style;
        const wchar_t* label;
        int width;
    };
    const uint32_t body = colour(Brushes::ButtonBody);
    for (const Case& c : {Case{0, L"中央", 160}, Case{1, L"左寄せ", 160}, Case{2, L"とても長い説明の文字列です", 70},
                          Case{3, L"左上", 160}, Case{0, L"長すぎるラベルの文字列", 60}}) {
        SCOPED_TRACE(c.style);
        TextButtonControl button(box(), 20, 20, c.width, 30, c.style);
        button.label = c.label;
        show();
        const Window::Rect r = button.rect;
        const Window::Rect inside{r.x + 2, r.y + 2, r.width - 4, r.height - 4};
        const int first = firstInkColumn(inside, body), last = lastInkColumn(inside, body);
        ASSERT_GE(first, 0) << "the label shows";
        EXPECT_EQ(pixel(r.x + r.width, cy(button)), colour(Brushes::Background)) << "nothing beyond the button";
        const int textWidth = Resource::TextLayout::getSize(
            *Resource::ResourceService::Get()->textFormats.get(Resource::TextFormatList::Control), c.label);
        switch (c.style) {
        case 0:
            if (textWidth + 6 < r.width)
                EXPECT_NEAR((first - r.x) + (last - r.x), r.width, 4) << "centred";
            else
                EXPECT_NEAR(first - r.x, 3, 1) << "a label wider than the button starts 3 pixels in";
            break;
        case 1: {
            EXPECT_LE(first - r.x, 6) << "left-aligned";
            // The drop-down mark: Text-coloured pixels at the right end.
            const Window::Rect mark{r.x + r.width - 16, r.y + 2, 14, r.height - 4};
            EXPECT_GT(countColour(mark, colour(Brushes::Text)), 3);
            break;
        }
        case 2: EXPECT_LE(last - r.x, r.width - 2) << "trimmed before the frame"; break;
        default:
            EXPECT_NEAR(first - r.x, 3, 1) << "at the top left";
            EXPECT_LE(cy(button) - r.y, 15);
        }
    }
}

TEST_F(Buttons, AHeldRepeatButtonClicksAtOnceAfterTheDelayThenPerIntervalUntilReleased)
{
    RepeatClickButtonControl button(box(), &Icons::Up);
    button.placeX = 10, button.placeY = 10, button.placeWidth = 24, button.placeHeight = 24;
    std::vector<uint64_t> clicks;
    int presses = 0, releases = 0;
    button.onClick = [&](ButtonControl&) { clicks.push_back(Platform::Ui::tickCount()); };
    button.onPress = [&](RepeatClickButtonControl&) { ++presses; };
    button.onRelease = [&](RepeatClickButtonControl&) { ++releases; };
    show();
    const Platform::Ui::MachineFacts facts = Platform::Ui::queryMachineFacts();
    const int delay = facts.keyRepeatDelay, interval = facts.keyRepeatInterval;
    const uint64_t start = Platform::Ui::tickCount();
    Input::press(cx(button), cy(button));
    Input::wait(delay + 3 * interval + interval / 2);
    Input::release(cx(button), cy(button));
    Input::wait();
    const size_t held = clicks.size();
    Input::wait(delay + interval);
    EXPECT_EQ(clicks.size(), held) << "no clicks after the release";
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
    ASSERT_GE(held, 3u);
    EXPECT_LE(clicks[0] - start, 50u) << "the first click at the press";
    EXPECT_GE(clicks[1] - clicks[0], uint64_t(delay - 5));
    // The repeat keeps a fixed rate: a click that came late is followed by one on
    // its own schedule, so each click is measured from the first repeat, not from
    // the click before it; none comes before its place.
    for (size_t i = 2; i < held; ++i)
        EXPECT_GE(clicks[i] - clicks[1], uint64_t((i - 1) * interval - 5)) << "click " << i;
    // On a quiet machine: one at 0, one at the delay, then three intervals.
    EXPECT_LE(held, 5u);
    EXPECT_FALSE(button.timer.isSet());
}

TEST_F(Buttons, CheckButtonsToggleAndShowTheirStateFramedOrNot)
{
    for (bool framed : {true, false}) {
        SCOPED_TRACE(framed);
        CheckButtonControl check(box(), 10, 10, 24, 24);
        check.framed = framed;
        std::vector<bool> reported;
        check.setCheckCallback([&](CheckButtonControl& c) { reported.push_back(c.checked); });
        show();
        Input::click(cx(check), cy(check));
        Input::click(cx(check), cy(check) + 1);
        Input::click(cx(check) + 1, cy(check));
        EXPECT_EQ(reported, (std::vector<bool>{true, false, true}));
        EXPECT_TRUE(check.checked);
        Input::move(300, 300);
        Input::wait();
        check.procPaint();
        const Window::Rect r = check.rect;
        // The body colour while checked with a frame, the Grouping background without.
        EXPECT_EQ(pixel(r.x + 3, r.y + r.height - 4), colour(framed ? Brushes::ButtonBody : Brushes::Grouping));
        EXPECT_EQ(pixel(r.x, r.y + 12) == colour(Brushes::Border), framed);
        EXPECT_GT(countColour(r, colour(Brushes::Text)), 4) << "the tick";
        check.checked = false;
        check.procPaint();
        EXPECT_EQ(countColour(r, colour(Brushes::Text)), 0);
        EXPECT_EQ(pixel(r.x + 3, r.y + r.height - 4), colour(Brushes::Grouping));
    }
}

TEST_F(Buttons, AnIconButtonWithoutBrushesDrawsItsIconInTheStateColour)
{
    RepeatClickButtonControl button(box(), &Icons::Down);
    button.placeX = 40, button.placeY = 40, button.placeWidth = 40, button.placeHeight = 40;
    show();
    const Window::Rect r = button.rect;
    auto iconAt = [&] { return pixel(r.x + 20, r.y + 16); }; // inside the triangle
    EXPECT_EQ(pixel(r.x + 2, r.y + 2), colour(Brushes::Background)) << "no background fill";
    EXPECT_EQ(iconAt(), colour(Brushes::ButtonBody));
    Input::move(r.x + 20, r.y + 16);
    Input::wait();
    EXPECT_EQ(iconAt(), colour(Brushes::ButtonBodyHover));
    Input::press(r.x + 20, r.y + 16);
    Input::wait();
    EXPECT_EQ(iconAt(), colour(Brushes::ButtonBodyPress));
    Input::release(r.x + 20, r.y + 16);
    button.selected = true;
    Input::move(300, 300);
    Input::wait();
    button.procPaint();
    EXPECT_EQ(iconAt(), colour(Brushes::Text)) << "a selected icon shows in Text on the body";
    EXPECT_EQ(pixel(r.x + 5, r.y + 35), colour(Brushes::ButtonBody));
    EXPECT_EQ(pixel(r.x, r.y + 20), colour(Brushes::Border));
}

TEST_F(Buttons, TheWheelReachesAWheelButtonOnlyWhileItCanTakeIt)
{
    TextButtonWheelControl button(box(), 10, 10, 120, 30, 0);
    button.label = L"ホイール";
    Probe behind({0, 0, 400, 400}, 150);
    behind.acceptWheel = true;
    std::vector<int> deltas;
    bool can = false;
    button.onWheel = [&](TextButtonWheelControl&, int delta) { deltas.push_back(delta); };
    button.canWheel = [&](TextButtonWheelControl&) { return can; };
    show();
    Input::move(cx(button), cy(button));
    Input::wait();
    Input::wheel(cx(button), cy(button), -120);
    Input::wait();
    EXPECT_TRUE(deltas.empty());
    EXPECT_TRUE(behind.has("wheel -120")) << "canWheel false: the control behind takes it";
    can = true;
    Input::wait(600); // a turn soon after another goes where that one went
    Input::wheel(cx(button), cy(button), 120);
    Input::wait();
    EXPECT_EQ(deltas, std::vector<int>{120});
    EXPECT_FALSE(behind.has("wheel 120"));
    Input::move(300, 300);
    Input::wait(600);
    Input::wheel(300, 300, 120);
    Input::wait();
    EXPECT_EQ(deltas.size(), 1u) << "not while the pointer is elsewhere";
}

TEST_F(Buttons, DraggingAValueButtonTenPixelsUpAddsFiveToTheValueAtThePress)
{
    VolumeButton volume(box(), 50, 100, 30, 30);
    show();
    const int x = cx(volume), y = cy(volume);
    Input::press(x, y);
    Input::wait(600); // past the double-click time, any movement drags
    for (int step = 2; step <= 10; step += 2) {
        Input::move(x, y - step, Input::None, Input::Left);
        Input::wait();
    }
    Input::release(x, y - 10);
    Input::wait();
    EXPECT_EQ(volume.volume, 45);
    ASSERT_FALSE(volume.calls.empty());
    for (const auto& call : volume.calls)
        EXPECT_EQ(call.first, 40) << "every step counts from the value at the press";
    EXPECT_EQ(volume.calls.back().second, 5);
}
