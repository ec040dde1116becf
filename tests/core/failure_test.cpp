#include "core/failure.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <utility>

using namespace System;

TEST(Failure, TextsAndLogLines)
{
    TestKit::LogCapture log;
    EXPECT_STREQ(makeException("A::b", "bad thing.", nullptr).what(), "bad thing.\n\n[Place]\nA::b()");
    EXPECT_STREQ(makeException("A::b", "bad thing.", "").what(), "bad thing.\n\n[Note]\n\n\n[Place]\nA::b()");
    EXPECT_STREQ(makeFormatException("A::b", "failed to open file.", L"%s", L"/x/y.txt").what(),
                 "failed to open file.\n\n[Note]\n/x/y.txt\n\n[Place]\nA::b()");
    EXPECT_STREQ(makeHresultException("Dev->Make", "A::b", int32_t(0x80004005)).what(),
                 "Dev->Make() failed.\n\n[Note]\nHRESULT: 0x80004005\nUnspecified error\n\n[Place]\nA::b()");
    EXPECT_STREQ(makeErrorCodeException("System::File::readBlock", 2).what(),
                 "No such file or directory\n\n[Place]\nSystem::File::readBlock()");
    errno = 0;
    EXPECT_STREQ(makeLastErrorException("Call", "A::b").what(),
                 "Call() failed.\n\n[Note]\nHRESULT: 0x00000000\nSuccess\n\n[Place]\nA::b()");

    auto& lines = log.lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "ERROR|Exception|bad thing. in A::b()");
    EXPECT_EQ(lines[1], "ERROR|Exception|bad thing. in A::b() []");
    EXPECT_EQ(lines[2], "ERROR|Exception|failed to open file. in A::b() [/x/y.txt]");
    EXPECT_EQ(lines[3], "ERROR|Exception|Dev->Make() failed in A::b() [Unspecified error] (HRESULT: 0x80004005)");
    EXPECT_EQ(hresultFromError(30), int32_t(0x8007001E));
    EXPECT_EQ(hresultFromError(-5), -5);
}

TEST(Failure, WindowsResultCodesHaveTheirOwnTextsAndErrnoValuesKeepTheirs)
{
    // The low words of these are Windows error numbers: read as errno values
    // they would say "Too many users", "Bad address" or "Input/output error".
    const std::pair<uint32_t, const char*> known[] = {
        {0x80070057u, "The parameter is incorrect."},
        {0x8007000Eu, "Not enough memory resources are available to complete this operation."},
        {0x80004001u, "Not implemented"},
        {0x80004005u, "Unspecified error"},
        {0x80070005u, "Access is denied."},
        {0x80070002u, "The system cannot find the file specified."},
        {0x8007000Du, "Permission denied"}, // hresultFromError(EACCES)
        {0x887A0005u, "unknown error"},
        {0u, "Success"},
    };
    for (const auto& [code, text] : known)
        EXPECT_EQ(systemMessage(int32_t(code)), text) << std::hex << code;
    EXPECT_NE(std::string(makeHresultException("CreateTexture2D", "A::b", int32_t(0x80070057u)).what())
                  .find("HRESULT: 0x80070057\nThe parameter is incorrect.\n"),
              std::string::npos);
    // The last error is errno: EIO keeps its own text though its code reads 0x80070005.
    errno = EIO;
    EXPECT_STREQ(makeLastErrorException("ReadFile", "A::b").what(),
                 "ReadFile() failed.\n\n[Note]\nHRESULT: 0x80070005\nInput/output error\n\n[Place]\nA::b()");
    EXPECT_STREQ(makeErrorCodeException("A::b", ErrorReadFault).what(), "No data available\n\n[Place]\nA::b()");
}

TEST(Failure, LongTextsAreCutAt1023AndNotesUseTheAnsiCodePage)
{
    std::string message(600, 'm'), place(600, 'p');
    std::string text = makeException(place.c_str(), message.c_str(), "n").what();
    EXPECT_EQ(text.size(), 1023u);
    std::string note = makeFormatException("A::b", "m", L"%s", L"\u3042\U0001F600").what();
    EXPECT_EQ(note, "m\n\n[Note]\n\x82\xA0?\n\n[Place]\nA::b()");
}

namespace {
[[gnu::noinline]] void crashAtNull()
{
    using Fn = void (*)();
    Fn volatile fn = reinterpret_cast<Fn>(uintptr_t(16));
    fn(); // jumps outside every module
}

// The fault is the point: the undefined-behaviour checker must not stop it first.
[[gnu::noinline, gnu::no_sanitize("undefined")]] void divideByZero()
{
    volatile int numerator = 7, zero = 0;
    volatile int r = numerator / zero;
    (void)r;
}
} // namespace

TEST(Failure, GuardedCallsReportStructuredExceptions)
{
    TestKit::LogCapture log;
    try {
        guardedCall("plugin->open", "Plugin::Input::open", [] { crashAtNull(); }, L"/p/in.vmi2");
        FAIL() << "no report";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(),
                     "plugin->open() structured exception\n\n[Note]\nCode: 0xC0000005\nAddress 0x0000000000000010\n"
                     "Module: unknown\n\n[Place]\nPlugin::Input::open()\n\n[Plugin]\n/p/in.vmi2");
    }
    EXPECT_TRUE(log.contains("ERROR|Exception|plugin->open() structured exception in Plugin::Input::open() "
                             "[Code: 0xC0000005 Address: 0x0000000000000010 Module: unknown Plugin: /p/in.vmi2]"));
    // A fault inside a module of the program names it.
    try {
        guardedCall("run", "X::y", [] { divideByZero(); });
        FAIL() << "no report";
    } catch (const std::exception& e) {
        std::string text = e.what();
        EXPECT_NE(text.find("Code: 0xC0000094"), std::string::npos) << text;
        EXPECT_NE(text.find("Module: core_tests"), std::string::npos) << text;
    }
    EXPECT_NO_THROW(guardedCall("run", "X::y", [] {}));
}
