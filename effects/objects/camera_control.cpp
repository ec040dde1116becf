#include "effects/objects/camera_control.h"

#include "effect/effect_types.h"
#include "effect/movement.h"
#include "media/render_buffer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_video_worker.h"

#include "effects/objects/camera_guide.ps.glsl.h"

#include <algorithm>
#include <cmath>

namespace Effect {

namespace {

using Math::float3;
using Math::float4;
using Math::float4x4;
using Render::ControlView;

constexpr double RadiansPerDegree = 0.017453292;

float3 xyz(const Edit::CameraState::Vector& v) { return {v.x, v.y, v.z}; }

// The look-at point, nudged one unit along z when it is the eye itself.
float3 lookAt(const Edit::CameraState& camera)
{
    float3 at = xyz(camera.target);
    const float3 eye = xyz(camera.position);
    if (at.x == eye.x && at.y == eye.y && at.z == eye.z)
        at.z += 1;
    return at;
}

bool finite(const float4x4& m)
{
    for (const auto& row : m.m)
        if (!Math::isFinite({row[0], row[1], row[2], row[3]}))
            return false;
    return true;
}

int frameWidth(const Render::RenderObject& object)
{
    return object.scene ? std::max(object.scene->width, 1) : 1;
}
int frameHeight(const Render::RenderObject& object)
{
    return object.scene ? std::max(object.scene->height, 1) : 1;
}

} // namespace

CameraControl::CameraControl()
    : MoveEffect(Name, EffectType::Control, MediaType::Video, MediaType::Camera, L"オブジェクト制御")
{
    EffectItemNumber::makeGroup(positionGroup, {&x, &y, &z});
    EffectItemNumber::makeGroup(targetGroup, {&targetX, &targetY, &targetZ});
    pointItems = &positionGroup;
    targetLayer.zeroText = L"---";
    fieldOfView.zeroText = L"既定値";
}

std::shared_ptr<EffectBase> CameraControl::create() { return std::make_shared<CameraControl>(); }

CameraControl::CommonResource::CommonResource()
{
    guideShader.loadFromMemory(camera_guide_ps_glsl, sizeof(camera_guide_ps_glsl));
    const float white[4] = {1, 1, 1, 1};
    Media::ConstantBufferCommon::create(colour, white, sizeof(white));
}

void CameraControl::createCommonResource() { common = std::make_shared<CommonResource>(); }

void CameraControl::shareResource(EffectBase& prototype) { common = dynamic_cast<CameraControl&>(prototype).common; }

// ---- the camera ----

bool CameraControl::isTargetRelative(const Render::RenderObject& object) const
{
    return targetLayer.movement == NoMove::instance && object.object &&
           static_cast<int>(targetLayer.getValue(object)) - 1 == object.object->layer;
}

float4 CameraControl::getTargetPosition(const Render::RenderObject& object) const
{
    const float3 offset{static_cast<float>(targetX.getValue(object)), static_cast<float>(targetY.getValue(object)),
                        static_cast<float>(targetZ.getValue(object))};
    float3 base;
    if (isTargetRelative(object)) {
        base = {static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)),
                static_cast<float>(z.getValue(object))};
    } else {
        const EffectItemLayerObject::Position p = targetLayer.getPosition(object);
        base = {p.x, p.y, p.z};
    }
    return Math::point(base + offset);
}

double CameraControl::getFocalDistance(const Render::RenderObject& object, int height) const
{
    const double f = fieldOfView.getValue(object);
    if (!(f > 0))
        return 1024;
    return height * 0.5 / std::tan(f * 0.5 * RadiansPerDegree);
}

CameraControl::CameraState CameraControl::getCameraState(const Render::RenderObject& object, int height) const
{
    CameraState camera;
    camera.position = {static_cast<float>(x.getValue(object)), static_cast<float>(y.getValue(object)),
                       static_cast<float>(z.getValue(object)), 1};
    const float4 target = getTargetPosition(object);
    camera.target = {target.x, target.y, target.z, 1};
    camera.up = {0, 1, 0, 0};
    camera.tilt = static_cast<float>(tilt.getValue(object));
    camera.focalDistance = static_cast<float>(getFocalDistance(object, height));
    return camera;
}

float3 CameraControl::getViewDirection(const CameraState& camera) { return lookAt(camera) - xyz(camera.position); }

float4x4 CameraControl::makeCameraViewMatrix(const CameraState& camera)
{
    const float3 eye = xyz(camera.position);
    return Math::lookToLH(eye, lookAt(camera) - eye, xyz(camera.up)) * Math::rotationZ(camera.tilt);
}

float4x4 CameraControl::makeViewProjection(const CameraState& camera, int width, int height)
{
    return makeCameraViewMatrix(camera) *
           Math::perspective(static_cast<float>(std::max(width, 1)), static_cast<float>(std::max(height, 1)),
                             camera.focalDistance);
}

void CameraControl::makeFrustumRays(int width, int height, const CameraState& camera, float3 rays[4])
{
    const float4x4 inverse = Math::inverse(makeCameraViewMatrix(camera));
    if (!finite(inverse)) {
        std::fill(rays, rays + 4, float3{});
        return;
    }
    const float w = static_cast<float>(width) / 2, h = static_cast<float>(height) / 2, g = camera.focalDistance;
    const float4 eye = float4{0, 0, 0, 1} * inverse;
    const float corners[4][2] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
    for (int k = 0; k < 4; ++k) {
        const float4 c = float4{corners[k][0], corners[k][1], g, 1} * inverse;
        rays[k] = Math::normalize({eye.x - c.x, eye.y - c.y, eye.z - c.z});
    }
}

const CameraControl::CameraState& CameraControl::sourceCamera(const Render::RenderObject& object,
                                                              const ControlView& record)
{
    return record.freeView && object.scene ? object.scene->displayCamera : record.camera;
}

// ---- the two passes ----

void CameraControl::preInputVideo(Render::RenderObject& object)
{
    if (object.drawState.cameraControl || !object.control)
        return;
    ControlView& record = *object.control;
    const int width = frameWidth(object), height = frameHeight(object);
    record.freeView = object.anchors && object.videoWorker && object.videoWorker->cameraFreeView != 0;
    record.camera = getCameraState(object, height);
    record.targetAxes = {};

    // The camera effects of the camera object and of the filter objects below
    // it prepare with the camera referenced: the lights add their records to
    // it and camera scripts may change its state before the matrix is made.
    struct Restore {
        Render::RenderObject& object;
        ~Restore()
        {
            object.drawState.cameraControl.reset();
            object.objectList.reset();
        }
    } restore{object};
    object.drawState.cameraControl = object.control;
    object.collectFilterObjects(MediaType::Camera);
    object.prepareEffects();

    const CameraState& source = sourceCamera(object, record);
    record.viewDirection = getViewDirection(source);
    record.viewProjection = makeViewProjection(source, width, height);
}

void CameraControl::controlVideo(Render::RenderObject& object)
{
    object.drawState.groupControl.reset();
    if (!object.control || !object.drawState.target)
        return;
    ControlView& record = *object.control;
    Media::RenderBuffer& frame = *object.drawState.target;

    if (!object.drawState.cameraControl) {
        // First pass: the objects of the range draw next, lit when the frame has lights.
        auto& lights = frame.getLights();
        lights.insert(lights.end(), record.lights.begin(), record.lights.end());
        record.lights.clear();
        object.drawState.cameraControl = object.control;
        // The camera's own handles come with the second pass.
        object.anchors = nullptr;
        return;
    }

    // Second pass. A companion nothing made holds nothing to light or
    // resolve: the pass over it is skipped.
    const auto companions = frame.getCompanions();
    if (!frame.getLights().empty() && companions[3]) {
        float3 rays[4];
        makeFrustumRays(frameWidth(object), frameHeight(object), sourceCamera(object, record), rays);
        shader.applyLights(frame, rays);
    }
    if (object.anchors)
        drawGuides(object);
    if (frame.getCompanions()[1])
        shader.resolveTransparent(frame);
    object.collectFilterObjects(MediaType::Camera);
    object.controlFilterEffects();
    object.objectList.reset();
}

Render::RenderObject::DrawState CameraControl::getOutputView(Render::RenderObject& object)
{
    return getPositionedView(object);
}

} // namespace Effect
