// The object settings window on a real X display (Xvfb): a text object with
// a filter, as a person sees it, checked region by region; the screenshot
// stays among the test artefacts. Run by on_xvfb.sh (ctest label "xvfb").
#include "platform/ui/surface.h"
#include "tests/ui/screen_capture.h"
#include "tests/ui/settings_fixture.h"
#include "ui/settings/controls/color_control.h"
#include "ui/settings/controls/number_control.h"
#include "ui/settings/subwindows/color_window.h"

#include <cstdlib>

using namespace SettingsTest;
using XvfbTest::Screenshot;

namespace {

struct OnTheDisplay : ::testing::Environment {
    void SetUp() override
    {
        if (const char* display = std::getenv("DISPLAY"); display && *display)
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new OnTheDisplay);

class SettingsOnDisplay : public SettingsFixture {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no display: run on Xvfb (tests/ui/on_xvfb.sh)";
        SettingsFixture::SetUp();
    }
};

} // namespace

TEST_F(SettingsOnDisplay, ATextObjectShowsItsGaugePanelsSlidersAndColourRow)
{
    auto object = scene().createObject(TextSource::Name, 0, 0, 299);
    object->setFilterEffect(Effect::EffectService::Get()->findEffect(L"ぼかし"));
    object->midPoints = {100, 200};
    TextSource& text = dynamic_cast<TextSource&>(*object->effects[0]);
    setMovement(text.number, L"直線移動");
    text.number.resizeValues(4);
    text.color.r = 255;
    text.color.g = 128;
    text.color.b = 0;
    text.text.text = L"こんにちは、世界\n二行目";
    scene().cursorFrame = 150;
    focus(object);
    // The filter panel highlighted, as while it is dragged.
    Component::EffectSetting& blur = *setting().panelList.at(1);
    blur.selected = true;
    Component::EffectSettingSelect::selectedEffect = blur.effect.get();
    setting().procPaint();
    Input::wait(50);

    int ox = 0, oy = 0;
    window->surface->clientToScreen(ox, oy);
    auto at = [&](const Screenshot& s, const Window::WindowControl& c, int dx, int dy) {
        return s.at(ox + c.rect.x + dx, oy + c.rect.y + dy);
    };
    const auto* colour = control<Component::EffectItemColorControl>(text.color);
    ASSERT_TRUE(colour);
    const uint32_t orange = 0xFFFF8000u;
    const Screenshot shot = XvfbTest::captureWhen("settings_window", [&](const Screenshot& s) {
        return at(s, colour->swatch, colour->swatch.rect.width / 2, colour->swatch.rect.height / 2) == orange;
    });
    ASSERT_GT(shot.width, 0);
    // The swatch in the item's colour, framed in dark grey (its luma is above 0.5).
    EXPECT_EQ(at(shot, colour->swatch, colour->swatch.rect.width / 2, colour->swatch.rect.height / 2), orange);
    const Control::SettingHeaderGaugeControl& gauge = setting().header->gauge;
    // The gauge: the strip over the bar in the Background colour, the current section filled.
    EXPECT_EQ(at(shot, gauge, gauge.sideMargin + gauge.barWidth / 2, gauge.topOffset + 1),
              this->colour(Window::ColorBrushList::Background));
    // Below the strip a body tall enough to see, with the cursor's section (100..199) filled and the
    // first section not.
    ASSERT_GE(gauge.barHeight - gauge.stripHeight, 4) << "the bar's body under the strip";
    const int bodyY = gauge.topOffset + (gauge.stripHeight + gauge.barHeight) / 2;
    EXPECT_EQ(at(shot, gauge, gauge.sideMargin + gauge.pixelOf(130), bodyY),
              this->colour(Window::ColorBrushList::ObjectVideoSelect));
    const uint32_t first = at(shot, gauge, gauge.sideMargin + gauge.pixelOf(50), bodyY);
    EXPECT_NE(first, this->colour(Window::ColorBrushList::ObjectVideoSelect));
    EXPECT_NE(first, this->colour(Window::ColorBrushList::Grouping));
    // The highlighted panel: its 2-pixel frame in BorderFocus.
    EXPECT_EQ(at(shot, blur, blur.rect.width / 2, 1), this->colour(Window::ColorBrushList::BorderFocus));
    // Number sliders: two per row (mode 2), the end slider right of the start slider.
    const auto* number = control<Component::NumberItemControl>(text.number);
    ASSERT_TRUE(number && number->endShown);
    EXPECT_LT(number->startSlider.rect.x + number->startSlider.rect.width, number->endSlider.rect.x);
    // Japanese text drawn in the panel header's name (ink in the name's box).
    const Control::TextControl& name = setting().panelList.at(0)->header.name;
    const uint32_t back = at(shot, name, 1, 1);
    int ink = 0;
    for (int y = 0; y < name.rect.height; ++y)
        for (int x = 0; x < std::min(name.rect.width, 160); ++x)
            ink += at(shot, name, x, y) != back;
    EXPECT_GT(ink, 30);
}

TEST_F(SettingsOnDisplay, TheColourWindowShowsItsRingSquareAndPreview)
{
    setting().right = 0.5f;
    Component::EffectColorSettingComponent& w = *windows->color;
    w.area = Window::WindowClient::AreaCenter;
    w.left = 0.5f;
    w.right = 1.0f;
    w.top = 0.0f;
    w.bottom = 1.0f;
    auto object = scene().createObject(TextSource::Name, 0, 0, 99);
    TextSource& text = dynamic_cast<TextSource&>(*object->effects[0]);
    text.color.r = 255;
    text.color.g = 128;
    text.color.b = 0;
    w.setTarget({object, nullptr, nullptr}, &text.color);
    window->updateWindowLayout();
    Input::wait(50);

    int ox = 0, oy = 0;
    window->surface->clientToScreen(ox, oy);
    const Component::ColorCircleGeometry& g = w.circle.geometry;
    ASSERT_GT(g.diameter, 0);
    auto ringAt = [&](const Screenshot& s, int dx, int dy) {
        return s.at(ox + w.circle.rect.x + g.left + dx, oy + w.circle.rect.y + g.top + dy);
    };
    const int mid = (g.diameter - g.thickness) / 2, c = g.diameter / 2;
    const Screenshot shot = XvfbTest::captureWhen("colour_window", [&](const Screenshot& s) {
        return s.at(ox + w.preview.rect.x + 4, oy + w.preview.rect.y + 4) == 0xFFFF8000u;
    });
    ASSERT_GT(shot.width, 0);
    // Ring (base angle 60, Python colorsys): top yellow, right cyan-green, bottom blue, left pink.
    auto near = [](uint32_t got, uint32_t want) {
        for (int shift : {16, 8, 0})
            if (std::abs(int((got >> shift) & 255) - int((want >> shift) & 255)) > 2)
                return false;
        return true;
    };
    EXPECT_PRED2(near, ringAt(shot, c, c - mid), 0xFFFFFF00u);
    EXPECT_PRED2(near, ringAt(shot, c + mid, c), 0xFF00FF80u);
    EXPECT_PRED2(near, ringAt(shot, c, c + mid), 0xFF0000FFu);
    EXPECT_PRED2(near, ringAt(shot, c - mid, c), 0xFFFF0080u);
    // The square of hue 30/360: white at its top left, black along its bottom.
    EXPECT_PRED2(near, ringAt(shot, g.squareOffset, g.squareOffset), 0xFFFFFFFFu);
    EXPECT_PRED2(near, ringAt(shot, g.squareOffset + g.side / 4, g.squareOffset + g.side - 1), 0xFF000000u);
    // The preview: the colour, and the previous colour in its corner (equal here).
    EXPECT_EQ(shot.at(ox + w.preview.rect.x + w.preview.rect.width - 4, oy + w.preview.rect.y + w.preview.rect.height - 4),
              0xFFFF8000u);
}
