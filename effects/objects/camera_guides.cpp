// カメラ制御 in the preview: its handles, their events and the guides it
// draws into preview frames.
#include "effects/objects/camera_control.h"

#include "effect/anchor_host.h"
#include "effect/anchor_list.h"
#include "media/direct3d_service.h"
#include "media/object_draw.h"
#include "media/render_buffer.h"
#include "media/shader_list.h"
#include "media/state_list.h"
#include "media/vertex_shader.h"
#include "platform/gpu/gpu.h"
#include "project/edit/edit_service.h"
#include "project/edit/preview_commands.h"
#include "project/model/layer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/render_service.h"
#include "render/render_video_worker.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace Effect {

namespace {

using Anchor::AnchorEvent;
using Anchor::AnchorItem;
using Anchor::Flag;
using Math::float3;
using Math::float4;
using Math::float4x4;
using Render::ControlView;

constexpr float Tau = 6.2831855f;

float3 xyz(const Edit::CameraState::Vector& v) { return {v.x, v.y, v.z}; }
float3 xyz(const float4& v) { return {v.x, v.y, v.z}; }

// The section point whose frame the render object's frame is, else all points.
int pointAtFrame(const Edit::Object& object, int frame)
{
    if (frame == object.start)
        return 0;
    for (size_t k = 0; k < object.midPoints.size(); ++k)
        if (frame == object.start + object.midPoints[k])
            return static_cast<int>(k) + 1;
    if (frame == object.end)
        return static_cast<int>(object.midPoints.size()) + 1;
    return Anchor::Id::AllPoints;
}

size_t largestValueCount(const EffectItemNumber::Group& group)
{
    size_t largest = 0;
    for (const EffectItemNumber* item : group)
        largest = std::max(largest, item->values.size());
    return largest;
}

// The camera's own frame corners in the scene: view space (±w/2, ±h/2, g)
// through the inverse of its view.
bool frustumCorners(const CameraControl::CameraState& camera, int width, int height, float3 corners[4])
{
    const float4x4 inverse = Math::inverse(CameraControl::makeCameraViewMatrix(camera));
    const float w = static_cast<float>(width) / 2, h = static_cast<float>(height) / 2, g = camera.focalDistance;
    const float view[4][2] = {{-w, -h}, {w, -h}, {w, h}, {-w, h}};
    for (int k = 0; k < 4; ++k) {
        const float4 c = float4{view[k][0], view[k][1], g, 1} * inverse;
        if (!Math::isFinite(c) || c.w == 0)
            return false;
        corners[k] = {c.x / c.w, c.y / c.w, c.z / c.w};
    }
    return true;
}

} // namespace

// ---- handles ----

void CameraControl::createAnchor(Render::RenderObject& object, int width, int height)
{
    if (!object.anchors || !object.object || !object.control || lock)
        return;
    const Edit::Object& camera = *object.object;
    if (object.scene && camera.layer >= 0 && camera.layer < object.scene->layerCount() &&
        object.scene->getLayer(camera.layer).layer->lock)
        return;
    std::shared_ptr<EffectBase> self;
    for (const std::shared_ptr<EffectBase>& effect : camera.effects)
        if (effect.get() == this)
            self = effect;
    if (!self)
        return;
    const ControlView& record = *object.control;
    Anchor::AnchorList& list = *object.anchors;

    if (isFocus(object))
        list.addMarker(self, Math::point(xyz(record.camera.target)) * record.viewProjection, nullptr);
    if (object.firstCameraPass) {
        // Grey in free view; green while both points can be dragged here, else white.
        AnchorItem& button = list.addObjectFrame(object.object, self, Anchor::Id::CameraViewButton, nullptr);
        button.bitmapIndex = record.freeView ? 2
                             : EffectItemNumber::isAnchorGroupEditable(positionGroup, object) &&
                                       EffectItemNumber::isAnchorGroupEditable(targetGroup, object)
                                 ? 0
                                 : 1;
    }

    const CameraState& source = sourceCamera(object, record);
    const float3 p = xyz(source.position), t = xyz(source.target), d = p - t;
    AnchorItem& handle = list.items.emplace_back(Anchor::Shape::CameraView, Flag::CameraView, object.object, self,
                                                 pointAtFrame(camera, object.frame));
    handle.matrix = record.viewProjection;
    handle.dragVector1 = {static_cast<float>(targetX.getValue(object)), static_cast<float>(targetY.getValue(object)),
                          static_cast<float>(targetZ.getValue(object)), 1};
    handle.dragVector2 = Math::point(t);
    handle.dragBase = {std::atan2(std::sqrt(d.x * d.x + d.z * d.z), d.y), std::atan2(d.x, d.z), Math::length(d),
                       isTargetRelative(object) && !record.freeView ? 1.0f : 0.0f};

    // In free view the camera's own position can be dragged in 3D.
    if (record.freeView)
        AnchorEffectBase::createAnchor(object, width, height);
}

bool CameraControl::anchorEvent(AnchorEvent& event)
{
    if (event.kind == AnchorEvent::Activate && event.id == Anchor::Id::CameraViewButton) {
        const Render::RenderService* render = Render::RenderService::Get();
        Edit::EditCommand::setCameraFreeView(!(render && render->videoWorker.cameraFreeView != 0));
        return true;
    }
    if (event.kind == AnchorEvent::CameraDrag) {
        dragCamera(event);
        return true;
    }
    return MoveEffect::anchorEvent(event);
}

bool CameraControl::isCameraDragAllowed(int pointId, const Edit::Object& object) const
{
    const size_t position = largestValueCount(positionGroup), target = largestValueCount(targetGroup);
    if (pointId == Anchor::Id::AllPoints)
        return position <= 1 && target <= 1;
    const size_t mids = object.midPoints.size();
    if (pointId >= 1 && static_cast<size_t>(pointId) <= mids) {
        const auto fits = [&](size_t count) { return count <= 1 || count == mids + 2; };
        return fits(position) && fits(target);
    }
    return true;
}

void CameraControl::dragCamera(AnchorEvent& event)
{
    if (!event.object)
        return;
    const float4x4& matrix = event.matrix;
    float3 offset = xyz(event.dragVector1);
    float3 target = xyz(event.dragVector2);
    float polar = event.dragBase.x, azimuth = event.dragBase.y, distance = event.dragBase.z;
    const bool relative = event.dragBase.w == 1.0f;
    const bool allowed = isCameraDragAllowed(event.id, *event.object);
    // The pixels the pointer moved since the drag began (or since the last
    // step, for the moves that add to the items).
    const float dx = static_cast<float>(event.dragOffset.x), dy = static_cast<float>(event.dragOffset.y);
    const auto panned = [&](float x, float y) { return xyz(event.movePoint({0, 0, 0, 1}, matrix, -x, -y)); };

    if (!relative) {
        if (event.shiftKey) {
            const float3 moved = panned(dx, dy);
            offset = offset + moved;
            target = target + moved;
        } else if (event.controlKey) {
            distance = std::max(distance + dy * 8, 4.0f);
        } else {
            azimuth += dx * Tau * 0.0005f;
            polar = std::clamp(polar + dy * Tau * 0.0005f, 0.001f, 3.1405928f);
        }
        const float3 position =
            target + float3{std::sin(polar) * std::sin(azimuth), std::cos(polar), std::sin(polar) * std::cos(azimuth)} *
                         distance;
        const Render::RenderService* render = Render::RenderService::Get();
        if (render && render->videoWorker.cameraFreeView != 0) {
            // The free view keeps its target at least 256 in front of it.
            const float3 ahead = target - position;
            if (Math::length(ahead) < 256)
                target = position + Math::normalize(ahead) * 256;
            if (Edit::EditService* edit = Edit::EditService::Get(); edit && edit->currentScene) {
                CameraState& free = edit->currentScene->displayCamera;
                free.position = {position.x, position.y, position.z, 1};
                free.target = {target.x, target.y, target.z, 1};
            }
            return;
        }
        if (!allowed) {
            AnchorHost::get().showDeniedCursor();
            return;
        }
        x.setAnchorValue(event.id, *event.object, position.x);
        y.setAnchorValue(event.id, *event.object, position.y);
        z.setAnchorValue(event.id, *event.object, position.z);
        if (event.shiftKey) {
            targetX.setAnchorValue(event.id, *event.object, offset.x);
            targetY.setAnchorValue(event.id, *event.object, offset.y);
            targetZ.setAnchorValue(event.id, *event.object, offset.z);
        }
        return;
    }

    // The target follows the camera: the camera moves, along its direction
    // with Ctrl, else in the picture plane.
    if (!allowed) {
        AnchorHost::get().showDeniedCursor();
        return;
    }
    const float sx = static_cast<float>(event.dragStep.x), sy = static_cast<float>(event.dragStep.y);
    float3 move;
    if (event.controlKey) {
        const float3 along = Math::length(offset) > 0 ? Math::normalize(offset) : float3{0, 0, 1};
        move = along * (-sy * 8);
    } else {
        move = panned(sx, sy);
    }
    x.addAnchorValue(event.id, *event.object, move.x);
    y.addAnchorValue(event.id, *event.object, move.y);
    z.addAnchorValue(event.id, *event.object, move.z);
}


// ---- guides ----

std::vector<CameraControl::GuideLine> CameraControl::getGuideLines(const Render::RenderObject& object,
                                                                   ControlView& record) const
{
    std::vector<GuideLine> lines;
    const Edit::Scene* scene = object.scene;
    if (!scene)
        return lines;
    const std::array<float, 4> grey{0.4f, 0.4f, 0.4f, 0.8f};
    if (object.videoWorker && object.videoWorker->cameraGrid != 0) {
        // An interval below 1 (an edited project file) counts as 1.
        const double step = std::clamp<double>(std::isfinite(scene->gridStep) ? scene->gridStep : 1, 1, 10000);
        const double range = std::clamp<double>(std::isfinite(scene->gridRange) ? scene->gridRange : 10, 10, 100000);
        const float r = static_cast<float>(range);
        const int count = static_cast<int>(std::floor(2 * range / step)) + 1;
        lines.reserve(size_t(count) * 2);
        for (int k = 0; k < count; ++k) {
            const float u = static_cast<float>(-range + k * step);
            lines.push_back({{u, 0, -r}, {u, 0, r}, 1, grey});
            lines.push_back({{-r, 0, u}, {r, 0, u}, 1, grey});
        }
    }
    if (isFocus(object))
        record.targetAxes = Math::point(xyz(record.camera.target));
    if (record.targetAxes.w > 0) {
        const float3 t = xyz(record.targetAxes);
        constexpr float far = 1000000;
        lines.push_back({{-far, t.y, t.z}, {far, t.y, t.z}, 1.5f, {0.4f, 0.15f, 0.15f, 0.4f}});
        lines.push_back({{t.x, t.y, -far}, {t.x, t.y, far}, 1.5f, {0.15f, 0.15f, 0.4f, 0.4f}});
        lines.push_back({{t.x, -far, t.z}, {t.x, far, t.z}, 1.5f, {0.1f, 0.2f, 0.1f, 0.4f}});
    }
    float3 corners[4];
    if (record.freeView && frustumCorners(record.camera, scene->width, scene->height, corners)) {
        // The real camera, seen from the free view.
        const std::array<float, 4> white{1, 1, 1, 0.8f};
        const float3 eye = xyz(record.camera.position);
        lines.push_back({eye, xyz(record.camera.target), 1.5f, white});
        for (int k = 0; k < 4; ++k)
            lines.push_back({corners[k], corners[(k + 1) % 4], 1, white});
        for (const float3& corner : corners)
            lines.push_back({eye, corner, 1.5f, white});
    }
    return lines;
}

bool CameraControl::makeGuideQuad(const float4x4& viewProjection, const GuideLine& line, int width, int height,
                                  Media::XYZ_UV out[4])
{
    float4 a = Math::point(line.a) * viewProjection;
    float4 b = Math::point(line.b) * viewProjection;
    // In front of the near plane while w / z - 1 > 0.
    const float fa = a.w / a.z - 1, fb = b.w / b.z - 1;
    const bool frontA = fa > 0, frontB = fb > 0;
    if (!frontA && !frontB)
        return false;
    if (frontA != frontB) {
        const float t = fa / (fa - fb);
        const float4 cut = a + (b - a) * t;
        (frontA ? b : a) = cut;
    }
    if (!Math::isFinite(a) || !Math::isFinite(b) || a.w == 0 || b.w == 0)
        return false;
    a = a * (1 / a.w);
    b = b * (1 / b.w);
    // The segment's direction in pixels, turned a quarter and scaled to the width.
    const float halfW = static_cast<float>(width) / 2, halfH = static_cast<float>(height) / 2;
    const float px = (b.x - a.x) * halfW, py = (b.y - a.y) * halfH;
    const float length = std::sqrt(px * px + py * py);
    if (!(length > 0))
        return false;
    const float nx = -py / length * line.width / halfW, ny = px / length * line.width / halfH;
    const float ends[2][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}};
    for (int e = 0; e < 2; ++e)
        for (int side = 0; side < 2; ++side) {
            const float sign = side == 0 ? -1.0f : 1.0f;
            out[e * 2 + side] = {ends[e][0] + sign * nx, ends[e][1] + sign * ny, ends[e][2],
                                 static_cast<float>(e), static_cast<float>(side), 1, 0};
        }
    return true;
}

void CameraControl::drawGuides(Render::RenderObject& object)
{
    if (!object.control || !object.drawState.target || !object.scene || !common)
        return;
    ControlView& record = *object.control;
    Media::RenderBuffer& frame = *object.drawState.target;
    const int width = static_cast<int>(frame.getWidth()), height = static_cast<int>(frame.getHeight());
    const std::vector<GuideLine> lines = getGuideLines(object, record);

    // Every line's strip and the frustum's faces share one vertex buffer, as
    // a list of triangles, so that lines of one colour in a row (the whole
    // grid) are one draw. A line's two triangles are the ones its strip made
    // (0 1 2, 1 3 2), so the pixels stay the same.
    std::vector<Media::XYZ_UV> vertices;
    vertices.reserve(lines.size() * 6 + 12);
    struct Run {
        uint32_t first, count;
        std::array<float, 4> colour;
    };
    std::vector<Run> runs;
    const auto append = [&](std::initializer_list<Media::XYZ_UV> triangles, const std::array<float, 4>& colour,
                            bool startsRun) {
        if (startsRun || runs.empty() || runs.back().colour != colour)
            runs.push_back({static_cast<uint32_t>(vertices.size()), 0, colour});
        runs.back().count += static_cast<uint32_t>(triangles.size());
        vertices.insert(vertices.end(), triangles);
    };
    for (const GuideLine& line : lines) {
        Media::XYZ_UV q[4];
        if (makeGuideQuad(record.viewProjection, line, width, height, q))
            append({q[0], q[1], q[2], q[1], q[3], q[2]}, line.colour, false);
    }
    const size_t lineVertices = vertices.size();
    float3 corners[4];
    if (record.freeView && frustumCorners(record.camera, object.scene->width, object.scene->height, corners)) {
        const float3 eye = xyz(record.camera.position);
        const int faces[4][2] = {{0, 1}, {1, 2}, {3, 0}, {2, 3}}; // the last: the side of the up vector
        for (int f = 0; f < 4; ++f) {
            const float3 a = corners[faces[f][0]], b = corners[faces[f][1]];
            // The faces, seen through the view-projection, begin a run of their own.
            append({{eye.x, eye.y, eye.z, 0.5f, 0.5f, 1, 0}, {a.x, a.y, a.z, 0.5f, 0.5f, 1, 0},
                    {b.x, b.y, b.z, 0.5f, 0.5f, 1, 0}},
                   f == 3 ? std::array<float, 4>{1, 1, 1, 0.3f} : std::array<float, 4>{0, 0, 0, 0.3f}, f == 0);
        }
    }
    if (vertices.empty())
        return;

    Media::VertexBufferCommon buffer;
    buffer.topology = Platform::Gpu::Topology::TriangleList;
    Media::VertexBufferCommon::create(buffer, vertices.data(), static_cast<uint32_t>(vertices.size()),
                                      sizeof(Media::XYZ_UV));
    Media::Direct3DService* d3d = Media::Direct3DService::Get();
    Shader::ShaderList& shaders = *Shader::ShaderList::published();
    Media::ObjectDraw::setTarget(frame, Media::ObjectDraw::Companions::Depth);
    d3d->bindVertexShader(shaders.objectVertexShader);
    d3d->bindPixelShader(common->guideShader);
    d3d->bindBlendState(Shader::BlendStateList::published()->get(Shader::BlendStateList::Over), nullptr);
    d3d->bindRasterizerState(Shader::RasterizerStateList::published()->get(Shader::RasterizerStateList::Solid));
    // The lines are in clip space already; the faces go through the view-projection.
    const auto useProjection = [&](const float4x4& m) {
        Media::ObjectConstant constants;
        OutputShaderEffect::setProjection(constants, m);
        constants.alpha = 1;
        Media::ObjectDraw::setConstants(constants);
        d3d->bindConstantBuffer(Platform::Gpu::Stage::Pixel, 0, common->colour.buffer.get());
    };
    useProjection(Math::identity());
    std::array<float, 4> bound{-1, -1, -1, -1};
    for (const Run& run : runs) {
        if (run.first == lineVertices)
            useProjection(record.viewProjection);
        if (run.colour != bound) {
            common->colour.update(run.colour.data());
            bound = run.colour;
        }
        d3d->drawVertexBuffer(buffer, run.first, run.count);
    }
    Media::ObjectDraw::clear();
}

} // namespace Effect
