// The program on a real X display (Xvfb) with a project of one picture: the
// preview shows the rendered frame where the picture's four colours belong,
// the side panes show their titles and rows, and the footer its texts. The
// screenshot stays in the test artefacts. Run by on_xvfb.sh.
#include "tests/support/test_support.h"
#include "tests/ui/screen_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using XvfbTest::Running;
using XvfbTest::Screenshot;

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Where the colour shows (channels within tolerance): count and mean position.
struct Region {
    int count = 0;
    double x = 0, y = 0;
};
Region find(const Screenshot& shot, uint32_t rgb, int tolerance)
{
    Region r;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const uint32_t c = shot.at(x, y);
            bool near = true;
            for (int s = 0; s < 24; s += 8)
                near = near && std::abs(int((c >> s) & 0xFF) - int((rgb >> s) & 0xFF)) <= tolerance;
            if (near) {
                ++r.count;
                r.x += x;
                r.y += y;
            }
        }
    if (r.count) {
        r.x /= r.count;
        r.y /= r.count;
    }
    return r;
}

pid_t startProgram(const std::string& home, const std::string& project, const std::string& out)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QT_QPA_PLATFORM=", 0) != 0 && entry.rfind("XDG_DATA_HOME=", 0) != 0)
            env.push_back(entry);
    }
    env.push_back("XDG_DATA_HOME=" + home);
    std::vector<char*> envp;
    for (std::string& entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = TestKit::binDir() + "/velmora2";
    std::string argument = project;
    char* argv[] = {program.data(), argument.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, envp.data()) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

} // namespace

TEST(PreviewOnDisplay, ShowsTheRenderedPictureAndThePanes)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display: run on Xvfb (tests/ui/on_xvfb.sh)";
    const std::string home = TestKit::tempDir() + "/preview";
    const std::string data = home + "/velmora2";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + data + "'"), 0);
    // A 1920 x 1080 picture of four colours: red, green, blue and yellow quarters.
    const std::string picture = home + "/quarters.png";
    ASSERT_EQ(TestKit::runCommand("convert -size 960x540 xc:'#e02020' xc:'#20c040' +append '" + home +
                                  "/top.png' && convert -size 960x540 xc:'#2040e0' xc:'#e0e020' +append '" + home +
                                  "/bottom.png' && convert '" + home + "/top.png' '" + home +
                                  "/bottom.png' -append '" + picture + "'"),
              0);
    const std::string project = home + "/quarters.vmp2";
    TestKit::writeFile(project, "[project]\r\nfile=" + project +
                                    "\r\n[scene.0]\r\nscene=0\r\nname=Root\r\nvideo.width=1920\r\nvideo.height=1080\r\n"
                                    "video.rate=30\r\nvideo.scale=1\r\naudio.rate=44100\r\ncursor.frame=0\r\n"
                                    "[0]\r\nlayer=0\r\nscene=0\r\nframe=0,59\r\n[0.0]\r\neffect.name=画像ファイル\r\n"
                                    "ファイル=" +
                                    picture + "\r\n[0.1]\r\neffect.name=標準描画\r\n");
    TestKit::writeFile(data + "/velmora2.ini",
                       "[Logger]\r\nFileLogLevel=1\r\n[Window]\r\nx=0\r\ny=0\r\nw=1400\r\nh=900\r\n");
    const std::string out = home + "/out.txt";
    auto log = [&] {
        std::string text;
        TestKit::runCommand("cat '" + data + "'/Log/*.log 2>/dev/null", &text);
        return text;
    };
    Running program{startProgram(home, project, out)};
    ASSERT_GT(program.pid, 0);
    bool started = false;
    for (int step = 0; step < 1200 && !started && !program.poll(); ++step) {
        started = log().find("start up") != std::string::npos;
        if (!started) {
            // The software driver's warning box: Enter goes on.
            TestKit::runCommand("xdotool search --onlyvisible --name '^Velmora Tessel2$' key Return 2>/dev/null");
            sleepMs(100);
        }
    }
    ASSERT_TRUE(started) << log() << TestKit::readFile(out);

    Region red, green, blue, yellow;
    XvfbTest::captureWhen(
        "preview_program",
        [&](const Screenshot& shot) {
            red = find(shot, 0xe02020, 12);
            green = find(shot, 0x20c040, 12);
            blue = find(shot, 0x2040e0, 12);
            yellow = find(shot, 0xe0e020, 12);
            return red.count > 1000 && green.count > 1000 && blue.count > 1000 && yellow.count > 1000;
        },
        sleepMs);
    ASSERT_GT(red.count, 1000) << "the rendered picture shows\n" << log();
    // The quarters stand where the frame has them, and equally large.
    EXPECT_LT(red.x, green.x);
    EXPECT_LT(red.y, blue.y);
    EXPECT_LT(blue.x, yellow.x);
    EXPECT_LT(green.y, yellow.y);
    EXPECT_NEAR(red.count, yellow.count, red.count * 0.1);
    EXPECT_NEAR(green.count, blue.count, green.count * 0.1);

    ::kill(program.pid, SIGTERM);
    for (int step = 0; step < 300 && !program.poll(); ++step)
        sleepMs(100);
    ASSERT_TRUE(program.exited) << "SIGTERM did not end the program";
    EXPECT_TRUE(WIFEXITED(program.status) && WEXITSTATUS(program.status) == 0) << TestKit::readFile(out);
}
