#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {
std::string program()
{
    return TestKit::binDir() + "/velmora2";
}

// Runs the program with the environment until the log file in the data home
// tells of its start (or it ended by itself), then sends SIGTERM, which
// closes its window; its exit status. The log must take INFO lines.
int runUntilStarted(const std::string& environment, const std::string& dataHome, std::string* output = nullptr)
{
    static int runs = 0;
    const std::string out = TestKit::tempDir() + "/run" + std::to_string(++runs) + ".txt";
    const std::string logs = dataHome + "/velmora2/Log/";
    const std::string script = environment + " '" + program() + "' > '" + out + "' 2>&1 & pid=$!; " +
                               "i=0; while [ $i -lt 1200 ]; do cat '" + logs + "'*.log 2>/dev/null | grep -q 'start up' " +
                               "&& break; kill -0 $pid 2>/dev/null || break; sleep 0.05; i=$((i+1)); done; " +
                               "kill -TERM $pid 2>/dev/null; wait $pid";
    const int status = TestKit::runCommand(script);
    if (output)
        *output = TestKit::readFile(out);
    return status;
}

int runProgram(const std::string& dataHome, std::string* output = nullptr)
{
    return runUntilStarted("XDG_DATA_HOME='" + dataHome + "' QT_QPA_PLATFORM=offscreen", dataHome, output);
}
// A run of consecutive log lines that each match a pattern, at least min and
// at most max of them (max -1: no limit).
struct LineRun {
    std::string pattern;
    int min, max;
};

// Matches the text's lines, each ending in a newline, against the runs in
// order; empty when they match, else what went wrong.
std::string matchLines(const std::string& text, const std::vector<LineRun>& runs)
{
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        if (end == std::string::npos)
            return "the last line has no newline";
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    size_t next = 0;
    for (const LineRun& run : runs) {
        const std::regex re(run.pattern);
        int count = 0;
        while (next < lines.size() && (run.max < 0 || count < run.max) && std::regex_match(lines[next], re)) {
            ++next;
            ++count;
        }
        if (count < run.min)
            return "line " + std::to_string(next + 1) + ": expected " + std::to_string(run.min - count) +
                   " more of " + run.pattern;
    }
    if (next != lines.size())
        return "line " + std::to_string(next + 1) + " is not expected: " + lines[next];
    return "";
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
    // The window closed by SIGTERM keeps its place.
    EXPECT_NE(ini.find("[Window]\r\nx="), std::string::npos) << ini;
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
    // The log is matched a line at a time against runs of line patterns: one
    // regular expression over the whole log recurses once per character and
    // overflows the stack as the log grows.
    const std::string at = R"(\[\d\d/\d\d \d\d:\d\d:\d\d\] \[INFO\] )";
    const std::vector<LineRun> runs = {
        {at + R"(\[Media::FontManager::registerFont\] register font \[[^\]]+\][* ])", 1, -1},
        {at + R"(\[Media::Direct3DService::Direct3DService\] D3D feature level : 0x0000b100)", 1, 1},
        {at + R"(\[Media::Direct3DService::Direct3DService\] .+)", 9, 9},
        {at + R"(\[Media::YUVformat::InitializeColorTable\] \[(YUV2RGB|RGB2YUV)\] \d+: .+)", 1, -1},
        {at + R"(\[Plugin::InputService::registerPlugin\] register input plugin \[.+\])", 3, 3},
        {at + R"(\[Plugin::InputService::updateExtTypeList\] \[(Video|Audio|Image)\] [a-z0-9]+ -> \[.+\])", 1, -1},
        {at + R"(\[Plugin::OutputService::registerPlugin\] register output plugin \[.+\])", 3, 3},
        {at + R"(\[Plugin::ScriptService::registerPlugin\] register script plugin \[.+\])", 2, 2},
        {at + R"(\[Effect::EffectService::registerMovement\] register movement \[.+\])", 8, 8},
        {at + R"(\[Effect::EffectService::registerEffect\] register effect \[.+\])", 0, -1},
        {at + R"(\[Effect::PaletteDefine::savePaletteFile\] save palette file : .+/Default/default\.palette)", 1, 1},
        {at + R"(\[Effect::PaletteManager::reloadPresetColor\] register preset color \[[a-z]+\])", 8, 8},
        {at + R"(\[App::run\] start up)", 1, 1},
        {at + R"(\[App::run\] shut down)", 1, 1},
    };
    EXPECT_EQ(matchLines(log, runs), "") << log;
}

TEST(Entry, ADisplayThatDoesNotAnswerIsNoReasonToFail)
{
    // A display variable left over from an ended session names a display nobody serves.
    std::string home = TestKit::tempDir() + "/stale";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + home + "/velmora2'"), 0);
    TestKit::writeFile(home + "/velmora2/velmora2.ini", "[Logger]\r\nFileLogLevel=2\r\n");
    std::string output;
    int status = runUntilStarted("env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:9999 XDG_DATA_HOME='" + home +
                                     "'",
                                 home, &output);
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
