#include "project/edit/edit_anchor_host.h"

#include "core/log.h"
#include "project/edit/edit_host.h"
#include "project/edit/edit_service.h"
#include "project/edit/preview_commands.h"
#include "project/edit/update_section.h"

namespace Edit {

EditAnchorHost::EditAnchorHost(EditService& service) : service_(service) {}

void EditAnchorHost::toggleVisibleClippingObject()
{
    const bool visible = !isVisibleClippingObject();
    visibleClippingObject = visible; // what answers while no render service runs
    EditCommand::setVisibleClippingObjectView(visible);
}

void EditAnchorHost::setCursorFrame(int frame)
{
    service_.setCursorFrame(frame);
}

void EditAnchorHost::showDeniedCursor()
{
    EditHost::get().setDeniedCursor();
}

} // namespace Edit
