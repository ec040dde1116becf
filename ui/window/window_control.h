#pragma once
// The control base. A control is a WindowMouse with a rectangle computed from
// four layout numbers inside its parent's area, clipped to the parent's
// visible rectangle (it is hit only where it is visible), registered in a
// ControlContainer of its owner (a panel or a composite control), and drawn by
// its own procPaint. There are no native child windows.
//
// Layout rule (updateRect), with the parent area A = {ax, ay, aw, ah}:
//   left = (x < 0 ? ax + aw : ax) + x, top likewise with y and ah;
//   right = w > 0 ? left + w : max(left, ax + aw + w), bottom likewise.
// So a negative x counts from the right edge and a width <= 0 stretches to
// the right edge minus its magnitude: (-20, 0, 20, 0) is a 20-pixel column at
// the right over the full height, (0, 22, 0, 0) the area below a 22-pixel header.
//
// Drawing convention of every drawn control: draw nothing unless visible and
// visibleRect is not empty; open an absolute draw section on visibleRect;
// fill the background; set the origin to (rect.x, rect.y); draw; close. The
// body colour of a state: disabled ButtonBodyDisable, pressed ButtonBodyPress,
// hovered ButtonBodyHover, else ButtonBody. Main thread only.
#include "media/render_target.h"
#include "ui/window/window_mouse.h"

#include <vector>

namespace Window {

class ColorBrushList;
class WindowControl;

// The child list of a panel or composite control, with its layout pass.
struct ControlContainer {
    // origin: subtracted from the owner's rectangle to form the children's area
    // (a list's item container scrolls by it); basePriority + 1 is the
    // children's hit-test priority; clip: the owner's visible rectangle;
    // owner: the owner's full rectangle.
    ControlContainer(int originX, int originY, int basePriority, const Rect* clip, const Rect* owner);
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    // area = owner moved by -origin, then each control's updateRect and procMove in order.
    void updateLayout();
    // Each control's procPaint in order, over a copy of the list (painting may
    // add or remove controls).
    void paint();

    int originX, originY;
    int basePriority;
    const Rect* clipRect;
    const Rect* ownerRect;
    Rect area;
    std::vector<WindowControl*> controls; // not owned
};

class WindowControl : public WindowMouse {
public:
    // A control of a container (priority basePriority + 1).
    WindowControl(ControlContainer& container, int x, int y, int width, int height);
    // A control inside another control (priority the parent's + 1, clipped to
    // the parent's visible rectangle, laid out in the parent's rectangle).
    WindowControl(WindowControl& parent, int x, int y, int width, int height);
    ~WindowControl() override;

    virtual void procPaint() = 0;
    // The rectangle changed.
    virtual void procMove();
    // Recomputes the rectangle from the layout numbers.
    virtual void updateRect();
    // Stores rect and visibleRect (clipped); calls neither procMove nor procPaint.
    void setRect(int left, int top, int right, int bottom);
    // The tooltip at the control's right edge + 2 and its top, until hidden.
    void showToolTip(const wchar_t* text);

    ControlContainer* container;
    Rect visibleRect;
    Rect rect;
    int placeX, placeY, placeWidth, placeHeight;
    const Rect* clipRect;
    const Rect* areaRect;

private:
    void baseUpdateRect();
};

// The base of every drawn control: the control plus the drawing part bound
// to the main window's target, draw scope and brush list.
class WindowControlRenderTarget : public WindowControl, public Media::RenderTarget {
public:
    WindowControlRenderTarget(WindowControl& parent, int x, int y, int width, int height);
    WindowControlRenderTarget(ControlContainer& container, int x, int y, int width, int height);

    // An absolute draw section over (left, top)-(right, bottom) of the control's
    // rect, each edge held inside visibleRect.
    struct Section {
        Section(WindowControlRenderTarget& control, int left, int top, int right, int bottom);
        Media::RenderTarget::DrawSection section;
    };
    Section makeDrawSection(int left, int top, int right, int bottom);
    // The state body colour's index.
    int bodyBrush() const;

    ColorBrushList* colorBrushList;
};

} // namespace Window
