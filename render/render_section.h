#pragma once
// The render plan of one scene at one frame: which objects are drawn, in
// which order, with which camera, group and time controls. Building it queues
// every drawing step as a task on the video worker's object thread, in
// drawing order; it draws nothing itself. It runs on the planning thread with
// the project lock held shared.
#include "render/render_worker_base.h"

namespace Anchor { class AnchorList; }
namespace Edit { class Scene; }
namespace Media { class RenderBuffer; }

namespace Render {

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
};

} // namespace Render
