#include "ui/editor/preview/level_meter_control.h"

#include "platform/draw/target.h"
#include "platform/draw/text.h"
#include "render/movie_player.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/controls/control_paint.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace Component {

namespace {
using Brushes = Window::ColorBrushList;
}

LevelMeterControl::LevelMeterControl(Window::ControlContainer& container, Render::MoviePlayer* p)
    : WindowControlRenderTarget(container, 0, 0, 0, 0), player(p)
{
}

int LevelMeterControl::toPixels(float db, int full)
{
    const float fraction = std::clamp((db + 60.0f) / 60.0f, 0.0f, 1.0f);
    return int(std::lround(float(full) * fraction));
}

void LevelMeterControl::procMove()
{
    const int W = rect.width, H = rect.height;
    barWidth = std::max((W - 6) / 2, 1);
    bar1Left = 2;
    bar2Left = barWidth + 4;
    bottom = H;
    fullScale = std::max(H, 1);
    markThickness = std::max(H / 200, 3);
    const int yellow = player ? player->levelMeterThresholdYellow : -20;
    const int red = player ? player->levelMeterThresholdRed : -3;
    yellowThreshold = toPixels(float(std::clamp(yellow, -60, 0)), fullScale);
    redThreshold = toPixels(float(std::clamp(red, -60, 0)), fullScale);
}

void LevelMeterControl::reset()
{
    std::fill(std::begin(values), std::end(values), -60.0f);
}

std::vector<LevelMeterControl::Band> LevelMeterControl::barBands(float level, int B, int Y, int R, int F)
{
    const int L = toPixels(level, F);
    if (L < Y)
        return {{B - L, B, Brushes::LevelMeterGreen0},
                {B - Y, B - L, Brushes::LevelMeterGreen1},
                {B - R, B - Y, Brushes::LevelMeterYellow1},
                {B - F, B - R, Brushes::LevelMeterRed1}};
    if (L < R)
        return {{B - Y, B, Brushes::LevelMeterGreen0},
                {B - L, B - Y, Brushes::LevelMeterYellow0},
                {B - R, B - L, Brushes::LevelMeterYellow1},
                {B - F, B - R, Brushes::LevelMeterRed1}};
    return {{B - Y, B, Brushes::LevelMeterGreen0},
            {B - R, B - Y, Brushes::LevelMeterYellow0},
            {B - L, B - R, Brushes::LevelMeterRed0},
            {B - F, B - L, Brushes::LevelMeterRed1}};
}

void LevelMeterControl::drawBar(int x0, int x1, const float* v)
{
    for (const Band& band : barBands(v[0], bottom, yellowThreshold, redThreshold, fullScale))
        if (band.bottom > band.top)
            fillRect(x0, band.top, x1, band.bottom, Control::brushOf(*this, band.brush));
    Platform::Draw::Brush* background = Control::brushOf(*this, Brushes::Background);
    for (int d = -5; d >= -55; d -= 5) {
        const int y = bottom - toPixels(float(d), fullScale);
        fillRect(x0, y, x1, y + 1, background);
    }
    const int B = bottom;
    const int hold = toPixels(v[2], fullScale);
    const int holdBrush = hold < yellowThreshold ? Brushes::LevelMeterGreen0
                        : hold < redThreshold    ? Brushes::LevelMeterYellow0
                                                 : Brushes::LevelMeterRed0;
    fillRect(x0, B - hold, x1, B - std::max(hold - markThickness, 0), Control::brushOf(*this, holdBrush));
    const int rms = toPixels(v[1], fullScale);
    fillRect(x0, B - rms, x1, B - std::max(rms - markThickness, 0), background);
}

void LevelMeterControl::drawScale()
{
    Platform::Draw::TextFormat& format = *textFormatList->get(Resource::TextFormatList::LevelMeter);
    Platform::Draw::Brush* outline = Control::brushOf(*this, Brushes::Background);
    Platform::Draw::Brush* ink = Control::brushOf(*this, Brushes::Text);
    const int W = rect.width;
    for (int d = 0; d >= -55; d -= 5) {
        const std::wstring text = std::to_wstring(d);
        Platform::Draw::TextLayout layout(text.data(), text.size(), format, 65536.0f, 65536.0f);
        const int m = int(std::ceil(layout.getMetrics().width));
        const int y = bottom - toPixels(float(d), fullScale);
        const int at[5][2] = {{W - m - 1, y - 1}, {W - m - 2, y}, {W - m, y}, {W - m - 1, y + 1}, {W - m - 1, y}};
        for (int i = 0; i < 5; ++i)
            target->drawTextLayout({float(originX + at[i][0]), float(originY + at[i][1])}, layout,
                                   i < 4 ? *outline : *ink);
    }
}

void LevelMeterControl::procPaint()
{
    Control::PaintSection section;
    if (!Control::openPaint(*this, section))
        return;
    fillRect(0, 0, rect.width, rect.height, Control::brushOf(*this, Brushes::Background));
    drawBar(bar1Left, bar1Left + barWidth, values);
    drawBar(bar2Left, bar2Left + barWidth, values + 4);
    if (hovered && Render::MoviePlayer::isPlaybackRunning())
        drawScale();
}

void LevelMeterControl::procMouseEnter()
{
    procPaint();
}

void LevelMeterControl::procMouseLeave()
{
    procPaint();
}

} // namespace Component
