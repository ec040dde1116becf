#include "platform/os/codepage.h"
#include "platform/os/file.h"
#include "platform/os/folder.h"
#include "platform/os/guard.h"
#include "platform/os/module.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>
#include <stdexcept>

using namespace Platform::Os;

TEST(OsFile, ReplaceCommitsOnlyOnClose)
{
    std::string path = TestKit::tempDir() + "/replace.txt";
    TestKit::writeFile(path, "old");
    {
        File f;
        ASSERT_EQ(f.open(path, OpenMode::Replace), 0);
        size_t done;
        ASSERT_EQ(f.write("new content", 11, done), 0);
        // Until the file is closed, readers see the old content.
        EXPECT_EQ(TestKit::readFile(path), "old");
        ASSERT_EQ(f.close(), 0);
    }
    EXPECT_EQ(TestKit::readFile(path), "new content");
    {
        File f;
        ASSERT_EQ(f.open(path, OpenMode::Replace), 0);
        size_t done;
        f.write("partial", 7, done);
        f.discard();
    }
    EXPECT_EQ(TestKit::readFile(path), "new content");
    // No temporary file is left behind either way.
    EXPECT_EQ(TestKit::listFolder(TestKit::tempDir()).size(), 1u);
}

TEST(OsFile, ReplaceWritesThroughALinkAndKeepsPermissions)
{
    std::string dir = TestKit::tempDir() + "/linked";
    ASSERT_EQ(createFolders(dir + "/real"), 0);
    std::string real = dir + "/real/settings.ini";
    std::string link = dir + "/settings.ini";
    TestKit::writeFile(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0600), 0);
    ASSERT_EQ(::symlink("real/settings.ini", link.c_str()), 0);

    File f;
    ASSERT_EQ(f.open(link, OpenMode::Replace), 0);
    size_t done;
    ASSERT_EQ(f.write("new", 3, done), 0);
    ASSERT_EQ(f.close(), 0);

    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link was replaced by a plain file";
    EXPECT_EQ(TestKit::readFile(real), "new");
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(TestKit::listFolder(dir + "/real"), std::vector<std::string>{"settings.ini"});
}

TEST(OsFile, AReplacementRemovesWhatKilledWritersLeftBesideItsTarget)
{
    std::string dir = TestKit::tempDir() + "/killed";
    ASSERT_EQ(createFolders(dir), 0);
    const std::string target = dir + "/movie.avi";
    TestKit::writeFile(target, "whole");
    // A writer killed halfway leaves its replacement file behind.
    const pid_t child = ::fork();
    if (child == 0) {
        File f;
        size_t done;
        if (f.open(target, OpenMode::Replace) == 0 && f.write("half", 4, done) == 0)
            ::raise(SIGKILL);
        ::_exit(1);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    std::string killed;
    for (const std::string& name : TestKit::listFolder(dir))
        if (name.rfind("movie.avi.tmp-" + std::to_string(child) + "-", 0) == 0)
            killed = name;
    ASSERT_FALSE(killed.empty()) << "the killed writer left nothing behind";
    // What a running process (this one's parent), this process and other names hold stays.
    const std::vector<std::string> kept = {"movie.avi.tmp-" + std::to_string(::getppid()) + "-3",
                                           "movie.avi.tmp-" + std::to_string(::getpid()) + "-99",
                                           "other.avi.tmp-" + std::to_string(child) + "-0", "movie.avi.tmp-x-0"};
    for (const std::string& name : kept)
        TestKit::writeFile(dir + "/" + name, "x");
    ASSERT_EQ(TestKit::readFile(dir + "/" + killed), "half");

    File f;
    ASSERT_EQ(f.open(target, OpenMode::Replace), 0);
    size_t done;
    ASSERT_EQ(f.write("new", 3, done), 0);
    ASSERT_EQ(f.close(), 0);
    std::vector<std::string> want = kept;
    want.push_back("movie.avi");
    std::sort(want.begin(), want.end());
    EXPECT_EQ(TestKit::listFolder(dir), want);
    EXPECT_EQ(TestKit::readFile(target), "new");
}

TEST(OsFolder, ListingIsSortedByName)
{
    std::string dir = TestKit::tempDir() + "/list";
    ASSERT_EQ(createFolders(dir + "/sub/deeper"), 0);
    for (const char* name : {"b.log", "a.log", "C.log", "a2.log"})
        TestKit::writeFile(dir + "/" + name, "x");
    std::vector<FolderEntry> entries;
    ASSERT_EQ(listFolder(dir, entries), 0);
    std::vector<std::string> names;
    for (auto& e : entries)
        names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"C.log", "a.log", "a2.log", "b.log", "sub"}));
    EXPECT_TRUE(entries.back().isFolder);
    EXPECT_TRUE(matchWildcard("*.LOG", "a.log"));
    EXPECT_FALSE(matchWildcard("*.vmi", "a.vmi2"));
}

TEST(OsCodePage, RoundTripsJapaneseAndReplacesWhatItLacks)
{
    std::wstring text = L"日本語テキスト";
    std::string bytes = wideToCodePage(text);
    EXPECT_EQ(bytes, std::string("\x93\xfa\x96\x7b\x8c\xea\x83\x65\x83\x4c\x83\x58\x83\x67"));
    EXPECT_EQ(codePageToWide(bytes), text);
    EXPECT_EQ(wideToCodePage(L"a\U0001F600b"), "a?b");
    EXPECT_EQ(codePageToWide("a\x81"), L"a\xFFFD"); // a lead byte without its trail
}

namespace {
// The fault is the point: the undefined-behaviour checker must not stop it first.
[[gnu::noinline, gnu::no_sanitize("undefined")]] void crash(void*)
{
    volatile int* p = nullptr;
    *p = 1;
}
} // namespace

TEST(OsGuard, CatchesFaultsAndNestsAndPassesExceptions)
{
    Fault fault;
    EXPECT_FALSE(runGuarded(crash, nullptr, fault));
    EXPECT_EQ(fault.code, FaultAccessViolation);
    EXPECT_EQ(fault.signal, SIGSEGV);
    EXPECT_NE(fault.address, nullptr);

    bool innerFaulted = false;
    EXPECT_TRUE(runGuarded(
        [&] {
            Fault inner;
            innerFaulted = !runGuarded(crash, nullptr, inner);
        },
        fault));
    EXPECT_TRUE(innerFaulted);

    EXPECT_THROW(runGuarded([] { throw std::runtime_error("x"); }, fault), std::runtime_error);
    // After an exception left a guard, a later fault is still caught.
    EXPECT_FALSE(runGuarded(crash, nullptr, fault));
}

TEST(OsModule, NamesTheModuleHoldingAnAddress)
{
    std::string error;
    void* libc = loadModule("libc.so.6", error);
    ASSERT_NE(libc, nullptr) << error;
    void* symbol = findSymbol(libc, "strlen");
    ASSERT_NE(symbol, nullptr);
    EXPECT_EQ(moduleNameOf(symbol).rfind("libc", 0), 0u);
    freeModule(libc);
    EXPECT_EQ(loadModule("/nonexistent/module.so", error), nullptr);
    EXPECT_FALSE(error.empty());
}
