#include "effects/objects/script_effect_kinds.h"

#include "core/log.h"
#include "effect/effect_service.h"
#include "effects/objects/script_edit.h"
#include "effects/objects/script_trust.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "project/edit/edit_service.h"
#include "project/model/object.h"
#include "render/render_video_worker.h"

#include <algorithm>

namespace Effect {

ScriptInput::ScriptInput(const wchar_t* name)
    : ScriptEffect(name, EffectType::Input, MediaType::Video, MediaType::Video, L"カスタムオブジェクト")
{
}

std::shared_ptr<EffectBase> ScriptInput::create()
{
    return std::make_shared<ScriptInput>(name);
}

std::unique_ptr<Media::ResourceBuffer> ScriptInput::inputVideo(Render::RenderObject& object)
{
    const ScriptData* data = getScript();
    return runScriptPass(*this, object, nullptr, data, data ? data->text : std::string(),
                         "Effect::ScriptInput::inputVideo");
}

ScriptFilter::ScriptFilter(const wchar_t* name)
    : ScriptEffect(name, EffectType::Filter, MediaType::Video, MediaType::Video, L"アニメーション効果")
{
}

std::shared_ptr<EffectBase> ScriptFilter::create()
{
    return std::make_shared<ScriptFilter>(name);
}

std::unique_ptr<Media::ResourceBuffer> ScriptFilter::filterVideo(Render::RenderObject& object,
                                                                 std::unique_ptr<Media::ResourceBuffer> picture)
{
    const ScriptData* data = getScript();
    return runScriptPass(*this, object, std::move(picture), data, data ? data->text : std::string(),
                         "Effect::ScriptFilter::filterVideo");
}

CameraScript::CameraScript(const wchar_t* name)
    : ScriptEffect(name, EffectType::Filter, MediaType::Camera, MediaType::Camera, L"カメラ効果")
{
}

std::shared_ptr<EffectBase> CameraScript::create()
{
    return std::make_shared<CameraScript>(name);
}

void CameraScript::preInputVideo(Render::RenderObject& object)
{
    const ScriptData* data = getScript();
    runScriptPass(*this, object, nullptr, data, data ? data->text : std::string(), "Effect::CameraScript::preInputVideo");
}

SceneChangeScript::SceneChangeScript(const wchar_t* name)
    : ScriptEffect(name, EffectType::Control, MediaType::Video, MediaType::SceneChange, L"シーンチェンジ")
{
}

std::shared_ptr<EffectBase> SceneChangeScript::create()
{
    return std::make_shared<SceneChangeScript>(name);
}

void SceneChangeScript::preInputVideo(Render::RenderObject& object)
{
    // The layers above the object at the frame before its start, rendered ahead.
    if (!object.videoWorker || !object.object || !object.scene)
        return;
    const int start = object.object->start;
    object.preInput = object.videoWorker->preRenderFrame(object.scene, start - 1, object.frame - start + 1,
                                                         object.object->layer - 1);
}

void SceneChangeScript::controlVideo(Render::RenderObject& object)
{
    constexpr const char* Place = "Effect::SceneChangeScript::controlVideo";
    if (!object.preInput) {
        System::Log::warn(Place, "no before frame buffer");
        return;
    }
    auto* rendered = dynamic_cast<Render::RenderVideoWorker::RenderingBuffer*>(object.preInput.get());
    if (!rendered) {
        System::Log::warn(Place, "invalid before frame buffer");
        return;
    }
    // The first frame gives 1 / length, the last exactly 1.
    float progress = 1;
    if (object.object) {
        const float done = static_cast<float>(object.frame - object.object->start + 1);
        const float length = static_cast<float>(object.object->end - object.object->start + 1);
        progress = std::clamp(done / length, 0.0f, 1.0f);
    }
    // The transition is drawn by the script: no handles of its own.
    object.anchors = nullptr;
    const ScriptData* data = getScript();
    runScriptPass(*this, object, rendered->buffer.createResourceBuffer(true), data, data ? data->text : std::string(),
                  Place, progress);
}

Render::RenderObject::DrawState SceneChangeScript::getOutputView(Render::RenderObject& object)
{
    return object.drawState;
}

void installScriptEffects()
{
    EffectService::scriptEffects = {
        EffectService::ScriptClass::of<ScriptInput>(),
        EffectService::ScriptClass::of<ScriptFilter>(),
        EffectService::ScriptClass::of<CameraScript>(),
        EffectService::ScriptClass::of<SceneChangeScript>(),
    };
    Edit::EditService::projectLoaded = ScriptTrust::projectLoaded;
}

} // namespace Effect
