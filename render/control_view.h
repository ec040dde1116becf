#pragma once
// What the renderer reads of the control effect that governs an object: the
// camera control's view-projection, the group control's matrices and whether
// the group's transform is plain, and the group audio control's channel
// factors. The camera, group and group audio control effects implement it;
// the drawing state and the audio mix find it on the top effect of their
// camera, group or group audio reference. A control overrides what it has.
#include "core/math.h"

#include <memory>

namespace Edit { class Object; }

namespace Render {

class ControlView {
public:
    // Camera: the view-projection of the frame (world space to clip space).
    virtual Math::float4x4 getViewProjectionMatrix() const { return Math::identity(); }
    // Camera: the direction it looks in (its target minus its eye); billboards turn towards it.
    virtual Math::float3 getViewDirection() const { return {0.0f, 0.0f, 1.0f}; }
    // Group: its transform including every enclosing group.
    virtual Math::float4x4 getGroupMatrix() const { return Math::identity(); }
    // Group: the projection the group's objects are seen through.
    virtual Math::float4x4 getGroupViewMatrix() const { return Math::identity(); }
    // Group: the whole chain of groups is at most a 2D move (zoom 100, no
    // rotation, z 0), so handles of its objects may snap.
    virtual bool isPlainTransform() const { return true; }

    // Group and group audio: the layer of the enclosing group control of the
    // same kind, -1 for none. The render plan writes it before the group's
    // control task; the objects' task reads it back to find the enclosing groups.
    int parentLayer = -1;
    // Group audio: the gains of the left and right channel of the objects it
    // governs, enclosing groups included. Its controlAudio sets them on the
    // audio object thread before those objects mix.
    float leftFactor = 1.0f;
    float rightFactor = 1.0f;

protected:
    ~ControlView() = default;
};

// The interface of the control effect on top of a camera or group object;
// null for an empty reference or another kind of top effect.
const ControlView* findControlView(const std::shared_ptr<Edit::Object>& control);
ControlView* findControlView(Edit::Object& control);

} // namespace Render
