#include "platform/ui/popup_list.h"

#include "platform/ui/main_thread.h"
#include "platform/ui/surface_qt.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>

namespace Platform::Ui {

class PopupListWidget : public QListWidget {
public:
    explicit PopupListWidget(PopupList::Impl& impl) : impl_(impl)
    {
        setObjectName(QStringLiteral("ListBox"));
        setWindowFlags(Qt::Popup);
        setAttribute(Qt::WA_NoMouseReplay);
        setMouseTracking(true);
        viewport()->setMouseTracking(true);
        setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setUniformItemSizes(true);
        setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
        setFrameShape(QFrame::Box);
        setLineWidth(1);
    }
    bool ownHide = false;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    bool viewportEvent(QEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    bool offer(Message& m);
    PopupList::Impl& impl_;
};

struct PopupList::Impl {
    PopupListWidget list{*this};
    Handler handler;
    int itemHeight = 16;
};

bool PopupListWidget::offer(Message& m)
{
    if (!impl_.handler)
        return false;
    m.time = tickCount();
    bool consumed = false;
    PopupList::Handler h = impl_.handler;
    runFromEvent([&] { consumed = h(m); });
    return consumed;
}

void PopupListWidget::keyPressEvent(QKeyEvent* e)
{
    Message m;
    m.id = Msg::KeyDown;
    m.key = virtualKeyOf(e->key(), e->modifiers());
    if (offer(m))
        return;
    if (e->key() == Qt::Key_Escape)
        return; // the handler decides what Escape does
    QListWidget::keyPressEvent(e);
}

bool PopupListWidget::viewportEvent(QEvent* e)
{
    switch (e->type()) {
    case QEvent::MouseMove:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* me = static_cast<QMouseEvent*>(e);
        Message m;
        m.id = e->type() == QEvent::MouseMove ? Msg::MouseMove : Msg::LButtonDown;
        if (m.id == Msg::LButtonDown && me->button() != Qt::LeftButton)
            return true;
        const QPointF global = me->globalPosition();
        m.screenX = int(global.x());
        m.screenY = int(global.y());
        m.x = int(me->position().x());
        m.y = int(me->position().y());
        if (me->modifiers() & Qt::ControlModifier)
            m.keyState |= KeyState::Control;
        if (me->buttons() & Qt::LeftButton)
            m.keyState |= KeyState::LButton;
        if (offer(m))
            return true;
        if (m.id == Msg::MouseMove)
            return true; // the selection follows the pointer only through the handler
        return QListWidget::viewportEvent(e);
    }
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        Message m;
        m.id = Msg::MouseWheel;
        m.delta = we->angleDelta().y();
        if (offer(m))
            return true;
        return QListWidget::viewportEvent(e);
    }
    default: return QListWidget::viewportEvent(e);
    }
}

void PopupListWidget::hideEvent(QHideEvent* e)
{
    QListWidget::hideEvent(e);
    if (ownHide)
        return;
    // Closed from outside: a click elsewhere or another window took over.
    Message m;
    m.id = Msg::KillFocus;
    offer(m);
}

PopupList::PopupList() : impl_(std::make_unique<Impl>()) {}

PopupList::~PopupList()
{
    impl_->handler = nullptr;
}

void PopupList::setHandler(Handler handler)
{
    impl_->handler = std::move(handler);
}

void PopupList::setFont(const std::wstring& family, int pixelSize)
{
    QFont font(QString::fromStdWString(family));
    if (pixelSize > 0)
        font.setPixelSize(pixelSize);
    impl_->list.setFont(font);
}

void PopupList::setItemHeight(int height)
{
    impl_->itemHeight = std::max(height, 1);
    for (int i = 0; i < impl_->list.count(); ++i)
        impl_->list.item(i)->setSizeHint(QSize(-1, impl_->itemHeight));
}

int PopupList::itemHeight() const
{
    return impl_->itemHeight;
}

int PopupList::addString(const std::wstring& text)
{
    auto* item = new QListWidgetItem(QString::fromStdWString(text));
    item->setSizeHint(QSize(-1, impl_->itemHeight));
    impl_->list.addItem(item);
    return impl_->list.count() - 1;
}

void PopupList::resetContent()
{
    impl_->list.clear();
}

int PopupList::count() const
{
    return impl_->list.count();
}

std::wstring PopupList::text(int index) const
{
    QListWidgetItem* item = impl_->list.item(index);
    return item ? item->text().toStdWString() : std::wstring();
}

int PopupList::currentIndex() const
{
    return impl_->list.currentRow();
}

void PopupList::setCurrentIndex(int index)
{
    impl_->list.setCurrentRow(index);
}

int PopupList::topIndex() const
{
    return impl_->list.verticalScrollBar()->value();
}

void PopupList::setTopIndex(int index)
{
    impl_->list.verticalScrollBar()->setValue(index);
}

int PopupList::itemFromPoint(int screenX, int screenY) const
{
    QWidget* viewport = impl_->list.viewport();
    const QPoint local = viewport->mapFromGlobal(QPoint(screenX, screenY));
    if (!viewport->rect().contains(local))
        return -1;
    QListWidgetItem* item = impl_->list.itemAt(local);
    return item ? impl_->list.row(item) : -1;
}

void PopupList::place(int x, int y, int width, int height)
{
    impl_->list.setGeometry(x, y, std::max(width, 1), std::max(height, 1));
}

void PopupList::show()
{
    impl_->list.show();
    impl_->list.setFocus(Qt::PopupFocusReason);
}

void PopupList::hide()
{
    impl_->list.ownHide = true;
    impl_->list.hide();
    impl_->list.ownHide = false;
}

bool PopupList::isVisible() const
{
    return impl_->list.isVisible();
}

int PopupList::x() const
{
    return impl_->list.x();
}

int PopupList::y() const
{
    return impl_->list.y();
}

int PopupList::width() const
{
    return impl_->list.width();
}

int PopupList::height() const
{
    return impl_->list.height();
}

} // namespace Platform::Ui
