// Text objects: the control tags as data (positions, sizes, times, counts of
// the per-character records) and the raster by measurable properties.
#include "media/text_draw.h"
#include "platform/draw/target.h"
#include "tests/media/media_fixture.h"
#include "tests/media/picture_probe.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <string>

namespace {

class TextDrawTest : public DrawServices {
protected:
    void prepare(Media::TextDraw& t, const wchar_t* text, float size = 40)
    {
        t.text = text;
        t.fontName = L"Noto Sans CJK JP";
        t.size = size;
        t.time = 1000;
    }
    // Measures, then draws into a picture of the measured size (null when there is nothing).
    std::unique_ptr<Platform::Draw::Target> render(Media::TextDraw& t)
    {
        t.layout(nullptr);
        if (t.blockWidth() <= 0 || t.blockHeight() <= 0 || t.characterCount == 0)
            return nullptr;
        auto target = Platform::Draw::Target::createPicture(t.blockWidth(), t.blockHeight());
        t.drawToTarget(*target);
        return target;
    }
    // The records of the characters drawn, in individual mode.
    std::vector<Media::TextDraw::CharacterRecord> records(const wchar_t* text, double time = 1000, double speed = 0)
    {
        Media::TextDraw t;
        prepare(t, text);
        t.individual = true;
        t.time = time;
        t.speed = speed;
        t.layout(nullptr);
        auto atlas = Platform::Draw::Target::createPicture(std::max(1, int(std::ceil(t.widestRow))),
                                                           std::max(1, int(std::ceil(t.atlasHeight))));
        t.drawToTarget(*atlas);
        return t.characters;
    }
    float measuredWidth(const wchar_t* text, float size = 40, float spacing = 0)
    {
        Media::TextDraw t;
        prepare(t, text, size);
        t.letterSpacing = spacing;
        t.layout(nullptr);
        return t.maxWidth;
    }
};

} // namespace

TEST_F(TextDrawTest, PositionTagsMoveThePen)
{
    auto plain = records(L"A");
    ASSERT_EQ(plain.size(), 1u);
    struct Case {
        const wchar_t* text;
        size_t count;
        float dx, dy, z;
    } cases[] = {
        {L"<p10,20>A", 1, 10, 20, 0},
        {L"<p+10,-5>A", 1, 10, -5, 0},
        {L"<p10,20,7>A", 1, 10, 20, 7},
        {L"<p10>A", 6, 0, 0, 0}, // x alone is no tag: drawn as text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        auto r = records(c.text);
        ASSERT_EQ(r.size(), c.count);
        if (c.count != 1)
            continue;
        EXPECT_NEAR(r[0].centerX - plain[0].centerX, c.dx, 0.01);
        EXPECT_NEAR(r[0].centerY - plain[0].centerY, c.dy, 0.01);
        EXPECT_FLOAT_EQ(r[0].z, c.z);
    }
}

TEST_F(TextDrawTest, SizeTagsScaleAndClamp)
{
    const float base = measuredWidth(L"A", 20);
    ASSERT_GT(base, 5);
    struct Case {
        const wchar_t* text;
        float factor;
    } cases[] = {
        {L"<s*2>A", 2}, {L"<s*2><s*2>A", 4}, {L"<s+20>A", 2}, {L"<s40>A", 2},
        {L"<s5000>A", 50}, {L"<s0>A", 0.05f}, {L"<s*3><s>A", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        EXPECT_NEAR(measuredWidth(c.text, 20), base * c.factor, base * c.factor * 0.01 + 0.01);
    }
    // A number that does not convert leaves the '<' as text.
    Media::TextDraw t;
    prepare(t, L"<s...>A", 20);
    t.layout(nullptr);
    EXPECT_EQ(t.characterCount, 7u);
}

TEST_F(TextDrawTest, SizeTagWithStyleAndBorderKeepsTheFont)
{
    // <s40,,B,100> with object size 30: size 40, bold, border min(100, 40) = 40.
    Media::TextDraw t;
    prepare(t, L"<@Noto Sans Mono CJK JP><s40,,B,100>i", 30);
    t.layout(nullptr);
    Media::TextDraw mono;
    prepare(mono, L"i", 40);
    mono.fontName = L"Noto Sans Mono CJK JP";
    mono.bold = true;
    mono.borderFactor = 1.0f;
    mono.layout(nullptr);
    EXPECT_FLOAT_EQ(t.maxWidth, mono.maxWidth); // the monospaced font was kept
    EXPECT_FLOAT_EQ(t.leftMargin, mono.leftMargin); // border 40: margin 40 / 2 + 1 beyond the ink
}

TEST_F(TextDrawTest, DisplaySpeedWaitsAndClears)
{
    auto r = records(L"ABCDE", 0.25, 10);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_FLOAT_EQ(r[0].startTime, 0.0f);
    EXPECT_NEAR(r[1].startTime, 0.1f, 1e-6);
    EXPECT_NEAR(r[2].startTime, 0.2f, 1e-6);

    r = records(L"AB<w1>CDE", 1.25, 10);
    ASSERT_EQ(r.size(), 3u);
    EXPECT_NEAR(r[2].startTime, 1.2f, 1e-6);

    r = records(L"AB<w*2>C", 1000, 10); // two characters counted: waits 2 x 2 s
    ASSERT_EQ(r.size(), 3u);
    EXPECT_NEAR(r[2].startTime, 4.2f, 1e-5);

    // A clear that the time has passed hides what came before and starts at the top.
    r = records(L"AB\nX<c>\nCD", 1000, 0);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].index, 3u);
    auto top = records(L"CD");
    EXPECT_NEAR(r[0].centerY, top[0].centerY, 0.01);
    // Before the clear's time the earlier characters stay and the later ones wait.
    r = records(L"AB<c1>CD", 0.5, 10);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[1].index, 1u);
}

TEST_F(TextDrawTest, ControlUnitsSurrogatesAndTagOnlyText)
{
    EXPECT_FLOAT_EQ(measuredWidth(L"A\tB\rC"), measuredWidth(L"ABC"));
    Media::TextDraw pair;
    prepare(pair, L"\xD83D\xDE00x");
    pair.layout(nullptr);
    EXPECT_EQ(pair.characterCount, 2u); // the pair is one character

    Media::TextDraw tags;
    prepare(tags, L"<s20><#ff0000><r5>");
    EXPECT_EQ(render(tags), nullptr);
    EXPECT_EQ(tags.characterCount, 0u);
}

TEST_F(TextDrawTest, OverlongTagsAreText)
{
    // A tag opened far before any '>' is text (this length overflowed a
    // worker's stack while the pattern ran to the end of the text); the tag
    // after it still counts.
    const std::wstring unclosed = L"<@" + std::wstring(60000, L'a');
    const std::wstring text = unclosed + L"<s20>B"; // the drawer keeps the pointer: the text must outlive it
    Media::TextDraw t;
    prepare(t, text.c_str(), 10);
    t.layout(nullptr);
    EXPECT_EQ(t.characterCount, unclosed.size() + 1);

    // Up to 1,024 units between '<' and '>' still make a tag.
    const std::wstring longest = L"<#" + std::wstring(1023, L'x') + L">A";
    EXPECT_NEAR(measuredWidth(longest.c_str()), measuredWidth(L"A"), 0.001);
}

TEST_F(TextDrawTest, AFarPositionAsksForTheLargestPicture)
{
    // The extent does not fit an int: the size saturates instead of wrapping negative.
    Media::TextDraw far;
    prepare(far, L"<p9999999999,0>A", 10);
    far.layout(nullptr);
    EXPECT_EQ(far.blockWidth(), INT_MAX);
    EXPECT_GT(far.blockHeight(), 0);
}

TEST_F(TextDrawTest, NegativeLetterSpacingOverlapsWithoutShrinkingTheBlock)
{
    const float a = measuredWidth(L"W"), aa = measuredWidth(L"WW", 40, -10);
    EXPECT_FLOAT_EQ(aa, 2 * a - 10); // the second W's advance reaches the farthest edge
    EXPECT_FLOAT_EQ(measuredWidth(L"WW", 40, 10), 2 * a + 20);
}

TEST_F(TextDrawTest, ColourTagsPaintTheFill)
{
    struct Case {
        const wchar_t* text;
        int r, g, b;
    } cases[] = {
        {L"<#00ff00,>■", 0, 255, 0},
        {L"<#0000ff>■", 0, 0, 255},
        {L"<#nothing>■", 255, 0, 0}, // neither hexadecimal nor a preset colour: the object's colour
        {L"<#00ff00><#>■", 255, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        Media::TextDraw t;
        prepare(t, c.text, 60);
        t.color = {1, 0, 0, 1};
        auto target = render(t);
        ASSERT_NE(target, nullptr);
        InkBox ink = inkBox(*target, 255);
        ASSERT_FALSE(ink.empty());
        Bgra p = pixelAt(*target, (ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2);
        EXPECT_EQ(p.r, c.r);
        EXPECT_EQ(p.g, c.g);
        EXPECT_EQ(p.b, c.b);
        EXPECT_EQ(p.a, 255);
    }
    // A preset colour by name, once the owner of preset colours provides them.
    Media::setPresetColorFinder([](const std::wstring& name, ColorF& out) {
        if (name != L"aqua")
            return false;
        out = {0, 1, 1, 1};
        return true;
    });
    Media::TextDraw t;
    prepare(t, L"<#aqua>■", 60);
    auto target = render(t);
    InkBox ink = inkBox(*target, 255);
    Bgra p = pixelAt(*target, (ink.left + ink.right) / 2, (ink.top + ink.bottom) / 2);
    EXPECT_EQ(p.r, 0);
    EXPECT_EQ(p.g, 255);
    EXPECT_EQ(p.b, 255);
    Media::setPresetColorFinder(nullptr);
}

TEST_F(TextDrawTest, BorderAndShadowSurroundTheGlyph)
{
    auto draw = [&](float border, float shadow) {
        Media::TextDraw t;
        prepare(t, L"■", 80);
        t.color = {1, 0, 0, 1};
        t.color2 = {0, 0, 1, 1};
        t.borderFactor = border;
        t.shadowFactor = shadow;
        auto target = render(t);
        saveArtefact(*target, "text_border_" + std::to_string(int(border * 100)) + "_shadow_" +
                                  std::to_string(int(shadow * 100)) + ".png");
        return target;
    };
    auto plain = draw(0, 0);
    auto bordered = draw(0.1f, 0); // border 8 px: 4 px outside the outline
    auto shadowed = draw(0, 1.0f); // shadow offset 80 x 0.05 = 4 px
    InkBox p = inkBox(*plain, 128), b = inkBox(*bordered, 128), s = inkBox(*shadowed, 128);
    const int w = p.right - p.left, h = p.bottom - p.top;
    EXPECT_NEAR((b.right - b.left) - w, 8, 1.5);
    EXPECT_NEAR((b.bottom - b.top) - h, 8, 1.5);
    EXPECT_NEAR((s.right - s.left) - w, 4, 1.5);
    EXPECT_NEAR((s.bottom - s.top) - h, 4, 1.5);

    // The border is the second colour, the fill the first.
    Bgra edge = pixelAt(*bordered, b.left + 1, (b.top + b.bottom) / 2);
    Bgra middle = pixelAt(*bordered, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
    EXPECT_GT(edge.b, 200);
    EXPECT_EQ(edge.r, 0);
    EXPECT_EQ(middle.r, 255);
    EXPECT_EQ(middle.b, 0);
    // The shadow shows below and right of the glyph in the second colour.
    Bgra shade = pixelAt(*shadowed, s.right - 1, s.bottom - 1);
    EXPECT_GT(shade.b, 200);
    EXPECT_EQ(shade.r, 0);
    Bgra top = pixelAt(*shadowed, s.left + 1, s.top + 1);
    EXPECT_EQ(top.r, 255);
}

TEST_F(TextDrawTest, JapaneseLatinVerticalAndEmojiRender)
{
    Media::TextDraw h;
    prepare(h, L"Velmora テキスト描画\n日本語とLatin 123", 48);
    h.color = {1, 1, 1, 1};
    h.color2 = {0.1f, 0.3f, 0.8f, 1};
    h.borderFactor = 0.08f;
    h.alignment = 0.5f;
    auto horizontal = render(h);
    ASSERT_NE(horizontal, nullptr);
    saveArtefact(*horizontal, "text_japanese_latin.png");
    EXPECT_GT(horizontal->width(), horizontal->height());
    EXPECT_GT(inkBox(*horizontal).covered, horizontal->width() * horizontal->height() / 10);

    Media::TextDraw v;
    prepare(v, L"縦書き、テスト。\nふたつめの列ー", 48);
    v.vertical = true;
    v.color = {0.1f, 0.1f, 0.1f, 1};
    v.color2 = {1, 1, 1, 1};
    v.borderFactor = 0.1f;
    auto vertical = render(v);
    ASSERT_NE(vertical, nullptr);
    saveArtefact(*vertical, "text_vertical.png");
    EXPECT_GT(vertical->height(), 2 * vertical->width()); // two columns of eight and seven characters
    EXPECT_NEAR(v.maxWidth, 96, 0.01);                     // two columns of the size each

    Media::TextDraw e;
    prepare(e, L"A<@Noto Color Emoji>😀<@>B", 64); // the text font lacks the emoji: a font tag picks one
    e.color = {0, 0, 0, 1};
    e.borderFactor = 0.1f;
    e.color2 = {1, 1, 1, 1};
    e.shadowFactor = 1;
    auto emoji = render(e);
    ASSERT_NE(emoji, nullptr);
    saveArtefact(*emoji, "text_emoji.png");
    // The emoji keeps its own colours: saturated yellow pixels exist, unlike
    // anything the black text with white border could give.
    long yellow = 0;
    for (int y = 0; y < emoji->height(); ++y)
        for (int x = 0; x < emoji->width(); ++x) {
            Bgra p = pixelAt(*emoji, x, y);
            if (p.a > 200 && p.r > 200 && p.g > 150 && p.b < 80)
                ++yellow;
        }
    EXPECT_GT(yellow, 100);
}

TEST_F(TextDrawTest, FailedDrawingSessionThrows)
{
    Media::TextDraw t;
    prepare(t, L"A");
    t.layout(nullptr);
    auto target = Platform::Draw::Target::createPicture(t.blockWidth(), t.blockHeight());
    target->beginDraw(); // a session already open: the text's own session cannot begin
    try {
        t.drawToTarget(*target);
        FAIL() << "no failure reported";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("target->EndDraw"), std::string::npos) << e.what();
    }
    target->endDraw();
}
