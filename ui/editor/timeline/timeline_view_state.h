#pragma once
// The timeline's view state as plain code over the current scene: the frame
// and pixel mapping of the object view, the layer and frame scroll ranges,
// zoom with an anchor frame, the cursor as shown, the frame-range selection
// and its anchor, and playback paging. The scene keeps the view (display
// frame, layer and zoom, cursor, selection), so each scene restores its own;
// this class keeps only derived values. What must be drawn again is told
// through `redraw` as a set of Redraw flags; the window does the drawing.
#include "project/model/frame_zoom.h"

#include <cstdint>
#include <functional>

namespace Edit {
class EditService;
class Scene;
} // namespace Edit

namespace Component {

// Style [Layout] metrics of the timeline window.
struct TimelineMetrics {
    int timeGaugeHeight = 32;
    int layerHeaderWidth = 120;
    int layerHeight = 26;
    int scrollBarSize = 20;
};

class TimelineViewState {
public:
    enum Redraw : unsigned {
        RedrawVerticalBar = 1,
        RedrawHeader = 2,
        RedrawObjects = 4,    // the whole object view
        RedrawHorizontalBar = 8,
        RedrawGauge = 16,
        RedrawZoomGauge = 32,
        RedrawRow = 64, // one object-view row: the layer given with it
    };

    explicit TimelineViewState(Edit::EditService& edit);

    Edit::Scene& scene() const;

    // ---- mapping (64-bit, truncating toward zero) ----
    // The left pixel of frame f in the object view; its right edge is pixelOf(f + 1).
    int64_t pixelOf(int64_t frame) const;
    // The frame under object-view pixel x.
    int frameAt(int x) const;
    int zoom() const;

    // The panel's client size; the object view is what the header, gauge and bars leave.
    void setClientSize(int width, int height);
    int objectViewWidth() const;
    int objectViewHeight() const;

    bool updateLayerScroll(int top, bool force);
    bool updateFrameScroll(int start, bool force);
    void updateZoom(Edit::FrameZoom zoom);
    void setFrameZoom(Edit::FrameZoom zoom, int anchor);
    void setFrameSelection(int start, int end);
    void updateSelectAnchor(int frame);
    void setDisplayPosition(int layer, int frame, int cursor);
    void setCursorFrameAt(int x);
    void updateView(int layer);
    void onCursorFrameChanged(int frame);
    // A played frame: true when the view paged to it (everything redrawn),
    // false when only the play cursor moves.
    bool onPlaybackFrame(int frame);
    void resetScene();

    Edit::EditService& edit;
    TimelineMetrics metrics;
    int clientWidth = 0;
    int clientHeight = 0;
    int visibleLayers = 0;
    int visibleFrames = 0;
    int layerScrollRange = 0;
    int frameScrollRange = 0;
    int lastDrawnCursor = -1;
    int zoomIndex = -1; // the zoom gauge's position of the zoom in the table

    std::function<void(unsigned what, int layer)> redraw;
    std::function<bool()> isShiftDown; // the Shift key extends the frame selection from the anchor

private:
    void emit(unsigned what, int layer = -1);
};

} // namespace Component
