#pragma once
// The drawing core of every effect that puts an object's picture into a
// frame: the outputs, camera control, scene changes, the offscreen-drawing
// and image-loop filters and the script draw functions. It turns a drawing
// state into the object constants (world x view x projection, alpha, blend
// mode, normal matrix, gloss), picks the sampler, blend and rasterizer
// states, binds the frame with the companions a camera needs and draws the
// picture as a textured vertex list. It also holds the two frame-wide passes
// a camera runs after its objects: lighting and the transparency resolve.
//
// Every bind goes through the Direct3D service's cache; the constant blocks
// and quads belong to the shader list and are rewritten by each draw, so
// draws run one at a time (the video object worker).
#include "core/math.h"
#include "render/render_object.h"

#include <memory>

namespace Media {
class RenderBuffer;
class ResourceBuffer;
class VertexList;
struct ObjectConstant;
} // namespace Media
namespace Platform::Gpu { class SamplerState; }

namespace Effect {

class OutputShaderEffect {
public:
    using DrawState = Render::RenderObject::DrawState;

    // The modes of the outputs' "合成モード" list (0 to 12 by index) and the
    // highest mode a drawing state may carry.
    static const wchar_t* const BlendModeNames[13];
    static constexpr int MaxBlendMode = 23;

    // The general object draw of an output: the picture into the frame with the
    // object's drawing state as its output places it (getOutputView), under the
    // camera or group it references, else in the screen view of the scene.
    // Billboards under a camera set the object's fixed-size flag.
    void drawObject(Render::RenderObject& object, Media::RenderBuffer& frame, Media::ResourceBuffer& image);
    // Composites a picture already in frame space at a whole-pixel offset: its
    // centre lands at the frame centre moved by (x - centre x, y - centre y) of
    // the object's own drawing state, with the output's alpha and blend mode.
    void drawObjectDirect(Render::RenderObject& object, Media::RenderBuffer& frame, Media::ResourceBuffer& image);
    // Draws the object opaque-blended (mode 0, alpha 1) into a separate
    // picture of the scene size, as drawObject would place it (no billboard).
    void drawObjectOffscreen(Render::RenderObject& object, Media::ResourceBuffer& target, Media::ResourceBuffer& image);
    // The picture with a given drawing state in the screen view of the frame's
    // size, without camera or group: over the frame, or replacing it.
    void drawObjectScreen(const DrawState& state, Media::RenderBuffer& frame, Media::ResourceBuffer& image,
                          bool blendOver);
    // The picture through a caller's vertex list (null: the picture's centred
    // quad) into any picture, with the state's object matrix and the screen
    // view of the target's size. Blend modes read a copy of the target; modes
    // 20 and above replace the target with what the shader computes.
    void drawPolygon(const DrawState& state, Media::ResourceBuffer& target, Media::ResourceBuffer* image,
                     Media::VertexList* list);

    // Binds sampler 0 (the given one; none: clamp for a custom vertex list,
    // else transparent border), the "over" blend state, and the rasterizer
    // culling back faces when culling is set.
    void setShaderState(Platform::Gpu::SamplerState* sampler, bool culling, bool customList);
    // Uploads the object constants and binds them at b0 of both stages.
    void setConstantBuffer(const Media::ObjectConstant& constants);
    // Binds the frame with its depth, transparent and transparent-depth companions (u1 to u3).
    void setDepthTarget(Media::RenderBuffer& frame);
    // Binds the picture at t0 (when given), lets the list draw itself with the
    // shaders and target the caller bound, then unbinds t0, t1 and the targets.
    void drawVertexList(Media::ResourceBuffer* image, Media::VertexList& list);

    // The camera passes after its objects: the frame and the transparent layer
    // multiplied by the lighting of their normals (view: the direction towards
    // the viewer at the corners top-left, top-right, bottom-right, bottom-left),
    // and the transparent layer laid over the frame where it is nearer.
    void applyLights(Media::RenderBuffer& frame, const Math::float3 view[4]);
    void resolveTransparent(Media::RenderBuffer& frame);

    // transpose(world x view) into the constants' rows.
    static void setProjection(Media::ObjectConstant& constants, const Math::float4x4& worldView);
    // The world matrix of a state turned towards the camera for billboard mode
    // 3; whether the state is a billboard under a camera (any mode but 0).
    static bool applyBillboard(const DrawState& state, Math::float4x4& world);
    // The view a state is seen through: its camera's, else its group's, else
    // the screen matrix of width x height.
    static Math::float4x4 getViewMatrix(const DrawState& state, int width, int height);
};

} // namespace Effect
