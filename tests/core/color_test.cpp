#include "core/color.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(Color, HsvConversions)
{
    struct Case {
        float r, g, b, h, s, v;
    } cases[] = {
        {1, 0, 0, 0, 1, 1}, {0, 0, 1, 2.0f / 3, 1, 1}, {0.5f, 0.5f, 0.5f, 0, 0, 0.5f}, {0, 0, 0, 0, 0, 0},
        {1, 1, 0, 1.0f / 6, 1, 1}, {1, 0, 1, 5.0f / 6, 1, 1},
    };
    for (auto& c : cases) {
        ColorHsv hsv = rgbToHsv(c.r, c.g, c.b);
        EXPECT_NEAR(hsv.h, c.h, 1e-6) << c.r << c.g << c.b;
        EXPECT_NEAR(hsv.s, c.s, 1e-6);
        EXPECT_NEAR(hsv.v, c.v, 1e-6);
        ColorF back = hsvToRgb(hsv.h, hsv.s, hsv.v);
        EXPECT_NEAR(back.r, c.r, 1e-6);
        EXPECT_NEAR(back.g, c.g, 1e-6);
        EXPECT_NEAR(back.b, c.b, 1e-6);
        EXPECT_EQ(back.a, 1.0f);
    }
    ColorF a = hsvToRgb(1.25f, 0.5f, 0.8f), b = hsvToRgb(0.25f, 0.5f, 0.8f);
    EXPECT_NEAR(a.r, b.r, 1e-6);
    EXPECT_NEAR(a.g, b.g, 1e-6);
    ColorF c = hsvToRgb(-0.25f, 0.5f, 0.8f), d = hsvToRgb(0.75f, 0.5f, 0.8f);
    EXPECT_NEAR(c.r, d.r, 1e-6);
    EXPECT_NEAR(c.b, d.b, 1e-6);
}

TEST(Color, HueThatIsNoNumberIsRed)
{
    for (float h : {std::nanf(""), INFINITY, -INFINITY}) {
        ColorF c = hsvToRgb(h, 1.0f, 0.5f);
        EXPECT_EQ(c.r, 0.5f) << h;
        EXPECT_EQ(c.g, 0.0f) << h;
        EXPECT_EQ(c.b, 0.0f) << h;
    }
}

TEST(Color, BytesAndText)
{
    ColorBytes bytes = colorToBytes(0.5f, -0.1f, 1.2f);
    EXPECT_EQ(bytes.r, 128);
    EXPECT_EQ(bytes.g, 0);
    EXPECT_EQ(bytes.b, 255);
    EXPECT_EQ(formatRgbText(255, 0, 16), L"ff0010");

    ColorF c = parseRgbaText(" 00FF80 ");
    EXPECT_EQ(c.r, 0.0f);
    EXPECT_EQ(c.g, 1.0f);
    EXPECT_EQ(c.b, 128 / 255.0f);
    EXPECT_EQ(c.a, 1.0f);
    EXPECT_EQ(parseRgbaWideText(L"00ff8040").a, 64 / 255.0f);

    // Malformed texts are refused: wrong length, signs, "0x", non-digits, blanks.
    for (const char* bad : {"0ff80", "", "   ", "+1ff80", "0x0000", "00gg00", "00 000", "-10000"}) {
        EXPECT_THROW(
            {
                try {
                    parseRgbaText(bad);
                } catch (const std::exception& e) {
                    EXPECT_STREQ(e.what(), "RGB argument is invalid.");
                    throw;
                }
            },
            std::exception)
            << bad;
    }

    ColorBytes out{1, 2, 3};
    parseRgbText("0ff80", out); // wrong length: unchanged
    EXPECT_EQ(out.r, 1);
    parseRgbWideText(L"  a0b1c2", out);
    EXPECT_EQ(out.r, 0xa0);
    EXPECT_EQ(out.g, 0xb1);
    EXPECT_EQ(out.b, 0xc2);
    EXPECT_THROW(parseRgbText("   ", out), std::exception);
    EXPECT_THROW(parseRgbText("0x1234", out), std::exception);

    // The strict form takes six digits and nothing else.
    EXPECT_EQ(parseRgbBytes(" a0b1c2 ").g, 0xb1);
    for (const char* bad : {"0ff8", "0ff80", "a0b1c2d3", ""})
        EXPECT_EQ(TestKit::errorText([&] { parseRgbBytes(bad); }), "RGB argument is invalid.") << bad;
}
