#include "effect/effect_item_mask.h"

#include "core/file_name.h"
#include "core/text.h"
#include "effect/effect_item_simple.h"
#include "effect/item_sources.h"
#include "media/image_buffer.h"
#include "media/resource_buffer.h"
#include "media/resource_service.h"
#include "project/model/object.h"
#include "project/model/scene.h"
#include "render/cache/cache_service.h"
#include "render/cache/image_cache.h"
#include "render/render_object.h"
#include "render/resource_cache.h"

namespace Effect {

const std::shared_ptr<EffectItemSelect::SharedList>& EffectItemMaskSelect::getMaskList()
{
    static const std::shared_ptr<EffectItemSelect::SharedList> list = EffectItemSelect::SharedList::create();
    return list;
}

EffectItemMaskSelect::EffectItemMaskSelect(EffectItemList& owner, std::wstring name, int value,
                                           EffectItemCheck* fitScene)
    : EffectItemBase(owner, EffectItemKind::Mask, std::move(name)), value(value), fitScene(fitScene)
{
}

std::string EffectItemMaskSelect::toString() const
{
    if (value < 0 && sceneId < 0)
        return System::wideToUtf8(path);
    if (sceneId < 0) {
        // A mask the list does not (yet) hold saves as an empty text, as figures do.
        const auto& labels = getMaskList()->labels;
        const auto label = labels.find(value);
        return label == labels.end() ? std::string() : System::wideToUtf8(label->second);
    }
    return ItemSources::sceneName ? System::wideToUtf8(ItemSources::sceneName(sceneId)) : std::string();
}

void EffectItemMaskSelect::fromString(const std::string& text)
{
    const std::wstring wide = System::utf8ToWide(text);
    const auto& masks = getMaskList();
    if (masks->contains(wide)) {
        setMaskIndex(masks->getValue(wide));
        return;
    }
    const int scene = ItemSources::findScene && !wide.empty() ? ItemSources::findScene(wide) : -1;
    if (scene >= 0) {
        setSceneId(scene);
        return;
    }
    if (!wide.empty() && (wide.find(L'.') != std::wstring::npos || wide[0] == L'*')) {
        path = wide;
        System::FileName::expandVariable(path);
        value = -1;
        sceneId = -1;
    }
}

const wchar_t* EffectItemMaskSelect::getFilePath() const
{
    return path.c_str();
}

void EffectItemMaskSelect::setFilePath(const wchar_t* newPath)
{
    if (!newPath || !*newPath)
        return;
    path = newPath;
    System::FileName::expandVariable(path);
    value = -1;
    sceneId = -1;
}

void EffectItemMaskSelect::setMaskIndex(int v)
{
    const auto& masks = getMaskList();
    value = masks->labels.count(v) ? v : masks->smallestValue();
    sceneId = -1;
    path.clear();
}

void EffectItemMaskSelect::setSceneId(int id)
{
    if (!ItemSources::sceneName || ItemSources::sceneName(id).empty()) {
        setMaskIndex(getMaskList()->smallestValue());
        return;
    }
    sceneId = id;
    value = -1;
    path.clear();
}

double EffectItemMaskSelect::sceneTime(const Render::RenderObject& object) const
{
    if (!object.object || !object.scene)
        return 0;
    const Edit::Scene& rendered = *object.scene;
    const double perFrame = static_cast<double>(rendered.videoScale) / rendered.videoRate;
    double t = (object.time - object.object->start) * perFrame;
    if (fitScene && fitScene->value) {
        const Edit::Scene* mask = Cache::getSceneFromFileName(Cache::makeSceneFileName(sceneId));
        if (mask) {
            const double length = (object.object->end - object.object->start + 1) * perFrame;
            t = length > 0 ? (mask->lastFrame + 1) * static_cast<double>(mask->videoScale) / mask->videoRate * t / length
                           : 0.0;
        }
    }
    return t;
}

std::unique_ptr<Media::ResourceBuffer> EffectItemMaskSelect::getMaskBuffer(const Render::RenderObject& object,
                                                                           int width, int height) const
{
    const int options[2] = {0, 0};
    if (value < 0 && sceneId < 0) {
        if (path.empty())
            return nullptr;
        if (path[0] == L'*') {
            if (!object.resourceCache)
                return nullptr;
            const std::shared_ptr<Media::ResourceBuffer> buffer =
                object.resourceCache->findBuffer(System::wideToUtf8(path.substr(1)));
            return buffer ? buffer->clone() : nullptr;
        }
        Cache::CacheService* caches = Cache::CacheService::Get();
        if (!caches || !caches->imageCache)
            return nullptr;
        const std::shared_ptr<Media::ImageBuffer> image = caches->imageCache->getImage(path);
        if (!image || image->width == 0 || image->height == 0)
            return nullptr;
        return Media::ResourceBuffer::createFromImage(image, options);
    }
    if (sceneId < 0) {
        const Resource::ResourceService* resources = Resource::ResourceService::Get();
        if (!resources || value >= static_cast<int>(getMaskList()->labels.size()))
            return nullptr;
        return resources->figureList.createFigureImage(value, width, height, ColorF{1, 1, 1, 1}, 65536.0f, false);
    }
    if (sceneId == 0)
        return nullptr;
    Cache::CacheService* caches = Cache::CacheService::Get();
    if (!caches || !caches->imageCache)
        return nullptr;
    const std::shared_ptr<Media::ImageBuffer> frame =
        caches->imageCache->getMovieImage(Cache::makeSceneFileName(sceneId), 0, sceneTime(object));
    if (!frame || frame->width == 0 || frame->height == 0)
        return nullptr;
    return Media::ResourceBuffer::createFromImage(frame, options);
}

void EffectItemMaskSelect::preLoad(const Render::RenderObject& object) const
{
    Cache::CacheService* caches = Cache::CacheService::Get();
    if (!caches || !caches->imageCache)
        return;
    if (value < 0 && sceneId < 0) {
        if (!path.empty() && path[0] != L'*')
            caches->imageCache->preloadImage(path);
        return;
    }
    if (sceneId > 0)
        caches->imageCache->preloadMovieImage(Cache::makeSceneFileName(sceneId), 0, sceneTime(object));
}

} // namespace Effect
