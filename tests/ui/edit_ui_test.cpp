// The headless forms of the windows the editing code talks to: dialogs that
// cancel without a person, the scene menu and tooltip, popup menus, key
// watchers, and the settings windows an edit refreshes.
#include "effect/effect_define.h"
#include "effect/effect_item_simple.h"
#include "effect/movement.h"
#include "project/edit/undo_items.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/edit_fixture.h"
#include "ui/menus/scene_menu.h"
#include "ui/window/base_menu.h"
#include "ui/window/tool_tips.h"
#include "ui/window/window_mouse.h"

using namespace EditTest;

namespace {

class EditUi : public EditFixture {
protected:
    EditUi() { windows_.acquire<Component::SettingWindows>(); }
    ~EditUi() override
    {
        windows_.releaseAll();
        Window::PopupMenu::setChooser(nullptr);
    }
    Component::SettingWindows& windows() { return *Component::SettingWindows::Get(); }

private:
    System::ServiceStack windows_;
};

} // namespace

TEST_F(EditUi, DialogsWithoutAPersonCancelAndAnswersKeepToTheRows)
{
    TestKit::LogCapture log;
    Dialog::SceneDialog dialog;
    dialog.title = L"シーンの設定";
    EXPECT_FALSE(dialog.show());
    EXPECT_TRUE(log.contains("INFO|Dialog::SceneDialog::show|" + System::wideToAnsi(L"シーンの設定")));
    Dialog::SceneDialog::setAnswerer([](Dialog::SceneDialog& d) {
        d.values = {L"x", 8, 99999, 0, -1, 0};
        return true;
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(dialog.values.width, 32);
    EXPECT_EQ(dialog.values.height, 16384);
    EXPECT_EQ(dialog.values.videoRate, 1);
    EXPECT_EQ(dialog.values.videoScale, 1);
    EXPECT_EQ(dialog.values.audioRate, 1);

    Dialog::InputStringDialog input;
    input.title = L"名前";
    input.text = L"元";
    EXPECT_FALSE(input.show());
    EXPECT_EQ(input.text, L"元");
    std::wstring path = L"/keep.vmp2";
    EXPECT_FALSE(Dialog::showSaveFileDialog(path, L"F\0*.x\0\0"));
    EXPECT_EQ(path, L"/keep.vmp2");
    EXPECT_FALSE(Dialog::showConfirm(L"消しますか？")) << "a question nobody answers is Cancel";

    // Every box and dialog stops the preview first.
    int stops = 0;
    edit().stopPlayback = [&] { ++stops; };
    dialog.show();
    input.show();
    Dialog::showConfirm(L"消しますか？");
    EXPECT_EQ(stops, 3);
}

TEST_F(EditUi, TheSceneMenuRunsTheServicesCommandsForItsScene)
{
    Window::PopupMenu menu;
    Dialog::insertSceneMenu(*edit().project.getScene(0), menu);
    ASSERT_EQ(menu.itemCount(), 5);
    EXPECT_EQ(menu.item(0).text, L"シーンを新規作成");
    EXPECT_FALSE(menu.item(1).enabled) << "scene 0 cannot be deleted";
    EXPECT_TRUE(menu.item(2).separator);
    EXPECT_FALSE(menu.runItem(1));
    EXPECT_FALSE(menu.runItem(2));

    Dialog::InputStringDialog::setAnswerer([](Dialog::InputStringDialog& d) {
        d.text = L"夕方";
        return true;
    });
    Window::PopupMenu::setChooser([](const Window::PopupMenu& shown) { return shown.item(3).id; });
    EXPECT_TRUE(menu.show());
    EXPECT_EQ(edit().project.getScene(0)->name, L"夕方");

    Window::PopupMenu other;
    Dialog::insertSceneMenu(*edit().project.getScene(2), other);
    EXPECT_TRUE(other.item(1).enabled);
    EXPECT_TRUE(other.runItem(1)); // empty: deleted unasked
    EXPECT_EQ(edit().project.scenes.count(2), 0u);

    Dialog::showSceneToolTip(scene(), {100, 200});
    const Window::ToolTips& tips = Window::ToolTips::get();
    EXPECT_TRUE(tips.shown);
    EXPECT_EQ(tips.point.x, 100);
    EXPECT_GT(tips.point.y, 200) << "below the mouse cursor";
    EXPECT_EQ(tips.text, scene().getInformationText());
}

TEST_F(EditUi, AWatcherHearsOnceWhenItsKeyIsReleased)
{
    System::ServiceReference<Window::WindowMouseService> router;
    Window::WindowMouseService& mouse = *Window::WindowMouseService::Get();
    struct Watcher : Window::WindowMouse {
        Watcher() : WindowMouse(&area, 200) {}
        void procKeyRelease() override { ++heard; }
        Window::Rect area{0, 0, 10, 10};
        int heard = 0;
    } watcher;
    mouse.watchKey(&watcher, 17);
    Platform::Ui::Message up;
    up.id = Platform::Ui::Msg::KeyUp;
    up.key = 16; // another key: nothing
    mouse.procMessage(up);
    up.key = 17;
    mouse.procMessage(up);
    mouse.procMessage(up);
    EXPECT_EQ(watcher.heard, 1);
    EXPECT_EQ(mouse.keyWatchTarget, nullptr);
}

TEST_F(EditUi, TheTimeWindowDropsTargetsThatAreGone)
{
    auto object = scene().createObject(L"画像ファイル", 0, 0, 9);
    auto effect = std::make_shared<TextEffect>();
    object->effects.push_back(effect);
    Component::EffectTimeSettingComponent& time = windows().time;
    time.setTarget(object, effect, &effect->size);
    EXPECT_TRUE(time.shown);
    EXPECT_EQ(time.header, L"サイズ");

    // The size's movement has no curve to edit: the time window lets go.
    {
        Edit::UpdateSection update;
        update.updateTimeSetting = true;
        effect->text.text = L"Hello again";
    }
    EXPECT_EQ(time.control.item, nullptr);
    EXPECT_EQ(time.header, L"");

    Effect::MovementBase* curved = nullptr;
    for (auto& [name, define] : effects().movements)
        if (define.movement->timeControl)
            curved = define.movement.get();
    ASSERT_NE(curved, nullptr);
    effect->size.setMovement(curved);
    effect->size.curve = {0.25, 0.75};
    time.setTarget(object, effect, &effect->size);
    effect->size.curve = {0.5, 0.5};
    {
        Edit::UpdateSection update;
        update.updateTimeSetting = true;
    }
    EXPECT_EQ(time.control.anchors, (std::vector<double>{0.5, 0.5}));

    // The effect leaves the chain, then the object leaves the scene.
    {
        Edit::UpdateSection update;
        update.updateTimeSetting = true;
        object->effects.pop_back();
    }
    EXPECT_EQ(time.control.item, nullptr);
}
