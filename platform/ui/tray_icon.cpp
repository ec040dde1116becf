#include "platform/ui/tray_icon.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

#include <memory>

namespace Platform::Ui {

namespace {
std::unique_ptr<QSystemTrayIcon> icon;
} // namespace

bool showTrayIcon(const void* png, size_t size, const std::wstring& title, const std::wstring& text)
{
    removeTrayIcon();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()) || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    QPixmap pixmap;
    pixmap.loadFromData(static_cast<const uchar*>(png), uint(size), "PNG");
    icon = std::make_unique<QSystemTrayIcon>(QIcon(pixmap));
    icon->show();
    icon->showMessage(QString::fromStdWString(title), QString::fromStdWString(text), QSystemTrayIcon::Information);
    return true;
}

void removeTrayIcon()
{
    if (icon) {
        icon->hide();
        icon.reset();
    }
}

bool trayIconShown()
{
    return icon != nullptr;
}

} // namespace Platform::Ui
