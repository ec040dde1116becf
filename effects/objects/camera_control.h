#pragma once
// カメラ制御: the layers below the camera object become one 3D scene seen
// through a perspective camera. The render plan calls the camera twice per
// frame: before the objects of its range (the camera state and the
// view-projection those objects are drawn with) and after them (lighting,
// guides, the transparency resolve and the camera effects such as the light
// bloom). In the preview it adds a view-mode button, an orbit/zoom/pan
// handle and guides (camera_guides.cpp).
//
// Everything a frame works out lives in the frame's record of the camera
// object (Render::ControlView), never in the effect.
#include "effect/effect_item_layer.h"
#include "effect/effect_item_number.h"
#include "effect/move_effect.h"
#include "effects/objects/output_shader_effect.h"
#include "media/pixel_shader.h"
#include "media/vertex_list.h"
#include "project/model/camera_state.h"
#include "render/effect_names.h"

#include <array>
#include <memory>
#include <vector>

namespace Render { class ControlView; }

namespace Effect {

class CameraControl : public MoveEffect {
public:
    static constexpr const wchar_t* Name = Render::EffectName::CameraControl;
    using CameraState = Edit::CameraState;

    // The guide-line shader and its colour (float r, g, b, a), shared by every camera.
    struct CommonResource {
        CommonResource();
        Media::PixelShader guideShader;
        Media::ConstantBufferCommon colour;
    };
    // A guide segment between two points of the scene, its width in pixels and colour.
    struct GuideLine {
        Math::float3 a, b;
        float width;
        std::array<float, 4> colour;
    };

    CameraControl();
    std::shared_ptr<EffectBase> create() override;
    void createCommonResource() override;
    void shareResource(EffectBase& prototype) override;

    // The first pass's preparation, on the planning thread, so that the plan
    // orders the objects of the range by the depth this camera sees: the
    // camera state, the camera effects' preparation (lights, camera
    // scripts), then the view-projection of the frame. Nothing for the second pass.
    void preInputVideo(Render::RenderObject& object) override;
    // First pass: the frame takes the lights; second pass: lighting, guides,
    // transparency resolve and the camera effects' controlVideo.
    void controlVideo(Render::RenderObject& object) override;
    // The drawing state moved by X, Y, Z (where the camera stands).
    Render::RenderObject::DrawState getOutputView(Render::RenderObject& object) override;
    EffectItemLayerRange* getLayerRange() override { return &layerRange; }

    // ---- preview aids (camera_guides.cpp) ----
    // The target marker, the view-mode button, the camera handle and, in free
    // view, the camera's own points; after the second pass of a preview frame.
    void createAnchor(Render::RenderObject& object, int width, int height) override;
    // The view-mode button, the handle's drag (kind 4), else the point handles.
    bool anchorEvent(Anchor::AnchorEvent& event) override;
    // Orbit, zoom (Ctrl) or pan (Shift) about the target, or move along a
    // target that follows the camera. Runs inside the preview's step
    // transaction, which holds the project exclusively: the free-view camera
    // and the items change together, and no render reads half of them.
    void dragCamera(Anchor::AnchorEvent& event);
    // Whether a drag of the handle at that point may write the position and
    // target items (a point between values they do not hold may not).
    bool isCameraDragAllowed(int pointId, const Edit::Object& object) const;
    // The guides of a preview frame, drawn in the second pass: the camera
    // grid, the target axes and, in free view, the real camera's frustum.
    void drawGuides(Render::RenderObject& object);
    // The lines of those guides (the frustum's faces apart).
    std::vector<GuideLine> getGuideLines(const Render::RenderObject& object, Render::ControlView& record) const;
    // The four vertices of a guide line's strip through the view-projection
    // over a width x height frame: the segment cut at the near plane, widened
    // by the line's width across its screen direction. False when nothing of
    // it lies in front of the camera.
    static bool makeGuideQuad(const Math::float4x4& viewProjection, const GuideLine& line, int width, int height,
                              Media::XYZ_UV out[4]);

    // ---- the camera ----
    // Camera position plus target offset when the target layer is the
    // camera's own and does not move, else the target layer's object (or the
    // item's own point) plus the offset; w = 1.
    Math::float4 getTargetPosition(const Render::RenderObject& object) const;
    // The target moves with the camera (the first rule of getTargetPosition).
    bool isTargetRelative(const Render::RenderObject& object) const;
    // (frame height / 2) / tan(視野角 / 2); 1024 for 0 or less.
    double getFocalDistance(const Render::RenderObject& object, int frameHeight) const;
    // The camera state at the render object's frame.
    CameraState getCameraState(const Render::RenderObject& object, int frameHeight) const;

    // Look from the position to the target (z nudged by 1 when they meet),
    // then roll by the tilt.
    static Math::float4x4 makeCameraViewMatrix(const CameraState& camera);
    static Math::float4x4 makeViewProjection(const CameraState& camera, int width, int height);
    // Target minus position, with the same nudge.
    static Math::float3 getViewDirection(const CameraState& camera);
    // Unit directions from the frame's corners (top-left, top-right,
    // bottom-right, bottom-left) towards the eye, in world space; zero for a
    // camera whose view cannot be inverted.
    static void makeFrustumRays(int width, int height, const CameraState& camera, Math::float3 rays[4]);
    // The camera the frame is seen through: the scene's free-view camera in
    // free view, else the record's own.
    static const CameraState& sourceCamera(const Render::RenderObject& object, const Render::ControlView& record);

    EffectItemNumber x{items, L"X", 0, -100000, 100000, 0.01};
    EffectItemNumber y{items, L"Y", 0, -100000, 100000, 0.01};
    EffectItemNumber z{items, L"Z", -1024, -100000, 100000, 0.01};
    EffectItemNumber targetX{items, L"目標X", 0, -100000, 100000, 0.01};
    EffectItemNumber targetY{items, L"目標Y", 0, -100000, 100000, 0.01};
    EffectItemNumber targetZ{items, L"目標Z", 0, -100000, 100000, 0.01};
    EffectItemLayerObject targetLayer{items, L"目標レイヤー", 0, 0, 1000};
    EffectItemNumber tilt{items, L"傾き", 0, -3600, 3600, 0.01};
    EffectItemNumber fieldOfView{items, L"視野角", 0, 0, 120, 0.01};
    EffectItemLayerRange layerRange{items, L"対象レイヤー数"};
    EffectItemNumber::Group positionGroup;
    EffectItemNumber::Group targetGroup;

    OutputShaderEffect shader;
    std::shared_ptr<CommonResource> common;

};

} // namespace Effect
