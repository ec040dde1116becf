#pragma once
// The state of one object being rendered at one frame, handed to every effect
// operation: scene, frame, current object and its section position, and the
// drawing state the output places the object with.
#include "core/math.h"
#include "render/section_position.h"

#include <memory>
#include <vector>

namespace Edit {
class Object;
class Scene;
}
namespace Media { class RenderBuffer; }
namespace Anchor { class AnchorList; }

namespace Render {

class RenderObject {
public:
    struct DrawState {
        float x = 0, y = 0, z = 0;    // position in pixels from the frame centre
        float rx = 0, ry = 0, rz = 0; // rotation in degrees
        float sx = 1, sy = 1, sz = 1; // zoom
        float cx = 0, cy = 0, cz = 0; // centre of rotation and zoom
        float alpha = 1;
        float shine = 0.7f;
        int blendMode = 0;
        bool culling = false;
        int billboard = 0;
        Media::RenderBuffer* target = nullptr;
        std::shared_ptr<Edit::Object> cameraControl;
        std::shared_ptr<Edit::Object> groupControl;

        // Row-vector matrices (a point p maps to p x M; A x B applies A first).
        // T(-centre) x S(zoom) x Rz x Ry x Rx x T(position): the picture's own
        // coordinates into the space of the position.
        Math::float4x4 getObjectMatrix() const;
        // S(zoom) x Rz x Ry x Rx.
        Math::float4x4 getRotationMatrix() const;
        // The default perspective from 1024 pixels in front of a width x height
        // frame: a point at z 0 lands on its pixel, depth 51.2 / (z + 1024), and
        // the state's x, y move the vanishing point.
        Math::float4x4 getScreenMatrix(int width, int height) const;
        // The object matrix, then the group's matrix when the object is grouped.
        Math::float4x4 getWorldMatrix() const;
        // The camera's view-projection, else the group's view, else the screen
        // matrix of the target's size.
        Math::float4x4 getViewMatrix() const;
        // Maps positions (x, y, z) to clip space: the drag matrix of object handles.
        Math::float4x4 getGroupViewMatrix() const;
        Math::float4x4 getWorldViewMatrix() const;
    };

    // Makes the object current and recomputes the section position at frame and
    // time; nothing happens when it is current already.
    void setObject(const std::shared_ptr<Edit::Object>& entry);
    // The same without the shortcut.
    void resetObject(const std::shared_ptr<Edit::Object>& entry);
    // Moves to another time of the current object: the frame becomes its whole
    // part and the section position follows.
    void setTime(double time);
    // The drawing state as the object's output places it: the top effect's when
    // that is a control effect, else the output effect of the object itself
    // (the first entry of the object list), made current for the call.
    DrawState getOutputView();

    Edit::Scene* scene = nullptr;
    int layer = 0;
    int frame = 0;
    double time = 0.0;
    int preRenderOffset = 0;
    int index = 0; // copy index within a multiple drawing
    int num = 1;   // number of copies
    int frameOffset = 0;
    std::shared_ptr<Edit::Object> object;
    SectionPosition sectionPosition;
    std::shared_ptr<std::vector<std::shared_ptr<Edit::Object>>> objectList;
    DrawState drawState;
    // Where effects add their handles; null unless the frame gathers them.
    Anchor::AnchorList* anchors = nullptr;
    // The picture is not one rectangle (object division, particles, script
    // options): handles show the object as a point, not its outline.
    bool focusFixedSize = false;
    // Set until the frame's first clipping object is queued: only that object
    // shows the frame button of clipping objects.
    bool firstClipPass = true;
    bool extendedColor = false;
};

} // namespace Render
