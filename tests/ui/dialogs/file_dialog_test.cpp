// Message boxes and the open and save file dialogs.
#include "core/config.h"
#include "core/event_service.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "platform/ui/main_thread.h"
#include "core/report.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "io/output/avi_file_save.h"
#include "io/output/output_host.h"
#include "platform/ui/file_dialog.h"
#include "tests/support/test_support.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialog.h"
#include "ui/menus/dialogs/file_dialog.h"
#include "ui/menus/dialogs/input_dialog.h"
#include "ui/menus/output_service_host.h"

#include <cstdio>

using namespace DialogTest;

namespace {

struct Boxes : DialogFixture {
    void SetUp() override
    {
        DialogFixture::SetUp();
        Ui::setMessageBoxAnswerer([this](const Ui::MessageBox& box) {
            shown.push_back(box.text);
            return box.defaultAnswer;
        });
        Dialog::installReportSink();
    }
    void TearDown() override
    {
        translate.reset();
        System::Config::iniFile.reset();
        System::Report::setSink({});
        Ui::setMessageBoxAnswerer(nullptr);
        DialogFixture::TearDown();
    }
    // A language file with two "Message" keys, loaded.
    void loadLanguage()
    {
        const std::string folder = System::toLocalPath(System::FileName::expand(L"%Language%"));
        TestKit::writeFile(folder + "/Test.vml2", "[Message]\n"
                                                  "保存できません=Cannot save\n"
                                                  "x が不正です=x is invalid\n");
        System::Config::iniFile = std::make_shared<System::IniFile>();
        System::Config::iniFile->loadText("[Translate]\nLanguage=Test\n", L"test", false);
        translate = std::make_unique<System::ServiceReference<Translate::TranslateService>>();
        ASSERT_TRUE(Translate::TranslateService::enabled);
    }
    std::vector<std::wstring> shown;
    std::unique_ptr<System::ServiceReference<Translate::TranslateService>> translate;
};

struct FileDialogs : DialogFixture {
    const std::wstring filter = std::wstring(L"AVI\0*.avi\0Movie\0*.mp4;*.MOV\0All\0*.*\0\0", 37);
    std::wstring folder() const { return System::fromLocalPath(TestKit::tempDir()); }
};

} // namespace

TEST_F(Boxes, ErrorTextsAreCutTranslatedOnlyAsWholeKeysAndDecodedAsUtf8)
{
    Dialog::showError(L"%s", std::wstring(2000, L'x').c_str());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], std::wstring(1023, L'x'));

    Dialog::showError("file [%s]", "/tmp/日本語.avi");
    EXPECT_EQ(shown.back(), L"file [/tmp/日本語.avi]");

    loadLanguage();
    Dialog::showError(L"保存できません");
    EXPECT_EQ(shown.back(), L"Cannot save");
    Dialog::showError(L"%s が不正です", L"x"); // the whole text is a key
    EXPECT_EQ(shown.back(), L"x is invalid");
    Dialog::showError(L"%s が不正です", L"y");
    EXPECT_EQ(shown.back(), L"y が不正です");
    Dialog::showError("保存できません"); // narrow texts are never translated
    EXPECT_EQ(shown.back(), L"保存できません");
}

TEST_F(Boxes, PostedErrorsShowPercentSignsLiterally)
{
    System::ServiceReference<Event::EventService> events;
    Dialog::postError(L"rate %s", L"%d of %s");
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return !shown.empty(); }, 5000));
    EXPECT_EQ(shown[0], L"rate %d of %s");
}

TEST_F(FileDialogs, TheStartPathChoosesTheFilterAndTheDefaultExtension)
{
    struct Case {
        const wchar_t* name;
        int index;
        const wchar_t* extension;
    };
    for (const Case& c : {Case{L"a.avi", 1, L"avi"}, Case{L"b.mov", 2, L"mp4"}, Case{L"c.MP4", 2, L"mp4"},
                          Case{L"d.txt", 1, L"avi"}, Case{L"e", 1, L"avi"}}) {
        Drive::FileBoxState state;
        drive([&](Ui::DialogHandle d) {
            state = Drive::fileBoxState(d);
            Drive::closeBox(d);
        });
        std::wstring path = folder() + L"/" + c.name;
        EXPECT_FALSE(Dialog::showOpenFileDialog(path, filter));
        EXPECT_EQ(path, folder() + L"/" + c.name); // cancel changes nothing
        EXPECT_EQ(state.filterIndex, c.index) << System::wideToUtf8(c.name);
        EXPECT_EQ(state.defaultExtension, c.extension) << System::wideToUtf8(c.name);
        EXPECT_EQ(state.folder, folder());
        EXPECT_EQ(state.name, c.name);
        EXPECT_FALSE(state.save);
    }
}

TEST_F(FileDialogs, OnlyTheSaveDialogAsksBeforeReplacingAndTypedNamesGetTheExtension)
{
    const std::wstring existing = folder() + L"/old.avi";
    TestKit::writeFile(System::toLocalPath(existing), "RIFF");
    std::wstring question;
    bool openAfterNo = false;
    Drive::FileBoxState state;
    drive([&](Ui::DialogHandle d) {
        state = Drive::fileBoxState(d);
        Drive::acceptFile(d, L"old.avi", false, &question);
        openAfterNo = Ui::dialogOpen(d) && !question.empty();
        Drive::acceptFile(d, L"old.avi", true, &question);
    });
    std::wstring path = folder() + L"/new.avi";
    ASSERT_TRUE(Dialog::showSaveFileDialog(path, filter, L"名前を付けて保存"));
    EXPECT_TRUE(openAfterNo);
    EXPECT_NE(question.find(L"old.avi"), std::wstring::npos);
    EXPECT_EQ(path, existing);
    EXPECT_TRUE(state.save);
    EXPECT_EQ(state.title, L"名前を付けて保存");

    drive([&](Ui::DialogHandle d) { Drive::acceptFile(d, L"old.avi", false, &question); });
    path = folder() + L"/x.avi";
    ASSERT_TRUE(Dialog::showOpenFileDialog(path, filter));
    EXPECT_EQ(question, L"");
    EXPECT_EQ(path, existing);

    drive([&](Ui::DialogHandle d) { Drive::acceptFile(d, L"typed", true, &question); });
    path = folder() + L"/x.mov";
    ASSERT_TRUE(Dialog::showSaveFileDialog(path, filter));
    EXPECT_EQ(path, folder() + L"/typed.mp4");
}

TEST_F(FileDialogs, ANameTheFileSystemCannotHoldStartsEmpty)
{
    std::wstring shownName = L"?";
    drive([&](Ui::DialogHandle d) {
        shownName = Drive::fileBoxState(d).name;
        Drive::closeBox(d);
    });
    std::wstring path = folder() + L"/" + std::wstring(100, L'長') + L".avi"; // 304 bytes
    EXPECT_FALSE(Dialog::showSaveFileDialog(path, filter));
    EXPECT_EQ(shownName, L"");
}

TEST_F(FileDialogs, TheWritersStripOpensItsSettingsAndShowsThemAfter)
{
    Dialog::OutputServiceHost host;
    Plugin::OutputHost::install(&host);
    Plugin::AviFileSave writer;
    writer.videoType = L"RGBA64bit(PA64)"; // no longer offered: the dialog shows RGB24bit
    std::wstring before, after, startVideo;
    std::vector<std::string> seen;
    drive([&](Ui::DialogHandle d) {
        seen.push_back(Ui::dialogName(d));
        if (Ui::dialogName(d) == "AviFileSaveDialog") {
            std::vector<Ui::ControlHandle> lists;
            for (Ui::ControlHandle c : Ui::dialogControls(d))
                if (Ui::controlType(c) == Ui::ControlType::DropList)
                    lists.push_back(c);
            ASSERT_EQ(lists.size(), 2u);
            startVideo = Ui::controlText(lists[0]);
            Ui::selectChoice(lists[0], 2);
            Drive::click(Ui::findControl(d, 6));
            return;
        }
        before = Ui::controlText(Ui::findControl(d, Ui::FileDialogStrip::TextId));
        Drive::click(Ui::findControl(d, Ui::FileDialogStrip::ButtonId));
        after = Ui::controlText(Ui::findControl(d, Ui::FileDialogStrip::TextId));
        Drive::acceptFile(d, L"out", true);
    });
    std::wstring path = folder() + L"/a.avi";
    ASSERT_TRUE(writer.chooseFile(path));
    Plugin::OutputHost::install(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"SaveFileDialog", "AviFileSaveDialog"}));
    EXPECT_EQ(before, L"Video: RGBA64bit(PA64) / Audio: PCM16bit");
    EXPECT_EQ(startVideo, L"RGB24bit");
    EXPECT_EQ(after, L"Video: YUY2 / Audio: PCM16bit");
    EXPECT_EQ(writer.videoType, L"YUY2");
    EXPECT_EQ(path, folder() + L"/out.avi");
    EXPECT_EQ(writer.panel, nullptr);
}
