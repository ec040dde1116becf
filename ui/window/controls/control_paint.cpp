#include "ui/window/controls/control_paint.h"

#include "media/text_format.h"
#include "platform/draw/target.h"
#include "platform/draw/text.h"
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

const TextSize& CachedText::layout(Platform::Draw::TextFormat& format, const std::wstring& text)
{
    if (layout_ && format_ == &format && text_ == text)
        return size_;
    text_ = text;
    format_ = &format;
    layout_ = std::make_shared<Platform::Draw::TextLayout>(text.data(), text.size(), format, 65536.0f, 65536.0f);
    const Platform::Draw::TextMetrics m = layout_->getMetrics();
    size_ = {int(std::ceil(m.width)), int(std::ceil(m.height))};
    return size_;
}

void CachedText::draw(Window::WindowControlRenderTarget& c, int x, int y, Platform::Draw::Brush* brush) const
{
    if (!layout_ || text_.empty() || !brush || !c.target)
        return;
    c.target->drawTextLayout({float(c.originX + x), float(c.originY + y)}, *layout_, *brush);
}

Platform::Draw::Brush* brushOf(Window::WindowControlRenderTarget& c, int index)
{
    return c.colorBrushList ? c.colorBrushList->get(index) : nullptr;
}

} // namespace Control
