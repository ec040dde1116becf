#include "platform/imaging/image_codec.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform::Imaging {

namespace {

QImage::Format qtFormat(PixelLayout layout)
{
    switch (layout) {
    case PixelLayout::Rgba:
        return QImage::Format_RGBA8888;
    case PixelLayout::Bgra:
        return QImage::Format_ARGB32;
    case PixelLayout::BgraPremultiplied:
        return QImage::Format_ARGB32_Premultiplied;
    case PixelLayout::Bgrx:
        return QImage::Format_RGB32;
    case PixelLayout::Bgr24:
        return QImage::Format_BGR888;
    }
    return QImage::Format_Invalid;
}

int bytesPerPixel(PixelLayout layout)
{
    return layout == PixelLayout::Bgr24 ? 3 : 4;
}

// Reads a whole file; errno values on failure.
int readWholeFile(const std::string& path, QByteArray& out)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int e = errno;
        ::close(fd);
        return e;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    out.resize(static_cast<qsizetype>(st.st_size));
    qsizetype done = 0;
    while (done < out.size()) {
        ssize_t n = ::read(fd, out.data() + done, static_cast<size_t>(out.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            int e = errno;
            ::close(fd);
            return e;
        }
        if (n == 0)
            break;
        done += n;
    }
    out.resize(done);
    ::close(fd);
    return 0;
}

// The toolkit refuses to decode pictures above 128 MB, a photo of some 33
// million pixels. Our pictures may be 16384 pixels a side, decoded with up to
// 16 bits per channel: room for that, and still a bound for damaged headers.
constexpr int DecodeLimitMegabytes = 16384 * 16384 / (1024 * 1024) * 8;

Result decodeDevice(QIODevice& device, PixelLayout layout, const Allocate& allocate)
{
    static const bool limitSet = [] {
        QImageReader::setAllocationLimit(DecodeLimitMegabytes);
        return true;
    }();
    (void)limitSet;
    QImageReader reader(&device);
    reader.setAutoTransform(false);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {Step::Format, 0};
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return {reader.error() == QImageReader::UnsupportedFormatError ? Step::Format : Step::Decode, 0};
    QImage::Format wanted = qtFormat(layout);
    if (wanted == QImage::Format_Invalid || layout == PixelLayout::Bgr24)
        return {Step::Convert, 0};
    if (image.format() != wanted)
        image.convertTo(wanted);
    if (image.isNull())
        return {Step::Convert, 0};

    size_t stride = 0;
    uint8_t* out = allocate(image.width(), image.height(), stride);
    if (!out)
        return {Step::Allocate, 0};
    const size_t rowBytes = static_cast<size_t>(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(out + stride * y, image.constScanLine(y), rowBytes);
    return {};
}

} // namespace

Result decodeFile(const std::string& path, PixelLayout layout, const Allocate& allocate)
{
    QByteArray bytes;
    if (int e = readWholeFile(path, bytes))
        return {Step::Open, e};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeDevice(buffer, layout, allocate);
}

Result decodeMemory(const void* data, size_t size, PixelLayout layout, const Allocate& allocate)
{
    QByteArray bytes = QByteArray::fromRawData(static_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return decodeDevice(buffer, layout, allocate);
}

Result readSize(const std::string& path, int& width, int& height)
{
    QByteArray bytes;
    if (int e = readWholeFile(path, bytes))
        return {Step::Open, e};
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {Step::Format, 0};
    QSize size = reader.size();
    if (!size.isValid())
        return {Step::Decode, 0};
    width = size.width();
    height = size.height();
    return {};
}

PixelLayout encodedLayout(Container container, PixelLayout source)
{
    if (container == Container::Png && source != PixelLayout::Bgrx && source != PixelLayout::Bgr24)
        return PixelLayout::Bgra;
    return PixelLayout::Bgr24;
}

bool canConvert(PixelLayout source, PixelLayout target)
{
    return qtFormat(source) != QImage::Format_Invalid && qtFormat(target) != QImage::Format_Invalid;
}

Result encodeFile(const std::string& path, Container container, const void* pixels, int width, int height,
                  size_t stride, PixelLayout source, float quality)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return {Step::Open, errno};
    QFile file;
    if (!file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(path.c_str());
        return {Step::Open, EIO};
    }
    auto fail = [&](Step step, int error) {
        file.close();
        ::unlink(path.c_str());
        return Result{step, error};
    };

    PixelLayout written = encodedLayout(container, source);
    if (!pixels || width <= 0 || height <= 0 || stride < static_cast<size_t>(width) * bytesPerPixel(source))
        return fail(Step::Convert, 0);
    if (!canConvert(source, written))
        return fail(Step::Convert, 0);

    QImage view(static_cast<const uchar*>(pixels), width, height, static_cast<qsizetype>(stride), qtFormat(source));
    QImage image = view.convertToFormat(qtFormat(written));
    if (image.isNull())
        return fail(Step::Convert, 0);
    // Written pictures carry a resolution of 72 dots per inch.
    image.setDotsPerMeterX(2835);
    image.setDotsPerMeterY(2835);

    QImageWriter writer(&file, container == Container::Png ? "png" : "jpeg");
    if (container == Container::Jpeg)
        writer.setQuality(quality >= 0.0f ? static_cast<int>(std::min(quality, 1.0f) * 100.0f + 0.5f) : 90);
    if (!writer.write(image))
        return fail(Step::Write, writer.error() == QImageWriter::DeviceError ? EIO : 0);
    if (!file.flush())
        return fail(Step::Write, EIO);
    file.close();
    return {};
}

} // namespace Platform::Imaging
