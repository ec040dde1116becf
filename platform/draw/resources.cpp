#include "platform/draw/bitmap_view.h"
#include "platform/draw/private_qt.h"

#include <QLinearGradient>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Platform::Draw {

// ---- brushes

Brush::Brush() : impl_(std::make_unique<Impl>()) {}
Brush::~Brush() = default;

QBrush Brush::Impl::toQBrush() const
{
    if (!gradient)
        return QBrush(toQColor(color));
    QLinearGradient g(QPointF(start.x, start.y), QPointF(end.x, end.y));
    g.setSpread(QGradient::PadSpread);
    for (const auto& stop : stops)
        g.setColorAt(std::clamp(stop.position, 0.0f, 1.0f), toQColor(stop.color));
    return QBrush(g);
}

SolidColorBrush::SolidColorBrush(const Color& color)
{
    impl_->color = color;
}

void SolidColorBrush::setColor(const Color& color)
{
    impl_->color = color;
}

Color SolidColorBrush::getColor() const
{
    return impl_->color;
}

LinearGradientBrush::LinearGradientBrush(std::vector<GradientStop> stops)
{
    impl_->gradient = true;
    impl_->stops = std::move(stops);
}

void LinearGradientBrush::setStartPoint(Point p)
{
    impl_->start = p;
}

void LinearGradientBrush::setEndPoint(Point p)
{
    impl_->end = p;
}

Point LinearGradientBrush::getStartPoint() const
{
    return impl_->start;
}

Point LinearGradientBrush::getEndPoint() const
{
    return impl_->end;
}

const std::vector<GradientStop>& LinearGradientBrush::stops() const
{
    return impl_->stops;
}

// ---- stroke styles

StrokeStyle::StrokeStyle(const StrokeStyleProperties& properties, const float* dashes, int dashCount)
    : properties_(properties)
{
    switch (properties.dashStyle) {
    case DashStyle::Solid:
        break;
    case DashStyle::Dash:
        dashes_ = {2, 2};
        break;
    case DashStyle::Dot:
        dashes_ = {0, 2};
        break;
    case DashStyle::DashDot:
        dashes_ = {2, 2, 0, 2};
        break;
    case DashStyle::DashDotDot:
        dashes_ = {2, 2, 0, 2, 0, 2};
        break;
    case DashStyle::Custom:
        if (dashes && dashCount > 0)
            dashes_.assign(dashes, dashes + dashCount);
        if (dashes_.size() % 2)
            dashes_.insert(dashes_.end(), dashes_.begin(), dashes_.end()); // an odd pattern repeats once
        break;
    }
}

StrokeStyle::~StrokeStyle() = default;

namespace {
Qt::PenCapStyle toQtCap(CapStyle cap)
{
    switch (cap) {
    case CapStyle::Flat:
        return Qt::FlatCap;
    case CapStyle::Round:
        return Qt::RoundCap;
    case CapStyle::Square:
    case CapStyle::Triangle: // no triangle cap in the toolkit: the square one covers the same length
        return Qt::SquareCap;
    }
    return Qt::FlatCap;
}
} // namespace

QPen makePen(const Brush& brush, float width, const StrokeStyle* style)
{
    QPen pen(brush.impl().toQBrush(), width);
    if (!style) {
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        pen.setMiterLimit(5.0); // the default miter limit 10 counts half stroke widths
        return pen;
    }
    const auto& p = style->properties();
    const bool dashed = !style->dashes().empty();
    // One cap style for every end: the dash cap when dashed, the line cap otherwise.
    pen.setCapStyle(toQtCap(dashed ? p.dashCap : p.startCap));
    switch (p.lineJoin) {
    case LineJoin::Miter:
        pen.setJoinStyle(Qt::MiterJoin);
        break;
    case LineJoin::Bevel:
        pen.setJoinStyle(Qt::BevelJoin);
        break;
    case LineJoin::Round:
        pen.setJoinStyle(Qt::RoundJoin);
        break;
    case LineJoin::MiterOrBevel:
        pen.setJoinStyle(Qt::SvgMiterJoin);
        break;
    }
    // The limit counts half stroke widths here and whole widths in the toolkit.
    pen.setMiterLimit(std::max(1.0f, p.miterLimit) * 0.5);
    if (dashed) {
        QList<qreal> pattern;
        for (float d : style->dashes())
            pattern.append(std::max<qreal>(d, 1e-4)); // a zero-length dash is a dot of the cap's shape
        pen.setDashPattern(pattern);
        pen.setDashOffset(p.dashOffset);
    }
    return pen;
}

// ---- geometries

Geometry::Geometry() : impl_(std::make_unique<Impl>()) {}
Geometry::~Geometry() = default;

Rect Geometry::getBounds() const
{
    QRectF r = impl_->path.boundingRect();
    return {static_cast<float>(r.left()), static_cast<float>(r.top()), static_cast<float>(r.right()),
            static_cast<float>(r.bottom())};
}

bool Geometry::fillContainsPoint(Point p) const
{
    return impl_->path.contains(QPointF(p.x, p.y));
}

PathGeometry::PathGeometry()
{
    impl_->path.setFillRule(Qt::OddEvenFill);
}

PathGeometry::~PathGeometry() = default;

GeometrySink* PathGeometry::open()
{
    if (opened_)
        return nullptr;
    opened_ = true;
    sink_.reset(new GeometrySink(*this));
    return sink_.get();
}

bool PathGeometry::isClosed() const
{
    return sink_ && sink_->closed_;
}

void GeometrySink::setFillMode(FillMode mode)
{
    owner_.impl().path.setFillRule(mode == FillMode::Winding ? Qt::WindingFill : Qt::OddEvenFill);
}

void GeometrySink::beginFigure(Point start, bool filled)
{
    if (closed_)
        return;
    owner_.impl().path.moveTo(start.x, start.y);
    inFigure_ = true;
    figureFilled_ = filled;
    figureStart_ = current_ = start;
}

void GeometrySink::addLine(Point p)
{
    if (!inFigure_)
        return;
    owner_.impl().path.lineTo(p.x, p.y);
    current_ = p;
}

void GeometrySink::addLines(const Point* points, int count)
{
    for (int i = 0; i < count; ++i)
        addLine(points[i]);
}

void GeometrySink::addQuadraticBezier(Point control, Point end)
{
    if (!inFigure_)
        return;
    owner_.impl().path.quadTo(control.x, control.y, end.x, end.y);
    current_ = end;
}

void GeometrySink::addBezier(Point c1, Point c2, Point end)
{
    if (!inFigure_)
        return;
    owner_.impl().path.cubicTo(c1.x, c1.y, c2.x, c2.y, end.x, end.y);
    current_ = end;
}

void GeometrySink::addArc(const ArcSegment& arc)
{
    if (!inFigure_)
        return;
    QPainterPath& path = owner_.impl().path;
    const double x0 = current_.x, y0 = current_.y, x1 = arc.point.x, y1 = arc.point.y;
    double rx = std::fabs(arc.radiusX), ry = std::fabs(arc.radiusY);
    current_ = arc.point;
    if ((x0 == x1 && y0 == y1))
        return;
    if (rx == 0 || ry == 0) {
        path.lineTo(x1, y1);
        return;
    }
    // Endpoint to centre form (elliptical arc conversion), then cubic pieces of at most 90 degrees.
    const double phi = arc.rotationAngle * M_PI / 180.0;
    const double c = std::cos(phi), s = std::sin(phi);
    const double dx = (x0 - x1) / 2, dy = (y0 - y1) / 2;
    const double x1p = c * dx + s * dy, y1p = -s * dx + c * dy;
    double lambda = (x1p * x1p) / (rx * rx) + (y1p * y1p) / (ry * ry);
    if (lambda > 1) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    const bool large = arc.arcSize == ArcSize::Large;
    // Clockwise in y-down coordinates is a positive sweep angle.
    const bool sweep = arc.sweepDirection == SweepDirection::Clockwise;
    double num = rx * rx * ry * ry - rx * rx * y1p * y1p - ry * ry * x1p * x1p;
    double den = rx * rx * y1p * y1p + ry * ry * x1p * x1p;
    double k = den == 0 ? 0 : std::sqrt(std::max(0.0, num / den));
    if (large == sweep)
        k = -k;
    const double cxp = k * rx * y1p / ry, cyp = -k * ry * x1p / rx;
    const double cx = c * cxp - s * cyp + (x0 + x1) / 2, cy = s * cxp + c * cyp + (y0 + y1) / 2;
    auto angle = [](double ux, double uy, double vx, double vy) {
        return std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
    };
    const double theta1 = angle(1, 0, (x1p - cxp) / rx, (y1p - cyp) / ry);
    double delta = angle((x1p - cxp) / rx, (y1p - cyp) / ry, (-x1p - cxp) / rx, (-y1p - cyp) / ry);
    if (!sweep && delta > 0)
        delta -= 2 * M_PI;
    else if (sweep && delta < 0)
        delta += 2 * M_PI;
    const int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (M_PI / 2) - 1e-9)));
    const double step = delta / pieces;
    const double t = 4.0 / 3.0 * std::tan(step / 4);
    auto pointAt = [&](double a, double& px, double& py, double& tx, double& ty) {
        const double ca = std::cos(a), sa = std::sin(a);
        px = cx + rx * ca * c - ry * sa * s;
        py = cy + rx * ca * s + ry * sa * c;
        tx = -rx * sa * c - ry * ca * s;
        ty = -rx * sa * s + ry * ca * c;
    };
    double a = theta1;
    for (int i = 0; i < pieces; ++i) {
        double px0, py0, tx0, ty0, px1, py1, tx1, ty1;
        pointAt(a, px0, py0, tx0, ty0);
        pointAt(a + step, px1, py1, tx1, ty1);
        if (i == pieces - 1) {
            px1 = x1;
            py1 = y1;
        }
        path.cubicTo(px0 + t * tx0, py0 + t * ty0, px1 - t * tx1, py1 - t * ty1, px1, py1);
        a += step;
    }
}

void GeometrySink::endFigure(bool closed)
{
    if (!inFigure_)
        return;
    if (closed)
        owner_.impl().path.closeSubpath();
    inFigure_ = false;
    current_ = figureStart_;
}

bool GeometrySink::close()
{
    if (closed_ || inFigure_)
        return false;
    closed_ = true;
    return true;
}

TransformedGeometry::TransformedGeometry(const Geometry& source, const Matrix& transform)
{
    impl_->path = toQTransform(transform).map(source.impl().path);
}

// ---- bitmaps

Bitmap::Bitmap(int width, int height, const void* pixels, int stride) : impl_(std::make_unique<Impl>())
{
    impl_->image = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_ARGB32_Premultiplied);
    impl_->image.fill(0);
    if (pixels)
        copyFromMemory(0, 0, width, height, pixels, stride);
}

Bitmap::~Bitmap() = default;

std::unique_ptr<Bitmap> wrapBitmap(int width, int height, const void* pixels, int stride,
                                   std::shared_ptr<const void> owner)
{
    auto bitmap = std::make_unique<Bitmap>(0, 0, nullptr, 0);
    if (pixels && width > 0 && height > 0)
        bitmap->impl().image = QImage(static_cast<const uchar*>(pixels), width, height, stride,
                                      QImage::Format_ARGB32_Premultiplied);
    bitmap->impl().owner = std::move(owner);
    return bitmap;
}

int Bitmap::width() const
{
    return impl_->image.width();
}

int Bitmap::height() const
{
    return impl_->image.height();
}

void Bitmap::copyFromMemory(int x, int y, int width, int height, const void* pixels, int stride)
{
    QImage& image = impl_->image;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, image.width()), y1 = std::min(y + height, image.height());
    if (x0 >= x1 || y0 >= y1 || !pixels)
        return;
    const auto* src = static_cast<const uint8_t*>(pixels);
    for (int row = y0; row < y1; ++row)
        std::memcpy(image.scanLine(row) + x0 * 4, src + static_cast<size_t>(row - y) * stride + (x0 - x) * 4,
                    static_cast<size_t>(x1 - x0) * 4);
}

const uint8_t* Bitmap::bits() const
{
    return impl_->image.constBits();
}

int Bitmap::stride() const
{
    return static_cast<int>(impl_->image.bytesPerLine());
}

} // namespace Platform::Draw
