#pragma once
// "バックアップ履歴の設定": the resume at start, automatic backups with their
// interval and number of files, and the number of recent projects. OK stores
// the values, trims both histories at once (dropped backups are deleted) and
// restarts or stops the backup timer; Cancel changes nothing.
#include "ui/menus/dialogs/dialog_template.h"

namespace Dialog {

class BackupDialog : public DialogTemplate {
public:
    explicit BackupDialog(std::wstring caption = L"バックアップ履歴の設定");
    // True after OK.
    bool show();
};

} // namespace Dialog
