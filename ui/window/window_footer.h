#pragma once
// The main window's footer and the program's one tooltip. Without a window
// they keep what they were asked to show and log it.
#include <string>

namespace Window {

class WindowFooter {
public:
    static WindowFooter& get();

    // Shows the (translated) title and, after a space, the detail instead of
    // the usual texts, with a progress bar filled to the fraction above 0. An
    // empty title restores the usual footer.
    void setMessage(const std::wstring& title, const std::wstring& detail, float progress);
    // The text shown instead of the usual ones; empty when they show.
    std::wstring message() const;

    std::wstring title;
    std::wstring detail;
    float progress = 0.0f;
};

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class ToolTips {
public:
    static ToolTips& get();

    // Shows the text at the point (screen pixels).
    void show(ScreenPoint point, const std::wstring& text);
    // Shows the text below the mouse cursor, moved down by the cursor's
    // height, until the mouse moves. Without a window the cursor stands at 0, 0.
    void showAtCursor(const std::wstring& text);
    static constexpr int CursorHeight = 32;
    void hide();

    bool visible = false;
    ScreenPoint point;
    std::wstring text;
};

} // namespace Window
