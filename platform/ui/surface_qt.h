#pragma once
// Toolkit side of the surface, shared by the .cpp files of platform/ui only
// (the surface, its menus and the test-input kit). Nothing else includes it.
#include "platform/ui/surface.h"

#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <unordered_map>

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

// The canvas and frame of a surface, for the test-input kit.
QWidget* surfaceCanvas(Surface& surface);
QMainWindow* surfaceFrame(Surface& surface);
// The toolkit's menu for a menu list (menu.cpp): its actions carry the ids.
void fillToolkitMenu(QMenu& target, NativeMenu* menu);

} // namespace Platform::Ui
