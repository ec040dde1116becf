#pragma once
// The handles (anchors) of one preview frame. While the frame renders, effects
// register points, outlines, axis and size handles, markers and movement paths
// in normalised device coordinates (-1 to 1, y up); the list travels with the
// frame to the preview, which lays the items out in pixels, hit-tests them and
// turns a click or drag into an AnchorEvent for the effect that registered the
// handle. A list is filled by one thread and read by another after the frame
// is handed over: it has no lock.
#include "core/math.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Edit { class Object; }
namespace Effect { class EffectBase; }

namespace Anchor {

class AnchorControl;

// What an item is; the preview draws and hit-tests by it.
struct Shape {
    enum : int32_t {
        ObjectFrame = 1,  // icon button stacked at the picture's right edge
        Marker = 2,
        ColorMarker = 3,
        AxisHandle = 4,
        SizeHandle = 5,
        FilterPoint = 6,
        EdgePoint = 7,
        ObjectPoint = 8,
        ObjectArea = 9,   // polygon of 3 to 8 corners
        ColorLine = 10,
        Line = 11,        // movement path
        PathPoint = 12,
        GridLine = 13,    // the preview's own
        CameraView = 14,  // the camera control's drag handle
    };
};

// Behaviour bits of an item.
struct Flag {
    enum : uint32_t {
        ScriptIn = 0x1,
        ScriptOut = 0x2,
        AxisX = 0x4,
        AxisY = 0x8,
        AxisZ = 0x10,
        CornerFirstDiagonal = 0x20,  // size handle corners (-w/2, -h/2) and (w/2, h/2)
        CornerSecondDiagonal = 0x40, // the other two
        CornerTop = 0x80,            // corners at y = -h/2
        CornerBottom = 0x100,        // corners at y = h/2
        ToolTip = 0x8000,
        ObjectHandle = 0x10000, // clicking selects the object; drags move every selected object
        IconButton = 0x20000,   // laid out by the preview in the icon column
        Button = 0x40000,       // a click activates and starts no drag
        SectionPoint = 0x80000, // the alternative activation moves the cursor to the point
        Axis = 0x100000,
        Size = 0x200000,
        SourceSize = 0x400000, // the size handle edits the source's size, not the output's zoom
        Script2D = 0x800000,
        Script3D = 0x1000000,
        Snap = 0x2000000,       // may snap while dragged
        SnapTarget = 0x4000000, // its corner points are snap targets
        NeverDrawn = 0x8000000,
        NeverHit = 0x10000000,
        Hidden = 0x20000000, // not drawn, still hit
        CameraView = 0x40000000,
    };
};

struct Id {
    static constexpr int32_t AllPoints = 100000000;        // every value at once
    static constexpr int32_t ClippingFrame = 200000000;    // frame button of a clipping object
    static constexpr int32_t CameraViewButton = 200000001; // the camera control's view-mode button
    // Whether the id stands for one section point.
    static constexpr bool isSectionPoint(int32_t id) { return id >= 0 && id < AllPoints; }
};

// What a drag needs to turn pixels back into object space; copied unchanged
// from the item into every event of a drag.
struct DragRecord {
    Math::float4x4 matrix;     // object space to clip space
    Math::float4 startPoint;   // the dragged point (x, y, z, 1) as registered
    Math::float4 currentPoint; // the same, updated by every drag step
    Math::float4 dragVector1;  // size handle: the pivot; axis handle: x is the drag multiplier
    Math::float4 dragVector2;  // size handle: offset (x, y, z) and the size at registration / 100
    Math::float4 dragBase;     // size handle: the position the position items are relative to
};

class AnchorItem : public DragRecord {
public:
    AnchorItem() = default;
    // Stores the values and the effect's address as owner.
    AnchorItem(int32_t shape, uint32_t flags, std::shared_ptr<Edit::Object> object,
               std::shared_ptr<Effect::EffectBase> effect, int32_t id);

    // Lays the item out on a picture whose centre is (cx, cy) with half sizes
    // (sx, sy) in pixels (sy negative: y runs down): fills pixelPoints,
    // screenPosition and hitBias.
    void projectToScreen(float cx, float cy, float sx, float sy);
    // Replaces a polygon too thin or too small to hit by a rectangle at least
    // 16 pixels across around its longest edge.
    void widenOutline();
    // Whether the pixel lies on the item's hit area (boundaries included).
    bool hitTest(float x, float y) const;

    int32_t shape = 0;
    std::shared_ptr<Edit::Object> object;        // empty for lines and markers
    std::shared_ptr<Effect::EffectBase> effect;  // receives the events; empty for lines and markers
    int32_t id = 0;
    uint32_t flags = 0;
    const void* owner = nullptr;                 // the registering effect, identity only
    Math::float4 colour;                         // coloured markers and lines (r, g, b, a)
    const void* bitmap = nullptr;                // icon of the object frame button
    int32_t bitmapIndex = -1;                    // or its entry of the theme's bitmap list
    std::vector<Math::float2> points;            // normalised device coordinates
    std::vector<Math::float2> cornerPoints;      // snapping references of object areas
    std::string label;                           // script anchors
    int32_t valueCount = 0;                      // script anchors
    std::vector<Math::float2> pixelPoints;       // laid out by the preview
    Math::float2 screenPosition;                 // laid out by the preview
    float hitBias = 0;                           // added to the hit distance when several items are hit
};

// One click or drag step on an item.
class AnchorEvent : public DragRecord {
public:
    enum Kind : int32_t {
        Drag = 1,
        Activate = 2,     // a click
        AltActivate = 3,  // the preview's alternative activation
        CameraDrag = 4,   // a right-button drag on the camera handle
    };
    struct Offset {
        int32_t x = 0, y = 0;
    };

    AnchorEvent(AnchorControl* control, const std::shared_ptr<Edit::Object>& object,
                const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, uint32_t flags);

    // The point (object space) moved by a pixel offset through matrix: the
    // offset is applied in clip space at the point's depth and mapped back.
    // A singular matrix gives a result that is not finite.
    Math::float4 movePoint(const Math::float4& point, const Math::float4x4& matrix, float dx, float dy) const;

    AnchorControl* control;
    std::shared_ptr<Edit::Object> object;
    std::shared_ptr<Effect::EffectBase> effect;
    int32_t id;
    uint32_t flags;
    int32_t kind = 0;
    std::string label;
    int32_t valueCount = 0;
    Offset dragOffset; // pixels since the drag began (x right, y down)
    Offset dragStep;   // change of dragOffset since the previous step
    // The modifier keys held at this step, as the preview reads them.
    bool shiftKey = false;
    bool controlKey = false;
};

class AnchorList {
public:
    // A clip-space point lies in front of the camera.
    static bool isVisible(const Math::float4& clip) { return clip.w / clip.z - 1.0f > 0.0f; }

    // Destroys every item and keeps the capacity.
    void clear() { items.clear(); }

    // The registrations that can reject a point return the new item, or a
    // scratch item of this list that belongs to no frame: writes to it are lost.
    AnchorItem& addPointAnchor(const std::shared_ptr<Edit::Object>& object,
                               const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                               const Math::float3& point, Math::float4x4 matrix, uint32_t flags);
    AnchorItem& addFilterPointAnchor(const std::shared_ptr<Edit::Object>& object,
                                     const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                                     const Math::float3& point, Math::float4x4 matrix, uint32_t flags);
    AnchorItem& addEdgeAnchor(const std::shared_ptr<Edit::Object>& object,
                              const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                              const Math::float3& point, Math::float4x4 matrix, uint32_t flags);
    // The width x height rectangle centred on the origin, clipped where it
    // passes behind the camera.
    AnchorItem& addObjectRectangle(const std::shared_ptr<Edit::Object>& object,
                                   const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, int width,
                                   int height, const Math::float4x4& matrix, uint32_t flags);
    // start and end in clip space; point is the dragged position, matrix maps it to clip space.
    AnchorItem& addAxisHandle(const Math::float4& start, const Math::float4& end,
                              const std::shared_ptr<Edit::Object>& object,
                              const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, uint32_t flags,
                              const Math::float3& point, const Math::float4x4& matrix);
    // One size handle per corner of the width x height rectangle.
    void addSizeHandles(const std::shared_ptr<Edit::Object>& object, const std::shared_ptr<Effect::EffectBase>& effect,
                        int32_t id, int width, int height, const Math::float3& base, const Math::float4& offset,
                        const Math::float4x4& objectMatrix, const Math::float4x4& clipMatrix,
                        const Math::float4x4& dragMatrix, uint32_t flags);
    AnchorItem& addSizeHandle(const Math::float4& corner, const Math::float4& previous, const Math::float4& next,
                              const std::shared_ptr<Edit::Object>& object,
                              const std::shared_ptr<Effect::EffectBase>& effect, int32_t id,
                              const Math::float4& start, const Math::float4& pivot, const Math::float3& base,
                              const Math::float4& offset, const Math::float4x4& dragMatrix, uint32_t flags);
    // Clip-space points; every run of two or more visible points becomes one line.
    void addPolyline(const std::shared_ptr<Effect::EffectBase>& owner, const Math::float4* points, int count,
                     const Math::float4* colour);
    void addMarker(const std::shared_ptr<Effect::EffectBase>& owner, const Math::float4& point,
                   const Math::float4* colour);
    void addPathPoint(const std::shared_ptr<Effect::EffectBase>& owner, const Math::float4& point);
    AnchorItem& addObjectFrame(const std::shared_ptr<Edit::Object>& object,
                               const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, const void* bitmap);

    std::vector<AnchorItem> items;

private:
    AnchorItem& addPoint(int32_t shape, const std::shared_ptr<Edit::Object>& object,
                         const std::shared_ptr<Effect::EffectBase>& effect, int32_t id, const Math::float3& point,
                         const Math::float4x4& matrix, uint32_t flags);
    AnchorItem& addLine(int32_t shape, const std::shared_ptr<Effect::EffectBase>& owner);
    AnchorItem& rejected();

    AnchorItem scratch_;
};

} // namespace Anchor
