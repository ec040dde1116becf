#pragma once
// Toolkit side of the surface, shared by the .cpp files of platform/ui only
// (the surface's files, its menus, the drop-down list and the test-input
// kit). Nothing else includes it.
#include "platform/ui/surface.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <unordered_map>

class QDragEnterEvent;
class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QInputMethodEvent;
class QMenu;
class QMenuBar;

namespace Platform::Ui {

class SurfaceCanvas;
class SurfaceFrame;

struct Surface::Impl {
    Surface* owner = nullptr;
    QPointer<SurfaceFrame> frame;
    SurfaceCanvas* canvas = nullptr;
    QImage buffer; // device pixels, premultiplied ARGB32 (BGRA in memory)
    Handler handler;
    NativeMenu* bar = nullptr;
    bool created = false;
    bool destroyed = false;
    bool imeEnabled = true;
    bool composing = false;
    std::wstring imeResult;
    bool hoverArmed = false;
    bool leaveArmed = false;
    QTimer hoverTimer;
    Qt::MouseButtons eaten; // presses dropped by MouseActivate, whose releases go too
    std::unordered_map<int, int> queuedKeyDowns;
    QImage customCursor;
    QRect imeRect; // where composition text shows (client pixels); empty: at the pointer

    intptr_t send(Message& message);
    qreal ratio() const;
    void fillMouse(Message& message, const QPointF& local, const QPointF& global, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers) const;
    void resizeBuffer();
    void rebuildMenuBar();
};

// The canvas: every input event of the client area becomes a message
// (surface_canvas.cpp; input-method text and drags: surface_drop_ime.cpp).
class SurfaceCanvas : public QWidget {
public:
    explicit SurfaceCanvas(Surface::Impl& impl);

protected:
    bool focusNextPrevChild(bool) override { return false; } // Tab is a key like any other
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override { press(e); }
    // The window has no double-click style: a second click is a press like the first.
    void mouseDoubleClickEvent(QMouseEvent* e) override { press(e); }
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent*) override;
    void focusOutEvent(QFocusEvent* e) override;
    void leaveEvent(QEvent*) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dragMoveEvent(QDragMoveEvent* e) override;
    void dragLeaveEvent(QDragLeaveEvent*) override;
    void dropEvent(QDropEvent* e) override;

private:
    void press(QMouseEvent* e);
    void deliverKey(Message& m, const QString& text, bool system);
    void dragMessage(uint32_t id, QDropEvent* e, const QPointF& local);

    Surface::Impl& impl_;
    DropInfo drop_;
};

// Keys (surface_keys.cpp): the one table from toolkit keys to virtual keys,
// and the modifiers' state isKeyDown answers from.
int virtualKeyOf(int key, Qt::KeyboardModifiers modifiers);
void noteModifiers(Qt::KeyboardModifiers modifiers);

// The canvas and frame of a surface, for the test-input kit.
QWidget* surfaceCanvas(Surface& surface);
QMainWindow* surfaceFrame(Surface& surface);
// The toolkit's menu for a menu list (menu.cpp): its actions carry the ids.
void fillToolkitMenu(QMenu& target, NativeMenu* menu);

} // namespace Platform::Ui
