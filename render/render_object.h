#pragma once
// The state of one object being rendered at one frame, handed to every effect
// operation: scene, frame, current object and its section position, and the
// drawing state the output places the object with.
#include "render/section_position.h"

#include <memory>
#include <vector>

namespace Edit {
class Object;
class Scene;
}
namespace Media { class RenderBuffer; }

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
    };

    // Makes the object current and recomputes the section position at frame and
    // time; nothing happens when it is current already.
    void setObject(const std::shared_ptr<Edit::Object>& entry);
    // The same without the shortcut.
    void resetObject(const std::shared_ptr<Edit::Object>& entry);

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
    bool extendedColor = false;
};

} // namespace Render
