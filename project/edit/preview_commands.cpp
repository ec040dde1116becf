#include "project/edit/preview_commands.h"

#include "core/log.h"
#include "project/edit/update_section.h"
#include "render/render_service.h"

namespace Edit::EditCommand {

namespace {

// The option of the running video worker; null without a render service.
void setOption(const char* place, const wchar_t* format, int Render::RenderVideoWorker::*option, bool enable)
{
    System::Log::info(place, format, enable ? 1 : 0);
    UpdateSection update;
    update.notifyEdit = true;
    if (Render::RenderService* service = Render::RenderService::Get())
        service->videoWorker.*option = enable ? 1 : 0;
}

} // namespace

void setGridXY(bool enable)
{
    setOption("Edit::EditCommand::setGridXY", L"set xy grid enable=%d", &Render::RenderVideoWorker::gridXY, enable);
}

void setCameraGrid(bool enable)
{
    setOption("Edit::EditCommand::setCameraGrid", L"set camera grid enable=%d", &Render::RenderVideoWorker::cameraGrid,
              enable);
}

void setCameraFreeView(bool enable)
{
    setOption("Edit::EditCommand::setCameraFreeView", L"set camera free view enable=%d",
              &Render::RenderVideoWorker::cameraFreeView, enable);
}

void setVisibleClippingObjectView(bool enable)
{
    setOption("Edit::EditCommand::setVisibleClippingObjectView", L"set visible clipping object enable=%d",
              &Render::RenderVideoWorker::visibleClippingObject, enable);
}

} // namespace Edit::EditCommand
