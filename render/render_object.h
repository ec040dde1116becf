#pragma once
// The state of one object being rendered at one frame, handed to every effect
// operation: scene, frame, current object and its section position, the
// objects taking part (the object, its filter objects, its group controls),
// the drawing state the output places the object with, and the frame's
// handles and temporary pictures. Its methods drive the object's effect chain.
#include "core/math.h"
#include "render/section_position.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace Edit {
class Object;
class Scene;
}
namespace Media {
class RenderBuffer;
class ResourceBuffer;
class VertexList;
}
namespace Anchor { class AnchorList; }
namespace Effect { class EffectBase; }
namespace Platform::Gpu { class SamplerState; }

namespace Render {

class ControlView;
class PreInputBuffer;
class RenderVideoWorker;
class ResourceCache;

using ObjectList = std::vector<std::shared_ptr<Edit::Object>>;

// The part of the render state that video and sound share: which scene,
// frame and object, and the objects taking part.
class RenderFramePart {
public:
    // Where the frame's sound lies: the first sample counted from the object's
    // start, the scene's rate, the frame's first sample in the scene and the
    // frame's sample count.
    struct FrameAudioRange {
        int64_t offset;
        int audioRate;
        int64_t first;
        int count;
    };

    // Makes the object current and recomputes the section position at frame and
    // time; nothing happens when it is current already.
    void setObject(const std::shared_ptr<Edit::Object>& entry);
    // The same without the shortcut.
    void resetObject(const std::shared_ptr<Edit::Object>& entry);
    // Moves to another time of the current object: the frame becomes its whole
    // part and the section position follows.
    void setTime(double time);
    // Releases the object list and the current object.
    void releaseFramePart();
    FrameAudioRange getFrameAudioRange() const;
    // The object list of the current object: the object, then the filter
    // objects of the layers below it up to the first other object, found at
    // the frame with the media kind (Effect::MediaType).
    void collectFilterObjects(uint8_t media);

    Edit::Scene* scene = nullptr;
    int layer = 0;
    int frame = 0;
    double time = 0.0;
    int preRenderOffset = 0; // frames from a pre-rendered frame to the frame that asked for it
    int index = 0;           // copy index within a multiple drawing
    int num = 1;             // number of copies
    int frameOffset = 0;     // subtracted from frame - start where scripts read "frame"
    std::shared_ptr<Edit::Object> object;
    SectionPosition sectionPosition;
    std::shared_ptr<ObjectList> objectList;

protected:
    // Makes every entry of the object list current in turn for the visitor
    // (which returns false to stop), then the object that was current before.
    template <class Visit>
    void walkObjectList(Visit&& visit);
};

class RenderObject : public RenderFramePart {
public:
    struct DrawState {
        float x = 0, y = 0, z = 0;    // position in pixels from the frame centre
        float rx = 0, ry = 0, rz = 0; // rotation in degrees
        float sx = 1, sy = 1, sz = 1; // zoom
        float cx = 0, cy = 0, cz = 0; // centre of rotation and zoom
        float alpha = 1;
        float shine = 0.7f;
        int blendMode = 0;
        Platform::Gpu::SamplerState* samplerState = nullptr; // sampler override; null for the output's own
        bool culling = false;
        int billboard = 0;
        Media::RenderBuffer* target = nullptr;
        // The frame's records of the camera and of the innermost group
        // control governing the object (render/control_view.h); empty for none.
        std::shared_ptr<ControlView> cameraControl;
        std::shared_ptr<ControlView> groupControl;

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

    // The drawing state as the object's output places it: the top effect's when
    // that is a control effect, else the output effect of the object itself
    // (the first entry of the object list), made current for the call.
    DrawState getOutputView();

    // ---- the effect-chain driver; each walk restores the current object ----
    // Appends the enclosing group control objects that carry filters: the
    // group reference's, then those of its enclosing groups.
    void collectGroupControls();
    // preInputVideo of every enabled input and filter (planning thread).
    void prepareEffects();
    // filterVideo of every enabled video filter of the object list in chain
    // order, after the effect `after` when one is given; an empty picture ends
    // the walk and is returned.
    std::unique_ptr<Media::ResourceBuffer> applyFilterEffects(std::unique_ptr<Media::ResourceBuffer> picture,
                                                              const Effect::EffectBase* after);
    // The same with the handles off; a fixed-size focus spreads to the caller.
    std::unique_ptr<Media::ResourceBuffer> applyFilterEffectsWithoutAnchor(
        std::unique_ptr<Media::ResourceBuffer> picture, const Effect::EffectBase* after, RenderObject* caller);
    // controlVideo of every enabled filter.
    void controlFilterEffects();
    // With handles gathered: createAnchor of every enabled video filter.
    void setFilterAnchor(int width, int height);
    // The object's output effect draws the picture into the target; nothing
    // for an empty picture.
    void outputVideo(std::unique_ptr<Media::ResourceBuffer>& picture);
    // With handles gathered: createAnchor of the object's output effect.
    void setOutputAnchor(int width, int height);
    // The object task: input, filters, output, handles.
    void renderObject();

    DrawState drawState;
    // Quads the output draws instead of one quad of the picture.
    std::shared_ptr<Media::VertexList> vertices;
    // Where effects add their handles; null unless the frame gathers them.
    Anchor::AnchorList* anchors = nullptr;
    ResourceCache* resourceCache = nullptr;
    // The frame's record of the control object whose control task runs
    // (camera, group and group audio controls); empty elsewhere.
    std::shared_ptr<ControlView> control;
    // A pre-rendered input made during preparation, read by inputVideo.
    std::shared_ptr<PreInputBuffer> preInput;
    // The picture was already drawn in frame space: the output composites it as it is.
    bool offscreenDrawn = false;
    // The picture is not one rectangle (object division, particles, script
    // options): handles show the object as a point, not its outline.
    bool focusFixedSize = false;
    bool skipOutputTransform = false;
    bool skipOutputPosition = false;
    // Set until the frame's first camera batch is flushed.
    bool firstCameraPass = true;
    // Set until the frame's first clipping object is queued: only that object
    // shows the frame button of clipping objects.
    bool firstClipPass = true;
    // An enabled extended-colour effect is in the object list.
    bool extendedColor = false;
    // The worker the frame renders for: its spare picture, its pre-rendering.
    RenderVideoWorker* videoWorker = nullptr;
};

} // namespace Render
