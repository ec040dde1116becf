// The trust list: what is asked, what is remembered in module.ini and when the
// file is written.
#include "core/file_name.h"
#include "core/module_trust_list.h"
#include "core/service.h"
#include "core/text.h"
#include "platform/ui/application.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>

using Plugin::ModuleTrustList;

namespace {

class TrustList : public ::testing::Test {
protected:
    TrustList()
    {
        Platform::Ui::setMessageBoxAnswerer([this](const Platform::Ui::MessageBox& box) {
            asked.push_back(box.text);
            EXPECT_EQ(box.caption, L"スクリプト・プラグインの追加");
            for (const std::wstring& key : accept) {
                if (box.text.find(L"\n" + key + L"\n") != std::wstring::npos)
                    return Platform::Ui::BoxAnswer::Yes;
            }
            return Platform::Ui::BoxAnswer::No;
        });
    }
    ~TrustList() override { Platform::Ui::setMessageBoxAnswerer(nullptr); }

    // One start of the program: the list is loaded, consulted and saved once.
    void start(const std::vector<std::pair<std::wstring, const wchar_t*>>& files)
    {
        System::ServiceStack stack;
        ModuleTrustList* list = stack.acquire<ModuleTrustList>();
        results.clear();
        for (const auto& [name, folder] : files)
            results.push_back(list->confirmTrustModule(name, folder));
        list->saveTrustList();
    }
    std::string file() const { return System::toLocalPath(System::FileName::expand(L"%AppData%/module.ini")); }
    std::string text() const { return TestKit::readFile(file()); }

    std::set<std::wstring> accept;
    std::vector<std::wstring> asked;
    std::vector<bool> results;
};

} // namespace

TEST_F(TrustList, AnAcceptedFileIsNotAskedAgainAndTheFileIsWrittenOnlyWhenSomethingChanged)
{
    accept = {L"a.anm2", L"grp\\b.obj"};
    start({{L"a.anm2", nullptr}, {L"b.obj", L"grp"}});
    EXPECT_EQ(results, (std::vector<bool>{true, true}));
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[1].find(L"\ngrp\\b.obj\n"), std::wstring::npos);
    EXPECT_NE(asked[1].find(L"信頼できる開発元から提供されていることを確認して使用してください"), std::wstring::npos);
    EXPECT_EQ(text(), "[a.anm2]\r\ntrust=1\r\n[grp\\b.obj]\r\ntrust=1\r\n");

    // The same files again: nobody is asked and the file is not rewritten (the
    // line ends written by hand stay as they are).
    asked.clear();
    TestKit::writeFile(file(), "[a.anm2]\ntrust=1\n[grp\\b.obj]\ntrust=1\n");
    start({{L"a.anm2", nullptr}, {L"b.obj", L"grp"}});
    EXPECT_EQ(results, (std::vector<bool>{true, true}));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(text(), "[a.anm2]\ntrust=1\n[grp\\b.obj]\ntrust=1\n");

    // A file gone from the folders is forgotten.
    start({{L"a.anm2", nullptr}});
    EXPECT_EQ(text(), "[a.anm2]\r\ntrust=1\r\n");
}

TEST_F(TrustList, ARefusedFileIsAskedAgainAndAnUntrustedEntryStays)
{
    TestKit::writeFile(file(), "[zero.anm2]\r\ntrust=\r\n[ok.anm2]\r\ntrust=1\r\n");
    accept = {L"yes.anm2"};
    start({{L"new.anm2", nullptr}, {L"zero.anm2", nullptr}, {L"ok.anm2", nullptr}, {L"yes.anm2", nullptr}});
    EXPECT_EQ(results, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(asked.size(), 3u);
    // The refused file is not stored; the entry of trust 0 was looked up, so it stays.
    EXPECT_EQ(text(), "[ok.anm2]\r\ntrust=1\r\n[yes.anm2]\r\ntrust=1\r\n[zero.anm2]\r\ntrust=0\r\n");
    start({{L"new.anm2", nullptr}});
    EXPECT_EQ(asked.size(), 4u);

    // The same name in two sub-folders is two files.
    accept = {L"x\\s.tra", L"y\\s.tra"};
    start({{L"s.tra", L"x"}, {L"s.tra", L"y"}});
    EXPECT_EQ(results, (std::vector<bool>{true, true}));
    EXPECT_EQ(asked.size(), 6u);
}

TEST_F(TrustList, WithoutAskingAnUntrustedFileIsRefused)
{
    System::ServiceStack stack;
    ModuleTrustList* list = stack.acquire<ModuleTrustList>();
    accept = {L"a.anm2"};
    EXPECT_FALSE(list->confirmTrustModule(L"a.anm2", nullptr, false));
    EXPECT_TRUE(asked.empty());
    System::FileName::FileInfo found;
    found.path = L"/somewhere/Script/grp/a.anm2";
    accept = {L"grp\\a.anm2"};
    EXPECT_TRUE(list->confirmTrustFile(found, L"grp"));
    EXPECT_TRUE(list->confirmTrustFile(found, L"grp", false));
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(TrustList, ReadingStopsAtAMalformedSection)
{
    TestKit::writeFile(file(), "[one]\r\ntrust=1\r\n[two]\r\nother=1\r\n[three]\r\ntrust=1\r\n");
    System::ServiceStack stack;
    ModuleTrustList* list = stack.acquire<ModuleTrustList>();
    EXPECT_EQ(list->entries.size(), 1u);
    EXPECT_EQ(list->entries.count(L"one"), 1u);
    TestKit::writeFile(file(), "[one]\r\ntrust=1\r\n[two]\r\ntrust=yes\r\n");
    list->loadTrustList();
    EXPECT_EQ(list->entries.size(), 1u);
}

TEST(TrustPrompt, WithoutADisplayTheAnswerIsNo)
{
    ASSERT_FALSE(Platform::Ui::hasDisplay());
    EXPECT_FALSE(ModuleTrustList::askTrust(L"a.anm2"));
}
