#include "ui/menus/menubar/backup_dialog.h"

#include "core/log.h"
#include "project/edit/edit_service.h"
#include "ui/menus/dialogs/dialog_item.h"

#include <algorithm>

namespace Dialog {

namespace {
constexpr int HistoryLimit = 50;

DialogItemListBox* addSwitch(DialogTemplate& dialog, const wchar_t* label, int value)
{
    auto* row = dialog.addItem<DialogItemListBox>(label, value ? 1 : 0);
    row->addString(L"無効");
    row->addString(L"有効");
    return row;
}
} // namespace

BackupDialog::BackupDialog(std::wstring caption) : DialogTemplate(std::move(caption), "BackupDialog") {}

bool BackupDialog::show()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        return false;
    items.clear();
    auto* resume = addSwitch(*this, L"編集レジューム", edit->editResume);
    auto* autoBackup = addSwitch(*this, L"自動バックアップ", edit->autoBackup);
    auto* interval = addItem<DialogItemInteger>(L"バックアップの間隔(分)", edit->autoBackupInterval, 1, 1000);
    auto* backupMax = addItem<DialogItemInteger>(L"バックアップファイルの最大数", edit->autoBackupFileMax, 1, HistoryLimit);
    auto* historyMax = addItem<DialogItemInteger>(L"ファイル履歴の最大数", edit->historyFileMax, 1, HistoryLimit);
    if (!create(0))
        return false;
    edit->editResume = resume->index;
    edit->autoBackup = autoBackup->index;
    edit->autoBackupInterval = interval->value;
    edit->autoBackupFileMax = backupMax->value;
    edit->historyFileMax = historyMax->value;
    System::Log::info("Dialog::BackupDialog::show", "resume=%d backup=%d interval=%d backups=%d history=%d",
                      edit->editResume, edit->autoBackup, edit->autoBackupInterval, edit->autoBackupFileMax,
                      edit->historyFileMax);
    edit->projectHistory.maxCount = std::clamp(edit->historyFileMax, 0, HistoryLimit);
    edit->projectHistory.trimFileList();
    // Trimming the backups deletes the dropped files from the disk.
    edit->backupHistory.maxCount = std::clamp(edit->autoBackupFileMax, 0, HistoryLimit);
    edit->backupHistory.trimFileList();
    edit->backupHistory.updateAutoBackupTimer();
    return true;
}

} // namespace Dialog
