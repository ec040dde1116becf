#pragma once
// The player bar along the bottom of the preview: the time counter, the
// track bar over the scene, eight buttons (play or pause, stop, frame and
// section steps, range start and end), the volume and the zoom button.
// Main thread only.
#include "media/resource_service.h"
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/scroll_bar_control.h"

#include <memory>
#include <vector>

namespace Render { class MoviePlayer; }

namespace Component {

class PreviewEditComponent;

class TimeCounterControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    TimeCounterControl(Window::WindowControl& parent, Render::MoviePlayer* player);
    void procPaint() override;
    // The counter's text for the frame shown.
    std::wstring text() const;
    // The width the longest text needs.
    int textWidth();

    Render::MoviePlayer* player;
    Control::CachedText shownText;
};

class VolulmeButtonControl : public SliderButtonControl {
public:
    VolulmeButtonControl(Window::WindowControl& parent, int x, int width, Render::MoviePlayer* player);
    int getValue() override;
    std::wstring getValueText() override;
    void setValue(int valueAtPress, int delta) override;
    void setVolume(int volume);
    void procContextMenu(int x, int y) override;
    void procRelease() override;

    Render::MoviePlayer* player;
};

class ZoomButtonControl : public Control::BitmapButtonControl {
public:
    ZoomButtonControl(Window::WindowControl& parent, int x, int width, PreviewEditComponent& preview);
    void procLButtonDown(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseDrag(int dx, int dy) override;
    void procContextMenu(int x, int y) override;
    void procRelease() override;
    std::wstring zoomText() const;

    PreviewEditComponent& preview;
    bool scrollMode = false;
    int startZoom = 0;
    int startScrollX = 0, startScrollY = 0;
};

class PlayerNavigateControl : public Window::WindowControlRenderTarget {
public:
    PlayerNavigateControl(Window::ControlContainer& container, PreviewEditComponent& preview,
                          Render::MoviePlayer* player);

    void updatePosition();
    void updateButtons();
    // Steps the cursor (held to the scene) without an edit transaction.
    void stepFrame(int delta);

    void procContextMenu(int x, int y) override;
    void procPaint() override;
    void procMove() override;

    PreviewEditComponent& preview;
    Render::MoviePlayer* player;
    Window::ControlContainer container;
    Control::LayoutControl inset;
    TimeCounterControl timeCounter;
    Control::TrackBarControl trackBar;
    Control::LayoutControl buttonRow;
    std::vector<std::unique_ptr<Control::IconButtonControl>> buttons;
    Control::LayoutControl volumeRow;
    VolulmeButtonControl volumeButton;
    ZoomButtonControl zoomButton;
};

} // namespace Component
