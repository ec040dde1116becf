#pragma once
// Drawing in control pixels with fractional coordinates and pen widths, for
// the colour and curve windows' rings, markers and curves. Every call draws
// inside the section that Control::openPaint opened (its origin is the
// control's corner); a null brush draws nothing.
#include "platform/draw/types.h"

namespace Platform::Draw { class Brush; }
namespace Window { class WindowControlRenderTarget; }

namespace Component::Paint {

void line(Window::WindowControlRenderTarget& c, float x0, float y0, float x1, float y1, Platform::Draw::Brush* brush,
          float width, bool dashed = false);
void frame(Window::WindowControlRenderTarget& c, float left, float top, float right, float bottom,
           Platform::Draw::Brush* brush, float width);
void fill(Window::WindowControlRenderTarget& c, float left, float top, float right, float bottom,
          Platform::Draw::Brush* brush);
void circle(Window::WindowControlRenderTarget& c, float cx, float cy, float radius, Platform::Draw::Brush* brush,
            float width);
void disc(Window::WindowControlRenderTarget& c, float cx, float cy, float radius, Platform::Draw::Brush* brush);
// The brush's colour at half its opacity (a solid brush; others as they are).
Platform::Draw::Color halfColor(Platform::Draw::Brush* brush);
// The grey that stands out against a colour: luma ± 0.66, held to 0.2 .. 0.8.
float contrastGrey(float r, float g, float b);

} // namespace Component::Paint
