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
