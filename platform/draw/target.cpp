#include "platform/draw/bitmap_view.h"
#include "platform/draw/private_qt.h"

#include <QGlyphRun>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

namespace Platform::Draw {

struct Target::Impl {
    QImage image;
    QPainter painter;
    bool drawing = false;
    int32_t error = ResultOk;
    Matrix transform;
    std::vector<QRectF> clips; // device-space clip rectangles, innermost last

    bool ready()
    {
        if (drawing)
            return true;
        if (error == ResultOk)
            error = ResultWrongState;
        return false;
    }
    void applyClip()
    {
        if (clips.empty()) {
            painter.setClipping(false);
            return;
        }
        painter.setWorldTransform(QTransform());
        painter.setClipRect(clips.back(), Qt::ReplaceClip);
        painter.setWorldTransform(toQTransform(transform));
    }
};

Target::Target() : impl_(std::make_unique<Impl>()) {}

Target::~Target()
{
    if (impl_->painter.isActive())
        impl_->painter.end();
}

std::unique_ptr<Target> Target::createPicture(int width, int height)
{
    std::unique_ptr<Target> target(new Target());
    target->impl_->image = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32_Premultiplied);
    target->impl_->image.fill(0);
    return target;
}

std::unique_ptr<Target> Target::createOnMemory(void* pixels, int width, int height, int stride)
{
    std::unique_ptr<Target> target(new Target());
    if (pixels && width > 0 && height > 0 && stride >= width * 4)
        target->impl_->image =
            QImage(static_cast<uchar*>(pixels), width, height, stride, QImage::Format_ARGB32_Premultiplied);
    return target;
}

bool Target::setMemory(void* pixels, int width, int height, int stride)
{
    if (impl_->drawing)
        return false;
    impl_->image = pixels && width > 0 && height > 0 && stride >= width * 4
                       ? QImage(static_cast<uchar*>(pixels), width, height, stride, QImage::Format_ARGB32_Premultiplied)
                       : QImage();
    return true;
}

int Target::width() const
{
    return impl_->image.width();
}

int Target::height() const
{
    return impl_->image.height();
}

uint8_t* Target::bits()
{
    return impl_->image.isNull() ? nullptr : impl_->image.bits();
}

const uint8_t* Target::bits() const
{
    return impl_->image.isNull() ? nullptr : impl_->image.constBits();
}

int Target::stride() const
{
    return static_cast<int>(impl_->image.bytesPerLine());
}

void Target::beginDraw()
{
    Impl& d = *impl_;
    if (d.drawing) {
        d.error = ResultWrongState;
        return;
    }
    if (d.image.isNull() || !d.painter.begin(&d.image)) {
        d.error = ResultTargetLost;
        return;
    }
    d.drawing = true;
    d.painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    d.painter.setWorldTransform(toQTransform(d.transform));
    d.clips.clear();
}

int32_t Target::endDraw()
{
    Impl& d = *impl_;
    if (d.drawing) {
        if (!d.clips.empty() && d.error == ResultOk)
            d.error = ResultWrongState; // a clip was pushed and never popped
        d.clips.clear();
        d.painter.end();
        d.drawing = false;
    } else if (d.error == ResultOk) {
        d.error = ResultWrongState;
    }
    int32_t result = d.error;
    d.error = ResultOk;
    return result;
}

bool Target::isDrawing() const
{
    return impl_->drawing;
}

void Target::clear(const Color& color)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    d.painter.save();
    d.painter.setWorldTransform(QTransform());
    d.painter.setCompositionMode(QPainter::CompositionMode_Source);
    d.painter.fillRect(QRectF(0, 0, d.image.width(), d.image.height()), toQColor(color));
    d.painter.restore();
}

void Target::setTransform(const Matrix& m)
{
    impl_->transform = m;
    if (impl_->drawing)
        impl_->painter.setWorldTransform(toQTransform(m));
}

Matrix Target::getTransform() const
{
    return impl_->transform;
}

void Target::pushAxisAlignedClip(const Rect& rect, bool aliased)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    QRectF r = toQTransform(d.transform).mapRect(QRectF(QPointF(rect.left, rect.top), QPointF(rect.right, rect.bottom)));
    if (aliased)
        r = QRectF(QPointF(std::round(r.left()), std::round(r.top())), QPointF(std::round(r.right()), std::round(r.bottom())));
    if (!d.clips.empty())
        r = r.intersected(d.clips.back());
    if (r.isEmpty())
        r = QRectF(0, 0, 0, 0);
    d.clips.push_back(r);
    d.applyClip();
}

void Target::popAxisAlignedClip()
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    if (d.clips.empty()) {
        d.error = ResultWrongState;
        return;
    }
    d.clips.pop_back();
    d.applyClip();
}

void Target::fillRectangle(const Rect& rect, const Brush& brush)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    d.painter.fillRect(QRectF(QPointF(rect.left, rect.top), QPointF(rect.right, rect.bottom)), brush.impl().toQBrush());
}

void Target::drawRectangle(const Rect& rect, const Brush& brush, float width, const StrokeStyle* style)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    QPainterPath path;
    path.addRect(QRectF(QPointF(rect.left, rect.top), QPointF(rect.right, rect.bottom)));
    d.painter.strokePath(path, makePen(brush, width, style));
}

void Target::drawLine(Point p0, Point p1, const Brush& brush, float width, const StrokeStyle* style)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    QPainterPath path(QPointF(p0.x, p0.y));
    path.lineTo(p1.x, p1.y);
    d.painter.strokePath(path, makePen(brush, width, style));
}

void Target::fillGeometry(const Geometry& geometry, const Brush& brush)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    d.painter.fillPath(geometry.impl().path, brush.impl().toQBrush());
}

void Target::drawGeometry(const Geometry& geometry, const Brush& brush, float width, const StrokeStyle* style)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    d.painter.strokePath(geometry.impl().path, makePen(brush, width, style));
}

void Target::drawBitmap(const Bitmap& bitmap, const Rect& destination, float opacity, Interpolation mode,
                        const Rect* source)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    const QImage& image = bitmap.impl().image;
    QRectF src = source ? QRectF(QPointF(source->left, source->top), QPointF(source->right, source->bottom))
                        : QRectF(0, 0, image.width(), image.height());
    d.painter.save();
    d.painter.setOpacity(std::clamp(opacity, 0.0f, 1.0f));
    d.painter.setRenderHint(QPainter::SmoothPixmapTransform, mode == Interpolation::Linear);
    d.painter.drawImage(QRectF(QPointF(destination.left, destination.top), QPointF(destination.right, destination.bottom)),
                        image, src);
    d.painter.restore();
}

void drawBitmapAveraged(Target& target, const Bitmap& bitmap, const Rect& destination, float opacity)
{
    Target::Impl& d = target.impl();
    const QImage& image = bitmap.impl().image;
    const QSize size(int(std::lround(destination.right - destination.left)),
                     int(std::lround(destination.bottom - destination.top)));
    const QTransform& transform = d.painter.transform();
    if (!d.ready() || size.isEmpty() || size.width() >= image.width() || size.height() >= image.height() ||
        transform.isScaling() || transform.isRotating()) {
        target.drawBitmap(bitmap, destination, opacity, Interpolation::Linear);
        return;
    }
    QImage& scaled = bitmap.impl().scaled;
    if (scaled.size() != size)
        scaled = image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    d.painter.save();
    d.painter.setOpacity(std::clamp(opacity, 0.0f, 1.0f));
    d.painter.drawImage(QPointF(destination.left, destination.top), scaled);
    d.painter.restore();
}

void Target::drawText(const wchar_t* text, size_t count, const TextFormat& format, const Rect& box, const Brush& brush,
                      bool clip)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    TextLayout layout(text, count, format, box.right - box.left, box.bottom - box.top);
    if (clip)
        pushAxisAlignedClip(box, false);
    drawTextLayout({box.left, box.top}, layout, brush);
    if (clip)
        popAxisAlignedClip();
}

void Target::drawTextLayout(Point origin, const TextLayout& layout, const Brush& brush)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    d.painter.save();
    d.painter.setPen(QPen(brush.impl().toQBrush(), 1));
    // Lines outside the clip are skipped: a long text costs only what shows.
    const QRectF clip = d.painter.hasClipping() ? d.painter.clipBoundingRect() : QRectF();
    layout.impl().layout.draw(&d.painter, QPointF(origin.x, origin.y) + layout.impl().offset(), {}, clip);
    d.painter.restore();
}

void Target::drawColorGlyph(const FontFace& face, float size, uint16_t glyph, Point origin)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    FontData& data = const_cast<FontData&>(face.data());
    std::lock_guard lock(data.mutex);
    QGlyphRun run;
    run.setRawFont(data.sized(size));
    run.setGlyphIndexes({glyph});
    run.setPositions({QPointF(0, 0)});
    d.painter.drawGlyphRun(QPointF(origin.x, origin.y), run);
}

void drawOnPoolThread(const std::function<void()>& draw)
{
    QThreadPool* pool = QThreadPool::globalInstance();
    if (!pool || pool->contains(QThread::currentThread())) {
        draw();
        return;
    }
    std::exception_ptr failure;
    QSemaphore done;
    const bool started = pool->tryStart([&] {
        try {
            draw();
        } catch (...) {
            failure = std::current_exception();
        }
        done.release();
    });
    // No thread free: drawing here is slower, never wrong.
    if (!started) {
        draw();
        return;
    }
    done.acquire();
    if (failure)
        std::rethrow_exception(failure);
}

void Target::drawSvgDocument(const SvgDocument& document)
{
    Impl& d = *impl_;
    if (!d.ready())
        return;
    bool drawn = false;
    drawOnPoolThread([&] { drawn = Platform::Draw::drawSvgDocument(document, d.painter); });
    if (!drawn && d.error == ResultOk)
        d.error = ResultFail;
}

std::unique_ptr<Bitmap> Target::createBitmap(int width, int height) const
{
    return std::make_unique<Bitmap>(width, height, nullptr, 0);
}

bool Target::copyToBitmap(Bitmap& bitmap, int destX, int destY, int left, int top, int right, int bottom)
{
    const QImage& image = impl_->image;
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image.width());
    bottom = std::min(bottom, image.height());
    if (left >= right || top >= bottom)
        return false;
    bitmap.copyFromMemory(destX, destY, right - left, bottom - top, image.constScanLine(top) + left * 4,
                          static_cast<int>(image.bytesPerLine()));
    return true;
}

} // namespace Platform::Draw
