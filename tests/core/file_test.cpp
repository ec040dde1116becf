#include "core/file.h"
#include "core/file_name.h"
#include "core/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace System;

namespace {
std::wstring wpath(const std::string& p)
{
    return utf8ToWide(p);
}

} // namespace

TEST(File, OpenAndShortTransfersReportAsWorded)
{
    std::string missing = TestKit::tempDir() + "/missing.txt";
    File f;
    EXPECT_EQ(TestKit::errorText([&] { f.open(wpath(missing).c_str(), File::ModeRead); }),
              "failed to open file.\n\n[Note]\n" + missing + "\n\n[Place]\nSystem::File::open()");

    std::string path = TestKit::tempDir() + "/data.bin";
    TestKit::writeFile(path, std::string(100, 'a'));
    f.open(wpath(path).c_str(), File::ModeRead);
    f.seek(80);
    char buffer[100];
    std::string text = TestKit::errorText([&] { f.readBlock(buffer, 100); });
    EXPECT_EQ(text, "No data available\n\n[Place]\nSystem::File::readBlock()");
    f.seek(0);
    EXPECT_NO_THROW(f.readBlock(buffer, 100));
    EXPECT_EQ(f.getSize(), 100u);
}

TEST(File, WriteReplacesTheTargetOnlyWhenComplete)
{
    const std::string folder = TestKit::tempDir() + "/replace";
    ::mkdir(folder.c_str(), 0755);
    std::string path = folder + "/settings.ini";
    TestKit::writeFile(path, "[old]\r\n");
    // A writer that fails half way leaves the old file untouched.
    try {
        File f;
        f.open(wpath(path).c_str(), File::ModeWrite);
        f.write("[new", 4);
        throw std::runtime_error("disk full");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TestKit::readFile(path), "[old]\r\n");
    {
        File f;
        f.open(wpath(path).c_str(), File::ModeWrite);
        f.write("[new]\r\n", 7);
    }
    EXPECT_EQ(TestKit::readFile(path), "[new]\r\n");
    EXPECT_EQ(TestKit::listFolder(folder), (std::vector<std::string>{"settings.ini"}));
}

TEST(File, ReadsTextAsUtf8OrTheAnsiCodePage)
{
    struct Case {
        std::string bytes;
        std::wstring text;
    } cases[] = {
        {"plain", L"plain"},
        {"\xE3\x81\x82\xE3\x81\x84", L"\u3042\u3044"},
        {"\x82\xA0\x82\xA2", L"\u3042\u3044"}, // CP932
        {"\xEF\xBB\xBFhi", L"\uFEFFhi"},       // the mark stays
        {"", L""},
        {std::string("ab\0cd", 5), L"ab"},
    };
    int i = 0;
    for (auto& c : cases) {
        std::string path = TestKit::tempDir() + "/t" + std::to_string(i++) + ".txt";
        TestKit::writeFile(path, c.bytes);
        std::wstring text = L"junk";
        EXPECT_TRUE(File::read(wpath(path).c_str(), text));
        EXPECT_EQ(text, c.text) << i;
    }
    std::wstring text;
    EXPECT_FALSE(File::read(L"/nonexistent/file.txt", text));
}

TEST(File, RefusesTextFilesOf4GiB)
{
    std::string path = TestKit::tempDir() + "/huge.txt";
    int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, (off_t(1) << 32) + 10), 0); // sparse: no disk used
    ::close(fd);
    TestKit::LogCapture log;
    std::wstring text;
    EXPECT_FALSE(File::read(wpath(path).c_str(), text));
    EXPECT_TRUE(log.contains("file is too large."));
}

TEST(File, FindFilesMatchesExtensionsExactlyAndSorts)
{
    std::string dir = TestKit::tempDir() + "/plug";
    File::createDirectory(wpath(dir + "/sub").c_str());
    for (const char* n : {"b.vmi", "a.vmi", "c.vmi2", "d.VMI", "noext"})
        TestKit::writeFile(dir + "/" + n, "x");
    auto files = FileName::findFiles(wpath(dir + "/*.vmi"), wpath(dir).c_str());
    std::vector<std::wstring> paths;
    for (auto& f : files)
        paths.push_back(f.path);
    std::wstring w = wpath(dir);
    EXPECT_EQ(paths, (std::vector<std::wstring>{w + L"/a.vmi", w + L"/b.vmi", w + L"/d.VMI"}));
    EXPECT_EQ(files[0].size, 1u);
    EXPECT_TRUE(FileName::findFiles(wpath(dir + "/*.*"), nullptr).empty());
    auto bare = FileName::findFiles(wpath(dir + "/*.vmi2"), nullptr);
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0].path, L"c.vmi2");
    auto folders = FileName::findFolders(wpath(dir + "/*"));
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders[0].path, L"sub");
}

TEST(File, AlignedBufferGrowsOnly)
{
    AlignedBuffer b;
    b.allocMemory(200);
    void* first = b.data;
    EXPECT_EQ(reinterpret_cast<uintptr_t>(first) % 32, 0u);
    b.allocMemory(100);
    EXPECT_EQ(b.data, first);
    EXPECT_EQ(b.capacity, 200u);
    EXPECT_EQ(b.size, 100u);
    b.allocMemory(300);
    EXPECT_EQ(b.capacity, 300u);
    EXPECT_EQ(b.size, 300u);
    b.freeMemory();
    EXPECT_EQ(b.data, nullptr);
    EXPECT_EQ(b.capacity, 0u);
}

TEST(File, DataBufferGrowsOnlyAndSetsTheSize)
{
    DataBuffer b;
    b.allocMemory(0);
    EXPECT_EQ(b.data, nullptr);
    b.allocMemory(64);
    void* first = b.data;
    ASSERT_NE(first, nullptr);
    b.allocMemory(10);
    EXPECT_EQ(b.data, first);
    EXPECT_EQ(b.capacity, 64u);
    EXPECT_EQ(b.size, 10u);
    b.allocMemory(65);
    EXPECT_EQ(b.capacity, 65u);
    EXPECT_EQ(b.size, 65u);
    b.freeMemory();
    EXPECT_EQ(b.capacity, 0u);
}
