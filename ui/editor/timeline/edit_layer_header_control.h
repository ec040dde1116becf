#pragma once
// The layer header: one row per layer with its name, hidden and locked
// states. A click hides or shows, Ctrl + click selects the layer's objects,
// a drag moves the layer, the menu locks, shows, renames, inserts and
// deletes. Every change is an edit transaction and one undo step.
#include "media/resource_service.h"
#include "ui/window/window_control.h"

#include <functional>

namespace Component {

class EditComponent;

class EditLayerHeaderControl : public Window::WindowControlRenderTarget, public Resource::FontResource {
public:
    EditLayerHeaderControl(Window::ControlContainer& container, EditComponent& owner, int x, int y, int width,
                           int height);

    void procMouseMove(int x, int y) override;
    void procMouseLeave() override;
    void procLButtonDown(int x, int y) override;
    void procLButtonUp(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procRelease() override;
    void procKeyRelease() override;
    void procRButtonDown(int x, int y) override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procContextMenu(int x, int y) override;
    void procPaint() override;
    void drawLayerHeader(int layer);

    void toggleLayerHide(int layer);
    void toggleLayerLock(int layer);
    void renameLayer(int layer);
    void toggleOtherLayers(int layer);
    void insertLayer(int layer);
    void deleteLayer(int layer);

    void setHover(int layer);

    EditComponent& owner;
    int hoverLayer = -1;
    int dragLayer = -1; // the dragged layer's current index
    bool dragging = false;
    // Redraws the object-view row and the header row of a layer (set by the window).
    std::function<void(int layer)> onHover;

private:
    void paintRow(int layer);
};

} // namespace Component
