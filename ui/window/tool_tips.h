#pragma once
// The program's one tooltip: a text at a screen point, shown for a time
// (> 0 ms), until the next mouse move or click (< 0), or until replaced or
// hidden (0). Texts pass through the "Message" table while a language is
// loaded and are cut at 1023 characters; a tip reaching past the right edge
// of the desktop moves left to fit. The window is made on first use (only
// where the application object exists; elsewhere the state is kept and
// logged) and goes at shut-down (release). Main thread only.
#include "core/timer.h"

#include <memory>
#include <string>

namespace Platform::Ui {
class TipWindow;
}

namespace Window {

struct ScreenPoint {
    int x = 0;
    int y = 0;
};

class ToolTips {
public:
    // The process-wide tip.
    static ToolTips& get();
    ToolTips() = default;
    ~ToolTips();
    ToolTips(const ToolTips&) = delete;
    ToolTips& operator=(const ToolTips&) = delete;

    void show(ScreenPoint point, const std::wstring& text, int durationMs = 0);
    // Below the mouse cursor (moved down by the cursor's height) until the next move.
    void showAtCursor(const std::wstring& text);
    static constexpr int CursorHeight = 32;
    // The title (through the "Message" table), a space and the text, one
    // pixel below a window's bottom-left corner (screen pixels), for 3 seconds.
    void showBelowWindow(int left, int bottom, const std::wstring& title, const std::wstring& text);
    void hide();
    // Hides and drops the tip's window (the shut-down list runs it).
    void release();

    // The router's two hide points: a tip shown until the next move, and any shown tip.
    static void hideUntilMoveTip();
    static void hideShownTip();

    bool shown = false;
    int duration = 0;
    ScreenPoint point; // where the tip stands, after the edge shift
    std::wstring text;
    System::Timer timer;
    std::unique_ptr<Platform::Ui::TipWindow> window;

private:
    void initialize();
    bool released_ = true;
};

} // namespace Window
