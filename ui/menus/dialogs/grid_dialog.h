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

// The camera control's grid of the current scene: line interval and extent.
// OK stores them in the scene (one edit transaction) and as the defaults of
// new scenes.
class GridCameraDialog : public DialogTemplate {
public:
    GridCameraDialog();
    bool show();
};

// The player's level meter thresholds (red and yellow, dB). The caller lays
// the preview out again after OK, so the meter moves its zones.
class LevelMeterDialog : public DialogTemplate {
public:
    LevelMeterDialog();
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
