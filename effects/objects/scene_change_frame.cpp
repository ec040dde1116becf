#include "effects/objects/scene_change_frame.h"

#include "core/log.h"
#include "project/model/object.h"
#include "render/render_object.h"
#include "render/render_video_worker.h"

#include <algorithm>

namespace Effect::SceneChangeFrame {

void request(Render::RenderObject& object)
{
    if (!object.videoWorker || !object.object || !object.scene)
        return;
    const int start = object.object->start;
    object.preInput = object.videoWorker->preRenderFrame(object.scene, start - 1, object.frame - start + 1,
                                                         object.object->layer - 1);
}

Media::RenderBuffer* before(Render::RenderObject& object, const char* place)
{
    if (!object.preInput) {
        System::Log::warn(place, "no before frame buffer");
        return nullptr;
    }
    auto* rendered = dynamic_cast<Render::RenderVideoWorker::RenderingBuffer*>(object.preInput.get());
    if (!rendered) {
        System::Log::warn(place, "invalid before frame buffer");
        return nullptr;
    }
    return &rendered->buffer;
}

float progress(const Render::RenderObject& object)
{
    if (!object.object)
        return 1;
    const float done = static_cast<float>(object.frame - object.object->start + 1);
    const float length = static_cast<float>(object.object->end - object.object->start + 1);
    return std::clamp(done / length, 0.0f, 1.0f);
}

} // namespace Effect::SceneChangeFrame
