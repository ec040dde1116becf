// The program settings dialogs, driven for real on the services they edit.
#include "core/config.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/logger_service.h"
#include "core/translate_service.h"
#include "media/yuv_format.h"
#include "tests/media/gpu_fixture.h"
#include "tests/project/edit_fixture.h"
#include "tests/render/media_cache_fixture.h"
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/menus/dialogs/setting_dialogs.h"

#include <cstdlib>

using namespace DialogTest;
namespace Key = Platform::Ui::Key;

namespace {
Ui::ControlHandle row(const Dialog::DialogTemplate& dialog, size_t index)
{
    return dialog.items.at(index)->hwnd;
}
void ok(Ui::DialogHandle d)
{
    Drive::click(Ui::findControl(d, Dialog::IdSubmit));
}
} // namespace

TEST_F(DialogFixture, LogDialogListsNoneFirstAndNoneStopsFileLogging)
{
    System::ServiceReference<Logger::LoggerService> reference;
    Logger::LoggerService* logger = Logger::LoggerService::Get();
    Dialog::LogSettingDialog dialog;
    std::wstring shown, firstChoice, linesHint;
    drive([&](Ui::DialogHandle d) {
        shown = Ui::controlText(row(dialog, 1)); // file level 4
        Drive::key(row(dialog, 1), Key::Home);
        firstChoice = Ui::controlText(row(dialog, 1));
        Drive::replaceText(row(dialog, 3), L"0");
        ok(d);
        linesHint = hint();
        Drive::replaceText(row(dialog, 3), L"10000");
        Drive::replaceText(row(dialog, 4), L"3");
        ok(d);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(shown, L"ERROR");
    EXPECT_EQ(firstChoice, L"NONE");
    EXPECT_EQ(linesHint, L"値が不正です (1 - 10000)");
    EXPECT_EQ(logger->fileLogLevel, 0);
    EXPECT_EQ(logger->viewLogLevel, 2);
    EXPECT_EQ(logger->maxViewLine, 10000);
    EXPECT_EQ(logger->maxFileNum, 3);
    System::Log::error("LogDialogTest", L"an error after NONE");
    EXPECT_TRUE(logger->logFilePath.empty()) << "no log file is started";

    // Cancel keeps everything.
    Dialog::LogSettingDialog cancelled;
    drive([&](Ui::DialogHandle d) {
        Drive::key(row(cancelled, 0), Key::End);
        Drive::keyToDialog(d, Key::Escape);
    });
    EXPECT_FALSE(cancelled.show());
    EXPECT_EQ(logger->viewLogLevel, 2);
}

namespace {
struct Caches : CacheTest::CacheFixture {
    void TearDown() override
    {
        Ui::setDialogDriver(nullptr);
        CacheFixture::TearDown();
    }
};
} // namespace

TEST_F(Caches, LoweredLimitsEvictAtOnceOldestFirst)
{
    const int memory = Setting::SettingService::Get()->system.installedMemory;
    ASSERT_GT(memory, 100);
    // Three 60 MB pictures (the size is the cache's bookkeeping) and seven open files.
    auto& images = caches->imageCache->cache;
    for (int i = 0; i < 3; ++i)
        images.put(Cache::CacheKey{L"picture", i}, Media::ImageBuffer::create(Media::Format::B8G8R8A8Unorm, 1, 1),
                   60 << 20);
    std::vector<std::wstring> files;
    for (int i = 0; i < 7; ++i) {
        files.push_back(L"/tmp/settings-dialog-" + std::to_wstring(i) + L".tone");
        addTone(files.back(), {});
        ASSERT_TRUE(input->getInputFile(files.back(), Plugin::InputService::TypeVideo));
    }
    Dialog::CacheSizeDialog dialog;
    std::wstring imageHint;
    Ui::setDialogDriver([&](Ui::DialogHandle d) {
        Drive::replaceText(row(dialog, 0), L"99");
        ok(d);
        imageHint = DialogFixture::hint();
        Drive::replaceText(row(dialog, 0), L"100");
        Drive::replaceText(row(dialog, 3), L"5");
        ok(d);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(imageHint, L"値が不正です (100 - " + std::to_wstring(memory) + L")");
    EXPECT_EQ(caches->imageCache->imageCacheSize, 100);
    EXPECT_FALSE(images.find(Cache::CacheKey{L"picture", 0}));
    EXPECT_FALSE(images.find(Cache::CacheKey{L"picture", 1}));
    EXPECT_TRUE(images.find(Cache::CacheKey{L"picture", 2}));
    EXPECT_EQ(input->fileHandleMax, 5);
    std::lock_guard lock(input->fileCache.mutex);
    EXPECT_EQ(input->fileCache.map.size(), 5u);
    EXPECT_FALSE(input->fileCache.map.count(files[0]));
    EXPECT_FALSE(input->fileCache.map.count(files[1]));
    EXPECT_TRUE(input->fileCache.map.count(files[6]));
}

namespace {
struct DisplayColor : TestKit::GpuFixture {
    void SetUp() override
    {
        GpuFixture::SetUp();
        Ui::initializeApplication();
    }
    void TearDown() override
    {
        Ui::setDialogDriver(nullptr);
        GpuFixture::TearDown();
    }
};
} // namespace

TEST_F(DisplayColor, AutomaticStoresEmptyAndAnUnknownNameShowsAutomatic)
{
    const auto& table = Media::YUVformat::rgbToYuvTable();
    ASSERT_FALSE(table.empty());
    struct Case {
        std::wstring stored;
        int key; // pressed in the colour-space list
        std::wstring shown, after;
    };
    const Case cases[] = {
        {L"gone", Key::Down, L"自動", table[0].name},
        {table[0].name, Key::Home, table[0].name, L""},
        {L"", Key::End, L"自動", table.back().name},
    };
    for (const Case& c : cases) {
        d3d->OutputYUVColorSpace = c.stored;
        d3d->OutputYUVColorRange = 0;
        Dialog::DislpayColorSettingDialog dialog;
        std::wstring shown;
        Ui::setDialogDriver([&](Ui::DialogHandle d) {
            shown = Ui::controlText(row(dialog, 2));
            Drive::key(row(dialog, 2), c.key);
            Drive::key(row(dialog, 3), Key::End);
            ok(d);
        });
        ASSERT_TRUE(dialog.show());
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(d3d->OutputYUVColorSpace, c.after);
        EXPECT_EQ(d3d->OutputYUVColorRange, 1);
    }
}

namespace {
struct General : EditTest::EditFixture {
    ~General() override { Ui::setDialogDriver(nullptr); }
};
} // namespace

TEST_F(General, MoveAmountsTakeSecondsOrFramesOnly)
{
    Dialog::GeneralSettingDialog dialog;
    std::vector<std::wstring> hints;
    Ui::setDialogDriver([&](Ui::DialogHandle d) {
        Drive::replaceText(row(dialog, 1), L"1/2");
        ok(d);
        hints.push_back(DialogFixture::hint());
        Drive::replaceText(row(dialog, 1), L"2.5");
        Drive::replaceText(row(dialog, 2), L"");
        ok(d);
        hints.push_back(DialogFixture::hint());
        Drive::replaceText(row(dialog, 2), L"15f");
        Drive::key(row(dialog, 0), Key::Home);
        ok(d);
    });
    ASSERT_TRUE(dialog.show());
    EXPECT_EQ(hints, (std::vector<std::wstring>{L"値が不正です", L"必須項目です"}));
    EXPECT_EQ(edit().customMoveFrameA, L"2.5");
    EXPECT_EQ(edit().customMoveFrameB, L"15f");
    EXPECT_EQ(edit().customMoveFrameC, L"30");
    EXPECT_EQ(edit().moveFrameSelectRangeMode, 0);
}

namespace {
struct Language : DialogFixture {
    static std::string folder() { return System::toLocalPath(System::FileName::expand(L"%Language%")); }
    void SetUp() override
    {
        DialogFixture::SetUp();
        ::setenv("LANGUAGE", "ja_JP.UTF-8", 1);
        TestKit::writeFile(folder() + "/Deutsch.vml2", "[Dialog]\n言語=Sprache\n");
        TestKit::writeFile(folder() + "/Zulu.vml2", "[Dialog]\n言語=Ulimi\n");
        System::Config::iniFile = std::make_shared<System::IniFile>();
        System::Config::iniFile->loadText("[Translate]\nLanguage=*\n", L"test", false);
        translate = std::make_unique<System::ServiceReference<Translate::TranslateService>>();
        Translate::TranslateService::Get()->rebuildTranslatedTexts = [this] { ++rebuilt; };
    }
    void TearDown() override
    {
        translate.reset();
        System::Config::iniFile.reset();
        for (const char* name : {"/Deutsch.vml2", "/Zulu.vml2"})
            std::remove((folder() + name).c_str());
        DialogFixture::TearDown();
    }
    std::unique_ptr<System::ServiceReference<Translate::TranslateService>> translate;
    int rebuilt = 0;
};
} // namespace

TEST_F(Language, DefaultStoresNoLanguageAndAFileReloadsAtOnce)
{
    Translate::TranslateService& service = *Translate::TranslateService::Get();
    struct Case {
        std::wstring stored;
        std::vector<int> keys;
        std::wstring shown, label, after;
        bool enabled;
    };
    // The row's label shows in the language loaded before.
    const Case cases[] = {
        {L"*", {Key::End}, L"Default", L"言語", L"Zulu", true},
        {L"Zulu", {Key::Home, Key::Down}, L"Zulu", L"Ulimi", L"Deutsch", true},
        {L"Deutsch", {Key::Home}, L"Deutsch", L"Sprache", L"", false},
    };
    for (const Case& c : cases) {
        service.language = c.stored;
        Dialog::LanguageDialog dialog;
        std::wstring shown, label;
        bool hasOk = false;
        drive([&](Ui::DialogHandle d) {
            shown = Ui::controlText(row(dialog, 0));
            for (Ui::ControlHandle control : Ui::dialogControls(d))
                if (Ui::controlType(control) == Ui::ControlType::Static)
                    label = Ui::controlText(control);
            hasOk = Ui::findControl(d, Dialog::IdSubmit) != nullptr;
            for (int key : c.keys)
                Drive::key(row(dialog, 0), key);
            Drive::keyToDialog(d, Key::Return); // an OK button: Enter does nothing
            ok(d);
        });
        ASSERT_TRUE(dialog.show());
        EXPECT_TRUE(hasOk);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(service.language, c.after);
        EXPECT_EQ(Translate::TranslateService::enabled, c.enabled);
    }
    EXPECT_EQ(rebuilt, 3);
}
