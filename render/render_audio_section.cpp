// The audio form of the render plan: the layers of a scene at one frame,
// with group audio controls and time controls, one mixing task per sounding
// object on the audio object thread.
#include "core/log.h"
#include "effect/effect_base.h"
#include "media/audio_buffer.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/control_view.h"
#include "render/effect_names.h"
#include "render/object_walk.h"
#include "render/render_audio_object.h"
#include "render/render_audio_worker.h"
#include "render/render_section.h"

#include <functional>
#include <vector>

namespace Render {

namespace {

using Effect::EffectType;
using Effect::MediaType;
using ObjectPtr = std::shared_ptr<Edit::Object>;

bool soundsAudio(const Edit::Object& object)
{
    const Effect::EffectBase* output = object.effects.size() >= 2 ? object.effects[1].get() : nullptr;
    return output && (output->mediaType == MediaType::Audio || output->mediaType == MediaType::VideoAudio);
}

class AudioPlan {
public:
    AudioPlan(RenderAudioWorker& worker, Edit::Scene* scene, int frame, Media::AudioBlockBuffer* block)
        : worker(worker), scene(*scene), groupAudioName(EffectName::registered(EffectName::GroupAudioControl)),
          timeName(EffectName::registered(EffectName::TimeControl))
    {
        base.scene = scene;
        base.frame = frame;
        base.time = static_cast<double>(frame);
        base.num = 1;
        base.block = block;
        base.audioWorker = &worker;
        base.updateSampleRange();
        requested = {base.frame, base.time, base.firstSample, base.sampleCount};
    }

    void blockTask()
    {
        Media::AudioBlockBuffer* block = base.block;
        const uint32_t count = static_cast<uint32_t>(std::max(base.sampleCount, 0));
        post([block, count] {
            block->allocate(count, 2);
            block->clear();
        });
    }

    void walkLayers()
    {
        for (int i = 0; i <= scene.lastLayer; ++i) {
            // A layer past the time control's range is looked up at the
            // requested frame again.
            if (timeControlActive && timeControlEnd < i)
                endTimeControl();
            const ObjectPtr& found = scene.findObject(i, base.frame, MediaType::Audio);
            if (!found)
                continue;
            const ObjectPtr obj = found;
            base.layer = i;
            base.groupAudioControl = groups.enter(i);
            Effect::EffectBase& top = *obj->effects.front();
            if (top.effectType == EffectType::Control)
                planControl(obj, top);
            else if (top.effectType == EffectType::Input && soundsAudio(*obj))
                objectTask(obj);
        }
    }

private:
    struct Requested {
        int frame;
        double time;
        int64_t firstSample;
        int sampleCount;
    };

    void post(std::function<void()> task) { worker.post(std::move(task)); }

    void endTimeControl()
    {
        timeControlActive = false;
        base.frame = requested.frame;
        base.time = requested.time;
        base.firstSample = requested.firstSample;
        base.sampleCount = requested.sampleCount;
    }

    void planControl(const ObjectPtr& obj, Effect::EffectBase& top)
    {
        if (EffectName::is(top, groupAudioName)) {
            // The group's own task still sees the enclosing group; what lies below sees this one.
            std::shared_ptr<ControlView> record = groups.open(obj);
            controlTask(obj, record);
            base.groupAudioControl = std::move(record);
        } else if (EffectName::is(top, timeName)) {
            if (timeControlActive)
                endTimeControl();
            base.resetObject(obj);
            base.updateSampleOffset();
            top.preInputAudio(base);
            timeControlActive = true;
            timeControlEnd = controlEnd(*obj);
        } else {
            controlTask(obj);
        }
    }

    // Prepares the object on the planning thread and queues its mixing.
    void objectTask(const ObjectPtr& obj)
    {
        base.resetObject(obj);
        base.updateSampleOffset();
        base.collectFilterObjects(MediaType::Audio);
        base.collectGroupControls();
        base.prepareEffects();
        post([copy = base]() mutable { copy.renderObject(); });
        base.objectList.reset();
    }

    void controlTask(const ObjectPtr& obj, std::shared_ptr<ControlView> record = nullptr)
    {
        base.resetObject(obj);
        base.updateSampleOffset();
        std::shared_ptr<Effect::EffectBase> effect = obj->effects.front();
        base.control = std::move(record);
        effect->preInputAudio(base);
        post([copy = base, effect]() mutable { effect->controlAudio(copy); });
        base.control.reset();
    }

    RenderAudioWorker& worker;
    Edit::Scene& scene;
    RenderAudioObject base;
    Requested requested;
    bool timeControlActive = false;
    int timeControlEnd = 0;
    GroupWalk groups;
    const wchar_t* groupAudioName;
    const wchar_t* timeName;
};

} // namespace

RenderWorkerBase::RenderSection::RenderSection(RenderAudioWorker& worker, Edit::Scene* scene, int frame,
                                               Media::AudioBlockBuffer* block)
{
    AudioPlan plan(worker, scene, frame, block);
    plan.blockTask();
    const int key = scene->id;
    if (!worker.planningScenes.insert(key).second) {
        System::Log::warn("Render::RenderWorkerBase::RenderSection::RenderSection", "recursive scene. index=%d num=%d",
                          key, static_cast<int>(worker.planningScenes.size()));
        return; // silence: the key belongs to the plan already running
    }
    struct Release {
        RenderWorkerBase& worker;
        int key;
        ~Release() { worker.planningScenes.erase(key); }
    } release{worker, key};
    plan.walkLayers();
}

} // namespace Render
