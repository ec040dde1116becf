#include "render/render_video_worker.h"

#include "core/failure.h"
#include "core/ini_file.h"
#include "core/setting_service.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "render/render_section.h"
#include "render/resource_cache.h"

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
    : direct3d(Media::Direct3DService::Get()), edit(editService)
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
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
    spareImage.reset();
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
