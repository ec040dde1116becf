#include "effects/objects/script_effect_kinds.h"

#include "core/log.h"
#include "effect/effect_service.h"
#include "effects/objects/scene_change_frame.h"
#include "effects/objects/script_edit.h"
#include "effects/objects/script_trust.h"
#include "media/render_buffer.h"
#include "media/resource_buffer.h"
#include "project/edit/edit_service.h"

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
    SceneChangeFrame::request(object);
}

void SceneChangeScript::controlVideo(Render::RenderObject& object)
{
    constexpr const char* Place = "Effect::SceneChangeScript::controlVideo";
    Media::RenderBuffer* before = SceneChangeFrame::before(object, Place);
    if (!before)
        return;
    const float progress = SceneChangeFrame::progress(object);
    // The transition is drawn by the script: no handles of its own.
    object.anchors = nullptr;
    const ScriptData* data = getScript();
    runScriptPass(*this, object, before->createResourceBuffer(true), data, data ? data->text : std::string(), Place,
                  progress);
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
