// The main window on a real X display (Xvfb): the screen as ImageMagick's
// import captures it, checked region by region, and the program itself shown
// and closed by SIGTERM. Run on Xvfb by on_xvfb.sh (ctest label "xvfb"); the
// screenshots stay in the test artefacts.
#include "core/config.h"
#include "core/ini_file.h"
#include "tests/ui/controls_fixture.h"
#include "tests/ui/screen_capture.h"
#include "tests/ui/window_fixture.h"
#include "ui/window/controls/button_input_control.h"
#include "ui/window/controls/edit_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/slider_input_control.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace WindowTest;
using namespace XvfbTest;

namespace {

// This program runs on the display it was given, not offscreen.
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
            GTEST_SKIP() << "no display: run on Xvfb (tests/ui/on_xvfb.sh)";
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
    int ox, oy;
    origin(ox, oy);
    const uint32_t footer = colour(Window::ColorBrushList::Footer);
    const int footerY = oy + window->height - Setting::Layout::FooterHeight;
    // Pixels of text ink on the footer's left.
    auto ink = [&](const Screenshot& shot) {
        int count = 0;
        for (int x = ox + 5; x < ox + 200; ++x)
            for (int y = footerY; y < footerY + Setting::Layout::FooterHeight; ++y)
                count += shot.at(x, y) != footer;
        return count;
    };
    const Screenshot shot = captureWhen("window_empty", [&](const Screenshot& s) {
        return s.at(ox + 100, oy + 100) == colour(Window::ColorBrushList::Background) && ink(s) > 20;
    });
    ASSERT_GT(shot.width, 0);
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
    EXPECT_EQ(shot.at(ox + window->width / 2, footerY + 1), footer);
    EXPECT_GT(ink(shot), 20) << "the left text";
}

TEST_F(OnDisplay, TwoPanelsShowTheirFillsAndTheSeparatorBetween)
{
    TestPanel left("Window.left", {0, 0, 0.3f, 1, 0, true}, Window::ColorBrushList::ButtonBodySelect);
    TestPanel right("Window.right", {0.3f, 0, 1, 1, 4, true}, Window::ColorBrushList::ObjectAudioSelect);
    window->updateWindowLayout();
    int ox, oy;
    origin(ox, oy);
    const Window::Rect& a = left.clientRect;
    const Window::Rect& b = right.clientRect;
    const Screenshot shot = captureWhen("window_two_panels", [&](const Screenshot& s) {
        return s.at(ox + a.x + 10, oy + a.y + 10) == colour(left.brush) &&
               s.at(ox + b.x + b.width / 2, oy + b.y + b.height / 2) == colour(right.brush);
    });
    ASSERT_GT(shot.width, 0);
    EXPECT_EQ(shot.at(ox + a.x + 10, oy + a.y + 10), colour(left.brush));
    EXPECT_EQ(shot.at(ox + b.x + b.width / 2, oy + b.y + b.height / 2), colour(right.brush));
    // The separator between them: the frames of both at its edges, the separator colour inside.
    const int gap = a.x + a.width;
    EXPECT_EQ(shot.at(ox + gap, oy + 50), colour(Window::ColorBrushList::WindowBorder));
    EXPECT_EQ(shot.at(ox + gap + 2, oy + 50), colour(Window::ColorBrushList::WindowSeparator));
    EXPECT_EQ(shot.at(ox + b.x - 1, oy + 50), colour(Window::ColorBrushList::WindowBorder));
    EXPECT_EQ(b.x - gap, Setting::Layout::WindowSeparatorSize);
}

namespace {

// velmora2 started with its data under home, on this display (the platform
// its own choice), its output in the file out.
pid_t startProgram(const std::string& home, const std::string& out)
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
    char* argv[] = {program.data(), nullptr};
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

// The ids of the shown windows titled as the program's (its boxes and its main window).
std::vector<std::string> shownWindows()
{
    std::string out;
    TestKit::runCommand("xdotool search --onlyvisible --name '^Velmora Tessel2$' 2>/dev/null", &out);
    std::vector<std::string> ids;
    std::istringstream lines(out);
    for (std::string id; lines >> id;)
        ids.push_back(id);
    return ids;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace

TEST(Program, ShowsItsWindowAndClosesOnSigterm)
{
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display: run on Xvfb (tests/ui/on_xvfb.sh)";
    const std::string home = TestKit::tempDir() + "/program";
    const std::string data = home + "/velmora2";
    ASSERT_EQ(TestKit::runCommand("mkdir -p '" + data + "'"), 0);
    TestKit::writeFile(data + "/velmora2.ini", "[Logger]\r\nFileLogLevel=2\r\n[Window]\r\nx=20\r\ny=10\r\nw=900\r\nh=560\r\n");
    const std::string out = home + "/out.txt";
    auto log = [&] {
        std::string text;
        TestKit::runCommand("cat '" + data + "'/Log/*.log 2>/dev/null", &text);
        return text;
    };
    Running program{startProgram(home, out)};
    ASSERT_GT(program.pid, 0);

    // The software graphics driver makes the program warn in a box before its
    // window exists: a person presses Enter on that box (xdotool) until it
    // goes, and the start goes on. Never more: a key in the main window is
    // the user's.
    std::string box;
    bool started = false;
    for (int step = 0; step < 1200 && !started && !program.poll(); ++step) {
        const std::string text = log();
        started = text.find("start up") != std::string::npos;
        if (started || text.find("ROVsSupported : 0") == std::string::npos) {
            sleepMs(100);
            continue;
        }
        const std::vector<std::string> shown = shownWindows();
        if (box.empty() && !shown.empty()) {
            box = shown.front();
            captureWhen("program_warning", [](const Screenshot&) { return true; }, sleepMs);
        }
        if (!box.empty() && std::find(shown.begin(), shown.end(), box) != shown.end())
            TestKit::runCommand("xdotool windowfocus " + box + " key Return");
        sleepMs(500);
    }
    ASSERT_TRUE(started) << "the program did not start\n" << log() << TestKit::readFile(out);

    // Its window where "Window" puts it, painted: not the black screen.
    const int middleX = 20 + 450, middleY = 10 + 280;
    const Screenshot shot =
        captureWhen("program", [&](const Screenshot& s) { return s.at(middleX, middleY) != 0xFF000000u; }, sleepMs);
    EXPECT_NE(shot.at(middleX, middleY), 0xFF000000u) << "the window shows";

    ::kill(program.pid, SIGTERM);
    for (int step = 0; step < 300 && !program.poll(); ++step)
        sleepMs(100);
    ASSERT_TRUE(program.exited) << "SIGTERM did not end the program";
    EXPECT_TRUE(WIFEXITED(program.status) && WEXITSTATUS(program.status) == 0)
        << "status " << program.status << "\n" << TestKit::readFile(out);
    const std::string ini = TestKit::readFile(data + "/velmora2.ini");
    EXPECT_NE(ini.find("[Window]\r\nx=20\r\ny=10\r\nw=900\r\nh=560\r\nzoom=0\r\n"), std::string::npos) << ini;
}

// The drawn controls on the display: each state colour at its place.
TEST_F(OnDisplay, ControlsShowTheirStateColoursInPlace)
{
    using Brushes = Window::ColorBrushList;
    ControlsTest::ControlPanel panel;
    window->updateWindowLayout();
    Window::ControlContainer& box = panel.container;
    Control::TextButtonControl normal(box, 20, 40, 140, 28, 0), hovered(box, 170, 40, 140, 28, 0),
        disabled(box, 320, 40, 140, 28, 0);
    normal.label = L"通常のボタン";
    hovered.label = L"ホバー";
    disabled.label = L"無効なボタン";
    disabled.enabled = false;
    Control::CheckButtonControl check(box, 480, 40, 28, 28);
    check.checked = true;
    Control::LayoutControl row(box, 20, 90, 440, 26);
    Control::SliderInputControl slider(row, 0, 0, 26);
    slider.setRange(0.5, 0, 100, 0.01);
    Control::ScrollBarControl bar(box, 480, 90, 16);
    bar.placeHeight = 200;
    bar.minPos = 0, bar.maxPos = 999;
    bar.setPosition(100, 399);
    Control::EditControl field(box);
    field.placeX = 20, field.placeY = 140, field.placeWidth = 440, field.placeHeight = 30;
    field.text = L"日本語のテキスト abc";
    field.updateTextLayout();
    panel.procMove();
    panel.procPaint();
    Input::click(field.rect.x + field.rect.width - 10, field.rect.y + 15);
    Input::move(hovered.rect.x + 5, hovered.rect.y + 5);
    Input::wait(300);
    const Screenshot shot = capture("controls_panel");
    ASSERT_GT(shot.width, 0);
    int ox, oy;
    origin(ox, oy);
    auto at = [&](const Window::Rect& r, int dx, int dy) { return shot.at(ox + r.x + dx, oy + r.y + dy); };
    EXPECT_EQ(at(normal.rect, 4, 4), colour(Brushes::ButtonBody));
    EXPECT_EQ(at(normal.rect, 0, 10), colour(Brushes::Border)) << "the frame";
    EXPECT_EQ(at(hovered.rect, 4, 4), colour(Brushes::ButtonBodyHover));
    EXPECT_EQ(at(disabled.rect, 4, 4), colour(Brushes::ButtonBodyDisable));
    EXPECT_EQ(at(check.rect, 3, 24), colour(Brushes::ButtonBody)) << "checked and framed: the body colour";
    int tick = 0;
    for (int y = 0; y < 28; ++y)
        for (int x = 0; x < 28; ++x)
            tick += at(check.rect, x, y) == colour(Brushes::Text);
    EXPECT_GT(tick, 8) << "the tick in Text";
    EXPECT_EQ(at(slider.face.rect, 3, 3), colour(Brushes::ButtonBody));
    EXPECT_EQ(at(bar.thumbRect, 8, bar.thumbRect.height / 2), colour(Brushes::ButtonBody)) << "the thumb";
    EXPECT_EQ(at(bar.rect, 8, bar.rect.height - 30), colour(Brushes::Background)) << "the track";
    EXPECT_EQ(at(field.rect, 0, 15), colour(Brushes::BorderFocus)) << "the focused field's frame";
    EXPECT_EQ(at(field.rect, 3, 15), colour(Brushes::Background));
    int ink = 0;
    for (int y = 4; y < 26; ++y)
        for (int x = 4; x < 200; ++x)
            ink += at(field.rect, x, y) != colour(Brushes::Background);
    EXPECT_GT(ink, 40) << "the field's text";
}

TEST_F(OnDisplay, ListsGaugesAndTitlesShowTheirColoursInPlace)
{
    using Brushes = Window::ColorBrushList;
    ControlsTest::ControlPanel panel;
    window->updateWindowLayout();
    Window::ControlContainer& box = panel.container;
    Control::TitleHeaderControl title(box, L"オブジェクト設定");
    title.subTitle = L"テキスト [1]";
    Control::TrackBarControl track(box, 20, 40, 500, 24);
    track.setMaximum(999);
    track.setRange(200, 600);
    track.setSelectRange(300, 450);
    track.setValue(380);
    Control::ZoomGaugeControl zoom(box, 20, 80, 260, 20);
    zoom.litCount = 10;
    Control::LayoutControl row(box, 300, 80, 220, 24);
    Control::ButtonInputControl colourField(row, 0, 220);
    colourField.emptyText = L"未指定";
    Control::TextControl label(box, 20, 200, L"中央寄せのラベル");
    label.placeY = 120, label.placeHeight = 24, label.style = 1;
    label.frame = window->colorBrushList.get(Brushes::Border);
    Control::EditControl field(box);
    field.placeX = 20, field.placeY = 160, field.placeWidth = 480, field.placeHeight = 90;
    Control::EditScrollBarControl fieldBar(box, 500, 160, 16, field);
    fieldBar.placeHeight = 90;
    for (int i = 0; i < 12; ++i)
        field.text += L"行 " + std::to_wstring(i) + L": 選択されたテキストと text\n";
    field.updateTextLayout();
    panel.procMove();
    panel.procPaint();
    Input::click(field.rect.x + 30, field.rect.y + 10);
    Input::keyClick(Platform::Ui::Key::Down, Input::Shift);
    Input::keyClick(Platform::Ui::Key::End, Input::Shift);
    Input::wait(300);
    const Screenshot shot = capture("controls_lists_gauges");
    ASSERT_GT(shot.width, 0);
    int ox, oy;
    origin(ox, oy);
    auto at = [&](const Window::Rect& r, int dx, int dy) { return shot.at(ox + r.x + dx, oy + r.y + dy); };
    EXPECT_EQ(at(title.rect, title.rect.width - 5, 5), colour(Brushes::TitleHeader));
    EXPECT_EQ(at(track.rect, int(track.rangeStartX) + 20, 2), colour(Brushes::TrackBarRange)) << "the highlighted range";
    EXPECT_EQ(at(zoom.rect, 5, 10), colour(Brushes::ZoomGauge)) << "a lit segment";
    EXPECT_EQ(at(zoom.rect, 255, 10), colour(Brushes::ZoomGaugeOff));
    EXPECT_EQ(at(colourField.button.rect, 3, 3), colour(Brushes::ButtonBody));
    EXPECT_EQ(at(label.rect, 0, 12), colour(Brushes::Border)) << "the label's frame";
    EXPECT_GT(field.selectionEnd - field.selectionStart, 10);
    int selected = 0;
    for (int x = 40; x < 200; ++x)
        selected += at(field.rect, x, 24) == colour(Brushes::TextSelect);
    EXPECT_GT(selected, 20) << "the selection's colour on the second line";
}
