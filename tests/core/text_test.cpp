#include "core/text.h"

#include <gtest/gtest.h>

#include <map>

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
    // A narrow argument that is no text in the locale gives an empty result (at
    // once: the buffer does not grow for it).
    EXPECT_EQ(formatWide(buffer, 16, L"%hs", "\xFF\xFE"), 0);
    EXPECT_STREQ(buffer, L"");

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

TEST(Text, ExpandBraceVariable)
{
    std::map<std::wstring, std::wstring> names = {{L"x", L"1"}, {L"scene", L"{x}"}};
    auto lookup = [&](const std::wstring& name) -> const wchar_t* {
        auto it = names.find(name);
        return it == names.end() ? nullptr : it->second.c_str();
    };
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"{x}+{x}={}", L"1+1={}"},                 // empty braces stay as they are
        {L"a{unknown}b", L"ab"},                     // a failed lookup leaves nothing
        {L"{scene}/{x}", L"1/1"},                    // a later match replaces in the working text
        {L"{{x}}", L"{1}"},
        {L"no placeholders", L"no placeholders"},
        {L"{x", L"{x"},
        {L"{a\n}{x}", L"1"},                         // a name may hold a line break
        {L"}{x}{", L"}1{"},
    };
    for (const Case& c : cases) {
        std::wstring text = c.text;
        expandBraceVariable(text, lookup);
        EXPECT_EQ(text, c.expected) << wideToUtf8(c.text);
    }
    // A long name and a long run of open braces take one pass, not one stack frame per character.
    std::wstring longName = L"{" + std::wstring(100000, L'n') + L"}" + std::wstring(100000, L'{') + L"{x}";
    std::wstring seen;
    expandBraceVariable(longName, [&](const std::wstring& name) -> const wchar_t* {
        seen += name.size() > 10 ? L"long;" : name + L";";
        return lookup(name);
    });
    EXPECT_EQ(seen, L"long;x;");
    EXPECT_EQ(longName, std::wstring(100000, L'{') + L"1");

    std::wstring text = L"aaa";
    replaceString(text, L"a", L"aa");
    EXPECT_EQ(text, L"aaaaaa");
}

TEST(Text, TrimSplitJoin)
{
    struct Trim {
        const wchar_t* text;
        const wchar_t* expected;
    } trims[] = {{L"   ", L""}, {L"", L""}, {L" \t ", L"\t"}, {L"  a b \n ", L"a b \n"}, {L"x", L"x"}};
    for (const Trim& t : trims) {
        std::wstring s = t.text;
        trimSpace(s);
        EXPECT_EQ(s, t.expected);
    }
    using V = std::vector<std::string>;
    EXPECT_EQ(splitComma(""), V{""});
    EXPECT_EQ(splitComma("a,,b,"), (V{"a", "", "b", ""}));
    EXPECT_EQ(splitString("1/30", '/'), (V{"1", "30"}));
    EXPECT_EQ(splitWideString(L"a;b", L';'), (std::vector<std::wstring>{L"a", L"b"}));
    std::vector<std::wstring> items = {L"x", L"y", L"z"};
    EXPECT_EQ(joinString(items.begin() + 1, items.end(), items[0], L','), L"x,y,z");
    EXPECT_EQ(joinString(items.end(), items.end(), std::wstring(L"only"), L','), L"only");
}

TEST(Text, FormatTimeAndFormatString)
{
    struct Case {
        double seconds;
        const wchar_t* time;
        const wchar_t* timeSeconds;
    } cases[] = {
        {-(3600 + 120 + 5.678), L"-01:02:05.67", L"-01:02:05"},
        {59.999, L"00:00:59.99", L"00:00:59"},
        {360000.0, L"100:00:00.00", L"100:00:00"},
        {0.0, L"00:00:00.00", L"00:00:00"},
        {-0.5, L"-00:00:00.50", L"-00:00:00"},
    };
    for (const Case& c : cases) {
        wchar_t buffer[32];
        formatTime(buffer, c.seconds);
        EXPECT_STREQ(buffer, c.time);
        formatTimeSeconds(buffer, c.seconds);
        EXPECT_STREQ(buffer, c.timeSeconds);
    }
    EXPECT_EQ(formatString(L"%s:%d", L"frame", 12), L"frame:12");
    std::wstring big(3000, L'q');
    EXPECT_EQ(formatString(L"%s", big.c_str()).size(), 1023u);
}
