#pragma once
// The render plan of one scene at one frame: which objects are drawn (or
// sound), in which order, with which camera, group and time controls.
// Building it queues every drawing or mixing step as a task on the worker's
// object thread, in order; it draws and mixes nothing itself. It runs on the
// planning thread with the project lock held shared.
#include "render/render_worker_base.h"

namespace Anchor { class AnchorList; }
namespace Edit { class Scene; }
namespace Media {
class AudioBlockBuffer;
class RenderBuffer;
}

namespace Render {

class RenderAudioWorker;
class RenderVideoWorker;
class ResourceCache;

class RenderWorkerBase::RenderSection {
public:
    // Plans the scene's layers 0 to lastLayer at the frame into the target;
    // returns once every task is queued. Handles go to anchors when given.
    // An effect that throws while the plan prepares it ends the plan: the
    // tasks queued so far stay queued (the caller waits for them) and the
    // exception leaves.
    RenderSection(RenderVideoWorker& worker, Edit::Scene* scene, int frame, Media::RenderBuffer* target,
                  ResourceCache* cache, Anchor::AnchorList* anchors, int preRenderOffset, int lastLayer,
                  bool preRender);
    // Plans the sound of the scene's frame into the block, which the plan's
    // first task makes stereo, frame-sized and silent. As above when an effect
    // throws.
    RenderSection(RenderAudioWorker& worker, Edit::Scene* scene, int frame, Media::AudioBlockBuffer* block);
};

} // namespace Render
