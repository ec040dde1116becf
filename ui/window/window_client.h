#pragma once
// Panels: every pane of the main window is a WindowClient, a rectangle of the
// one window that draws itself and gets input through the router (priority
// 100). A panel belongs to one of five docking areas (0 left, 1 right, 2 top,
// 3 bottom, 4 centre) and keeps its place as four fractions of the panel area
// (left, top, right, bottom), stored with "area" and "hide" in its own section
// of the main ini (for example "Window.edit"); those values are the live
// placement the layout (WindowService::layoutClients) and the window menu
// read and write. To show a hidden panel: WindowService::makeRoomForClient,
// setVisible(true), then WindowService::updateWindowLayout; to hide:
// setVisible(false), then updateWindowLayout. Main thread only.
#include "core/config.h"
#include "media/render_target.h"
#include "ui/window/window_mouse.h"

#include <string>

namespace Window {

class BaseMenu;
class ColorBrushList;
class WindowService;

class WindowClient : public WindowMouse {
public:
    struct Placement {
        float left = 0, top = 0, right = 1, bottom = 1;
        int area = 0;
        bool visible = true;
    };
    enum Edge { EdgeLeft, EdgeTop, EdgeRight, EdgeBottom };
    enum Area { AreaLeft, AreaRight, AreaTop, AreaBottom, AreaCenter };

    // Loads the section (a missing key takes the default) and joins the window's panel list.
    WindowClient(const wchar_t* title, const char* sectionName, const Placement& defaults);
    ~WindowClient() override;

    virtual void procPaint() = 0;
    // The panel rectangle changed (panes lay out their controls here).
    virtual void procMove();
    // Fills the panel's context menu: the window menu (area, order, close).
    virtual void procWindowMenu(BaseMenu& menu);
    // Stores "hide" and updates the rectangle (without force).
    virtual void setVisible(bool visible);
    // The window menu at the mouse cursor.
    void procContextMenu(int x, int y) override;

    // The rectangle from the placement: {65536, 65536, 0, 0} while hidden.
    // procMove (and, while visible, procPaint) follow a change or force.
    void updateRect(bool force);
    bool isVisible() const { return hide == 0; }
    // A placement edge by index (0 left, 1 top, 2 right, 3 bottom).
    float& edge(int index);
    // Trades the four placement fractions with another panel (the areas stay).
    void swapPlacement(WindowClient& other);

    WindowService* windowService;
    Rect clientRect;
    const wchar_t* title;
    int moveEdge = 0;
    int oppositeEdge = 0;

private:
    std::string sectionName_;

public:
    System::Config::Section section;
    float left = 0, top = 0, right = 1, bottom = 1;
    int area = 0;
    int hide = 0;

private:
    System::Config::Float leftParameter_;
    System::Config::Float topParameter_;
    System::Config::Float rightParameter_;
    System::Config::Float bottomParameter_;
    System::Config::Int areaParameter_;
    System::Config::Int hideParameter_;
};

// The base of every pane: a panel drawing on the main window's target with its brushes.
class WindowClientRenderTarget : public WindowClient, public Media::RenderTarget {
public:
    WindowClientRenderTarget(const wchar_t* title, const char* sectionName, const Placement& defaults);

    ColorBrushList* colorBrushList;
};

} // namespace Window
