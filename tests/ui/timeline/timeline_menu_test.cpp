// The object view's menus (read through the popup menu's test chooser), the
// files dropped on it, the header's commands and the option items.
#include "core/file.h"
#include "core/text.h"
#include "project/edit/update_section.h"
#include "project/model/layer.h"
#include "tests/ui/timeline/timeline_window_fixture.h"
#include "ui/editor/timeline/timeline_commands.h"

#include <fstream>

using namespace TimelineTest;

namespace {

struct Shown {
    std::wstring text;
    bool enabled;
};

class TimelineMenu : public TimelineWindow {
protected:
    // Opens the object view's menu at a view point, keeping its items and choosing the named one (or none).
    std::vector<Shown> menuAt(int x, int y, const std::wstring& choose = L"", uint32_t modifiers = Input::None)
    {
        std::vector<Shown> items;
        Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
            int chosen = 0;
            for (int i = 0; i < menu.itemCount(); ++i) {
                const Platform::Ui::MenuEntry e = menu.item(i);
                items.push_back({e.separator ? L"-" : e.text, e.enabled});
                if (!choose.empty() && e.text == choose && e.enabled)
                    chosen = e.id;
            }
            return chosen;
        });
        if (modifiers & Input::Control)
            Platform::Ui::setKeyDown(17, true);
        view().procContextMenu(x, y);
        Platform::Ui::setKeyDown(17, false);
        return items;
    }
    static std::wstring texts(const std::vector<Shown>& items)
    {
        std::wstring joined;
        for (const Shown& s : items)
            joined += (joined.empty() ? L"" : L"|") + s.text;
        return joined;
    }
    static bool enabled(const std::vector<Shown>& items, const std::wstring& text)
    {
        for (const Shown& s : items)
            if (s.text == text)
                return s.enabled;
        ADD_FAILURE() << "no item " << System::wideToUtf8(text);
        return false;
    }
    std::wstring file(const std::string& name, const std::string& content)
    {
        const std::string path = TestKit::tempDir() + "/" + name;
        std::ofstream(path) << content;
        return System::utf8ToWide(path);
    }
};

const char* const Svg = "<svg xmlns='http://www.w3.org/2000/svg' width='16' height='16'><rect width='16' height='16'/></svg>";

} // namespace

TEST_F(TimelineMenu, EmptySpaceShowsThePlaceMenuWithSelectionsOnlyUnderCtrl)
{
    put(0, 0, 99);
    refresh();
    const auto items = menuAt(300, 13);
    EXPECT_EQ(texts(items).substr(0, 60), std::wstring(L"オブジェクトを追加|フィルタ効果を追加|-|貼り付け|空のフレームを挿入|-|オブジェクト選択|-|グリッド(BPM)の表示")
                                              .substr(0, 60));
    EXPECT_FALSE(enabled(items, L"貼り付け"));
    EXPECT_FALSE(enabled(items, L"オブジェクト選択"));
    EXPECT_TRUE(enabled(menuAt(300, 13, L"", Input::Control), L"オブジェクト選択"));
    EXPECT_TRUE(scene().selection.objects.empty());
}

TEST_F(TimelineMenu, AnObjectShowsTheObjectMenuAndMidPointItemsFollowThePointer)
{
    const auto object = put(0, 100, 199);
    {
        Edit::UpdateSection update;
        object->addMidPoint(150);
    }
    refresh();
    auto items = menuAt(120, 13);
    const std::wstring expected =
        L"切り取り|コピー|貼り付け|削除|複製|分割|-|左側に詰める|切り取りして詰める|切り出し|長さを変更|-|中間点を追加|中間点を削除|-";
    EXPECT_EQ(texts(items).substr(0, expected.size()), expected);
    EXPECT_TRUE(enabled(items, L"分割"));
    EXPECT_FALSE(enabled(items, L"切り出し")); // no frame selection
    EXPECT_FALSE(enabled(items, L"中間点を削除"));
    EXPECT_EQ(texts(items).substr(texts(items).size() - 8), L"エイリアスを作成");
    scene().selection.clear();
    // Within 8 pixels of the mid-point (frame 150) it can go; 9 away it cannot.
    EXPECT_TRUE(enabled(menuAt(158, 13), L"中間点を削除"));
    scene().selection.clear();
    EXPECT_FALSE(enabled(menuAt(159, 13), L"中間点を削除"));
    scene().selection.clear();
    menuAt(158, 13, L"中間点を削除");
    EXPECT_TRUE(object->midPoints.empty());
}

TEST_F(TimelineMenu, SplittingTakesTheCursorFrameWithAddSectionSplitByCursorFrame)
{
    const auto object = put(0, 100, 199);
    refresh();
    scene().cursorFrame = 180;
    edit().addSectionSplitByCursorFrame = 1;
    menuAt(120, 13, L"分割");
    EXPECT_EQ(spans(0), "100-179 180-199");
    scene().selection.clear();
    edit().addSectionSplitByCursorFrame = 0;
    menuAt(120, 13, L"分割");
    EXPECT_EQ(spans(0), "100-119 120-179 180-199");
    (void)object;
}

TEST_F(TimelineMenu, DroppedFilesLandOnConsecutiveLayersAndAnUnsupportedOneStopsTheDrop)
{
    refresh();
    const std::vector<std::wstring> figures = {file("a.svg", Svg), file("b.svg", Svg), file("c.svg", Svg)};
    const int lh = timeline->view.metrics.layerHeight;
    const int x = vx(200), y = vy(2 * lh + 10);
    EXPECT_TRUE(Input::dragFiles(figures, x, y));
    EXPECT_TRUE(Input::dropFiles(figures, x, y));
    Input::wait();
    EXPECT_EQ(spans(2).substr(0, 4), "200-");
    EXPECT_EQ(spans(3).substr(0, 4), "200-");
    EXPECT_EQ(spans(4).substr(0, 4), "200-");

    // An unsupported file in the middle: the one before it stays, the drop stops with the message.
    answerBoxes(true);
    const std::vector<std::wstring> mixed = {file("d.svg", Svg), file("e.xyz", "?"), file("f.svg", Svg)};
    Input::dropFiles(mixed, vx(600), vy(6 * lh + 10));
    ASSERT_TRUE(waitForBox());
    EXPECT_NE(boxes.front().find(L"このファイルには対応していません"), std::wstring::npos);
    EXPECT_EQ(spans(6).substr(0, 4), "600-");
    EXPECT_EQ(spans(7), "");
    EXPECT_EQ(spans(8), "");

    // An object alias file is taken whatever the readers support; an unknown one is not.
    EXPECT_TRUE(Input::dragFiles({file("x.object", "[Object]\n")}, x, y));
    EXPECT_FALSE(Input::dragFiles({file("y.xyz", "?")}, x, y));
    Input::dragLeave();
}

TEST_F(TimelineMenu, HeaderCommandsShowHideInsertAndDeleteLayers)
{
    for (int layer = 0; layer < 4; ++layer)
        put(layer, 0, 9);
    refresh();
    Component::EditLayerHeaderControl& header = *timeline->layerHeader;
    auto hiddenLayers = [&] {
        std::string h;
        for (int i = 0; i < 4; ++i)
            h += scene().getLayer(i).layer->hide ? '1' : '0';
        return h;
    };
    header.toggleOtherLayers(1);
    EXPECT_EQ(hiddenLayers(), "1011");
    header.toggleOtherLayers(1);
    EXPECT_EQ(hiddenLayers(), "0000");

    const std::string before = text();
    header.insertLayer(0);
    EXPECT_EQ(spans(0), "");
    EXPECT_EQ(spans(1), "0-9");
    EXPECT_EQ(spans(4), "0-9");
    EXPECT_FALSE(scene().getLayer(0).layer->isStored());
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(text(), before);

    const auto second = scene().getLayer(1).objects.front();
    const auto third = scene().getLayer(2).objects.front();
    header.deleteLayer(1);
    EXPECT_EQ(second->layer, -1);
    EXPECT_EQ(third->layer, 1);
    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(text(), before);
    EXPECT_EQ(second->layer, 1);

    Dialog::InputStringDialog::setAnswerer([](Dialog::InputStringDialog& d) {
        EXPECT_EQ(d.title, L"レイヤー名を変更");
        d.text = L"背景";
        return true;
    });
    header.renameLayer(3);
    EXPECT_EQ(edit().getLayerName(3), L"背景");
}

TEST_F(TimelineMenu, TheScenePopupChecksOnlyTheCurrentSceneAndTheGridDialogStoresWithoutUndo)
{
    std::vector<Platform::Ui::MenuEntry> shown;
    Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
        for (int i = 0; i < menu.itemCount(); ++i)
            shown.push_back(menu.item(i));
        return 0;
    });
    timeline->showSceneMenu();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].checked);

    const size_t steps = history().steps.size();
    Dialog::GridTempDialog::setAnswerer([](Dialog::GridTempDialog& d) {
        EXPECT_FLOAT_EQ(float(d.tempo), 120.0f);
        d.tempo = 90;
        d.beats = 3;
        d.offset = 0.5;
        return true;
    });
    timeline->showGridTempDialog();
    EXPECT_FLOAT_EQ(scene().tempoBpm, 90.0f);
    EXPECT_EQ(scene().tempoBeat, 3);
    EXPECT_FLOAT_EQ(scene().tempoOffset, 0.5f);
    EXPECT_FLOAT_EQ(Setting::SettingService::Get()->tempoBeatPerMinute, 90.0f);
    EXPECT_EQ(history().steps.size(), steps);
    // A tempo of 0 is refused and changes nothing.
    Dialog::GridTempDialog::setAnswerer([](Dialog::GridTempDialog& d) {
        d.tempo = 0;
        return true;
    });
    timeline->showGridTempDialog();
    EXPECT_FLOAT_EQ(scene().tempoBpm, 90.0f);
    Dialog::GridTempDialog::setAnswerer(nullptr);

    TestKit::LogCapture log;
    Edit::EditCommand::setTempoGrid();
    EXPECT_EQ(timeline->settings.tempoGrid, 1);
    EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::setTempoGrid|set tempo grid enable=1"));
}
