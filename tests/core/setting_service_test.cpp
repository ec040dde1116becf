#include "core/file.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

using namespace System;

namespace {
std::string dataDir()
{
    return TestKit::tempDir() + "/velmora2";
}
void writeUserFile(const std::string& name, const std::string& text)
{
    File::createDirectory(utf8ToWide(dataDir()).c_str());
    TestKit::writeFile(dataDir() + "/" + name, text);
}
} // namespace

TEST(SettingService, InstalledCopiesAreDefaultsAndTheMainIniIsWrittenAtExit)
{
    writeUserFile("style.conf", "[Layout]\r\nScrollBarSize=30\r\n");
    {
        ServiceReference<Setting::SettingService> settings;
        auto* s = Setting::SettingService::Get();
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->layout.get("ScrollBarSize").toInt(), 30);
        EXPECT_EQ(s->layout.get("FooterHeight").toInt(), 24);
        EXPECT_EQ(s->system.config.get("PixelFormat").toInt(), 10);
        EXPECT_EQ(Setting::Layout::ScrollBarSize, 30);
        EXPECT_EQ(Setting::Layout::SettingItemHeightPlus2, Setting::Layout::SettingItemHeight + 2);
        EXPECT_FALSE(Setting::Font::DefaultFamily.empty());
        EXPECT_EQ(s->projectWidth, 1920);
        EXPECT_EQ(s->gridX, L"16,-16");
        EXPECT_GT(s->system.installedMemory, 0);
        s->projectWidth = 1280;
    }
    EXPECT_EQ(Setting::SettingService::Get(), nullptr);
    std::string ini = TestKit::readFile(dataDir() + "/velmora2.ini");
    EXPECT_NE(ini.find("[Edit]\r\nProjectWidth=1280\r\nProjectHeight=1080\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TempoBeatPerMinute=120.000000\r\n"), std::string::npos);
    // The configuration files are never written.
    EXPECT_EQ(TestKit::readFile(dataDir() + "/style.conf"), "[Layout]\r\nScrollBarSize=30\r\n");
}

TEST(SettingService, HighDpiScalesPixelSizesOnly)
{
    writeUserFile("velmora2.ini", "[Direct3D]\r\nHighDpiMode=0\r\n");
    writeUserFile("style.conf", "[Layout]\r\nWide=20\r\nOne=1\r\nZero=0\r\nExplorerWindowNum=2\r\nWord=abc\r\n"
                                "[Font]\r\nControl=9,Family,Extra\r\nBare=10\r\nNamed=x,Family\r\n");
    ServiceReference<Setting::SettingService> settings;
    auto* s = Setting::SettingService::Get();
    EXPECT_EQ(s->layout.get("Wide").text, "20"); // mode 0: nothing scaled
    EXPECT_EQ(s->system.dpiScale, 1.0f);

    System::Config::iniFile->getValue("Direct3D", "HighDpiMode").text = "1";
    s->system.systemDpi = 144;
    s->applyHighDpiMode();
    EXPECT_EQ(s->system.dpiScale, 1.5f);
    EXPECT_EQ(s->layout.get("Wide").text, "30");
    EXPECT_EQ(s->layout.get("One").text, "2");
    EXPECT_EQ(s->layout.get("Zero").text, "0");
    EXPECT_EQ(s->layout.get("ExplorerWindowNum").text, "2");
    EXPECT_EQ(s->layout.get("Word").text, "abc");
    EXPECT_EQ(s->font.get("Control").text, "14,Family");
    EXPECT_EQ(s->font.get("Bare").text, "15");
    EXPECT_EQ(s->font.get("Named").text, "x,Family");
}

TEST(SettingService, StyleValuesOutsideTheirMeaningfulRangeAreClamped)
{
    writeUserFile("style.conf", "[Layout]\r\nSettingItemHeight=2147483647\r\nScrollBarSize=-5\r\n"
                                "ExplorerWindowNum=1000000\r\nFooterHeight=30\r\n"
                                "[Font]\r\nControl=1e20,Family\r\nLog=-3\r\nFooter=nan\r\nTextEdit=9.5,X,Y\r\n");
    TestKit::LogCapture log;
    ServiceReference<Setting::SettingService> settings;
    auto* s = Setting::SettingService::Get();
    EXPECT_EQ(Setting::Layout::SettingItemHeight, 16384);
    EXPECT_EQ(Setting::Layout::SettingItemHeightPlus2, 16386);
    EXPECT_EQ(Setting::Layout::ScrollBarSize, 0);
    EXPECT_EQ(Setting::Layout::FooterHeight, 30);
    EXPECT_EQ(s->layout.get("ExplorerWindowNum").text, "16");
    EXPECT_EQ(s->font.get("Control").text, "1024,Family");
    EXPECT_EQ(s->font.get("Log").text, "1");
    EXPECT_EQ(s->font.get("Footer").text, "1");
    EXPECT_EQ(s->font.get("TextEdit").text, "9.5,X,Y"); // in range: untouched
    EXPECT_TRUE(log.contains("WARN|Setting::SettingService::SettingService|style value out of range, clamped to "
                             "16384. file=" + dataDir() + "/style.conf(line 2) section=Layout key=SettingItemHeight"));

    // Scaling the largest values for a high-resolution display stays in range.
    System::Config::iniFile->getValue("Direct3D", "HighDpiMode").text = "1";
    s->system.systemDpi = 960;
    s->applyHighDpiMode();
    EXPECT_EQ(s->layout.get("SettingItemHeight").text, "163840");
}

TEST(SettingService, AnUnreadableRequiredStyleValueFailsTheStart)
{
    writeUserFile("style.conf", "[Layout]\r\nSettingItemHeight=abc\r\n");
    try {
        ServiceReference<Setting::SettingService> settings;
        FAIL() << "constructed";
    } catch (const std::exception& e) {
        EXPECT_NE(std::string(e.what()).find("ini file parameter invalid format(int) or undefined."),
                  std::string::npos);
        EXPECT_NE(std::string(e.what()).find("section=Layout key=SettingItemHeight"), std::string::npos);
    }
    EXPECT_EQ(Setting::SettingService::Get(), nullptr);
}
