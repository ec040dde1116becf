#include "core/text.h"

#include <gtest/gtest.h>

using namespace System;

TEST(Text, Utf8ConversionsReplaceMalformedSequences)
{
    EXPECT_EQ(utf8ToWide("a\xE3\x81\x82z"), L"a\u3042z");
    EXPECT_EQ(utf8ToWide("\xF0\x9F\x98\x80"), L"\U0001F600");
    EXPECT_EQ(utf8ToWide("a\xFF" "b"), L"a\xFFFD" L"b");
    EXPECT_EQ(utf8ToWide("\xC0\xAF"), L"\xFFFD");          // overlong
    EXPECT_EQ(utf8ToWide("\xED\xA0\x80"), L"\xFFFD");      // surrogate
    EXPECT_EQ(wideToUtf8(L"\u3042\U0001F600"), "\xE3\x81\x82\xF0\x9F\x98\x80");
    EXPECT_EQ(wideToUtf8(std::wstring(1, wchar_t(0xD800))), "\xEF\xBF\xBD");
    std::wstring out = L"x";
    utf8ToWide(nullptr, out);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(isValidUtf8("plain \xE3\x81\x82"));
    EXPECT_FALSE(isValidUtf8("\x82\xA0")); // CP932 hiragana a
}

TEST(Text, WideFormatTakesWideStringsAndCuts)
{
    wchar_t buffer[16];
    formatWide(buffer, 16, L"%s=%d %hs", L"key", 42, "n");
    EXPECT_STREQ(buffer, L"key=42 n");
    std::wstring longText(100, L'x');
    int n = formatWide(buffer, 16, L"%s", longText.c_str());
    EXPECT_EQ(n, 15);
    EXPECT_EQ(std::wstring(buffer), std::wstring(15, L'x'));

    char narrow[32];
    formatNarrow(narrow, sizeof narrow, "0x%p", reinterpret_cast<void*>(0xABCDEF));
    EXPECT_STREQ(narrow, "0x0000000000ABCDEF");
    formatNarrow(narrow, 8, "%s", "123456789");
    EXPECT_STREQ(narrow, "1234567");
}

TEST(Text, ReplaceStringGoesOnAfterTheInsertedText)
{
    std::wstring s = L"%A%\\x\\%A%";
    replaceString(s, L"%A%", L"%A%%A%");
    EXPECT_EQ(s, L"%A%%A%\\x\\%A%%A%");
    EXPECT_EQ(toLowerAscii(L"ABC\u00C4z"), L"abc\u00C4z");
    EXPECT_EQ(toLocalPath(L"%AppData%\\a\\b.txt"), "%AppData%/a/b.txt");
}
