#include "render/render_section.h"

#include "core/log.h"
#include "effect/effect_base.h"
#include "media/direct3d_service.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/effect_names.h"
#include "render/frame_passes.h"
#include "render/object_walk.h"
#include "render/render_object.h"
#include "render/render_video_worker.h"

#include <algorithm>
#include <array>
#include <functional>
#include <vector>

namespace Render {

namespace {

using Effect::EffectType;
using Effect::MediaType;
using ObjectPtr = std::shared_ptr<Edit::Object>;

constexpr float UnsortedDepth = 1000000000.0f;

// The plan's walk over the layers. Everything it hands to tasks is copied or
// reference-counted; the walk itself lives on the planning thread's stack.
class VideoPlan {
public:
    VideoPlan(RenderVideoWorker& worker, Edit::Scene* scene, int frame, Media::RenderBuffer* target,
              ResourceCache* cache, Anchor::AnchorList* anchors, int preRenderOffset, int lastLayer)
        : worker(worker), scene(*scene), lastLayer(lastLayer), requestedFrame(frame),
          requestedTime(static_cast<double>(frame)), groupName(EffectName::registered(EffectName::GroupControl)),
          cameraName(EffectName::registered(EffectName::CameraControl)),
          timeName(EffectName::registered(EffectName::TimeControl)),
          basicOutputName(EffectName::registered(EffectName::BasicOutput)),
          tint(anchors != nullptr && worker.visibleClippingObject != 0)
    {
        base.scene = scene;
        base.frame = frame;
        base.time = requestedTime;
        base.preRenderOffset = preRenderOffset;
        base.drawState.target = target;
        base.anchors = anchors;
        base.resourceCache = cache;
        base.videoWorker = &worker;
        std::copy(worker.clippingMaskColor, worker.clippingMaskColor + 4, tintColour.begin());
    }

    void clearTask()
    {
        Media::RenderBuffer* target = base.drawState.target;
        const int width = scene.width, height = scene.height;
        post([target, width, height] { FramePass::clearTarget(*target, width, height); });
    }

    void walkLayers()
    {
        const int last = std::min(scene.lastLayer, lastLayer);
        for (int i = 0; i <= last; ++i) {
            // A layer past the time control's range is looked up at the
            // requested frame again.
            if (timeControlActive && timeControlEnd != 0 && timeControlEnd < i)
                endTimeControl();
            const ObjectPtr& found = scene.findObject(i, base.frame, MediaType::Video);
            if (!found)
                continue;
            const ObjectPtr obj = found;
            base.layer = i;
            base.drawState.groupControl = groups.enter(i);
            if (camera && camera->object->layer + layerRange(*camera->object) < i)
                flushCamera();
            if (clip.mask && clip.endLayer != 0 && clip.endLayer < i)
                closeClip();
            Effect::EffectBase& top = *obj->effects.front();
            if (top.effectType == EffectType::Control)
                planControl(obj, top);
            else if (top.effectType == EffectType::Input && drawsVideo(*obj))
                planInput(obj);
        }
    }

    void finish()
    {
        flushCamera();
        closeClip();
        RenderVideoWorker* w = &worker;
        postAlways([w] { w->spareImage.reset(); });
    }

private:
    struct CameraEntry {
        RenderObject copy;
        ObjectPtr object;
        float depth;
    };

    // The drawing tasks of a frame whose ticket was cancelled meanwhile do nothing.
    void post(std::function<void()> task)
    {
        if (worker.planningTicket)
            task = [ticket = worker.planningTicket, task = std::move(task)] {
                if (!ticket->cancelled())
                    task();
            };
        postAlways(std::move(task));
    }
    void postAlways(std::function<void()> task) { worker.objectThread.request(0, std::move(task)); }

    static bool drawsVideo(const Edit::Object& object)
    {
        const Effect::EffectBase* output = object.effects.size() >= 2 ? object.effects[1].get() : nullptr;
        return output && (output->mediaType == MediaType::Video || output->mediaType == MediaType::VideoAudio);
    }

    void endTimeControl()
    {
        timeControlActive = false;
        base.frame = requestedFrame;
        base.time = requestedTime;
        timeControlEnd = 0;
    }

    void planControl(const ObjectPtr& obj, Effect::EffectBase& top)
    {
        if (clip.mask && clip.endLayer == 0)
            clip.endLayer = controlEnd(*obj);
        if (EffectName::is(top, groupName)) {
            // The group's own task still sees the enclosing group; what lies below sees this one.
            std::shared_ptr<ControlView> record = groups.open(obj);
            controlTask(obj, record);
            base.drawState.groupControl = std::move(record);
        } else if (EffectName::is(top, cameraName)) {
            flushCamera();
            // The first call: the camera reference is still empty.
            camera = std::make_shared<ControlView>(obj, nullptr);
            controlTask(obj, camera);
            base.drawState.cameraControl = camera;
        } else if (EffectName::is(top, timeName)) {
            if (timeControlActive) {
                base.frame = requestedFrame;
                base.time = requestedTime;
            }
            base.resetObject(obj);
            top.preInputVideo(base);
            timeControlActive = true;
            timeControlEnd = controlEnd(*obj);
        } else {
            controlTask(obj);
        }
    }

    void planInput(const ObjectPtr& obj)
    {
        if (obj->clipping) {
            drawClipping(obj);
            return;
        }
        if (clip.mask && clip.endLayer == 0)
            clip.endLayer = obj->layer;
        if (camera) {
            RenderObject copy = base;
            copy.resetObject(obj);
            cameraBatch.push_back({std::move(copy), obj, UnsortedDepth});
            return;
        }
        objectTask(base, obj);
    }

    // Prepares the object on the planning thread and queues its drawing.
    void objectTask(RenderObject& state, const ObjectPtr& obj, std::shared_ptr<Media::RenderBuffer> hold = nullptr)
    {
        state.resetObject(obj);
        state.collectFilterObjects(MediaType::Video);
        state.collectGroupControls();
        state.prepareEffects();
        post([copy = state, hold = std::move(hold)]() mutable { copy.renderObject(); });
        state.objectList.reset();
    }

    void controlTask(const ObjectPtr& obj, std::shared_ptr<ControlView> record = nullptr)
    {
        base.resetObject(obj);
        std::shared_ptr<Effect::EffectBase> effect = obj->effects.front();
        base.control = std::move(record);
        struct Release {
            RenderObject& base;
            ~Release() { base.control.reset(); }
        } release{base};
        effect->preInputVideo(base);
        post([copy = base, effect]() mutable {
            if (copy.videoWorker)
                copy.videoWorker->spareImage.reset();
            effect->controlVideo(copy);
            if (copy.anchors) {
                copy.focusFixedSize = true;
                effect->createAnchor(copy, 0, 0);
            }
        });
    }

    void flushCamera()
    {
        if (!camera)
            return;
        std::vector<CameraEntry*> sorted;
        std::vector<CameraEntry*> flat;
        for (CameraEntry& entry : cameraBatch) {
            const Edit::Object& obj = *entry.object;
            const Effect::EffectBase* output = obj.effects.size() >= 2 ? obj.effects[1].get() : nullptr;
            if (obj.camera && !obj.clipping && output && !EffectName::is(*output, basicOutputName)) {
                const RenderObject::DrawState state = entry.copy.getOutputView();
                const Math::float4 p = Math::float4{0, 0, 0, 1} * state.getWorldViewMatrix();
                entry.depth = p.z > 0 ? p.z / p.w : p.z;
                if (state.alpha < 1 || state.blendMode != 0)
                    entry.depth -= 10000;
                sorted.push_back(&entry);
            } else {
                entry.copy.drawState.cameraControl.reset();
                flat.push_back(&entry);
            }
        }
        // Farthest first; equal depths keep layer order, so frames repeat exactly.
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const CameraEntry* a, const CameraEntry* b) { return a->depth > b->depth; });
        for (CameraEntry* entry : sorted)
            objectTask(entry->copy, entry->object);
        // The second call: the camera reference is set.
        controlTask(camera->object, camera);
        camera.reset();
        base.drawState.cameraControl.reset();
        base.firstCameraPass = false;
        for (CameraEntry* entry : flat)
            objectTask(entry->copy, entry->object);
        cameraBatch.clear();
    }

    void drawClipping(const ObjectPtr& obj)
    {
        Media::Direct3DService* d3d = worker.direct3d;
        if (!clip.mask) {
            clip.mask = std::make_shared<Media::RenderBuffer>(d3d->MaskFormat);
            clip.snapshot = std::make_shared<Media::ResourceBuffer>(0, 0, d3d->PixelFormat);
            clip.endLayer = 0;
            Media::RenderBuffer* frame = base.drawState.target;
            post([frame, mask = clip.mask, snapshot = clip.snapshot] {
                FramePass::prepareClip(*frame, *mask, *snapshot);
            });
        }
        RenderObject copy = base;
        copy.drawState.target = clip.mask.get();
        objectTask(copy, obj, clip.mask);
        base.firstClipPass = false;
    }

    void closeClip()
    {
        if (!clip.mask)
            return;
        post([frame = base.drawState.target, mask = clip.mask, snapshot = clip.snapshot, tint = tint,
              colour = tintColour] {
            FramePass::compositeClip(*frame, *mask, *snapshot);
            if (tint)
                FramePass::tintClip(*frame, *mask, colour.data());
        });
        clip.mask.reset();
        clip.snapshot.reset();
        clip.endLayer = 0;
    }

    RenderVideoWorker& worker;
    Edit::Scene& scene;
    const int lastLayer;
    RenderObject base;
    const int requestedFrame;
    const double requestedTime;
    bool timeControlActive = false;
    int timeControlEnd = 0;
    GroupWalk groups;
    std::shared_ptr<ControlView> camera; // the camera met and not yet flushed
    std::vector<CameraEntry> cameraBatch;
    struct {
        std::shared_ptr<Media::RenderBuffer> mask;
        std::shared_ptr<Media::ResourceBuffer> snapshot;
        int endLayer = 0;
    } clip;
    // Registered names of the effects the plan recognises.
    const wchar_t* groupName;
    const wchar_t* cameraName;
    const wchar_t* timeName;
    const wchar_t* basicOutputName;
    // Preview frames show the clipping shapes tinted.
    const bool tint;
    std::array<float, 4> tintColour;
};

} // namespace

RenderWorkerBase::RenderSection::RenderSection(RenderVideoWorker& worker, Edit::Scene* scene, int frame,
                                               Media::RenderBuffer* target, ResourceCache* cache,
                                               Anchor::AnchorList* anchors, int preRenderOffset, int lastLayer,
                                               bool preRender)
{
    VideoPlan plan(worker, scene, frame, target, cache, anchors, preRenderOffset, lastLayer);
    plan.clearTask();
    const int key = scene->id + (preRender ? PreRenderKey : 0);
    if (!worker.planningScenes.insert(key).second) {
        System::Log::warn("Render::RenderWorkerBase::RenderSection::RenderSection", "recursive scene. index=%d num=%d",
                          key, static_cast<int>(worker.planningScenes.size()));
        return; // the key belongs to the plan that is already running
    }
    struct Release {
        RenderWorkerBase& worker;
        int key;
        ~Release() { worker.planningScenes.erase(key); }
    } release{worker, key};
    plan.walkLayers();
    plan.finish();
}

} // namespace Render
