// The Display, Setting and Etc menus and the language rebuild on the running
// services: zoom steps and lists, toggles and panels, playback by key, the
// backup dialog driven for real, folder commands through the desktop handler.
#include "core/file_name.h"
#include "core/text.h"
#include "platform/ui/dialog_window.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/test_dialog.h"
#include "project/model/object.h"
#include "tests/ui/menus/menubar_fixture.h"
#include "ui/menus/menubar/display_menu.h"
#include "ui/menus/menubar/etc_menu.h"

#include <cstdlib>
#include <filesystem>

using namespace MenuBarTest;
namespace fs = std::filesystem;
namespace Drive = Platform::Ui::TestDialog;

namespace {

using DisplayMenu = MenuBarFixture;
using SettingMenu = MenuBarFixture;
using EtcMenu = MenuBarFixture;
using Language = MenuBarFixture;

TEST(PreviewZoom, StepsInSinglePrecisionHeldTo10And4000)
{
    struct Case {
        int current, fit;
        float factor;
        int expected;
    } cases[] = {
        {3800, 0, 1.1f, 4000}, {4000, 0, 1.1f, 4000}, {11, 0, 0.9f, 10}, {15, 0, 0.9f, 14},
        {100, 0, 1.1f, 110},   {0, 57, 1.1f, 63},     {0, 57, 0.9f, 51}, {10, 0, 0.9f, 10},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Menu::DisplayMenu::steppedZoom(c.current, c.fit, c.factor), c.expected)
            << c.current << " x " << c.factor;
}

TEST_F(DisplayMenu, ZoomListsSkipWordsEmptyPartsAndNegatives)
{
    auto& value = Setting::SettingService::Get()->system.config.get("PreviewZoom");
    struct Case {
        const char* list;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"0,25,50,100,200", {L"WindowSize", L"25%", L"50%", L"100%", L"200%"}},
        {"100,,-5,50", {L"100%", L"50%"}},
        {"100,x,50", {L"100%", L"50%"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        value.text = c.list;
        std::vector<std::wstring> texts;
        for (const auto& [level, text] : Menu::DisplayMenu::previewZoomItems())
            texts.push_back(text);
        EXPECT_EQ(texts, c.texts) << c.list;
    }
    // A word in the list does not stop the menus from being built again.
    value.text = "0,50,abc,100";
    EXPECT_NO_THROW(menus->rebuild());
    window->initMenuPopup();
    choose(2, L"100%");
    EXPECT_EQ(preview->displayZoom, 100);
    Input::keyClick(0x6B, Input::Keypad);
    EXPECT_EQ(preview->displayZoom, 110);
    choose(2, L"WindowSize");
    EXPECT_EQ(preview->displayZoom, 0);
    Input::keyClick(0x6D, Input::Keypad);
    EXPECT_NE(preview->displayZoom, 0) << "from the fitting zoom to a fixed one";
}

TEST_F(DisplayMenu, PanelsTogglesAndTimelineZoom)
{
    const int timelineItem = idOf(2, L"レイヤー編集");
    ASSERT_NE(timelineItem, 0);
    window->initMenuPopup();
    EXPECT_TRUE(find(*window->menus[2], L"レイヤー編集").checked);
    choose(2, L"レイヤー編集");
    EXPECT_FALSE(timeline->isVisible());
    window->initMenuPopup();
    EXPECT_FALSE(find(*window->menus[2], L"レイヤー編集").checked);
    choose(2, L"レイヤー編集");
    EXPECT_TRUE(timeline->isVisible());
    EXPECT_GT(timeline->clientRect.width, 0) << "room was made for it";
    // Explorers sit in their sub-menu, not among the panels.
    const Platform::Ui::MenuEntry explorers = find(*window->menus[2], L"メディアエクスプローラー");
    ASSERT_NE(explorers.subMenu, nullptr);
    for (int i = 0; i < window->menus[2]->itemCount(); ++i)
        EXPECT_NE(window->menus[2]->item(i).text.rfind(L"メディアエクスプローラー:", 0), 0u);
    Window::BaseMenu sub = window->menus[2]->subMenu(0);
    sub.hmenu = explorers.subMenu;
    ASSERT_GE(sub.itemCount(), 1);
    auto* explorer = dynamic_cast<Component::ExplorerComponent*>(window->clients.back());
    for (Window::WindowClient* client : window->clients)
        if (auto* e = dynamic_cast<Component::ExplorerComponent*>(client))
            explorer = e;
    ASSERT_NE(explorer, nullptr);
    window->initMenuPopup();
    const std::wstring bookmark = explorer->getBookmarkName();
    EXPECT_EQ(sub.item(0).text, bookmark.empty() ? std::wstring(explorer->title) : bookmark)
        << "the bookmark or folder of the explorer, else its title";

    const int grid = render->videoWorker.gridXY;
    choose(2, L"グリッド(XY軸)の表示");
    EXPECT_EQ(render->videoWorker.gridXY, grid ? 0 : 1);
    window->initMenuPopup();
    EXPECT_EQ(find(*window->menus[2], L"グリッド(XY軸)の表示").checked, !grid);
    const int meter = render->player.visibleLevelMeter;
    choose(2, L"音量レベルメーターの表示");
    EXPECT_EQ(render->player.visibleLevelMeter, meter ? 0 : 1);
    const int tempo = timeline->settings.tempoGrid;
    choose(2, L"グリッド(BPM)の表示");
    EXPECT_EQ(timeline->settings.tempoGrid, tempo ? 0 : 1);

    const int zoom = scene().displayZoom.zoom;
    Input::keyClick(0xDE);
    EXPECT_EQ(scene().displayZoom.zoom, Edit::FrameZoom::stepZoomLevel(zoom, 1).zoom);
    Input::keyClick(0xDC);
    EXPECT_EQ(scene().displayZoom.zoom, zoom);
}

TEST_F(DisplayMenu, SpacePausesWhereItIsAndPlayStopReturns)
{
    place(0, 0, 299);
    edit->setCursorFrame(10);
    Input::keyClick(0x20);
    ASSERT_TRUE(scene().playing);
    Platform::Ui::processMessagesUntil([&] { return scene().playFrame > 15; }, 10000);
    Input::keyClick(0x20);
    EXPECT_FALSE(scene().playing);
    const int reached = scene().cursorFrame;
    EXPECT_GT(reached, 10) << "Space leaves the cursor on the frame reached";

    choose(2, L"プレビュー再生・停止");
    ASSERT_TRUE(scene().playing);
    Platform::Ui::processMessagesUntil([&] { return scene().playFrame > reached + 5; }, 10000);
    EXPECT_GT(scene().playFrame, reached);
    choose(2, L"プレビュー再生・停止");
    EXPECT_FALSE(scene().playing);
    EXPECT_EQ(scene().cursorFrame, reached) << "back where playback began";
}

TEST_F(SettingMenu, TheBackupDialogTrimsDeletesAndSwitchesTheTimer)
{
    const std::string folder = System::wideToUtf8(System::FileName::expand(L"%Backup%"));
    fs::create_directories(folder);
    for (int i = 0; i < 10; ++i)
        TestKit::writeFile(folder + "/p_2026-12-0" + std::to_string(i) + "_10-00-00-000.vmp2", "[project]\r\n");
    edit->backupHistory.loadFileList();
    ASSERT_EQ(edit->backupHistory.files.size(), 10u);
    edit->autoBackup = 1;
    edit->backupHistory.updateAutoBackupTimer();
    ASSERT_TRUE(edit->backupHistory.timer.isSet());

    std::wstring caption;
    // The dialog's rows as a person leaves them, then OK.
    auto fill = [&](const std::vector<int>& values, int autoBackupChoice, bool ok) {
        Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, [=](Platform::Ui::ModalPoint& point) {
            auto* dialog = point.subjectAs<Dialog::DialogTemplate>();
            if (!dialog)
                return 0;
            std::vector<Dialog::DialogItemInteger*> numbers;
            std::vector<Dialog::DialogItemListBox*> lists;
            for (auto& row : dialog->items) {
                if (auto* n = dynamic_cast<Dialog::DialogItemInteger*>(row.get()))
                    numbers.push_back(n);
                if (auto* l = dynamic_cast<Dialog::DialogItemListBox*>(row.get()))
                    lists.push_back(l);
            }
            if (numbers.size() != 3 || lists.size() != 2)
                return 0;
            EXPECT_EQ(lists[1]->choices, (std::vector<std::wstring>{L"無効", L"有効"}));
            EXPECT_EQ(numbers[1]->max, 50);
            lists[1]->index = autoBackupChoice;
            for (size_t i = 0; i < values.size(); ++i)
                numbers[i]->value = values[i];
            return ok ? 1 : 0;
        });
    };

    // Cancel: nothing changes. The dialog's caption is its item's text.
    Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, [&](Platform::Ui::ModalPoint& point) {
        caption = point.caption;
        return 0;
    });
    choose(3, L"バックアップ履歴の設定");
    Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, nullptr);
    EXPECT_EQ(caption, L"バックアップ履歴の設定");
    EXPECT_EQ(edit->backupHistory.files.size(), 10u);
    EXPECT_EQ(TestKit::listFolder(folder).size(), 10u);
    EXPECT_TRUE(edit->backupHistory.timer.isSet());
    EXPECT_EQ(edit->autoBackupFileMax, 10);

    // 10 -> 3: the seven oldest files go at once, and "無効" stops the timer.
    fill({7, 3, 2}, 0, true);
    choose(3, L"バックアップ履歴の設定");
    EXPECT_EQ(edit->autoBackupFileMax, 3);
    EXPECT_EQ(edit->autoBackupInterval, 7);
    EXPECT_EQ(edit->historyFileMax, 2);
    EXPECT_EQ(edit->backupHistory.files.size(), 3u);
    EXPECT_EQ(TestKit::listFolder(folder).size(), 3u);
    EXPECT_FALSE(edit->backupHistory.timer.isSet());
    // "有効" starts it again.
    fill({7, 3, 2}, 1, true);
    choose(3, L"バックアップ履歴の設定");
    EXPECT_TRUE(edit->backupHistory.timer.isSet());
}

TEST_F(EtcMenu, FolderCommandsGoToTheDesktopHandlerAndChangeNothing)
{
    // A shim for the desktop's handler that records its arguments.
    const std::string bin = TestKit::tempDir() + "/shim";
    fs::create_directories(bin);
    const std::string record = TestKit::tempDir() + "/xdg-open.txt";
    TestKit::writeFile(bin + "/xdg-open", "#!/bin/sh\necho \"$@\" >> '" + record + "'\n");
    fs::permissions(bin + "/xdg-open", fs::perms::owner_all);
    const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", (bin + ":" + path).c_str(), 1);

    const std::string missing = System::wideToUtf8(System::FileName::expand(L"%Transition%/"));
    fs::remove_all(missing);
    const std::wstring before = edit->project.path;
    choose(4, L"遷移画像ファイルフォルダ");
    choose(4, L"アプリケーションデータフォルダ");
    for (int i = 0; i < 100 && TestKit::readFile(record).find('\n', TestKit::readFile(record).find('\n') + 1) ==
                                   std::string::npos;
         ++i)
        Input::wait(20);
    setenv("PATH", path.c_str(), 1);
    const std::string expected = missing + "\n" + System::wideToUtf8(System::FileName::expand(L"%AppData%/")) + "\n";
    EXPECT_EQ(TestKit::readFile(record), expected);
    EXPECT_EQ(edit->project.path, before);
    EXPECT_TRUE(window->surface->exists());

    // No item of this menu is a shortcut.
    for (const Window::Shortcut& s : shortcuts->shortcuts)
        EXPECT_NE(s.name.rfind(L"その他:", 0), 0u) << System::wideToUtf8(s.name);

    std::vector<Platform::Ui::MessageBox> boxes;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        boxes.push_back(box);
        return Platform::Ui::BoxAnswer::Ok;
    });
    choose(4, L"バージョン情報");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Velmora Tessel2");
    EXPECT_EQ(boxes[0].text.rfind(L"Velmora Tessel2  version ", 0), 0u);
    EXPECT_NE(boxes[0].text.find(L"  By "), std::wstring::npos);
    EXPECT_EQ(boxes[0].icon, Platform::Ui::BoxIcon::Information);
    EXPECT_EQ(Menu::EtcMenu::webPageAddress().rfind(L"https://", 0), 0u);
}

TEST_F(Language, ALanguageChangeRenamesEverythingOnceAndOldIdsStillRun)
{
    const std::string folder = System::wideToUtf8(System::FileName::expand(L"%Language%"));
    fs::create_directories(folder);
    TestKit::writeFile(folder + "/English.vml2",
                       "[Menu]\r\nファイル=File\r\n編集=Edit\r\nプロジェクトを保存=Save project\r\n"
                       "元に戻す=Undo\r\n移動=Move\r\n次のフレームに移動=Next frame\r\n");
    place(0, 0, 99);
    const int oldNext = idOf(1, L"次のフレームに移動");
    const size_t enables = window->enableCallbacks.size();
    const size_t checks = window->checkCallbacks.size();
    const size_t texts = window->textCallbacks.size();
    const size_t keys = shortcuts->shortcuts.size();
    int edits = 0;
    Event::EventService::Get()->editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });

    translate->language = L"English";
    translate->reloadLanguage();
    EXPECT_EQ(edits, 1) << "one empty transaction lets every pane redraw";
    EXPECT_EQ(window->enableCallbacks.size(), enables);
    EXPECT_EQ(window->checkCallbacks.size(), checks);
    EXPECT_EQ(window->textCallbacks.size(), texts);
    EXPECT_EQ(shortcuts->shortcuts.size(), keys);
    const int save = idOf(0, L"Save project");
    ASSERT_NE(save, 0);
    EXPECT_GT(save, oldNext) << "new ids after the old ones";
    EXPECT_EQ(shortcutOf(save)->name, L"File:Save project");
    EXPECT_EQ(shortcutOf(save)->code, 0x4053);
    EXPECT_EQ(shortcutOf(idOf(1, L"Undo"))->name, L"Edit:Undo");
    EXPECT_EQ(find(*window->menus[0], L"Save project").text, L"Save project\tCtrl+S");
    EXPECT_EQ(Platform::Ui::menuItemCount(window->hmenu), 5);
    Platform::Ui::MenuEntry title;
    Platform::Ui::getMenuItem(window->hmenu, 0, title);
    EXPECT_EQ(title.text, L"File");

    // The old command id still runs; the new key runs the new item.
    edit->setCursorFrame(5);
    EXPECT_TRUE(window->runCommand(oldNext));
    EXPECT_EQ(scene().cursorFrame, 6);
    Input::keyClick(0x27);
    EXPECT_EQ(scene().cursorFrame, 7);
    window->initMenuPopup();
    EXPECT_TRUE(!find(*window->menus[1], L"Undo").enabled) << "rules still work";
}

} // namespace

namespace {

TEST_F(SettingMenu, EveryItemOpensItsDialogUnderItsOwnCaption)
{
    std::vector<std::wstring> captions;
    Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, [&](Platform::Ui::ModalPoint& point) {
        captions.push_back(point.caption);
        return 0;
    });
    Window::WindowMenu& setting = *window->menus[3];
    std::vector<std::wstring> items;
    for (int i = 0; i < setting.itemCount(); ++i) {
        const Platform::Ui::MenuEntry entry = setting.item(i);
        ASSERT_FALSE(entry.separator);
        items.push_back(entry.text);
        ASSERT_NE(shortcutOf(entry.id), nullptr) << "every item takes a key";
        EXPECT_EQ(shortcutOf(entry.id)->defaultCode, 0);
        const size_t before = captions.size();
        window->runCommand(entry.id);
        ASSERT_EQ(captions.size(), before + 1) << System::wideToUtf8(entry.text);
        EXPECT_EQ(captions.back(), entry.text);
    }
    EXPECT_EQ(items.size(), 12u) << "every dialog but the input plug-in one, which is not built yet";
}

TEST_F(EtcMenu, TheInformationListsOpenEvenWhenEmpty)
{
    std::vector<std::wstring> captions;
    Platform::Ui::setAnswerer(Platform::Ui::ModalKind::Dialog, [&](Platform::Ui::ModalPoint& point) {
        captions.push_back(point.caption);
        return 1;
    });
    EXPECT_TRUE(Menu::EtcMenu::pluginRows().empty()) << "built-in readers and writers carry no text";
    choose(4, L"プラグイン情報");
    choose(4, L"スクリプト情報");
    EXPECT_EQ(captions, (std::vector<std::wstring>{L"プラグイン情報", L"スクリプト情報"}));
    for (const auto& row : Menu::EtcMenu::scriptRows())
        EXPECT_EQ(row.size(), 2u);
}

} // namespace
