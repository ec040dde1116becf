#pragma once
// A window area to draw the interface into: nested begin/end pairs and clip
// sections, and drawing wrappers in control coordinates (the origin of the
// innermost section is added to every coordinate).
#include "media/com_resource.h"
#include "media/direct2d_service.h"
#include "platform/draw/resources.h"

#include <functional>

namespace Platform::Draw {
class Target;
class TextFormat;
} // namespace Platform::Draw

namespace Media {

class RenderTarget : public Direct2DInstance {
public:
    RenderTarget() = default;
    // The top-level window's target: its own root, the clip covering it.
    RenderTarget(Platform::Draw::Target* target, int width, int height);
    // A control's target drawing through its window's root.
    explicit RenderTarget(RenderTarget* root);

    void beginDraw();
    void endDraw();

    void drawText(const wchar_t* text, Platform::Draw::TextFormat* format, Platform::Draw::Brush* brush, int x, int y,
                  int width, int height);
    void drawRect(int left, int top, int right, int bottom, Platform::Draw::Brush* brush, int strokeWidth,
                  Platform::Draw::StrokeStyle* style);
    void drawLine(int x0, int y0, int x1, int y1, Platform::Draw::Brush* brush, int strokeWidth,
                  Platform::Draw::StrokeStyle* style);
    void fillRect(int left, int top, int right, int bottom, Platform::Draw::Brush* brush);
    void drawBitmap(Platform::Draw::Bitmap* bitmap, int left, int top, int right, int bottom, float opacity);
    void fillGradientRectHorizontal(int left, int top, int right, int bottom, Platform::Draw::LinearGradientBrush* brush);
    void fillGradientRectVertical(int left, int top, int right, int bottom, Platform::Draw::LinearGradientBrush* brush);
    void drawPath(const Platform::Draw::Point* points, int count, Platform::Draw::Brush* brush, float strokeWidth,
                  Platform::Draw::StrokeStyle* style);
    void fillPath(const Platform::Draw::Point* points, Platform::Draw::Brush* brush);

    class DrawSection {
    public:
        DrawSection(RenderTarget& render, int left, int top, int right, int bottom, bool absolute);
        ~DrawSection();
        DrawSection(const DrawSection&) = delete;
        DrawSection& operator=(const DrawSection&) = delete;

    private:
        RenderTarget& end_;
        RenderTarget& render_;
        int savedClip_[4];
        int savedOrigin_[2];
        bool pushed_ = false;
    };

    // Adds a rectangle (window pixels) to what the outermost scope presents.
    void markDirty(int left, int top, int right, int bottom);

    int clipLeft = 0, clipTop = 0, clipWidth = 0, clipHeight = 0;
    int originX = 0, originY = 0;
    int drawCount = 0;
    Platform::Draw::Target* target = nullptr;
    RenderTarget* root = this;
    // A window's root: shows the rectangle drawn in a scope once its
    // outermost end succeeded (left, top, right, bottom in window pixels).
    std::function<void(int, int, int, int)> present;
    int dirty[4] = {0, 0, 0, 0};

private:
    RenderTarget& rootTarget() { return root ? *root : *this; }
};

// A saved strip of a window, put back after drag feedback was drawn over it.
class WindowTemporaryImage {
public:
    // position: the control's place in the window. The integer after left is not used.
    void pushImage(const int* position, RenderTarget& render, int left, int unused, int width, int height);
    void popImage();

    int left = 0, top = 0, width = 0, height = 0;
    const int* position = nullptr;
    RenderTarget* render = nullptr;
    ComResource<Platform::Draw::Bitmap> image;
};

} // namespace Media
