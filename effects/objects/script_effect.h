#pragma once
// The effects whose behaviour comes from a script section: custom objects,
// animation effects, camera effects, scene changes and the script-control
// filter. One section of a script file becomes one effect definition; its
// header ("--" comment lines) declares the script's parameters, which become
// the effect's items. Everything the instances of a definition share (name,
// information, folder, text, engine, declared parameters, compiled shaders)
// lives in one common resource.
#include "effect/effect_base.h"
#include "effect/script_file_parser.h"
#include "effect/script_service.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Anchor { class AnchorEvent; }
namespace Media {
class ComputeShader;
class PixelShader;
class ShaderBase;
} // namespace Media

namespace Effect {

class EffectItemNumber;

class ScriptEffect : public EffectBase, public Plugin::ScriptInstance, public ScriptFileParser {
public:
    // A declared parameter: the name it reaches the script under and its item.
    // "@local x" is the chunk-local x, "@x" the global x, "track0" and the other
    // plain names of numbers and checks are fields of "obj".
    struct Parameter {
        std::string name;
        std::unique_ptr<EffectItem> item;
    };

    struct CommonResource : ScriptData {
        using ShaderMap = std::unordered_map<std::string, std::shared_ptr<Media::ShaderBase>>;

        // The shader blocks of the text ("--[[pixelshader@name:" ... "]]"),
        // compiled together at the first lookup; null when there is no such
        // shader of that stage. A block that fails to compile ends the list
        // with a warning: the blocks before it stay usable.
        std::shared_ptr<Media::PixelShader> getPixelShader(const std::string& name);
        std::shared_ptr<Media::ComputeShader> getComputeShader(const std::string& name);
        // Forgets the compiled shaders (after a new text).
        void dropShaders();

        // A shader block: its stage, name and HLSL source.
        struct ShaderBlock {
            bool pixel;
            std::string name;
            std::string_view code;
        };
        // The blocks of a script text in order, up to the first one without
        // its ":" or a non-empty body closed by "]]".
        static std::vector<ShaderBlock> findShaderBlocks(std::string_view text);

        // The prototype's items in declaration order: what a new instance copies.
        std::vector<std::pair<std::string, const EffectItem*>> declared;
        const void* declaredOwner = nullptr;

    private:
        std::shared_ptr<ShaderMap> shaderList();
        void createShaderList(ShaderMap& shaders);

        std::mutex shaderLock_;
        std::shared_ptr<ShaderMap> shaders_;
    };

    ScriptEffect(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
                 const wchar_t* category);
    ~ScriptEffect() override;

    // A new, empty common resource (no engine) on the prototype.
    void createCommonResource() override;
    // Takes over the prototype's common resource and makes fresh items from
    // its declared parameters, with the prototype's values.
    void shareResource(EffectBase& prototype) override;
    // Drags of the handles the script registered for its tracks or value lists.
    bool anchorEvent(Anchor::AnchorEvent& event) override;

    void setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                          const char* engine) override;
    void reloadScriptSection(ScriptSection section) override;

    // Reads the section's header into items ("--track", "--check", "--color",
    // "--file", "--font", "--figure", "--value", "--select", "--dialog",
    // "--param"), the engine ("--script"; else engine, null for the default),
    // the menu label ("--label", into *label when given) and "--information".
    // Never throws: a failure is logged and ends the reading, keeping the items
    // made before it. A name declared twice keeps its first item.
    void makeScriptParams(std::wstring* label, const char* engine);

    std::shared_ptr<CommonResource> getCommonResource() const;

    // The declared parameter of a name, or null.
    EffectItem* findParameter(std::string_view name) const;
    // "track0" to "track2" when declared as numbers, else null.
    EffectItemNumber* getTrackItem(int index) const;
    // For each section point i < pointCount, the values of the first
    // trackCount tracks at that point (an undeclared track reads 0).
    std::vector<float> getTrackPoints(const Render::RenderObject& object, int trackCount, int pointCount) const;
    // The numbers of a list parameter (kind 101), under name or "@local " + name.
    std::vector<float> getValueList(const std::string& name) const;
    void setValueList(const std::string& name, const std::vector<float>& values);

    std::vector<Parameter> parameters; // declaration order

private:
    // Enters the item make() creates in this effect's item list under name;
    // a name already taken is logged and nothing is made.
    void declare(const std::string& name, const std::function<std::unique_ptr<EffectItem>()>& make);
    void parseHeaderLine(std::string_view line, std::wstring* label, bool& engineChosen);
    void makeValueItem(const std::string& name, const std::wstring& label, const std::wstring& value);

    std::wstring ownName_;
};

} // namespace Effect
