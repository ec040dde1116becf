#pragma once
// What every drawn control does around its drawing: the section on the
// visible rectangle with the origin at the control's corner, and texts laid
// out once, measured in whole pixels and drawn clipped to the section.
#include "ui/window/window_control.h"

#include <memory>
#include <optional>
#include <string>

namespace Platform::Draw {
class Brush;
class TextFormat;
class TextLayout;
} // namespace Platform::Draw

namespace Control {

using PaintSection = std::optional<Media::RenderTarget::DrawSection>;

// Opens the section unless the control is hidden or its visible rectangle
// is empty (then false: draw nothing). The origin becomes the control's
// unclipped corner.
bool openPaint(Window::WindowControlRenderTarget& control, PaintSection& section);

// A laid-out text's width and height, each rounded up.
struct TextSize {
    int width = 0, height = 0;
};

// A control's text laid out once and kept until its text or format changes,
// so that a repaint lays nothing out again.
class CachedText {
public:
    // Lays the text out when it or the format changed; its size.
    const TextSize& layout(Platform::Draw::TextFormat& format, const std::wstring& text);
    // The last layout at (x, y) of the control, clipped to the open section.
    void draw(Window::WindowControlRenderTarget& control, int x, int y, Platform::Draw::Brush* brush) const;

private:
    std::wstring text_;
    Platform::Draw::TextFormat* format_ = nullptr;
    std::shared_ptr<Platform::Draw::TextLayout> layout_;
    TextSize size_;
};

// The theme brush of an index.
Platform::Draw::Brush* brushOf(Window::WindowControlRenderTarget& control, int index);

} // namespace Control
