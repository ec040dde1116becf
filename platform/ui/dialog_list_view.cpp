#include "platform/ui/dialog_qt.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace Platform::Ui {

namespace {

class ListViewWidget;

// A line: its texts and check mark come from the handler each time they are drawn.
class ListLine : public QTreeWidgetItem {
public:
    ListLine(ListViewWidget& list, intptr_t data) : QTreeWidgetItem(UserType), list_(list), data_(data)
    {
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    QVariant data(int column, int role) const override;
    intptr_t lineData() const { return data_; }
    void setLineData(intptr_t data) { data_ = data; }

private:
    ListViewWidget& list_;
    intptr_t data_;
};

class ListViewWidget : public QTreeWidget {
public:
    ListViewWidget(DialogControl& control, uint32_t style, QWidget* parent)
        : QTreeWidget(parent), control_(control), checkboxes_(style & ControlStyle::Checkboxes)
    {
        setColumnCount(0);
        setRootIsDecorated(false);
        setUniformRowHeights(true);
        setItemsExpandable(false);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setSelectionBehavior(QAbstractItemView::SelectRows);
        setAllColumnsShowFocus(true);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setFocusPolicy(Qt::NoFocus);
        setAutoScroll(false);
        setSortingEnabled(false);
        setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        setMouseTracking(true);
        viewport()->setMouseTracking(true);
        header()->setSectionsMovable(false);
        header()->setSectionsClickable(!(style & ControlStyle::NoSort));
        header()->setStretchLastSection(true);
        header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        connect(header(), &QHeaderView::sectionClicked, this, [this](int column) {
            ListViewEvent event;
            event.kind = ListViewEvent::ColumnClick;
            event.column = column;
            send(event);
        });
        auto scrolled = [this] {
            ListViewEvent event;
            event.kind = ListViewEvent::BeginScroll;
            send(event);
        };
        connect(verticalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
        connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    }

    ~ListViewWidget() override
    {
        // The lines are still here: the handler may read them a last time.
        if (control_.list.event && control_.dialog) {
            ListViewEvent event;
            event.kind = ListViewEvent::Destroy;
            try {
                control_.list.event(event);
            } catch (...) {
                if (!control_.dialog->error)
                    control_.dialog->error = std::current_exception();
            }
        }
    }

    QString text(intptr_t data, int column) const
    {
        if (!control_.list.text)
            return {};
        std::wstring text;
        control_.dialog->guard([&] {
            text = control_.list.text(data, column);
            return true;
        });
        return QString::fromStdWString(text);
    }
    QVariant check(intptr_t data) const
    {
        if (!checkboxes_)
            return {};
        bool checked = false;
        if (control_.list.check)
            control_.dialog->guard([&] {
                checked = control_.list.check(data);
                return true;
            });
        return checked ? Qt::Checked : Qt::Unchecked;
    }
    int lineHeight = 0;
    bool captured = false;

    ListLine* line(int index) const { return static_cast<ListLine*>(topLevelItem(index)); }

    QRect checkRect(const QModelIndex& index)
    {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        option.features |= QStyleOptionViewItem::HasCheckIndicator;
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this);
    }
    bool hasCheckboxes() const { return checkboxes_; }

    void send(ListViewEvent event)
    {
        if (!control_.list.event || !control_.dialog || !control_.dialog->open)
            return;
        control_.dialog->guard([&] {
            control_.list.event(event);
            return true;
        });
    }
    void releaseCapture()
    {
        if (!captured)
            return;
        captured = false;
        ListViewEvent lost;
        lost.kind = ListViewEvent::CaptureLost;
        send(lost);
    }

protected:
    void mouseEvent(ListViewEvent::Kind kind, QMouseEvent* e)
    {
        ListViewEvent event;
        event.kind = kind;
        event.x = int(e->position().x());
        event.y = int(e->position().y());
        send(event);
        e->accept();
    }
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton)
            mouseEvent(ListViewEvent::LeftDown, e);
        else if (e->button() == Qt::RightButton)
            mouseEvent(ListViewEvent::RightDown, e);
        e->accept();
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override { mousePressEvent(e); }
    void mouseMoveEvent(QMouseEvent* e) override { mouseEvent(ListViewEvent::MouseMove, e); }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::LeftButton) {
            mouseEvent(ListViewEvent::LeftUp, e);
            releaseCapture();
        } else if (e->button() == Qt::RightButton) {
            mouseEvent(ListViewEvent::RightUp, e);
        }
        e->accept();
    }
    void contextMenuEvent(QContextMenuEvent* e) override { e->accept(); }
    void keyPressEvent(QKeyEvent* e) override { e->ignore(); }
    void focusInEvent(QFocusEvent*) override
    {
        // The list never keeps the keyboard: it goes to the dialog.
        if (QDialog* box = control_.dialog ? control_.dialog->box.data() : nullptr)
            box->setFocus(Qt::OtherFocusReason);
    }
    // Grid lines between the cells.
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QTreeWidget::drawRow(painter, option, index);
        painter->save();
        painter->setPen(palette().color(QPalette::Midlight));
        const QRect r = option.rect;
        painter->drawLine(r.left(), r.bottom(), r.right(), r.bottom());
        for (int c = 0; c < header()->count(); ++c) {
            const int x = header()->sectionViewportPosition(c) + header()->sectionSize(c) - 1;
            painter->drawLine(x, r.top(), x, r.bottom());
        }
        painter->restore();
    }

private:
    DialogControl& control_;
    bool checkboxes_;
};

QVariant ListLine::data(int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole: return list_.text(data_, column);
    case Qt::CheckStateRole: return column == 0 ? list_.check(data_) : QVariant();
    case Qt::SizeHintRole:
        if (list_.lineHeight > 0)
            return QSize(-1, list_.lineHeight);
        return {};
    default: return QTreeWidgetItem::data(column, role);
    }
}

ListViewWidget* listOf(ControlHandle control)
{
    if (!control || control->type != ControlType::ListView)
        return nullptr;
    return static_cast<ListViewWidget*>(control->widget.data());
}

} // namespace

QWidget* createListViewWidget(DialogControl& control, uint32_t style, QWidget* parent)
{
    return new ListViewWidget(control, style, parent);
}

void setListViewHandler(ControlHandle list, ListViewHandler handler)
{
    if (list)
        list->list = std::move(handler);
}

void setListLineHeight(ControlHandle list, int height)
{
    if (ListViewWidget* w = listOf(list))
        w->lineHeight = height;
}

bool insertListColumn(ControlHandle list, const std::wstring& title, int width)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return false;
    const int column = w->columnCount();
    w->setColumnCount(column + 1);
    w->headerItem()->setText(column, QString::fromStdWString(title));
    w->setColumnWidth(column, std::max(width, 0));
    return true;
}

int listColumnCount(ControlHandle list)
{
    ListViewWidget* w = listOf(list);
    return w ? w->columnCount() : 0;
}

int listLineCount(ControlHandle list)
{
    ListViewWidget* w = listOf(list);
    return w ? w->topLevelItemCount() : 0;
}

bool insertListLine(ControlHandle list, int line, intptr_t data)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return false;
    line = std::clamp(line, 0, w->topLevelItemCount());
    w->insertTopLevelItem(line, new ListLine(*w, data));
    return true;
}

bool getListLine(ControlHandle list, int line, intptr_t& data)
{
    ListViewWidget* w = listOf(list);
    if (!w || line < 0 || line >= w->topLevelItemCount())
        return false;
    data = w->line(line)->lineData();
    return true;
}

bool setListLine(ControlHandle list, int line, intptr_t data)
{
    ListViewWidget* w = listOf(list);
    if (!w || line < 0 || line >= w->topLevelItemCount())
        return false;
    w->line(line)->setLineData(data);
    w->viewport()->update();
    return true;
}

int findListLine(ControlHandle list, intptr_t data)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return -1;
    for (int i = 0; i < w->topLevelItemCount(); ++i)
        if (w->line(i)->lineData() == data)
            return i;
    return -1;
}

void updateListLine(ControlHandle list, int line)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return;
    if (line < 0 || line >= w->topLevelItemCount()) {
        w->viewport()->update();
        return;
    }
    QRect r = w->visualItemRect(w->line(line));
    r.setLeft(0);
    r.setRight(w->viewport()->width());
    w->viewport()->update(r);
}

void sortListLines(ControlHandle list, const std::function<int(intptr_t a, intptr_t b)>& compare)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return;
    const int selected = selectedListLine(list);
    const intptr_t selectedData = selected >= 0 ? w->line(selected)->lineData() : 0;
    // The lines keep their items; only the data values are put in the new order.
    std::vector<intptr_t> order;
    order.reserve(size_t(w->topLevelItemCount()));
    for (int i = 0; i < w->topLevelItemCount(); ++i)
        order.push_back(w->line(i)->lineData());
    std::stable_sort(order.begin(), order.end(), [&](intptr_t a, intptr_t b) { return compare(a, b) < 0; });
    for (int i = 0; i < int(order.size()); ++i)
        w->line(i)->setLineData(order[size_t(i)]);
    if (selected >= 0)
        selectListLine(list, findListLine(list, selectedData));
    w->viewport()->update();
}

ListHit hitTestList(ControlHandle list, int x, int y)
{
    ListHit hit;
    ListViewWidget* w = listOf(list);
    if (!w)
        return hit;
    const QPoint point(x, y);
    if (!w->viewport()->rect().contains(point))
        return hit;
    const QModelIndex index = w->indexAt(point);
    if (!index.isValid())
        return hit;
    hit.line = index.row();
    hit.column = index.column();
    if (w->hasCheckboxes() && hit.column == 0)
        hit.onCheck = w->checkRect(index).contains(point);
    return hit;
}

void listAreaSize(ControlHandle list, int& width, int& height)
{
    width = height = 0;
    if (ListViewWidget* w = listOf(list)) {
        width = w->viewport()->width();
        height = w->viewport()->height();
    }
}

void scrollList(ControlHandle list, int dy)
{
    if (ListViewWidget* w = listOf(list))
        w->verticalScrollBar()->setValue(w->verticalScrollBar()->value() + dy);
}

int listScrollPosition(ControlHandle list)
{
    ListViewWidget* w = listOf(list);
    return w ? w->verticalScrollBar()->value() : 0;
}

bool listCellRect(ControlHandle list, int line, int column, int& left, int& top, int& right, int& bottom)
{
    ListViewWidget* w = listOf(list);
    if (!w || line < 0 || line >= w->topLevelItemCount() || column < 0 || column >= w->columnCount())
        return false;
    const QModelIndex index = w->model()->index(line, column);
    QRect r = w->visualRect(index);
    if (w->hasCheckboxes() && column == 0)
        r.setLeft(w->checkRect(index).right() + 3);
    // Only the part shown: a cell cut by the list's edge keeps its editor inside the list.
    const QRect shown = r.intersected(w->viewport()->rect());
    if (!shown.isEmpty())
        r = shown;
    QWidget* box = list->dialog && list->dialog->box ? static_cast<QWidget*>(list->dialog->box.data()) : w;
    const QPoint origin = w->viewport()->mapTo(box, r.topLeft());
    left = origin.x();
    top = origin.y();
    right = left + r.width();
    bottom = top + r.height();
    return true;
}

void selectListLine(ControlHandle list, int line)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return;
    if (line < 0 || line >= w->topLevelItemCount()) {
        w->clearSelection();
        return;
    }
    QTreeWidgetItem* item = w->line(line);
    if (!item->isSelected()) {
        w->clearSelection();
        item->setSelected(true);
    }
}

int selectedListLine(ControlHandle list)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return -1;
    const QList<QTreeWidgetItem*> selected = w->selectedItems();
    return selected.isEmpty() ? -1 : w->indexOfTopLevelItem(selected.front());
}

void setListCursor(ControlHandle list, ListCursor cursor)
{
    ListViewWidget* w = listOf(list);
    if (!w)
        return;
    switch (cursor) {
    case ListCursor::Arrow: w->viewport()->unsetCursor(); break;
    case ListCursor::Hand: w->viewport()->setCursor(Qt::PointingHandCursor); break;
    case ListCursor::Drag: w->viewport()->setCursor(Qt::SizeVerCursor); break;
    }
}

void captureList(ControlHandle list, bool capture)
{
    if (ListViewWidget* w = listOf(list)) {
        if (capture)
            w->captured = true;
        else
            w->releaseCapture();
    }
}

void moveControl(ControlHandle control, int x, int y, int width, int height)
{
    if (control && control->widget)
        control->widget->setGeometry(x, y, std::max(width, 0), std::max(height, 0));
}

void showControl(ControlHandle control, bool show)
{
    if (!control || !control->widget)
        return;
    control->widget->setVisible(show);
    if (show)
        control->widget->raise();
}

void setDialogFocus(DialogHandle dialog)
{
    if (dialog && dialog->box)
        dialog->box->setFocus(Qt::OtherFocusReason);
}

} // namespace Platform::Ui
