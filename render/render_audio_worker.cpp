#include "render/render_audio_worker.h"

#include "core/event_command.h"
#include "core/failure.h"
#include "core/log.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/frame_rate.h"
#include "project/model/scene.h"
#include "render/render_section.h"

#include <cmath>
#include <optional>

namespace Render {

namespace {

// Sets a pre-rendered buffer's event however its task ends: complete when the
// task finished its plan, failed when the plan threw or the task was dropped.
class PreRenderCompletion {
public:
    explicit PreRenderCompletion(std::shared_ptr<RenderAudioWorker::RenderingBuffer> buffer)
        : buffer_(std::move(buffer))
    {
    }
    ~PreRenderCompletion()
    {
        if (!done_)
            buffer_->failed = true;
        buffer_->event.set();
    }
    PreRenderCompletion(const PreRenderCompletion&) = delete;
    PreRenderCompletion& operator=(const PreRenderCompletion&) = delete;

    RenderAudioWorker::RenderingBuffer& buffer() { return *buffer_; }
    void complete() { done_ = true; }

private:
    std::shared_ptr<RenderAudioWorker::RenderingBuffer> buffer_;
    bool done_ = false;
};

// Hands a scene block to its consumer exactly once: the block when the final
// task ran, else an empty pointer when the last holder lets go.
class BlockDelivery {
public:
    explicit BlockDelivery(RenderAudioWorker::BlockCallback callback) : callback_(std::move(callback)) {}
    ~BlockDelivery()
    {
        if (callback_)
            deliver(nullptr);
    }
    BlockDelivery(const BlockDelivery&) = delete;
    BlockDelivery& operator=(const BlockDelivery&) = delete;

    void deliver(std::shared_ptr<Media::AudioBlockBuffer> block)
    {
        RenderAudioWorker::BlockCallback callback = std::move(callback_);
        callback_ = nullptr;
        if (!callback)
            return;
        try {
            callback(std::move(block));
        } catch (const std::exception& e) {
            System::Log::error("Render::RenderAudioWorker::createSceneAudioBlock", "%s", e.what());
        }
    }

private:
    RenderAudioWorker::BlockCallback callback_;
};

} // namespace

RenderAudioWorker::RenderingBuffer::RenderingBuffer() = default;

RenderAudioWorker::RenderingBuffer::~RenderingBuffer() = default;

RenderAudioWorker::RenderAudioWorker(Edit::EditService* editService)
    : edit(editService ? editService : Edit::EditService::Get())
{
    objectThread.semaphore.setMax(10);
    // The request thread is the planning thread: createSceneAudioBlock checks
    // its caller against it.
    requestThread.request(static_cast<int>(RenderTaskType::Single), [this] { planningThread.store(std::this_thread::get_id()); });
    requestThread.wait();
}

RenderAudioWorker::~RenderAudioWorker()
{
    requestThread.stop();
    objectThread.stop();
}

std::shared_ptr<AudioTicket> RenderAudioWorker::requestRenderingAudio(RenderTaskType type, int frame,
                                                                     AudioCallback callback)
{
    const int key = static_cast<int>(type);
    if (type == RenderTaskType::Preview)
        requestThread.cancel(key);
    auto ticket = std::make_shared<AudioTicket>(frame);
    auto hold = std::make_shared<TicketHold>(ticket);
    requestThread.request(key, [this, hold, callback = std::move(callback)] {
        if (!hold->begin())
            return;
        std::lock_guard planning(planning_);
        AudioTicket& t = hold->ticket<AudioTicket>();
        auto block = std::make_shared<Media::AudioBlockBuffer>();
        renderAudio(t.frame(), *block);
        if (callback)
            callback(t.frame(), *block);
        t.deliver(std::move(block));
    });
    return ticket;
}

void RenderAudioWorker::renderAudio(int frame, Media::AudioBlockBuffer& block)
{
    if (!edit)
        throw System::makeException("Render::RenderAudioWorker::renderAudio", "edit service not running.", nullptr);
    std::optional<Edit::ReadSection> section(std::in_place, *edit);
    planningScenes.clear();
    try {
        RenderSection(*this, section->scene.get(), frame, &block);
    } catch (...) {
        // Queued tasks mix into the block and read the project: they run
        // before the block and the lock go.
        objectThread.wait();
        throw;
    }
    objectThread.wait();
}

bool RenderAudioWorker::renderAudioHere(int frame, Media::AudioBlockBuffer& block)
{
    std::unique_lock planning(planning_, std::try_to_lock);
    if (!planning.owns_lock() || requestThread.queuedCount() > 0)
        return false;
    callerPlanning.store(std::this_thread::get_id());
    struct Reset {
        RenderAudioWorker& worker;
        ~Reset() { worker.callerPlanning.store(std::thread::id{}); }
    } reset{*this};
    renderAudio(frame, block);
    return true;
}

void RenderAudioWorker::post(std::function<void()> task)
{
    if (!callerIsPlanning()) {
        objectThread.request(0, std::move(task));
        return;
    }
    // Reported as the object thread reports a failing task; the plan goes on.
    try {
        task();
    } catch (const std::exception& e) {
        System::Log::error("Worker::WorkerThread::processTask", "[%s] exception.\n%s", objectThread.getName(), e.what());
        Event::postException(Event::EventCommandType::RethrowException, e.what());
    } catch (...) {
        System::Log::error("Worker::WorkerThread::processTask", "[%s] exception.\n%s", objectThread.getName(),
                           "unknown exception.");
        Event::postException(Event::EventCommandType::RethrowException, "unknown exception.");
    }
}

std::shared_ptr<PreInputBuffer> RenderAudioWorker::preRenderAudio(Edit::Scene* scene, int frame)
{
    auto buffer = std::make_shared<RenderingBuffer>();
    auto completion = std::make_shared<PreRenderCompletion>(buffer);
    // A caller planning here holds the planning lock this request would wait
    // for: it fails at once instead.
    if (callerIsPlanning())
        return buffer;
    requestThread.request(static_cast<int>(RenderTaskType::Single), [this, scene, frame, completion] {
        std::lock_guard planning(planning_);
        // The caller holds the project lock shared while it waits; the lock
        // lets this reader in even while an edit waits for it.
        std::optional<Edit::ReadSection> section;
        if (edit)
            section.emplace(*edit);
        planningScenes.clear();
        try {
            RenderSection(*this, scene, frame, &completion->buffer().block);
        } catch (...) {
            objectThread.wait();
            throw;
        }
        objectThread.wait();
        completion->complete();
    });
    return buffer;
}

void RenderAudioWorker::createSceneAudioBlock(Edit::Scene* scene, int block, BlockCallback callback)
{
    auto delivery = std::make_shared<BlockDelivery>(std::move(callback));
    // Off the planning thread a plan would race on the planning set and could
    // wait for its own bounded queue: nothing is made.
    if (!onPlanningThread() || !scene || scene->audioRate <= 0 || scene->videoRate <= 0 || scene->videoScale <= 0 ||
        block < 0)
        return;
    const int64_t rate = scene->audioRate;
    const int videoRate = scene->videoRate, videoScale = scene->videoScale;
    auto result = std::make_shared<Media::AudioBlockBuffer>();
    result->allocate(static_cast<uint32_t>(rate), 2);
    result->clear();
    auto frameBlock = std::make_shared<Media::AudioBlockBuffer>();
    const int64_t first = block * rate;
    int64_t f = first * videoRate / (rate * videoScale);
    int64_t filled = 0;
    auto post = [this](std::function<void()> task) { this->post(std::move(task)); };
    try {
        while (f <= scene->lastFrame) {
            RenderSection(*this, scene, static_cast<int>(f), frameBlock.get());
            const int64_t frameStart = Edit::frameToSample(static_cast<double>(f), scene->audioRate, videoRate, videoScale);
            const int64_t from = first - frameStart + filled;
            const int64_t count =
                Edit::frameToSample(static_cast<double>(f + 1), scene->audioRate, videoRate, videoScale) - frameStart;
            if (static_cast<uint64_t>(from) > static_cast<uint64_t>(count)) {
                System::Log::error("Render::RenderAudioWorker::createSceneAudioBlock",
                                   "invalid rendering sample position.");
                break;
            }
            post([frameBlock, result, from, count, filled] {
                if (frameBlock->samples != static_cast<uint64_t>(count)) {
                    System::Log::error("Render::RenderAudioWorker::createSceneAudioBlock",
                                       "invalid rendering sample num.");
                    return;
                }
                result->copyFrom(static_cast<uint32_t>(filled), *frameBlock, static_cast<uint32_t>(from),
                                 static_cast<uint32_t>(count));
            });
            filled += count - from;
            ++f;
            if (filled >= rate)
                break;
        }
    } catch (...) {
        // The queued tasks mix into frameBlock: it stays alive until they ran;
        // the consumer gets nothing once the last of them is gone.
        post([frameBlock, result, delivery] {});
        throw;
    }
    post([frameBlock, result, delivery] { delivery->deliver(result); });
}

} // namespace Render
