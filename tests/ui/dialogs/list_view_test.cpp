// The list-view row and the table dialog, driven for real: header sorting,
// check boxes, in-place editing, drag reordering and the context menu.
#include "tests/ui/dialogs/dialog_fixture.h"
#include "ui/menus/dialogs/dialog_list_view.h"
#include "ui/menus/dialogs/list_view_dialog.h"

using namespace DialogTest;
using Dialog::DialogTemplate;
namespace Key = Platform::Ui::Key;

namespace {

// A line with a name, an editable label and a check.
struct Line : Dialog::DialogItemListViewBase::Item {
    Line(std::wstring name, std::wstring label = {}) : name(std::move(name)), label(std::move(label)) {}
    const wchar_t* getText(int column) override
    {
        return column == 0 ? name.c_str() : column == 1 ? label.c_str() : L"";
    }
    void beginEdit(int column, Dialog::DialogItem* editor) override
    {
        if (auto* combo = dynamic_cast<Dialog::DialogItemComboBox*>(editor); combo && column == 1)
            combo->value = label;
    }
    void endEdit(int column, Dialog::DialogItem* editor) override
    {
        if (auto* combo = dynamic_cast<Dialog::DialogItemComboBox*>(editor); combo && column == 1)
            label = combo->value;
    }
    void setCheck(bool check) override { checked = check; }
    bool getCheck() override { return checked; }

    std::wstring name, label;
    bool checked = false;
};
using List = Dialog::DialogItemListView<Line>;

struct ListView : DialogFixture {
    List* addList(DialogTemplate& dialog, const std::vector<std::wstring>& names, int height = 300,
                  bool reorderable = false)
    {
        List* list = dialog.addItem<List>(height, reorderable);
        list->addColumn(L"項目", 200);
        list->addColumn(L"ラベル", 150);
        for (const std::wstring& name : names)
            list->rows.push_back(std::make_unique<Line>(name));
        return list;
    }
    static std::vector<std::wstring> names(const std::vector<Line*>& lines)
    {
        std::vector<std::wstring> list;
        for (Line* line : lines)
            list.push_back(line->name);
        return list;
    }
    static void clickCell(Dialog::DialogItemListViewBase* list, int line, int column)
    {
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, line, column, x, y));
        Drive::listClick(list->hwnd, x, y);
    }
    static void clickOk(Ui::DialogHandle dialog) { Drive::click(Ui::findControl(dialog, Dialog::IdSubmit)); }
};

} // namespace

TEST_F(ListView, HeaderClicksSortAscendingThenDescendingAndOkKeepsTheOrderShown)
{
    DialogTemplate dialog(L"一覧");
    List* list = addList(dialog, {L"item10", L"Item2", L"item1", L"b"});
    std::vector<std::wstring> first, second;
    drive([&](Ui::DialogHandle d) {
        Drive::clickListHeader(list->hwnd, 0);
        first = Drive::listTexts(list->hwnd, 0);
        Drive::clickListHeader(list->hwnd, 0);
        second = Drive::listTexts(list->hwnd, 0);
        clickOk(d);
    });
    ASSERT_TRUE(dialog.create(600));
    // Digit runs compare as numbers, case is ignored.
    EXPECT_EQ(first, (std::vector<std::wstring>{L"b", L"item1", L"Item2", L"item10"}));
    EXPECT_EQ(second, (std::vector<std::wstring>{L"item10", L"Item2", L"item1", L"b"}));
    EXPECT_EQ(names(list->getItemViewList()), second);
    EXPECT_EQ(names(list->getItemList()), (std::vector<std::wstring>{L"item10", L"Item2", L"item1", L"b"}));
    EXPECT_TRUE(list->columns[0].ascending);
    EXPECT_GE(dialog.width, 600);
}

TEST_F(ListView, OnlyAClickOnTheBoxChangesACheck)
{
    DialogTemplate dialog(L"一覧");
    List* list = addList(dialog, {L"a", L"b", L"c"});
    list->checkboxes = true;
    static_cast<Line*>(list->rows[2].get())->checked = true;
    std::vector<bool> shownAtStart, afterBox, afterText, afterSpace;
    drive([&](Ui::DialogHandle d) {
        shownAtStart = Drive::listChecks(list->hwnd);
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCheckPoint(list->hwnd, 0, x, y));
        Drive::listClick(list->hwnd, x, y);
        afterBox = Drive::listChecks(list->hwnd);
        clickCell(list, 1, 0); // the text of a line, not its box
        afterText = Drive::listChecks(list->hwnd);
        Drive::keyToDialog(d, Key::Space);
        afterSpace = Drive::listChecks(list->hwnd);
        clickOk(d);
    });
    ASSERT_TRUE(dialog.create());
    EXPECT_EQ(shownAtStart, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(afterBox, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(afterText, afterBox);
    EXPECT_EQ(afterSpace, afterBox);
    const auto lines = list->getItemList();
    EXPECT_TRUE(lines[0]->checked);
    EXPECT_FALSE(lines[1]->checked);
}

TEST_F(ListView, AnEditorHoldingABadValueKeepsTheEditOpenAndBlocksOkUntilMended)
{
    DialogTemplate dialog(L"一覧");
    List* list = addList(dialog, {L"a", L"b"});
    list->columns[1].editor = std::make_unique<Dialog::DialogItemNameFolderComboBox>(L"", L"");
    auto* editor = static_cast<Dialog::DialogItemNameFolderComboBox*>(list->columns[1].editor.get());
    static_cast<Line*>(list->rows[0].get())->label = L"前";
    int menuRan = 0;
    list->contextMenu.insertItem(L"先頭に移動", [&] { ++menuRan; });
    Window::PopupMenu::setChooser([](const Window::PopupMenu& menu) { return menu.item(0).id; });
    std::vector<std::wstring> orderAfterHeader;
    bool shownOverCell = false, stillEditing = false, openAfterOk = false;
    std::wstring startText, refusedHint, shownAfter;
    drive([&](Ui::DialogHandle d) {
        clickCell(list, 0, 1);
        shownOverCell = Drive::controlVisible(editor->hwnd) && list->editRow == 0 && list->editColumn == 1;
        startText = Ui::controlText(editor->hwnd);
        Drive::replaceText(editor->hwnd, L"\\X");
        clickCell(list, 1, 0);
        refusedHint = hint();
        // Neither the context menu nor a sort moves lines under the refused edit.
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 1, 0, x, y));
        Drive::listClick(list->hwnd, x, y, Ui::TestInput::Right);
        Drive::clickListHeader(list->hwnd, 0);
        Drive::clickListHeader(list->hwnd, 0);
        orderAfterHeader = Drive::listTexts(list->hwnd, 0);
        stillEditing = Drive::controlVisible(editor->hwnd) && list->editRow == 0;
        clickOk(d);
        openAfterOk = Ui::dialogOpen(d);
        Drive::replaceText(editor->hwnd, L"A\\B");
        clickCell(list, 1, 0);
        shownAfter = Drive::listTexts(list->hwnd, 1)[0];
        clickOk(d);
    });
    ASSERT_TRUE(dialog.create());
    EXPECT_TRUE(shownOverCell);
    EXPECT_EQ(startText, L"前");
    EXPECT_EQ(refusedHint, L"フォーマットが正しくありません");
    EXPECT_TRUE(stillEditing);
    EXPECT_EQ(menuRan, 0);
    EXPECT_EQ(orderAfterHeader, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(openAfterOk);
    EXPECT_EQ(shownAfter, L"A\\B");
    EXPECT_EQ(list->getItemList()[0]->label, L"A\\B");
    EXPECT_EQ(list->editRow, -1);
    Window::PopupMenu::setChooser(nullptr);
}

TEST_F(ListView, OkCommitsTheOpenEditAndCancelKeepsTheLinesAsTheyWere)
{
    for (bool confirm : {true, false}) {
        DialogTemplate dialog(L"一覧");
        List* list = addList(dialog, {L"a", L"b"});
        list->columns[1].editor = std::make_unique<Dialog::DialogItemComboBox>(L"", L"");
        auto* editor = list->columns[1].editor.get();
        drive([&](Ui::DialogHandle d) {
            clickCell(list, 1, 1);
            Drive::replaceText(editor->hwnd, L"New");
            if (confirm)
                clickOk(d);
            else
                Drive::keyToDialog(d, Key::Escape);
        });
        EXPECT_EQ(dialog.create(), confirm);
        EXPECT_EQ(list->getItemList()[1]->label, confirm ? L"New" : L"");
    }
}

TEST_F(ListView, DraggingMovesTheLineAndAboveTheTopScrollsUpUntilTheButtonIsReleased)
{
    DialogTemplate dialog(L"一覧");
    std::vector<std::wstring> lineNames;
    for (int i = 0; i < 40; ++i)
        lineNames.push_back(L"L" + std::to_wstring(i));
    List* list = addList(dialog, lineNames, 200, true);
    std::vector<std::wstring> afterShortDrag;
    int scrolledFrom = 0, scrolledTo = 0, lineOfDraggedAfter = -1, topBefore = -1, topAfter = -1;
    bool draggingAfterRelease = true;
    drive([&](Ui::DialogHandle d) {
        // L0 dragged down onto L3's line.
        int x = 0, y = 0, tx = 0, ty = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 0, 0, x, y));
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 3, 0, tx, ty));
        Drive::listPress(list->hwnd, x, y);
        Drive::listMove(list->hwnd, x, (y + ty) / 2);
        Drive::listMove(list->hwnd, tx, ty);
        Drive::listRelease(list->hwnd, tx, ty);
        afterShortDrag = Drive::listTexts(list->hwnd, 0);

        // From further down: the line under the top edge goes up while the list scrolls.
        Ui::scrollList(list->hwnd, 300);
        scrolledFrom = Ui::listScrollPosition(list->hwnd);
        const int top = Ui::hitTestList(list->hwnd, 10, 0).line;
        topBefore = top;
        ASSERT_GE(top, 5);
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, top + 1, 0, x, y));
        Dialog::DialogItemListViewBase::Item* dragged = list->getItem(top + 1);
        Drive::listPress(list->hwnd, x, y);
        for (int i = 0; i < 5; ++i)
            Drive::listMove(list->hwnd, x, -30);
        scrolledTo = Ui::listScrollPosition(list->hwnd);
        lineOfDraggedAfter = list->getItemLine(dragged);
        topAfter = Ui::hitTestList(list->hwnd, 10, 0).line;
        Drive::listRelease(list->hwnd, x, -30);
        draggingAfterRelease = list->dragging;
        // Moving now drags nothing.
        const auto before = Drive::listTexts(list->hwnd, 0);
        Drive::listMove(list->hwnd, x, y);
        EXPECT_EQ(Drive::listTexts(list->hwnd, 0), before);
        clickOk(d);
    });
    ASSERT_TRUE(dialog.create());
    ASSERT_GE(afterShortDrag.size(), 4u);
    EXPECT_EQ((std::vector<std::wstring>(afterShortDrag.begin(), afterShortDrag.begin() + 4)),
              (std::vector<std::wstring>{L"L1", L"L2", L"L3", L"L0"}));
    EXPECT_LT(scrolledTo, scrolledFrom);
    // The dragged line follows to the top line shown.
    EXPECT_LT(topAfter, topBefore);
    EXPECT_EQ(lineOfDraggedAfter, topAfter);
    EXPECT_FALSE(draggingAfterRelease);
    // The stored lines never move; the order shown is what OK reports.
    EXPECT_EQ(list->getItemList()[0]->name, L"L0");
    EXPECT_EQ(names(list->getItemViewList())[3], L"L0");
}

TEST_F(ListView, ARightClickOpensTheContextMenuWithTheLineUnderThePointerOrNone)
{
    DialogTemplate dialog(L"一覧");
    List* list = addList(dialog, {L"a", L"b"});
    std::vector<std::wstring> ran;
    int prepared = 0;
    list->contextMenu.insertItem(L"名前", [&] {
        ran.push_back(list->contextItem ? static_cast<Line*>(list->contextItem)->name : L"(none)");
    });
    list->beforeContextMenu = [&] { ++prepared; };
    Window::PopupMenu::setChooser([](const Window::PopupMenu& menu) { return menu.item(0).id; });
    drive([&](Ui::DialogHandle d) {
        int x = 0, y = 0;
        ASSERT_TRUE(Drive::listCellPoint(list->hwnd, 1, 0, x, y));
        Drive::listClick(list->hwnd, x, y, Ui::TestInput::Right);
        int w = 0, h = 0;
        Ui::listAreaSize(list->hwnd, w, h);
        Drive::listClick(list->hwnd, 10, h - 3, Ui::TestInput::Right); // below the lines
        clickOk(d);
    });
    ASSERT_TRUE(dialog.create());
    Window::PopupMenu::setChooser(nullptr);
    EXPECT_EQ(ran, (std::vector<std::wstring>{L"b", L"(none)"}));
    EXPECT_EQ(prepared, 2);
}

TEST_F(ListView, TheTableDialogShowsEveryTextAndAMissingCellEmpty)
{
    Dialog::ListViewDialog dialog(L"プラグイン情報");
    dialog.columns = {{L"名前", 200}, {L"情報", 300}};
    dialog.rows = {{L"入力A", L"v1"}, {L"入力B"}};
    dialog.size = 400;
    std::vector<std::wstring> names, infos;
    int w = 0, h = 0;
    drive([&](Ui::DialogHandle d) {
        names = Drive::listTexts(dialog.list->hwnd, 0);
        infos = Drive::listTexts(dialog.list->hwnd, 1);
        Ui::dialogClientSize(d, w, h);
        clickOk(d);
    });
    EXPECT_TRUE(dialog.show());
    EXPECT_TRUE(dialog.rows.empty());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"入力A", L"入力B"}));
    EXPECT_EQ(infos, (std::vector<std::wstring>{L"v1", L""}));
    EXPECT_GE(w, 400);
    EXPECT_GE(h, 400);
}

TEST_F(ListView, ReadingLinesOfAnotherClassThrows)
{
    struct Other : Line {
        using Line::Line;
    };
    Dialog::DialogItemListView<Other> list(100, false);
    list.rows.push_back(std::make_unique<Line>(L"a"));
    EXPECT_THROW(list.getItemList(), std::exception);
    // Never shown: the order shown is the insertion order.
    Dialog::DialogItemListView<Line> plain(100, false);
    plain.rows.push_back(std::make_unique<Line>(L"a"));
    plain.rows.push_back(std::make_unique<Line>(L"b"));
    ASSERT_EQ(plain.getItemViewList().size(), 2u);
    EXPECT_EQ(plain.getItemViewList()[1]->name, L"b");
}
