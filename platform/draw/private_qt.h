#pragma once
// Toolkit side of the drawing layer, shared by the .cpp files of this folder
// only. Nothing outside platform/draw includes this header.
#include "platform/draw/font.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"

#include <QBrush>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRawFont>
#include <QTextLayout>

#include <functional>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace Platform::Draw {

inline QColor toQColor(const Color& c)
{
    auto clamp = [](float v) { return v < 0 ? 0.0f : (v > 1 ? 1.0f : v); };
    return QColor::fromRgbF(clamp(c.r), clamp(c.g), clamp(c.b), clamp(c.a));
}

inline QTransform toQTransform(const Matrix& m)
{
    return QTransform(m.m11, m.m12, m.m21, m.m22, m.dx, m.dy);
}

struct Brush::Impl {
    bool gradient = false;
    Color color;
    std::vector<GradientStop> stops;
    Point start, end;
    QBrush toQBrush() const;
};

struct Geometry::Impl {
    QPainterPath path;
};

struct Bitmap::Impl {
    QImage image;
    std::shared_ptr<const void> owner; // the memory of a wrapped image
    // The last smooth downscale (MultiSampleLinear), kept while its size is asked again.
    QImage scaled;
};

QPen makePen(const Brush& brush, float width, const StrokeStyle* style);

class SvgDocument;
// Draws the document at its viewport size (svg.cpp); false when the drawing
// library refuses it.
bool drawSvgDocument(const SvgDocument& document, QPainter& painter);

// Runs a drawing of many primitives on one thread of the toolkit's own pool
// and waits for it (target.cpp). The toolkit splits each large blended fill
// across that pool unless it already runs on one of its threads; on a busy
// machine those hand-offs cost several times the drawing itself.
void drawOnPoolThread(const std::function<void()>& draw);

// One face of an installed font file. The toolkit's font engine behind the raw
// font is not safe to use from two threads at once: every use holds the mutex.
class FontData {
public:
    FontData(const QFont& font, const QRawFont& designFont);
    std::mutex mutex;
    QFont font;         // selects this face in the toolkit
    QRawFont design;    // at a pixel size of the design units per em, unhinted
    QByteArray table(const char* tag) const;

    // Parsed once.
    struct Tables {
        FontMetrics metrics;
        int numberOfHMetrics = 0;
        QByteArray hmtx, vmtx;
        int numberOfVMetrics = 0;
        bool hasVorg = false;
        int16_t vorgDefault = 0;
        std::unordered_map<uint16_t, int16_t> vorg;
        std::unordered_map<uint16_t, uint16_t> vertical;
        bool colorBitmaps = false;
        int weight = 400;
        int stretch = 5;
        FontStyle style = FontStyle::Normal;
        std::vector<LocalizedName> familyNames;  // typographic family, else legacy
        std::vector<LocalizedName> win32Names;   // legacy family
    };
    const Tables& tables();

    // Black box of a glyph in design units (y up): xMin, yMin, xMax, yMax.
    struct Box {
        float xMin = 0, yMin = 0, xMax = 0, yMax = 0;
    };
    Box glyphBox(uint16_t glyph);
    // A raw font of the given pixel size for drawing colour glyphs (call with the mutex held).
    QRawFont& sized(float pixelSize);
    // The outline at the design font's size, kept for later uses (call with the mutex held).
    const QPainterPath& designPath(uint16_t glyph);

private:
    std::once_flag parsed_;
    Tables tables_;
    std::unordered_map<uint16_t, Box> boxes_;
    std::unordered_map<uint16_t, QPainterPath> paths_;

public:
    // Stroke areas by glyph, size, width and stroke shape (call with the mutex held).
    struct StrokeKey {
        uint16_t glyph;
        uint32_t simulations;
        float size, width;
        int cap, join;
        float miter;
        bool operator==(const StrokeKey& o) const
        {
            return glyph == o.glyph && simulations == o.simulations && size == o.size && width == o.width &&
                   cap == o.cap && join == o.join && miter == o.miter;
        }
    };
    struct StrokeKeyHash {
        size_t operator()(const StrokeKey& k) const
        {
            size_t h = std::hash<float>()(k.size) * 31 + std::hash<float>()(k.width);
            return h * 131 + k.glyph * 7 + static_cast<size_t>(k.cap * 3 + k.join) + k.simulations;
        }
    };
    std::unordered_map<StrokeKey, QPainterPath, StrokeKeyHash> strokes;
    QRawFont sized_;
    float sizedPixels_ = 0;
};

struct TextFormat::Impl {
    std::wstring family;
    QFont font;
    float size = 0;
    int weight = 400;
    bool italic = false;
    bool wrap = false;
    int textAlignment = 0;
    int paragraphAlignment = 0;
    bool ellipsis = false;
};

struct TextLayout::Impl {
    QString text;
    QString shown; // text after trimming
    QFont font;
    TextFormat::Impl format;
    float maxWidth = 0, maxHeight = 0;
    QTextLayout layout;
    float lineHeight = 0;
    // Offsets of shown's code points in its UTF-16 units; empty when every
    // code point is one unit (positions then agree).
    std::vector<int> units;
    void build();
    QPointF offset() const; // alignment of the lines inside the box
    int toUnit(int position) const;  // code point index -> UTF-16 index
    int toPoint(int unit) const;     // UTF-16 index -> code point index
};

} // namespace Platform::Draw
