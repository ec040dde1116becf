#include "ui/settings/subwindows/subwindow_paint.h"

#include "media/resource_service.h"
#include "platform/draw/resources.h"
#include "platform/draw/target.h"
#include "ui/window/window_control.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Component::Paint {

namespace {

Platform::Draw::Point at(const Window::WindowControlRenderTarget& c, float x, float y)
{
    return {x + float(c.originX), y + float(c.originY)};
}

// A closed polygon close enough to a circle at this radius.
void circlePath(Window::WindowControlRenderTarget& c, Platform::Draw::PathGeometry& path, float cx, float cy, float r,
                bool filled)
{
    const int n = std::clamp(int(r * 2.0f), 16, 256);
    Platform::Draw::GeometrySink* sink = path.open();
    if (!sink)
        return;
    sink->beginFigure(at(c, cx + r, cy), filled);
    for (int i = 1; i < n; ++i) {
        const double a = 2.0 * std::numbers::pi * i / n;
        sink->addLine(at(c, cx + r * float(std::cos(a)), cy + r * float(std::sin(a))));
    }
    sink->endFigure(true);
    sink->close();
}

} // namespace

void line(Window::WindowControlRenderTarget& c, float x0, float y0, float x1, float y1, Platform::Draw::Brush* brush,
          float width, bool dashed)
{
    if (!c.target || !brush)
        return;
    Platform::Draw::StrokeStyle* style = nullptr;
    if (dashed)
        if (Resource::ResourceService* resources = Resource::ResourceService::Get())
            style = resources->strokeStyles.get(Resource::StrokeStyleList::Dashed);
    c.target->drawLine(at(c, x0, y0), at(c, x1, y1), *brush, width, style);
}

void frame(Window::WindowControlRenderTarget& c, float left, float top, float right, float bottom,
           Platform::Draw::Brush* brush, float width)
{
    if (!c.target || !brush)
        return;
    const Platform::Draw::Point a = at(c, left, top), b = at(c, right, bottom);
    c.target->drawRectangle({a.x, a.y, b.x, b.y}, *brush, width, nullptr);
}

void fill(Window::WindowControlRenderTarget& c, float left, float top, float right, float bottom,
          Platform::Draw::Brush* brush)
{
    if (!c.target || !brush)
        return;
    const Platform::Draw::Point a = at(c, left, top), b = at(c, right, bottom);
    c.target->fillRectangle({a.x, a.y, b.x, b.y}, *brush);
}

void circle(Window::WindowControlRenderTarget& c, float cx, float cy, float radius, Platform::Draw::Brush* brush,
            float width)
{
    if (!c.target || !brush || !(radius > 0.0f))
        return;
    Platform::Draw::PathGeometry path;
    circlePath(c, path, cx, cy, radius, false);
    c.target->drawGeometry(path, *brush, width, nullptr);
}

void disc(Window::WindowControlRenderTarget& c, float cx, float cy, float radius, Platform::Draw::Brush* brush)
{
    if (!c.target || !brush || !(radius > 0.0f))
        return;
    Platform::Draw::PathGeometry path;
    circlePath(c, path, cx, cy, radius, true);
    c.target->fillGeometry(path, *brush);
}

Platform::Draw::Color halfColor(Platform::Draw::Brush* brush)
{
    Platform::Draw::Color colour{0.5f, 0.5f, 0.5f, 0.5f};
    if (auto* solid = dynamic_cast<Platform::Draw::SolidColorBrush*>(brush)) {
        colour = solid->getColor();
        colour.a *= 0.5f;
    }
    return colour;
}

float contrastGrey(float r, float g, float b)
{
    const float luma = 0.299f * r + 0.587f * g + 0.114f * b;
    return std::clamp(luma >= 0.5f ? luma - 0.66f : luma + 0.66f, 0.2f, 0.8f);
}

} // namespace Component::Paint
