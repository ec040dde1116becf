#pragma once
// The effects whose behaviour comes from a script section: custom objects,
// animation effects, camera effects and scene changes. One section of a script
// file becomes one effect definition; everything the instances of a definition
// share (name, information, folder, text, engine) lives in one common resource.
#include "effect/effect_base.h"
#include "effect/script_file_parser.h"
#include "effect/script_service.h"

#include <memory>
#include <string>

namespace Effect {

class ScriptEffect : public EffectBase, public Plugin::ScriptInstance, public ScriptFileParser {
public:
    // Shared by the registry's prototype and every instance made from it.
    using CommonResource = ScriptData;

    ScriptEffect(const wchar_t* name, uint8_t effectType, uint8_t mediaType, uint8_t objectMediaType,
                 const wchar_t* category);
    ~ScriptEffect() override;

    // A new, empty common resource (no engine) on the prototype.
    void createCommonResource() override;
    // Takes over the prototype's common resource and its name.
    void shareResource(EffectBase& prototype) override;

    void setScriptSection(ScriptSection section, const std::wstring& folder, std::wstring* label,
                          const char* engine) override;
    void reloadScriptSection(ScriptSection section) override;

    // Reads the section's header: "--script" chooses the engine (a later line
    // replaces an earlier one), "--label" replaces *label when label is given,
    // "--information" is the information text. Without a "--script" line the
    // engine named by engine is taken (null: the default engine). Never throws: a
    // failure is logged and ends the reading.
    void makeScriptParams(std::wstring* label, const char* engine);

    std::shared_ptr<CommonResource> getCommonResource() const { return script; }

private:
    std::wstring ownName_;
};

} // namespace Effect
