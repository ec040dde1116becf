#include "platform/ui/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QThread>

#include <cerrno>
#include <cstring>

namespace Platform::Ui {

namespace {
// The clipboard exists only with an application object, and only its own thread may use it.
QClipboard* clipboard()
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}
} // namespace

bool clipboardHasText()
{
    QClipboard* c = clipboard();
    const QMimeData* data = c ? c->mimeData() : nullptr;
    return data && data->hasText();
}

int getClipboardText(std::wstring& out)
{
    QClipboard* c = clipboard();
    if (!c)
        return ENXIO;
    const QMimeData* data = c->mimeData();
    if (!data || !data->hasText())
        return ENOENT;
    std::wstring text = data->text().toStdWString();
    // The text ends at its first zero, as a zero-terminated clipboard text does.
    text.resize(std::wcslen(text.c_str()));
    out = std::move(text);
    return 0;
}

int setClipboardText(const std::wstring& text)
{
    QClipboard* c = clipboard();
    if (!c)
        return ENXIO;
    c->setText(QString::fromStdWString(text));
    return 0;
}

int setClipboardPicture(const ClipboardPicture& picture)
{
    QClipboard* c = clipboard();
    if (!c)
        return ENXIO;
    if (picture.width <= 0 || picture.height <= 0 || !picture.bits ||
        (picture.bitCount != 24 && picture.bitCount != 32))
        return EINVAL;
    const int bytesPerPixel = picture.bitCount / 8;
    if (picture.stride < picture.width * bytesPerPixel)
        return EINVAL;
    // Format_ARGB32 is B, G, R, A in memory on a little-endian machine; Format_BGR888 is B, G, R.
    QImage image(picture.width, picture.height,
                 picture.bitCount == 32 ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    if (image.isNull())
        return ENOMEM;
    const size_t rowBytes = static_cast<size_t>(picture.width) * bytesPerPixel;
    for (int y = 0; y < picture.height; ++y) {
        int source = picture.bottomUp ? picture.height - 1 - y : y;
        std::memcpy(image.scanLine(y), picture.bits + static_cast<size_t>(source) * picture.stride, rowBytes);
    }
    c->setImage(image);
    return 0;
}

int getClipboardPicture(int& width, int& height, std::vector<uint8_t>& bgra)
{
    QClipboard* c = clipboard();
    if (!c)
        return ENXIO;
    QImage image = c->image();
    if (image.isNull())
        return ENOENT;
    image = image.convertToFormat(QImage::Format_ARGB32);
    width = image.width();
    height = image.height();
    bgra.resize(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        std::memcpy(bgra.data() + static_cast<size_t>(y) * width * 4, image.constScanLine(y),
                    static_cast<size_t>(width) * 4);
    return 0;
}

} // namespace Platform::Ui
