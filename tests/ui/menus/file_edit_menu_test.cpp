// The File and Edit menus on the running services: the bar's conventions,
// the file commands with their dialogs answered, and the edit commands driven
// by their keys.
#include "core/file_name.h"
#include "core/text.h"
#include "platform/ui/main_thread.h"
#include "platform/ui/surface.h"
#include "project/edit/update_section.h"
#include "project/model/object.h"
#include "tests/ui/menus/menubar_fixture.h"
#include "ui/menus/menubar/edit_menu.h"
#include "ui/menus/menubar/file_menu.h"

#include <filesystem>
#include <fstream>

using namespace MenuBarTest;
namespace fs = std::filesystem;

namespace MenuBarTest {
std::shared_ptr<Edit::Object> MenuBarFixture::place(int layer, int start, int end, const wchar_t* effect)
{
    std::shared_ptr<Edit::Object> object = scene().createObject(effect, layer, start, end);
    scene().updateLayerObject();
    return object;
}
} // namespace MenuBarTest

namespace {

class FileMenu : public MenuBarFixture {
protected:
    void beforeServices() override
    {
        // A saved key replaces a default; the File menu is built first, so its
        // key Ctrl+C is then held when the Edit menu's copy asks for it.
        fs::create_directories(TestKit::tempDir() + "/velmora2");
        TestKit::writeFile(keyboardIni(), "[shortcut.0]\r\nname=ファイル:プロジェクトを新規作成\r\ncode=16451\r\n");
    }
    void TearDown() override
    {
        MenuBarFixture::TearDown();
        fs::remove(keyboardIni()); // the other tests keep the default keys
    }
    static std::string keyboardIni() { return TestKit::tempDir() + "/velmora2/keyboard.ini"; }
    std::string backupFolder() { return System::wideToUtf8(System::FileName::expand(L"%Backup%")); }
};

using EditMenu = MenuBarFixture;

std::vector<std::wstring> texts(Window::BaseMenu menu)
{
    std::vector<std::wstring> out;
    for (int i = 0; i < menu.itemCount(); ++i) {
        const Platform::Ui::MenuEntry e = menu.item(i);
        out.push_back(e.separator ? L"-" : e.text);
    }
    return out;
}

TEST_F(FileMenu, ItemsKeysListsAndTheFrozenExportList)
{
    Window::WindowMenu& file = *window->menus[0];
    EXPECT_EQ(texts(file), (std::vector<std::wstring>{
                               L"プロジェクトを新規作成\tCtrl+C", L"プロジェクトを開く\tCtrl+O", L"最近使ったプロジェクト",
                               L"バックアップしたプロジェクト", L"-", L"プロジェクトを保存\tCtrl+S",
                               L"プロジェクトを別名で保存\tCtrl+Shift+S", L"-", L"ファイル出力", L"-",
                               L"プロジェクトを保存して終了", L"終了"}));
    // The saved key took Ctrl+C: the Edit menu's copy finds it held and gets none.
    const int copy = idOf(1, L"オブジェクトをコピー");
    ASSERT_NE(shortcutOf(copy), nullptr);
    EXPECT_EQ(shortcutOf(copy)->code, 0);
    EXPECT_EQ(shortcutOf(copy)->defaultCode, 0x4043);
    EXPECT_EQ(shortcutOf(idOf(0, L"プロジェクトを新規作成"))->defaultCode, 0x404E);

    // The export list: one unnumbered entry per writer, each a shortcut "ファイル:<writer>".
    Window::BaseMenu exports = file.subMenu(8);
    ASSERT_EQ(exports.itemCount(), int(output->writers.size()));
    ASSERT_GE(exports.itemCount(), 3);
    for (int i = 0; i < exports.itemCount(); ++i) {
        EXPECT_EQ(exports.item(i).text, output->writers[size_t(i)]->name);
        const Window::Shortcut* s = shortcutOf(exports.item(i).id);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->name, L"ファイル:" + output->writers[size_t(i)]->name);
        EXPECT_EQ(s->defaultCode, 0);
    }
    // The two histories and the export list have no shortcut of their own.
    for (int position : {2, 3, 8})
        EXPECT_EQ(shortcutOf(file.item(position).id), nullptr);

    // Recent projects: numbered from 1, the newest first, following the history.
    edit->projectHistory.files = {L"/p/new.vmp2", L"/p/old.vmp2"};
    ASSERT_TRUE(Input::openMenuBarMenu(0));
    Input::closePopups();
    EXPECT_EQ(texts(file.subMenu(2)), (std::vector<std::wstring>{L"&1 /p/new.vmp2", L"&2 /p/old.vmp2"}));
    EXPECT_EQ(file.subMenu(3).itemCount(), 0) << "no backups: an empty sub-menu";
    edit->projectHistory.addFile(L"/p/old.vmp2");
    window->initMenuPopup();
    EXPECT_EQ(file.subMenu(2).item(0).text, L"&1 /p/old.vmp2");
    EXPECT_EQ(exports.itemCount(), int(output->writers.size())) << "a frozen list is not refilled";
}

TEST_F(FileMenu, SaveOfANewProjectAsksWhereAndSaveAndExitStillAsksBeforeClosing)
{
    int saveAsked = 0;
    Dialog::setSaveFileAnswerer([&](std::wstring&, const std::wstring&) {
        ++saveAsked;
        return false;
    });
    Input::keyClick('S', Input::Control);
    EXPECT_EQ(saveAsked, 1) << "Ctrl+S on a project without a file opens save-as";

    place(0, 0, 9);
    undo->modified = true;
    std::vector<std::wstring> boxes;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        boxes.push_back(box.text);
        return Platform::Ui::BoxAnswer::Cancel;
    });
    choose(0, L"プロジェクトを保存して終了");
    EXPECT_EQ(saveAsked, 2);
    Input::wait(50); // the posted close
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"現在の編集データは破棄されますがよろしいですか？");
    EXPECT_TRUE(window->surface->exists()) << "Cancel keeps the window";
}

TEST_F(FileMenu, AnOpenedBackupHasNoPathSoItsSaveSurvivesTheTrim)
{
    // A project with one object, saved as a backup file.
    place(1, 0, 29);
    fs::create_directories(backupFolder());
    const std::string backup = backupFolder() + "/work_2026-12-01_10-00-00-000.vmp2";
    ASSERT_TRUE(edit->saveProject(System::utf8ToWide(backup), true));
    TestKit::writeFile(backupFolder() + "/work_2026-12-02_10-00-00-000.vmp2", TestKit::readFile(backup));
    edit->backupHistory.loadFileList();
    ASSERT_EQ(edit->backupHistory.files.size(), 2u);
    edit->clearProject();

    window->initMenuPopup();
    Window::BaseMenu backups = window->menus[0]->subMenu(3);
    ASSERT_EQ(backups.itemCount(), 2);
    EXPECT_EQ(backups.item(1).text, L"&2 " + System::utf8ToWide(backup));
    ASSERT_TRUE(backups.runItem(1));
    EXPECT_TRUE(edit->project.path.empty()) << "the backup does not become the project's file";
    EXPECT_EQ(scene().getLayer(1).objects.size(), 1u);
    EXPECT_EQ(window->title, L"work_2026-12-01_10-00-00-000.vmp2");

    // Ctrl+S asks where, as for a new project.
    const std::string saved = TestKit::tempDir() + "/mine.vmp2";
    std::wstring offered = L"?";
    Dialog::setSaveFileAnswerer([&](std::wstring& path, const std::wstring&) {
        offered = path;
        path = System::utf8ToWide(saved);
        return true;
    });
    Input::keyClick('S', Input::Control);
    EXPECT_EQ(offered, L"");
    EXPECT_EQ(System::wideToUtf8(edit->project.path), saved);
    EXPECT_EQ(window->title, L"mine.vmp2");

    // A trim of the backups to one deletes the older backup, never the user's file.
    edit->backupHistory.maxCount = 1;
    edit->backupHistory.trimFileList();
    EXPECT_FALSE(fs::exists(backup));
    ASSERT_TRUE(fs::exists(saved));
    ASSERT_TRUE(edit->loadProject(System::utf8ToWide(saved), false, true));
    EXPECT_EQ(scene().getLayer(1).objects.size(), 1u) << "the work is in the user's file";
}

TEST_F(EditMenu, CursorMovesAtTheBoundsAndCustomMoves)
{
    place(0, 0, 99); // last frame 99
    struct Case {
        int from;
        int key;
        int rangeStart, rangeEnd;
        int expected;
    } cases[] = {
        {99, 0x27, -1, -1, 99},    // Right on the last frame stays
        {0, 0x25, -1, -1, 0},      // Left on frame 0 stays
        {50, 0x27, -1, -1, 51},
        {50, 0x23, -1, -1, 99},    // End
        {50, 0x24, -1, -1, 0},     // Home
        {10, 0x22, -1, -1, 15},    // Page Down: "5f"
        {10, 0x21, -1, -1, 5},
        {2, 0x21, -1, -1, 0},
    };
    for (const Case& c : cases) {
        edit->setCursorFrame(c.from);
        Input::keyClick(c.key);
        EXPECT_EQ(scene().cursorFrame, c.expected) << "key " << c.key << " from " << c.from;
    }
    // The range's end, held to the last frame; without a range the last frame.
    edit->setCursorFrame(3);
    choose(1, L"選択終了フレームに移動");
    EXPECT_EQ(scene().cursorFrame, 99);
    scene().frameSelectionStart = 20;
    scene().frameSelectionEnd = 500;
    edit->setCursorFrame(3);
    choose(1, L"選択終了フレームに移動");
    EXPECT_EQ(scene().cursorFrame, 99);
    choose(1, L"選択開始フレームに移動");
    EXPECT_EQ(scene().cursorFrame, 20);
    // "1" counts seconds: 30 frames at 30 fps.
    edit->setCursorFrame(10);
    choose(1, L"カスタムフレーム次移動B");
    EXPECT_EQ(scene().cursorFrame, 40);

    // The range keys through the timeline: [ at 40, ] at 60, clear.
    Input::keyClick(0xDB);
    edit->setCursorFrame(60);
    Input::keyClick(0xDD);
    EXPECT_EQ(scene().frameSelectionStart, 40);
    EXPECT_EQ(scene().frameSelectionEnd, 60);
    EXPECT_FALSE(greyed(1, L"フレーム範囲選択を解除"));
    choose(1, L"フレーム範囲選択を解除");
    EXPECT_EQ(scene().frameSelectionStart, -1);
    EXPECT_TRUE(greyed(1, L"フレーム範囲選択を解除"));
}

TEST_F(EditMenu, TabCyclesTheLayersUnderTheCursorAndTheNeighboursStopAtTheEnds)
{
    auto top = place(0, 0, 20);
    auto middle = place(2, 5, 20);
    auto bottom = place(4, 0, 10);
    place(3, 30, 40); // not under the cursor
    edit->setCursorFrame(8);
    edit->setFocusObject(middle);
    std::vector<int> layers;
    for (int i = 0; i < 4; ++i) {
        Input::keyClick(0x09);
        layers.push_back(scene().focusObject->layer);
    }
    EXPECT_EQ(layers, (std::vector<int>{4, 0, 2, 4}));

    auto next = place(0, 30, 40);
    edit->setFocusObject(top);
    Input::keyClick(0xBE);
    EXPECT_EQ(scene().focusObject, next);
    EXPECT_EQ(scene().cursorFrame, 30);
    Input::keyClick(0xBE);
    EXPECT_EQ(scene().focusObject, next) << "the last object of its layer";
    Input::keyClick(0xBC);
    EXPECT_EQ(scene().focusObject, top);
    EXPECT_EQ(scene().cursorFrame, 0);
    Input::keyClick(0xBC);
    EXPECT_EQ(scene().focusObject, top) << "the first object of its layer";
    (void)bottom;
}

TEST_F(EditMenu, UndoRedoAndGreyedItemsStillRunByKey)
{
    auto object = place(0, 0, 9);
    // Nothing to undo: greyed, and the key logs nothing.
    {
        TestKit::LogCapture log;
        EXPECT_TRUE(greyed(1, L"元に戻す"));
        Input::keyClick('Z', Input::Control);
        EXPECT_FALSE(log.contains("Undo::UndoService::undo"));
    }
    // Delete is greyed without targets; once the focus is set its key deletes,
    // though the menu was last shown greyed.
    EXPECT_TRUE(greyed(1, L"オブジェクトを削除"));
    edit->setFocusObject(object);
    Input::keyClick(0x2E);
    EXPECT_EQ(object->layer, -1);

    // Three more steps, then three undos and one redo: position 2.
    for (int layer : {1, 2, 3}) {
        auto o = place(layer, 0, 9);
        edit->setFocusObject(o);
        Input::keyClick(0x2E);
    }
    ASSERT_EQ(undo->history->steps.size(), 4u);
    for (int i = 0; i < 3; ++i)
        Input::keyClick('Z', Input::Control);
    Input::keyClick('Z', Input::Control | Input::Shift);
    EXPECT_EQ(undo->history->position, 2);
    EXPECT_FALSE(greyed(1, L"やり直し"));
    EXPECT_FALSE(greyed(1, L"元に戻す"));
}

TEST_F(EditMenu, ShowAndHideFollowTheFirstTarget)
{
    for (bool firstDisabled : {true, false}) {
        auto a = place(0, 0, 9);
        auto b = place(1, 0, 9);
        a->effects.front()->disable = firstDisabled;
        b->effects.front()->disable = !firstDisabled;
        scene().selection.addObject(a, scene());
        scene().selection.addObject(b, scene());
        choose(1, L"オブジェクトの表示・非表示");
        EXPECT_EQ(a->effects.front()->disable, !firstDisabled);
        EXPECT_EQ(b->effects.front()->disable, !firstDisabled);
        scene().selection.clear();
        Edit::UpdateSection update(*edit);
        update.updateLayerObject = true;
        scene().removeObject(*a);
        scene().removeObject(*b);
    }
    // Without targets nothing happens and the item is greyed.
    EXPECT_TRUE(greyed(1, L"オブジェクトの表示・非表示"));
    const size_t steps = undo->history->steps.size();
    choose(1, L"オブジェクトの表示・非表示");
    EXPECT_EQ(undo->history->steps.size(), steps);
}

TEST_F(EditMenu, RulesOfSplitMidPointsAndGroups)
{
    auto object = place(0, 10, 29);
    edit->setFocusObject(object);
    edit->setCursorFrame(10);
    EXPECT_TRUE(greyed(1, L"オブジェクトを分割")) << "the start frame is not inside";
    EXPECT_TRUE(greyed(1, L"オブジェクトの中間点を追加"));
    EXPECT_FALSE(greyed(1, L"オブジェクトの中間点を削除")) << "a section of 2 frames or more begins here";
    edit->setCursorFrame(20);
    EXPECT_FALSE(greyed(1, L"オブジェクトを分割"));
    Input::keyClick('P');
    ASSERT_EQ(object->midPoints, std::vector<int>{10});
    EXPECT_FALSE(greyed(1, L"オブジェクトの中間点を削除"));
    EXPECT_TRUE(greyed(1, L"オブジェクトのグループ化"));
    EXPECT_TRUE(greyed(1, L"オブジェクトのグループ解除"));
    auto other = place(1, 10, 29);
    scene().selection.addObject(object, scene());
    scene().selection.addObject(other, scene());
    EXPECT_FALSE(greyed(1, L"オブジェクトのグループ化"));
    Input::keyClick('G', Input::Control);
    EXPECT_NE(object->group, nullptr);
    EXPECT_FALSE(greyed(1, L"オブジェクトのグループ解除"));
    scene().frameSelectionStart = scene().frameSelectionEnd = -1;
    EXPECT_TRUE(greyed(1, L"オブジェクトを切り出し")) << "no frame range";
    scene().frameSelectionStart = 12;
    scene().frameSelectionEnd = 15;
    EXPECT_FALSE(greyed(1, L"オブジェクトを切り出し"));
}

TEST_F(EditMenu, DiscardingTheCachesAdvancesTheMediaGenerationAndRefreshes)
{
    const int generation = Plugin::InputService::mediaInfoGeneration.load();
    int edits = 0;
    Event::EventService::Get()->editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });
    Input::keyClick(0x74);
    EXPECT_NE(Plugin::InputService::mediaInfoGeneration.load(), generation);
    EXPECT_EQ(edits, 1);
}

} // namespace
