#include "app/entry.h"

#include "core/log.h"
#include "core/logger_service.h"
#include "core/service.h"
#include "core/setting_service.h"
#include "core/text.h"
#include "media/direct2d_service.h"
#include "media/image_service.h"
#include "media/resource_service.h"
#include "platform/os/process.h"
#include "platform/ui/application.h"
#include "ui/menus/dialog.h"

#include <exception>
#include <string>

namespace App {

namespace {
constexpr const char* Place = "App::run";

void logUnansweredBoxes()
{
    // Without a display a box is answered at once; its text still reaches the terminal.
    Platform::Ui::setMessageBoxLog([](const Platform::Ui::MessageBox& box) {
        std::wstring text = box.caption + L": " + box.text + L"\n";
        Platform::Os::debugOutput(System::wideToUtf8(text).c_str());
    });
}

// Start-up in creation order. Later services join this list at their place.
void startUp(System::ServiceStack& services)
{
    services.acquire<Setting::SettingService>();
    services.acquire<Logger::LoggerService>();
    services.acquire<Media::ImageService>();
    services.acquire<Media::Direct2DService>();
    services.acquire<Resource::ResourceService>();
    System::Log::info(Place, "start up");
}

void shutDown()
{
    System::Log::info(Place, "shut down");
}
} // namespace

int run()
{
    Platform::Ui::initializeApplication();
    logUnansweredBoxes();
    int exitCode = 0;
    {
        System::ServiceStack services;
        try {
            startUp(services);
            shutDown();
        } catch (const std::exception& e) {
            // Shown while the logger still exists, so the failure reaches the log file.
            Dialog::showException(e);
            exitCode = 1;
        }
        services.releaseAll();
    }
    Platform::Ui::shutdownApplication();
    return exitCode;
}

} // namespace App
