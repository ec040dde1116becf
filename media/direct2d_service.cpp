#include "media/direct2d_service.h"

#include "platform/ui/application.h"

namespace Media {

Direct2DService::Direct2DService()
{
    // Fonts and text need the toolkit's application object.
    Platform::Ui::initializeApplication();
    registerFont();
}

Direct2DService::~Direct2DService() = default;

} // namespace Media
