#include "platform/ui/surface_qt.h"

#include "platform/ui/main_thread.h"
#include "platform/ui/menu.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cmath>

namespace Platform::Ui {

namespace {
Surface* mainSurface = nullptr;
std::unordered_map<int, bool>& keyTable()
{
    static std::unordered_map<int, bool> table;
    return table;
}

bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

// Qt key to virtual key: letters and digits as themselves, the keypad by the
// keypad modifier, punctuation by the US key that carries it.
int virtualKeyOf(int key, Qt::KeyboardModifiers modifiers)
{
    const bool keypad = modifiers & Qt::KeypadModifier;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key;
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return keypad ? Key::Numpad0 + (key - Qt::Key_0) : key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return Key::F1 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return Key::Back;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return Key::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return Key::Return;
    case Qt::Key_Shift: return Key::Shift;
    case Qt::Key_Control: return Key::Control;
    case Qt::Key_Alt:
    case Qt::Key_AltGr: return Key::Menu;
    case Qt::Key_Pause: return Key::Pause;
    case Qt::Key_CapsLock: return Key::Capital;
    case Qt::Key_Escape: return Key::Escape;
    case Qt::Key_Space: return Key::Space;
    case Qt::Key_PageUp: return Key::Prior;
    case Qt::Key_PageDown: return Key::Next;
    case Qt::Key_End: return Key::End;
    case Qt::Key_Home: return Key::Home;
    case Qt::Key_Left: return Key::Left;
    case Qt::Key_Up: return Key::Up;
    case Qt::Key_Right: return Key::Right;
    case Qt::Key_Down: return Key::Down;
    case Qt::Key_Print: return 0x2C;
    case Qt::Key_Insert: return Key::Insert;
    case Qt::Key_Delete: return Key::Delete;
    case Qt::Key_Help: return 0x2F;
    case Qt::Key_Meta: return 0x5B;
    case Qt::Key_Menu: return 0x5D;
    case Qt::Key_NumLock: return 0x90;
    case Qt::Key_ScrollLock: return 0x91;
    case Qt::Key_Asterisk: return keypad ? Key::Multiply : '8';
    case Qt::Key_Plus: return keypad ? Key::Add : Key::OemPlus;
    case Qt::Key_Minus: return keypad ? Key::Subtract : Key::OemMinus;
    case Qt::Key_Period: return keypad ? Key::Decimal : Key::OemPeriod;
    case Qt::Key_Slash: return keypad ? Key::Divide : Key::Oem2;
    case Qt::Key_Comma: return keypad ? 0x6C : Key::OemComma;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return Key::Oem1;
    case Qt::Key_Equal: return Key::OemPlus;
    case Qt::Key_Less: return Key::OemComma;
    case Qt::Key_Underscore: return Key::OemMinus;
    case Qt::Key_Greater: return Key::OemPeriod;
    case Qt::Key_Question: return Key::Oem2;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return Key::Oem3;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return Key::Oem4;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return Key::Oem5;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return Key::Oem6;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return Key::Oem7;
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
    }
}

void noteModifiers(Qt::KeyboardModifiers modifiers)
{
    auto& table = keyTable();
    table[Key::Shift] = modifiers & Qt::ShiftModifier;
    table[Key::Control] = modifiers & Qt::ControlModifier;
    table[Key::Menu] = modifiers & Qt::AltModifier;
}

uint32_t keyStateOf(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    uint32_t state = 0;
    if (buttons & Qt::LeftButton)
        state |= KeyState::LButton;
    if (buttons & Qt::RightButton)
        state |= KeyState::RButton;
    if (buttons & Qt::MiddleButton)
        state |= KeyState::MButton;
    if (modifiers & Qt::ShiftModifier)
        state |= KeyState::Shift;
    if (modifiers & Qt::ControlModifier)
        state |= KeyState::Control;
    return state;
}

uint32_t buttonDown(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return Msg::LButtonDown;
    case Qt::RightButton: return Msg::RButtonDown;
    case Qt::MiddleButton: return Msg::MButtonDown;
    default: return 0;
    }
}

QString toQString(const std::wstring& text)
{
    return QString::fromStdWString(text);
}
} // namespace

// ---- the canvas: every input event of the client area becomes a message ----

class SurfaceCanvas : public QWidget {
public:
    explicit SurfaceCanvas(Surface::Impl& impl) : impl_(impl)
    {
        setObjectName(QStringLiteral("canvas"));
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setAcceptDrops(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setAttribute(Qt::WA_InputMethodEnabled, true);
    }

protected:
    bool focusNextPrevChild(bool) override { return false; } // Tab is a key like any other

    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        const qreal ratio = impl_.ratio();
        for (const QRect& r : event->region()) {
            const QRect source(int(std::floor(r.x() * ratio)), int(std::floor(r.y() * ratio)),
                               int(std::ceil(r.width() * ratio)), int(std::ceil(r.height() * ratio)));
            painter.drawImage(QRectF(r), impl_.buffer, QRectF(source));
        }
    }

    void resizeEvent(QResizeEvent*) override
    {
        impl_.resizeBuffer();
        Message m;
        m.id = Msg::Size;
        m.width = impl_.buffer.width();
        m.height = impl_.buffer.height();
        impl_.send(m);
    }

    void mouseMoveEvent(QMouseEvent* e) override
    {
        noteModifiers(e->modifiers());
        if (impl_.hoverArmed)
            impl_.hoverTimer.start();
        Message m;
        m.id = Msg::MouseMove;
        impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
        impl_.send(m);
    }

    void mousePressEvent(QMouseEvent* e) override { press(e); }
    // The window has no double-click style: a second click is a press like the first.
    void mouseDoubleClickEvent(QMouseEvent* e) override { press(e); }

    void mouseReleaseEvent(QMouseEvent* e) override
    {
        noteModifiers(e->modifiers());
        if (impl_.eaten & e->button()) {
            impl_.eaten &= ~Qt::MouseButtons(e->button());
            return;
        }
        const uint32_t down = buttonDown(e->button());
        if (!down)
            return;
        Message m;
        m.id = down + 1;
        impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
        impl_.send(m);
        if (!(e->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton))) {
            Message capture;
            capture.id = Msg::CaptureChanged;
            capture.time = tickCount();
            impl_.send(capture);
        }
    }

    void wheelEvent(QWheelEvent* e) override
    {
        noteModifiers(e->modifiers());
        const QPoint angle = e->angleDelta();
        Message m;
        m.id = angle.y() != 0 ? Msg::MouseWheel : Msg::MouseHWheel;
        m.delta = angle.y() != 0 ? angle.y() : angle.x();
        impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
        impl_.send(m);
    }

    void contextMenuEvent(QContextMenuEvent* e) override
    {
        // A mouse's context menu follows an unanswered right-button release
        // (defaultProc); this one comes from the keyboard.
        if (e->reason() == QContextMenuEvent::Mouse)
            return;
        Message m;
        m.id = Msg::ContextMenu;
        m.screenX = m.screenY = -1;
        m.time = tickCount();
        impl_.send(m);
    }

    void keyPressEvent(QKeyEvent* e) override
    {
        const int vk = virtualKeyOf(e->key(), e->modifiers());
        noteModifiers(e->modifiers());
        if (vk != 0)
            keyTable()[vk] = true;
        if (vk == 0 && e->text().isEmpty())
            return;
        Message m;
        m.key = vk;
        m.repeat = e->isAutoRepeat();
        m.time = tickCount();
        const bool system = (e->modifiers() & Qt::AltModifier) || vk == Key::Menu || vk == Key::F10;
        m.id = system ? Msg::SysKeyDown : Msg::KeyDown;
        const QString text = e->text();
        if (!m.repeat) {
            deliverKey(m, text, system);
            return;
        }
        // A repeat waits in the queue, so that presses piling up behind a slow
        // handler can tell that another of their key waits.
        ++impl_.queuedKeyDowns[vk];
        QPointer<SurfaceCanvas> self(this);
        QMetaObject::invokeMethod(
            this,
            [self, m, text, system]() mutable {
                if (!self)
                    return;
                int& queued = self->impl_.queuedKeyDowns[m.key];
                queued = std::max(queued - 1, 0);
                self->deliverKey(m, text, system);
            },
            Qt::QueuedConnection);
    }

    void keyReleaseEvent(QKeyEvent* e) override
    {
        if (e->isAutoRepeat())
            return;
        const int vk = virtualKeyOf(e->key(), e->modifiers());
        noteModifiers(e->modifiers());
        if (vk == 0)
            return;
        keyTable()[vk] = false;
        if (vk == Key::Menu)
            keyTable()[Key::Menu] = false;
        Message m;
        m.key = vk;
        m.time = tickCount();
        m.id = (e->modifiers() & Qt::AltModifier) || vk == Key::Menu || vk == Key::F10 ? Msg::SysKeyUp : Msg::KeyUp;
        impl_.send(m);
    }

    void focusInEvent(QFocusEvent*) override
    {
        Message m;
        m.id = Msg::SetFocus;
        impl_.send(m);
    }

    void focusOutEvent(QFocusEvent* e) override
    {
        // A pop-up of the program's own (a menu, the list) takes the keyboard
        // for a while without ending the focus of the control that had it.
        if (e->reason() != Qt::PopupFocusReason) {
            Message m;
            m.id = Msg::KillFocus;
            impl_.send(m);
        }
        Message capture;
        capture.id = Msg::CaptureChanged;
        impl_.send(capture);
    }

    void leaveEvent(QEvent*) override
    {
        impl_.hoverTimer.stop();
        impl_.hoverArmed = false;
        if (!impl_.leaveArmed)
            return;
        impl_.leaveArmed = false;
        Message m;
        m.id = Msg::MouseLeave;
        impl_.send(m);
    }

    void inputMethodEvent(QInputMethodEvent* e) override
    {
        if (!e->preeditString().isEmpty() && !impl_.composing) {
            impl_.composing = true;
            Message start;
            start.id = Msg::ImeStartComposition;
            impl_.send(start);
        }
        if (!e->commitString().isEmpty()) {
            impl_.imeResult = e->commitString().toStdWString();
            Message m;
            m.id = Msg::ImeComposition;
            m.flags = ImeResult;
            m.text = impl_.imeResult;
            impl_.send(m);
        }
        if (e->preeditString().isEmpty() && impl_.composing) {
            impl_.composing = false;
            Message end;
            end.id = Msg::ImeEndComposition;
            impl_.send(end);
        }
        e->accept();
    }

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override
    {
        switch (query) {
        case Qt::ImEnabled: return impl_.imeEnabled;
        case Qt::ImCursorRectangle:
            return impl_.imeRect.isEmpty() ? QRect(mapFromGlobal(QCursor::pos()), QSize(1, 16)) : impl_.imeRect;
        default: return QWidget::inputMethodQuery(query);
        }
    }

    void dragEnterEvent(QDragEnterEvent* e) override
    {
        drop_.files.clear();
        if (e->mimeData()->hasUrls())
            for (const QUrl& url : e->mimeData()->urls())
                if (url.isLocalFile())
                    drop_.files.push_back(url.toLocalFile().toStdWString());
        if (drop_.files.empty()) {
            e->ignore(); // no file list: refused without a word
            return;
        }
        dragMessage(Msg::DragOver, e, e->position());
        // The enter event's answer decides whether moves follow at all.
        e->accept();
    }

    void dragMoveEvent(QDragMoveEvent* e) override { dragMessage(Msg::DragOver, e, e->position()); }

    void dragLeaveEvent(QDragLeaveEvent*) override
    {
        drop_.files.clear();
        Message m;
        m.id = Msg::DragLeave;
        impl_.send(m);
    }

    void dropEvent(QDropEvent* e) override
    {
        dragMessage(Msg::Drop, e, e->position());
        drop_.files.clear();
        Message leave;
        leave.id = Msg::DragLeave;
        impl_.send(leave);
    }

private:
    void press(QMouseEvent* e)
    {
        noteModifiers(e->modifiers());
        const uint32_t down = buttonDown(e->button());
        if (!down)
            return;
        QWidget* top = window();
        if (!top->isActiveWindow()) {
            Message activate;
            activate.id = Msg::MouseActivate;
            activate.time = tickCount();
            const intptr_t answer = impl_.send(activate);
            top->activateWindow();
            if (answer == MouseActivateEat) {
                impl_.eaten |= e->button();
                return;
            }
        }
        if (!hasFocus())
            setFocus(Qt::MouseFocusReason);
        Message m;
        m.id = down;
        impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
        impl_.send(m);
    }

    void deliverKey(Message& m, const QString& text, bool system)
    {
        if (m.key != 0)
            impl_.send(m);
        if (!impl_.imeEnabled && text.isEmpty())
            return;
        for (QChar c : text) {
            if (c.isNull())
                continue;
            Message ch;
            ch.id = system ? Msg::SysChar : Msg::Char;
            ch.key = c.unicode();
            ch.time = m.time;
            impl_.send(ch);
        }
    }

    void dragMessage(uint32_t id, QDropEvent* e, const QPointF& local)
    {
        const QPointF global = mapToGlobal(local);
        drop_.x = int(global.x());
        drop_.y = int(global.y());
        drop_.accepted = false;
        Message m;
        m.id = id;
        impl_.fillMouse(m, local, global, e->buttons(), e->modifiers());
        m.drop = &drop_;
        impl_.send(m);
        if (id == Msg::Drop)
            return; // the effect stays as the source asked
        if (drop_.accepted) {
            e->setDropAction(Qt::CopyAction);
            e->accept();
        } else {
            e->setDropAction(Qt::IgnoreAction);
            e->ignore();
        }
    }

    Surface::Impl& impl_;
    DropInfo drop_;
};

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

void Surface::Impl::fillMouse(Message& m, const QPointF& local, const QPointF& global, Qt::MouseButtons buttons,
                              Qt::KeyboardModifiers modifiers) const
{
    const qreal r = ratio();
    m.x = int(std::floor(local.x() * r));
    m.y = int(std::floor(local.y() * r));
    m.screenX = int(std::floor(global.x()));
    m.screenY = int(std::floor(global.y()));
    m.keyState = keyStateOf(buttons, modifiers);
    m.time = tickCount();
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

// ---- the desktop ----

bool isKeyDown(int virtualKey)
{
    auto& table = keyTable();
    auto it = table.find(virtualKey);
    return it != table.end() && it->second;
}

void setKeyDown(int virtualKey, bool down)
{
    keyTable()[virtualKey] = down;
}

void getCursorPos(int& x, int& y)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        x = y = 0;
        return;
    }
    const QPoint p = QCursor::pos();
    x = p.x();
    y = p.y();
}

bool setCursorPos(int x, int y)
{
    if (!onX11())
        return false;
    QCursor::setPos(x, y);
    return true;
}

bool readScreenPixel(int x, int y, uint8_t rgb[3])
{
    if (!onX11())
        return false;
    QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return false;
    const QPoint origin = screen->geometry().topLeft();
    const QImage pixel = screen->grabWindow(0, x - origin.x(), y - origin.y(), 1, 1).toImage();
    if (pixel.isNull())
        return false;
    const QRgb c = pixel.pixel(0, 0);
    rgb[0] = uint8_t(qRed(c));
    rgb[1] = uint8_t(qGreen(c));
    rgb[2] = uint8_t(qBlue(c));
    return true;
}

void virtualScreen(int& left, int& top, int& width, int& height)
{
    QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen()
                                                                                    : nullptr;
    if (!screen) {
        left = top = 0;
        width = 1920;
        height = 1080;
        return;
    }
    const QRect r = screen->virtualGeometry();
    left = r.x();
    top = r.y();
    width = r.width();
    height = r.height();
}

uint64_t tickCount()
{
    return uint64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

} // namespace Platform::Ui
