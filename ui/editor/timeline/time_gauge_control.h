#pragma once
// The time ruler above the object view: time labels and ticks, the frame
// selection and the cursor. Its presses and wheel are the object view's,
// handed down with y < 0 (scrub the cursor, clear the selection with a
// double click, pan with the right button).
#include "media/resource_service.h"
#include "ui/window/window_control.h"

namespace Component {

class EditComponent;

class TimeGaugeControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    TimeGaugeControl(Window::ControlContainer& container, EditComponent& owner, int x, int y, int width, int height);

    void procLButtonDown(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procContextMenu(int x, int y) override;
    void procPaint() override;

    // The tick step in frames for the UI scale and zoom (at least 1 frame).
    static int tickStep(float uiScale, int zoom);

    EditComponent& owner;
    float uiScale = 1.0f;
};

} // namespace Component
