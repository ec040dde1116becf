#include "render/cache/image_cache.h"

#include "core/event_service.h"
#include "core/ini_file.h"
#include "io/input/input_file.h"
#include "io/input/input_service.h"
#include "media/image_buffer.h"
#include "project/edit/edit_service.h"
#include "project/model/scene.h"
#include "render/render_service.h"
#include "render/render_video_worker.h"

#include <cmath>
#include <cwchar>
#include <limits>

namespace Cache {

std::wstring makeSceneFileName(int sceneId)
{
    return L"*" + std::to_wstring(sceneId);
}

bool isSceneFileName(const std::wstring& name)
{
    return !name.empty() && name[0] == L'*';
}

Edit::Scene* getSceneFromFileName(const std::wstring& name)
{
    if (name.empty())
        return nullptr;
    const long id = std::wcstol(name.c_str() + 1, nullptr, 10);
    if (id == 0 || id < std::numeric_limits<int>::min() || id > std::numeric_limits<int>::max())
        return nullptr;
    Edit::EditService* edit = Edit::EditService::Get();
    if (!edit)
        return nullptr;
    // Looked up, never created.
    auto found = edit->project.scenes.find(static_cast<int>(id));
    return found == edit->project.scenes.end() ? nullptr : found->second.get();
}

int sceneFrameAt(const Edit::Scene& scene, double seconds)
{
    const double frame = std::round(static_cast<double>(scene.videoRate) * seconds / scene.videoScale);
    if (!(frame >= std::numeric_limits<int32_t>::min() && frame <= std::numeric_limits<int32_t>::max()))
        return 0;
    return static_cast<int>(frame);
}

int64_t imageByteSize(const Media::ImageBuffer& image)
{
    return static_cast<int64_t>(image.pitch) * image.height;
}

ImageCache::ImageCache(Plugin::InputService* inputService, Event::EventService* events) : input(inputService)
{
    if (System::Config::iniFile)
        settings.load(*System::Config::iniFile);
    cache.setLimit(static_cast<int64_t>(imageCacheSize) << 20);
    // The files decode side by side, each on one thread at a time.
    cache.runOnThreads("ImageDecode", System::LoadPool::defaultThreads(), QueueBound,
                       [](const ImageCacheKey& key) { return uint64_t(std::hash<std::wstring>()(key.name)); });
    if (events) {
        events->sceneChanged.push_back([alive = token.alive](int id) {
            if (*alive)
                static_cast<ImageCache*>(*alive)->sceneChanged(id);
        });
    }
}

ImageCache::~ImageCache()
{
    cache.stop();
    if (System::Config::iniFile)
        settings.save(*System::Config::iniFile);
}

void ImageCache::setCacheSize(int megabytes)
{
    imageCacheSize = megabytes;
    cache.setLimit(static_cast<int64_t>(megabytes) << 20);
}

ImageCache::Store::Loader ImageCache::loader(const ImageCacheKey& key)
{
    return [this, key] {
        if (!input)
            return;
        std::shared_ptr<Plugin::InputFile> file = input->getInputFile(key.name, Plugin::InputService::TypeVideo);
        if (!file)
            return;
        std::shared_ptr<Media::ImageBuffer> image = file->readVideo(key.number);
        if (image)
            cache.put(key, image, imageByteSize(*image));
    };
}

std::shared_ptr<Media::ImageBuffer> ImageCache::getImage(const std::wstring& path)
{
    const ImageCacheKey key{path, 0};
    return cache.get(key, loader(key));
}

void ImageCache::preloadImage(const std::wstring& path)
{
    const ImageCacheKey key{path, 0};
    cache.preload(key, loader(key));
}

std::shared_ptr<Media::ImageBuffer> ImageCache::getMovieImage(const std::wstring& path, unsigned track, double seconds)
{
    const std::wstring name = Plugin::InputService::MakeMultiTrackFileName(path, track);
    if (isSceneFileName(name)) {
        const Edit::Scene* scene = getSceneFromFileName(name);
        if (!scene)
            return nullptr;
        // Only the preload renders a scene frame: a claim made here would
        // have nobody to complete it.
        return cache.findOrWait({name, sceneFrameAt(*scene, seconds)});
    }
    if (!input)
        return nullptr;
    std::shared_ptr<Plugin::InputFile> file = input->getInputFile(name, Plugin::InputService::TypeVideo);
    if (!file)
        return nullptr;
    const ImageCacheKey key{name, file->timeToFrame(seconds)};
    return cache.get(key, loader(key));
}

Render::RenderVideoWorker* ImageCache::sceneRenderer() const
{
    if (videoWorker)
        return videoWorker;
    Render::RenderService* render = Render::RenderService::Get();
    return render ? &render->videoWorker : nullptr;
}

namespace {
// Hands a scene frame to the cache once: the frame when the render finished,
// else nothing when the render is dropped (it threw, or its worker stopped),
// which releases the claim so that later gets of the frame do not wait.
class SceneFrameDelivery {
public:
    SceneFrameDelivery(ImageCache::Store& cache, ImageCacheKey key) : cache_(cache), key_(std::move(key)) {}
    ~SceneFrameDelivery()
    {
        if (!done_)
            cache_.put(key_, nullptr, 0);
    }
    SceneFrameDelivery(const SceneFrameDelivery&) = delete;
    SceneFrameDelivery& operator=(const SceneFrameDelivery&) = delete;

    void deliver(std::shared_ptr<Media::ImageBuffer> image)
    {
        done_ = true;
        const int64_t size = image ? imageByteSize(*image) : 0;
        cache_.put(key_, std::move(image), size);
    }

private:
    ImageCache::Store& cache_;
    ImageCacheKey key_;
    bool done_ = false;
};
} // namespace

void ImageCache::preloadMovieImage(const std::wstring& path, unsigned track, double seconds)
{
    const std::wstring name = Plugin::InputService::MakeMultiTrackFileName(path, track);
    if (isSceneFileName(name)) {
        Edit::Scene* scene = getSceneFromFileName(name);
        Render::RenderVideoWorker* renderer = sceneRenderer();
        // Off the planning thread a render would wait on the bounded object
        // queue it feeds, or race on the planning set.
        if (!scene || !renderer || !renderer->onPlanningThread())
            return;
        const ImageCacheKey key{name, sceneFrameAt(*scene, seconds)};
        if (!cache.claim(key))
            return; // cached, or being rendered already
        auto delivery = std::make_shared<SceneFrameDelivery>(cache, key);
        renderer->renderSceneFrame(scene, key.number, [delivery](std::shared_ptr<Media::ImageBuffer> image) {
            delivery->deliver(std::move(image));
        });
        return;
    }
    if (!input)
        return;
    std::shared_ptr<Plugin::InputFile> file = input->getInputFile(name, Plugin::InputService::TypeVideo);
    if (!file)
        return;
    const ImageCacheKey key{name, file->timeToFrame(seconds)};
    cache.preload(key, loader(key));
    // A movie asked for frame after frame: its next frame decodes meanwhile.
    bool sequential;
    {
        std::lock_guard lock(aheadMutex);
        int& last = lastAhead[name];
        sequential = last == key.number - 1;
        last = key.number;
    }
    if (sequential && key.number + 1 < file->frameCount) {
        const ImageCacheKey next{name, key.number + 1};
        cache.preload(next, loader(next));
    }
}

void ImageCache::sceneChanged(int sceneId)
{
    const std::wstring name = makeSceneFileName(sceneId);
    cache.removeIf([&name](const ImageCacheKey& key) { return key.name == name; });
}

} // namespace Cache
