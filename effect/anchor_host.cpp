#include "effect/anchor_host.h"

#include "core/config.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "render/render_object.h"
#include "render/render_service.h"

namespace Effect {

namespace {

std::unique_ptr<AnchorHost>& installed()
{
    static std::unique_ptr<AnchorHost> host;
    return host;
}

} // namespace

AnchorHost::AnchorHost()
{
    const std::shared_ptr<System::IniFile> ini = System::Config::iniFile;
    if (!ini)
        return;
    System::Config::Section editSection{"Edit"};
    System::Config::Int snap{editSection, "AnchorObjectMoveSnap", &edit.anchorObjectMoveSnap, 1};
    System::Config::Int movePoint{editSection, "DisplayObjectMovePoint", &edit.displayObjectMovePoint, 1};
    System::Config::Int centre{editSection, "DisplayObjectCenterAnchor", &edit.displayObjectCenterAnchor, 0};
    editSection.load(*ini);

    int visible = 1;
    System::Config::Section renderSection{"Render.video"};
    System::Config::Int visibleClipping{renderSection, "VisibleClippingObject", &visible, 1};
    renderSection.load(*ini);
    visibleClippingObject = visible != 0;
}

AnchorHost::~AnchorHost() = default;

AnchorHost& AnchorHost::get()
{
    if (AnchorHost* host = installed().get())
        return *host;
    static AnchorHost defaultHost; // made once, whichever thread asks first
    return defaultHost;
}

void AnchorHost::install(std::unique_ptr<AnchorHost> host)
{
    installed() = std::move(host);
}

bool AnchorHost::isVisibleClippingObject() const
{
    // The video worker owns the setting once the render service runs.
    if (const Render::RenderService* render = Render::RenderService::Get())
        return render->videoWorker.visibleClippingObject != 0;
    return visibleClippingObject;
}

void AnchorHost::toggleVisibleClippingObject()
{
    visibleClippingObject = !visibleClippingObject;
    System::Log::info("Edit::EditCommand::setVisibleClippingObjectView", L"set visible clipping object enable=%d",
                      visibleClippingObject ? 1 : 0);
}

int AnchorHost::getCurrentSection(const Render::RenderObject& object) const
{
    return object.sectionPosition.sectionIndex;
}

void AnchorHost::showSectionAtFrame(int frame)
{
    System::Log::verbose("Effect::AnchorHost::showSectionAtFrame", "show section at frame %d", frame);
}

void AnchorHost::setCursorFrame(int frame)
{
    System::Log::verbose("Effect::AnchorHost::setCursorFrame", "set cursor frame %d", frame);
}

const void* AnchorHost::getClippingObjectIcon(bool) const
{
    return nullptr;
}

void AnchorHost::showDeniedCursor()
{
    System::Log::verbose("Effect::AnchorHost::showDeniedCursor", "drag not allowed");
}

} // namespace Effect
