// The 2D drawing layer on real pictures: geometry, strokes, gradients, clips,
// sessions, text layouts and fonts.
#include "platform/draw/font.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "platform/ui/application.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

using namespace Platform::Draw;

namespace {
class Draw : public ::testing::Test {
protected:
    void SetUp() override { Platform::Ui::initializeApplication(); }
};

int alphaAt(const Target& t, int x, int y)
{
    return t.bits()[y * t.stride() + x * 4 + 3];
}
} // namespace

TEST_F(Draw, ArcsFollowTheirSweepAndSize)
{
    struct Case {
        SweepDirection sweep;
        ArcSize size;
        float top, bottom; // expected vertical extent of a radius-10 arc from (0, 0) to (20, 0)
    } cases[] = {
        {SweepDirection::Clockwise, ArcSize::Small, -10, 0},       // y down: clockwise bulges upwards
        {SweepDirection::CounterClockwise, ArcSize::Small, 0, 10},
    };
    for (const auto& c : cases) {
        PathGeometry path;
        GeometrySink* sink = path.open();
        sink->beginFigure({0, 0}, true);
        sink->addArc({{20, 0}, 10, 10, 0, c.sweep, c.size});
        sink->endFigure(false);
        ASSERT_TRUE(sink->close());
        Rect b = path.getBounds();
        EXPECT_NEAR(b.left, 0, 0.01);
        EXPECT_NEAR(b.right, 20, 0.01);
        EXPECT_NEAR(b.top, c.top, 0.05);
        EXPECT_NEAR(b.bottom, c.bottom, 0.05);
    }
    // A radius too small for the distance grows to fit; a large arc of a bigger circle bulges past it.
    PathGeometry large;
    GeometrySink* sink = large.open();
    sink->beginFigure({0, 0}, true);
    sink->addArc({{10, 0}, 10, 10, 0, SweepDirection::Clockwise, ArcSize::Large});
    sink->endFigure(true);
    sink->close();
    EXPECT_NEAR(large.getBounds().top, -(10 + std::sqrt(75.0f)), 0.05);
    EXPECT_EQ(large.open(), nullptr); // one sink per geometry
}

TEST_F(Draw, FiguresFillByTheirFillModeAndTransformsMoveThem)
{
    auto square = [](GeometrySink* s, float x0, float x1, bool reverse) {
        s->beginFigure({x0, x0}, true);
        if (!reverse) {
            s->addLine({x1, x0});
            s->addLine({x1, x1});
            s->addLine({x0, x1});
        } else {
            s->addLine({x0, x1});
            s->addLine({x1, x1});
            s->addLine({x1, x0});
        }
        s->endFigure(true);
    };
    PathGeometry path;
    GeometrySink* sink = path.open();
    square(sink, 0, 30, false);
    square(sink, 10, 20, false);
    sink->close();
    EXPECT_FALSE(path.fillContainsPoint({15, 15})); // alternate: the inner square is a hole
    PathGeometry winding;
    sink = winding.open();
    sink->setFillMode(FillMode::Winding);
    square(sink, 0, 30, false);
    square(sink, 10, 20, false);
    sink->close();
    EXPECT_TRUE(winding.fillContainsPoint({15, 15}));
    TransformedGeometry moved(path, Matrix::translation(100, 5));
    EXPECT_NEAR(moved.getBounds().left, 100, 1e-4);
    EXPECT_NEAR(moved.getBounds().bottom, 35, 1e-4);
}

TEST_F(Draw, DashStylesAreTheirOwnPatterns)
{
    StrokeStyleProperties p;
    p.dashStyle = DashStyle::Dash;
    EXPECT_EQ(StrokeStyle(p, nullptr, 0).dashes(), (std::vector<float>{2, 2}));
    p.dashStyle = DashStyle::DashDotDot;
    EXPECT_EQ(StrokeStyle(p, nullptr, 0).dashes(), (std::vector<float>{2, 2, 0, 2, 0, 2}));
    // Drawn with a width of 3: 6 on, 6 off.
    auto target = Target::createPicture(40, 10);
    SolidColorBrush black({0, 0, 0, 1});
    p.dashStyle = DashStyle::Dash;
    StrokeStyle dash(p, nullptr, 0);
    target->beginDraw();
    target->drawLine({0, 5}, {40, 5}, black, 3, &dash);
    ASSERT_EQ(target->endDraw(), ResultOk);
    std::string row;
    for (int x = 0; x < 24; ++x)
        row += alphaAt(*target, x, 5) > 128 ? '#' : '.';
    EXPECT_EQ(row, "######......######......");
    // Dots with round caps show; with flat caps they vanish.
    p.dashStyle = DashStyle::Dot;
    p.dashCap = CapStyle::Round;
    StrokeStyle dots(p, nullptr, 0);
    auto dotted = Target::createPicture(40, 10);
    dotted->beginDraw();
    dotted->drawLine({0, 5}, {40, 5}, black, 4, &dots);
    dotted->endDraw();
    EXPECT_GT(alphaAt(*dotted, 8, 5), 128);  // a dot every 8 pixels
    EXPECT_LT(alphaAt(*dotted, 12, 5), 30);
}

TEST_F(Draw, GradientsClampBeyondTheirPoints)
{
    LinearGradientBrush brush({{0, {1, 0, 0, 1}}, {1, {0, 0, 1, 1}}});
    brush.setStartPoint({10, 0});
    brush.setEndPoint({30, 0});
    auto target = Target::createPicture(40, 2);
    target->beginDraw();
    target->fillRectangle({0, 0, 40, 2}, brush);
    target->endDraw();
    const uint8_t* row = target->bits();
    EXPECT_EQ(row[2], 255); // red before the start point
    EXPECT_EQ(row[0], 0);
    EXPECT_EQ(row[39 * 4 + 0], 255); // blue after the end point
    EXPECT_NEAR(row[20 * 4 + 2], 128, 10);
}

TEST_F(Draw, SessionsClipsAndTheirErrors)
{
    auto target = Target::createPicture(20, 20);
    SolidColorBrush red({1, 0, 0, 1});
    target->beginDraw();
    target->pushAxisAlignedClip({5, 5, 10, 10}, true);
    target->setTransform(Matrix::translation(2, 2)); // later clips are transformed, the pushed one stays
    target->fillRectangle({-10, -10, 30, 30}, red);
    target->popAxisAlignedClip();
    EXPECT_EQ(target->endDraw(), ResultOk);
    EXPECT_EQ(alphaAt(*target, 5, 5), 255);
    EXPECT_EQ(alphaAt(*target, 9, 9), 255);
    EXPECT_EQ(alphaAt(*target, 10, 10), 0);
    EXPECT_EQ(alphaAt(*target, 4, 7), 0);

    target->beginDraw();
    target->pushAxisAlignedClip({0, 0, 4, 4}, true);
    EXPECT_EQ(target->endDraw(), ResultWrongState); // a clip left pushed
    target->fillRectangle({0, 0, 1, 1}, red);       // drawing outside a session
    EXPECT_EQ(target->endDraw(), ResultWrongState);
    EXPECT_EQ(Target::createOnMemory(nullptr, 4, 4, 16)->endDraw(), ResultWrongState);
    auto lost = Target::createOnMemory(nullptr, 4, 4, 16);
    lost->beginDraw();
    EXPECT_EQ(lost->endDraw(), ResultTargetLost);
}

TEST_F(Draw, TextLayoutsMeasureTrimAndHitTest)
{
    TextFormat format(L"DejaVu Sans Mono", 20);
    TextLayout layout(L"abcdef", 6, format, 65536, 65536);
    TextMetrics m = layout.getMetrics();
    const float advance = m.width / 6; // monospaced
    EXPECT_GT(advance, 10);
    EXPECT_EQ(m.lineCount, 1u);
    bool trailing = false, inside = false;
    HitTestMetrics hit = layout.hitTestPoint(advance * 2.8f, 5, trailing, inside);
    EXPECT_EQ(hit.textPosition, 2u);
    EXPECT_TRUE(trailing);
    EXPECT_TRUE(inside);
    hit = layout.hitTestPoint(advance * 10, 5, trailing, inside);
    EXPECT_EQ(hit.textPosition, 5u);
    EXPECT_FALSE(inside);
    float x = 0, y = 0;
    layout.hitTestTextPosition(3, false, x, y);
    EXPECT_NEAR(x, advance * 3, 0.5);
    layout.hitTestTextPosition(3, true, x, y);
    EXPECT_NEAR(x, advance * 4, 0.5);

    // Trimmed to a box: the text is cut and an ellipsis stands for the rest.
    TextFormat trimmed(L"DejaVu Sans Mono", 20);
    trimmed.setEllipsisTrimming(true);
    TextLayout cut(L"abcdefghijklmnop", 16, trimmed, advance * 6, 65536);
    EXPECT_LE(cut.getMetrics().width, advance * 6 + 0.5);
    // Trailing spaces count only in the width that includes them.
    TextLayout spaces(L"ab   ", 5, format, 65536, 65536);
    EXPECT_NEAR(spaces.getMetrics().width, advance * 2, 0.5);
    EXPECT_NEAR(spaces.getMetrics().widthIncludingTrailingWhitespace, advance * 5, 0.5);
}

TEST_F(Draw, FamiliesMatchAndSimulate)
{
    const FontCollection& fonts = FontCollection::system();
    int index = fonts.findFamilyName(L"dejavu sans"); // names compare without case
    ASSERT_GE(index, 0);
    auto family = fonts.getFontFamily(index);
    auto bold = family->getFirstMatchingFont(700, 5, FontStyle::Normal);
    EXPECT_EQ(bold->getWeight(), 700);
    EXPECT_EQ(bold->getStretch(), 5);
    auto oblique = family->getFirstMatchingFont(400, 5, FontStyle::Italic);
    EXPECT_NE(oblique->getStyle(), FontStyle::Normal); // its slanted member, flagged italic by the font
    EXPECT_EQ(oblique->getSimulations(), 0u);
    auto light = family->getFirstMatchingFont(300, 5, FontStyle::Normal);
    EXPECT_EQ(light->getWeight(), 200); // lighter first below 400

    auto emoji = fonts.getFontFamily(fonts.findFamilyName(L"Noto Color Emoji"))->getFont(0)->createFontFace();
    uint32_t smile = 0x1F600;
    uint16_t glyph = 0;
    emoji->getGlyphIndices(&smile, 1, &glyph);
    EXPECT_NE(glyph, 0);
    EXPECT_TRUE(emoji->isColorGlyph(glyph));

    EXPECT_EQ(findLocaleName({{L"en-us", L"A"}, {L"ja-jp", L"B"}}, L"ja"), 1);
    EXPECT_EQ(findLocaleName({{L"en-us", L"A"}}, L"de-de"), -1);
}

TEST(DrawLocale, UserLocaleFromTheEnvironment)
{
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(userLocaleName(), L"ja-jp");
    ::setenv("LC_ALL", "C", 1);
    EXPECT_EQ(userLocaleName(), L"en-us");
    ::unsetenv("LC_ALL");
}

TEST_F(Draw, TextLayoutsCountCharactersBreakAtLineFeedsAndHitTestRanges)
{
    TextFormat format(L"DejaVu Sans Mono", 20);
    const std::wstring text = L"ab\U0001F600c\nde";
    TextLayout layout(text.data(), text.size(), format, 65536, 65536);
    EXPECT_EQ(layout.getMetrics().lineCount, 2u);
    float x = 0, y = 0;
    // Position 3 is the c after the emoji, 4 the line feed, 5 starts the second line.
    const HitTestMetrics c = layout.hitTestTextPosition(3, false, x, y);
    const HitTestMetrics emoji = layout.hitTestTextPosition(2, false, x, y);
    EXPECT_GT(c.left, emoji.left);
    EXPECT_NEAR(emoji.width, c.left - emoji.left, 0.5) << "the emoji is one cell";
    const HitTestMetrics d = layout.hitTestTextPosition(5, false, x, y);
    EXPECT_GT(d.top, c.top) << "the line feed breaks the line";
    bool trailing = false, inside = false;
    EXPECT_EQ(layout.hitTestPoint(emoji.left + emoji.width * 0.75f, c.top + 2, trailing, inside).textPosition, 2u);
    EXPECT_TRUE(trailing);
    EXPECT_EQ(layout.hitTestPoint(5000, c.top + 2, trailing, inside).textPosition, 4u)
        << "beyond the end of a broken line: its line feed, leading";
    EXPECT_FALSE(trailing);
    HitTestMetrics cells[4];
    EXPECT_EQ(layout.hitTestTextRange(1, 5, cells, 4), 2u) << "one rectangle per line";
    EXPECT_EQ(cells[0].textPosition, 1u);
    EXPECT_EQ(cells[0].length, 4u);
    EXPECT_EQ(cells[1].textPosition, 5u);
    EXPECT_GT(cells[1].top, cells[0].top);
    EXPECT_EQ(layout.hitTestTextRange(0, 0, cells, 4), 0u);
}
