#include "ui/menus/menubar/setting_menu.h"

#include "ui/menus/dialogs/menu_define_dialog.h"
#include "ui/menus/dialogs/setting_dialogs.h"
#include "ui/menus/dialogs/shortcut_key_dialog.h"
#include "ui/menus/menubar/backup_dialog.h"
#include "ui/window/window_menu.h"

#include <string>
#include <type_traits>

namespace Menu {

namespace {
// A command that shows a dialog of type D captioned with the item's text.
template <class D>
void addDialogItem(Window::WindowMenu& menu, const wchar_t* text)
{
    menu.insertItem(text, [text] {
            if constexpr (std::is_constructible_v<D, std::wstring>) {
                D dialog{std::wstring(text)};
                dialog.show();
            } else {
                D dialog;
                dialog.caption = text;
                dialog.show();
            }
        })
        .setShortcut(0);
}
} // namespace

void SettingMenu::initialize()
{
    Window::WindowMenu& m = *menu;
    addDialogItem<Dialog::ShortcutKeyDialog>(m, L"ショートカットキーの設定");
    addDialogItem<Dialog::EffectMenuDialog>(m, L"オブジェクト追加メニューの設定");
    addDialogItem<Dialog::MovementMenuDialog>(m, L"トラックバー移動メニューの設定");
    addDialogItem<Dialog::MovementParamsMenuDialog>(m, L"時間制御メニューの設定");
    addDialogItem<Dialog::PresetColorMenuDialog>(m, L"プリセット色メニューの設定");
    addDialogItem<Dialog::FontMenuDialog>(m, L"フォントメニューの設定");
    addDialogItem<Dialog::BackupDialog>(m, L"バックアップ履歴の設定");
    addDialogItem<Dialog::CacheSizeDialog>(m, L"キャッシュサイズの設定");
    addDialogItem<Dialog::GeneralSettingDialog>(m, L"共通操作の設定");
    addDialogItem<Dialog::DislpayColorSettingDialog>(m, L"画面・色の設定");
    addDialogItem<Dialog::LogSettingDialog>(m, L"ログの設定");
    addDialogItem<Dialog::LanguageDialog>(m, L"言語の設定");
}

} // namespace Menu
