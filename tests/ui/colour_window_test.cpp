// The colour window: its colour and stored hue, saturation and value, the
// target it follows and writes with undo, the preview swap, the screen pick,
// its layout; the hue ring's picture against Python's colorsys, its hit test
// and drags, and the numeric inputs.
#include "tests/ui/settings_fixture.h"
#include "ui/settings/subwindows/color_window.h"
#include "ui/window/color_brush_list.h"

#include <cmath>

using namespace SettingsTest;

namespace {

class ColourWindow : public SettingsFixture {
protected:
    void SetUp() override
    {
        SettingsFixture::SetUp();
        setting().right = 0.5f;
        colour().area = Window::WindowClient::AreaCenter;
        colour().left = 0.5f;
        colour().right = 1.0f;
        colour().top = 0.0f;
        colour().bottom = 1.0f;
    }
    Component::EffectColorSettingComponent& colour() { return *windows->color; }
    void show()
    {
        colour().setVisible(true);
        window->updateWindowLayout();
        Input::wait();
    }
    // Targets the colour item "色" of an object carrying the all-kinds filter.
    std::shared_ptr<Edit::Object> targetAll()
    {
        auto object = placeAll(0);
        colour().setTarget({object, nullptr, nullptr}, &kinds(object).color);
        Input::wait();
        return object;
    }
    static std::array<int, 3> bytesOf(const Effect::EffectItemColor& item) { return {item.r, item.g, item.b}; }
    static std::array<int, 3> bytesOf(const ColorF& c)
    {
        const ColorBytes b = colorToBytes(c.r, c.g, c.b);
        return {b.r, b.g, b.b};
    }
    // Centre of a control in window pixels.
    static std::pair<int, int> at(const Window::WindowControl& c, int dx = 0, int dy = 0)
    {
        return {c.rect.x + dx, c.rect.y + dy};
    }
};

} // namespace

TEST_F(ColourWindow, EqualBytesChangeNothingAndHueAndSaturationSurviveBlackAndGrey)
{
    auto& w = colour();
    w.setColor({1.0f, 0.5f, 0.25f, 1.0f});
    w.applyColor(); // no target: the inputs only show it
    const float h = w.hue, s = w.saturation, v = w.value;
    EXPECT_NEAR(h, 20.0f / 360.0f, 1e-4);
    // 0.5 and 0.501 are both byte 128: nothing moves.
    w.setColor({1.0f, 0.501f, 0.25f, 1.0f});
    EXPECT_EQ(w.color.g, 0.5f);
    EXPECT_EQ(std::tie(w.hue, w.saturation, w.value), std::tie(h, s, v));

    // V to 0 and back through the V slider.
    w.hsv.slider2.applyValue(0);
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(w.hue, h);
    EXPECT_EQ(w.saturation, s);
    w.hsv.slider2.applyValue(1000);
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{255, 128, 64}));
    // S to 0 (grey) and back.
    w.hsv.slider1.applyValue(0);
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(w.hue, h);
    w.hsv.slider1.applyValue(750);
    EXPECT_NEAR(w.hue, h, 1e-6);
    EXPECT_EQ(bytesOf(w.color)[0], 255);

    // R changed on a grey recomputes hue and saturation; H changed on black stays black.
    w.setColor({0.5f, 0.5f, 0.5f, 1.0f});
    w.applyColor();
    w.rgb.slider0.applyValue(255);
    EXPECT_EQ(w.hue, 0.0f);
    EXPECT_NEAR(w.saturation, 0.5f, 1e-6);
    w.setColor({0, 0, 0, 1});
    w.applyColor();
    w.hsv.slider0.applyValue(1800);
    EXPECT_NEAR(w.hue, 0.5f, 1e-6);
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(w.rgb.slider0.getValue(), 0.0) << "the other block shows the change at once";
    EXPECT_NEAR(w.hsv.slider0.getValue(), 180.0, 1e-9);
}

TEST_F(ColourWindow, TargetsShowHiddenWindowsAndFocusFollowsTheTopEffect)
{
    auto& w = colour();
    EXPECT_FALSE(w.isVisible()) << "hidden at start";
    auto object = targetAll();
    EXPECT_TRUE(w.isVisible()) << "setTarget shows the window";
    EXPECT_EQ(w.target.item, &kinds(object).color);
    EXPECT_EQ(w.target.effect, object->effects.back());
    EXPECT_EQ(w.header.title.text, Component::colorTargetLabel(w.target));
    EXPECT_EQ(bytesOf(w.previousColor), (std::array<int, 3>{255, 255, 255}));

    // A focus change while hidden drops the target.
    w.setVisible(false);
    focus(object);
    EXPECT_FALSE(w.target);
    EXPECT_EQ(w.header.title.text, L"色設定");

    // Shown, an object whose top effect has no colour clears it too, greyed.
    auto image = place(1, 0, 9);
    show();
    w.setTarget({object, nullptr, nullptr}, &kinds(object).optional);
    ASSERT_TRUE(w.target);
    focus(image);
    EXPECT_FALSE(w.target);
    EXPECT_EQ(w.header.title.text, L"色設定");
    EXPECT_EQ(w.header.title.textBrush, Control::brushOf(w.header, Window::ColorBrushList::TextDisable));

    // An item no effect of the object holds is refused.
    Effect::EffectItemList loose;
    Effect::EffectItemColor stray{loose, L"迷子", 1, 2, 3};
    w.setTarget({object, nullptr, nullptr}, &stray);
    EXPECT_FALSE(w.target);
}

TEST_F(ColourWindow, ThePreviewSwapIsOneStepThatUndoRestoresWhole)
{
    show();
    auto object = targetAll();
    auto& w = colour();
    w.setColor({0.0f, 0.0f, 1.0f, 1.0f});
    w.applyColor();
    ASSERT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{0, 0, 255}));
    const size_t before = undoable();

    // A click on the preview's corner (the previous colour, white).
    auto [x, y] = at(w.preview, w.preview.rect.width - 3, w.preview.rect.height - 3);
    Input::move(x, y);
    Input::click(x, y);
    Input::wait();
    EXPECT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{255, 255, 255}));
    EXPECT_EQ(bytesOf(w.previousColor), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(undoable(), before + 1);

    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{0, 0, 255}));
    EXPECT_EQ(bytesOf(w.previousColor), (std::array<int, 3>{255, 255, 255}));

    // Equal colours: a click does nothing.
    w.previousColor = w.color;
    const size_t now = undoable();
    Input::click(x, y);
    Input::wait();
    EXPECT_EQ(undoable(), now);
}

TEST_F(ColourWindow, APickWritesOnlyWithATargetAndIsOneStep)
{
    show();
    auto& w = colour();
    const size_t before = undoable();
    const uint8_t picked[3] = {10, 20, 30};
    w.header.procPickColor(picked);
    EXPECT_EQ(bytesOf(w.color), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(undoable(), before) << "no target, nothing written";

    auto object = targetAll();
    w.header.procPickColor(picked);
    EXPECT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{10, 20, 30}));
    EXPECT_EQ(undoable(), before + 1);
    w.header.procPickColor(nullptr); // cancelled
    EXPECT_EQ(undoable(), before + 1);
    EXPECT_EQ(w.header.title.text, Component::colorTargetLabel(w.target));
}

TEST_F(ColourWindow, ANarrowWindowShowsOnlyTheRgbInputs)
{
    show();
    auto& w = colour();
    ASSERT_GT(w.hsv.rect.width, 0);
    EXPECT_EQ(w.rgb.rect.y, w.hsv.rect.y);
    colour().left = 0.9f;
    window->updateWindowLayout();
    Input::wait();
    EXPECT_LE(w.hsv.rect.width, 0);
    EXPECT_GT(w.rgb.rect.width, 0);
    EXPECT_EQ(w.rgb.rect.x + w.rgb.rect.width, w.clientRect.x + w.clientRect.width - w.margin);
    colour().left = 0.5f;
    window->updateWindowLayout();
    Input::wait();
    EXPECT_GT(w.hsv.rect.width, 0);
}

TEST_F(ColourWindow, RingAndSliderGesturesAreOneUndoStepEach)
{
    show();
    auto object = targetAll();
    auto& w = colour();
    const Component::ColorCircleGeometry& g = w.circle.geometry;
    ASSERT_GT(g.diameter, 0);
    const size_t before = undoable();
    // Press in the square's top-right corner, wander outside, release.
    auto [x, y] = at(w.circle, g.left + g.squareOffset + g.side - 1, g.top + g.squareOffset);
    Input::move(x, y);
    Input::press(x, y);
    Input::wait();
    EXPECT_EQ(w.circle.dragMode, Component::EffectColorCircleControl::Square);
    EXPECT_NEAR(w.value, 1.0f, 1e-6) << "the press applies at once";
    for (int i = 1; i <= 5; ++i)
        Input::move(x - 10 * i, y + 10 * i, Input::None, 1);
    Input::move(x + 400, y + 4000, Input::None, 1); // beyond: clamped
    Input::release(x + 400, y + 4000);
    Input::wait();
    EXPECT_EQ(w.saturation, 1.0f);
    EXPECT_EQ(w.value, 0.0f);
    EXPECT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{0, 0, 0}));
    EXPECT_EQ(undoable(), before + 1);

    // The ring: the pointer above the centre gives the base angle's hue.
    auto [rx, ry] = at(w.circle, g.left + g.diameter / 2, g.top + g.thickness / 2);
    w.saturation = w.value = 1.0f;
    Input::move(rx, ry);
    Input::press(rx, ry);
    Input::release(rx, ry);
    Input::wait();
    EXPECT_NEAR(w.hue, 60.0f / 360.0f, 1e-6);
    EXPECT_EQ(undoable(), before + 2);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(bytesOf(kinds(object).color), (std::array<int, 3>{0, 0, 0}));

    // A slider drag of many steps.
    Control::SliderInputControl& red = w.rgb.slider0;
    const int sx = red.face.rect.x + red.face.rect.width / 2, sy = red.face.rect.y + red.face.rect.height / 2;
    const size_t atSlider = undoable();
    Input::move(sx, sy);
    Input::press(sx, sy);
    for (int i = 1; i <= 6; ++i)
        Input::move(sx + 5 * i, sy, Input::None, 1);
    Input::release(sx + 30, sy);
    Input::wait();
    EXPECT_GT(kinds(object).color.r, 0);
    EXPECT_EQ(undoable(), atSlider + 1);
}

TEST(ColourRing, GeometryWithoutASquareHasNoRing)
{
    // Square sides of 0 and 1 both leave no ring to draw or hit.
    for (int size : {1, 10, 12, 13}) {
        const Component::ColorCircleGeometry g = Component::colorCircleGeometry(size, size);
        EXPECT_TRUE(g.diameter == 0 || g.side >= 2) << size;
        if (g.side < 2)
            EXPECT_EQ(g.diameter, 0) << size;
    }
    const Component::ColorCircleGeometry g = Component::colorCircleGeometry(402, 500);
    EXPECT_EQ(g.diameter, 400);
    EXPECT_EQ(g.thickness, 50);
    EXPECT_EQ(g.side, 208); // trunc(300 x 0.70710677) - 4
    EXPECT_EQ(g.top, 50);
}

TEST(ColourRing, PixelsMatchColorsys)
{
    // Expected bytes from Python: colorsys.hsv_to_rgb(((phi + base) / 360) % 1, 1, 1) x 255,
    // phi the clockwise angle from the top of the ring.
    struct Case {
        int base, phi, r, g, b;
    };
    const Case cases[] = {{60, 0, 255, 255, 0},  {60, 45, 64, 255, 0},  {60, 90, 0, 255, 128},
                          {60, 180, 0, 0, 255},  {60, 270, 255, 0, 128}, {0, 0, 255, 0, 0},
                          {0, 45, 255, 191, 0},  {0, 90, 128, 255, 0},  {0, 180, 0, 255, 255},
                          {0, 270, 128, 0, 255}};
    auto image = Media::ImageBuffer::create(Media::Format::R8G8B8A8Unorm, 0, 0);
    const Component::ColorCircleGeometry g = Component::colorCircleGeometry(402, 402);
    for (const Case& c : cases) {
        Component::buildColorCircleImage(*image, g, 0.0f, c.base);
        const double mid = (g.diameter - g.thickness) / 2.0, rad = c.phi * 3.14159265358979 / 180.0;
        const int x = int(std::lround(g.diameter / 2.0 + mid * std::sin(rad)));
        const int y = int(std::lround(g.diameter / 2.0 - mid * std::cos(rad)));
        const uint8_t* p = image->row(uint32_t(y)) + size_t(x) * 4;
        EXPECT_NEAR(p[0], c.r, 2) << c.base << " " << c.phi;
        EXPECT_NEAR(p[1], c.g, 2) << c.base << " " << c.phi;
        EXPECT_NEAR(p[2], c.b, 2) << c.base << " " << c.phi;
        EXPECT_EQ(p[3], 255);
    }
    // Outside the ring and at the centre's corner: transparent.
    EXPECT_EQ(image->row(0)[3], 0);

    // The square of hue 0.25: colorsys.hsv_to_rgb(0.25, i / 100, (100 - j) / 100) x 255.
    Component::ColorCircleGeometry square{200, 25, 101, 49, 0, 0};
    Component::buildColorCircleImage(*image, square, 0.25f, 60);
    struct Pixel {
        int i, j;
        double r, g, b;
    };
    for (const Pixel& p : {Pixel{0, 0, 255, 255, 255}, Pixel{100, 0, 127.5, 255, 0}, Pixel{50, 50, 95.625, 127.5, 63.75},
                           Pixel{100, 100, 0, 0, 0}, Pixel{25, 75, 55.781, 63.75, 47.812}}) {
        const uint8_t* q = image->row(uint32_t(49 + p.j)) + size_t(49 + p.i) * 4;
        EXPECT_NEAR(q[0], p.r, 1.0) << p.i << "," << p.j;
        EXPECT_NEAR(q[1], p.g, 1.0) << p.i << "," << p.j;
        EXPECT_NEAR(q[2], p.b, 1.0) << p.i << "," << p.j;
        EXPECT_EQ(q[3], 255);
    }
}
