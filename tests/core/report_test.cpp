// Reports shown to the user: through the interface's sink once it is installed,
// to the log before that.
#include "core/report.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace System;

TEST(Report, WithoutASinkTheLogTakesEveryReport)
{
    TestKit::LogCapture log;
    EXPECT_EQ(Report::showError("disk %s is full", "D:"), 0);
    EXPECT_EQ(Report::showError(L"%d%% done", 50), 0);
    Report::showException(std::runtime_error("export failed"));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"ERROR|System::Report|disk D: is full",
                                                     "ERROR|System::Report|50% done",
                                                     "ERROR|System::Report|export failed"}));
}

TEST(Report, TheSinkGetsFinishedMessagesAndGivesTheAnswer)
{
    std::vector<std::wstring> shown;
    Report::Sink sink;
    sink.exception = [&](const std::exception& e) {
        const std::string text = e.what();
        shown.push_back(L"exception: " + std::wstring(text.begin(), text.end()));
    };
    sink.error = [&](const std::string& m) {
        shown.push_back(std::wstring(m.begin(), m.end()));
        return 1;
    };
    sink.wideError = [&](const std::wstring& m) {
        shown.push_back(m);
        return 2;
    };
    Report::setSink(std::move(sink));
    TestKit::LogCapture log;
    EXPECT_EQ(Report::showError("%s and %%s", "this"), 1);
    EXPECT_EQ(Report::showError(L"%s and %%d", L"that"), 2);
    Report::showException(std::runtime_error("failed"));
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"this and %s", L"that and %d", L"exception: failed"}));
    EXPECT_TRUE(log.lines().empty()); // the sink decides what to log

    Report::setSink({});
    Report::showError("back to the log");
    EXPECT_EQ(log.lines(), std::vector<std::string>{"ERROR|System::Report|back to the log"});
}
