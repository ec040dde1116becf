// The main window on a real X display (Xvfb): the screen as ImageMagick's
// import captures it, checked region by region, and the program itself shown
// and closed by SIGTERM. Run under xvfb-run (ctest label "xvfb"); the
// screenshots stay in the test artefacts.
#include "core/config.h"
#include "core/ini_file.h"
#include "tests/ui/window_fixture.h"

#include <cstdlib>
#include <sstream>

using namespace WindowTest;

namespace {

// The whole screen as import captures it: RGBA rows.
struct Screenshot {
    int width = 0, height = 0;
    std::string rgba;

    uint32_t at(int x, int y) const
    {
        const size_t i = (size_t(y) * size_t(width) + size_t(x)) * 4;
        return 0xFF000000u | uint32_t(uint8_t(rgba[i])) << 16 | uint32_t(uint8_t(rgba[i + 1])) << 8 |
               uint8_t(rgba[i + 2]);
    }
};

Screenshot capture(const std::string& name)
{
    const std::string png = TestKit::artefactDir() + "/" + name + ".png";
    const std::string raw = TestKit::tempDir() + "/" + name + ".rgba";
    Screenshot shot;
    if (TestKit::runCommand("import -window root '" + png + "' && convert '" + png + "' rgba:'" + raw + "'") != 0)
        return shot;
    std::string size;
    TestKit::runCommand("identify -format '%w %h' '" + png + "'", &size);
    std::istringstream(size) >> shot.width >> shot.height;
    shot.rgba = TestKit::readFile(raw);
    return shot;
}

// This program runs on the display xvfb-run gives it, not offscreen.
struct OnTheDisplay : ::testing::Environment {
    void SetUp() override
    {
        if (const char* display = std::getenv("DISPLAY"); display && *display)
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
};
const auto* const environment = ::testing::AddGlobalTestEnvironment(new OnTheDisplay);

class OnDisplay : public WindowFixture {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no display: run under xvfb-run";
        WindowFixture::SetUp();
        ASSERT_TRUE(Platform::Ui::hasDisplay());
    }
    // The client area's origin on the screen.
    void origin(int& x, int& y) const
    {
        x = y = 0;
        window->surface->clientToScreen(x, y);
    }
};

} // namespace

TEST_F(OnDisplay, EveryPanelHiddenShowsTheBackgroundFramedAndTheFooter)
{
    TestPanel hidden("Window.hidden", {0, 0, 1, 1, 0, false});
    window->updateWindowLayout();
    window->footer->setText(L"フッター 左のテキスト", L"右 100%");
    Input::wait(300);
    const Screenshot shot = capture("window_empty");
    ASSERT_GT(shot.width, 0);
    int ox, oy;
    origin(ox, oy);
    const int s = Setting::Layout::WindowSeparatorSize;
    const int right = window->areaWidth - s + 1, bottom = window->areaHeight - s;
    EXPECT_EQ(shot.at(ox + 100, oy + 100), colour(Window::ColorBrushList::Background));
    EXPECT_EQ(shot.at(ox + right - 3, oy + bottom - 3), colour(Window::ColorBrushList::Background));
    EXPECT_EQ(shot.at(ox, oy + 100), colour(Window::ColorBrushList::WindowBorder));
    EXPECT_EQ(shot.at(ox + right, oy + 100), colour(Window::ColorBrushList::WindowBorder));
    // The frame's bottom line lies under the footer, which starts there.
    EXPECT_EQ(shot.at(ox + 100, oy + bottom - 1), colour(Window::ColorBrushList::Background));
    EXPECT_EQ(shot.at(ox + 100, oy + bottom), colour(Window::ColorBrushList::Footer));
    // The footer below, in its colour, with text ink somewhere on its left.
    const int footerY = oy + window->height - Setting::Layout::FooterHeight;
    EXPECT_EQ(shot.at(ox + window->width / 2, footerY + 1), colour(Window::ColorBrushList::Footer));
    int ink = 0;
    for (int x = ox + 5; x < ox + 200; ++x)
        for (int y = footerY; y < footerY + Setting::Layout::FooterHeight; ++y)
            ink += shot.at(x, y) != colour(Window::ColorBrushList::Footer);
    EXPECT_GT(ink, 20) << "the left text";
}

TEST_F(OnDisplay, TwoPanelsShowTheirFillsAndTheSeparatorBetween)
{
    TestPanel left("Window.left", {0, 0, 0.3f, 1, 0, true}, Window::ColorBrushList::ButtonBodySelect);
    TestPanel right("Window.right", {0.3f, 0, 1, 1, 4, true}, Window::ColorBrushList::ObjectAudioSelect);
    window->updateWindowLayout();
    Input::wait(300);
    const Screenshot shot = capture("window_two_panels");
    ASSERT_GT(shot.width, 0);
    int ox, oy;
    origin(ox, oy);
    const Window::Rect& a = left.clientRect;
    const Window::Rect& b = right.clientRect;
    EXPECT_EQ(shot.at(ox + a.x + 10, oy + a.y + 10), colour(left.brush));
    EXPECT_EQ(shot.at(ox + b.x + b.width / 2, oy + b.y + b.height / 2), colour(right.brush));
    // The separator between them: the frames of both at its edges, the separator colour inside.
    const int gap = a.x + a.width;
    EXPECT_EQ(shot.at(ox + gap, oy + 50), colour(Window::ColorBrushList::WindowBorder));
    EXPECT_EQ(shot.at(ox + gap + 2, oy + 50), colour(Window::ColorBrushList::WindowSeparator));
    EXPECT_EQ(shot.at(ox + b.x - 1, oy + 50), colour(Window::ColorBrushList::WindowBorder));
    EXPECT_EQ(b.x - gap, Setting::Layout::WindowSeparatorSize);
}

TEST(Program, ShowsItsWindowAndClosesOnSigterm)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display: run under xvfb-run";
    const std::string home = TestKit::tempDir() + "/program";
    const std::string data = home + "/velmora2";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + data + "'"), 0);
    TestKit::writeFile(data + "/velmora2.ini", "[Logger]\r\nFileLogLevel=2\r\n[Window]\r\nx=20\r\ny=10\r\nw=900\r\nh=560\r\n");
    const std::string png = TestKit::artefactDir() + "/program.png";
    // The software graphics driver makes the program warn in a box first:
    // a person presses Enter on it (xdotool), then the window shows.
    const std::string logs = "cat '" + data + "'/Log/*.log 2>/dev/null";
    const std::string box = TestKit::artefactDir() + "/program_warning.png";
    const std::string script =
        "env -u QT_QPA_PLATFORM XDG_DATA_HOME='" + home + "' '" + TestKit::binDir() + "/velmora2' > '" + home +
        "/out.txt' 2>&1 & pid=$!; i=0; while [ $i -lt 1200 ]; do " + logs +
        " | grep -q 'start up' && break; if " + logs + " | grep -q 'ROVsSupported : 0' && " +
        "xdotool search --sync --onlyvisible --name '^Velmora Tessel2$' >/dev/null 2>&1; then sleep 0.5; "
        "[ -f '" + box + "' ] || import -window root '" + box + "'; xdotool key Return; fi; " +
        "kill -0 $pid 2>/dev/null || break; sleep 0.1; i=$((i+1)); done; sleep 1; " +
        "import -window root '" + png + "'; kill -TERM $pid; wait $pid";
    const int status = TestKit::runCommand(script);
    EXPECT_EQ(status, 0) << TestKit::readFile(home + "/out.txt");
    const std::string ini = TestKit::readFile(data + "/velmora2.ini");
    EXPECT_NE(ini.find("[Window]\r\nx=20\r\ny=10\r\nw=900\r\nh=560\r\nzoom=0\r\n"), std::string::npos) << ini;
    std::string size;
    TestKit::runCommand("identify -format '%w %h' '" + png + "'", &size);
    EXPECT_FALSE(size.empty()) << "the screenshot was taken";
}
