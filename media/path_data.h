#pragma once
// Resolution-independent outlines: path commands in a unit box, turned into a
// path geometry of any size. The eight built-in figure outlines are made here.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Platform::Draw {
class GeometrySink;
class PathGeometry;
} // namespace Platform::Draw

namespace Resource {

// Maps command coordinates onto the requested rectangle: (x * scaleX + offsetX, y * scaleY + offsetY).
struct PathTransform {
    Platform::Draw::GeometrySink* sink;
    double offsetX, offsetY, scaleX, scaleY;
};

class PathCommand {
public:
    virtual ~PathCommand() = default;
    // Appends this step to the open geometry through the transform.
    virtual void apply(const PathTransform& transform) const = 0;
};

class PathCommandMoveTo : public PathCommand {
public:
    PathCommandMoveTo(float x, float y) : x(x), y(y) {}
    void apply(const PathTransform& transform) const override;
    float x, y;
};

class PathCommandLineTo : public PathCommand {
public:
    PathCommandLineTo(float x, float y) : x(x), y(y) {}
    void apply(const PathTransform& transform) const override;
    float x, y;
};

class PathCommandArcTo : public PathCommand {
public:
    PathCommandArcTo(float x, float y, float rx, float ry, float rotation, bool large)
        : x(x), y(y), rx(rx), ry(ry), rotation(rotation), largeArc(large)
    {
    }
    void apply(const PathTransform& transform) const override;
    float x, y;     // end point
    float rx, ry;   // radii, scaled by the transform's scales
    float rotation; // degrees
    uint8_t largeArc;
    uint8_t clockwise = 1;
};

class PathCommandBezier2To : public PathCommand {
public:
    PathCommandBezier2To(float x, float y, float cx, float cy) : x(x), y(y), cx(cx), cy(cy) {}
    void apply(const PathTransform& transform) const override;
    float x, y;   // end point
    float cx, cy; // control point
};

class PathCommandClosePath : public PathCommand {
public:
    void apply(const PathTransform& transform) const override;
};

class PathData {
public:
    // The region of the command coordinates that maps onto the requested rectangle.
    float boxX = 0, boxY = 0, boxWidth = 1, boxHeight = 1;
    // For regular shapes the inscribed circle's radius over the outer radius:
    // it limits and scales the line width of outline figures.
    float inscribed = 1;
    std::vector<std::unique_ptr<PathCommand>> commands;

    // A new geometry of this outline mapped onto the rectangle.
    std::unique_ptr<Platform::Draw::PathGeometry> createPathGeometry(float x, float y, float width, float height) const;
};

// The built-in outlines, in this order.
enum Outline { Circle, Square, Triangle, Pentagon, Hexagon, Star, Heart, Diamond, OutlineCount };
using OutlineSet = std::array<PathData, OutlineCount>;
// Builds the eight outlines (angles clockwise from the top).
void createBuiltinOutlines(OutlineSet& outlines);

} // namespace Resource
