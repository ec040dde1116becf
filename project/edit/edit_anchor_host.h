#pragma once
// The edit service's side of what the anchor effects ask: the handle settings
// of section "Edit" (bound to the service's settings), the cursor, and the
// frame button's toggle of the clipping objects as an edit of its own.
#include "effect/anchor_host.h"

namespace Edit {

class EditService;

class EditAnchorHost : public Effect::AnchorHost {
public:
    explicit EditAnchorHost(EditService& service);

    // Flips the setting in a transaction that notifies the edit listeners.
    void toggleVisibleClippingObject() override;
    void setCursorFrame(int frame) override;
    void showDeniedCursor() override;

private:
    EditService& service_;
};

} // namespace Edit
