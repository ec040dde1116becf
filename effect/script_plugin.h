#pragma once
// A script engine and one run of a script on it. The engines register in the
// script service; effects and movements whose behaviour comes from a script
// ask their engine for an instance per run.
#include <memory>
#include <string>

namespace Media { class ResourceBuffer; }
namespace Effect {
class EffectBase;
class EffectItemNumber;
class ScriptMovement;
} // namespace Effect
namespace Render {
class RenderObject;
struct SectionPosition;
} // namespace Render

namespace Plugin {

// One run of a script: it holds an interpreter state and the engine's lock for
// its whole life.
class ScriptPluginInstance {
public:
    virtual ~ScriptPluginInstance();
    // Runs a movement script (UTF-8) and returns its number.
    virtual double executeMovement(const std::string& script);
    // Runs an effect script (UTF-8).
    virtual void executeEffect(const std::string& script);
    // The object's picture an effect script works on: moved in before the
    // run (picture is left empty once taken), and moved out after it into
    // picture (empty when the script cleared it). An engine that takes no
    // picture throws and leaves picture as it was.
    virtual void setObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture);
    virtual void takeObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture);

    // Everything the run passed to "mes", in order: what a text object's
    // script block is replaced by.
    std::wstring messageText;

protected:
    ScriptPluginInstance() = default;
};

class ScriptPlugin {
public:
    ScriptPlugin(std::wstring displayName, std::string key, std::wstring moduleFileName);
    virtual ~ScriptPlugin();
    ScriptPlugin(const ScriptPlugin&) = delete;
    ScriptPlugin& operator=(const ScriptPlugin&) = delete;

    // An instance prepared for one evaluation of a movement script.
    virtual std::unique_ptr<ScriptPluginInstance> createMovementInstance(const Effect::ScriptMovement& movement,
                                                                         const Effect::EffectItemNumber& item,
                                                                         const Render::SectionPosition& position,
                                                                         const Render::RenderObject& object);
    // An instance bound to an effect and the object it renders.
    virtual std::unique_ptr<ScriptPluginInstance> createEffectInstance(Effect::EffectBase& effect,
                                                                       Render::RenderObject& object);

    const std::wstring displayName;
    const std::string key;
    const std::wstring moduleFileName;
};

} // namespace Plugin
