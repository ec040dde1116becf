#include "core/clipboard.h"
#include "core/report.h"
#include "platform/ui/application.h"
#include "platform/ui/clipboard.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using System::Clipboard;

TEST(Clipboard, TextRoundTripsAndAPictureIsNotText)
{
    Platform::Ui::initializeApplication();
    std::wstring text = L"行1\r\nline 2 — ✓";
    ASSERT_TRUE(Clipboard::setText(text.c_str()));
    std::wstring out = L"unchanged";
    ASSERT_TRUE(Clipboard::getText(out));
    EXPECT_EQ(out, text);

    auto image = System::DibImage::create(2, 1, true);
    // 32-bit pixels keep their alpha: B, G, R, A.
    const uint8_t pixels[] = {10, 20, 30, 40, 50, 60, 70, 255};
    std::copy(std::begin(pixels), std::end(pixels), image.bits.begin());
    EXPECT_EQ(image.header.biBitCount, 32);
    EXPECT_EQ(image.header.biSizeImage, 8u);
    ASSERT_TRUE(Clipboard::setImage(image));
    out = L"unchanged";
    EXPECT_FALSE(Clipboard::getText(out));
    EXPECT_EQ(out, L"unchanged");
    int width, height;
    std::vector<uint8_t> bgra;
    ASSERT_EQ(Platform::Ui::getClipboardPicture(width, height, bgra), 0);
    EXPECT_EQ(bgra, std::vector<uint8_t>(std::begin(pixels), std::end(pixels)));
    Platform::Ui::shutdownApplication();
}

TEST(Clipboard, FailuresAreReportedNotThrown)
{
    // Without an application object there is no clipboard to open.
    TestKit::LogCapture log;
    std::vector<std::string> reports;
    System::Report::Sink sink;
    sink.exception = [&](const std::exception& e) { reports.push_back(e.what()); };
    System::Report::setSink(std::move(sink));
    std::wstring out = L"kept";
    EXPECT_FALSE(Clipboard::getText(out));
    EXPECT_EQ(out, L"kept");
    EXPECT_FALSE(Clipboard::setText(L"x"));
    EXPECT_TRUE(log.contains("OpenClipboard() failed in System::Clipboard::Clipboard()"));
    // The failed write is shown to the user; the failed read only logged.
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("OpenClipboard"), std::string::npos) << reports[0];

    // Another thread than the main thread does not reach the clipboard either.
    Platform::Ui::initializeApplication();
    bool fromWorker = true;
    std::thread([&] { fromWorker = Clipboard::getText(out); }).join();
    EXPECT_FALSE(fromWorker);

    // A header promising more rows than the block holds is refused.
    auto image = System::DibImage::create(4, 4, false);
    image.bits.resize(10);
    EXPECT_FALSE(Clipboard::setImage(image));
    // So is a width whose rows do not fit 32 bits; its row size is computed
    // without overflowing before the header is checked.
    auto wide = System::DibImage::create(4, 4, true);
    wide.header.biWidth = 0x7FFFFFFF;
    EXPECT_EQ(wide.stride(), int64_t(0x7FFFFFFF) * 4);
    EXPECT_FALSE(Clipboard::setImage(wide));
    EXPECT_TRUE(System::DibImage::create(0x7FFFFFFF, 2, true).bits.empty());
    Platform::Ui::shutdownApplication();
    System::Report::setSink({});
}
