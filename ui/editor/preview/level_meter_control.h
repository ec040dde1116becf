#pragma once
// The preview's level meter: two vertical bars in dB (-60 at the bottom, 0 at
// the top), green, yellow and red zones lit up to the level with the player's
// thresholds, a hold mark, an rms mark, ticks every 5 dB and, while the
// pointer rests on it during playback, a scale. Main thread only.
#include "media/resource_service.h"
#include "ui/window/window_control.h"

#include <vector>

namespace Render { class MoviePlayer; }

namespace Component {

class LevelMeterControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    LevelMeterControl(Window::ControlContainer& container, Render::MoviePlayer* player);

    void procPaint() override;
    void procMove() override;
    void procMouseEnter() override;
    void procMouseLeave() override;

    // Pixels of a dB value over the full scale (halves away from zero).
    static int toPixels(float db, int fullScale);
    // The rectangles of one bar, bottom-up: (top, bottom, brush index) each.
    struct Band {
        int top, bottom, brush;
    };
    static std::vector<Band> barBands(float level, int bottom, int yellow, int red, int fullScale);
    void drawBar(int x0, int x1, const float* block);
    void drawScale();
    // Every value -60 dB.
    void reset();

    Render::MoviePlayer* player;
    int bar1Left = 2, bar2Left = 0, barWidth = 1;
    int bottom = 0, fullScale = 1, markThickness = 3;
    int yellowThreshold = 0, redThreshold = 0;
    int frame = 0;
    float values[8] = {-60, -60, -60, -60, -60, -60, -60, -60};
};

} // namespace Component
