#pragma once
// The XY grid of the current scene: cell width and height, and the lists of
// arbitrary X and Y axis lines. OK stores them in the scene (one edit
// transaction, so the preview redraws) and as the defaults of new scenes.
#include "ui/menus/dialogs/dialog_template.h"

namespace Dialog {

class GridDialog : public DialogTemplate {
public:
    GridDialog();
    // True after OK; nothing changes on Cancel.
    bool show();
};

// Asks whether a newly found plug-in module or script may be used: only its
// two buttons, Escape and the close box end it (Enter does nothing).
class ConfirmTrustModule : public DialogTemplate {
public:
    ConfirmTrustModule();
    // True when the user trusts the file.
    bool show(const std::wstring& path);
};

} // namespace Dialog
