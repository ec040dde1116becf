#include "ui/menus/dialogs/dialog_list_view.h"

#include "core/failure.h"
#include "media/font_manager.h"

#include <algorithm>

namespace Dialog {

namespace Ui = Platform::Ui;
using Ui::ListViewEvent;

namespace {
DialogItemListViewBase::Item* itemOf(intptr_t data)
{
    return reinterpret_cast<DialogItemListViewBase::Item*>(data);
}
intptr_t dataOf(DialogItemListViewBase::Item* item)
{
    return reinterpret_cast<intptr_t>(item);
}
} // namespace

void throwInvalidItemClass(const char* place)
{
    throw System::makeException(place, "invalid item class.", "");
}

DialogItemListViewBase::DialogItemListViewBase(int rowHeight, bool reorderable) : reorderable(reorderable)
{
    height = rowHeight;
}

DialogItemListViewBase::~DialogItemListViewBase()
{
    if (hwnd)
        Ui::setListViewHandler(hwnd, {});
}

DialogItemListViewBase::Column& DialogItemListViewBase::addColumn(const std::wstring& title, int columnWidth,
                                                                  std::unique_ptr<DialogItem> editor)
{
    Column column;
    column.title = title;
    column.width = columnWidth;
    column.editor = std::move(editor);
    columns.push_back(std::move(column));
    return columns.back();
}

void DialogItemListViewBase::create(DialogHandle dialog, int x, int y, int w, int h)
{
    hwnd = createControl(dialog, Ui::ControlType::ListView, checkboxes ? Ui::ControlStyle::Checkboxes : 0, L"",
                         controlId, x, y, w, h);
    editRow = editColumn = -1;
    dragging = false;
    dragItem = nullptr;
    viewOrder.clear();
    Ui::ListViewHandler handler;
    handler.text = [](intptr_t data, int column) -> std::wstring {
        const wchar_t* text = itemOf(data)->getText(column);
        return text ? text : L"";
    };
    handler.check = [](intptr_t data) { return itemOf(data)->getCheck(); };
    handler.event = [this](const ListViewEvent& event) { onEvent(event); };
    Ui::setListViewHandler(hwnd, std::move(handler));
    // Lines as high as the dialog's rows, so that an editor fits its cell.
    int sampleWidth = 0, sampleHeight = 0;
    Ui::measureDialogText(dialog, L"!#@/", false, sampleWidth, sampleHeight);
    Ui::setListLineHeight(hwnd, sampleHeight ? sampleHeight + 4 : 0);

    for (size_t i = 0; i < columns.size(); ++i) {
        Column& column = columns[i];
        if (!Ui::insertListColumn(hwnd, translateDialog(column.title), column.width))
            throw System::makeException("Dialog::DialogItemListViewBase::create", "ListView_InsertColumn failed.",
                                        "");
        if (column.editor) {
            // Made after the list so that it lies above it; hidden until a cell is edited.
            column.editor->controlId = controlId + 1 + int(i);
            column.editor->create(dialog, x, y, 0, 0);
            Ui::showControl(column.editor->hwnd, false);
        }
    }
    if (columns.empty())
        return;
    int line = 0;
    for (auto& row : rows)
        if (!Ui::insertListLine(hwnd, line++, dataOf(row.get())))
            throw System::makeException("Dialog::DialogItemListViewBase::create", "ListView_InsertItem failed.", "");
}

bool DialogItemListViewBase::submit()
{
    return commitEdit();
}

void DialogItemListViewBase::update()
{
    Ui::updateListLine(hwnd, -1);
}

bool DialogItemListViewBase::notify(const DialogEvent& event)
{
    if (event.kind != DialogEvent::Command || event.code != DialogEvent::FocusLost || editRow < 0)
        return false;
    if (editColumn < 0 || size_t(editColumn) >= columns.size() || !columns[size_t(editColumn)].editor)
        return false;
    DialogItem* editor = columns[size_t(editColumn)].editor.get();
    if (editor->hwnd && Ui::controlId(editor->hwnd) == event.id)
        commitEdit();
    return false;
}

DialogItemListViewBase::Item* DialogItemListViewBase::getItem(int line)
{
    intptr_t data = 0;
    if (!Ui::getListLine(hwnd, line, data))
        throw System::makeException("Dialog::DialogItemListViewBase::getItem", "ListView_GetItem failed.", "");
    return itemOf(data);
}

int DialogItemListViewBase::getItemLine(Item* item)
{
    const int line = Ui::findListLine(hwnd, dataOf(item));
    if (line < 0)
        throw System::makeException("Dialog::DialogItemListViewBase::getItemLine", "ListView_FindItem not found.",
                                    "");
    return line;
}

void DialogItemListViewBase::moveItem(int from, int to)
{
    if (from < 0 || to < 0 || from == to)
        return;
    const char* place = "Dialog::DialogItemListViewBase::moveItem";
    const int step = from < to ? 1 : -1;
    for (int i = from; i != to; i += step) {
        intptr_t a = 0, b = 0;
        if (!Ui::getListLine(hwnd, i, a) || !Ui::getListLine(hwnd, i + step, b))
            throw System::makeException(place, "ListView_GetItem failed.", "");
        if (!Ui::setListLine(hwnd, i, b) || !Ui::setListLine(hwnd, i + step, a))
            throw System::makeException(place, "ListView_SetItem failed.", "");
    }
}

void DialogItemListViewBase::updateItemViewList()
{
    if (hwnd) {
        const int count = Ui::listLineCount(hwnd);
        std::vector<Item*> order;
        order.reserve(size_t(count));
        for (int i = 0; i < count; ++i) {
            intptr_t data = 0;
            if (!Ui::getListLine(hwnd, i, data))
                throw System::makeException("Dialog::DialogItemListViewBase::updateItemViewList",
                                            "ListView_GetItem failed.", "");
            order.push_back(itemOf(data));
        }
        viewOrder = std::move(order);
        viewCaptured_ = true;
    } else if (!viewCaptured_) {
        // Never shown: the order is the insertion order.
        viewOrder.clear();
        for (auto& row : rows)
            viewOrder.push_back(row.get());
    }
}

void DialogItemListViewBase::setItemCheck(Item* item, bool check)
{
    item->setCheck(check);
    if (hwnd)
        Ui::updateListLine(hwnd, Ui::findListLine(hwnd, dataOf(item)));
}

int DialogItemListViewBase::getLineCount()
{
    return hwnd ? Ui::listLineCount(hwnd) : int(rows.size());
}

bool DialogItemListViewBase::commitEdit()
{
    if (editRow < 0)
        return true;
    DialogItem* editor = editColumn >= 0 && size_t(editColumn) < columns.size()
                             ? columns[size_t(editColumn)].editor.get()
                             : nullptr;
    if (!editor) {
        editRow = editColumn = -1;
        return true;
    }
    if (!editor->submit())
        return false;
    const int row = editRow, column = editColumn;
    // Cleared first: hiding the editor moves the focus, which commits again.
    editRow = editColumn = -1;
    getItem(row)->endEdit(column, editor);
    Ui::updateListLine(hwnd, row);
    Ui::showControl(editor->hwnd, false);
    Ui::setDialogFocus(Ui::controlDialog(hwnd));
    return true;
}

void DialogItemListViewBase::onEvent(const ListViewEvent& event)
{
    switch (event.kind) {
    case ListViewEvent::MouseMove: onMouseMove(event.x, event.y); break;
    case ListViewEvent::LeftDown: onLeftDown(event.x, event.y); break;
    case ListViewEvent::LeftUp: Ui::captureList(hwnd, false); break;
    case ListViewEvent::CaptureLost:
        dragging = false;
        dragItem = nullptr;
        Ui::setListCursor(hwnd, Ui::ListCursor::Arrow);
        break;
    case ListViewEvent::RightDown: commitEdit(); break;
    case ListViewEvent::RightUp: onRightUp(event.x, event.y); break;
    case ListViewEvent::BeginScroll:
        if (!commitEdit()) {
            // The refused value stays open over its cell where the cell went.
            int l = 0, t = 0, r = 0, b = 0;
            if (Ui::listCellRect(hwnd, editRow, editColumn, l, t, r, b))
                Ui::moveControl(columns[size_t(editColumn)].editor->hwnd, l, t, r - l, b - t);
        }
        break;
    case ListViewEvent::ColumnClick: sortByColumn(event.column); break;
    case ListViewEvent::Destroy:
        updateItemViewList();
        // The editors' controls go with the dialog.
        for (Column& column : columns)
            if (column.editor)
                column.editor->hwnd = nullptr;
        Ui::setListViewHandler(hwnd, {});
        hwnd = nullptr;
        break;
    }
}

void DialogItemListViewBase::onMouseMove(int x, int y)
{
    if (dragging) {
        int areaWidth = 0, areaHeight = 0;
        Ui::listAreaSize(hwnd, areaWidth, areaHeight);
        if (y < 0)
            Ui::scrollList(hwnd, y);
        else if (y > areaHeight)
            Ui::scrollList(hwnd, y - areaHeight);
        // Outside the lines the dragged line goes to the nearest line shown.
        const Ui::ListHit hit = Ui::hitTestList(hwnd, std::clamp(x, 0, std::max(areaWidth - 1, 0)),
                                                std::clamp(y, 0, std::max(areaHeight - 1, 0)));
        if (hit.line >= 0 && dragItem) {
            const int current = getItemLine(dragItem);
            if (hit.line != current) {
                moveItem(current, hit.line);
                Ui::selectListLine(hwnd, hit.line);
            }
        }
        Ui::setListCursor(hwnd, Ui::ListCursor::Drag);
        return;
    }
    const Ui::ListHit hit = Ui::hitTestList(hwnd, x, y);
    if (hit.line < 0 || hit.column < 0 || size_t(hit.column) >= columns.size()) {
        Ui::setListCursor(hwnd, Ui::ListCursor::Arrow);
        return;
    }
    const bool clickable = reorderable || hit.onCheck || columns[size_t(hit.column)].editor;
    Ui::setListCursor(hwnd, clickable ? Ui::ListCursor::Hand : Ui::ListCursor::Arrow);
    Ui::selectListLine(hwnd, hit.line);
}

void DialogItemListViewBase::onLeftDown(int x, int y)
{
    const Ui::ListHit hit = Ui::hitTestList(hwnd, x, y);
    if (!commitEdit())
        return;
    if (hit.line < 0 || hit.column < 0 || size_t(hit.column) >= columns.size())
        return;
    Item* item = getItem(hit.line);
    if (checkboxes && hit.onCheck) {
        setItemCheck(item, !item->getCheck());
        return;
    }
    DialogItem* editor = columns[size_t(hit.column)].editor.get();
    if (editor && !(hit.line == editRow && hit.column == editColumn)) {
        if (!commitEdit())
            return;
        editRow = hit.line;
        editColumn = hit.column;
        item->beginEdit(hit.column, editor);
        editor->update();
        int l = 0, t = 0, r = 0, b = 0;
        if (!Ui::listCellRect(hwnd, hit.line, hit.column, l, t, r, b))
            throw System::makeException("Dialog::DialogItemListViewBase::setFocus",
                                        "ListView_GetItemIndexRect failed.", "");
        Ui::moveControl(editor->hwnd, l, t, r - l, b - t);
        Ui::showControl(editor->hwnd, true);
        Ui::setControlFocus(editor->hwnd);
        return;
    }
    if (reorderable) {
        dragItem = item;
        dragging = true;
        Ui::captureList(hwnd, true);
        Ui::setListCursor(hwnd, Ui::ListCursor::Drag);
    }
}

void DialogItemListViewBase::onRightUp(int x, int y)
{
    // A refused edit stays open: no command moves lines under it.
    if (!commitEdit())
        return;
    if (contextMenu.itemCount() == 0)
        return;
    const Ui::ListHit hit = Ui::hitTestList(hwnd, x, y);
    contextItem = hit.line >= 0 ? getItem(hit.line) : nullptr;
    if (beforeContextMenu)
        beforeContextMenu();
    contextMenu.show();
}

void DialogItemListViewBase::sortByColumn(int column)
{
    if (column < 0 || size_t(column) >= columns.size())
        return;
    if (!commitEdit())
        return;
    const bool ascending = columns[size_t(column)].ascending;
    Ui::sortListLines(hwnd, [column, ascending](intptr_t a, intptr_t b) {
        const wchar_t* ta = itemOf(a)->getText(column);
        const wchar_t* tb = itemOf(b)->getText(column);
        const int order = Media::compareStringLocale(ta ? ta : L"", tb ? tb : L"");
        const int sign = order < 0 ? -1 : order > 0 ? 1 : 0;
        return ascending ? sign : -sign;
    });
    columns[size_t(column)].ascending = !ascending;
}

} // namespace Dialog
