#include "platform/ui/surface_qt.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace Platform::Ui {

namespace {
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
} // namespace

// ---- the canvas: every input event of the client area becomes a message ----

SurfaceCanvas::SurfaceCanvas(Surface::Impl& impl) : impl_(impl)
{
    setObjectName(QStringLiteral("canvas"));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAcceptDrops(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_InputMethodEnabled, true);
}

void SurfaceCanvas::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const qreal ratio = impl_.ratio();
    for (const QRect& r : event->region()) {
        const QRect source(int(std::floor(r.x() * ratio)), int(std::floor(r.y() * ratio)),
                           int(std::ceil(r.width() * ratio)), int(std::ceil(r.height() * ratio)));
        painter.drawImage(QRectF(r), impl_.buffer, QRectF(source));
    }
}

void SurfaceCanvas::resizeEvent(QResizeEvent*)
{
    impl_.resizeBuffer();
    Message m;
    m.id = Msg::Size;
    m.width = impl_.buffer.width();
    m.height = impl_.buffer.height();
    impl_.send(m);
}

void SurfaceCanvas::mouseMoveEvent(QMouseEvent* e)
{
    noteModifiers(e->modifiers());
    if (impl_.hoverArmed)
        impl_.hoverTimer.start();
    Message m;
    m.id = Msg::MouseMove;
    impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
    impl_.send(m);
}

void SurfaceCanvas::mouseReleaseEvent(QMouseEvent* e)
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

void SurfaceCanvas::wheelEvent(QWheelEvent* e)
{
    noteModifiers(e->modifiers());
    const QPoint angle = e->angleDelta();
    Message m;
    m.id = angle.y() != 0 ? Msg::MouseWheel : Msg::MouseHWheel;
    m.delta = angle.y() != 0 ? angle.y() : angle.x();
    impl_.fillMouse(m, e->position(), e->globalPosition(), e->buttons(), e->modifiers());
    impl_.send(m);
}

void SurfaceCanvas::contextMenuEvent(QContextMenuEvent* e)
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

void SurfaceCanvas::keyPressEvent(QKeyEvent* e)
{
    const int vk = virtualKeyOf(e->key(), e->modifiers());
    noteModifiers(e->modifiers());
    if (vk != 0)
        setKeyDown(vk, true);
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

void SurfaceCanvas::keyReleaseEvent(QKeyEvent* e)
{
    if (e->isAutoRepeat())
        return;
    const int vk = virtualKeyOf(e->key(), e->modifiers());
    noteModifiers(e->modifiers());
    if (vk == 0)
        return;
    setKeyDown(vk, false);
    Message m;
    m.key = vk;
    m.time = tickCount();
    m.id = (e->modifiers() & Qt::AltModifier) || vk == Key::Menu || vk == Key::F10 ? Msg::SysKeyUp : Msg::KeyUp;
    impl_.send(m);
}

void SurfaceCanvas::focusInEvent(QFocusEvent*)
{
    Message m;
    m.id = Msg::SetFocus;
    impl_.send(m);
}

void SurfaceCanvas::focusOutEvent(QFocusEvent* e)
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

void SurfaceCanvas::leaveEvent(QEvent*)
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

void SurfaceCanvas::press(QMouseEvent* e)
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

void SurfaceCanvas::deliverKey(Message& m, const QString& text, bool system)
{
    if (m.key != 0)
        impl_.send(m);
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

} // namespace Platform::Ui
