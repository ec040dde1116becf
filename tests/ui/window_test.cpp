// The main window: its place in the main ini, closing, the handles the main
// loop waits on, the input lock, the drop-down list's hold on clicks, the
// footer, and the theme's colours when style.conf breaks them.
#include "core/config.h"
#include "core/ini_file.h"
#include "core/sync.h"
#include "core/text.h"
#include "tests/ui/window_fixture.h"

#include <memory>

using namespace WindowTest;

namespace {
using Window::ColorBrushList;

class MainWindow : public WindowFixture {};
} // namespace

TEST_F(MainWindow, OpensAt1280By720AndKeepsTheLastNormalPlace)
{
    // "Window" holds the window's rectangle, menu bar included, without the
    // desktop's frame around it (the offscreen desktop draws a thin one).
    EXPECT_EQ(window->w, 1280);
    EXPECT_EQ(window->h, 720);
    int l, t, r, b;
    window->surface->outerRect(l, t, r, b);
    const int frameWidth = r - l - 1280, frameHeight = b - t - 720;
    EXPECT_GE(frameWidth, 0);
    EXPECT_LE(frameWidth, 16);
    EXPECT_EQ(window->width, window->surface->width()) << "the target covers the client area";
    EXPECT_GT(window->height, 600) << "the menu bar takes the rest";

    Input::moveWindow(40, 30);
    Input::resizeWindow(800, 600);
    EXPECT_EQ(window->x, 40);
    EXPECT_EQ(window->y, 30);
    EXPECT_EQ(window->w, 800);
    EXPECT_EQ(window->h, 600);
    Input::resizeWindow(100, 120); // below the minimum
    window->surface->outerRect(l, t, r, b);
    EXPECT_EQ(r - l - frameWidth, 256);
    EXPECT_EQ(b - t - frameHeight, 256);
    Input::resizeWindow(800, 600);
    Input::maximizeWindow();
    EXPECT_EQ(window->zoom, 1);
    EXPECT_EQ(window->w, 800) << "a maximized window keeps the normal size";
    services.releaseAll();
    const std::string ini = TestKit::readFile(TestKit::tempDir() + "/velmora2/velmora2.ini");
    EXPECT_NE(ini.find("[Window]\r\nx=40\r\ny=30\r\nw=800\r\nh=600\r\nzoom=1\r\n"), std::string::npos) << ini;
}

TEST_F(MainWindow, CloseAsksAndCancelKeepsTheProgramRunning)
{
    int asked = 0;
    bool discard = false;
    window->confirmClose = [&] {
        ++asked;
        return discard;
    };
    Input::closeWindow();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(window->surface->exists());
    EXPECT_FALSE(window->windowGone);
    discard = true;
    Input::closeWindow();
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(window->windowGone);
    window->processMessage(); // returns at once: the window is gone
}

TEST_F(MainWindow, WaitHandlesRunWhileEventsFlow)
{
    Sync::Timer timer;
    timer.setInterval(5);
    int first = 0, second = 0;
    Window::WindowService::registerWaitHandle(timer.handle(), [&] { ++first; });
    Window::WindowService::registerWaitHandle(timer.handle(), [&] { ++second; }); // the first one stays
    Probe probe({0, 0, 400, 300}, 100);
    for (int i = 0; i < 20 && first < 3; ++i) {
        Input::move(10 + i, 10);
        Input::wait(10);
    }
    EXPECT_GE(first, 3);
    EXPECT_EQ(second, 0);
    EXPECT_GT(probe.moved, 0) << "input was handled meanwhile";

    // A function that removes its own handle runs once.
    Window::WindowService::removeWaitHandle(timer.handle());
    int once = 0;
    const int handle = timer.handle();
    Window::WindowService::registerWaitHandle(handle, [&once, handle] {
        ++once;
        Window::WindowService::removeWaitHandle(handle);
    });
    Input::wait(80);
    EXPECT_EQ(once, 1);
    EXPECT_TRUE(window->waitHandles.empty());
}

TEST_F(MainWindow, TheInputLockDropsInputButPaintingAndEventCommandsGoOn)
{
    Probe probe({0, 0, 400, 300}, 100);
    int shortcutRuns = 0;
    shortcuts->registerShortcut(L"テスト:A", 'A', [&] { ++shortcutRuns; }, nullptr, 0);
    std::vector<uint32_t> filtered;
    int escapes = 0;
    window->setInputEnable(false, [&](uint32_t message, uintptr_t key) {
        filtered.push_back(message);
        if (message == Window::WindowService::MessageKeyDown && key == Platform::Ui::Key::Escape) {
            ++escapes; // an export asks whether to stop here
            return true;
        }
        return false;
    });
    EXPECT_FALSE(window->isInputEnabled());
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(window->item(i).enabled) << "the menus are greyed";
    Input::click(50, 50);
    Input::keyClick('A');
    Input::keyClick(Platform::Ui::Key::Escape);
    Input::closeWindow();
    EXPECT_TRUE(probe.log.empty());
    EXPECT_EQ(shortcutRuns, 0);
    EXPECT_EQ(escapes, 1);
    EXPECT_TRUE(window->surface->exists()) << "the close button does nothing";
    EXPECT_NE(std::find(filtered.begin(), filtered.end(), Window::WindowService::MessageClose), filtered.end());
    EXPECT_FALSE(Input::dragFiles({L"/tmp/a.png"}, 50, 50)) << "drags are refused";

    // Painting and commands posted from other threads go on.
    bool commandRan = false;
    Platform::Ui::postToMainThread([&] { commandRan = true; });
    window->footer->setMessage(L"ファイル出力中", L"", 0.0f);
    Input::wait(10);
    EXPECT_TRUE(commandRan);
    int l, t, r, b;
    window->footer->getRect(l, t, r, b);
    EXPECT_EQ(pixel(r - 2, t + 1), colour(ColorBrushList::FooterProgress0));

    // A second lock keeps the first filter; unlocking lets input through.
    window->setInputEnable(false, nullptr);
    Input::keyClick(Platform::Ui::Key::Escape);
    EXPECT_EQ(escapes, 2);
    window->setInputEnable(true, nullptr);
    Input::click(60, 60);
    EXPECT_TRUE(probe.has("ldown 60 60"));
    EXPECT_TRUE(window->item(0).enabled);
}

TEST_F(MainWindow, AClickWhileTheListIsOpenOnlyClosesIt)
{
    Probe probe({0, 0, 400, 300}, 100);
    int chosen = 0;
    Window::ListBox::initialize();
    Window::ListBox::addItem(L"一", [&] { ++chosen; });
    Window::ListBox::show(100, 100, 120, 20, &probe);
    ASSERT_TRUE(Window::ListBox::isOpen);
    // The press reaches the window while the list is open (the pop-up's own
    // closing takes it first on a desktop).
    Platform::Ui::Message press;
    press.id = Platform::Ui::Msg::LButtonDown;
    press.x = press.y = 50;
    window->windowProc(press);
    EXPECT_FALSE(Window::ListBox::isOpen);
    EXPECT_TRUE(probe.log.empty());
    EXPECT_EQ(chosen, 0);
}

TEST_F(MainWindow, TheFooterShowsTextsOrTheBusyMessageWithItsBar)
{
    Window::WindowFooter& footer = *window->footer;
    int l, t, r, b;
    footer.getRect(l, t, r, b);
    EXPECT_EQ(l, 0);
    EXPECT_EQ(r, window->width);
    EXPECT_EQ(b, window->height);
    EXPECT_EQ(b - t, Setting::Layout::FooterHeight);
    footer.setText(L"左のテキスト", L"右");
    EXPECT_EQ(pixel(r - 1, b - 1), colour(ColorBrushList::Footer));

    footer.setMessage(L"Loading...", L"a.vmp2", 0.25f);
    EXPECT_EQ(footer.message, L"Loading... a.vmp2");
    EXPECT_EQ(mouse->mouseCursor.appliedCursor, &Window::Cursors::Wait);
    const int bar = (r - l) / 4;
    EXPECT_EQ(pixel(bar - 2, b - 1), colour(ColorBrushList::FooterProgress1));
    EXPECT_EQ(pixel(bar + 2, b - 1), colour(ColorBrushList::FooterProgress0));
    // The same text with a new progress redraws the bar only.
    footer.setMessage(L"Loading...", L"a.vmp2", 0.5f);
    EXPECT_EQ(pixel(bar + 2, b - 1), colour(ColorBrushList::FooterProgress1));

    footer.setMessage(L"", L"", 0.0f);
    EXPECT_EQ(footer.message, L"");
    EXPECT_EQ(mouse->mouseCursor.appliedCursor, &Window::Cursors::Arrow);
    EXPECT_EQ(pixel(bar + 2, b - 1), colour(ColorBrushList::Footer));
    EXPECT_EQ(footer.leftText, L"左のテキスト") << "shown again";
}

TEST_F(MainWindow, WithEveryPanelHiddenTheAreaShowsTheBackgroundInOneFrame)
{
    TestPanel hidden("Window.test", {0, 0, 1, 1, 0, false});
    window->updateWindowLayout();
    const int s = Setting::Layout::WindowSeparatorSize;
    const int right = window->areaWidth - s + 1, bottom = window->areaHeight - s;
    EXPECT_EQ(pixel(10, 10), colour(ColorBrushList::Background));
    EXPECT_EQ(pixel(right - 2, bottom - 2), colour(ColorBrushList::Background));
    EXPECT_EQ(pixel(0, 10), colour(ColorBrushList::WindowBorder));
    EXPECT_EQ(pixel(right, 10), colour(ColorBrushList::WindowBorder));
    // The frame's bottom line lies under the footer, which starts there.
    EXPECT_EQ(pixel(10, bottom - 1), colour(ColorBrushList::Background));
    EXPECT_EQ(pixel(10, bottom), colour(ColorBrushList::Footer));
    EXPECT_EQ(hidden.clientRect, (Window::Rect{65536, 65536, 0, 0}));
}

namespace {
// A style whose Background value is empty and whose Text value is no colour.
class BrokenStyle : public WindowFixture {
protected:
    void beforeServices() override
    {
        // The window paints at once: what the brushes log comes then.
        log = std::make_unique<TestKit::LogCapture>();
        TestKit::runCommand("mkdir -p '" + TestKit::tempDir() + "/velmora2'");
        TestKit::writeFile(TestKit::tempDir() + "/velmora2/style.conf",
                           "[Color]\r\nBackground=\r\nText=zz\r\nFooterProgress=102030\r\n");
    }
    void TearDown() override
    {
        WindowFixture::TearDown();
        log.reset();
    }
    std::unique_ptr<TestKit::LogCapture> log;
};
} // namespace

TEST_F(BrokenStyle, AMissingOrMalformedColourIsDrawnBlackWithOneWarning)
{
    struct Case {
        int brush;
        const char* key;
    };
    for (const Case& c : {Case{ColorBrushList::Background, "Background"}, Case{ColorBrushList::Text, "Text"}}) {
        EXPECT_EQ(colour(c.brush), 0xFF000000u) << c.key;
        EXPECT_EQ(colour(c.brush), 0xFF000000u) << c.key;
        int warnings = 0;
        for (const std::string& line : log->lines())
            warnings += line.rfind("WARN|", 0) == 0 && line.find(std::string("[") + c.key + "]") != std::string::npos;
        EXPECT_EQ(warnings, 1) << c.key;
    }
    for (const std::string& line : log->lines())
        EXPECT_TRUE(line.rfind("ERROR|", 0) != 0 || line.find("(RGB)") == std::string::npos) << line;
    // A one-colour list serves both of its entries.
    EXPECT_EQ(colour(ColorBrushList::FooterProgress0), 0xFF102030u);
    EXPECT_EQ(colour(ColorBrushList::FooterProgress1), 0xFF102030u);
    // Painting with them goes on.
    window->updateWindowLayout();
    window->footer->setText(L"text", L"");
}

TEST_F(MainWindow, TheThemeMakesEachBrushOfItsKind)
{
    // ObjectAudio feeds the gradient (first to last colour) and the fade (last colour to transparent).
    Platform::Draw::LinearGradientBrush* gradient = window->colorBrushList.gradient(ColorBrushList::ObjectAudio);
    Platform::Draw::LinearGradientBrush* fade = window->colorBrushList.gradient(ColorBrushList::ObjectAudioFade);
    ASSERT_TRUE(gradient && fade);
    EXPECT_EQ(gradient->stops().front().color.a, 1.0f);
    EXPECT_EQ(fade->stops().back().color.a, 0.0f);
    EXPECT_EQ(fade->stops().front().color.r, gradient->stops().back().color.r);
    EXPECT_TRUE(window->colorBrushList.gradient(ColorBrushList::ClippingObjectFade));
    // Border at half alpha.
    EXPECT_EQ(colour(ColorBrushList::BorderHalf) >> 24, 0x80u);
    EXPECT_EQ(colour(ColorBrushList::BorderHalf) & 0xFFFFFF, colour(ColorBrushList::Border) & 0xFFFFFF);
    // The 22 bitmaps are 32 x 32 pictures of the program's resources.
    for (int i = 0; i < Window::BitmapList::Count; ++i) {
        Platform::Draw::Bitmap* bitmap = window->bitmapList.get(i);
        ASSERT_TRUE(bitmap) << i;
        EXPECT_EQ(bitmap->width(), 32) << i;
        EXPECT_EQ(bitmap->height(), 32) << i;
    }
}
