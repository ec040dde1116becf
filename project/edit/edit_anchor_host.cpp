#include "project/edit/edit_anchor_host.h"

#include "core/log.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"

namespace Edit {

EditAnchorHost::EditAnchorHost(EditService& service) : service_(service) {}

void EditAnchorHost::toggleVisibleClippingObject()
{
    const bool visible = !visibleClippingObject;
    System::Log::info("Edit::EditCommand::setVisibleClippingObjectView", L"set visible clipping object enable=%d",
                      visible ? 1 : 0);
    UpdateSection update(service_);
    update.notifyEdit = true;
    visibleClippingObject = visible;
}

void EditAnchorHost::setCursorFrame(int frame)
{
    service_.setCursorFrame(frame);
}

} // namespace Edit
