// The headless interface the editing commands use: the frame-length and
// number dialogs, the object menus with their greyed items, and the
// timeline's frame selection.
#include "core/text.h"
#include "project/edit/edit_command.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/command_fixture.h"
#include "project/edit/edit_host.h"
#include "ui/menus/object_menu.h"
#include "ui/window/base_menu.h"

#include <cmath>
#include <limits>

using namespace EditTest;

namespace {

class CommandUi : public CommandFixture {
protected:
    // The menu's items as "text" or "(text)" when greyed.
    static std::wstring shown(const Window::BaseMenu& menu)
    {
        std::wstring text;
        for (int i = 0; i < menu.itemCount(); ++i) {
            const Platform::Ui::MenuEntry item = menu.item(i);
            if (!text.empty())
                text += L" ";
            text += item.separator ? L"-" : item.enabled ? item.text : L"(" + item.text + L")";
        }
        return text;
    }
};

} // namespace

TEST_F(CommandUi, FrameLengthDialogConvertsSecondsAtTheRateAndKeepsToItsRange)
{
    Dialog::FrameLengthDialog dialog;
    dialog.videoRate = 30;
    dialog.videoScale = 1;
    struct Case {
        double seconds;
        int frames;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const Case& c : {Case{2.5, 75}, Case{0.25, 8} /* 7.5 frames: halves away from zero */, Case{-3.0, 0},
                          Case{nan, 0}, Case{1e12, 2000000000}}) {
        EXPECT_EQ(dialog.secondsToFrames(c.seconds), c.frames) << c.seconds;
    }
    dialog.videoRate = 30000;
    dialog.videoScale = 1001;
    EXPECT_EQ(dialog.secondsToFrames(10.0), 300); // 299.7
    EXPECT_DOUBLE_EQ(dialog.framesToSeconds(300), 10.01);

    // Without a person it cancels with its title in the log.
    dialog.title = L"指定時間に移動";
    dialog.frames = 300;
    TestKit::LogCapture log;
    EXPECT_FALSE(dialog.show());
    EXPECT_TRUE(log.contains("INFO|Dialog::FrameLengthDialog::show|" + System::wideToAnsi(L"指定時間に移動")));

    double secondsShown = 0.0;
    Dialog::FrameLengthDialog::setAnswerer([&](Dialog::FrameLengthDialog& d) {
        secondsShown = d.seconds;
        d.frames = 5000;
        return true;
    });
    dialog.maximum = 1000;
    ASSERT_TRUE(dialog.show());
    EXPECT_DOUBLE_EQ(secondsShown, 10.01);
    EXPECT_EQ(dialog.frames, 1000);
    Dialog::FrameLengthDialog::setAnswerer([](Dialog::FrameLengthDialog& d) {
        d.frames = 5; // typed first, then overwritten by the seconds row
        d.seconds = 1.0;
        d.secondsTyped = true;
        return true;
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(dialog.frames, 30); // 29.97 frames
}

TEST_F(CommandUi, TheHostsDialogsPassTheirAnswersBackToTheCommands)
{
    Dialog::EditServiceHost host;
    int frames = 12;
    EXPECT_FALSE(host.inputFrameLength(L"長さ", frames, 100, 30, 1));
    EXPECT_EQ(frames, 12);
    Dialog::FrameLengthDialog::setAnswerer([](Dialog::FrameLengthDialog& d) {
        EXPECT_EQ(d.maximum, 100);
        d.frames = d.frames * 2;
        return true;
    });
    ASSERT_TRUE(host.inputFrameLength(L"長さ", frames, 100, 30, 1));
    EXPECT_EQ(frames, 24);

    double value = 3.0;
    EXPECT_FALSE(host.inputNumber(L"ランダム移動", L"設定値", value, -10.0, 10.0));
    for (double typed : {7.5, 50.0, std::numeric_limits<double>::quiet_NaN()}) {
        Dialog::InputNumberDialog::setAnswerer([typed](Dialog::InputNumberDialog& d) {
            EXPECT_EQ(d.label, L"設定値");
            d.value = typed;
            return true;
        });
        ASSERT_TRUE(host.inputNumber(L"ランダム移動", L"設定値", value, -10.0, 10.0));
        EXPECT_DOUBLE_EQ(value, std::isnan(typed) ? -10.0 : std::min(typed, 10.0));
    }
}

TEST_F(CommandUi, ObjectMenusGreyWhatHasNoTargetAndRunTheCommands)
{
    Window::PopupMenu empty;
    Dialog::insertObjectEditMenu(empty);
    Dialog::insertGroupMenu(empty);
    Dialog::insertLayerRangeMenu(empty);
    EXPECT_EQ(shown(empty), L"(切り取り) (コピー) (貼り付け) (削除) (複製) (グループ化) (グループ解除)");

    const auto a = put(0, 0, 9);
    const auto b = put(1, 0, 9);
    scene().focusObject = a;
    Window::PopupMenu edit;
    Dialog::insertObjectEditMenu(edit);
    EXPECT_EQ(shown(edit), L"切り取り コピー (貼り付け) 削除 複製");
    ASSERT_TRUE(edit.runItem(1)); // copy
    EXPECT_EQ(this->edit().objectClipboard.size(), 1u);
    Window::PopupMenu pasting;
    Dialog::insertObjectEditMenu(pasting);
    EXPECT_TRUE(pasting.item(2).enabled);

    // Grouping needs two selected objects; ungrouping needs every target grouped.
    scene().selection.addObject(a, scene());
    Window::PopupMenu one;
    Dialog::insertGroupMenu(one);
    EXPECT_EQ(shown(one), L"(グループ化) (グループ解除)");
    scene().selection.addObject(b, scene());
    Window::PopupMenu two;
    Dialog::insertGroupMenu(two);
    EXPECT_EQ(shown(two), L"グループ化 (グループ解除)");
    ASSERT_TRUE(two.runItem(0));
    ASSERT_TRUE(a->group);
    Window::PopupMenu grouped;
    Dialog::insertGroupMenu(grouped);
    EXPECT_EQ(shown(grouped), L"グループ化 グループ解除");
    scene().selection.clear();
    Window::PopupMenu focused;
    Dialog::insertGroupMenu(focused); // the grouped focus object
    EXPECT_EQ(shown(focused), L"(グループ化) グループ解除");

    // The layer-range item stands only beside a control object and another object.
    const auto camera = put(2, 0, 9, L"カメラ制御");
    scene().selection.addObject(camera, scene());
    Window::PopupMenu alone;
    Dialog::insertLayerRangeMenu(alone);
    EXPECT_EQ(alone.itemCount(), 0);
    const auto low = put(6, 0, 9);
    scene().selection.addObject(low, scene());
    Window::PopupMenu range;
    Dialog::insertLayerRangeMenu(range);
    EXPECT_EQ(shown(range), L"対象レイヤー範囲を調整 -");
    ASSERT_TRUE(range.runItem(0));
    EXPECT_EQ(camera->effects[0]->getLayerRange()->value, 4);
}

TEST_F(CommandUi, WithoutTheTimelineTheFrameSelectionIsStillKeptAndTold)
{
    std::vector<std::pair<int, int>> heard;
    events().selectFrameRangeChanged.push_back([&](int start, int end) { heard.push_back({start, end}); });
    EXPECT_FALSE(Edit::TimelineHost::get().getTimelineView().hasMouse); // no mouse: paste goes to the cursor
    Edit::TimelineHost::get().setFrameSelection(3, 9);
    EXPECT_EQ(scene().frameSelectionStart, 3);
    EXPECT_EQ(scene().frameSelectionEnd, 9);
    Edit::TimelineHost::get().setFrameSelection(-1, -1);
    EXPECT_EQ(scene().frameSelectionStart, -1);
    EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{3, 9}, {-1, -1}}));
}
