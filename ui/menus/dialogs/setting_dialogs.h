#pragma once
// The dialogs of the program settings the services hold: log levels and
// limits, cache sizes, display and YUV output colour, the common operation
// settings and the interface language. Each reads the owning service's values,
// and on OK writes them back into its settings (stored in the main ini at
// exit); some apply at once, as each says. Cancel changes nothing.
#include "ui/menus/dialogs/dialog_template.h"

namespace Dialog {

// "Logger": the levels of the log pane, the log file and the debugger output,
// the pane's line limit and the number of log files kept. Levels and the line
// limit apply from the next line on.
class LogSettingDialog : public DialogTemplate {
public:
    LogSettingDialog();
    bool show();
};

// The image, audio and waveform cache budgets, the open-file count and the
// player's buffering time. Lowered budgets evict at once; the buffering time
// applies at the next start of playback.
class CacheSizeDialog : public DialogTemplate {
public:
    CacheSizeDialog();
    bool show();
};

// "Direct3D": high-DPI mode (from the next start), the YUV colour space and
// range of exported files. OK redraws the views at the cursor frame.
class DislpayColorSettingDialog : public DialogTemplate {
public:
    DislpayColorSettingDialog();
    bool show();
};

// "Edit": range selection while moving frames and the four custom move amounts
// (seconds, or frames as "5f").
class GeneralSettingDialog : public DialogTemplate {
public:
    GeneralSettingDialog();
    bool show();
};

// The interface language: "Default" (the built-in texts) or a language file;
// OK reloads the texts of the menus and windows at once.
class LanguageDialog : public DialogTemplate {
public:
    LanguageDialog();
    bool show();
};

} // namespace Dialog
