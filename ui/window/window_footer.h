#pragma once
// The status strip at the bottom of the main window: a left and a right text,
// or, while a busy message is set, that message over a progress bar (the wait
// cursor shows meanwhile). The left text is cut before the right one rather
// than overlapping it. Owned by the window service. Main thread only.
#include "media/render_target.h"

#include <string>

namespace Window {

class ColorBrushList;
class WindowService;

class WindowFooter : public Media::RenderTarget {
public:
    explicit WindowFooter(WindowService& window);

    // Each non-null text that differs is stored; redraws when something changed.
    void setText(const wchar_t* left, const wchar_t* right);
    // The (translated) text and, after a space, the detail, over a bar filled
    // to progress; an empty text clears the message.
    void setMessage(const std::wstring& text, const std::wstring& detail, float progress);
    // Paints the footer (every paint and resize of the window, and the setters).
    void draw();
    // The footer's rectangle: the full client width, the bottom FooterHeight pixels.
    void getRect(int& left, int& top, int& right, int& bottom) const;

    WindowService* window;
    ColorBrushList* colorBrushList;
    std::wstring leftText;
    std::wstring rightText;
    std::wstring message;
    float progress = 0.0f;
};

} // namespace Window
