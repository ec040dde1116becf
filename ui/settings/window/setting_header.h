#pragma once
// The settings window's fixed header: the section gauge of the shown object
// (its length, mid-points, current section and the scene cursor; presses
// and drags move the cursor inside the object, points within 8 pixels catch
// it; the context menu holds the mid-point commands) and the button that
// adds a filter. The wheel over the header steps the cursor one frame.
#include "ui/window/controls/button_control.h"
#include "ui/window/controls/list_controls.h"

#include <string>

namespace Edit { class Object; }

namespace Component { class SettingComponent; }

namespace Control {

class SettingHeaderGaugeControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    SettingHeaderGaugeControl(Component::SettingComponent& setting, Window::ControlContainer& container, int width);

    // The object shown (null: the empty gauge).
    void setObject(const Edit::Object* object);
    void updateMetrics();
    // Frames from the object's start at a pixel of the gauge (0 when too small).
    int frameAt(int x) const;
    // The pixel of a scene frame on the bar, -1 outside the object.
    int pixelOf(int frame) const;
    // The scene frame of point k (0 the start, n + 1 the end's frame end + 1).
    int pointFrame(int k) const;
    // The point within 8 pixels of x, the earlier on a tie; -1 when none.
    int hitTestPoint(int x) const;
    void setCursorFromPosition(int x);
    void showMenu();
    void drawPointMark(int x, Platform::Draw::Brush* brush);
    void drawSectionMark(int point, Platform::Draw::Brush* brush);
    // "%s%02d:%02d.%02d" of a frame count of the current scene.
    static std::wstring formatLength(int frames);
    // The tooltip of point k: scene time ( offset from the start ).
    std::wstring pointToolTip(int k) const;

    void procMouseMove(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procLButtonDown(int x, int y) override;
    void procMouseLeave() override;
    void procMouseHover() override;
    void procPaint() override;
    void procMove() override;

    Component::SettingComponent& setting;
    const Edit::Object* object = nullptr;
    int length = 0; // L = end - start + 1
    int start = 0;
    int cursorFrame = 0;
    int barWidth = 0, barHeight = 0;
    int hoveredPoint = -1, hoveredSection = -1;
    int stripHeight = 8, sideMargin = 12, topOffset = 12;
    CachedText lengthText, offsetText, emptyText;
};

// The add-filter button's plus.
extern const IconSet plusIcon;
// Moves the scene cursor through the edit service.
void moveCursor(int frame);

} // namespace Control

namespace Component {

class SettingHeader : public Window::WindowControlRenderTarget {
public:
    SettingHeader(SettingComponent& setting, Window::ControlContainer& container, int height);

    // The shown object may have changed: the gauge and the add-filter button follow.
    void updateTarget();
    // The gauge shows the cursor at the frame and repaints.
    void setCursorFrame(int frame);
    void showAddFilterMenu();

    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procContextMenu(int x, int y) override;
    void procPaint() override;
    void procMove() override;

    SettingComponent& setting;
    Window::ControlContainer children;
    Control::SettingHeaderGaugeControl gauge;
    Control::LayoutControl buttonBox;
    Control::IconButtonControl addFilter;
};

} // namespace Component
