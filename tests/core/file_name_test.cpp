#include "core/file.h"
#include "core/file_name.h"
#include "core/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <regex>

using namespace System;

TEST(FileName, ExpandsOnlyALeadingKnownVariable)
{
    std::wstring data = utf8ToWide(TestKit::tempDir()) + L"/velmora2";
    EXPECT_EQ(FileName::expand(L"%AppData%\\system.conf"), data + L"\\system.conf");
    EXPECT_EQ(FileName::expand(L"%Plugin%\\*.vmi2"), data + L"/Plugin\\*.vmi2");
    EXPECT_EQ(FileName::expand(L"%Plugin%\\x\\%Plugin%"), data + L"/Plugin\\x\\" + data + L"/Plugin");
    EXPECT_EQ(FileName::expand(L"%AppInstall%"), utf8ToWide(TestKit::binDir()));
    for (const wchar_t* unchanged : {L"%Nope%\\a", L"C:\\dir\\%Log%\\a", L"100%", L"%%x", L"", L"plain"})
        EXPECT_EQ(FileName::expand(unchanged), unchanged);
    // The first expansion created every data folder.
    EXPECT_EQ(TestKit::listFolder(TestKit::tempDir() + "/velmora2"),
              (std::vector<std::string>{"Alias", "Backup", "Default", "Figure", "Language", "Log", "Plugin", "Script",
                                        "Transition"}));
}

TEST(FileName, DataFolderBesideTheExecutableWins)
{
    std::wstring install = utf8ToWide(TestKit::tempDir()) + L"/install";
    EXPECT_EQ(FileName::chooseDataFolder(install), utf8ToWide(TestKit::tempDir()) + L"/velmora2");
    TestKit::writeFile(TestKit::tempDir() + "/install", "a file, not a folder");
    EXPECT_EQ(FileName::chooseDataFolder(install), utf8ToWide(TestKit::tempDir()) + L"/velmora2");
    std::wstring other = utf8ToWide(TestKit::tempDir()) + L"/other";
    System::File::createDirectory((other + L"/data").c_str());
    EXPECT_EQ(FileName::chooseDataFolder(other), other + L"/data");
}

TEST(FileName, NameParts)
{
    EXPECT_EQ(FileName::getExtension(L"C:\\dir.v2\\name"), L"");
    EXPECT_EQ(FileName::getExtension(L"/a/B.PNG"), L"png");
    EXPECT_EQ(FileName::getBaseName(L"/a/b.c.d"), L"b.c");
    EXPECT_EQ(FileName::getBaseName(L"/a/.hidden"), L"");
    EXPECT_EQ(FileName::getBaseName(L"plain"), L"plain");
    EXPECT_EQ(FileName::getDirectory(L"name.txt"), L"");
    EXPECT_EQ(FileName::getDirectory(L"/a/b\\c.txt"), L"/a/b");
}

TEST(FileName, FilterStrings)
{
    std::wstring filter(L"Images (*.PNG;*.jpg)\0*.PNG;*.jpg\0All (*.*)\0*.*\0Project\0*.vmp2\0\0", 62);
    EXPECT_EQ(FileName::getFilterExtensionList(filter), (std::vector<std::wstring>{L"png", L"jpg", L"vmp2"}));
    EXPECT_EQ(FileName::getFilterIndex(filter, L"/x/a.JPG"), 1);
    EXPECT_EQ(FileName::getFilterIndex(filter, L"/x/a.vmp2"), 3);
    EXPECT_EQ(FileName::getFilterIndex(filter, L"/x/a.txt"), 0);
    EXPECT_EQ(FileName::getFilterExtension(filter, -1), L"png");
    EXPECT_EQ(FileName::getFilterExtension(filter, 1), L"");
    EXPECT_EQ(FileName::getFilterExtension(filter, 2), L"vmp2");
    EXPECT_EQ(FileName::getFilterExtension(filter, 3), L"");
}

TEST(FileName, TimeStampNames)
{
    std::wstring name = FileName::makeTimeStampFileName(L"%Log%\\", L"velmora2", L"log");
    std::string local = toLocalPath(name);
    std::regex shape(".*/Log/velmora2_\\d{4}-\\d{2}-\\d{2}_\\d{2}-\\d{2}-\\d{2}-\\d{3}\\.log");
    EXPECT_TRUE(std::regex_match(local, shape)) << local;
}
