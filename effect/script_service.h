#pragma once
// The registry of script engines, by key ("lua", "luaJIT"). Filled at start-up,
// only read afterwards.
#include "core/service.h"
#include "effect/script_plugin.h"

#include <exception>
#include <memory>
#include <string>
#include <typeinfo>
#include <unordered_map>

namespace Plugin {

class ScriptService : public System::Singleton<ScriptService> {
public:
    ScriptService();
    ~ScriptService();
    ScriptService(const ScriptService&) = delete;
    ScriptService& operator=(const ScriptService&) = delete;

    // Creates the engine and enters it under its key; nothing is loaded yet. A
    // failure is shown in an error box and start-up goes on without the engine.
    template <class T>
    void registerPlugin()
    {
        try {
            addPlugin(std::make_shared<T>());
        } catch (const std::exception& e) {
            reportFailure(typeid(T), e);
        }
    }
    // The engine of a key; null means the default engine, "luaJIT". An unknown
    // key throws "not found script plugin.".
    std::shared_ptr<ScriptPlugin> findScriptPlugin(const char* key) const;

    std::unordered_map<std::string, std::shared_ptr<ScriptPlugin>> plugins;

private:
    void addPlugin(std::shared_ptr<ScriptPlugin> plugin);
    void reportFailure(const std::type_info& type, const std::exception& e);
};

// Gives a class the script service it was made under.
class ScriptInstance {
public:
    ScriptInstance() : scriptService(ScriptService::Get()) {}
    // As ScriptService::findScriptPlugin; throws the same report when no service runs.
    std::shared_ptr<ScriptPlugin> findScriptPlugin(const char* key) const;

    ScriptService* scriptService;
};

} // namespace Plugin
