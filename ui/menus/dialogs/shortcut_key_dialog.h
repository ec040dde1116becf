#pragma once
// Shortcut keys: every registered shortcut with its key, a new key taken by
// pressing it in the key cell (Tab, Enter and Escape included), one or all
// keys reset to their defaults from the context menu. OK applies the keys,
// puts their names into the menu items bound to them and writes the shortcut
// file; Cancel changes nothing. Two shortcuts may share a key.
#include "ui/menus/dialogs/dialog_list_view.h"
#include "ui/menus/dialogs/dialog_template.h"

#include <string>

namespace Window {
struct Shortcut;
}

namespace Dialog {

class ShortcutKeyDialog : public DialogTemplate {
public:
    class ShortcutItem : public DialogItemListViewBase::Item {
    public:
        explicit ShortcutItem(Window::Shortcut* shortcut);
        const wchar_t* getText(int column) override;
        // The key column with a key-code editor only.
        void beginEdit(int column, DialogItem* editor) override;
        void endEdit(int column, DialogItem* editor) override;
        void setCode(int newCode);

        Window::Shortcut* shortcut;
        std::wstring keyName;
        int code = 0; // as chosen here
    };

    explicit ShortcutKeyDialog(std::wstring caption = L"ショートカットキーの設定");

    // Whether OK closed it (and the keys were applied and saved).
    bool show();

    // The context menu's commands.
    void resetToDefault();
    void resetAllToDefault();

    DialogItemListView<ShortcutItem>* list = nullptr; // once shown

    static constexpr int ListHeight = 600;
    static constexpr int MinWidth = 600;
};

} // namespace Dialog
