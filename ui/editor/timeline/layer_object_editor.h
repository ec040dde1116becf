#pragma once
// The object view's logic without drawing or toolkit: what lies under the
// pointer (object, edge, mid-point), the drag state, snapping, and the edit
// steps of the drags that move objects across frames and layers without
// overlaps, resize them and move their mid-points. Each step is one edit
// transaction; one undo step spans a whole drag (beginEditDrag opens it and
// records every selected object, finishEditDrag commits what changed).
#include "project/model/object_list.h"

#include <functional>
#include <memory>
#include <string>

namespace Edit {
class EditService;
class Object;
class Scene;
} // namespace Edit

namespace Component {

class TimelineViewState;
struct TimelineSettings;

class LayerObjectEditor {
public:
    enum class HoverPart { Body = 0, Start = 1, End = 2, Section = 3 };
    enum class DragMode { None = 0, MoveObject, ResizeStart, ResizeEnd, MoveSection, MoveCursor, SelectRect, ScrollView };

    LayerObjectEditor(TimelineViewState& view, const TimelineSettings& settings);

    Edit::Scene& scene() const;
    Edit::EditService& edit() const;

    // ---- under the pointer (object-view pixels) ----
    std::shared_ptr<Edit::Object> hitTestObject(int x, int y) const;
    // The 1-based mid-point within 8 pixels of x, or -1.
    int findSectionPoint(const Edit::Object& object, int x) const;
    // The part at x and its mid-point index (-1 unless Section).
    HoverPart getHoverPart(const Edit::Object& object, int x, int& index) const;

    // ---- drags ----
    void beginDrag(DragMode mode, int x, int y);
    // For the edit modes: opens the undo step, records the selection and its extent.
    // shift: a mid-point drag moves the part left or right of the mid-point.
    void beginEditDrag(DragMode mode, int x, int y, bool shift);
    // Commits the undo step (a click leaves none) and returns to None.
    void finishEditDrag();
    bool isEditMode() const;

    // ---- snapping ----
    int snapThreshold() const;
    void findSnapFrame(int frame, int& offset) const;
    void snapFrame(int& frameDelta) const;
    int findTempoGridFrame(int frame) const;

    // ---- edit steps ----
    void dragMove(int x, int y, bool shift);
    // One step of an edge or mid-point drag to the pointer's x (snapped).
    void dragEdit(int x);
    // A key step of the drag by one frame (Left -1, Right +1); false for other modes.
    bool dragKey(int direction);
    void moveObjects(int& layerDelta, int& frameDelta);
    bool findFreePosition(int& layerDelta, int& frameDelta, int requestedFrameDelta) const;
    void resizeStart(int& delta);
    void resizeEnd(int& delta);
    void moveSectionPoint(int& delta);
    // The rubber band (view pixels, normalised): unselected objects it meets join the selection.
    void selectRect(int left, int top, int right, int bottom);

    // The drag-time tooltip's text for a frame of an object starting at start.
    std::wstring dragTimeText(int frame, int start) const;
    // The frame the drag-time tooltip shows for the hovered part.
    int dragTimeFrame() const;

    TimelineViewState& view;
    const TimelineSettings& settings;

    // hover
    std::shared_ptr<Edit::Object> hoverObject;
    HoverPart hoverPart = HoverPart::Body;
    int hoverIndex = -1;

    // drag
    DragMode mode = DragMode::None;
    int sectionSide = 0; // 0, 1 the part left of the mid-point, 2 the part right of it
    int pressDisplayLayer = 0, pressDisplayFrame = 0;
    int startLayer = 0, startFrame = 0;
    int currentLayer = 0, currentFrame = 0;
    Edit::ObjectListRange extent;
    bool hasExtent = false;
    int pressStart = 0, pressEnd = 0; // the hovered object's frames at the press

    // Told after each step that changed frames of the hovered object's edges or mid-point.
    std::function<void()> onDragTime;

private:
    bool overlapsUnselected(int layer, int from, int to, int* firstStart, int* lastEnd) const;
};

} // namespace Component
