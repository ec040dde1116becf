#pragma once
// The audio worker: a request thread that plans the sound of one frame at a
// time and an object thread that runs the plan's tasks (block, controls,
// objects) in order, mixing into the frame's block. A caller may plan and mix
// a frame on its own thread while the request thread is idle.
#include "core/render_task_type.h"
#include "core/sync.h"
#include "core/worker_thread.h"
#include "media/audio_buffer.h"
#include "render/pre_input_buffer.h"
#include "render/render_ticket.h"
#include "render/render_worker_base.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

namespace Edit {
class EditService;
class Scene;
}

namespace Render {

class RenderAudioWorker : public RenderWorkerBase {
public:
    using AudioCallback = std::function<void(int frame, Media::AudioBlockBuffer& block)>;
    using BlockCallback = std::function<void(std::shared_ptr<Media::AudioBlockBuffer> block)>;

    // The sound of a frame rendered ahead for an effect of the video side,
    // which waits on the event before reading the block.
    class RenderingBuffer : public PreInputBuffer {
    public:
        RenderingBuffer();
        ~RenderingBuffer() override;
        Media::AudioBlockBuffer block; // sized by the plan's block task
        Sync::Event event;             // set once the block is complete or failed
        std::atomic<bool> failed{false};
    };

    explicit RenderAudioWorker(Edit::EditService* edit = nullptr);
    // Stops the request thread, then the object thread; queued requests are
    // dropped without their callbacks.
    ~RenderAudioWorker();
    RenderAudioWorker(const RenderAudioWorker&) = delete;
    RenderAudioWorker& operator=(const RenderAudioWorker&) = delete;

    // Queues the sound of a frame of the current scene; a preview request
    // first removes the queued preview requests. The callback runs later on
    // the request thread with the frame and a stereo block (valid during the
    // call); a removed or failed request calls nothing. The ticket finishes
    // once the callback returned (done, holding the block), or as cancelled
    // or failed.
    std::shared_ptr<AudioTicket> requestRenderingAudio(RenderTaskType type, int frame, AudioCallback callback);
    // Plans and mixes the sound of a frame of the current scene on the
    // calling thread, with no hand-off, when the request thread has nothing
    // queued or running; the block is the one a request would give. False
    // (nothing done) when the worker is busy: the caller then requests it.
    // Throws when the plan throws; a failing mixing task is reported as on
    // the object thread. Never call it from the worker's own threads.
    bool renderAudioHere(int frame, Media::AudioBlockBuffer& block);
    // Queues a task of a plan on the object thread, or runs it at once on a
    // caller planning on its own thread.
    void post(std::function<void()> task);

    // ---- rendering the sound of scenes for other consumers ----
    // Queues the scene's frame on the request thread (never cancelled) and
    // returns at once; the buffer's event is set when its block is complete,
    // or failed (the plan threw, or the worker stopped before it ran). For
    // callers off the audio request thread.
    std::shared_ptr<PreInputBuffer> preRenderAudio(Edit::Scene* scene, int frame);
    // Plans every frame of one-second block `block` of the scene on this
    // thread (the audio planning thread only); the callback gets the stereo
    // block on the object thread once it is complete. The callback runs on
    // every path: with an empty pointer when the block cannot be made (the
    // plan threw, the worker stopped, or this is not the planning thread).
    void createSceneAudioBlock(Edit::Scene* scene, int block, BlockCallback callback);

    Worker::WorkerThread requestThread{"RenderAudioWorker"};
    Edit::EditService* edit;
    Worker::WorkerThread objectThread{"RenderObjectWorkerAudio"};

private:
    void renderAudio(int frame, Media::AudioBlockBuffer& block);
    // Held by whoever plans: a request thread task, or renderAudioHere.
    std::mutex planning_;
};

} // namespace Render
