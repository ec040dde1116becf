#include "platform/ui/surface_qt.h"

#include "platform/ui/main_thread.h"
#include "platform/ui/menu.h"

#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QInputMethod>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace Platform::Ui {

namespace {
Surface* mainSurface = nullptr;

QString toQString(const std::wstring& text)
{
    return QString::fromStdWString(text);
}
} // namespace

// ---- the frame: close button, position and size, activation ----

class SurfaceFrame : public QMainWindow {
public:
    explicit SurfaceFrame(Surface::Impl& impl) : impl_(impl) {}

protected:
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        if (impl_.owner)
            impl_.owner->requestClose();
    }
    void moveEvent(QMoveEvent*) override { positionChanged(PosFlags::NoSize); }
    void resizeEvent(QResizeEvent* e) override
    {
        QMainWindow::resizeEvent(e);
        positionChanged(PosFlags::NoMove);
    }
    void changeEvent(QEvent* e) override
    {
        QMainWindow::changeEvent(e);
        if (e->type() == QEvent::WindowStateChange)
            positionChanged(0);
        if (e->type() == QEvent::ActivationChange) {
            Message m;
            m.id = Msg::Activate;
            m.flags = isActiveWindow() ? 1 : 0;
            impl_.send(m);
        }
    }

private:
    void positionChanged(uint32_t flags)
    {
        if (!isVisible())
            return;
        Message m;
        m.id = Msg::WindowPosChanged;
        m.flags = flags;
        if (isMaximized())
            m.flags |= PosFlags::Maximized;
        if (isMinimized())
            m.flags |= PosFlags::Minimized;
        const QRect frame = frameGeometry();
        m.left = frame.x();
        m.top = frame.y();
        m.width = width();
        m.height = height();
        impl_.send(m);
    }

    Surface::Impl& impl_;
};

// ---- Surface::Impl ----

intptr_t Surface::Impl::send(Message& message)
{
    if (!message.time)
        message.time = tickCount();
    if (!handler)
        return owner ? owner->defaultProc(message) : 0;
    intptr_t result = 0;
    // A copy: the handler may replace itself.
    Handler h = handler;
    runFromEvent([&] { result = h(message); });
    return result;
}

qreal Surface::Impl::ratio() const
{
    return canvas ? canvas->devicePixelRatioF() : 1.0;
}

void Surface::Impl::resizeBuffer()
{
    const qreal r = ratio();
    const int w = std::max(1, int(std::ceil(canvas->width() * r)));
    const int h = std::max(1, int(std::ceil(canvas->height() * r)));
    if (buffer.width() == w && buffer.height() == h)
        return;
    QImage next(w, h, QImage::Format_ARGB32_Premultiplied);
    next.fill(0xff000000);
    if (!buffer.isNull()) {
        QPainter painter(&next);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, buffer);
    }
    buffer = std::move(next);
}

void Surface::Impl::rebuildMenuBar()
{
    if (!frame)
        return;
    QMenuBar* menuBar = frame->menuBar();
    menuBar->clear();
    if (!bar)
        return;
    for (int i = 0, n = menuItemCount(bar); i < n; ++i) {
        MenuEntry entry;
        getMenuItem(bar, i, entry);
        if (!entry.subMenu) {
            QAction* action = menuBar->addAction(toQString(entry.text));
            action->setEnabled(entry.enabled);
            const int id = entry.id;
            QObject::connect(action, &QAction::triggered, menuBar, [this, id] {
                Message m;
                m.id = Msg::Command;
                m.key = id;
                send(m);
            });
            continue;
        }
        auto* menu = new QMenu(toQString(entry.text), menuBar);
        menu->setEnabled(entry.enabled);
        NativeMenu* list = entry.subMenu;
        QObject::connect(menu, &QMenu::aboutToShow, menu, [this, menu, list] {
            Message m;
            m.id = Msg::InitMenuPopup;
            send(m);
            fillToolkitMenu(*menu, list);
        });
        QObject::connect(menu, &QMenu::triggered, menu, [this](QAction* action) {
            if (!action->data().isValid())
                return;
            Message m;
            m.id = Msg::Command;
            m.key = action->data().toInt();
            send(m);
        });
        menuBar->addMenu(menu);
    }
}

// ---- Surface ----

Surface::Surface() : impl_(std::make_unique<Impl>()) {}

std::unique_ptr<Surface> Surface::create(const std::wstring& title, const std::string& objectName)
{
    std::unique_ptr<Surface> surface(new Surface());
    Impl& d = *surface->impl_;
    d.owner = surface.get();
    d.frame = new SurfaceFrame(d);
    d.frame->setObjectName(QString::fromStdString(objectName));
    d.frame->setWindowTitle(toQString(title));
    d.frame->setAttribute(Qt::WA_DeleteOnClose, false);
    d.canvas = new SurfaceCanvas(d);
    d.frame->setCentralWidget(d.canvas);
    d.hoverTimer.setSingleShot(true);
    d.hoverTimer.setInterval(400);
    QObject::connect(&d.hoverTimer, &QTimer::timeout, [&d] {
        if (!d.hoverArmed)
            return;
        d.hoverArmed = false; // once per arming
        Message m;
        m.id = Msg::MouseHover;
        d.send(m);
    });
    d.resizeBuffer();
    mainSurface = surface.get();
    return surface;
}

Surface::~Surface()
{
    impl_->handler = nullptr;
    impl_->owner = nullptr;
    if (impl_->frame)
        delete impl_->frame.data();
    if (mainSurface == this)
        mainSurface = nullptr;
}

Surface* Surface::main()
{
    return mainSurface;
}

void Surface::setHandler(Handler handler)
{
    impl_->handler = std::move(handler);
}

void Surface::show(int x, int y, int width, int height, bool maximized)
{
    Impl& d = *impl_;
    if (!d.frame)
        return;
    if (!d.created) {
        d.created = true;
        Message create;
        create.id = Msg::Create;
        d.send(create);
        Message minmax;
        minmax.id = Msg::GetMinMaxInfo;
        d.send(minmax);
        if (minmax.width > 0 || minmax.height > 0)
            d.frame->setMinimumSize(minmax.width, minmax.height);
    }
    d.frame->move(x, y);
    d.frame->resize(std::max(width, 1), std::max(height, 1));
    if (maximized)
        d.frame->showMaximized();
    else
        d.frame->show();
    d.frame->activateWindow();
    d.canvas->setFocus(Qt::ActiveWindowFocusReason);
    // Painted once shown, as a freshly shown window is.
    QPointer<SurfaceFrame> frame = d.frame;
    QMetaObject::invokeMethod(
        d.canvas,
        [&d, frame] {
            if (!frame)
                return;
            Message paint;
            paint.id = Msg::Paint;
            d.send(paint);
        },
        Qt::QueuedConnection);
}

intptr_t Surface::defaultProc(Message& message)
{
    switch (message.id) {
    case Msg::Close: destroy(); return 0;
    case Msg::RButtonUp: {
        // An unanswered right-button release asks for the context menu.
        Message menu;
        menu.id = Msg::ContextMenu;
        menu.screenX = message.screenX;
        menu.screenY = message.screenY;
        impl_->send(menu);
        return 0;
    }
    default: return 0;
    }
}

void Surface::requestClose()
{
    if (!exists())
        return;
    Message m;
    m.id = Msg::Close;
    impl_->send(m);
}

void Surface::destroy()
{
    Impl& d = *impl_;
    if (d.destroyed || !d.frame)
        return;
    d.destroyed = true;
    d.frame->hide();
    Message m;
    m.id = Msg::Destroy;
    d.send(m);
}

bool Surface::exists() const
{
    return impl_->frame && !impl_->destroyed;
}

void Surface::setTitle(const std::wstring& title)
{
    if (impl_->frame)
        impl_->frame->setWindowTitle(toQString(title));
}

void Surface::setIcon(const void* png, size_t size)
{
    QPixmap pixmap;
    if (impl_->frame && pixmap.loadFromData(static_cast<const uchar*>(png), uint(size), "PNG"))
        impl_->frame->setWindowIcon(QIcon(pixmap));
}

void Surface::setMenuBar(NativeMenu* bar)
{
    impl_->bar = bar;
    impl_->rebuildMenuBar();
}

void Surface::refreshMenuBar()
{
    impl_->rebuildMenuBar();
}

bool Surface::isActive() const
{
    return impl_->frame && impl_->frame->isActiveWindow();
}

void Surface::activate()
{
    if (!impl_->frame)
        return;
    impl_->frame->raise();
    impl_->frame->activateWindow();
}

bool Surface::isMaximized() const
{
    return impl_->frame && impl_->frame->isMaximized();
}

bool Surface::isMinimized() const
{
    return impl_->frame && impl_->frame->isMinimized();
}

void Surface::outerRect(int& left, int& top, int& right, int& bottom) const
{
    if (!impl_->frame) {
        left = top = right = bottom = 0;
        return;
    }
    const QRect r = impl_->frame->frameGeometry();
    left = r.x();
    top = r.y();
    right = r.x() + r.width();
    bottom = r.y() + r.height();
}

void Surface::clientToScreen(int& x, int& y) const
{
    const qreal r = impl_->ratio();
    const QPoint p = impl_->canvas->mapToGlobal(QPoint(int(x / r), int(y / r)));
    x = p.x();
    y = p.y();
}

void Surface::screenToClient(int& x, int& y) const
{
    const qreal r = impl_->ratio();
    const QPoint p = impl_->canvas->mapFromGlobal(QPoint(x, y));
    x = int(p.x() * r);
    y = int(p.y() * r);
}

int Surface::width() const
{
    return impl_->buffer.width();
}

int Surface::height() const
{
    return impl_->buffer.height();
}

int Surface::stride() const
{
    return int(impl_->buffer.bytesPerLine());
}

uint8_t* Surface::bits()
{
    return impl_->buffer.bits();
}

void Surface::present(int left, int top, int right, int bottom)
{
    if (!impl_->canvas || right <= left || bottom <= top)
        return;
    const qreal r = impl_->ratio();
    impl_->canvas->update(QRect(int(std::floor(left / r)), int(std::floor(top / r)),
                                int(std::ceil((right - left) / r)) + 1, int(std::ceil((bottom - top) / r)) + 1));
}

void Surface::setKeyboardFocus()
{
    if (impl_->canvas)
        impl_->canvas->setFocus(Qt::OtherFocusReason);
}

bool Surface::hasKeyboardFocus() const
{
    return impl_->canvas && impl_->canvas->hasFocus();
}

void Surface::trackMouse(bool cancel)
{
    Impl& d = *impl_;
    d.hoverArmed = d.leaveArmed = !cancel;
    if (cancel)
        d.hoverTimer.stop();
    else
        d.hoverTimer.start();
}

void Surface::setCursor(Cursor cursor)
{
    if (!impl_->canvas)
        return;
    Qt::CursorShape shape = Qt::ArrowCursor;
    switch (cursor) {
    case Cursor::Hidden: shape = Qt::BlankCursor; break;
    case Cursor::Arrow: shape = Qt::ArrowCursor; break;
    case Cursor::SizeWE: shape = Qt::SizeHorCursor; break;
    case Cursor::SizeNS: shape = Qt::SizeVerCursor; break;
    case Cursor::SizeAll: shape = Qt::SizeAllCursor; break;
    case Cursor::Hand: shape = Qt::PointingHandCursor; break;
    case Cursor::IBeam: shape = Qt::IBeamCursor; break;
    case Cursor::No: shape = Qt::ForbiddenCursor; break;
    case Cursor::Wait: shape = Qt::WaitCursor; break;
    case Cursor::AppStarting: shape = Qt::BusyCursor; break;
    case Cursor::SplitH: shape = Qt::SplitVCursor; break; // blocked horizontal separator: arrows up and down
    case Cursor::SplitV: shape = Qt::SplitHCursor; break;
    case Cursor::Custom: return;
    }
    impl_->canvas->setCursor(shape);
}

void Surface::setCustomCursor(const void* png, size_t size, int hotX, int hotY)
{
    QPixmap pixmap;
    if (impl_->canvas && pixmap.loadFromData(static_cast<const uchar*>(png), uint(size), "PNG"))
        impl_->canvas->setCursor(QCursor(pixmap, hotX, hotY));
}

void Surface::setImeEnabled(bool enabled)
{
    Impl& d = *impl_;
    d.imeEnabled = enabled;
    if (!d.canvas)
        return;
    d.canvas->setAttribute(Qt::WA_InputMethodEnabled, enabled);
    if (d.canvas->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void Surface::setImePosition(int x, int y, int width, int height)
{
    Impl& d = *impl_;
    d.imeRect = QRect(x, y, width, height);
    if (d.canvas && d.canvas->hasFocus())
        QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

bool Surface::imeEnabled() const
{
    return impl_->imeEnabled;
}

std::wstring Surface::imeResult() const
{
    return impl_->imeResult;
}

bool Surface::hasQueuedKeyDown(int virtualKey) const
{
    auto it = impl_->queuedKeyDowns.find(virtualKey);
    return it != impl_->queuedKeyDowns.end() && it->second > 0;
}

QWidget* surfaceCanvas(Surface& surface)
{
    return surface.impl().canvas;
}

QMainWindow* surfaceFrame(Surface& surface)
{
    return surface.impl().frame;
}

} // namespace Platform::Ui
