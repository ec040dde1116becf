// The effect panels of the settings window: the shared input panel, folding,
// reordering by drag with real input, the toggles, the effect menu and its
// clipboard; and the header's section gauge.
#include "core/file.h"
#include "core/text.h"
#include "effect/effect_define.h"
#include "project/edit/edit_command.h"
#include "tests/ui/settings_fixture.h"
#include "ui/settings/controls/number_control.h"
#include "ui/window/base_menu.h"

#include <filesystem>

using namespace SettingsTest;

namespace {

class SettingPanel : public SettingsFixture {
protected:
    Component::EffectSetting& panel(size_t i) { return *setting().panelList.at(i); }
    static std::vector<std::wstring> names(const Edit::Object& object)
    {
        std::vector<std::wstring> result;
        for (const auto& e : object.effects)
            result.emplace_back(e->name);
        return result;
    }
    // The entries of the next popup menu (text, enabled), choosing the one named `choose`.
    std::vector<std::pair<std::wstring, bool>> menuOf(const std::function<void()>& open, const wchar_t* choose = nullptr)
    {
        std::vector<std::pair<std::wstring, bool>> seen;
        Window::PopupMenu::setChooser([&](const Window::PopupMenu& menu) {
            int chosen = 0;
            for (int i = 0; i < menu.itemCount(); ++i) {
                const Platform::Ui::MenuEntry e = menu.item(i);
                if (e.separator)
                    continue;
                seen.emplace_back(e.text, e.enabled);
                if (choose && e.text == choose)
                    chosen = e.id;
            }
            return chosen;
        });
        open();
        Window::PopupMenu::setChooser(nullptr);
        return seen;
    }
    static bool enabledOf(const std::vector<std::pair<std::wstring, bool>>& menu, const std::wstring& text)
    {
        for (const auto& [t, enabled] : menu)
            if (t == text)
                return enabled;
        ADD_FAILURE() << "no entry " << System::wideToUtf8(text);
        return false;
    }
    // A press at (x, y) of the window, moves by dy in steps of 4 pixels, release.
    void drag(int x, int y, int dy)
    {
        Input::press(x, y);
        Input::wait();
        const int step = dy < 0 ? -4 : 4;
        for (int moved = step; std::abs(moved) <= std::abs(dy); moved += step) {
            Input::move(x, y + moved, Input::None, 1);
            Input::wait();
        }
        Input::release(x, y + dy);
        Input::wait();
    }
};

} // namespace

TEST_F(SettingPanel, AnInputSharesItsPanelWithTheOutputWhoseItemsComeFirst)
{
    auto object = place(0, 0, 99, {L"ぼかし"});
    focus(object);
    ASSERT_EQ(setting().panelList.size(), 2u);
    EXPECT_EQ(panel(0).header.name.text, L"画像ファイル [標準描画]");
    EXPECT_EQ(panel(0).itemControls.front()->getEffectItem(), object->effects[1]->items[0]) << "the output's X";
    EXPECT_EQ(panel(0).itemControls.size(), 5u) << "output X, Y; input X, Y, file";
    EXPECT_EQ(panel(1).header.name.text, L"ぼかし");
    // The panels stack without gaps, each a header row and its rows.
    EXPECT_EQ(panel(1).placeY, panel(0).placeHeight);
    EXPECT_EQ(setting().totalHeight, panel(0).placeHeight + panel(1).placeHeight);
    EXPECT_EQ(panel(0).header.enableCheck->toolTip, L"オブジェクトの表示・非表示");
    EXPECT_EQ(panel(1).header.enableCheck->toolTip, L"フィルタ効果の有効・無効");
    EXPECT_TRUE(panel(0).header.clippingToggle && panel(0).header.cameraToggle);
    EXPECT_FALSE(panel(1).header.clippingToggle);

    // A sound object: no lock toggle on its panel, no clipping or camera.
    auto sound = scene().createObject(L"音声ファイル", 1, 0, 9);
    focus(sound);
    EXPECT_FALSE(panel(0).header.lockToggle);
    EXPECT_FALSE(panel(0).header.clippingToggle);
}

TEST_F(SettingPanel, FoldingChangesNoUndoHistoryAndLeavesTheHeaderRow)
{
    auto object = place(0, 0, 99, {L"ぼかし"});
    focus(object);
    const size_t before = steps();
    Component::EffectSetting& blur = panel(1);
    const Control::IconButtonControl& fold = blur.header.fold;
    Input::click(fold.rect.x + fold.rect.width / 2, fold.rect.y + fold.rect.height / 2);
    Input::wait();
    EXPECT_TRUE(object->effects[2]->hide);
    EXPECT_TRUE(panel(1).itemControls.empty());
    EXPECT_EQ(panel(1).placeHeight, Setting::Layout::SettingItemHeight + 4);
    EXPECT_EQ(steps(), before) << "folding is display state";
    panel(1).toggleFold();
    EXPECT_EQ(panel(1).itemControls.size(), 2u);
}

TEST_F(SettingPanel, DraggingAFilterPanelReordersTheChainInOneUndoStep)
{
    auto object = place(0, 0, 99, {L"ぼかし", L"両用フィルタ"});
    focus(object);
    const auto order = names(*object);
    Component::EffectSetting& blur = panel(1);
    const int x = blur.rect.x + 40, y = blur.rect.y + 5;
    const int h = blur.placeHeight, below = panel(2).placeHeight;
    const int threshold = std::min(below, (h + below) / 2) + 4;
    // Below the threshold nothing moves.
    drag(x, y, threshold - 8);
    EXPECT_EQ(names(*object), order);
    EXPECT_EQ(Component::EffectSettingSelect::selectedEffect, nullptr) << "the release clears the highlight";
    const size_t before = steps();
    drag(x, y, threshold + 8);
    EXPECT_EQ(names(*object), (std::vector<std::wstring>{L"画像ファイル", L"標準描画", L"両用フィルタ", L"ぼかし"}));
    EXPECT_EQ(panel(2).effect->name, std::wstring(L"ぼかし")) << "the panels follow";
    EXPECT_EQ(steps(), before + 1);
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(names(*object), order);

    // The input's panel and a filter next to no filter cannot move.
    auto lone = place(1, 0, 99, {L"ぼかし"});
    focus(lone);
    EXPECT_FALSE(panel(0).canMove());
    EXPECT_FALSE(panel(1).canMove());
    Input::press(panel(1).rect.x + 40, panel(1).rect.y + 5);
    Input::wait();
    EXPECT_EQ(Component::EffectSettingSelect::selectedEffect, nullptr) << "no highlight";
    Input::release(panel(1).rect.x + 40, panel(1).rect.y + 5);
    Input::wait();
}

TEST_F(SettingPanel, ClippingAndCameraExcludeEachOtherInOneStep)
{
    auto object = place(3, 10, 99);
    focus(object);
    object->camera = true;
    TestKit::LogCapture log;
    const size_t before = steps();
    Control::CheckBitmapButtonControl& clipping = *panel(0).header.clippingToggle;
    Input::click(clipping.rect.x + clipping.rect.width / 2, clipping.rect.y + clipping.rect.height / 2);
    Input::wait();
    EXPECT_TRUE(object->clipping);
    EXPECT_FALSE(object->camera);
    EXPECT_EQ(steps(), before + 1);
    EXPECT_TRUE(log.contains("INFO|Edit::EditCommand::setEnableClippingObject|set enable clipping layer=3 frame=10 enable=1"));
    ASSERT_TRUE(undo->undo());
    EXPECT_FALSE(object->clipping);
    EXPECT_TRUE(object->camera) << "one step restores both";

    focus(object);
    Edit::EditCommand::setEnableEffect(object, object->effects[0], false);
    EXPECT_TRUE(object->effects[0]->disable);
    EXPECT_FALSE(panel(0).header.enableCheck->checked) << "the panel shows the state again";
    Edit::EditCommand::setLockEffect(object, object->effects[0], true);
    EXPECT_TRUE(object->effects[1]->lock) << "the output shares the input's lock";
}

TEST_F(SettingPanel, TheMenuGreysWhatThePanelCannotDo)
{
    auto object = place(0, 0, 99, {L"ぼかし"});
    focus(object);
    struct Case {
        size_t panel;
        bool remove, cut, copy, paste, cutAfter, copyAfter;
    };
    setting().effectClipboard.clear();
    auto first = menuOf([&] { panel(0).procContextMenu(0, 0); });
    auto filter = menuOf([&] { panel(1).procContextMenu(0, 0); });
    for (const auto& [menu, c] : {std::pair{first, Case{0, false, false, false, false, false, false}},
                                  std::pair{filter, Case{1, true, true, true, false, true, true}}}) {
        EXPECT_EQ(enabledOf(menu, L"フィルタ効果を削除"), c.remove) << c.panel;
        EXPECT_EQ(enabledOf(menu, L"切り取り"), c.cut) << c.panel;
        EXPECT_EQ(enabledOf(menu, L"コピー"), c.copy) << c.panel;
        EXPECT_EQ(enabledOf(menu, L"貼り付け"), c.paste) << c.panel;
        EXPECT_EQ(enabledOf(menu, L"以降を切り取り"), c.cutAfter) << c.panel;
        EXPECT_EQ(enabledOf(menu, L"以降をコピー"), c.copyAfter) << c.panel;
    }
    EXPECT_EQ(Component::EffectSettingSelect::selectedEffect, nullptr) << "the menu's close clears the highlight";
    // A control object's panel cannot be copied either.
    auto camera = scene().createObject(L"カメラ制御", 1, 0, 99);
    focus(camera);
    EXPECT_FALSE(enabledOf(menuOf([&] { panel(0).procContextMenu(0, 0); }), L"コピー"));
}

TEST_F(SettingPanel, CopyKeepsASnapshotAndCopyAfterTheLiveEffects)
{
    auto source = place(0, 0, 99, {L"ぼかし"});
    auto target = place(1, 0, 99);
    auto& blurX = ProjectTest::TestEffect<ProjectTest::Blur>::Name; (void)blurX;
    auto x = [](const std::shared_ptr<Effect::EffectBase>& e) { return dynamic_cast<Effect::EffectItemNumber*>(e->items[0])->values[0]; };
    dynamic_cast<Effect::EffectItemNumber*>(source->effects[2]->items[0])->setValue(1.0, 0);
    focus(source);
    panel(1).copyEffect();
    dynamic_cast<Effect::EffectItemNumber*>(source->effects[2]->items[0])->setValue(2.0, 0);
    focus(target);
    panel(0).pasteEffect();
    ASSERT_EQ(target->effects.size(), 3u);
    EXPECT_EQ(x(target->effects[2]), 10) << "the value at the copy";

    focus(source);
    panel(1).copyAfterEffect();
    dynamic_cast<Effect::EffectItemNumber*>(source->effects[2]->items[0])->setValue(3.0, 0);
    focus(target);
    panel(0).pasteEffect();
    ASSERT_EQ(target->effects.size(), 4u);
    EXPECT_EQ(x(target->effects[2]), 30) << "the value at the paste, right behind the output";
}

TEST_F(SettingPanel, PastedFiltersFollowThePanelInClipboardOrderAndUnfitOnesAreSkipped)
{
    auto source = place(0, 0, 99, {AllKinds::Name, L"ぼかし", L"両用フィルタ"});
    auto target = place(1, 0, 99, {L"壊れ", L"ぼかし"});
    focus(source);
    panel(1).copyAfterEffect();
    ASSERT_EQ(setting().effectClipboard.size(), 3u);
    focus(target);
    panel(1).pasteEffect(); // after X = 壊れ
    EXPECT_EQ(names(*target), (std::vector<std::wstring>{L"画像ファイル", L"標準描画", L"壊れ", AllKinds::Name, L"ぼかし",
                                                         L"両用フィルタ", L"ぼかし"}));
    ASSERT_TRUE(undo->undo());
    EXPECT_EQ(names(*target).size(), 4u) << "one undo step";

    // A sound filter does not fit a picture: nothing is pasted.
    auto sound = scene().createObject(L"音声ファイル", 2, 0, 99);
    sound->setFilterEffect(Effect::EffectService::Get()->findEffect(L"音量調整"));
    focus(sound);
    panel(1).copyEffect();
    focus(target);
    panel(0).pasteEffect();
    EXPECT_EQ(names(*target).size(), 4u);
}

TEST_F(SettingPanel, TheTopFilterOfAFilterObjectGoesOnlyWithAnotherBehindIt)
{
    auto filters = scene().createObject(L"ぼかし", 0, 0, 99);
    filters->setFilterEffect(Effect::EffectService::Get()->findEffect(L"両用フィルタ"));
    focus(filters);
    ASSERT_EQ(names(*filters), (std::vector<std::wstring>{L"ぼかし", L"両用フィルタ"}));
    EXPECT_TRUE(panel(0).canMove()) << "the top filter moves too";
    Edit::EditCommand::removeEffect(filters, filters->effects[0]);
    EXPECT_EQ(names(*filters), (std::vector<std::wstring>{L"両用フィルタ"}));
    Edit::EditCommand::removeEffect(filters, filters->effects[0]);
    EXPECT_EQ(names(*filters), (std::vector<std::wstring>{L"両用フィルタ"})) << "a lone top stays";
}

TEST_F(SettingPanel, DefaultsAreSavedAndResetOnDisk)
{
    auto object = place(0, 0, 99, {L"ぼかし"});
    focus(object);
    Effect::EffectDefine& blur = Effect::EffectService::Get()->findEffect(L"ぼかし");
    const std::filesystem::path file = System::wideToUtf8(blur.getDefaultFilePath());
    dynamic_cast<Effect::EffectItemNumber*>(object->effects[2]->items[0])->setValue(5.0, 0);
    menuOf([&] { panel(1).procContextMenu(0, 0); }, nullptr);
    // "設定を保存" is a sub-menu: its entries run through the panel's definitions directly.
    blur.saveDefaultValue(object->effects[2].get());
    EXPECT_TRUE(std::filesystem::exists(file));
    dynamic_cast<Effect::EffectItemNumber*>(object->effects[2]->items[0])->setValue(0.0, 0);
    panel(1).setDefaultSetting();
    EXPECT_EQ(dynamic_cast<Effect::EffectItemNumber*>(object->effects[2]->items[0])->values[0], 50);
    blur.resetDefaultValue(object->effects[2].get());
    EXPECT_FALSE(std::filesystem::exists(file));
}

// ---- the section gauge ----

TEST_F(SettingPanel, TheGaugeMovesTheCursorToPointsWithin8Pixels)
{
    auto object = place(0, 100, 199);
    object->midPoints = {50};
    focus(object);
    Control::SettingHeaderGaugeControl& gauge = setting().header->gauge;
    gauge.updateMetrics();
    ASSERT_GT(gauge.barWidth, 100);
    const int midX = gauge.sideMargin + gauge.pixelOf(150);
    struct Case {
        int x, cursor;
    };
    const int endX = gauge.sideMargin + gauge.barWidth - 1; // the end line, on the last frame's pixel
    for (const Case c : {Case{midX + 7, 150}, Case{midX - 7, 150}, Case{gauge.sideMargin + 3, 100},
                         Case{endX - 7, 199}, Case{endX - 1, 199}, Case{endX + 7, 199}}) {
        Input::click(gauge.rect.x + c.x, gauge.rect.y + gauge.rect.height / 2);
        Input::wait();
        EXPECT_EQ(scene().cursorFrame, c.cursor) << c.x;
    }
    EXPECT_EQ(gauge.cursorFrame, scene().cursorFrame) << "the gauge follows the cursor list";
    // Equally far from two points: the earlier one.
    object->midPoints = {50, 52};
    gauge.setObject(object.get());
    const int between = gauge.sideMargin + gauge.pixelOf(151);
    if (std::abs(gauge.pixelOf(150) - gauge.pixelOf(151)) == std::abs(gauge.pixelOf(152) - gauge.pixelOf(151)))
        EXPECT_EQ(gauge.hitTestPoint(between), 1);
}

TEST_F(SettingPanel, AOneFrameObjectHoldsEveryPressOnItsFrame)
{
    auto object = place(0, 40, 40);
    focus(object);
    Control::SettingHeaderGaugeControl& gauge = setting().header->gauge;
    for (int x : {gauge.sideMargin, gauge.rect.width / 2, gauge.rect.width - gauge.sideMargin}) {
        EXPECT_EQ(gauge.frameAt(x), 0);
        Input::click(gauge.rect.x + x, gauge.rect.y + 5);
        Input::wait();
        EXPECT_EQ(scene().cursorFrame, 40);
    }
    EXPECT_EQ(gauge.pixelOf(40), 0) << "the cursor line at x 0";
}

TEST_F(SettingPanel, ModeTwoMarksNoHoveredSectionAndMidPointsSpreadEvenly)
{
    auto object = place(0, 0, 99);
    object->midPoints = {10, 20, 30};
    setting().options.sectionViewMode = 2;
    focus(object);
    Control::SettingHeaderGaugeControl& gauge = setting().header->gauge;
    Input::move(gauge.rect.x + gauge.rect.width / 2, gauge.rect.y + 5);
    Input::wait();
    EXPECT_EQ(gauge.hoveredSection, -1);
    setting().options.sectionViewMode = 0;
    Input::move(gauge.rect.x + gauge.rect.width / 2 + 3, gauge.rect.y + 5);
    Input::wait();
    EXPECT_EQ(gauge.hoveredSection, 3);

    const size_t before = steps();
    Edit::EditCommand::changeSectionSpaceEvenly(object);
    EXPECT_EQ(object->midPoints, (std::vector<int>{25, 50, 75}));
    EXPECT_EQ(steps(), before + 1);
}

TEST_F(SettingPanel, WithoutAnObjectTheGaugeShowsItsEmptyTimeAndTheButtonIsOff)
{
    setting().setTarget(nullptr);
    Control::SettingHeaderGaugeControl& gauge = setting().header->gauge;
    EXPECT_FALSE(setting().header->addFilter.enabled);
    EXPECT_EQ(Control::SettingHeaderGaugeControl::formatLength(45), L"00:01.50");
    setting().procPaint();
    Input::wait();
    // Ink of the disabled text on the line under the bar, at its right.
    const uint32_t fill = colour(Window::ColorBrushList::Grouping);
    int ink = 0;
    for (int y = gauge.rect.y + gauge.topOffset + gauge.barHeight; y < gauge.rect.y + gauge.rect.height; ++y)
        for (int x = gauge.rect.x + gauge.rect.width / 2; x < gauge.rect.x + gauge.rect.width - gauge.sideMargin; ++x)
            ink += pixel(x, y) != fill;
    EXPECT_GT(ink, 20);
    auto object = place(0, 0, 99);
    focus(object);
    EXPECT_TRUE(setting().header->addFilter.enabled);
}
