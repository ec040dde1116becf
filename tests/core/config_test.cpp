#include "core/config.h"
#include "core/ini_file.h"

#include <gtest/gtest.h>

using namespace System;

namespace {
struct Owner {
    Config::Section section{"Owner"};
    int number = -1;
    float real = -1;
    std::wstring text;
    Config::Int numberParameter{section, "Number", &number, 7};
    Config::Float realParameter{section, "Real", &real, 2.5f};
    Config::String textParameter{section, "Text", &text, L"default"};
};
} // namespace

TEST(Config, ValuesFallBackToTheirDefaults)
{
    struct Case {
        std::string number, real, text;
        int expectNumber;
        float expectReal;
        std::wstring expectText;
    } cases[] = {
        {"", "", "", 7, 2.5f, L""},
        {"abc", "x", "\xE3\x81\x82", 7, 2.5f, L"\u3042"},
        {"99999999999", "1e99", "t", 7, 2.5f, L"t"},
        {"12abc", "120", "t", 12, 120.0f, L"t"},
        {"-3", "-0.5", "t", -3, -0.5f, L"t"},
    };
    for (auto& c : cases) {
        IniFile ini;
        ini.getValue("Owner", "Number").text = c.number;
        ini.getValue("Owner", "Real").text = c.real;
        ini.getValue("Owner", "Text").text = c.text;
        Owner o;
        o.section.load(ini);
        EXPECT_EQ(o.number, c.expectNumber) << c.number;
        EXPECT_EQ(o.real, c.expectReal) << c.real;
        EXPECT_EQ(o.text, c.expectText);
    }
    IniFile missingKeys;
    missingKeys.addSection("Owner");
    Owner o;
    o.section.load(missingKeys);
    EXPECT_EQ(o.text, L"default");
}

TEST(Config, SaveWritesEveryKeyAndKeepsOthers)
{
    IniFile ini;
    ini.getValue("Owner", "Handwritten").text = "kept";
    ini.getValue("Owner", "Real").text = "120";
    {
        Owner a;
        a.section.load(ini);
        Config::Section other{"Owner"};
        int x = 0;
        Config::Int xParameter{other, "X", &x, 4};
        other.load(ini);
        EXPECT_EQ(x, 4);
        Config::SectionSaver saveOther{&other, &ini};
        Config::SectionSaver saveA{&a.section, &ini};
    }
    auto s = ini.getSection("Owner");
    EXPECT_EQ(s.findValue("Handwritten").text, "kept");
    EXPECT_EQ(s.findValue("Real").text, "120.000000");
    EXPECT_EQ(s.findValue("Number").text, "7");
    EXPECT_EQ(s.findValue("Text").text, "default");
    EXPECT_EQ(s.findValue("X").text, "4");

    IniFile empty;
    Owner fresh;
    fresh.section.load(empty); // absent section: defaults
    EXPECT_EQ(fresh.number, 7);
    fresh.section.save(empty);
    EXPECT_EQ(empty.getSection("Owner").section().size(), 3u);
}
