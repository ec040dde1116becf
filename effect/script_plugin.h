#pragma once
// A script engine and one run of a script on it. The engines register in the
// script service; effects and movements whose behaviour comes from a script
// ask their engine for an instance per run.
#include <cstdint>
#include <memory>
#include <string>

namespace Media {
struct ConstantBufferCommon;
class ImageBuffer;
class ResourceBuffer;
} // namespace Media
namespace Effect {
class EffectBase;
class EffectItemNumber;
class ScriptMovement;
struct ScriptData;
} // namespace Effect
namespace Render {
class RenderObject;
struct SectionPosition;
} // namespace Render

namespace Plugin {

// One run of a script: it holds an interpreter state and the engine's lock for
// its whole life. The owner hands it the object's picture, runs the script
// once, takes the picture back and destroys it.
class ScriptPluginInstance {
public:
    virtual ~ScriptPluginInstance();
    ScriptPluginInstance(const ScriptPluginInstance&) = delete;
    ScriptPluginInstance& operator=(const ScriptPluginInstance&) = delete;

    // Runs an effect script (UTF-8). Throws on any failure.
    virtual void executeEffect(const std::string& script);
    // Runs a movement script (UTF-8) and returns its number.
    virtual double executeMovement(const std::string& script);
    // Publishes the object's drawing state in the script's object table, and
    // reads it back after the run (effect runs only).
    virtual void setObjValues();
    virtual void getObjValues();
    // Hands the effect's declared parameters to the script.
    virtual void setScriptVariables();
    // One field of the table the engine has on top of its stack.
    virtual double getFieldNumber(const char* name);
    virtual void setFieldNumber(const char* name, double value);
    virtual void setFieldBoolean(const char* name, bool value);

    // The object's picture the script works on: moved in before the run
    // (picture is left empty) and out after it (empty when the script left none).
    void setObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture);
    void takeObjectBuffer(std::unique_ptr<Media::ResourceBuffer>& picture);

    // The object and the effect of an effect run; a movement run throws
    // "not effect script.".
    Render::RenderObject& getRenderVideoTarget() const;
    Effect::EffectBase& getEffect() const;
    // A file name a script gave: an absolute path as it is, else joined to the
    // script's folder.
    std::wstring resolveScriptPath(const std::string& name) const;

    // The render object track items are evaluated at: the effect's object, or
    // the one a movement was evaluated for.
    const Render::RenderObject* itemObject = nullptr;
    std::unique_ptr<Media::ResourceBuffer> objectBuffer;
    // Everything the run passed to "mes", in order: what a text object's
    // script block is replaced by.
    std::wstring messageText;
    float sceneChangeProgress = 0; // set by scene-change scripts
    bool drawn = false;            // the script drew the object itself
    const Effect::ScriptData* script = nullptr;

    // Effect runs.
    Render::RenderObject* renderTarget = nullptr;
    Effect::EffectBase* effect = nullptr;
    // Movement runs.
    const Effect::ScriptMovement* movement = nullptr;
    const Effect::EffectItemNumber* trackItem = nullptr;
    const Render::SectionPosition* targetSection = nullptr;

    // The state the drawing, buffer and pixel functions keep for the run.
    std::shared_ptr<Media::ResourceBuffer> drawTarget; // empty: draw into the frame
    // A straight-colour 8-bit BGRA copy of a picture for pixel reads, and the
    // id of the texture it was read from.
    std::shared_ptr<Media::ImageBuffer> readback;
    uint64_t readbackKey = 0;
    int pixelType = 0;    // 0 colour and alpha, 1 "rgb", 2 "yc"
    int pixelSource = 0;  // 0 the object image, 1 the frame
    int pixelTarget = 0;  // 0 the object image, 1 the frame
    int pixelBlend = -1;  // -1: writes replace
    // The constants of the pixel writes, made at the first one.
    std::unique_ptr<Media::ConstantBufferCommon> pixelConstants;

protected:
    ScriptPluginInstance();
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
