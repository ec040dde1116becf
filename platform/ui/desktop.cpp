#include "platform/ui/surface.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <chrono>

namespace Platform::Ui {

namespace {
bool onX11()
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}
} // namespace

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
