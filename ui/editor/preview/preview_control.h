#pragma once
// The preview's picture area: the picture at the chosen zoom, centred or
// fitted, with scroll bars while it is larger than the area, and the picture
// control inside it that draws the picture and the effects' handles over it
// and turns clicks, drags and arrow keys on the handles into anchor events.
// Main thread only.
#include "effect/anchor_control.h"
#include "media/resource_service.h"
#include "ui/editor/preview/picture_geometry.h"
#include "ui/window/controls/list_controls.h"
#include "ui/window/controls/scroll_bar_control.h"

#include <functional>
#include <memory>
#include <vector>

namespace Platform::Draw { class Bitmap; }
namespace Window { class BaseMenu; }

namespace Component {

class PreviewControl;

class PreviewVideoControl : public Anchor::AnchorControl,
                            public Window::WindowControlRenderTarget,
                            public Resource::StrokeStyleResource {
public:
    PreviewVideoControl(Window::WindowControl& parent, PreviewControl& area);

    void procPaint() override;
    // ---- handles: display and hit test ----
    // The hovered item under a point among the interactive items, by shape,
    // distance, focus object and id; null when none.
    Anchor::AnchorItem* findAnchor(float x, float y);
    Anchor::AnchorItem* findViewAnchor();
    bool setHoverAnchor(Anchor::AnchorItem* item);
    void clearHoverAnchor();
    // Lays the list out on the picture rectangle and finds the hovered item again.
    void layoutAnchors();
    void drawAnchors();
    void drawAnchor(const Anchor::AnchorItem& item, int brush, float width, bool dashed, bool hovered);
    int getAnchorBrush(const Anchor::AnchorItem& item) const;
    // Takes a new list (a preview frame) or none (playback).
    void setAnchorList(std::shared_ptr<Anchor::AnchorList> list);

    // ---- handles: clicks and drags ----
    void beginAnchorDrag(int x, int y, int button, Anchor::AnchorItem* item);
    void dragAnchor(int x, int y);
    void endAnchorDrag();

    void procMouseMove(int x, int y) override;
    void procMouseLeave() override;
    void procMouseHover() override;
    void procMouseDrag(int x, int y) override;
    void procDragCancel() override;
    bool procDragKey(int virtualKey) override;
    void procKeyRelease() override;
    void procLButtonDown(int x, int y) override;
    void procRButtonDown(int x, int y) override;
    void procRelease() override;

    PreviewControl& area;
    PictureRect pictureRect;
    // The hovered item and what finds it again in the next frame's list.
    Anchor::AnchorItem* hoverItem = nullptr;
    std::shared_ptr<Effect::EffectBase> hoverEffect;
    int32_t hoverId = 0;
    uint32_t hoverFlags = 0;
    int lastMouseX = 0, lastMouseY = 0;
    int dragMode = 0; // 0 none, 1 left, 2 right
    int dragOffsetX = 0, dragOffsetY = 0;
    std::vector<Anchor::AnchorEvent> dragRecords;
    // Held from a handle's press to the drag's end: the anchor events point into it.
    std::shared_ptr<Anchor::AnchorList> draggedList;
    static bool isControlDown();
    static bool isShiftDown();
    // The settings window's section state (installed by the settings floor).
    static inline std::function<int()> currentSection;
    static inline std::function<int()> sectionViewMode;
};

class PreviewControl : public Window::WindowControlRenderTarget {
public:
    // zoom: the preview window's DisplayZoom (percent; 0 fits).
    PreviewControl(Window::ControlContainer& container, int& zoom);
    ~PreviewControl() override;

    // A new picture and its handles (null: keep the handles as they are).
    void setImage(std::unique_ptr<Platform::Draw::Bitmap> bitmap, std::shared_ptr<Anchor::AnchorList> anchors);
    // Computes the picture's rectangle for the zoom and shows or hides the bars.
    PictureRect getPictureRect();
    void setScrollBars(bool show, int contentWidth, int contentHeight);
    void scrollTo(int x, int y);
    void insertZoomMenu(Window::BaseMenu& menu);
    void setZoom(int zoom);
    int pictureWidth() const;
    int pictureHeight() const;

    void procPaint() override;
    void procMove() override;
    // The layout box, the picture control and the bars after a size or bar change.
    void layoutChildren();

    int& zoom;
    bool scrollBarsShown = true;
    std::unique_ptr<Platform::Draw::Bitmap> picture;
    Window::ControlContainer container;
    Control::LayoutControl layout;
    PreviewVideoControl video;
    Control::ScrollBarControl horizontal, vertical;
};

} // namespace Component
