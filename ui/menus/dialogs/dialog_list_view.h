#pragma once
// A dialog row holding a table whose lines are objects of the dialog: the
// texts are asked from the line objects when drawn, cells of columns with an
// editor are edited in place by an ordinary row laid over the cell, lines may
// carry check boxes (changed by clicking the box only), be sorted by clicking
// a header and be dragged to a new place, and a context menu acts on the line
// under the pointer. Sorting and dragging move the lines on screen, never the
// objects in `rows`; the order shown is read back after the dialog closed.
// An edit ends by commit only (a click elsewhere, a right click, the editor
// losing the focus, scrolling, a header click, OK); an editor that refuses
// its value keeps the edit open and blocks the click and the dialog's OK.
#include "platform/ui/dialog_list_view.h"
#include "ui/menus/dialogs/dialog_item.h"
#include "ui/window/base_menu.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Dialog {

// "invalid item class." at the place.
[[noreturn]] void throwInvalidItemClass(const char* place);

class DialogItemListViewBase : public DialogItem {
public:
    class Item {
    public:
        virtual ~Item() = default;
        // The cell text; valid until the line changes.
        virtual const wchar_t* getText(int column) = 0;
        // Puts the cell's value into the editor row's value fields.
        virtual void beginEdit(int column, DialogItem* editor) = 0;
        // Takes the editor row's value back into the line.
        virtual void endEdit(int column, DialogItem* editor) = 0;
        virtual void setCheck(bool) {}
        virtual bool getCheck() { return false; }
    };

    struct Column {
        std::wstring title; // a "Dialog" table key
        int width = 0;
        std::unique_ptr<DialogItem> editor; // the in-place editor row, or none
        bool ascending = true;              // the next header click sorts ascending
    };

    DialogItemListViewBase(int height, bool reorderable);
    ~DialogItemListViewBase() override;

    void create(DialogHandle dialog, int x, int y, int width, int height) override;
    // Commits an open cell edit; false when its editor refuses the value.
    bool submit() override;
    // Draws every line again.
    void update() override;
    // Focus loss of an editor commits the edit.
    bool notify(const DialogEvent& event) override;

    // Appends a column; the editor (when given) is owned by the row.
    Column& addColumn(const std::wstring& title, int width, std::unique_ptr<DialogItem> editor = {});

    Item* getItem(int line);
    int getItemLine(Item* item);
    // Moves the line at from to position to; the lines between shift by one.
    void moveItem(int from, int to);
    // Refills viewOrder from the control's lines while it exists.
    void updateItemViewList();
    // Sets the line's check and shows it.
    void setItemCheck(Item* item, bool check);
    // The number of lines shown (the rows until the control exists).
    int getLineCount();

    bool checkboxes = false;
    bool reorderable = false;
    bool dragging = false;
    Item* dragItem = nullptr;
    int editRow = -1;
    int editColumn = -1;
    Window::PopupMenu contextMenu;
    std::function<void()> beforeContextMenu;
    Item* contextItem = nullptr;
    std::vector<Column> columns;
    std::vector<std::unique_ptr<Item>> rows;
    std::vector<Item*> viewOrder;

protected:
    bool commitEdit();

private:
    void onEvent(const Platform::Ui::ListViewEvent& event);
    void onMouseMove(int x, int y);
    void onLeftDown(int x, int y);
    void onRightUp(int x, int y);
    void sortByColumn(int column);
    bool viewCaptured_ = false;
};

// Typed access to the lines of a row whose lines are all of class T.
template <class T>
class DialogItemListView : public DialogItemListViewBase {
public:
    using DialogItemListViewBase::DialogItemListViewBase;

    // The lines in insertion order.
    std::vector<T*> getItemList() { return cast(rows, "Dialog::DialogItemListView::getItemList"); }
    // The lines in the order shown (as the control showed them last).
    std::vector<T*> getItemViewList()
    {
        updateItemViewList();
        return cast(viewOrder, "Dialog::DialogItemListView::getItemViewList");
    }

private:
    template <class List>
    static std::vector<T*> cast(const List& list, const char* place)
    {
        std::vector<T*> typed;
        typed.reserve(list.size());
        for (const auto& line : list) {
            T* item = dynamic_cast<T*>(&*line);
            if (!item)
                throwInvalidItemClass(place);
            typed.push_back(item);
        }
        return typed;
    }
};

} // namespace Dialog
