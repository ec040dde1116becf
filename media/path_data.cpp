#include "media/path_data.h"

#include "core/failure.h"
#include "platform/draw/resources.h"

#include <cmath>

namespace Resource {

namespace {
constexpr const char* Place = "Resource::PathData::createPathGeometry";

Platform::Draw::Point map(const PathTransform& t, float x, float y)
{
    return {static_cast<float>(x * t.scaleX + t.offsetX), static_cast<float>(y * t.scaleY + t.offsetY)};
}

double radians(double degrees)
{
    return degrees * M_PI / 180.0;
}

// The point at angle θ degrees clockwise from the top on the unit circle.
void pointAt(double degrees, double scale, float& x, float& y)
{
    x = static_cast<float>(scale * std::sin(radians(degrees)));
    y = static_cast<float>(-scale * std::cos(radians(degrees)));
}

template <class T, class... A>
void add(PathData& path, A... arguments)
{
    path.commands.push_back(std::make_unique<T>(arguments...));
}

void lineAt(PathData& path, double degrees, double scale = 1.0)
{
    float x, y;
    pointAt(degrees, scale, x, y);
    add<PathCommandLineTo>(path, x, y);
}

void box(PathData& path, float x, float y, float width, float height, float inscribed)
{
    path.boxX = x;
    path.boxY = y;
    path.boxWidth = width;
    path.boxHeight = height;
    path.inscribed = inscribed;
}

// A regular polygon inside (-1, -1, 2, 2) starting at the top.
void polygon(PathData& path, int corners)
{
    const double step = 360.0 / corners;
    box(path, -1, -1, 2, 2, static_cast<float>(std::sin(radians(90.0 - 180.0 / corners))));
    add<PathCommandMoveTo>(path, 0.0f, -1.0f);
    for (int i = 1; i < corners; ++i)
        lineAt(path, step * i);
    add<PathCommandClosePath>(path);
}
} // namespace

void PathCommandMoveTo::apply(const PathTransform& t) const
{
    t.sink->beginFigure(map(t, x, y), true);
}

void PathCommandLineTo::apply(const PathTransform& t) const
{
    t.sink->addLine(map(t, x, y));
}

void PathCommandArcTo::apply(const PathTransform& t) const
{
    Platform::Draw::ArcSegment arc;
    arc.point = map(t, x, y);
    arc.radiusX = static_cast<float>(rx * t.scaleX);
    arc.radiusY = static_cast<float>(ry * t.scaleY);
    arc.rotationAngle = rotation;
    arc.sweepDirection =
        clockwise ? Platform::Draw::SweepDirection::Clockwise : Platform::Draw::SweepDirection::CounterClockwise;
    arc.arcSize = largeArc ? Platform::Draw::ArcSize::Large : Platform::Draw::ArcSize::Small;
    t.sink->addArc(arc);
}

void PathCommandBezier2To::apply(const PathTransform& t) const
{
    t.sink->addQuadraticBezier(map(t, cx, cy), map(t, x, y));
}

void PathCommandClosePath::apply(const PathTransform& t) const
{
    t.sink->endFigure(true);
}

std::unique_ptr<Platform::Draw::PathGeometry> PathData::createPathGeometry(float x, float y, float width,
                                                                           float height) const
{
    auto path = std::make_unique<Platform::Draw::PathGeometry>();
    Platform::Draw::GeometrySink* sink = path->open();
    if (!sink)
        throw System::makeHresultException("path->Open", Place, Platform::Draw::ResultWrongState);
    PathTransform transform{sink, 0, 0, static_cast<double>(width) / boxWidth, static_cast<double>(height) / boxHeight};
    transform.offsetX = x - boxX * transform.scaleX;
    transform.offsetY = y - boxY * transform.scaleY;
    for (const auto& command : commands)
        command->apply(transform);
    if (!sink->close())
        throw System::makeHresultException("slink->Close", Place, Platform::Draw::ResultWrongState);
    return path;
}

void createBuiltinOutlines(OutlineSet& outlines)
{
    PathData& circle = outlines[Circle];
    add<PathCommandMoveTo>(circle, 1.0f, 0.5f);
    add<PathCommandArcTo>(circle, 0.0f, 0.5f, 0.5f, 0.5f, 0.0f, true);
    add<PathCommandArcTo>(circle, 1.0f, 0.5f, 0.5f, 0.5f, 0.0f, true);
    add<PathCommandClosePath>(circle);

    PathData& square = outlines[Square];
    add<PathCommandMoveTo>(square, 0.0f, 0.0f);
    add<PathCommandLineTo>(square, 1.0f, 0.0f);
    add<PathCommandLineTo>(square, 1.0f, 1.0f);
    add<PathCommandLineTo>(square, 0.0f, 1.0f);
    add<PathCommandClosePath>(square);

    polygon(outlines[Triangle], 3);
    polygon(outlines[Pentagon], 5);
    polygon(outlines[Hexagon], 6);

    // Outer points every 72 degrees; the inner point k P(θ + 216) lies at θ + 36 with radius -k.
    PathData& star = outlines[Star];
    box(star, -1, -1, 2, 2, static_cast<float>(std::sin(radians(18.0))));
    const double k = -std::cos(radians(72.0)) / std::cos(radians(36.0));
    for (int i = 0; i < 5; ++i) {
        const double theta = 72.0 * i;
        float x, y;
        pointAt(theta, 1.0, x, y);
        if (i == 0)
            add<PathCommandMoveTo>(star, x, y);
        else
            add<PathCommandLineTo>(star, x, y);
        lineAt(star, theta + 216.0, k);
    }
    add<PathCommandClosePath>(star);

    PathData& heart = outlines[Heart];
    box(heart, 0.09f, 0.09f, 0.82f, 0.82f, 0.6666f);
    add<PathCommandMoveTo>(heart, 0.1f, 0.35f);
    add<PathCommandArcTo>(heart, 0.5f, 0.3f, 0.2f, 0.2f, 0.0f, false);
    add<PathCommandArcTo>(heart, 0.9f, 0.35f, 0.2f, 0.2f, 0.0f, false);
    add<PathCommandBezier2To>(heart, 0.5f, 0.9f, 0.9f, 0.5f);
    add<PathCommandBezier2To>(heart, 0.1f, 0.35f, 0.1f, 0.5f);
    add<PathCommandClosePath>(heart);

    PathData& diamond = outlines[Diamond];
    add<PathCommandMoveTo>(diamond, 0.5f, 0.0f);
    add<PathCommandLineTo>(diamond, 1.0f, 0.5f);
    add<PathCommandLineTo>(diamond, 0.5f, 1.0f);
    add<PathCommandLineTo>(diamond, 0.0f, 0.5f);
    add<PathCommandClosePath>(diamond);
}

} // namespace Resource
