#include "effects/objects/scene_load.h"

#include "effect/item_control.h"
#include "media/audio_buffer.h"
#include "media/direct3d_service.h"
#include "media/image_buffer.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "platform/gpu/gpu.h"
#include "project/edit/edit_service.h"
#include "project/edit/update_section.h"
#include "project/model/project.h"
#include "project/model/scene.h"
#include "render/cache/image_cache.h"
#include "render/render_audio_object.h"
#include "render/render_video_worker.h"

namespace Effect {

// ---- シーン ----

SceneLoad::SceneLoad() : MediaAudioSource(Name, EffectType::Input, MediaType::VideoAudio, MediaType::VideoAudio, L"")
{
    speed.notify = scene.notify = true;
    positionItem = &position;
    speedItem = &speed;
    sceneItem = &scene;
    loopItem = &loop;
    openType = 1;
    setPlayPositionMovement();
}

std::wstring SceneLoad::cacheName() const { return Cache::makeSceneFileName(scene.value); }

std::unique_ptr<Media::ResourceBuffer> SceneLoad::inputVideo(Render::RenderObject& object)
{
    if (scene.value == 0 || !updateMediaInfo() || !cacheService || !cacheService->imageCache)
        return nullptr;
    std::shared_ptr<Media::ImageBuffer> image =
        cacheService->imageCache->getMovieImage(cacheName(), 0, getVideoPosition(object));
    const int automatic[2] = {0, 0};
    return Media::ResourceBuffer::createFromImage(image, automatic);
}

void SceneLoad::preInputVideo(Render::RenderObject& object)
{
    if (scene.value != 0 && updateMediaInfo() && cacheService && cacheService->imageCache)
        cacheService->imageCache->preloadMovieImage(cacheName(), 0, getVideoPosition(object));
}

std::unique_ptr<Media::AudioBlockBuffer> SceneLoad::inputAudio(Render::RenderObject& object)
{
    return scene.value == 0 ? nullptr : readAudio(*this, cacheName(), 0, object, false);
}

void SceneLoad::preInputAudio(Render::RenderObject& object)
{
    if (scene.value != 0)
        readAudio(*this, cacheName(), 0, object, true);
}

const wchar_t* SceneLoad::getName()
{
    Edit::EditService* edit = Edit::EditService::Get();
    if (scene.value != 0 && edit) {
        auto found = edit->project.scenes.find(scene.value);
        if (found != edit->project.scenes.end() && !found->second->name.empty()) {
            sceneName_ = found->second->name;
            return sceneName_.c_str();
        }
    }
    return translatedEffectText(name);
}

bool SceneLoad::itemEvent(ItemEvent& event)
{
    switch (event.code) {
    case ItemEvent::ItemChanged: {
        const auto* item = static_cast<const EffectItem*>(event.payload);
        if (item == &speed)
            return fitLengthToSpeed(event);
        if (item != &scene)
            return false;
        resetMediaInfo();
        if (!updateMediaInfo())
            return false;
        fitObjectLength(event, true);
        return true;
    }
    case 3:
    case 4:
    case 5: return adjustToEdit(event);
    case ItemEvent::ToolTip: return showInformation();
    default: return false;
    }
}

void SceneLoad::bindItemControl(Component::ItemControlPanel& panel) { panel.bindInformation(scene, *this); }

// ---- フレームバッファ ----

std::unique_ptr<Media::ResourceBuffer> FrameLoad::inputVideo(Render::RenderObject& object)
{
    Media::RenderBuffer* frame = object.drawState.target;
    if (!frame)
        return nullptr;
    std::unique_ptr<Media::ResourceBuffer> copy = frame->createResourceBuffer(keepAlpha.value);
    if (clear.value) {
        static const float zero[4] = {0, 0, 0, 0};
        Media::Direct3DService::Get()->context->clearRenderTarget(*frame->getRenderTargetView(), zero);
    }
    return copy;
}

// ---- オーディオバッファ ----

std::unique_ptr<Media::AudioBlockBuffer> AudioBufferLoad::inputAudio(Render::RenderObject& object)
{
    Media::AudioBlockBuffer* block = Render::RenderAudioObject::from(object).block;
    if (!block)
        return nullptr;
    std::unique_ptr<Media::AudioBlockBuffer> copy = block->clone();
    if (clear.value)
        block->clear();
    return copy;
}

// ---- 直前オブジェクト ----

std::unique_ptr<Media::ResourceBuffer> BeforeObjectLoad::inputVideo(Render::RenderObject& object)
{
    if (!object.resourceCache || !object.videoWorker)
        return nullptr;
    return std::move(object.videoWorker->spareImage);
}

} // namespace Effect
