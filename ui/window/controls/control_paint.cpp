#include "ui/window/controls/control_paint.h"

#include "media/text_format.h"
#include "ui/window/color_brush_list.h"

#include <cmath>

namespace Control {

bool openPaint(Window::WindowControlRenderTarget& c, PaintSection& section)
{
    const Window::Rect& v = c.visibleRect;
    if (!c.visible || v.width <= 0 || v.height <= 0 || !c.target)
        return false;
    section.emplace(c, v.x, v.y, v.x + v.width, v.y + v.height, true);
    c.originX = c.rect.x;
    c.originY = c.rect.y;
    return true;
}

TextSize measureText(Platform::Draw::TextFormat& format, const std::wstring& text)
{
    const Platform::Draw::TextMetrics m = Resource::TextLayout(format, text.c_str(), text.size()).getMetrics();
    return {int(std::ceil(m.width)), int(std::ceil(m.height))};
}

void drawTextAt(Window::WindowControlRenderTarget& c, Platform::Draw::TextFormat& format, const std::wstring& text,
                int x, int y, Platform::Draw::Brush* brush)
{
    if (text.empty() || !brush)
        return;
    // An unbounded box (the text never wraps); the open section clips.
    constexpr int Unbounded = 65536;
    c.drawText(text.c_str(), &format, brush, x, y, Unbounded, Unbounded);
}

Platform::Draw::Brush* brushOf(Window::WindowControlRenderTarget& c, int index)
{
    return c.colorBrushList ? c.colorBrushList->get(index) : nullptr;
}

} // namespace Control
