// Error boxes: the reports of the lower layers once the boxes are installed,
// and the forms other threads post.
#include "core/event_service.h"
#include "core/report.h"
#include "core/worker_thread.h"
#include "platform/ui/application.h"
#include "platform/ui/main_thread.h"
#include "tests/support/test_support.h"
#include "ui/menus/dialog.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {
struct Boxes : ::testing::Test {
    void SetUp() override
    {
        Platform::Ui::initializeApplication();
        Platform::Ui::setMessageBoxAnswerer([this](const Platform::Ui::MessageBox& box) {
            shown.push_back(box.caption + L"|" + box.text);
            return box.defaultAnswer;
        });
        Dialog::installReportSink();
    }
    void TearDown() override
    {
        System::Report::setSink({});
        Platform::Ui::setMessageBoxAnswerer(nullptr);
        Platform::Ui::shutdownApplication();
    }
    std::vector<std::wstring> shown;
};
} // namespace

TEST_F(Boxes, ReportsOfTheLowerLayersBecomeLoggedErrorBoxes)
{
    TestKit::LogCapture log;
    System::Report::showError("Failed to register effect. [%s]", "x");
    System::Report::showError(L"%s 100%%", L"全部");
    System::Report::showException(std::runtime_error("export failed"));
    // Exception boxes name the version too.
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"Velmora Tessel2|Failed to register effect. [x]",
                                                L"Velmora Tessel2|全部 100%",
                                                Dialog::exceptionCaption() + L"|export failed"}));
    EXPECT_EQ(Dialog::exceptionCaption(),
              std::wstring(L"Velmora Tessel2 [") + Dialog::programVersion() + L"] : Application Exception");
    EXPECT_TRUE(log.contains("ERROR|Dialog::showError|show error dialog.\nFailed to register effect. [x]"));
    EXPECT_TRUE(log.contains("ERROR|Dialog::showException|show exception dialog.\nexport failed"));
}

TEST_F(Boxes, WorkersPostErrorsAndExceptionsForTheMainThread)
{
    System::ServiceReference<Event::EventService> events;
    Worker::WorkerThread worker("Poster");
    worker.request(0, [] {
        Dialog::postError(L"disk %s is full (%d%%)", L"D:", 100);
        Dialog::postException(std::runtime_error("export failed"));
    });
    worker.wait();
    ASSERT_TRUE(Platform::Ui::processMessagesUntil([&] { return shown.size() == 2; }, 5000));
    EXPECT_EQ(shown[0], L"Velmora Tessel2|disk D: is full (100%)");
    EXPECT_EQ(shown[1], Dialog::exceptionCaption() + L"|export failed");
}
