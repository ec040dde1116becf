#include "platform/ui/test_input.h"

#include "platform/ui/surface_qt.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QUrl>
#include <QWheelEvent>

#include <cstring>
#include <memory>

namespace Platform::Ui::TestInput {

namespace {
QWidget* canvas()
{
    Surface* surface = Surface::main();
    return surface ? surfaceCanvas(*surface) : nullptr;
}

QMainWindow* frame()
{
    Surface* surface = Surface::main();
    return surface ? surfaceFrame(*surface) : nullptr;
}

Qt::KeyboardModifiers qtModifiers(uint32_t modifiers)
{
    Qt::KeyboardModifiers m;
    if (modifiers & Shift)
        m |= Qt::ShiftModifier;
    if (modifiers & Control)
        m |= Qt::ControlModifier;
    if (modifiers & Alt)
        m |= Qt::AltModifier;
    if (modifiers & Keypad)
        m |= Qt::KeypadModifier;
    return m;
}

Qt::MouseButton qtButton(Button button)
{
    switch (button) {
    case Right: return Qt::RightButton;
    case Middle: return Qt::MiddleButton;
    default: return Qt::LeftButton;
    }
}

Qt::MouseButtons qtButtons(int buttons)
{
    Qt::MouseButtons b;
    if (buttons & Left)
        b |= Qt::LeftButton;
    if (buttons & Right)
        b |= Qt::RightButton;
    if (buttons & Middle)
        b |= Qt::MiddleButton;
    return b;
}

// The canvas point in the frame window's coordinates (device pixels are
// logical ones in tests).
QPoint inWindow(int x, int y)
{
    return canvas()->mapTo(frame(), QPoint(x, y));
}

Qt::Key qtKey(int vk, uint32_t modifiers)
{
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        return Qt::Key(vk);
    if (vk >= 0x60 && vk <= 0x69)
        return Qt::Key(Qt::Key_0 + (vk - 0x60));
    if (vk >= 0x70 && vk <= 0x87)
        return Qt::Key(Qt::Key_F1 + (vk - 0x70));
    switch (vk) {
    case 0x08: return Qt::Key_Backspace;
    case 0x09: return (modifiers & Shift) ? Qt::Key_Backtab : Qt::Key_Tab;
    case 0x0D: return Qt::Key_Return;
    case 0x10: return Qt::Key_Shift;
    case 0x11: return Qt::Key_Control;
    case 0x12: return Qt::Key_Alt;
    case 0x1B: return Qt::Key_Escape;
    case 0x20: return Qt::Key_Space;
    case 0x21: return Qt::Key_PageUp;
    case 0x22: return Qt::Key_PageDown;
    case 0x23: return Qt::Key_End;
    case 0x24: return Qt::Key_Home;
    case 0x25: return Qt::Key_Left;
    case 0x26: return Qt::Key_Up;
    case 0x27: return Qt::Key_Right;
    case 0x28: return Qt::Key_Down;
    case 0x2D: return Qt::Key_Insert;
    case 0x2E: return Qt::Key_Delete;
    case 0x6A: return Qt::Key_Asterisk;
    case 0x6B: return Qt::Key_Plus;
    case 0x6D: return Qt::Key_Minus;
    case 0x6E: return Qt::Key_Period;
    case 0x6F: return Qt::Key_Slash;
    case 0xBA: return Qt::Key_Semicolon;
    case 0xBB: return Qt::Key_Equal;
    case 0xBC: return Qt::Key_Comma;
    case 0xBD: return Qt::Key_Minus;
    case 0xBE: return Qt::Key_Period;
    case 0xBF: return Qt::Key_Slash;
    case 0xC0: return Qt::Key_QuoteLeft;
    case 0xDB: return Qt::Key_BracketLeft;
    case 0xDC: return Qt::Key_Backslash;
    case 0xDD: return Qt::Key_BracketRight;
    case 0xDE: return Qt::Key_Apostrophe;
    default: return Qt::Key_unknown;
    }
}

// The text a key press carries on a US keyboard.
QString keyText(int vk, uint32_t modifiers)
{
    if (modifiers & Alt)
        return vk >= 'A' && vk <= 'Z' ? QString(QChar(vk + 32)) : QString();
    if (vk >= 'A' && vk <= 'Z') {
        if (modifiers & Control)
            return QString(QChar(vk - 'A' + 1));
        return QString(QChar((modifiers & Shift) ? vk : vk + 32));
    }
    if (modifiers & Control)
        return QString();
    if (vk >= '0' && vk <= '9')
        return QString(QChar(vk));
    if (vk >= 0x60 && vk <= 0x69)
        return QString(QChar('0' + vk - 0x60));
    switch (vk) {
    case 0x08: return QStringLiteral("\b");
    case 0x09: return QStringLiteral("\t");
    case 0x0D: return QStringLiteral("\r");
    case 0x1B: return QStringLiteral("\x1b");
    case 0x20: return QStringLiteral(" ");
    default: return QString();
    }
}

void sendKey(bool press, int vk, uint32_t modifiers, bool repeat)
{
    QWindow* window = frame() ? frame()->windowHandle() : nullptr;
    if (!window)
        return;
    Qt::KeyboardModifiers m = qtModifiers(modifiers);
    if (vk >= 0x60 && vk <= 0x6F)
        m |= Qt::KeypadModifier;
    QTest::simulateEvent(window, press, qtKey(vk, modifiers), m, press ? keyText(vk, modifiers) : QString(), repeat);
}

QMenu* activeMenu()
{
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QListWidget* activeList()
{
    return qobject_cast<QListWidget*>(QApplication::activePopupWidget());
}

bool clickIn(QMenu* menu, int id, int depth)
{
    if (!menu || depth > 8)
        return false;
    for (QAction* action : menu->actions()) {
        if (action->menu()) {
            // Opens the sub-menu and looks there.
            if (!action->isEnabled())
                continue;
            QMenu* sub = action->menu();
            bool found = false;
            for (QAction* inner : sub->findChildren<QAction*>())
                if (inner->data().isValid() && inner->data().toInt() == id)
                    found = true;
            if (!found)
                continue;
            // Hovering the item opens its sub-menu.
            menu->setActiveAction(action);
            QTest::qWait(20);
            return clickIn(sub, id, depth + 1);
        }
        if (action->data().isValid() && action->data().toInt() == id) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
            return true;
        }
    }
    return false;
}

void sendDrag(QEvent::Type type, const QMimeData& data, int x, int y, bool* accepted)
{
    QWidget* target = canvas();
    const QPointF at(x, y);
    if (type == QEvent::DragEnter) {
        QDragEnterEvent e(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &e);
        if (accepted)
            *accepted = e.isAccepted() && e.dropAction() != Qt::IgnoreAction;
    } else if (type == QEvent::DragMove) {
        QDragMoveEvent e(at.toPoint(), Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &e);
        if (accepted)
            *accepted = e.isAccepted() && e.dropAction() == Qt::CopyAction;
    } else {
        QDropEvent e(at, Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &e);
    }
}

std::unique_ptr<QMimeData> fileData(const std::vector<std::wstring>& files)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::wstring& f : files)
        urls.push_back(QUrl::fromLocalFile(QString::fromStdWString(f)));
    data->setUrls(urls);
    return data;
}

// The window deactivate shows; activate drops it again.
QWidget* other = nullptr;
} // namespace

void wait(int ms)
{
    QCoreApplication::processEvents();
    if (ms > 0)
        QTest::qWait(ms);
    QCoreApplication::processEvents();
}

bool activate()
{
    QMainWindow* f = frame();
    if (!f)
        return false;
    delete other;
    other = nullptr;
    if (!f->isVisible())
        f->show();
    f->raise();
    f->activateWindow();
    QApplication::setActiveWindow(f);
    const bool exposed = QTest::qWaitForWindowExposed(f, 2000);
    QTest::qWaitForWindowActive(f, 2000);
    canvas()->setFocus(Qt::ActiveWindowFocusReason);
    wait();
    return exposed && f->isActiveWindow();
}

void deactivate()
{
    if (!other) {
        other = new QWidget();
        other->setObjectName(QStringLiteral("other"));
        other->resize(64, 64);
    }
    other->show();
    other->activateWindow();
    QApplication::setActiveWindow(other);
    QTest::qWaitForWindowActive(other, 2000);
    wait();
}

void moveWindow(int x, int y)
{
    frame()->move(x, y);
    wait();
}

void resizeWindow(int width, int height)
{
    frame()->resize(width, height);
    wait();
}

void maximizeWindow()
{
    frame()->showMaximized();
    wait(20);
}

void restoreWindow()
{
    frame()->showNormal();
    wait(20);
}

void closeWindow()
{
    frame()->close();
    wait();
}

void move(int x, int y, uint32_t modifiers, int buttons)
{
    static int timestamp = 0;
    QWindow* window = frame()->windowHandle();
    const QPoint at = inWindow(x, y);
    qt_handleMouseEvent(window, at, window->mapToGlobal(at), qtButtons(buttons), Qt::NoButton, QEvent::MouseMove,
                        qtModifiers(modifiers), ++timestamp);
}

void press(int x, int y, Button button, uint32_t modifiers)
{
    QTest::mousePress(frame()->windowHandle(), qtButton(button), qtModifiers(modifiers), inWindow(x, y));
}

void release(int x, int y, Button button, uint32_t modifiers)
{
    QTest::mouseRelease(frame()->windowHandle(), qtButton(button), qtModifiers(modifiers), inWindow(x, y));
}

void click(int x, int y, Button button, uint32_t modifiers)
{
    press(x, y, button, modifiers);
    release(x, y, button, modifiers);
}

void wheel(int x, int y, int delta, uint32_t modifiers)
{
    QWidget* target = canvas();
    const QPointF at(x, y);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, qtModifiers(modifiers),
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

void keyDown(int virtualKey, uint32_t modifiers, bool repeat)
{
    sendKey(true, virtualKey, modifiers, repeat);
}

void keyUp(int virtualKey, uint32_t modifiers)
{
    sendKey(false, virtualKey, modifiers, false);
}

void keyClick(int virtualKey, uint32_t modifiers)
{
    keyDown(virtualKey, modifiers);
    keyUp(virtualKey, modifiers);
}

void keyRepeats(int virtualKey, int count)
{
    // Posted together, as repeats pile up behind a slow handler.
    for (int i = 0; i < count; ++i)
        QCoreApplication::postEvent(canvas(), new QKeyEvent(QEvent::KeyPress, qtKey(virtualKey, None), Qt::NoModifier,
                                                             keyText(virtualKey, None), true));
    wait();
}

void imeCompose(const std::wstring& preedit)
{
    QInputMethodEvent e(QString::fromStdWString(preedit), {});
    QApplication::sendEvent(canvas(), &e);
}

void imeCommit(const std::wstring& text)
{
    QInputMethodEvent e;
    e.setCommitString(QString::fromStdWString(text));
    QApplication::sendEvent(canvas(), &e);
}

bool dragFiles(const std::vector<std::wstring>& files, int x, int y)
{
    auto data = fileData(files);
    bool entered = false, moved = false;
    sendDrag(QEvent::DragEnter, *data, x, y, &entered);
    if (!entered)
        return false;
    sendDrag(QEvent::DragMove, *data, x, y, &moved);
    return moved;
}

bool dragText(const std::wstring& text, int x, int y)
{
    QMimeData data;
    data.setText(QString::fromStdWString(text));
    bool entered = false;
    sendDrag(QEvent::DragEnter, data, x, y, &entered);
    return entered;
}

void dragLeave()
{
    QDragLeaveEvent e;
    QApplication::sendEvent(canvas(), &e);
}

bool dropFiles(const std::vector<std::wstring>& files, int x, int y)
{
    auto data = fileData(files);
    bool entered = false, moved = false;
    sendDrag(QEvent::DragEnter, *data, x, y, &entered);
    if (entered)
        sendDrag(QEvent::DragMove, *data, x, y, &moved);
    if (!entered)
        return false;
    sendDrag(QEvent::Drop, *data, x, y, nullptr);
    return moved;
}

bool openMenuBarMenu(int index)
{
    QMenuBar* bar = frame()->menuBar();
    const QList<QAction*> actions = bar->actions();
    if (index < 0 || index >= actions.size())
        return false;
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(actions[index]).center());
    wait(10);
    return activeMenu() != nullptr;
}

bool clickMenuItem(int commandId)
{
    const bool clicked = clickIn(activeMenu(), commandId, 0);
    wait();
    return clicked;
}

std::vector<std::wstring> openMenuItems()
{
    std::vector<std::wstring> items;
    QMenu* menu = activeMenu();
    if (!menu)
        return items;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            items.push_back(L"-");
            continue;
        }
        std::wstring text = action->text().toStdWString();
        if (action->isChecked())
            text = L"*" + text;
        if (!action->isEnabled())
            text = L"(" + text + L")";
        items.push_back(text);
    }
    return items;
}

void closePopups()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    wait();
}

bool listShown()
{
    return activeList() != nullptr;
}

void clickListEntry(int index, uint32_t modifiers)
{
    QListWidget* list = activeList();
    if (!list || !list->item(index))
        return;
    const QPoint at = list->visualItemRect(list->item(index)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, qtModifiers(modifiers), at);
    wait();
}

void hoverListEntry(int index)
{
    QListWidget* list = activeList();
    if (!list || !list->item(index))
        return;
    QWidget* viewport = list->viewport();
    const QPointF at = list->visualItemRect(list->item(index)).center();
    QMouseEvent e(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
    wait();
}

void wheelList(int delta)
{
    QListWidget* list = activeList();
    if (!list)
        return;
    const QPointF at = list->viewport()->rect().center();
    QWheelEvent e(at, list->viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &e);
    wait();
}

void keyList(int virtualKey)
{
    QListWidget* list = activeList();
    if (!list)
        return;
    QTest::keyClick(list, qtKey(virtualKey, None));
    wait();
}

std::vector<uint8_t> grabWindow(int& width, int& height)
{
    const QImage image = frame()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    width = image.width();
    height = image.height();
    std::vector<uint8_t> bytes(size_t(width) * size_t(height) * 4);
    for (int y = 0; y < height; ++y)
        std::memcpy(bytes.data() + size_t(y) * size_t(width) * 4, image.constScanLine(y), size_t(width) * 4);
    return bytes;
}

bool saveWindow(const std::string& path)
{
    return frame()->grab().save(QString::fromStdString(path), "PNG");
}

} // namespace Platform::Ui::TestInput

namespace Platform::Ui::TestInput {

// For the dialog half of the kit (test_dialog.cpp).
Qt::Key toolkitKey(int virtualKey, uint32_t modifiers)
{
    return qtKey(virtualKey, modifiers);
}

Qt::KeyboardModifiers toolkitModifiers(uint32_t modifiers)
{
    return qtModifiers(modifiers);
}

QString toolkitKeyText(int virtualKey, uint32_t modifiers)
{
    return keyText(virtualKey, modifiers);
}

} // namespace Platform::Ui::TestInput
