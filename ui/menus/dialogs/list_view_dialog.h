#pragma once
// A read-only table in a dialog: the plug-in and script information lists.
#include "ui/menus/dialogs/dialog_list_view.h"
#include "ui/menus/dialogs/dialog_template.h"

#include <string>
#include <vector>

namespace Dialog {

class ListViewDialog : public DialogTemplate {
public:
    struct ColumnInfo {
        std::wstring title; // a "Dialog" table key
        int width = 0;
    };
    // A line's texts, one per column; a column past them shows nothing.
    class ListViewItem : public DialogItemListViewBase::Item {
    public:
        explicit ListViewItem(std::vector<std::wstring> texts) : texts(std::move(texts)) {}
        const wchar_t* getText(int column) override;
        void beginEdit(int, DialogItem*) override {}
        void endEdit(int, DialogItem*) override {}

        std::vector<std::wstring> texts;
    };

    explicit ListViewDialog(std::wstring caption);

    // Shows the table `size` pixels high (and at least as wide); the lines
    // move into the list, so `rows` is empty afterwards. Whether OK closed it.
    bool show();

    std::vector<ColumnInfo> columns;
    std::vector<std::vector<std::wstring>> rows;
    int size = 0;
    DialogItemListView<ListViewItem>* list = nullptr; // the table row once shown
};

} // namespace Dialog
