#include "render/render_video_worker.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/log.h"
#include "core/performance_counter.h"
#include "core/setting_service.h"
#include "media/cpu_access_buffer.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "platform/gpu/gpu.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "render/render_section.h"
#include "render/resource_cache.h"

#include <climits>
#include <optional>

namespace Render {

PreInputBuffer::~PreInputBuffer() = default;

void RenderWorkerBase::checkPlanningThread(const char* place) const
{
    if (!onPlanningThread())
        throw System::makeException(place, "not called on the render planning thread.", nullptr);
}

RenderVideoWorker::RenderingBuffer::RenderingBuffer()
    : buffer(Media::Direct3DService::Get()->PixelFormat, Media::Direct3DService::Get()->sampleDesc)
{
}

RenderVideoWorker::RenderingBuffer::~RenderingBuffer() = default;

RenderVideoWorker::RenderVideoWorker(Edit::EditService* editService)
    : direct3d(Media::Direct3DService::Get()), edit(editService ? editService : Edit::EditService::Get())
{
    Setting::SettingService* setting = Setting::SettingService::Get();
    temporaryImageCacheSize = setting->system.config.get("TemporaryImageCacheSize").toInt();
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    objectThread.semaphore.setMax(8);
    const auto mask = setting->color.get("ClippingObjectMask").toRGBA();
    clippingMaskColor[0] = mask.r * mask.a;
    clippingMaskColor[1] = mask.g * mask.a;
    clippingMaskColor[2] = mask.b * mask.a;
    clippingMaskColor[3] = mask.a;
    // The request thread is the planning thread: the pre-render entry points
    // check their caller against it.
    requestThread.request(static_cast<int>(RenderTaskType::Single), [this] { planningThread.store(std::this_thread::get_id()); });
    requestThread.wait();
}

RenderVideoWorker::~RenderVideoWorker()
{
    requestThread.stop();
    objectThread.stop();
    readBackThread.stop();
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
    spareImage.reset();
}

// A frame on the overlapping road: what its tasks draw into and read, kept
// until the frame is read back. Its hold ends the ticket if the frame is lost.
struct RenderVideoWorker::FrameJob {
    FrameJob(Media::Format format, Media::SampleDesc samples, int cacheSize) : buffer(format, samples), cache(cacheSize)
    {
    }
    FrameTicket& ticket() const { return hold->ticket<FrameTicket>(); }

    std::shared_ptr<TicketHold> hold;
    RenderTaskType type = RenderTaskType::Single;
    ImageRequest request;
    Media::RenderBuffer buffer;
    ResourceCache cache;
    Anchor::AnchorList anchors;
    std::optional<Edit::ReadSection> section;
};

std::shared_ptr<FrameTicket> RenderVideoWorker::requestRenderingFrame(RenderTaskType type, int frame,
                                                                     FrameCallback callback)
{
    auto ticket = std::make_shared<FrameTicket>(frame);
    queueFrame(type, ticket, [this, type, callback = std::move(callback)](const std::shared_ptr<TicketHold>& hold) {
        FrameTicket& t = hold->ticket<FrameTicket>();
        if (renderFrame(type, t.frame(), callback))
            t.deliver(nullptr, nullptr);
        else
            t.cancel();
    });
    return ticket;
}

std::shared_ptr<FrameTicket> RenderVideoWorker::requestFrameImage(RenderTaskType type, int frame,
                                                                 const ImageRequest& request)
{
    auto ticket = std::make_shared<FrameTicket>(frame);
    queueFrame(type, ticket,
               [this, type, request](const std::shared_ptr<TicketHold>& hold) { planFrameImage(hold, type, request); });
    return ticket;
}

void RenderVideoWorker::queueFrame(RenderTaskType type, const std::shared_ptr<FrameTicket>& ticket,
                                   std::function<void(const std::shared_ptr<TicketHold>&)> render)
{
    const int key = static_cast<int>(type);
    if (type == RenderTaskType::Preview)
        requestThread.cancel(key);
    auto hold = std::make_shared<TicketHold>(ticket);
    requestThread.request(key, [hold, render = std::move(render)] {
        if (hold->begin())
            render(hold);
    });
}

void RenderVideoWorker::planFrameImage(const std::shared_ptr<TicketHold>& hold, RenderTaskType type,
                                       const ImageRequest& request)
{
    FrameTicket& ticket = hold->ticket<FrameTicket>();
    const int frame = ticket.frame();
    if (type == RenderTaskType::Playback && frame < playbackFrame.load()) {
        ticket.cancel();
        return;
    }
    if (!edit)
        throw System::makeException("Render::RenderVideoWorker::renderFrame", "edit service not running.", nullptr);
    auto job = std::make_shared<FrameJob>(direct3d->PixelFormat, direct3d->sampleDesc, temporaryImageCacheSize);
    job->hold = hold;
    job->type = type;
    job->request = request;
    job->section.emplace(*edit);
    planningScenes.clear();
    // The frame's drawing begins once the frames before it are drawn: a
    // cancel asked by then leaves it undrawn.
    objectThread.request(0, [job] {
        if (job->request.abandon && job->request.abandon->load())
            job->ticket().cancel();
    });
    struct Planning {
        RenderVideoWorker& worker;
        ~Planning() { worker.planningTicket.reset(); }
    } planning{*this};
    planningTicket = hold->shared();
    try {
        RenderSection(*this, job->section->scene.get(), frame, &job->buffer, &job->cache,
                      type == RenderTaskType::Preview ? &job->anchors : nullptr, 0, INT_MAX, false);
    } catch (...) {
        // The tasks queued so far run with the job; the ticket fails and the
        // lock goes once the object thread lets go of it.
        objectThread.request(0, [job] {});
        throw;
    }
    objectThread.request(0, [this, job] { readBackFrame(job); });
}

void RenderVideoWorker::readBackFrame(const std::shared_ptr<FrameJob>& job)
{
    std::shared_ptr<Media::PendingImage> pending;
    if (!job->ticket().cancelled() && job->buffer.getTexture())
        pending = job->buffer.startImageBuffer(job->request.format, job->request.straightAlpha);
    std::shared_ptr<const Anchor::AnchorList> handles;
    if (job->type == RenderTaskType::Preview)
        handles = std::make_shared<const Anchor::AnchorList>(std::move(job->anchors));
    // Every task of the frame has run: the project lock goes.
    job->section.reset();
    readBackThread.request(0, [job, pending, handles] {
        if (job->ticket().cancelled())
            return;
        std::shared_ptr<const Media::ImageBuffer> image = pending ? pending->finish() : nullptr;
        job->ticket().deliver(std::move(image), handles);
    });
}

bool RenderVideoWorker::renderFrame(RenderTaskType type, int frame, const FrameCallback& callback)
{
    if (type == RenderTaskType::Playback && frame < playbackFrame.load())
        return false;
    System::PerformanceCounter counter;
    counter.start();
    Media::RenderBuffer buffer(direct3d->PixelFormat, direct3d->sampleDesc);
    ResourceCache cache(temporaryImageCacheSize);
    anchors.clear();
    if (!edit)
        throw System::makeException("Render::RenderVideoWorker::renderFrame", "edit service not running.", nullptr);
    std::optional<Edit::ReadSection> section(std::in_place, *edit);
    planningScenes.clear();
    try {
        RenderSection(*this, section->scene.get(), frame, &buffer, &cache,
                      type == RenderTaskType::Preview ? &anchors : nullptr, 0, INT_MAX, false);
    } catch (...) {
        // Queued tasks draw into the buffer and read the project: they run
        // before the plan's locals and the lock go.
        objectThread.wait();
        throw;
    }
    objectThread.wait();
    direct3d->context->flush();
    section.reset();
    callback(frame, buffer, anchors);
    System::Log::verbose("Render::RenderVideoWorker::renderFrame", "rendered video frame [%d] %1.3lf ms", frame,
                         counter.time());
    return true;
}

void RenderVideoWorker::renderSceneFrame(Edit::Scene* scene, int frame, ImageCallback callback)
{
    checkPlanningThread("Render::RenderVideoWorker::renderSceneFrame");
    auto buffer = std::make_shared<RenderingBuffer>();
    auto cache = std::make_shared<ResourceCache>(temporaryImageCacheSize);
    try {
        RenderSection(*this, scene, frame, &buffer->buffer, cache.get(), nullptr, 0, 2147483647, false);
    } catch (...) {
        // The tasks queued so far draw into the buffer and the cache: they
        // stay alive until the object thread has passed them.
        objectThread.request(0, [buffer, cache] {});
        throw;
    }
    objectThread.request(0, [buffer, cache, callback = std::move(callback)] {
        callback(buffer->buffer.readImageBuffer());
    });
}

std::shared_ptr<PreInputBuffer> RenderVideoWorker::preRenderFrame(Edit::Scene* scene, int frame, int preRenderOffset,
                                                                  int lastLayer)
{
    checkPlanningThread("Render::RenderVideoWorker::preRenderFrame");
    auto buffer = std::make_shared<RenderingBuffer>();
    auto cache = std::make_shared<ResourceCache>(temporaryImageCacheSize);
    try {
        RenderSection(*this, scene, frame, &buffer->buffer, cache.get(), nullptr, preRenderOffset, lastLayer, true);
    } catch (...) {
        objectThread.request(0, [buffer, cache] {});
        throw;
    }
    // Holds the buffer and the cache until the object thread has run the plan.
    objectThread.request(0, [buffer, cache] {});
    return buffer;
}

} // namespace Render
