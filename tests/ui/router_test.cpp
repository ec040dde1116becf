// The input router with real events of the main window: the hit test,
// presses and drags, the wheel, keys and shortcuts, the focus, the context
// menu, destroyed targets, the colour pick, drops and the dispatch guard.
#include "tests/ui/window_fixture.h"

#include <memory>

using namespace WindowTest;
namespace Key = Platform::Ui::Key;

namespace {
class Router : public WindowFixture {};
} // namespace

TEST_F(Router, TheHitTestPrefersPriorityThenTheNearerCentre)
{
    struct Case {
        const char* name;
        int x, y;
        int winner; // 0 a, 1 b, 2 c
    };
    // a and b overlap at equal priority; c lies over both at a higher one.
    Probe a({0, 0, 200, 200}, 200), b({100, 0, 200, 200}, 200), c({140, 150, 20, 20}, 300);
    Probe* probes[] = {&a, &b, &c};
    for (const Case& k : {Case{"nearer a", 120, 40, 0}, Case{"nearer b", 180, 40, 1}, Case{"only a", 20, 20, 0},
                          Case{"higher c", 145, 155, 2}}) {
        SCOPED_TRACE(k.name);
        for (Probe* p : probes)
            p->log.clear();
        Input::click(k.x, k.y);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(probes[i]->log.size() > 0 && probes[i]->log.back().rfind("ldown", 0) == 0, i == k.winner) << i;
    }
}

TEST_F(Router, ADisabledWinnerTakesTheClickFromEveryoneBelow)
{
    Probe panel({0, 0, 300, 300}, 100), control({20, 20, 50, 20}, 201);
    control.enabled = false;
    Input::click(30, 30);
    EXPECT_TRUE(panel.log.empty());
    EXPECT_TRUE(control.log.empty());
    Input::click(200, 200);
    EXPECT_TRUE(panel.has("ldown 200 200"));
}

TEST_F(Router, PressesKeepTheirTargetAndDragsCountFromTheOrigin)
{
    Probe target({10, 10, 100, 100}, 200), other({200, 10, 100, 100}, 200);
    target.onLButtonDown = [this] { mouse->beginDrag(30, 40, &Window::Cursors::SizeAll); };
    Input::press(40, 50);
    Input::move(41, 50, Input::None, Input::Left); // within the drag width: nothing yet
    EXPECT_FALSE(mouse->dragMoved);
    Input::move(260, 90, Input::None, Input::Left); // over the other target, still the press target's
    Input::release(260, 90);
    EXPECT_TRUE(target.has("drag 220 40")) << ::testing::PrintToString(target.log);
    EXPECT_TRUE(target.has("lup"));
    EXPECT_TRUE(target.has("release")) << "the capture ends with the release";
    EXPECT_TRUE(other.log.empty() || !other.has("ldown 60 80"));
    EXPECT_EQ(mouse->pressTarget, nullptr);
    EXPECT_FALSE(mouse->dragging);
}

TEST_F(Router, TheWheelStaysWithItsTargetForADoubleClickTime)
{
    // An item over a list scrolls under the pointer; both take the wheel.
    Probe list({0, 0, 300, 300}, 200), item({0, 100, 300, 30}, 201);
    list.acceptWheel = item.acceptWheel = true;
    Input::wheel(50, 50, -120);
    Input::wheel(50, 110, -120);
    EXPECT_EQ(list.count("wheel -120"), 2);
    EXPECT_EQ(item.count("wheel -120"), 0);
    // Over a part that takes no wheel, meanwhile, the turn reaches nobody.
    Probe plain({400, 0, 100, 100}, 200);
    Input::wheel(420, 20, 120);
    EXPECT_TRUE(plain.log.empty());
    Input::wait(Setting::SettingService::Get()->system.doubleClickTime + 50);
    Input::wheel(50, 110, 120);
    EXPECT_EQ(item.count("wheel 120"), 1);
}

TEST_F(Router, RepeatsWaitingBehindAPressOfTheirKeyAreDropped)
{
    Probe field({0, 0, 100, 100}, 200);
    mouse->setFocus(&field);
    Input::keyRepeats('X', 4);
    Input::wait();
    EXPECT_EQ(field.count("key 88"), 1) << ::testing::PrintToString(field.log);
    Input::keyDown('Y');
    EXPECT_EQ(field.count("key 89"), 1);
    EXPECT_EQ(field.chars, L"xxxxy") << "the characters of dropped presses still come, as the keys' own";
}

TEST_F(Router, AltKeysGoToTheShortcutsAndTheirCharacterIsSwallowed)
{
    Probe field({0, 0, 100, 100}, 200);
    mouse->setFocus(&field); // a focused field never sees system keys
    int ran = 0;
    shortcuts->registerShortcut(L"テスト:F", Window::Shortcut::Alt | 'F', [&] { ++ran; }, nullptr, 0);
    Input::keyDown('F', Input::Alt);
    EXPECT_EQ(ran, 1);
    EXPECT_TRUE(mouse->sysKeyHandled) << "its character is answered, so nothing beeps";
    Input::keyUp('F', Input::Alt);
    Input::keyDown('G', Input::Alt);
    EXPECT_FALSE(mouse->sysKeyHandled) << "left to the system";
    Input::keyUp('G', Input::Alt);
    EXPECT_TRUE(field.log.empty());
    EXPECT_EQ(field.chars, L"");
}

TEST_F(Router, ARightClickOutsideTheFocusRemovesItWithoutAContextMenu)
{
    Probe panel({0, 0, 400, 300}, 100), field({10, 10, 100, 20}, 201);
    panel.acceptContextMenu = true;
    mouse->setFocus(&field);
    EXPECT_TRUE(field.focused);
    Input::click(200, 200, Input::Right);
    EXPECT_TRUE(field.has("killfocus"));
    EXPECT_FALSE(field.focused);
    EXPECT_FALSE(panel.has("context")) << "the click only took the focus away";
    EXPECT_FALSE(mouse->ime.imeEnabled) << "the input method goes with the focus";
    Input::click(200, 200, Input::Right);
    EXPECT_TRUE(panel.has("context"));
}

TEST_F(Router, ARightDragPastTheThresholdSuppressesTheContextMenu)
{
    Probe panel({0, 0, 400, 300}, 100);
    panel.acceptContextMenu = panel.acceptRightButton = true;
    panel.onRButtonDown = [this] { mouse->beginDrag(0, 0, &Window::Cursors::SizeAll); };
    Input::press(100, 100, Input::Right);
    Input::release(100, 100, Input::Right);
    EXPECT_EQ(panel.count("context"), 1) << "never moved: the menu comes";
    Input::press(100, 100, Input::Right);
    Input::move(140, 100, Input::None, Input::Right);
    Input::release(140, 100, Input::Right);
    EXPECT_EQ(panel.count("context"), 1) << ::testing::PrintToString(panel.log);
}

TEST_F(Router, DestroyedTargetsAreNeverCalledAgain)
{
    auto doomed = std::make_unique<Probe>(Window::Rect{0, 0, 200, 200}, 200);
    Input::move(50, 50);
    Input::press(50, 50);
    mouse->setFocus(doomed.get());
    mouse->watchKey(doomed.get(), Key::Control);
    EXPECT_EQ(mouse->hoverTarget, doomed.get());
    EXPECT_EQ(mouse->pressTarget, doomed.get());
    doomed.reset();
    EXPECT_EQ(mouse->hoverTarget, nullptr);
    EXPECT_EQ(mouse->pressTarget, nullptr);
    EXPECT_EQ(mouse->focusTarget, nullptr);
    EXPECT_EQ(mouse->keyWatchTarget, nullptr);
    Input::move(60, 60, Input::None, Input::Left);
    Input::release(60, 60);
    Input::keyClick('A');
    Input::keyUp(Key::Control);
}

TEST_F(Router, TheColourPickEndsWithTheNextClick)
{
    Probe picker({0, 0, 100, 100}, 200), other({200, 0, 100, 100}, 200);
    picker.beginColorPick();
    EXPECT_EQ(mouse->colorPickTarget, &picker);
    EXPECT_EQ(mouse->mouseCursor.requestedCursor, &Window::Cursors::Custom130);
    // Inside the picking control: cancelled.
    Input::move(50, 50);
    Input::click(50, 50);
    EXPECT_TRUE(picker.has("pick none"));
    EXPECT_EQ(mouse->colorPickTarget, nullptr);
    EXPECT_FALSE(picker.has("ldown 50 50")) << "the click that ends the pick goes no further";
    // Elsewhere: the screen's pixel, which the offscreen desktop cannot give.
    picker.log.clear();
    picker.beginColorPick();
    Input::move(250, 50);
    Input::click(250, 50);
    EXPECT_EQ(picker.log.size(), 1u);
    EXPECT_TRUE(other.log.empty() || !other.has("ldown 50 50"));
    EXPECT_EQ(mouse->mouseCursor.requestedCursor, mouse->mouseCursor.defaultCursor);
}

TEST_F(Router, FilesDropOnTheTargetThatTakesThemAndTextIsRefused)
{
    Probe panel({0, 0, 200, 200}, 100), refusing({300, 0, 100, 100}, 100);
    panel.acceptDrop = true;
    EXPECT_FALSE(Input::dragText(L"text", 50, 50));
    EXPECT_TRUE(panel.log.empty()) << "nothing is sent for a drag without files";
    EXPECT_TRUE(Input::dragFiles({L"/tmp/a.png"}, 50, 50));
    EXPECT_FALSE(Input::dragFiles({L"/tmp/a.png"}, 350, 50)) << "moving on to a part that takes none";
    EXPECT_TRUE(panel.has("dragleave"));
    panel.log.clear();
    EXPECT_TRUE(Input::dropFiles({L"/tmp/a.png", L"/tmp/b.wav"}, 60, 60));
    EXPECT_EQ(panel.count("drop"), 1);
    EXPECT_EQ(panel.count("dragleave"), 1);
    EXPECT_EQ(panel.dropped, (std::vector<std::wstring>{L"/tmp/a.png", L"/tmp/b.wav"}));
}

TEST_F(Router, InputDuringAHandlersNestedLoopReachesNoTarget)
{
    Probe panel({0, 0, 300, 300}, 100);
    int nested = 0;
    panel.onLButtonDown = [&] {
        if (nested++)
            return;
        // A handler running a loop of its own (a menu, a dialog) while input comes in.
        Input::click(150, 150);
    };
    Input::click(20, 20);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(panel.count("ldown 150 150"), 0);
    EXPECT_FALSE(Window::WindowMouseService::dispatchGuard) << "cleared when the dispatch ended";
    Input::click(150, 150);
    EXPECT_EQ(nested, 2);
}

TEST_F(Router, HoverComesAfterRestAndTheClickThatActivatesIsDropped)
{
    Probe panel({0, 0, 300, 300}, 100);
    Input::move(40, 40);
    Input::move(41, 40);
    Input::wait(600);
    EXPECT_EQ(panel.count("hover"), 1);
    EXPECT_EQ(panel.count("enter"), 1);
    Input::deactivate();
    Input::click(50, 50);
    EXPECT_FALSE(panel.has("ldown 50 50")) << "the click only activates the window";
    ASSERT_TRUE(Input::activate());
    Input::click(50, 50);
    EXPECT_TRUE(panel.has("ldown 50 50"));
}

TEST_F(Router, ImeResultsGoToTheFocusedTarget)
{
    Probe field({0, 0, 100, 100}, 200);
    Input::imeCommit(L"無視");
    EXPECT_EQ(field.chars, L"") << "no focus, no text";
    mouse->setFocus(&field);
    Input::imeCompose(L"にほんご");
    Input::imeCommit(L"日本語");
    EXPECT_EQ(field.chars, L"日本語");
    EXPECT_EQ(Window::readImeResultString(), L"日本語");
}
