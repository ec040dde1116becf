#include "ui/menus/dialogs/list_view_dialog.h"

namespace Dialog {

const wchar_t* ListViewDialog::ListViewItem::getText(int column)
{
    if (column < 0 || size_t(column) >= texts.size())
        return L"";
    return texts[size_t(column)].c_str();
}

ListViewDialog::ListViewDialog(std::wstring caption) : DialogTemplate(std::move(caption), "ListViewDialog") {}

bool ListViewDialog::show()
{
    list = addItem<DialogItemListView<ListViewItem>>(size, false);
    for (const ColumnInfo& column : columns)
        list->addColumn(column.title, column.width);
    for (auto& line : rows)
        list->rows.push_back(std::make_unique<ListViewItem>(std::move(line)));
    rows.clear();
    return create(size);
}

} // namespace Dialog
