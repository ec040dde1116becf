#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <regex>

namespace {
std::string program()
{
    return TestKit::binDir() + "/velmora2";
}

int runProgram(const std::string& dataHome, std::string* output = nullptr)
{
    return TestKit::runCommand("XDG_DATA_HOME='" + dataHome + "' QT_QPA_PLATFORM=offscreen '" + program() + "' 2>&1",
                            output);
}
} // namespace

TEST(Entry, StartsAndStopsWritingTheMainIniAndTheLog)
{
    std::string home = TestKit::tempDir() + "/home";
    std::string data = home + "/velmora2";
    std::string mkdirs = "mkdir -p '" + data + "'";
    ASSERT_EQ(TestKit::runCommand(mkdirs), 0);
    TestKit::writeFile(data + "/velmora2.ini", "[Logger]\r\nFileLogLevel=2\r\n");
    std::string output;
    ASSERT_EQ(runProgram(home, &output), 0) << output;

    std::string ini = TestKit::readFile(data + "/velmora2.ini");
    EXPECT_NE(ini.find("[Logger]\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Edit]\r\n"), std::string::npos);
    EXPECT_NE(ini.find("FileLogLevel=2\r\n"), std::string::npos);
    // The input service keeps its cache size and each reader its priority.
    EXPECT_NE(ini.find("[Input]\r\nFileHandleMax=20\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("[Input.Wave File Reader]\r\npriority=2\r\next=\r\n"), std::string::npos) << ini;
    // Each writer keeps its settings and its place in the export menu.
    EXPECT_NE(ini.find("[Output.AVIファイル出力]\r\nVideoType=RGB24bit\r\nAudioType=PCM16bit\r\norder=0\r\n"),
              std::string::npos)
        << ini;
    // Menu entries keep their arrangement in the main ini.
    EXPECT_NE(ini.find("[Movement.移動無し]\r\nlabel=\r\norder=0\r\nhide=0\r\n"), std::string::npos) << ini;

    auto logs = TestKit::listFolder(data + "/Log");
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_TRUE(std::regex_match(logs[0], std::regex(R"(velmora2_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d-\d{3}\.log)")));
    std::string log = TestKit::readFile(data + "/Log/" + logs[0]);
    // The Direct2D service registers the installed fonts, the graphics device
    // reports itself and its YUV colour tables, the input service registers its
    // readers and their extensions, the script engines register, and the
    // effect service registers the movements and the built-in effects and,
    // without a palette file, writes the default palette and its preset
    // colours before start-up ends.
    std::regex line(R"((\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Media::FontManager::registerFont\] register font \[[^\]\n]+\][* ]
)+\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Media::Direct3DService::Direct3DService\] D3D feature level : 0x0000b100
(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Media::Direct3DService::Direct3DService\] [^\n]+
){9}(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Media::YUVformat::InitializeColorTable\] \[(YUV2RGB|RGB2YUV)\] \d+: [^\n]+
)+(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Plugin::InputService::registerPlugin\] register input plugin \[[^\n]+\]
){3}(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Plugin::InputService::updateExtTypeList\] \[(Video|Audio|Image)\] [a-z0-9]+ -> \[[^\n]+\]
)+(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Plugin::OutputService::registerPlugin\] register output plugin \[[^\n]+\]
){3}(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Plugin::ScriptService::registerPlugin\] register script plugin \[[^\n]+\]
){2}(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Effect::EffectService::registerMovement\] register movement \[[^\n]+\]
){8}(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Effect::EffectService::registerEffect\] register effect \[[^\n]+\]
)*\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Effect::PaletteDefine::savePaletteFile\] save palette file : [^\n]+/Default/default\.palette
(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[Effect::PaletteManager::reloadPresetColor\] register preset color \[[a-z]+\]
){8}\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[App::run\] start up
\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] \[App::run\] shut down
)");
    EXPECT_TRUE(std::regex_match(log, line)) << log;
}

TEST(Entry, ADisplayThatDoesNotAnswerIsNoReasonToFail)
{
    // A display variable left over from an ended session names a display nobody serves.
    std::string home = TestKit::tempDir() + "/stale";
    std::string output;
    int status = TestKit::runCommand("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:9999 XDG_DATA_HOME='" + home +
                                         "' timeout 60 '" + program() + "' 2>&1",
                                     &output);
    EXPECT_EQ(status, 0) << output; // neither ended by the toolkit nor waiting for a person
    EXPECT_NE(TestKit::readFile(home + "/velmora2/velmora2.ini").find("[Logger]"), std::string::npos);
}

TEST(Entry, AFailedStartEndsWithNonZero)
{
    std::string home = TestKit::tempDir() + "/broken";
    std::string data = home + "/velmora2";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + data + "'"), 0);
    TestKit::writeFile(data + "/style.conf", "[Layout]\r\nListItemHeight=tall\r\n");
    std::string output;
    EXPECT_EQ(runProgram(home, &output), 1);
    EXPECT_NE(output.find("ini file parameter invalid format(int) or undefined."), std::string::npos) << output;
    // The report names the file by the path it has on this system.
    EXPECT_NE(output.find("file=" + data + "/style.conf(line 2) section=Layout key=ListItemHeight"),
              std::string::npos)
        << output;
    // The settings service was released without writing anything it did not own.
    EXPECT_EQ(TestKit::readFile(data + "/style.conf"), "[Layout]\r\nListItemHeight=tall\r\n");
}

TEST(Entry, AFailureAfterTheLoggerStartedIsInTheLogFile)
{
    std::string home = TestKit::tempDir() + "/late";
    std::string data = home + "/velmora2";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + data + "'"), 0);
    // A broken colour table stops the graphics device, long after the logger started.
    TestKit::writeFile(data + "/system.conf", "[YUV2RGB]\r\n0=broken\r\n");
    TestKit::writeFile(data + "/velmora2.ini", "[Logger]\r\nFileLogLevel=2\r\n");
    std::string output;
    EXPECT_EQ(runProgram(home, &output), 1) << output;
    auto logs = TestKit::listFolder(data + "/Log");
    ASSERT_EQ(logs.size(), 1u) << output;
    std::string log = TestKit::readFile(data + "/Log/" + logs[0]);
    std::regex shown(R"(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[ERROR\] \[Dialog::showException\] show exception dialog.
yuv color setting invalid

\[Note\]
file=)" + data + R"(/system.conf\(line 2\) section=YUV2RGB key=0

\[Place\]
Media::YUVformat::ColorValues::ColorValues\(\)
)");
    std::smatch match;
    EXPECT_TRUE(std::regex_search(log, match, shown)) << log;
    // The start never completed, and the shut-down listeners do not run on this path.
    EXPECT_EQ(log.find("[App::run] start up"), std::string::npos);
    EXPECT_EQ(log.find("[App::run] shut down"), std::string::npos);
    EXPECT_NE(log.find("[INFO]"), std::string::npos); // the INFO lines before the failure are there
    // The services that had started were released: the settings service wrote the main ini.
    std::string ini = TestKit::readFile(data + "/velmora2.ini");
    EXPECT_NE(ini.find("[Logger]\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("MaxViewLine=200\r\n"), std::string::npos) << ini;
}
