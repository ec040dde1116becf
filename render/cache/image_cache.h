#pragma once
// The image cache: decoded pictures for the renderer (still images, frames of
// video files, frames of other scenes), one pre-load cache of them keyed by
// (name, frame). Files are read through the input service on a few decode
// threads, different files at once and each file's frames in turn, and a
// movie asked for frame after frame has its next frame decoded ahead; frames
// of other scenes are rendered by the video worker's planning thread and
// handed in when finished. Also the names of the cache keys that the audio
// and waveform caches share.
#include "core/config.h"
#include "render/cache/cache_key.h"
#include "render/cache/pre_load_cache.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace Edit { class Scene; }
namespace Event { class EventService; }
namespace Media { class ImageBuffer; }
namespace Plugin { class InputService; }
namespace Render { class RenderVideoWorker; }

namespace Cache {

// "*" and the scene id in decimal: the name of another scene's frames and sound.
std::wstring makeSceneFileName(int sceneId);
// The scene a "*" name stands for in the current project, or null (no digits,
// id 0, no such scene, no project). The scene stays owned by the project.
Edit::Scene* getSceneFromFileName(const std::wstring& name);
bool isSceneFileName(const std::wstring& name);
// The scene's frame at a time: videoRate × seconds / videoScale rounded
// (halves away from zero); 0 when that leaves the 32-bit range.
int sceneFrameAt(const Edit::Scene& scene, double seconds);

// Stops its owner's listener from reaching it once the owner is gone (the
// event service's lists keep their entries for ever).
class ListenerToken {
public:
    template <class Owner>
    explicit ListenerToken(Owner* owner) : alive(std::make_shared<void*>(owner)) {}
    ~ListenerToken() { *alive = nullptr; }
    ListenerToken(const ListenerToken&) = delete;
    ListenerToken& operator=(const ListenerToken&) = delete;
    std::shared_ptr<void*> alive;
};

class ImageCache {
public:
    using Store = System::PreLoadCache<ImageCacheKey, Media::ImageBuffer, CacheKeyHash>;
    static constexpr int QueueBound = 16;

    // Loads "Cache", sets the limit, bounds the worker's queue and joins the
    // scene-change listeners. The services may be null (nothing is read, no listener).
    ImageCache(Plugin::InputService* input, Event::EventService* events);
    // Stops the cache, then writes "Cache" back.
    ~ImageCache();
    ImageCache(const ImageCache&) = delete;
    ImageCache& operator=(const ImageCache&) = delete;

    // A still image, loaded once and shared; waits for the load; empty when
    // the file cannot be read.
    std::shared_ptr<Media::ImageBuffer> getImage(const std::wstring& path);
    void preloadImage(const std::wstring& path);
    // A frame of a video file's track at a time, or the cached frame of a
    // scene ("*" + id): when its render is pending, waited for; otherwise
    // empty at once (a get never claims a scene frame). A track above 50 throws.
    std::shared_ptr<Media::ImageBuffer> getMovieImage(const std::wstring& path, unsigned track, double seconds);
    // Starts the load of that frame, or the render of that scene frame. Scene
    // frames render from the video worker's planning thread only: elsewhere
    // this does nothing.
    void preloadMovieImage(const std::wstring& path, unsigned track, double seconds);
    // Drops every cached frame of the scene (an edit changed it).
    void sceneChanged(int sceneId);
    // Stores the new ImageCacheSize and evicts down to it.
    void setCacheSize(int megabytes);

    // The worker that renders scene frames; null: the render service's.
    Render::RenderVideoWorker* videoWorker = nullptr;

    Plugin::InputService* input;
    System::Config::Section settings{"Cache"};
    int imageCacheSize = 768; // megabytes
    Store cache;

private:
    Store::Loader loader(const ImageCacheKey& key);
    Render::RenderVideoWorker* sceneRenderer() const;

    System::Config::Int imageCacheSizeValue{settings, "ImageCacheSize", &imageCacheSize, 768};
    ListenerToken token{this};
    // The frame of each movie last asked for ahead: a movie read frame after
    // frame has its next frame decoded ahead too.
    std::mutex aheadMutex;
    std::unordered_map<std::wstring, int> lastAhead;
};

// Bytes of pixel memory: an image cache entry's size.
int64_t imageByteSize(const Media::ImageBuffer& image);

} // namespace Cache
