#pragma once
// What every drawn control does around its drawing: the section on the
// visible rectangle with the origin at the control's corner, text measured
// in whole pixels, and text drawn clipped to the section.
#include "ui/window/window_control.h"

#include <optional>
#include <string>

namespace Platform::Draw {
class Brush;
class TextFormat;
} // namespace Platform::Draw

namespace Control {

using PaintSection = std::optional<Media::RenderTarget::DrawSection>;

// Opens the section unless the control is hidden or its visible rectangle
// is empty (then false: draw nothing). The origin becomes the control's
// unclipped corner.
bool openPaint(Window::WindowControlRenderTarget& control, PaintSection& section);

struct TextSize {
    int width = 0, height = 0;
};
// The laid-out text's width and height, each rounded up.
TextSize measureText(Platform::Draw::TextFormat& format, const std::wstring& text);
// The text at (x, y) of the control, clipped to the open section.
void drawTextAt(Window::WindowControlRenderTarget& control, Platform::Draw::TextFormat& format, const std::wstring& text,
                int x, int y, Platform::Draw::Brush* brush);

// The theme brush of an index.
Platform::Draw::Brush* brushOf(Window::WindowControlRenderTarget& control, int index);

} // namespace Control
