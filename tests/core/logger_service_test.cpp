#include "core/file_name.h"
#include "core/ini_file.h"
#include "core/logger_service.h"
#include "core/text.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <regex>

using namespace System;

namespace {
std::string logDir()
{
    return toLocalPath(FileName::expand(L"%Log%"));
}

struct LoggerFixture : ::testing::Test {
    void configure(const std::string& lines)
    {
        Config::iniFile = std::make_shared<IniFile>();
        Config::iniFile->loadText("[Logger]\n" + lines, L"test", false);
    }
    void TearDown() override { Config::iniFile.reset(); }
};
} // namespace

TEST_F(LoggerFixture, DefaultsSendInfoToTheViewAndErrorsToTheFile)
{
    configure("");
    ServiceReference<Logger::LoggerService> logger;
    auto* l = Logger::LoggerService::Get();
    Log::info("Place::info", "hello %d", 1);
    Log::verbose("Place::verbose", "hidden");
    EXPECT_EQ(l->viewLines.size(), 1u);
    EXPECT_TRUE(TestKit::listFolder(logDir()).empty()); // no file without an error line
    Log::error("Place::error", L"broken %s", L"\u3042");
    ASSERT_EQ(l->viewLines.size(), 2u);
    EXPECT_EQ(l->viewLines.front().type, &Log::TypeError);
    auto files = TestKit::listFolder(logDir());
    ASSERT_EQ(files.size(), 1u);
    std::string content = TestKit::readFile(logDir() + "/" + files[0]);
    std::regex line("\\[\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d\\] \\[ERROR\\] \\[Place::error\\] broken \x82\xA0\n");
    EXPECT_TRUE(std::regex_match(content, line)) << content;
    EXPECT_EQ(l->viewCounter, 3);
}

TEST_F(LoggerFixture, LongAndMultiLineMessages)
{
    configure("MaxViewLine=3\n");
    ServiceReference<Logger::LoggerService> logger;
    auto* l = Logger::LoggerService::Get();
    std::string big(2000, 'x');
    Log::info("P", "%s", big.c_str());
    ASSERT_EQ(l->viewLines.size(), 1u);
    EXPECT_EQ(l->viewLines.front().text.size(), 1023u); // the whole line fits 1024 bytes
    Log::info("P", "first\nsecond");
    EXPECT_EQ(l->viewLines[0].text, "second");
    EXPECT_NE(l->viewLines[1].text.find("] [INFO] [P] first"), std::string::npos);
    for (int i = 0; i < 5; ++i)
        Log::info("P", "n%d", i);
    ASSERT_EQ(l->viewLines.size(), 3u);
    EXPECT_NE(l->viewLines[0].text.find("n4"), std::string::npos);
    EXPECT_NE(l->viewLines[2].text.find("n2"), std::string::npos);

    // In the file a cut line still ends its line: the next one starts on its own.
    Log::error("P", "%s", big.c_str());
    Log::error("P", "after");
    auto files = TestKit::listFolder(logDir());
    ASSERT_EQ(files.size(), 1u);
    std::string content = TestKit::readFile(logDir() + "/" + files[0]);
    size_t end = content.find('\n');
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(end, 1023u);
    EXPECT_EQ(content.compare(end + 1, 1, "["), 0) << content.substr(end);
    EXPECT_NE(content.find("] [ERROR] [P] after\n"), std::string::npos);
}

TEST_F(LoggerFixture, PruningKeepsTheNewestOwnFiles)
{
    configure("MaxFileNum=2\n");
    std::string dir = logDir();
    for (const char* name : {"velmora2_2020-01-01_00-00-00-000.log", "velmora2_2021-01-01_00-00-00-000.log",
                             "velmora2_2022-01-01_00-00-00-000.log", "velmora2_2019-01-01_00-00-00-000.log",
                             "notes.log", "velmora2_backup.log"})
        TestKit::writeFile(dir + "/" + name, "old\n");
    ServiceReference<Logger::LoggerService> logger;
    Log::error("P", "now");
    auto files = TestKit::listFolder(dir);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], "notes.log");
    EXPECT_EQ(files[1], "velmora2_2022-01-01_00-00-00-000.log");
    EXPECT_EQ(files[3], "velmora2_backup.log");
    EXPECT_EQ(toLocalPath(Logger::LoggerService::Get()->logFilePath), dir + "/" + files[2]);
    EXPECT_GT(files[2], files[1]);
}

TEST_F(LoggerFixture, FailuresInsideTheLoggerNeitherThrowNorDeadlock)
{
    configure("");
    // A file where the log folder should be: opening the log file fails, and the
    // failure report's own ERROR line re-enters the logger on the same thread.
    std::string dir = logDir();
    ::rmdir(dir.c_str());
    TestKit::writeFile(dir, "in the way");
    ServiceReference<Logger::LoggerService> logger;
    EXPECT_NO_THROW(Log::error("P", "first"));
    EXPECT_NO_THROW(Log::error("P", "second"));
    auto* l = Logger::LoggerService::Get();
    ASSERT_EQ(l->viewLines.size(), 2u);
    EXPECT_NE(l->viewLines.front().text.find("second"), std::string::npos);
    EXPECT_FALSE(l->logFile.isOpen());
}

TEST_F(LoggerFixture, NothingIsLoggedAfterRelease)
{
    configure("FileLogLevel=1\n");
    {
        ServiceReference<Logger::LoggerService> logger;
        Log::info("P", "kept");
    }
    Log::error("P", "dropped");
    auto files = TestKit::listFolder(logDir());
    ASSERT_EQ(files.size(), 1u);
    std::string content = TestKit::readFile(logDir() + "/" + files[0]);
    EXPECT_NE(content.find("kept"), std::string::npos);
    EXPECT_EQ(content.find("dropped"), std::string::npos);
    // The section went back into the main ini file.
    EXPECT_EQ(Config::iniFile->getSection("Logger").findValue("FileLogLevel").text, "1");
    EXPECT_EQ(Config::iniFile->getSection("Logger").findValue("MaxViewLine").text, "200");
}
