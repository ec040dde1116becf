#pragma once
// A drawing target: a surface that geometries, bitmaps, text and glyphs are
// drawn on between beginDraw and endDraw. Drawing is antialiased per
// primitive; text is greyscale-antialiased.
//
// Picture targets draw into 32-bit premultiplied BGRA memory that the target
// owns (or that the caller lends); the caller uploads it wherever it belongs.
#include "platform/draw/resources.h"
#include "platform/draw/types.h"

#include <memory>
#include <string>

namespace Platform::Draw {

class FontFace;
class SvgDocument;
class TextFormat;
class TextLayout;

class Target {
public:
    // A transparent picture of the given size, owned by the target.
    static std::unique_ptr<Target> createPicture(int width, int height);
    // Draws into memory the caller keeps alive (premultiplied BGRA, rows top-down).
    static std::unique_ptr<Target> createOnMemory(void* pixels, int width, int height, int stride);
    // Points a memory target at other memory (a window's back buffer after a
    // resize); false while a session is open.
    bool setMemory(void* pixels, int width, int height, int stride);
    ~Target();
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;

    int width() const;
    int height() const;
    uint8_t* bits();
    const uint8_t* bits() const;
    int stride() const;
    float dpi() const { return 96.0f; }

    // A session: begin opens it (nested begins are an error: ResultWrongState at
    // end). end returns ResultOk, or the first failure of the session.
    void beginDraw();
    int32_t endDraw();
    bool isDrawing() const;

    void clear(const Color& color);
    void setTransform(const Matrix& m);
    Matrix getTransform() const;
    void pushAxisAlignedClip(const Rect& rect, bool aliased);
    void popAxisAlignedClip();

    void fillRectangle(const Rect& rect, const Brush& brush);
    void drawRectangle(const Rect& rect, const Brush& brush, float width, const StrokeStyle* style);
    void drawLine(Point p0, Point p1, const Brush& brush, float width, const StrokeStyle* style);
    void fillGeometry(const Geometry& geometry, const Brush& brush);
    void drawGeometry(const Geometry& geometry, const Brush& brush, float width, const StrokeStyle* style);
    void drawBitmap(const Bitmap& bitmap, const Rect& destination, float opacity, Interpolation mode,
                    const Rect* source = nullptr);
    // Text in a layout box, clipped to it. text is UTF-32 (wide) of length count.
    void drawText(const wchar_t* text, size_t count, const TextFormat& format, const Rect& box, const Brush& brush,
                  bool clip);
    void drawTextLayout(Point origin, const TextLayout& layout, const Brush& brush);
    // One glyph with its own colours (colour fonts), its baseline origin at origin.
    void drawColorGlyph(const FontFace& face, float size, uint16_t glyph, Point origin);
    // An SVG document at its viewport size; one the drawing library refuses
    // fails the session (ResultFail at end).
    void drawSvgDocument(const SvgDocument& document);

    // A bitmap of the target's pixel format.
    std::unique_ptr<Bitmap> createBitmap(int width, int height) const;
    // Copies a rectangle of the target into bitmap at destination.
    bool copyToBitmap(Bitmap& bitmap, int destX, int destY, int left, int top, int right, int bottom);

    struct Impl;
    Impl& impl() const { return *impl_; }

private:
    Target();
    std::unique_ptr<Impl> impl_;
};

} // namespace Platform::Draw
