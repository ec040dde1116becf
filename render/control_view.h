#pragma once
// The frame's record of one control object: what the control effect worked
// out for one frame and what the objects it governs read back. The render
// plan makes a record for every camera, group and group audio control object
// it meets and hands it to the control's own task (RenderObject::control)
// and, by shared pointer, to every object of the control's range (the drawing
// state's camera and group references, the audio object's group audio
// reference). Nothing of a frame lives in the effect itself: two renders of
// one project (a preview and a pre-rendered earlier frame of the same scene)
// may run at once, each with records of its own.
//
// The control task writes the record on the object thread before the tasks
// of the objects it governs run on that thread, so readers need no lock.
#include "core/math.h"
#include "project/model/camera_state.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Edit { class Object; }

namespace Render {

class ControlView {
public:
    ControlView(std::shared_ptr<Edit::Object> object, std::shared_ptr<ControlView> parent)
        : object(std::move(object)), parent(std::move(parent))
    {
    }

    // The layer of the enclosing control of the same kind, -1 for none.
    int parentLayer() const;

    std::shared_ptr<Edit::Object> object; // the control object
    // The record of the enclosing group (or group audio) control, written by
    // the render plan; empty for none and for cameras.
    std::shared_ptr<ControlView> parent;

    // ---- camera ----
    Edit::CameraState camera;     // its own state after the camera effects' preparation
    bool freeView = false;        // the scene's free-view camera stands in for it this frame
    // World space to clip space of the frame (the free view's in free view).
    Math::float4x4 viewProjection = Math::identity();
    // Its target minus its eye; billboards turn towards it.
    Math::float3 viewDirection{0.0f, 0.0f, 1.0f};
    // Where the axis guides cross; w > 0 asks for them (the focus object's
    // position, or the camera's target when the camera is the focus object).
    Math::float4 targetAxes;
    // The 32-byte light records the camera effects added during the camera's
    // preparation (planning thread); its first pass appends them to the
    // frame's light list on the object thread.
    std::vector<std::array<uint8_t, 32>> lights;

    // ---- group ----
    Math::float4x4 groupMatrix = Math::identity(); // its transform, enclosing groups included
    Math::float4x4 groupView = Math::identity();   // the projection its objects are seen through
    // The whole chain of groups is at most a 2D move (zoom 100, no rotation,
    // z 0), so handles of its objects may snap.
    bool plainTransform = true;

    // ---- group audio ----
    // The gains of the left and right channel of the objects it governs,
    // enclosing groups included.
    float leftFactor = 1.0f;
    float rightFactor = 1.0f;
};

using ControlRef = std::shared_ptr<ControlView>;

} // namespace Render
