#include "effect/script_service.h"

#include "core/failure.h"
#include "core/log.h"
#include "core/report.h"
#include "core/text.h"


namespace Plugin {

namespace {
constexpr const char* DefaultEngine = "luaJIT";

[[noreturn]] void throwNotFound(const char* key)
{
    // Keys come from script headers (UTF-8); report texts are in the ANSI code page.
    throw System::makeFormatException("Plugin::ScriptService::findScriptPlugin", "not found script plugin.", L"%s",
                                      System::utf8ToWide(key).c_str());
}
} // namespace

// ---- ScriptPluginInstance ----

ScriptPluginInstance::~ScriptPluginInstance() = default;

double ScriptPluginInstance::executeMovement(const std::string&)
{
    throw System::makeException("Plugin::ScriptPluginInstance::executeMovement", "not implement.", nullptr);
}

void ScriptPluginInstance::executeEffect(const std::string&)
{
    throw System::makeException("Plugin::ScriptPluginInstance::executeEffect", "not implement.", nullptr);
}

void ScriptPluginInstance::setObjectBuffer(std::unique_ptr<Media::ResourceBuffer>&)
{
    throw System::makeException("Plugin::ScriptPluginInstance::setObjectBuffer", "not implement.", nullptr);
}

void ScriptPluginInstance::takeObjectBuffer(std::unique_ptr<Media::ResourceBuffer>&)
{
    throw System::makeException("Plugin::ScriptPluginInstance::takeObjectBuffer", "not implement.", nullptr);
}

// ---- ScriptPlugin ----

ScriptPlugin::ScriptPlugin(std::wstring displayName, std::string key, std::wstring moduleFileName)
    : displayName(std::move(displayName)), key(std::move(key)), moduleFileName(std::move(moduleFileName))
{
}

ScriptPlugin::~ScriptPlugin() = default;

std::unique_ptr<ScriptPluginInstance> ScriptPlugin::createMovementInstance(const Effect::ScriptMovement&,
                                                                           const Effect::EffectItemNumber&,
                                                                           const Render::SectionPosition&,
                                                                           const Render::RenderObject&)
{
    throw System::makeException("Plugin::ScriptPlugin::createMovementInstance", "not implement.", nullptr);
}

std::unique_ptr<ScriptPluginInstance> ScriptPlugin::createEffectInstance(Effect::EffectBase&, Render::RenderObject&)
{
    throw System::makeException("Plugin::ScriptPlugin::createEffectInstance", "not implement.", nullptr);
}

// ---- ScriptService ----

ScriptService::ScriptService() = default;
ScriptService::~ScriptService() = default;

void ScriptService::addPlugin(std::shared_ptr<ScriptPlugin> plugin)
{
    const std::string key = plugin->key;
    const std::wstring name = plugin->displayName;
    plugins[key] = std::move(plugin);
    System::Log::info("Plugin::ScriptService::registerPlugin", L"register script plugin [%s]", name.c_str());
}

void ScriptService::reportFailure(const std::type_info& type, const std::exception& e)
{
    System::Report::showError("failed to register script plugin. [%s]\n\n%s", System::typeName(type).c_str(), e.what());
}

std::shared_ptr<ScriptPlugin> ScriptService::findScriptPlugin(const char* key) const
{
    const char* wanted = key ? key : DefaultEngine;
    auto it = plugins.find(wanted);
    if (it == plugins.end())
        throwNotFound(wanted);
    return it->second;
}

std::shared_ptr<ScriptPlugin> ScriptInstance::findScriptPlugin(const char* key) const
{
    if (!scriptService)
        throwNotFound(key ? key : DefaultEngine);
    return scriptService->findScriptPlugin(key);
}

} // namespace Plugin
