#pragma once
// What the drawing state reads of the control effect that governs an object:
// the camera control's view-projection, the group control's matrices and
// whether the group's transform is plain. The camera and group control effects
// implement it; the drawing state finds it on the top effect of its camera or
// group reference.
#include "core/math.h"

#include <memory>

namespace Edit { class Object; }

namespace Render {

class ControlView {
public:
    // Camera: the view-projection of the frame (world space to clip space).
    virtual Math::float4x4 getViewProjectionMatrix() const = 0;
    // Group: its transform including every enclosing group.
    virtual Math::float4x4 getGroupMatrix() const = 0;
    // Group: the projection the group's objects are seen through.
    virtual Math::float4x4 getGroupViewMatrix() const = 0;
    // Group: the whole chain of groups is at most a 2D move (zoom 100, no
    // rotation, z 0), so handles of its objects may snap.
    virtual bool isPlainTransform() const = 0;

    // Group: the layer of the enclosing group control, -1 for none. The render
    // plan writes it before the group's control task; the objects' task reads
    // it back to find the enclosing groups.
    int parentLayer = -1;

protected:
    ~ControlView() = default;
};

// The interface of the control effect on top of a camera or group object;
// null for an empty reference or another kind of top effect.
const ControlView* findControlView(const std::shared_ptr<Edit::Object>& control);
ControlView* findControlView(Edit::Object& control);

} // namespace Render
