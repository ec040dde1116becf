// The recent-project list in history.ini and the backup list over the backup
// folder, with its automatic backup.
#include "core/file_name.h"
#include "tests/project/edit_fixture.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using EditTest::EditFixture;
namespace fs = std::filesystem;

std::wstring wide(const std::string& text)
{
    return System::utf8ToWide(text);
}

class HistoryTest : public EditFixture {
protected:
    HistoryTest()
    {
        backupFolder = System::wideToUtf8(System::FileName::expand(L"%Backup%"));
        fs::remove_all(backupFolder);
        fs::create_directories(backupFolder);
        historyFile = System::wideToUtf8(System::FileName::expand(L"%AppData%/history.ini"));
    }
    ~HistoryTest() override { edit().backupHistory.clearAutoBackupTimer(); }

    // The backup folder's files by name.
    std::vector<std::string> backups() { return TestKit::listFolder(backupFolder); }
    std::string backup(const std::string& name) { return backupFolder + "/" + name; }
    std::vector<std::wstring> list(const Edit::FileHistory& history)
    {
        return {history.files.begin(), history.files.end()};
    }

    std::string backupFolder;
    std::string historyFile;
};

TEST_F(HistoryTest, HistoryIniReadsKeysOneToFiftyInOrderAndSavesThemConsecutively)
{
    TestKit::writeFile(historyFile, "[project]\r\n3=/b/三.vmp2\r\n60=/c/late.vmp2\r\n1=/a/一.vmp2\r\n");
    Edit::ProjectHistory& history = edit().projectHistory;
    history.loadFileList();
    EXPECT_EQ(list(history), (std::vector<std::wstring>{L"/a/一.vmp2", L"/b/三.vmp2"}));

    TestKit::LogCapture log;
    history.saveFileList();
    EXPECT_EQ(TestKit::readFile(historyFile), "[project]\r\n1=/a/一.vmp2\r\n2=/b/三.vmp2\r\n");
    EXPECT_TRUE(log.contains("VERBOSE|System::IniFile::Save::Save|saveFile : " + historyFile));

    // A missing file gives an empty list.
    fs::remove(historyFile);
    history.loadFileList();
    EXPECT_TRUE(history.files.empty());
}

TEST_F(HistoryTest, AddingMovesADuplicateToTheFrontAndTrimsToTheMaximum)
{
    Edit::ProjectHistory& history = edit().projectHistory;
    history.files.clear();
    history.maxCount = 3;
    for (const wchar_t* path : {L"/p/a.vmp2", L"/p/b.vmp2", L"/p/c.vmp2", L"/p/a.vmp2", L"/p/d.vmp2"})
        history.addFile(path);
    EXPECT_EQ(list(history), (std::vector<std::wstring>{L"/p/d.vmp2", L"/p/a.vmp2", L"/p/c.vmp2"}));
    // Paths without a file name, and comparisons that differ in case only.
    history.addFile(L"");
    history.addFile(L"/p/folder/");
    history.addFile(L"C:\\folder\\");
    history.addFile(L"/p/D.vmp2");
    EXPECT_EQ(list(history), (std::vector<std::wstring>{L"/p/D.vmp2", L"/p/d.vmp2", L"/p/a.vmp2"}));

    EXPECT_EQ(history.getFileName(0), L"/p/D.vmp2");
    EXPECT_EQ(history.getFileName(2), L"/p/a.vmp2");
    EXPECT_EQ(history.getFileName(-1), L"");
    EXPECT_EQ(history.getFileName(3), L"");
    ASSERT_EQ(history.getFileList().size(), 3u);
    EXPECT_EQ(*history.getFileList()[1], L"/p/d.vmp2");
}

TEST_F(HistoryTest, HistoryFileMaxZeroEmptiesTheListAtStartUpAndKeepsItEmpty)
{
    edit().projectHistory.addFile(L"/p/a.vmp2");
    edit().historyFileMax = 0;
    edit().startup();
    EXPECT_TRUE(edit().projectHistory.files.empty());
    edit().projectHistory.addFile(L"/p/b.vmp2");
    EXPECT_TRUE(edit().projectHistory.files.empty());
    // An out-of-range maximum is held to 50.
    edit().historyFileMax = 70;
    edit().startup();
    EXPECT_EQ(edit().projectHistory.maxCount, 50);
}

TEST_F(HistoryTest, StartUpKeepsTheNewestAutomaticBackupsAndDeletesTheOldest)
{
    // Five backups saved by the timer's own tick, a few milliseconds apart.
    createRecorded(0, 0, 9);
    Edit::BackupHistory& backupsList = edit().backupHistory;
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        backupsList.autoBackupProject();
    }
    const std::vector<std::string> made = backups(); // by name: oldest first
    ASSERT_EQ(made.size(), 5u);
    EXPECT_EQ(edit().project.path, L""); // a backup is no save of the project
    EXPECT_TRUE(edit().projectHistory.files.empty());

    // A fresh scan at start-up, as after the next start of the program.
    backupsList.loadFileList();
    ASSERT_EQ(backupsList.files.size(), 5u);
    EXPECT_EQ(backupsList.getFileName(0), wide(backup(made[4])));
    edit().autoBackupFileMax = 3;
    edit().startup();
    EXPECT_EQ(backups(), (std::vector<std::string>{made[2], made[3], made[4]}));
    EXPECT_EQ(list(backupsList), (std::vector<std::wstring>{wide(backup(made[4])), wide(backup(made[3])),
                                                             wide(backup(made[2]))}));
    // The files are projects.
    Edit::Project project;
    EXPECT_EQ(project.loadProjectFile(wide(backup(made[4])).c_str()), 0);
}

TEST_F(HistoryTest, BackupsOfBothKindsAreOrderedByTheTimeTheyWereMade)
{
    // By name the exception backups come first; by time they interleave.
    for (const char* name : {"AutoBackup_2026-03-01_10-00-00-000.vmp2", "AutoBackup_2026-03-01_12-00-00-000.vmp2",
                             "ExceptionBackup_2026-03-01_09-00-00-000.vmp2",
                             "ExceptionBackup_2026-03-01_11-00-00-000.vmp2", "copied by hand.vmp2", "notes.txt"})
        TestKit::writeFile(backup(name), "[project]\r\n");
    // The file without a time stamp was made in 2020.
    fs::last_write_time(backup("copied by hand.vmp2"),
                        fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 6));
    Edit::BackupHistory& history = edit().backupHistory;
    history.loadFileList();
    EXPECT_EQ(list(history), (std::vector<std::wstring>{wide(backup("AutoBackup_2026-03-01_12-00-00-000.vmp2")),
                                                        wide(backup("ExceptionBackup_2026-03-01_11-00-00-000.vmp2")),
                                                        wide(backup("AutoBackup_2026-03-01_10-00-00-000.vmp2")),
                                                        wide(backup("ExceptionBackup_2026-03-01_09-00-00-000.vmp2")),
                                                        wide(backup("copied by hand.vmp2"))}));
    history.maxCount = 2;
    history.trimFileList();
    EXPECT_EQ(backups(), (std::vector<std::string>{"AutoBackup_2026-03-01_12-00-00-000.vmp2",
                                                   "ExceptionBackup_2026-03-01_11-00-00-000.vmp2", "notes.txt"}));

    // A missing folder gives an empty list.
    fs::remove_all(backupFolder);
    history.loadFileList();
    EXPECT_TRUE(history.files.empty());
}

TEST_F(HistoryTest, TimeStampsAreReadOnlyFromTheNameFormat)
{
    struct Case {
        const wchar_t* path;
        bool stamped;
        int64_t key;
    };
    const Case cases[] = {
        {L"/b/AutoBackup_2026-12-31_23-59-58-007.vmp2", true, 20261231235958007},
        {L"/b/x_y_10000-01-02_03-04-05-006.vmp2", true, 100000102030405006},
        {L"/b/AutoBackup_2026-12-31_23-59-58.vmp2", false, 0},
        {L"/b/AutoBackup-2026-12-31_23-59-58-007.vmp2", false, 0},
        {L"/b/2026-12-31_23-59-58-007.vmp2", false, 0},
        {L"/b/AutoBackup_2026-1a-31_23-59-58-007.vmp2", false, 0},
        {L"/b/a.vmp2", false, 0},
    };
    for (const Case& c : cases) {
        int64_t key = 0;
        EXPECT_EQ(Edit::BackupHistory::timeStampOf(c.path, key), c.stamped) << System::wideToUtf8(c.path);
        if (c.stamped) {
            EXPECT_EQ(key, c.key) << System::wideToUtf8(c.path);
        }
    }
}

TEST_F(HistoryTest, TheTimerRunsOnlyWithBackupOnAndIntervalAndMaximumAboveZero)
{
    struct Case {
        int on, interval, maximum;
        bool set;
    };
    const Case cases[] = {{1, 5, 10, true}, {1, 0, 10, false}, {1, 5, 0, false}, {0, 5, 10, false},
                          {1, -1, 10, false}, {1, 2000000000, 1, true}};
    Edit::BackupHistory& history = edit().backupHistory;
    for (const Case& c : cases) {
        edit().autoBackup = c.on;
        edit().autoBackupInterval = c.interval;
        edit().autoBackupFileMax = c.maximum;
        history.updateAutoBackupTimer();
        EXPECT_EQ(history.timer.isSet(), c.set) << c.on << " " << c.interval << " " << c.maximum;
    }

    // A tick of the timer writes a backup, whether the project changed or not.
    edit().autoBackup = 1;
    edit().autoBackupInterval = 1;
    edit().autoBackupFileMax = 10;
    history.updateAutoBackupTimer();
    ASSERT_TRUE(history.timer.isSet());
    TestKit::LogCapture log;
    System::Timer::timerProc(history.timer.id);
    ASSERT_EQ(backups().size(), 1u);
    EXPECT_EQ(history.getFileName(0), wide(backup(backups()[0])));
    EXPECT_TRUE(log.contains("INFO|Edit::BackupHistory::autoBackupProject|auto backup : " + backup(backups()[0])));
}

TEST_F(HistoryTest, AFailedBackupSaveDeletesNothingAndListsNothing)
{
    for (const char* name : {"AutoBackup_2026-03-01_10-00-00-000.vmp2", "AutoBackup_2026-03-01_11-00-00-000.vmp2",
                             "AutoBackup_2026-03-01_12-00-00-000.vmp2"})
        TestKit::writeFile(backup(name), "[project]\r\n");
    Edit::BackupHistory& history = edit().backupHistory;
    history.loadFileList();
    history.maxCount = 3;
    const std::vector<std::wstring> before = list(history);

    // An object that cannot be written: every save fails half-way (as on a full disk).
    {
        Edit::UpdateSection update;
        update.updateLayerObject = true;
        scene().createObject(L"壊れ", 0, 0, 9);
    }
    answerBoxes(true);
    ProjectTest::breakWriting = true;
    for (int tick = 0; tick < 3; ++tick)
        history.autoBackupProject();
    ProjectTest::breakWriting = false;
    EXPECT_EQ(backups().size(), 3u);
    EXPECT_EQ(list(history), before);
    // The save path tells of each failure.
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([this] { return boxes.size() >= 3; }, 5000));
    EXPECT_EQ(boxes[0], L"プロジェクトの保存に失敗しました");

    // The folder gone: the same.
    fs::remove_all(backupFolder);
    TestKit::writeFile(backupFolder, "not a folder");
    history.autoBackupProject();
    EXPECT_EQ(list(history), before);
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([this] { return boxes.size() >= 4; }, 5000));
    fs::remove(backupFolder);
}

} // namespace
