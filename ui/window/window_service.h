#pragma once
// The program's one top-level window and the owner of the main loop. Every
// pane (WindowClient) and control draws into this window's one target and
// gets its input through the router; only menus, the tooltip, the drop-down
// list and dialogs are windows of their own. The service creates the window
// (object name "velmora2Manager", icon 107) with its menu bar and footer,
// keeps the theme's brushes and bitmaps, runs the main loop together with the
// handles other parts register, filters and dispatches every message of the
// window, paints and lays out the panels, keeps the window's place in the
// main ini section "Window" (x, y, w, h of the last normal placement, zoom 1
// when maximized), and can lock the user's input during long operations.
//
// Created by the entry after the shortcut manager and the router; reached
// through WindowService::Get. Main thread only.
#include "core/config.h"
#include "core/event_service.h"
#include "core/service.h"
#include "core/timer.h"
#include "media/render_target.h"
#include "ui/window/bitmap_list.h"
#include "ui/window/color_brush_list.h"
#include "ui/window/window_menu.h"
#include "ui/window/window_mouse.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace Platform::Draw {
class Target;
}
namespace Platform::Ui {
class Surface;
struct Message;
} // namespace Platform::Ui

namespace Window {

class WindowClient;
class WindowFooter;

// The main window's drawing part: the target over the window's back buffer
// (device pixels), the client size, and the theme's two lists.
class RenderTargetWindow : public Media::RenderTarget {
public:
    // Binds the target to the surface's back buffer (again after a resize).
    void createRenderTarget(Platform::Ui::Surface& surface);

    int width = 0, height = 0;
    ColorBrushList colorBrushList;
    BitmapList bitmapList;
    std::unique_ptr<Platform::Draw::Target> windowTarget;
};

class WindowService : public System::Singleton<WindowService>,
                      public WindowMouse,
                      public RenderTargetWindow,
                      public WindowMenuManager,
                      public Event::EventInstance {
public:
    // Offered every input message while input is locked (message number and
    // the key of key messages); true when it took the message.
    using InputFilter = std::function<bool(uint32_t message, uintptr_t wParam)>;

    static constexpr uint32_t MessageClose = 0x0010;
    static constexpr uint32_t MessageKeyDown = 0x0100;
    static constexpr int NotifyShowMs = 5000;
    static constexpr int MinimumSize = 256;

    WindowService();
    ~WindowService();

    // The main loop: runs until the window is gone.
    void processMessage();
    // Runs the function on the main thread each time the handle (a waitable
    // timer or event descriptor) is signalled; the signal is taken first. A
    // handle already registered keeps its first function. A function may
    // remove its own handle.
    static void registerWaitHandle(int handle, std::function<void()> function);
    static void removeWaitHandle(int handle);
    // Locks (false) or unlocks the input; the filter sees every input message
    // while locked. The five menus are greyed or enabled with it. Nothing
    // happens (the filter is dropped) when the state does not change.
    void setInputEnable(bool enable, InputFilter filter);
    bool isInputEnabled() const { return inputEnabled; }
    // The input lock's step of the window procedure: true when the message is
    // dropped (input locked; the filter saw it first).
    bool offerInput(uint32_t message, uintptr_t wParam);

    // The window procedure: every message of the window.
    intptr_t windowProc(Platform::Ui::Message& message);
    intptr_t procWindowMessage(Platform::Ui::Message& message);
    intptr_t defaultWindowProc(Platform::Ui::Message& message);

    void paintWindow();
    void resizeWindow(int width, int height);
    // Lays out and paints everything again (after a panel was shown, hidden or moved).
    void updateWindowLayout();
    void drawSeparators();
    // Where a single panel covering the whole area would stand, while every panel is hidden.
    void drawEmptyArea();

    // Panels (window_layout.cpp).
    void layoutClients();
    void makeRoomForClient(WindowClient* client);
    std::vector<WindowClient*> getAreaClients(int area) const;
    std::vector<WindowClient*> getSortedAreaClients(int area) const;
    struct Bounds {
        float left = 0, top = 0, right = 0, bottom = 0;
    };
    Bounds getClientBounds(const std::function<bool(const WindowClient&)>& predicate) const;
    // The window menu's order commands.
    void moveClientToFirst(WindowClient* client);
    void moveClientToLast(WindowClient* client);
    void moveClientUp(WindowClient* client);
    void moveClientDown(WindowClient* client);

    // Separators (window_separator.cpp).
    bool findSeparator(int x, int y);
    bool collectSeparatorClients();
    WindowClient* findAdjacentClient(int edge, float position, int otherEdge, float otherValue,
                                     const WindowClient* excluded) const;
    void dragSeparator(int dx, int dy);
    void swapSeparatorClients(bool towardSmaller);
    void procMouseMove(int x, int y) override;
    void procLButtonDown(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procRelease() override;

    // The notification icon: an information balloon (title cut at 63,
    // text at 255 characters), an earlier icon removed first; it goes after 5 s.
    static void showNotify(const std::wstring& title, const std::wstring& text);
    static void removeNotifyIcon();
    static bool notifyIconShown;

    std::unique_ptr<Platform::Ui::Surface> surface;
    Rect clientArea; // the hit rectangle: the whole client area
    std::wstring title = L"Velmora Tessel2";
    int areaWidth = 0, areaHeight = 0;
    std::vector<WindowClient*> clients;
    std::vector<WindowClient*> dragClients;
    bool dragHorizontal = false;
    float dragStart = 0.0f;
    bool inputEnabled = true;
    InputFilter filter;
    std::unique_ptr<WindowFooter> footer;
    std::unordered_map<int, std::function<void()>> waitHandles;
    bool windowGone = false;
    // Asked when the window is to close (the close button, SIGTERM): false
    // keeps it open. The entry sets it to the edit service's question about
    // unsaved changes.
    std::function<bool()> confirmClose;

    System::Config::Section section{"Window"};
    int x = 0, y = 0, w = 1280, h = 720, zoom = 0;

private:
    System::Config::Int xParameter_{section, "x", &x, 0};
    System::Config::Int yParameter_{section, "y", &y, 0};
    System::Config::Int wParameter_{section, "w", &w, 1280};
    System::Config::Int hParameter_{section, "h", &h, 720};
    System::Config::Int zoomParameter_{section, "zoom", &zoom, 0};
    void createWindowManager();
    void repaintAll();
};

} // namespace Window
