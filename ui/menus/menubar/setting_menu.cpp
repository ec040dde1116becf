#include "ui/menus/menubar/setting_menu.h"

#include "ui/menus/menubar/backup_dialog.h"
#include "ui/window/window_menu.h"

namespace Menu {

namespace {
// A command that shows a dialog of type D captioned with the item's text.
template <class D>
void addDialogItem(Window::WindowMenu& menu, const wchar_t* text)
{
    menu.insertItem(text, [text] {
            D dialog(text);
            dialog.show();
        })
        .setShortcut(0);
}
} // namespace

void SettingMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    addDialogItem<Dialog::BackupDialog>(m, L"バックアップ履歴の設定");
}

} // namespace Menu
