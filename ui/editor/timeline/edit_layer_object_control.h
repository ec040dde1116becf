#pragma once
// The object view: one row per layer, one bar per object. It takes the
// pointer (hover, focus, selection, the seven drags, the wheel, keys during a
// drag), draws the rows, the play cursor and the drop guide, and offers the
// context menu and file drops. The logic without drawing lives in
// LayerObjectEditor. Main thread only.
#include "media/render_target.h"
#include "media/resource_service.h"
#include "ui/editor/timeline/layer_object_editor.h"
#include "ui/window/window_control.h"

#include <functional>
#include <memory>

namespace Edit { class Object; }
namespace Window { class BaseMenu; }

namespace Component {

class EditComponent;

class EditLayerObjectControl : public Window::WindowControlRenderTarget,
                               public Resource::FontResource,
                               public Resource::StrokeStyleResource {
public:
    using HoverPart = LayerObjectEditor::HoverPart;
    using DragMode = LayerObjectEditor::DragMode;

    EditLayerObjectControl(Window::ControlContainer& container, EditComponent& owner, int x, int y, int width,
                           int height);
    ~EditLayerObjectControl() override;

    // ---- input (edit_layer_object_control.cpp) ----
    void procMouseMove(int x, int y) override;
    void procMouseDrag(int x, int y) override;
    void procDragCancel() override;
    bool procDragKey(int virtualKey) override;
    void procKeyRelease() override;
    void procLButtonDown(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procMouseLeave() override;
    void procRelease() override;
    void procMouseWheel(int x, int y, int delta) override;
    bool acceptMouseWheel() override { return true; }
    void procMouseHover() override;

    // ---- menu and drops (edit_layer_object_menu.cpp) ----
    void procContextMenu(int x, int y) override;
    bool procDragOver(int x, int y, Window::DropInfo& info) override;
    bool procDrop(int x, int y, Window::DropInfo& info) override;
    void procDragLeave() override;
    // The frame under x snapped as the menu and drops place things.
    int placeFrame(int x) const;
    // Fills the "オブジェクトを追加" (selector 200) and "フィルタ効果を追加" (201)
    // sub-menus from the registered definitions; installed by the menus.
    static inline std::function<void(Window::BaseMenu& menu, int layer, int frame, int selector)> insertObjectMenu;

    std::shared_ptr<Edit::Object> hitTestObject(int x, int y) const { return editor.hitTestObject(x, y); }
    void beginDrag(DragMode mode, int x, int y);
    void beginEditDrag(DragMode mode, int x, int y);
    void endDrag(bool checkSelection);
    void finishEditDrag();
    void setHover(const std::shared_ptr<Edit::Object>& object, HoverPart part, int index);
    void clearHover();
    void setFocusMarker(const std::shared_ptr<Edit::Object>& focus);
    void resetScene();
    // Asks the window framework to report the Ctrl key's release here (when nobody watches yet).
    void watchControlKey();

    // ---- painting (edit_layer_object_paint.cpp) ----
    void procPaint() override;
    void drawLayer(int layer);
    void drawPlayerCursor();
    void drawDropMarker(int frame);
    // Puts back what lies under the last play cursor or guide line.
    void restoreStrip();
    // The row without its own section (procPaint and drawLayer open one).
    void paintRow(int layer);

    EditComponent& owner;
    LayerObjectEditor editor;
    std::shared_ptr<Edit::Object> focusMarker;
    int hoverHeaderLayer = -1; // the layer hovered in the header
    // rubber band
    int bandX = 0, bandY = 0, bandWidth = 0, bandHeight = 0;
    int bandLeft = 0, bandTop = 0, bandRight = 0, bandBottom = 0;
    // the saved strip under the play cursor or guide line
    Media::WindowTemporaryImage strip;
    bool stripSaved = false;
    int stripPosition[2] = {0, 0};

private:
    void redrawRow(const std::shared_ptr<Edit::Object>& object);
    void showDragTime();
    void paintObject(int layer, const Edit::Object& object, int64_t x0, int64_t x1, bool hidden);
    bool drawWaveform(const Edit::Object& object, int64_t x0, int64_t x1, int top);
    void drawTempoGrid(int rowTop, int v0, int v1);
    bool dragTimeShown_ = false;
};

} // namespace Component
