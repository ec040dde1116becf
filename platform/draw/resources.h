#pragma once
// Drawing resources: brushes, stroke styles, path geometries and bitmaps.
// Resources are immutable once built (brush colours and gradient points
// excepted) and may be shared between threads that draw one at a time.
#include "platform/draw/types.h"

#include <memory>
#include <vector>

namespace Platform::Draw {

class Brush {
public:
    virtual ~Brush();
    struct Impl;
    Impl& impl() const { return *impl_; }

protected:
    Brush();
    std::unique_ptr<Impl> impl_;
};

class SolidColorBrush final : public Brush {
public:
    explicit SolidColorBrush(const Color& color);
    void setColor(const Color& color);
    Color getColor() const;
};

struct GradientStop {
    float position;
    Color color;
};

// Linear gradient interpolated in the colours' own (gamma 2.2) space; outside
// the two points the end colours continue (clamp).
class LinearGradientBrush final : public Brush {
public:
    explicit LinearGradientBrush(std::vector<GradientStop> stops);
    void setStartPoint(Point p);
    void setEndPoint(Point p);
    Point getStartPoint() const;
    Point getEndPoint() const;
    const std::vector<GradientStop>& stops() const;
};

struct StrokeStyleProperties {
    CapStyle startCap = CapStyle::Flat;
    CapStyle endCap = CapStyle::Flat;
    CapStyle dashCap = CapStyle::Flat;
    LineJoin lineJoin = LineJoin::Miter;
    float miterLimit = 10.0f;
    DashStyle dashStyle = DashStyle::Solid;
    float dashOffset = 0.0f;
};

class StrokeStyle {
public:
    // dashes (in stroke widths, on/off alternating) are used with DashStyle::Custom only.
    StrokeStyle(const StrokeStyleProperties& properties, const float* dashes, int dashCount);
    ~StrokeStyle();
    const StrokeStyleProperties& properties() const { return properties_; }
    // The effective dash pattern (empty for solid lines).
    const std::vector<float>& dashes() const { return dashes_; }

private:
    StrokeStyleProperties properties_;
    std::vector<float> dashes_;
};

class Geometry {
public:
    virtual ~Geometry();
    Rect getBounds() const;
    bool fillContainsPoint(Point p) const;
    struct Impl;
    Impl& impl() const { return *impl_; }

protected:
    Geometry();
    std::unique_ptr<Impl> impl_;
};

struct ArcSegment {
    Point point;        // end point
    float radiusX = 0, radiusY = 0;
    float rotationAngle = 0; // degrees
    SweepDirection sweepDirection = SweepDirection::Clockwise;
    ArcSize arcSize = ArcSize::Small;
};

class PathGeometry;

// Fills a path geometry: figures of lines, arcs and curves.
class GeometrySink {
public:
    void setFillMode(FillMode mode);
    void beginFigure(Point start, bool filled);
    void addLine(Point p);
    void addLines(const Point* points, int count);
    void addQuadraticBezier(Point control, Point end);
    void addBezier(Point control1, Point control2, Point end);
    void addArc(const ArcSegment& arc);
    void endFigure(bool closed);
    // Finishes the geometry; false when a figure was left open or the sink was closed before.
    bool close();

private:
    friend class PathGeometry;
    explicit GeometrySink(PathGeometry& owner) : owner_(owner) {}
    PathGeometry& owner_;
    bool inFigure_ = false;
    bool closed_ = false;
    bool figureFilled_ = true;
    Point figureStart_{};
    Point current_{};
};

class PathGeometry final : public Geometry {
public:
    PathGeometry();
    ~PathGeometry() override;
    // The sink exists once per geometry; a second open fails (null).
    GeometrySink* open();
    bool isClosed() const;

private:
    friend class GeometrySink;
    std::unique_ptr<GeometrySink> sink_;
    bool opened_ = false;
};

class TransformedGeometry final : public Geometry {
public:
    TransformedGeometry(const Geometry& source, const Matrix& transform);
};

// A picture held for drawing: 32-bit premultiplied BGRA.
class Bitmap {
public:
    // pixels may be null (contents zero).
    Bitmap(int width, int height, const void* pixels, int stride);
    ~Bitmap();
    int width() const;
    int height() const;
    // Copies pixels into the bitmap at (x, y) from premultiplied BGRA memory.
    void copyFromMemory(int x, int y, int width, int height, const void* pixels, int stride);
    // Pixel access for tests and read-back: premultiplied BGRA, rows top-down.
    const uint8_t* bits() const;
    int stride() const;
    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Draw
