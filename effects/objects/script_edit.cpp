#include "effects/objects/script_edit.h"

#include "core/failure.h"
#include "core/file_name.h"
#include "core/log.h"
#include "core/text.h"
#include "effects/objects/script_trust.h"
#include "project/model/object.h"
#include "effect/effect_types.h"
#include "media/resource_buffer.h"

namespace Effect {

ScriptEdit::ScriptEdit()
    : ScriptEffect(Name, EffectType::Filter, MediaType::Video, MediaType::Video, L"アニメーション効果")
{
}

std::shared_ptr<EffectBase> ScriptEdit::create() { return std::make_shared<ScriptEdit>(); }

void ScriptEdit::createCommonResource()
{
    ScriptEffect::createCommonResource();
    getCommonResource()->folder = System::FileName::expand(L"%Script%");
    // Without a script service (a world with no engines) the resource stays
    // without an engine and each run reports that instead of the registration failing.
    if (scriptService)
        getCommonResource()->engine = findScriptPlugin(nullptr);
}

std::unique_ptr<Media::ResourceBuffer> ScriptEdit::filterVideo(Render::RenderObject& object,
                                                               std::unique_ptr<Media::ResourceBuffer> picture)
{
    return runScriptPass(*this, object, std::move(picture), getScript(), System::wideToUtf8(script.text),
                         "Effect::ScriptEdit::filterVideo");
}

std::unique_ptr<Media::ResourceBuffer> runScriptPass(EffectBase& effect, Render::RenderObject& object,
                                                     std::unique_ptr<Media::ResourceBuffer> picture,
                                                     const ScriptData* data, const std::string& text,
                                                     const char* place, float progress)
{
    // Code the project brought runs only once the project is allowed; till
    // then the picture goes on as it came.
    std::vector<std::wstring> code;
    ScriptTrust::collectCode(effect, code);
    for (const std::wstring& piece : code) {
        if (!ScriptTrust::allows(piece, object.object.get(), place))
            return picture;
    }
    try {
        if (!data || !data->engine)
            throw System::makeException(place, "no script engine.", nullptr);
        std::unique_ptr<Plugin::ScriptPluginInstance> instance = data->engine->createEffectInstance(effect, object);
        if (picture)
            instance->setObjectBuffer(picture);
        instance->sceneChangeProgress = progress;
        instance->executeEffect(text);
        std::unique_ptr<Media::ResourceBuffer> result;
        instance->takeObjectBuffer(result);
        return result;
    } catch (const std::exception& e) {
        System::Log::warn(place, "script exception: %s", e.what());
        return nullptr;
    }
}

} // namespace Effect
