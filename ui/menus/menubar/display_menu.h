#pragma once
// "表示": one item per panel (the media explorers in a sub-menu) with a check
// while it shows, the preview's zoom levels and zoom steps, the timeline's
// zoom steps, the display toggles with their checks, and preview playback.
#include "render/render_service.h"
#include "ui/menus/menubar/main_menu_set.h"

#include <string>
#include <vector>

namespace Edit {
class EditService;
}
namespace Window {
class WindowClient;
}

namespace Menu {

class DisplayMenu : public MenuBase, public Render::RenderInstance {
public:
    explicit DisplayMenu(Window::WindowMenu& menu);
    void initialize() override;

    // Shows a hidden panel (making room for it) or hides a shown one.
    static void togglePanel(Window::WindowClient* client);
    // The "PreviewZoom" levels of system.conf: (level, item text), 0 as "WindowSize".
    static std::vector<std::pair<int, std::wstring>> previewZoomItems();
    // The preview zoom times the factor (single precision), rounded half away
    // from zero and held to 10 .. 4000; a fitting preview starts from its fitting zoom.
    static int steppedZoom(int current, int fitZoom, float factor);
    void zoomPreview(float factor);
    void zoomTimeline(int steps);
    // Starts playback from the cursor, or stops it (returning to where it began, or not).
    void playOrStop(bool returnToStart, bool fillBufferFirst);

    Edit::EditService* editService;
};

} // namespace Menu
