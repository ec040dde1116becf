#include "platform/ui/surface_qt.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QUrl>

namespace Platform::Ui {

// ---- the canvas: input-method text ----

void SurfaceCanvas::inputMethodEvent(QInputMethodEvent* e)
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

QVariant SurfaceCanvas::inputMethodQuery(Qt::InputMethodQuery query) const
{
    switch (query) {
    case Qt::ImEnabled: return impl_.imeEnabled;
    case Qt::ImCursorRectangle:
        return impl_.imeRect.isEmpty() ? QRect(mapFromGlobal(QCursor::pos()), QSize(1, 16)) : impl_.imeRect;
    default: return QWidget::inputMethodQuery(query);
    }
}

// ---- the canvas: drags of local files ----

void SurfaceCanvas::dragEnterEvent(QDragEnterEvent* e)
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

void SurfaceCanvas::dragMoveEvent(QDragMoveEvent* e)
{
    dragMessage(Msg::DragOver, e, e->position());
}

void SurfaceCanvas::dragLeaveEvent(QDragLeaveEvent*)
{
    drop_.files.clear();
    Message m;
    m.id = Msg::DragLeave;
    impl_.send(m);
}

void SurfaceCanvas::dropEvent(QDropEvent* e)
{
    dragMessage(Msg::Drop, e, e->position());
    drop_.files.clear();
    Message leave;
    leave.id = Msg::DragLeave;
    impl_.send(leave);
}

void SurfaceCanvas::dragMessage(uint32_t id, QDropEvent* e, const QPointF& local)
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

} // namespace Platform::Ui
