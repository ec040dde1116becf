#include "core/config.h"
#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/text.h"
#include "core/translate_service.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

using Translate::TranslateService;

namespace {
std::string languageDir()
{
    return System::toLocalPath(System::FileName::expand(L"%Language%"));
}

struct TranslateFixture : ::testing::Test {
    // The main ini as a run would have it, and the user's interface language.
    void start(const std::string& iniLines, const char* uiLanguage)
    {
        ::setenv("LANGUAGE", uiLanguage, 1);
        System::Config::iniFile = std::make_shared<System::IniFile>();
        System::Config::iniFile->loadText(iniLines, L"test", false);
        service = std::make_unique<System::ServiceReference<TranslateService>>();
    }
    // Releases the service (storing its section) and returns the stored Language.
    std::string stop()
    {
        service.reset();
        std::string stored = System::Config::iniFile->getSection("Translate").findValue("Language").text;
        System::Config::iniFile.reset();
        return stored;
    }
    void TearDown() override
    {
        service.reset();
        System::Config::iniFile.reset();
        for (auto& name : TestKit::listFolder(languageDir()))
            std::remove((languageDir() + "/" + name).c_str());
    }
    TranslateService& translate() { return *TranslateService::Get(); }
    std::unique_ptr<System::ServiceReference<TranslateService>> service;
};

const char* German = "[Effect]\n"
                     "ぼかし=Weichzeichnen\n"
                     "閃光=\n"
                     "[Message]\n"
                     "一行目\\n二行目=Zeile 1\\nZeile 2\n"
                     "[Menu]\n"
                     "ファイル=Datei\n"
                     "[Dialog]\n"
                     "言語=Sprache\n"
                     "[Name]\n"
                     "Scene=Szene\n";
} // namespace

TEST_F(TranslateFixture, AutomaticChoiceOnAJapaneseInterfaceDisablesTranslation)
{
    start("[Translate]\nLanguage=*\n", "ja_JP.UTF-8");
    EXPECT_FALSE(TranslateService::enabled);
    const wchar_t* text = L"ファイル";
    EXPECT_EQ(translate().translateMenu(text), std::wstring(text));
    EXPECT_EQ(stop(), "");
}

TEST_F(TranslateFixture, AutomaticChoiceElsewhereTakesTheFirstLanguageFile)
{
    // The user's folder and the installed files form one listing sorted by name:
    // "Deutsch" comes before the installed "English".
    TestKit::writeFile(languageDir() + "/Deutsch.vml2", German);
    start("", "en_US:en");
    auto list = translate().getLanguageList();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0], L"Default");
    EXPECT_EQ(list[1], L"Deutsch");
    EXPECT_EQ(list[2], L"English");
    ASSERT_TRUE(TranslateService::enabled);
    EXPECT_STREQ(translate().menu.translate(L"ファイル"), L"Datei");
    EXPECT_EQ(stop(), "Deutsch");
}

TEST_F(TranslateFixture, TheFiveSectionsLoadAndMissingTextsFallBack)
{
    // The same source text twice: the first translation stays, and the report names the file.
    TestKit::writeFile(languageDir() + "/Deutsch.vml2", std::string(German) + "[Name]\nScene=Bühne\n");
    TestKit::LogCapture log;
    start("[Translate]\nLanguage=Deutsch\n", "ja");
    EXPECT_TRUE(log.contains("WARN|System::IniFile::loadFile|ini file parameter duplicate key? file=" + languageDir() +
                             "/Deutsch.vml2(line 13) section=Name key=Scene"));
    ASSERT_TRUE(TranslateService::enabled);
    auto& t = translate();
    EXPECT_STREQ(t.effect.translate(L"ぼかし"), L"Weichzeichnen");
    EXPECT_STREQ(t.effect.translate(L"閃光"), L"閃光"); // an empty translation is the source itself
    EXPECT_STREQ(t.message.translate(L"一行目\n二行目"), L"Zeile 1\nZeile 2");
    EXPECT_STREQ(t.menu.translate(L"ファイル"), L"Datei");
    EXPECT_STREQ(t.dialog.translate(L"言語"), L"Sprache");
    EXPECT_STREQ(t.name.translate(L"Scene"), L"Szene");
    // Tables are separate: a menu text is not an effect name.
    const wchar_t* missing = L"ファイル";
    EXPECT_EQ(t.effect.translate(missing), missing); // the very pointer it was given
    EXPECT_EQ(t.effect.translate(nullptr), nullptr);
    EXPECT_EQ(stop(), "Deutsch");
}

TEST_F(TranslateFixture, TheInstalledEnglishFileTranslatesForReal)
{
    start("[Translate]\nLanguage=English\n", "ja");
    ASSERT_TRUE(TranslateService::enabled);
    auto& t = translate();
    EXPECT_STREQ(t.menu.translate(L"ファイル"), L"File");
    EXPECT_STREQ(t.effect.translate(L"クロスフェード"), L"Cross-fade");
    EXPECT_STREQ(t.message.translate(L"D3D ROVs not supported.\n\n一部の機能が正しく動作しない可能性があります"),
                 L"D3D ROVs not supported.\n\nSome features may not work correctly.");
    EXPECT_STREQ(t.name.translate(L"Root"), L"Root");
}

TEST_F(TranslateFixture, AMissingOrEmptyLanguageLeavesTranslationOff)
{
    TestKit::LogCapture log;
    start("[Translate]\nLanguage=Klingon\n", "en");
    EXPECT_FALSE(TranslateService::enabled);
    EXPECT_TRUE(log.contains("ERROR|"));
    EXPECT_EQ(stop(), "Klingon");

    start("[Translate]\nLanguage=\n", "en");
    EXPECT_FALSE(TranslateService::enabled);
    EXPECT_EQ(stop(), "");
}

TEST_F(TranslateFixture, ADroppedLanguageFileIsCopiedSelectedAndConfirmed)
{
    Platform::Ui::initializeApplication();
    std::vector<std::wstring> boxes;
    Platform::Ui::setMessageBoxAnswerer([&](const Platform::Ui::MessageBox& box) {
        boxes.push_back(box.caption + L"|" + box.text);
        return box.defaultAnswer;
    });
    start("[Translate]\nLanguage=\n", "ja");
    int rebuilt = 0;
    translate().rebuildTranslatedTexts = [&] { ++rebuilt; };
    std::string dropped = TestKit::tempDir() + "/elsewhere";
    TestKit::runCommand("mkdir -p '" + dropped + "'");
    TestKit::writeFile(dropped + "/de.vml2", std::string(German) + "[Message]\n言語ファイルを設定しました=Sprachdatei gesetzt\n");
    translate().registerLanguageFile(System::fromLocalPath(dropped + "/de.vml2").c_str());

    EXPECT_EQ(TestKit::readFile(languageDir() + "/de.vml2"), TestKit::readFile(dropped + "/de.vml2"));
    EXPECT_TRUE(TranslateService::enabled);
    EXPECT_EQ(translate().language, L"de");
    EXPECT_EQ(rebuilt, 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"Velmora Tessel2|Sprachdatei gesetzt");

    // A file that cannot be copied changes nothing.
    EXPECT_THROW(translate().registerLanguageFile(L"/nonexistent/fr.vml2"), std::exception);
    EXPECT_EQ(translate().language, L"de");
    EXPECT_EQ(stop(), "de");
    Platform::Ui::setMessageBoxAnswerer(nullptr);
    Platform::Ui::shutdownApplication();
}

TEST_F(TranslateFixture, AFileWithAnUpperCaseExtensionLoadsUnderItsListedName)
{
    Platform::Ui::initializeApplication();
    Platform::Ui::setMessageBoxAnswerer([](const Platform::Ui::MessageBox& box) { return box.defaultAnswer; });
    start("[Translate]\nLanguage=\n", "ja");
    std::string dropped = TestKit::tempDir() + "/upper";
    TestKit::runCommand("mkdir -p '" + dropped + "'");
    TestKit::writeFile(dropped + "/Deutsch.VML2", German);
    translate().registerLanguageFile(System::fromLocalPath(dropped + "/Deutsch.VML2").c_str());
    EXPECT_EQ(translate().language, L"Deutsch");
    ASSERT_TRUE(TranslateService::enabled);
    EXPECT_STREQ(translate().menu.translate(L"ファイル"), L"Datei");
    auto list = translate().getLanguageList();
    EXPECT_NE(std::find(list.begin(), list.end(), L"Deutsch"), list.end());
    EXPECT_EQ(stop(), "Deutsch");

    // The next start reads it as well.
    start("[Translate]\nLanguage=Deutsch\n", "ja");
    EXPECT_TRUE(TranslateService::enabled);
    Platform::Ui::setMessageBoxAnswerer(nullptr);
    Platform::Ui::shutdownApplication();
}
