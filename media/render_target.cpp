#include "media/render_target.h"

#include "core/failure.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"

#include <algorithm>
#include <cwchar>

namespace Media {

using Platform::Draw::Point;
using Platform::Draw::Rect;

RenderTarget::RenderTarget(Platform::Draw::Target* t, int width, int height)
    : clipWidth(width), clipHeight(height), target(t)
{
}

RenderTarget::RenderTarget(RenderTarget* r) : target(r ? r->target : nullptr), root(r) {}

void RenderTarget::beginDraw()
{
    RenderTarget& r = rootTarget();
    if (r.drawCount == 0) {
        if (r.target)
            r.target->beginDraw();
        r.dirty[0] = r.dirty[1] = r.dirty[2] = r.dirty[3] = 0;
    }
    ++r.drawCount;
}

void RenderTarget::endDraw()
{
    RenderTarget& r = rootTarget();
    if (--r.drawCount == 0 && r.target) {
        if (int32_t result = r.target->endDraw())
            throw System::makeHresultException("target->EndDraw", "Media::RenderTarget::endDraw", result);
        if (r.present && r.dirty[2] > r.dirty[0] && r.dirty[3] > r.dirty[1])
            r.present(r.dirty[0], r.dirty[1], r.dirty[2], r.dirty[3]);
    }
}

void RenderTarget::markDirty(int left, int top, int right, int bottom)
{
    RenderTarget& r = rootTarget();
    if (right <= left || bottom <= top)
        return;
    int* d = r.dirty;
    if (d[2] <= d[0] || d[3] <= d[1]) {
        d[0] = left;
        d[1] = top;
        d[2] = right;
        d[3] = bottom;
        return;
    }
    d[0] = std::min(d[0], left);
    d[1] = std::min(d[1], top);
    d[2] = std::max(d[2], right);
    d[3] = std::max(d[3], bottom);
}

RenderTarget::DrawSection::DrawSection(RenderTarget& render, int left, int top, int right, int bottom, bool absolute)
    : end_(render), render_(render)
{
    end_.beginDraw();
    savedClip_[0] = render.clipLeft;
    savedClip_[1] = render.clipTop;
    savedClip_[2] = render.clipWidth;
    savedClip_[3] = render.clipHeight;
    savedOrigin_[0] = render.originX;
    savedOrigin_[1] = render.originY;
    const int width = right - left, height = bottom - top;
    if (absolute) {
        render.clipLeft = left;
        render.clipTop = top;
        render.clipWidth = width;
        render.clipHeight = height;
        render.originX = left;
        render.originY = top;
        render.markDirty(left, top, right, bottom);
        if (left == savedClip_[0] && top == savedClip_[1] && width == savedClip_[2] && height == savedClip_[3])
            return;
    } else {
        const int x = savedClip_[0] + left, y = savedClip_[1] + top;
        render.clipLeft = x;
        render.clipTop = y;
        render.clipWidth = width;
        render.clipHeight = height;
        render.originX = x;
        render.originY = y;
        render.markDirty(x, y, x + width, y + height);
    }
    if (render.target) {
        render.target->pushAxisAlignedClip(
            Rect{float(render.clipLeft), float(render.clipTop), float(render.clipLeft + width), float(render.clipTop + height)},
            true);
        pushed_ = true;
    }
}

RenderTarget::DrawSection::~DrawSection()
{
    if (pushed_)
        render_.target->popAxisAlignedClip();
    render_.clipLeft = savedClip_[0];
    render_.clipTop = savedClip_[1];
    render_.clipWidth = savedClip_[2];
    render_.clipHeight = savedClip_[3];
    render_.originX = savedOrigin_[0];
    render_.originY = savedOrigin_[1];
    try {
        end_.endDraw();
    } catch (const std::exception&) {
        // Reported through the log by the failure factory; a destructor must not throw.
    }
}

void RenderTarget::drawText(const wchar_t* text, Platform::Draw::TextFormat* format, Platform::Draw::Brush* brush, int x,
                            int y, int width, int height)
{
    const float left = float(originX + x), top = float(originY + y);
    const float right = width != 0 ? left + width : float(clipLeft + clipWidth);
    const float bottom = height != 0 ? top + height : float(clipTop + clipHeight);
    target->drawText(text, std::wcslen(text), *format, Rect{left, top, right, bottom}, *brush, true);
}

void RenderTarget::drawRect(int left, int top, int right, int bottom, Platform::Draw::Brush* brush, int strokeWidth,
                            Platform::Draw::StrokeStyle* style)
{
    target->drawRectangle(Rect{left + 0.5f + originX, top + 0.5f + originY, right - 0.5f + originX, bottom - 0.5f + originY},
                          *brush, float(strokeWidth), style);
}

void RenderTarget::drawLine(int x0, int y0, int x1, int y1, Platform::Draw::Brush* brush, int strokeWidth,
                            Platform::Draw::StrokeStyle* style)
{
    target->drawLine(Point{x0 + 0.5f + originX, y0 + 0.5f + originY}, Point{x1 + 0.5f + originX, y1 + 0.5f + originY},
                     *brush, float(strokeWidth), style);
}

void RenderTarget::fillRect(int left, int top, int right, int bottom, Platform::Draw::Brush* brush)
{
    target->fillRectangle(Rect{float(left + originX), float(top + originY), float(right + originX), float(bottom + originY)},
                          *brush);
}

void RenderTarget::drawBitmap(Platform::Draw::Bitmap* bitmap, int left, int top, int right, int bottom, float opacity)
{
    target->drawBitmap(*bitmap,
                       Rect{float(left + originX), float(top + originY), float(right + originX), float(bottom + originY)},
                       opacity, Platform::Draw::Interpolation::Linear);
}

void RenderTarget::fillGradientRectHorizontal(int left, int top, int right, int bottom,
                                              Platform::Draw::LinearGradientBrush* brush)
{
    const float middle = (top + bottom) / 2.0f + originY;
    brush->setStartPoint({float(left + originX), middle});
    brush->setEndPoint({float(right + originX), middle});
    fillRect(left, top, right, bottom, brush);
}

void RenderTarget::fillGradientRectVertical(int left, int top, int right, int bottom,
                                            Platform::Draw::LinearGradientBrush* brush)
{
    const float middle = (left + right) / 2.0f + originX;
    brush->setStartPoint({middle, float(top + originY)});
    brush->setEndPoint({middle, (top + bottom) / 2.0f + originY});
    fillRect(left, top, right, bottom, brush);
}

namespace {
void buildFigure(Platform::Draw::PathGeometry& path, const Point* points, int count, int ox, int oy, const char* place)
{
    Platform::Draw::GeometrySink* sink = path.open();
    if (!sink)
        throw System::makeHresultException("path->Open", place, static_cast<int32_t>(0x88990001u));
    sink->beginFigure({points[0].x + ox, points[0].y + oy}, true);
    for (int i = 1; i < count; ++i)
        sink->addLine({points[i].x + ox, points[i].y + oy});
    sink->endFigure(true);
    if (!sink->close())
        throw System::makeHresultException("slink->Close", place, static_cast<int32_t>(0x88990001u));
}
} // namespace

void RenderTarget::drawPath(const Point* points, int count, Platform::Draw::Brush* brush, float strokeWidth,
                            Platform::Draw::StrokeStyle* style)
{
    if (count <= 0)
        return;
    Platform::Draw::PathGeometry path;
    buildFigure(path, points, count, originX, originY, "Media::RenderTarget::drawPath");
    target->drawGeometry(path, *brush, strokeWidth, style);
}

void RenderTarget::fillPath(const Point* points, Platform::Draw::Brush* brush)
{
    Platform::Draw::PathGeometry path;
    buildFigure(path, points, 3, originX, originY, "Media::RenderTarget::fillPath");
    target->fillGeometry(path, *brush);
}

void WindowTemporaryImage::pushImage(const int* pos, RenderTarget& r, int l, int, int w, int h)
{
    position = pos;
    render = &r;
    Platform::Draw::Bitmap* bitmap = image.get();
    if (!bitmap || w != width || h != height) {
        if (!r.target)
            throw System::makeHresultException("render->target->CreateBitmap", "Media::WindowTemporaryImage::pushImage",
                                               static_cast<int32_t>(0x80004003u));
        image.reset(r.target->createBitmap(w, h));
    }
    left = l;
    top = 0;
    width = w;
    height = h;
    if (!r.target->copyToBitmap(*image.get(), 0, 0, pos[0] + left, pos[1], pos[0] + left + width, pos[1] + height))
        throw System::makeHresultException("image->CopyFromRenderTarget", "Media::WindowTemporaryImage::pushImage",
                                           static_cast<int32_t>(0x80070057u));
}

void WindowTemporaryImage::popImage()
{
    if (!render || !image.get())
        return;
    RenderTarget& root = render->root ? *render->root : *render;
    const Rect destination{float(position[0] + left), float(position[1] + top), float(position[0] + left + width),
                           float(position[1] + top + height)};
    root.beginDraw();
    root.markDirty(int(destination.left), int(destination.top), int(destination.right), int(destination.bottom));
    try {
        root.target->drawBitmap(*image.get(), destination, 1.0f, Platform::Draw::Interpolation::NearestNeighbor);
    } catch (...) {
        root.endDraw();
        throw;
    }
    root.endDraw();
}

} // namespace Media
