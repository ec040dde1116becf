// The edit service: scenes, projects with their files and the modified flag,
// the command line and the resume file, the cursor and the selection, and the
// backup of an exception that ends the program.
#include "core/file_name.h"
#include "core/ini_file.h"
#include "effect/anchor_host.h"
#include "media/figure.h"
#include "project/edit/edit_anchor_host.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "tests/project/edit_fixture.h"
#include "platform/ui/surface.h"
#include "ui/window/window_control.h"
#include "ui/window/window_mouse.h"

#include <stdexcept>

using namespace EditTest;

namespace {

std::wstring wide(const std::string& text)
{
    return System::utf8ToWide(text);
}

// A log line as LogCapture keeps it (wide messages reach the log in the ANSI code page).
std::string info(const char* place, const std::wstring& message)
{
    return std::string("INFO|") + place + "|" + System::wideToAnsi(message);
}

class EditServiceTest : public EditFixture {
protected:
    EditServiceTest()
    {
        events().sceneChanged.push_back([this](int id) { scenesChanged.push_back(id); });
        events().cursorFrameChanged.push_back([this](int frame) { cursorMoves.push_back(frame); });
        events().selectionChanged.push_back([this] { ++selectionChanges; });
    }
    ~EditServiceTest() override { Platform::Ui::setKeyDown(17, false); }

    // Answers the scene dialog with OK and these settings (the name kept when empty).
    void answerScenes(Edit::SceneSettings settings)
    {
        Dialog::SceneDialog::setAnswerer([this, settings](Dialog::SceneDialog& dialog) {
            sceneTitles.push_back(dialog.title + (dialog.withName ? L"+name" : L""));
            const std::wstring name = settings.name.empty() ? dialog.values.name : settings.name;
            dialog.values = settings;
            dialog.values.name = name;
            return true;
        });
    }
    size_t placedObjects()
    {
        size_t count = 0;
        scene().layers.forEach([&](int, const Edit::LayerObjectList& list) { count += list.objects.size(); });
        return count;
    }

    std::vector<int> scenesChanged;
    std::vector<int> cursorMoves;
    int selectionChanges = 0;
    std::vector<std::wstring> sceneTitles;
};

} // namespace

TEST_F(EditServiceTest, ScenesAreCreatedRenamedSetAndSwitchedWithTheirLogLines)
{
    TestKit::LogCapture log;
    EXPECT_FALSE(edit().newScene()) << "nobody answered";
    EXPECT_TRUE(log.contains(info("Dialog::SceneDialog::show", L"シーンを作成")));
    EXPECT_EQ(edit().project.scenes.size(), 1u);

    answerScenes({L"", 640, 360, 24, 1, 48000});
    ASSERT_TRUE(edit().newScene());
    EXPECT_EQ(scene().id, 1);
    EXPECT_EQ(scene().width, 640);
    EXPECT_EQ(scene().videoRate, 24);
    EXPECT_TRUE(log.contains(info("Edit::EditService::createScene", L"set current scnene (create) [Scene1](1)")));

    Dialog::InputStringDialog::setAnswerer([](Dialog::InputStringDialog& dialog) {
        dialog.text = L"夜";
        return dialog.title == L"シーン名を変更";
    });
    edit().renameScene(1);
    EXPECT_EQ(scene().name, L"夜");
    EXPECT_TRUE(log.contains(info("Edit::EditService::renameScene", L"update scnene name [夜](1)")));

    answerScenes({L"", 1280, 720, 30000, 1001, 44100});
    edit().settingScene(1);
    EXPECT_EQ(scene().height, 720);
    EXPECT_EQ(scene().videoScale, 1001);
    EXPECT_TRUE(log.contains(info("Edit::EditService::settingScene", L"update scnene setting [夜](1)")));
    edit().renameScene(9); // no such scene: nothing asked
    EXPECT_EQ(sceneTitles, (std::vector<std::wstring>{L"シーンを作成+name", L"シーンの設定+name"}));

    edit().updateScene(0);
    EXPECT_TRUE(log.contains(info("Edit::EditService::updateScene", L"set current scnene [Root](0)")));
    EXPECT_EQ(scenesChanged, (std::vector<int>{1, 1, 1, 0}));
}

TEST_F(EditServiceTest, DeletingTheCurrentSceneSwitchesToSceneZeroFirst)
{
    answerScenes({});
    ASSERT_TRUE(edit().newScene());
    scene().createObject(L"画像ファイル", 0, 0, 9);
    answerBoxes(true);
    TestKit::LogCapture log;
    scenesChanged.clear();
    edit().deleteScene(1);
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"現在のシーンを削除しますか？"});
    EXPECT_EQ(scene().id, 0);
    EXPECT_EQ(edit().project.scenes.count(1), 0u);
    EXPECT_EQ(scenesChanged, std::vector<int>{0});
    ASSERT_GE(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[log.lines().size() - 2], "INFO|Edit::EditService::deleteScene|delete scnene (1)");
    EXPECT_EQ(log.lines().back(), info("Edit::EditService::deleteScene", L"set current scnene [Root](0)"));
    edit().deleteScene(0);
    EXPECT_EQ(edit().project.scenes.count(0), 1u);
}

TEST_F(EditServiceTest, ASceneIsDeletedUnaskedOnlyWhenItHoldsNothing)
{
    // The current scene is empty; the question is about the scene that goes.
    edit().project.getScene(3)->createObject(L"画像ファイル", 0, 0, 9);
    edit().project.getScene(4);
    answerBoxes(false);
    edit().deleteScene(3);
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"シーンを削除しますか？"});
    EXPECT_EQ(edit().project.scenes.count(3), 1u);
    edit().deleteScene(4);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(edit().project.scenes.count(4), 0u);
}

TEST_F(EditServiceTest, ANewProjectTakesTheDialogsFormatAndMakesItTheNextDefault)
{
    answerScenes({L"", 1280, 720, 24, 1, 48000});
    TestKit::LogCapture log;
    ASSERT_TRUE(edit().createProject());
    EXPECT_EQ(sceneTitles, std::vector<std::wstring>{L"プロジェクトを新規作成"});
    EXPECT_TRUE(log.contains("INFO|Edit::EditService::createProject|create project file"));
    EXPECT_EQ(scene().id, 0);
    EXPECT_EQ(scene().width, 1280);
    EXPECT_EQ(scene().audioRate, 48000);
    const Setting::SettingService& defaults = *Setting::SettingService::Get();
    EXPECT_EQ(defaults.projectWidth, 1280);
    EXPECT_EQ(defaults.projectHeight, 720);
    EXPECT_EQ(defaults.projectVideoRate, 24);
    EXPECT_EQ(defaults.projectVideoScale, 1);
    EXPECT_EQ(defaults.projectAudioRate, 48000);
    // A scene made later starts from them.
    EXPECT_EQ(edit().project.getScene(5)->height, 720);
}

TEST_F(EditServiceTest, SaveUndoAndCloseAsksBeforeTheChangeIsLost)
{
    const std::string path = TestKit::tempDir() + "/saved.vmp2";
    createRecorded(0, 0, 9);
    EXPECT_TRUE(undo().modified);
    Dialog::setSaveFileAnswerer([&](std::wstring& chosen, const std::wstring& filter) {
        chosen = wide(path);
        return filter == std::wstring(L"ProjectFile (*.vmp2)\0*.vmp2\0\0", 29);
    });
    TestKit::LogCapture log;
    ASSERT_TRUE(edit().overwriteSaveProject()); // no path yet: save as
    EXPECT_TRUE(log.contains(info("Edit::EditService::saveProject", L"save project file : " + wide(path))));
    EXPECT_EQ(edit().project.path, wide(path));
    EXPECT_EQ(edit().projectHistory.getFileName(0), wide(path));
    EXPECT_FALSE(undo().modified);

    ASSERT_TRUE(undo().undo());
    EXPECT_TRUE(undo().modified);
    answerBoxes(false);
    answerScenes({});
    EXPECT_FALSE(edit().createProject());
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"現在の編集データは破棄されますがよろしいですか？"});
    EXPECT_TRUE(sceneTitles.empty());

    // A backup copy leaves the project modified: its own file lacks the change.
    ASSERT_TRUE(edit().saveProject(wide(TestKit::tempDir() + "/copy.vmp2"), true));
    EXPECT_TRUE(undo().modified);

    ASSERT_TRUE(edit().loadProject(wide(path), false, true));
    EXPECT_FALSE(undo().modified);
    EXPECT_EQ(placedObjects(), 1u);
    EXPECT_TRUE(log.contains(info("Edit::EditService::loadProject", L"load project file : " + wide(path))));
}

TEST_F(EditServiceTest, AFailedSaveSaysSoAndKeepsTheChange)
{
    createRecorded(0, 0, 9);
    answerBoxes(true);
    EXPECT_FALSE(edit().saveProject(wide(TestKit::tempDir() + "/missing/folder/x.vmp2"), false));
    EXPECT_TRUE(undo().modified);
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"プロジェクトの保存に失敗しました"});
}

TEST_F(EditServiceTest, AProjectThatFailsToLoadLeavesNoPathToOverwrite)
{
    const std::string good = TestKit::tempDir() + "/good.vmp2";
    const std::string bad = TestKit::tempDir() + "/bad.vmp2";
    createRecorded(0, 0, 9);
    edit().project.setPath(wide(good));
    ASSERT_TRUE(edit().saveProject(wide(good), false));
    const std::string broken = "[project]\r\nfile=" + bad + "\r\n[scene.0]\r\nscene=abc\r\n";
    TestKit::writeFile(bad, broken);

    answerBoxes(true);
    EXPECT_FALSE(edit().loadProject(wide(bad), false, true));
    EXPECT_TRUE(edit().project.path.empty());
    EXPECT_EQ(edit().projectHistory.files, std::list<std::wstring>{wide(good)});
    EXPECT_EQ(placedObjects(), 0u);
    ASSERT_TRUE(waitForBox());
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"プロジェクトの読み込みに失敗しました"});
    // Saving now asks for a name (nobody answers) instead of writing over the file.
    EXPECT_FALSE(edit().overwriteSaveProject());
    EXPECT_EQ(TestKit::readFile(bad), broken);

    boxes.clear();
    EXPECT_FALSE(edit().loadProject(L"/no/such/project.vmp2", false, true));
    EXPECT_EQ(boxes, std::vector<std::wstring>{L"指定のファイルが存在しません"});
}

TEST_F(EditServiceTest, TheFilesOfAMovedProjectAreAskedAboutOutsideTheLock)
{
    auto object = scene().createObject(L"画像ファイル", 0, 0, 9);
    object->effects.front()->items[2]->setFilePath(L"/old/place/media/a.png");
    edit().project.setPath(L"/old/place/p.vmp2");
    const std::string folder = TestKit::tempDir() + "/moved";
    System::File::createDirectory(wide(folder).c_str());
    edit().project.saveProjectFile(wide(folder + "/p.vmp2").c_str());

    bool lockFree = false;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        boxes.push_back(box.text);
        lockFree = edit().projectLock.tryLockExclusive();
        if (lockFree)
            edit().projectLock.unlockExclusive();
        return Platform::Ui::BoxAnswer::Ok;
    });
    ASSERT_TRUE(edit().loadProject(wide(folder + "/p.vmp2"), false, true));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(lockFree);
    EXPECT_EQ(edit().project.path, wide(folder + "/p.vmp2"));
    const auto& loaded = scene().getLayer(0).objects.at(0);
    EXPECT_EQ(std::wstring(loaded->effects.front()->items[2]->getFilePath()), wide(folder + "/media/a.png"));
}

TEST_F(EditServiceTest, TheLastProjectOnTheCommandLineIsOpened)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring expected;
    };
    const std::vector<Case> cases = {
        {{L"velmora2", L"a.vmp2", L"-x", L"b.VMP2"}, L"b.VMP2"},
        {{L"velmora2", L"/home/u/c.vmp2", L"--flag.vmp2"}, L"/home/u/c.vmp2"},
        {{L"velmora2", L"%AppData%/r.vmp2"}, L"%AppData%/r.vmp2"},
        {{L"velmora2", L"x.vmp", L"y.vmp2.bak", L""}, L""},
        {{L"only.vmp2"}, L""}, // the program's own name
    };
    for (const Case& c : cases)
        EXPECT_EQ(Edit::EditService::processCommandLine(c.arguments), c.expected);
    // The test program's own arguments name no project.
    EXPECT_EQ(Edit::EditService::processCommandLine(), L"");
}

TEST_F(EditServiceTest, AResumeLoadKeepsTheStoredPathAndTheResumeFileIsNeverTheProject)
{
    createRecorded(0, 0, 9);
    edit().project.setPath(L"/stored/work.vmp2");
    edit().editResume = 1;
    edit().shutdown();
    const std::wstring resume = System::FileName::expand(L"%AppData%/resume.vmp2");
    ASSERT_TRUE(System::File::exists(resume.c_str()));

    edit().clearProject();
    edit().projectHistory.addFile(L"/older.vmp2");
    edit().historyFileMax = 1;
    scenesChanged.clear();
    edit().startup();
    EXPECT_EQ(edit().project.path, L"/stored/work.vmp2");
    EXPECT_EQ(placedObjects(), 1u);
    EXPECT_EQ(edit().projectHistory.files, std::list<std::wstring>{L"/stored/work.vmp2"});

    // Without resume, start-up announces the empty scene.
    edit().editResume = 0;
    edit().clearProject();
    scenesChanged.clear();
    edit().startup();
    EXPECT_EQ(placedObjects(), 0u);
    EXPECT_EQ(scenesChanged, std::vector<int>{0});
}

TEST_F(EditServiceTest, AnExceptionSavesItsBackupBeforeTheBoxAndThenDropsTheResumeFile)
{
    createRecorded(0, 0, 9);
    createRecorded(1, 10, 19);
    edit().editResume = 1;
    edit().shutdown();
    const std::wstring resume = System::FileName::expand(L"%AppData%/resume.vmp2");
    ASSERT_TRUE(System::File::exists(resume.c_str()));

    const std::wstring backupFolder = System::FileName::expand(L"%Backup%");
    size_t backupsWhenShown = 0;
    Platform::Ui::MessageBox shown;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        shown = box;
        backupsWhenShown = System::FileName::findFiles(backupFolder + L"/ExceptionBackup_*.vmp2", backupFolder.c_str()).size();
        return Platform::Ui::BoxAnswer::Ok;
    });
    TestKit::LogCapture log;
    edit().applicationException(std::runtime_error("out of order"));
    EXPECT_EQ(backupsWhenShown, 1u);
    EXPECT_EQ(shown.text, L"out of order\n\nプロジェクトをバックアップしてアプリケーションを終了します");
    EXPECT_EQ(shown.caption, Dialog::exceptionCaption());
    EXPECT_EQ(shown.icon, Platform::Ui::BoxIcon::Error);
    EXPECT_TRUE(log.contains(
        "ERROR|Dialog::showException|" +
        System::wideToAnsi(L"show exception dialog.\nout of order\n\nプロジェクトをバックアップしてアプリケーションを終了します")));
    EXPECT_FALSE(System::File::exists(resume.c_str()));
    edit().shutdown();
    EXPECT_FALSE(System::File::exists(resume.c_str())) << "no resume file after an exception";

    const auto backups = System::FileName::findFiles(backupFolder + L"/ExceptionBackup_*.vmp2", backupFolder.c_str());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_TRUE(log.contains(info("Edit::EditService::applicationException", L"exception backup : " + backups[0].path)));
    edit().clearProject();
    ASSERT_TRUE(edit().loadProject(backups[0].path, false, true));
    EXPECT_EQ(placedObjects(), 2u);
}

TEST_F(EditServiceTest, WithoutABackupTheResumeFileStays)
{
    edit().editResume = 1;
    edit().shutdown();
    const std::wstring resume = System::FileName::expand(L"%AppData%/resume.vmp2");
    ASSERT_TRUE(System::File::exists(resume.c_str()));
    // A file where the backup folder should be: the backup cannot be written.
    const std::string backupFolder = System::wideToUtf8(System::FileName::expand(L"%Backup%"));
    ASSERT_EQ(TestKit::runCommand("rm -rf '" + backupFolder + "'"), 0);
    TestKit::writeFile(backupFolder, "not a folder");
    answerBoxes(true);
    edit().applicationException(std::runtime_error("out of order"));
    EXPECT_EQ(boxes.size(), 1u) << "the user is told all the same";
    EXPECT_TRUE(System::File::exists(resume.c_str()));
}

TEST_F(EditServiceTest, TheCursorMovesByFramesOrSecondsWithinTheScene)
{
    scene().createObject(L"画像ファイル", 0, 0, 299);
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
    }
    struct Case {
        const wchar_t* amount;
        int direction;
        int expected;
    };
    const std::vector<Case> cases = {
        {L"5f", 1, 105},   {L"5f", -1, 95},  {L"1.5", 1, 145},         {L"2.5f", 1, 100}, {L"1000f", 1, 299},
        {L"20", -1, 0},    {L"0.05", 1, 102}, {L"99999999999f", 1, 100}, {L"-5f", 1, 100}, {L".5", 1, 100},
        {L"", 1, 100},     {L"5 f", 1, 100},
    };
    for (const Case& c : cases) {
        scene().cursorFrame = 100;
        edit().moveCursorFrame(c.amount, c.direction);
        EXPECT_EQ(scene().cursorFrame, c.expected) << System::wideToUtf8(c.amount) << " " << c.direction;
    }
    cursorMoves.clear();
    edit().setCursorFrame(400);
    edit().setCursorFrame(-3);
    EXPECT_EQ(cursorMoves, (std::vector<int>{299, 0}));
}

TEST_F(EditServiceTest, SelectingWatchesTheCtrlKeyAndAClickOnNothingClearsTheSelection)
{
    auto a = scene().createObject(L"画像ファイル", 0, 0, 9);
    auto locked = scene().createObject(L"画像ファイル", 1, 0, 9);
    scene().layers.at(1).layer->lock = true;
    // A control of a panel, watching keys through the window's router.
    System::ServiceReference<Window::WindowMouseService> router;
    Window::WindowMouseService& mouse = *Window::WindowMouseService::Get();
    Window::Rect panel{0, 0, 100, 100};
    Window::ControlContainer container(0, 0, 200, &panel, &panel);
    struct Control : Window::WindowControl {
        using WindowControl::WindowControl;
        void procPaint() override {}
    } control(container, 0, 0, 10, 10);

    edit().selectObject(&control, a, false);
    EXPECT_TRUE(a->selected);
    EXPECT_EQ(mouse.keyWatchTarget, &control);
    EXPECT_EQ(mouse.keyWatchKey, 17);
    EXPECT_EQ(selectionChanges, 1);
    EXPECT_FALSE(edit().addSelectObject(a, true));
    EXPECT_TRUE(edit().addSelectObject(locked, true)) << "asked, though nothing is added";
    EXPECT_FALSE(locked->selected);
    EXPECT_EQ(scene().selection.objects.size(), 1u);

    Platform::Ui::setKeyDown(17, true);
    edit().clickClearSelectObject(&control);
    EXPECT_EQ(scene().selection.objects.size(), 1u);
    Platform::Ui::setKeyDown(17, false);
    mouse.pressTarget = &control; // a press is pending
    edit().clickClearSelectObject(&control);
    EXPECT_EQ(mouse.keyWatchKey, 0x10000);
    EXPECT_EQ(scene().selection.objects.size(), 1u);
    mouse.pressTarget = nullptr;
    selectionChanges = 0;
    edit().clickClearSelectObject(&control);
    EXPECT_TRUE(scene().selection.objects.empty());
    EXPECT_FALSE(a->selected);
    EXPECT_EQ(selectionChanges, 1);
}

TEST_F(EditServiceTest, FocusAndLayerNames)
{
    auto a = scene().createObject(L"画像ファイル", 0, 0, 9);
    int focusChanges = 0;
    events().focusObjectChanged.push_back([&](std::shared_ptr<Edit::Object>& o) { focusChanges += o == a; });
    edit().setFocusObject(a);
    edit().setFocusObject(a);
    EXPECT_EQ(focusChanges, 1);
    scene().layers.at(0).layer->name = L"背景";
    EXPECT_EQ(edit().getLayerName(0), L"背景");
    EXPECT_EQ(edit().getLayerName(6), L"Layer7");
}

TEST_F(EditServiceTest, TheEffectsHandlesReadTheEditSettingsAndEditThroughTheService)
{
    Effect::AnchorHost& host = Effect::AnchorHost::get();
    ASSERT_EQ(&host, edit().anchorHost);
    int edits = 0;
    events().editChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++edits; });
    const bool visible = host.isVisibleClippingObject();
    TestKit::LogCapture log;
    host.toggleVisibleClippingObject();
    EXPECT_NE(host.isVisibleClippingObject(), visible);
    EXPECT_EQ(edits, 1);
    EXPECT_TRUE(log.contains(std::string("INFO|Edit::EditCommand::setVisibleClippingObjectView|set visible clipping "
                                         "object enable=") +
                             (visible ? "0" : "1")));
    EXPECT_TRUE(history().steps.empty());

    scene().createObject(L"画像ファイル", 0, 0, 49);
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
    }
    host.setCursorFrame(30);
    EXPECT_EQ(scene().cursorFrame, 30);
    EXPECT_EQ(cursorMoves, std::vector<int>{30});
}

TEST_F(EditServiceTest, BothOwnersOfTheEditSectionKeepTheirKeys)
{
    edit().editResume = 1;
    edit().customMoveFrameA = L"12f";
    Effect::AnchorHost::get().edit.anchorObjectMoveSnap = 0;
    releaseServices();
    System::IniFile& ini = *System::Config::iniFile;
    Setting::SettingService::Get()->projectWidth = 800;
    Setting::SettingService::Get()->editSection.save(ini);
    const auto section = ini.getSection("Edit");
    EXPECT_EQ(section.section().size(), 35u);
    EXPECT_EQ(section.findValue("EditResume").text, "1");
    EXPECT_EQ(section.findValue("CustomMoveFrameA").text, "12f");
    EXPECT_EQ(section.findValue("AnchorObjectMoveSnap").text, "0");
    EXPECT_EQ(section.findValue("ProjectWidth").text, "800");
}

TEST_F(EditServiceTest, APasteIsOneUndoableEditWithGroupsOfItsOwn)
{
    auto a = scene().createObject(L"画像ファイル", 0, 0, 9);
    auto b = scene().createObject(L"画像ファイル", 1, 0, 9);
    auto group = std::make_shared<Edit::Group>();
    for (auto* o : {a.get(), b.get()}) {
        o->group = group;
        group->members.insert(o);
    }
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
    }
    Edit::ObjectList clipboard;
    Edit::pushObjectCopy(clipboard, *a);
    Edit::pushObjectCopy(clipboard, *b);
    const std::string before = projectText();
    int focusChanges = 0;
    events().focusObjectChanged.push_back([&](std::shared_ptr<Edit::Object>&) { ++focusChanges; });

    const Edit::ObjectList placed = edit().pasteObjectList(clipboard, 0, 0, true);
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0]->start, 10) << "moved past what the layers hold";
    ASSERT_NE(placed[0]->group, nullptr);
    EXPECT_NE(placed[0]->group, group);
    EXPECT_EQ(placed[0]->group, placed[1]->group);
    EXPECT_EQ(scene().focusObject, placed[0]);
    EXPECT_EQ(focusChanges, 1);
    ASSERT_EQ(history().steps.size(), 1u);
    const std::string after = projectText();

    ASSERT_TRUE(undo().undo());
    EXPECT_EQ(placed[0]->layer, -1);
    EXPECT_EQ(placed[0]->group, nullptr);
    EXPECT_EQ(scene().focusObject, nullptr);
    EXPECT_EQ(projectText(), before);
    ASSERT_TRUE(undo().redo());
    EXPECT_EQ(placed[1]->group, placed[0]->group);
    // The focus is not part of the step: once given back, the project is as pasted.
    edit().setFocusObject(placed[0]);
    EXPECT_EQ(projectText(), after);
}

TEST_F(EditServiceTest, TheBackgroundFigureFillsTheCurrentScene)
{
    answerScenes({L"", 320, 240, 30, 1, 44100});
    ASSERT_TRUE(edit().newScene());
    int width = 0;
    int height = 0;
    Resource::getSceneSize(width, height);
    EXPECT_EQ(width, 320);
    EXPECT_EQ(height, 240);
    edit().updateScene(0);
    Resource::getSceneSize(width, height);
    EXPECT_EQ(width, Setting::SettingService::Get()->projectWidth);
}
